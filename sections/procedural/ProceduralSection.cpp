#include "sections/procedural/ProceduralSection.h"

#include <algorithm>
#include <array>

#include "core/Format.h"
#include "core/Host.h"
#include "core/SkarnDoc.h"
#include "sections/procedural/Opcodes.h"

namespace skarn {

namespace {

// Data areas are written as rows of this many bytes.
constexpr unsigned kBytesPerRow = 12;

// Stands in for a command number no range registered: a length of 0 stops the
// walk with an error comment instead of calling through a null pointer.
int64_t MissingHandler(ProceduralSection&, uint64_t) { return 0; }

}  // namespace

// ---------------------------------------------------------------------------
// Object index

uint64_t ObjectIndex::KeyOf(int32_t lat, int32_t lon) {
  // Latitude without its two low bits, then longitude; the shift by 31 (not
  // 32) is part of the order: it lets the latitude's top bit overlap the
  // longitude's, exactly as the listing has always been sorted.
  return (static_cast<uint64_t>(static_cast<uint32_t>(lat) & ~3u) << 31) +
         static_cast<uint64_t>(static_cast<uint32_t>(lon));
}

void ObjectIndex::Insert(int32_t lat, int32_t lon, int number) {
  const uint64_t key = KeyOf(lat, lon);
  // The list is ordered by key. An entry whose key does not exceed the head's
  // goes to the head (so equal keys at the head come out newest first);
  // any other goes after the last entry with a key not above its own. Which
  // of the two happened is all Print needs to rebuild the order.
  const bool atHead = entries_.empty() || key <= minKey_;
  if (atHead) minKey_ = key;
  entries_.push_back(Entry{lat, lon, static_cast<uint32_t>(number) & kMaxNumber, atHead ? 1u : 0u});
}

void ObjectIndex::Print(SourceWriter& out) {
  // Within one key, the entries put at the head stand first, newest first,
  // then the others in the order they came (numbers grow with insertion).
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    const uint64_t ka = KeyOf(a.lat, a.lon);
    const uint64_t kb = KeyOf(b.lat, b.lon);
    if (ka != kb) return ka < kb;
    if (a.atHead != b.atHead) return a.atHead != 0;
    return a.atHead != 0 ? a.number > b.number : a.number < b.number;
  });
  for (const Entry& e : entries_) {
    out.Printf("; %s %s Object # %d\n", geo_.Lat32Text(e.lat), geo_.Lon32Text(e.lon), static_cast<int>(e.number));
  }
  entries_.clear();
  entries_.shrink_to_fit();
}

// ---------------------------------------------------------------------------
// Handler table

const OpHandler* CommandHandlers() {
  // Filled once on first use and never changed afterwards, so documents on
  // different threads can share it.
  static const std::array<OpHandler, ProceduralSection::kCommandCount> table = [] {
    std::array<OpHandler, ProceduralSection::kCommandCount> t{};
    ops::Register00To3F(t.data());
    ops::Register40To7F(t.data());
    ops::Register80ToBD(t.data());
    for (OpHandler& h : t) {
      if (h == nullptr) h = &MissingHandler;
    }
    return t;
  }();
  return table.data();
}

// ---------------------------------------------------------------------------
// Section

ProceduralSection::ProceduralSection(CSkarnDoc& doc, uint64_t start)
    : BglSection(doc, start), handlers_(CommandHandlers()) {
  SetName("OBJ");
}

ProceduralSection::~ProceduralSection() = default;

ProceduralSection::HeaderRead ProceduralSection::ReadObjectHeader(uint64_t p, ObjectHeader& h) const {
  if (!img_.Has(p, 1)) return HeaderRead::kBadSize;
  const uint8_t type = img_.U8(p);
  if (type == 0) return HeaderRead::kEndOfList;
  if (type < 0x04 || type > 0x0E) return HeaderRead::kUnknownType;

  // Types 4 to 0x0C come in threes: an 8-, 16- or 32-bit size field. 0x0D
  // moves the area parameter and the 16-bit size one byte on (and is written
  // as area letter B); 0x0E has a 32-bit size.
  unsigned paramAt = 9;
  unsigned sizeAt = 10;
  unsigned sizeWidth = 4;
  if (type == 0x0D) {
    paramAt = 10;
    sizeAt = 11;
    sizeWidth = 2;
    h.areaLetter = 'B';
  } else if (type == 0x0E) {
    h.areaLetter = 'E';
  } else {
    sizeWidth = 1u << ((type - 4u) % 3u);
    h.areaLetter = type < 0x0A ? static_cast<char>('0' + type) : static_cast<char>('A' + (type - 0x0A));
  }
  h.codeStart = sizeAt + sizeWidth;
  if (!img_.Has(p, h.codeStart)) return HeaderRead::kBadSize;

  h.lat = img_.I32(p + 1);
  h.lon = img_.I32(p + 5);
  h.areaParam = img_.U8(p + paramAt);
  h.size = sizeWidth == 1 ? img_.U8(p + sizeAt) : sizeWidth == 2 ? img_.U16(p + sizeAt) : img_.U32(p + sizeAt);
  // A size that ends inside the header would make the next header overlap
  // this one (or, at 0, be this one again).
  if (h.size < h.codeStart) return HeaderRead::kBadSize;
  return HeaderRead::kObject;
}

uint64_t ProceduralSection::Allowance() const {
  // Every object costs at least its header, so the allowance also keeps the
  // object numbers of one run within the index's range.
  constexpr uint64_t kMinObject = 11;
  return std::min(kReadFactor * static_cast<uint64_t>(img_.size()), kMinObject * ObjectIndex::kMaxNumber);
}

bool ProceduralSection::Read(uint64_t n) { return budget_.Take(n); }

bool ProceduralSection::ReadObject(uint64_t p, uint32_t size) {
  // The header lies in the file, so an object costs at least its header.
  const uint64_t rest = p < img_.size() ? img_.size() - p : 0;
  return Read(std::max<uint64_t>(1, std::min<uint64_t>(size, rest)));
}

std::string ProceduralSection::OverReadText(const char* prefix, const char* what) const {
  return Format("%sProc Section band lists overlap (more than %llu bytes read); %s", prefix,
                static_cast<unsigned long long>(budget_.allowance()), what);
}

void ProceduralSection::Summarize(std::vector<std::string>& lines) {
  lines.emplace_back("Procedural Scenery Section:");
  budget_.Start(Allowance());
  SummarizeBandTable(0, lines,
                     {"   ", "Error: Proc Section LatBand table at Offset",
                      "Error: unknown ID in Proc Section, LatBand table at Offset"},
                     [this](uint32_t records, std::string& line) {
                       Appendf(line, ": %d objects", CountObjects(records));
                     });
}

int ProceduralSection::CountObjects(uint32_t offset) {
  int count = 0;
  uint64_t p = data_ + offset;
  for (;;) {
    if (budget_.spent()) return count;
    ObjectHeader h;
    switch (ReadObjectHeader(p, h)) {
      case HeaderRead::kEndOfList:
        return count;
      case HeaderRead::kUnknownType:
        doc().Report(Format("Error: unknown ID in Procedural Section, Object Header at 0x%X", LabelOf(p)), p);
        return count;
      case HeaderRead::kBadSize:
        doc().Report(Format("Error: bad object size in Procedural Section at 0x%X", LabelOf(p)), p);
        return count;
      case HeaderRead::kObject:
        if (!ReadObject(p, h.size)) {
          doc().Report(OverReadText("Error: ", "the remaining objects are not counted"), p);
          return count;
        }
        ++count;
        p += h.size;
        break;
    }
  }
}

void ProceduralSection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  section.detailed = true;
  budget_.Start(Allowance());
  DescribeBandTable(0, section, [&](uint32_t records, AccountBand& band) {
    band.offset = data_ + records;
    band.count = DescribeObjects(records, account);
    section.Count("objects", band.count);
  });
}

int64_t ProceduralSection::DescribeObjects(uint32_t offset, FileAccount& account) {
  int64_t count = 0;
  for (uint64_t p = data_ + offset; !budget_.spent();) {
    ObjectHeader h;
    if (ReadObjectHeader(p, h) != HeaderRead::kObject || !ReadObject(p, h.size)) break;
    ++count;
    if (AccountFeature* f = account.Add("object", p)) {
      // As the Area statement gives it: the latitude unfolded.
      f->lat = h.lat * GeoText::kMetreLatitude;
      f->lon = GeoText::Lon32(h.lon);
      f->Text("area", std::string(1, h.areaLetter)).Number("radius", h.areaParam).Number("size", h.size);
    }
    p += h.size;
  }
  return count;
}

void ProceduralSection::WriteSource() {
  out_.WriteNewline();
  out_.WriteSeparator();
  out_.WriteText("; Procedural scenery\n");
  out_.WriteSeparator();
  listOnly_ = false;
  objectCounter_ = 0;
  index_.Clear();
  budget_.Start(Allowance());
  BandWalk(data_, *this);
  out_.WriteText("; sorted list of objects\n");
  index_.Print(out_);
}

void ProceduralSection::ListBitmaps() {
  listOnly_ = true;
  objectCounter_ = 0;
  budget_.Start(Allowance());
  BandWalk(data_, *this);
}

void ProceduralSection::WriteBand(uint32_t offset) {
  uint64_t p = data_ + offset;
  int n = objectCounter_;
  for (;;) {
    if (budget_.spent()) return;
    ObjectHeader h;
    switch (ReadObjectHeader(p, h)) {
      case HeaderRead::kEndOfList:
        return;
      case HeaderRead::kUnknownType:
        // No line end: the next band's blank line closes the comment.
        out_.Printf("; Error: unknown ID in Procedural Section, Object Header at %X", LabelOf(p));
        return;
      case HeaderRead::kBadSize:
        out_.Printf("; Error: bad object size at offset %X\n", LabelOf(p));
        return;
      case HeaderRead::kObject:
        break;
    }
    if (!ReadObject(p, h.size)) {
      out_.WriteText(OverReadText("; Error: ", "the remaining objects are skipped\n"));
      return;
    }
    // The program's end is what the size says, even past the end of the
    // file: the walker stops at the first command that leaves the image.
    const uint64_t end = p + h.size;
    ++n;
    if (!listOnly_) {
      out_.WriteSeparator();
      out_.Printf("; Object # %d, offset: 0x%.4X size: %u bytes (0x%.4X) \n", n, LabelOf(p), h.size, h.size);
      out_.Printf(";; Lat: %.09Xh Lon: %.09Xh\n", static_cast<uint32_t>(h.lat), static_cast<uint32_t>(h.lon));
      out_.WriteSeparator();
      index_.Insert(h.lat, h.lon, n);
      out_.SetLine("Area( %c", h.areaLetter);
      out_.line += geo_.Lat32Text(h.lat);
      out_.line += geo_.Lon32Text(h.lon);
      out_.AddLine(" %d )\n", h.areaParam);
      out_.FlushLine();
    }
    labels_.Clear();
    WalkCode(p + h.codeStart, end);
    p = end;
    if (!listOnly_) out_.WriteText("EndA\n\n");
    objectCounter_ = n;
    // A command that ran on past the object printed the bytes after it too.
    if (!Read(Overrun())) {
      out_.WriteText(OverReadText("; Error: ", "the remaining objects are skipped\n"));
      return;
    }
  }
}

// ---------------------------------------------------------------------------
// Walker

void ProceduralSection::WalkCode(uint64_t start, uint64_t end) {
  stretchEnd_ = end;
  reach_ = start;
  pass_ = 0;
  RunPass(start);
  if (listOnly_) return;
  pass_ = 1;
  RunPass(start);
}

void ProceduralSection::RunPass(uint64_t start) {
  const bool print = printing();
  // Besides the print pass only the bitmap list writes (from the collect pass).
  const bool mayWrite = print || listOnly_;
  uint64_t p = start;
  bool areaSkipped = false;
  while (p < stretchEnd_) {
    // A data area is handled before the byte there is taken as a command:
    // data after an unconditional transfer may hold any byte at all.
    if (print) {
      // An unknown command number where no data area starts ends the walk
      // before any label line is written.
      if (img_.Has(p) && img_.U8(p) >= kCommandCount && labels_.DataAreaEnd(LabelOf(p)) == 0) {
        out_.Printf("; Error: unexpected ID %x at offset %.4X\n", static_cast<unsigned>(img_.U8(p)), LabelOf(p));
        return;
      }
      int64_t areaEnd = 0;
      if (const char* text = labels_.TakeLabelsAt(LabelOf(p), &areaEnd)) {
        out_.WriteText(text);
        if (areaEnd != 0) {
          // The area ends at the next label, but never beyond the program:
          // the bytes after it belong to whatever follows.
          const uint64_t to = areaEnd < 0 ? stretchEnd_
                                          : std::min(data_ + static_cast<uint64_t>(areaEnd), stretchEnd_);
          out_.WriteText("; unreachable code, possibly data area\n");
          WriteDataRows(p, to);
          if (areaEnd < 0 || to <= p) return;
          p = to;
          continue;
        }
      }
    } else if (!areaSkipped) {
      // One area at a time: the command where a skipped area ends is decoded
      // even when a marked label stands there as well.
      const int64_t areaEnd = labels_.DataAreaEnd(LabelOf(p));
      if (areaEnd < 0) return;
      if (areaEnd != 0) {
        const uint64_t to = data_ + static_cast<uint64_t>(areaEnd);
        if (to <= p) return;
        p = to;
        areaSkipped = true;
        continue;
      }
    }
    areaSkipped = false;

    img_.ClearError();
    const uint8_t c = img_.U8(p);
    if (img_.failed()) {
      if (print) out_.Printf("; Error: command at offset %.4X runs past the end of the file\n", LabelOf(p));
      return;
    }
    if (c >= kCommandCount) {
      if (print) out_.Printf("; Error: unexpected ID %x at offset %.4X\n", static_cast<unsigned>(c), LabelOf(p));
      return;
    }

    // A command that reads outside the file, or claims bytes beyond it, is
    // not written at all: its half-printed text is taken back.
    const size_t mark = mayWrite ? out_.Hold() : 0;
    const int64_t length = handlers_[c](*this, p);
    const bool outside = img_.failed() || (length > 0 && !img_.Has(p, static_cast<uint64_t>(length)));
    if (mayWrite) {
      if (outside) {
        out_.Rollback(mark);
      } else {
        out_.Release();
      }
    }
    if (outside) {
      if (print) out_.Printf("; Error: command at offset %.4X runs past the end of the file\n", LabelOf(p));
      return;
    }
    // A length built from a count in the data may be zero or negative; the
    // walk could never leave the command.
    if (length <= 0) {
      if (print) {
        out_.Printf("; Error: command at offset %.4X has length %lld, walk stopped\n", LabelOf(p),
                    static_cast<long long>(length));
      }
      return;
    }
    p += static_cast<uint64_t>(length);
    reach_ = std::max(reach_, p);
    if (p > stretchEnd_ && print) out_.WriteText("; Error: object end overrun\n");
  }
}

void ProceduralSection::WriteDataRows(uint64_t from, uint64_t to) {
  // Rows never read past the file.
  to = std::min<uint64_t>(to, img_.size());
  std::string& row = out_.line;
  unsigned inRow = 0;
  for (uint64_t q = from; q < to; ++q) {
    if (inRow == 0) row.assign("\tDbx( ");
    Appendf(row, "%.2X ", static_cast<unsigned>(img_.U8(q)));
    if (++inRow == kBytesPerRow) {
      row += " )\n";
      out_.FlushLine();
      inRow = 0;
    }
  }
  if (inRow != 0) {
    row += " )\n";
    out_.FlushLine();
  }
}

// ---------------------------------------------------------------------------
// Services for the command handlers

int ProceduralSection::LibraryCallForm() {
  if (libraryCallForm_ == 0) libraryCallForm_ = host().AskYesNo("Is this a FS2000/2002 .bgl-file?") ? 1 : -1;
  return libraryCallForm_;
}

std::string ProceduralSection::BitmapName(uint64_t p) const {
  std::string name;
  for (uint64_t i = 0; i < 12; ++i) {
    const uint8_t b = img_.U8(p + i);
    if (b == 0) break;
    if (b != ' ') name.push_back(static_cast<char>(b));
  }
  return name;
}

std::string_view ProceduralSection::CText(uint64_t p, uint64_t maxLength) const {
  // A text that reaches the end of the file without its terminator sets the
  // reader's error flag (the read of the missing byte), so the command that
  // holds it is reported as running past the end.
  bool terminated = false;
  const std::string_view text = img_.Text(p, maxLength, &terminated);
  if (!terminated && text.size() < maxLength) img_.U8(p + text.size());
  return text;
}

}  // namespace skarn
