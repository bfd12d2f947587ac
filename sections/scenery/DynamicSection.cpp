#include "sections/scenery/DynamicSection.h"

#include <algorithm>
#include <memory>

#include "core/Format.h"
#include "core/SectionFactory.h"
#include "core/SkarnDoc.h"

namespace skarn {

namespace {

constexpr uint8_t kObjectId = 4;
// The size field counts the bytes after the first 11 of a record.
constexpr uint32_t kSizeBase = 11;
// Identifier, both boxes, the size and the 24 bytes this section skips: the
// motion program starts right after them.
constexpr uint32_t kHeaderSize = 43;

}  // namespace

std::unique_ptr<BglSection> MakeDynamicSection(CSkarnDoc& doc, uint64_t start) {
  return std::make_unique<DynamicSection>(doc, start);
}

DynamicSection::DynamicSection(CSkarnDoc& doc, uint64_t start) : BglSection(doc, start) {
  SetName("DYN");
  FillDynamicOps(handlers_);
}

DynamicSection::~DynamicSection() = default;

DynamicSection::RecordRead DynamicSection::ReadRecord(uint64_t p, uint64_t needHeader, uint8_t& id,
                                                      uint32_t& length) const {
  if (!img_.Has(p, 1)) return RecordRead::kOutside;
  id = img_.U8(p);
  if (id == 0) return RecordRead::kEndOfList;
  if (!img_.Has(p, needHeader)) return RecordRead::kCutHeader;
  // A size below 32 ends the object inside its own header: the object has no
  // instructions, its second box is read where the header would stand, and
  // the next record starts at the object's end as for any other object.
  length = img_.U16(p + 9) + kSizeBase;
  return RecordRead::kRecord;
}

bool DynamicSection::Read(uint64_t p, uint32_t length) {
  // Every object starts in the file, so it costs at least one byte; one
  // whose size ends inside its header costs the header its source shows.
  const uint64_t rest = p < img_.size() ? img_.size() - p : 0;
  return budget_.Take(std::max<uint64_t>(1, std::min<uint64_t>(std::max<uint64_t>(length, kHeaderSize), rest)));
}

std::string DynamicSection::OverReadText(const char* prefix, const char* what) const {
  return Format("%sDyn Section band lists overlap (more than %llu bytes read); %s", prefix,
                static_cast<unsigned long long>(kReadFactor * static_cast<uint64_t>(img_.size())), what);
}

// ---------------------------------------------------------------------------
// Summary

void DynamicSection::Summarize(std::vector<std::string>& lines) {
  lines.emplace_back("Dynamic Scenery Section:");
  budget_.Start(kReadFactor * static_cast<uint64_t>(img_.size()));
  SummarizeBandTable(0, lines,
                     {"   ", "Error: Dyn Section LatBand table at Offset",
                      "Error: unknown ID in Dyn Section at Offset"},
                     [this](uint32_t records, std::string& line) {
                       Appendf(line, ": %d area(s)", CountAreas(records));
                     });
}

int DynamicSection::CountAreas(uint32_t offset) {
  // The identifiers are not checked here: every record up to the 0 counts.
  int count = 0;
  uint64_t p = data_ + offset;
  for (;;) {
    if (budget_.spent()) return count;
    uint8_t id = 0;
    uint32_t length = 0;
    switch (ReadRecord(p, kSizeBase, id, length)) {
      case RecordRead::kEndOfList:
        return count;
      case RecordRead::kOutside:
      case RecordRead::kCutHeader:
        doc().Report(Format("Error: Dyn Section area list at Offset %X runs past the end of the file", OffsetOf(p)), p);
        return count;
      case RecordRead::kRecord:
        if (!Read(p, length)) {
          doc().Report(OverReadText("Error: ", "the remaining areas are not counted"), p);
          return count;
        }
        ++count;
        p += length;
        break;
    }
  }
}

void DynamicSection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  section.detailed = true;
  budget_.Start(kReadFactor * static_cast<uint64_t>(img_.size()));
  DescribeBandTable(0, section, [&](uint32_t records, AccountBand& band) {
    band.offset = data_ + records;
    for (uint64_t p = data_ + records; !budget_.spent();) {
      uint8_t id = 0;
      uint32_t length = 0;
      if (ReadRecord(p, kHeaderSize, id, length) != RecordRead::kRecord || id != kObjectId || !Read(p, length)) break;
      ++band.count;
      if (AccountFeature* f = account.Add("dynamic", p)) {
        const double lat1 = GeoText::Lat16(img_.I16(p + 1));
        const double lat2 = GeoText::Lat16(img_.I16(p + 3));
        const double lon1 = GeoText::Lon16(img_.I16(p + 5));
        const double lon2 = GeoText::Lon16(img_.I16(p + 7));
        f->lat = (lat1 + lat2) / 2.0;
        f->lon = (lon1 + lon2) / 2.0;
        f->Number("lat1", lat1).Number("lat2", lat2).Number("lon1", lon1).Number("lon2", lon2);
        f->Number("lat1b", GeoText::Lat16(img_.I16(p + 11)))
            .Number("lat2b", GeoText::Lat16(img_.I16(p + 13)))
            .Number("lon1b", GeoText::Lon16(img_.I16(p + 15)))
            .Number("lon2b", GeoText::Lon16(img_.I16(p + 17)))
            .Number("size", length);
      }
      p += length;
    }
    section.Count("objects", band.count);
  });
}

// ---------------------------------------------------------------------------
// Source

void DynamicSection::WriteSource() {
  out_.WriteNewline();
  out_.WriteSeparator();
  out_.WriteLine("; dynamic scenery");
  out_.WriteSeparator();
  budget_.Start(kReadFactor * static_cast<uint64_t>(img_.size()));
  BandWalk(data_, *this);
}

void DynamicSection::WriteBand(uint32_t offset) {
  uint64_t p = data_ + offset;
  // Objects are numbered from 1 in every band.
  int number = 0;
  for (;;) {
    if (budget_.spent()) return;
    uint8_t id = 0;
    uint32_t length = 0;
    const RecordRead read = ReadRecord(p, kHeaderSize, id, length);
    if (read == RecordRead::kEndOfList) return;
    if (read == RecordRead::kOutside) {
      out_.Row<"; Error: object list at offset %X runs past the end of the file\n">(OffsetOf(p));
      return;
    }
    if (id != kObjectId) {
      // No line end: the next band's blank line closes the comment.
      out_.Row<"; Error: unknown ID in Dynamic Section, Object Header at %X">(OffsetOf(p));
      return;
    }
    if (read == RecordRead::kCutHeader) {
      out_.Row<"; Error: object header at offset %X runs past the end of the file\n">(OffsetOf(p));
      return;
    }
    if (!Read(p, length)) {
      out_.WriteText(OverReadText("; Error: ", "the remaining objects are skipped\n"));
      return;
    }
    // The object may claim bytes beyond the end of the file: its program is
    // written up to the first instruction that leaves the file, and the list
    // then ends at the next record, which lies outside.
    WriteObject(p, length, ++number);
    p += length;
  }
}

void DynamicSection::WriteObject(uint64_t p, uint32_t length, int number) {
  objectEnd_ = p + length;
  out_.WriteSeparator();
  out_.SetLine("; Object # %d, offset: 0x%.4X size: %d bytes (0x%.4X) \n", number, OffsetOf(p),
               static_cast<int>(length), length);
  out_.FlushLine();
  out_.WriteSeparator();

  // The two boxes: latitudes in 512 m units, longitudes in 1/65536 circles;
  // every text brings its own leading blank.
  std::string& line = out_.line;
  line.assign("Area15(");
  for (uint64_t box : {p + 1, p + 11}) {
    if (box != p + 1) line += "\n\t";
    line += geo_.LatText(GeoText::Lat16(img_.I16(box)));
    line += geo_.LatText(GeoText::Lat16(img_.I16(box + 2)));
    line += geo_.LonText(GeoText::Lon16(img_.I16(box + 4)));
    line += geo_.LonText(GeoText::Lon16(img_.I16(box + 6)));
  }
  line += " )\n";
  out_.FlushLine();

  labels_.Clear();
  WalkInstructions(p + kHeaderSize);
  out_.WriteText("End15\n\n");
}

// ---------------------------------------------------------------------------
// Instruction walk

void DynamicSection::WalkInstructions(uint64_t code) {
  print_ = false;
  RunPass(code);
  print_ = true;
  RunPass(code);
}

void DynamicSection::RunPass(uint64_t code) {
  uint64_t p = code;
  // Every step moves on by at least one byte or ends the pass, and the
  // object's end is finite: the walk always ends.
  while (p < objectEnd_) {
    img_.ClearError();
    const uint8_t op = img_.U8(p);
    if (img_.failed()) {
      if (print_) out_.Row<"; Error: instruction at offset %.4X runs past the end of the file\n">(OffsetOf(p));
      return;
    }
    if (op == kExit) {
      // Exit is no branch target of its own: labels that name it come out
      // before the next instruction that is dispatched.
      if (print_) out_.WriteText("\tExit\n");
      ++p;
      continue;
    }
    if (op == 0 || op >= kOpcodeCount) {
      if (print_) out_.Row<"; Error: unexpected ID %x at offset %.4X\n">(static_cast<unsigned>(op), OffsetOf(p));
      return;
    }
    if (print_) {
      int64_t dataAreaEnd = 0;  // no instruction here marks data areas
      if (const char* text = labels_.TakeLabelsAt(OffsetOf(p), &dataAreaEnd)) out_.WriteText(text);
    }

    // An instruction that reads outside the file, or claims bytes beyond it,
    // is not written at all: its half-made line is taken back.
    const size_t mark = print_ ? out_.Hold() : 0;
    const int length = handlers_[op](*this, p);
    const bool outside = img_.failed() || (length > 0 && !img_.Has(p, static_cast<uint64_t>(length)));
    if (print_) {
      if (outside) {
        out_.Rollback(mark);
      } else {
        out_.Release();
      }
    }
    if (outside) {
      if (print_) out_.Row<"; Error: instruction at offset %.4X runs past the end of the file\n">(OffsetOf(p));
      return;
    }
    // Every instruction has a fixed length; a handler that reported none
    // would hold the walk in place.
    if (length <= 0) {
      if (print_) out_.Row<"; Error: instruction at offset %.4X has length %d, walk stopped\n">(OffsetOf(p), length);
      return;
    }
    p += static_cast<uint64_t>(length);
    if (print_ && p > objectEnd_) out_.WriteLine("; Error: object end overrun");
  }
}

}  // namespace skarn
