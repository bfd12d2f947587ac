#include "sections/nav/LibrarySection.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "core/Format.h"
#include "core/SectionFactory.h"
#include "core/SkarnDoc.h"
#include "sections/procedural/ProceduralSection.h"

namespace skarn {

namespace {

// The objects of a sound file do not overlap, so their names and programs
// together are no larger than the file. Directory entries may still share an
// object (two IDs for one body), which this leaves room for; what it stops is
// a directory of many entries pointing into one long name or program, whose
// output would grow with the square of the file's size.
constexpr uint64_t kWalkAllowanceFactor = 4;

}  // namespace

LibrarySection::LibrarySection(CSkarnDoc& doc, uint64_t start) : BglSection(doc, start) { SetName("LIB"); }

LibrarySection::~LibrarySection() = default;

LibrarySection::EntryRead LibrarySection::ReadEntry(uint64_t at, Entry& e) const {
  // The entry that ends the directory needs no more than its offset word.
  if (!img_.Has(at, 4)) return EntryRead::kCut;
  e.offset = img_.U32(at);
  if (e.offset == 0) return EntryRead::kEnd;
  if (!img_.Has(at, kEntrySize)) return EntryRead::kCut;
  for (uint64_t i = 0; i < 4; ++i) e.id[i] = img_.U32(at + 4 + 4 * i);
  return EntryRead::kEntry;
}

void LibrarySection::Summarize(std::vector<std::string>& lines) {
  lines.emplace_back("Library section:");
  // The ID range stands in the file header, low word first. "%#.8x" gives a
  // non-zero high word a 0x prefix and a zero one none.
  const uint32_t minLow = img_.U32(hdr::kMinLibraryId);
  const uint32_t minHigh = img_.U32(hdr::kMinLibraryId + 4);
  const uint32_t maxLow = img_.U32(hdr::kMaxLibraryId);
  const uint32_t maxHigh = img_.U32(hdr::kMaxLibraryId + 4);
  lines.push_back(Format("   Minimum ID: %#.8x%.8x; Maximum ID: %#.8x%.8x", minHigh, minLow, maxHigh, maxLow));

  int count = 0;
  for (uint64_t at = data_;; at += kEntrySize) {
    Entry e;
    const EntryRead r = ReadEntry(at, e);
    if (r == EntryRead::kEnd) break;
    if (r == EntryRead::kCut) {
      doc().Report(Format("Error: Library section directory entry at Offset %X runs past the end of the file",
                          static_cast<uint32_t>(at - data_)), at);
      break;
    }
    ++count;
  }
  lines.push_back(Format("   Number of library objects: %d", count));
}

void LibrarySection::WriteSource() {
  out_.WriteText("\n");
  out_.WriteSeparator();
  out_.WriteText("; Library section\n");
  out_.WriteSeparator();
  out_.WriteText("\n");
  Run(false);
}

void LibrarySection::ListBitmaps() { Run(true); }

void LibrarySection::Run(bool listOnly) {
  // A fresh walker per run: its labels and its answer to the library-call
  // question are shared by the objects of this run only.
  walker_ = std::make_unique<ProceduralSection>(doc(), data_);
  walker_->SetListOnly(listOnly);
  quiet_ = listOnly;
  objectNumber_ = 0;
  budget_.Start(kWalkAllowanceFactor * static_cast<uint64_t>(img_.size()));

  for (uint64_t at = data_;; at += kEntrySize) {
    Entry e;
    const EntryRead r = ReadEntry(at, e);
    if (r == EntryRead::kEnd) break;
    if (r == EntryRead::kCut) {
      if (!quiet_) {
        out_.Row<"; Error: library directory entry at offset 0x%.4X runs past the end of the file\n">(static_cast<uint32_t>(at - data_));
      }
      break;
    }
    ++objectNumber_;
    if (!HandleObject(e)) break;
  }
  walker_.reset();
}

bool LibrarySection::HandleObject(const Entry& e) {
  const uint64_t obj = data_ + e.offset;
  if (!img_.Has(obj, 16)) {
    ObjectError(e.offset, " runs past the end of the file");
    return true;
  }
  return IsNewForm(e, obj) ? HandleNewForm(e, obj) : HandleOldForm(e, obj);
}

bool LibrarySection::IsNewForm(const Entry& e, uint64_t obj) const {
  // The newer form repeats the directory's ID; anything else is the older one.
  uint8_t id[16];
  for (uint64_t i = 0; i < 4; ++i) {
    for (uint64_t k = 0; k < 4; ++k) id[4 * i + k] = static_cast<uint8_t>(e.id[i] >> (8 * k));
  }
  return std::memcmp(img_.Ptr(obj, 16), id, sizeof id) == 0;
}

bool LibrarySection::HandleNewForm(const Entry& e, uint64_t obj) {
  if (!img_.Has(obj, kNewHeaderFields)) {
    ObjectError(e.offset, " runs past the end of the file");
    return true;
  }
  const uint32_t headerLength = img_.U32(obj + 17);
  const uint32_t programSize = img_.U32(obj + 21);
  // A header shorter than its own fields would start the program inside
  // them: the object's own lines are written, its program is not walked.
  const bool shortHeader = headerLength < kNewHeaderFields;
  const uint64_t start = obj + headerLength;
  const uint64_t end = start + programSize;
  if (!shortHeader) {
    if (end > img_.size()) {
      ObjectError(e.offset, " runs past the end of the file");
      return true;
    }
    // The name (the header after its fixed fields) is written in full, so it
    // counts against the allowance like the program.
    if (!Allow(obj + kNewHeaderFields, end)) return false;
  }

  if (!quiet_) {
    out_.WriteSeparator();
    out_.Row<"; Library Object #%d, Offset 0x%.4X, size %d (= 0x%X)\n">(objectNumber_, e.offset,
                static_cast<int32_t>(programSize), programSize);
    out_.WriteSeparator();
    out_.Row<"ObjID( %.8X %.8X %.8X %.8X )\n">(e.id[0], e.id[1], e.id[2], e.id[3]);
    const uint32_t divisor = img_.U32(obj + 29);
    const double scale = divisor == 0 ? std::numeric_limits<double>::infinity() : 65536.0 / divisor;
    const uint32_t prop = img_.U32(obj + 37);
    out_.WriteText("LibObj( \n");
    out_.Row<"\tPWR   %d\n">(static_cast<int>(img_.U8(obj + 16)));
    out_.Row<"\tSIZE  %d\n">(img_.I32(obj + 25));
    out_.Row<"\tSCALE %.3f\n">(scale);
    out_.Row<"\tTYPE  %d\n">(img_.I32(obj + 33));
    if (prop != 0) out_.Row<"\tPROP  %d\n">(static_cast<int32_t>(prop));
    // The name fills the rest of the header, up to its first 0 byte.
    const uint64_t room = shortHeader ? 0 : headerLength - kNewHeaderFields;
    std::string_view name;
    if (const uint8_t* text = room == 0 ? nullptr : img_.Ptr(obj + kNewHeaderFields, room)) {
      name = std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(room));
      name = name.substr(0, name.find('\0'));
    }
    if (!name.empty()) {
      // No line end: the closing parenthesis follows on the same line.
      out_.line.assign("\tNAME   \"");
      out_.line.append(name);
      out_.line += '"';
      out_.FlushLine();
    }
    out_.WriteText("\t)\n");
  }
  if (shortHeader) {
    ObjectError(e.offset, Format(": header length %u is less than 41", headerLength));
  } else {
    walker_->WalkCode(start, end);
  }
  if (!quiet_) out_.WriteText("EndObj\n");
  // A command that ran on past the program read (and printed) the bytes
  // after it too; when that spends the allowance, the next object says so.
  budget_.Take(walker_->Overrun());
  return true;
}

bool LibrarySection::HandleOldForm(const Entry& e, uint64_t obj) {
  if (!img_.Has(obj, kOldHeaderSize)) {
    ObjectError(e.offset, " runs past the end of the file");
    return true;
  }
  // A size within the 19-byte header leaves an empty program: the object's
  // lines are written and there is nothing to walk.
  const uint16_t size = img_.U16(obj + 17);
  const uint64_t end = obj + size;
  if (end > img_.size()) {
    ObjectError(e.offset, " runs past the end of the file");
    return true;
  }
  const uint64_t start = obj + kOldHeaderSize;
  if (!Allow(start, end)) return false;

  if (!quiet_) {
    out_.WriteSeparator();
    out_.Row<"; Library Object #%d, Offset 0x%.4X, size %d (= 0x%X)\n">(objectNumber_, e.offset,
                static_cast<int>(size), static_cast<unsigned>(size));
    out_.WriteSeparator();
    out_.Row<"ObjID( %.8X %.8X %.8X %.8X )\n">(e.id[0], e.id[1], e.id[2], e.id[3]);
    out_.Row<"LibObj1( %X %X %X %X %d )\n">(img_.U32(obj), img_.U32(obj + 4), img_.U32(obj + 8),
                img_.U32(obj + 12), static_cast<int>(img_.U8(obj + 16)));
  }
  walker_->WalkCode(start, end);
  if (!quiet_) out_.WriteText("EndObj\n");
  // A command that ran on past the program read (and printed) the bytes
  // after it too; when that spends the allowance, the next object says so.
  budget_.Take(walker_->Overrun());
  return true;
}

bool LibrarySection::Allow(uint64_t start, uint64_t end) {
  const uint64_t length = end > start ? end - start : 0;
  if (!budget_.Take(length)) {
    if (quiet_) return false;
    out_.Printf(
        "; Error: library programs overlap (more than %llu bytes walked); object #%d and those after it "
        "skipped\n",
        static_cast<unsigned long long>(budget_.allowance()), objectNumber_);
    return false;
  }
  return true;
}

void LibrarySection::ObjectError(uint32_t offset, const std::string& what) {
  if (quiet_) return;
  out_.Row<"; Error: library object #%d at offset 0x%.4X%s\n">(objectNumber_, offset, what.c_str());
}

void LibrarySection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  section.detailed = true;
  for (uint64_t at = data_;; at += kEntrySize) {
    Entry e;
    if (ReadEntry(at, e) != EntryRead::kEntry) return;
    section.Count("objects", 1);
    if (account.libraryObjects.size() >= FileAccount::kMaxFeatures) continue;
    AccountLibraryObject& o = account.libraryObjects.emplace_back();
    o.id = Format("%.8X %.8X %.8X %.8X", e.id[0], e.id[1], e.id[2], e.id[3]);
    const uint64_t obj = data_ + e.offset;
    o.offset = obj;
    if (!img_.Has(obj, 16)) continue;
    if (IsNewForm(e, obj)) {
      o.form = "new";
      if (!img_.Has(obj, kNewHeaderFields)) continue;
      const uint32_t headerLength = img_.U32(obj + 17);
      o.size = img_.U32(obj + 21);
      // The name fills the rest of the header, up to its first 0 byte, and
      // is read no further than the file.
      if (headerLength > kNewHeaderFields) {
        constexpr uint64_t kMaxName = 256;
        const std::string_view name =
            img_.Text(obj + kNewHeaderFields, std::min<uint64_t>(headerLength - kNewHeaderFields, kMaxName));
        o.name.assign(name.data() == nullptr ? "" : std::string(name));
      }
    } else {
      o.form = "old";
      if (img_.Has(obj, kOldHeaderSize)) o.size = img_.U16(obj + 17);
    }
  }
}

std::unique_ptr<BglSection> MakeLibrarySection(CSkarnDoc& doc, uint64_t start) {
  return std::make_unique<LibrarySection>(doc, start);
}

}  // namespace skarn
