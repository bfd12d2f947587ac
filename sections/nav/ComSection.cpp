#include "sections/nav/ComSection.h"

#include <memory>
#include <string_view>

#include "core/Format.h"
#include "core/SectionFactory.h"
#include "core/SkarnDoc.h"

namespace skarn {
namespace {

constexpr uint8_t kAtisId = 4;
// Id, frequency, position, the doubled byte, length and designations: the
// text starts behind them.
constexpr uint64_t kFixedSize = 16;

constexpr const char* kTitle = "COM Section:";
constexpr const char* kBadId = "Error: unknown ID in COM Section at Offset";

}  // namespace

ComSection::ComSection(CSkarnDoc& doc, uint64_t start) : BglSection(doc, start) { SetName("COM"); }

ComSection::Record ComSection::ReadRecord(int64_t rel, int16_t& length) {
  if (!budget_.Take()) return Record::kOverRead;
  const uint64_t p = At(rel);
  if (!img_.Has(p, 1)) return Record::kOutside;
  const uint8_t id = img_.U8(p);
  if (id == 0) return Record::kEnd;
  if (id != kAtisId) return Record::kUnknown;
  if (!img_.Has(p, kFixedSize)) return Record::kOutside;
  // The text may run on past the record's length, but not past the image.
  // The search for its end reads no further than the allowance, nor past
  // the image (so it leaves the reader's error flag alone).
  const uint64_t text = p + kFixedSize;
  const uint64_t room = img_.size() - text;
  bool terminated = false;
  const std::string_view found = img_.Text(text, budget_.Reach(room), &terminated);
  if (!terminated) {
    budget_.Take(found.size());
    if (found.size() == room) return Record::kOutside;
    budget_.Stop();
    return Record::kOverRead;
  }
  budget_.Take(found.size() + 1);
  length = img_.I16(p + 10);
  // A length of 0 would read this record again forever, a negative one would
  // go back to an earlier record.
  return length > 0 ? Record::kAtis : Record::kBadLength;
}

std::string ComSection::OverReadText() const {
  return Format("Error: COM Section lists are shared too often (more than %llu bytes read); "
                "no more records are read",
                static_cast<unsigned long long>(img_.size()));
}

void ComSection::Summarize(std::vector<std::string>& lines) {
  lines.emplace_back(kTitle);
  budget_.Start(img_.size());
  SummarizeBandTable(0, lines, {"   ", "Error: COM Section LatBand table at Offset", kBadId},
                     [this](uint32_t records, std::string& line) {
                       Appendf(line, ": %d COM entries", CountRecords(static_cast<int32_t>(records)));
                     });
}

int ComSection::CountRecords(int32_t list) {
  int count = 0;
  for (int64_t rel = list;;) {
    if (budget_.spent()) return count;
    int16_t length = 0;
    switch (ReadRecord(rel, length)) {
      case Record::kEnd:
        return count;
      case Record::kUnknown:
        doc().Report(Format("%s %X", kBadId, Low32(rel)), At(rel));
        return count;
      case Record::kOutside:
        doc().Report(Format("Error: COM Section record at Offset %X runs past the end of the file", Low32(rel)), At(rel));
        return count;
      case Record::kOverRead:
        doc().Report(OverReadText(), At(rel));
        return count;
      case Record::kBadLength:
        // The record itself is sound and is written; only the list ends.
        doc().Report(Format("Error: COM Section record at Offset %X has length %d, list ended", Low32(rel),
                            static_cast<int>(length)), At(rel));
        return count + 1;
      case Record::kAtis:
        ++count;
        rel += length;
        break;
    }
  }
}

void ComSection::WriteSource() {
  out_.WriteNewline();
  out_.WriteSeparator();
  out_.WriteLine("; ATIS section");
  out_.WriteSeparator();
  budget_.Start(img_.size());
  BandWalk(data_, *this);
}

void ComSection::WriteBand(uint32_t offset) {
  // The stored offset is signed.
  for (int64_t rel = static_cast<int32_t>(offset);;) {
    if (budget_.spent()) return;
    int16_t length = 0;
    switch (ReadRecord(rel, length)) {
      case Record::kEnd:
        return;
      case Record::kUnknown:
        out_.Row<"; %s %X\n">(kBadId, Low32(rel));
        return;
      case Record::kOutside:
        out_.Row<"; Error: COM Section record at Offset %X runs past the end of the file\n">(Low32(rel));
        return;
      case Record::kOverRead:
        out_.WriteText("; " + OverReadText() + "\n");
        return;
      case Record::kBadLength:
        WriteRecord(At(rel));
        out_.Row<"; Error: COM Section record at Offset %X has length %d, list ended\n">(Low32(rel),
                    static_cast<int>(length));
        return;
      case Record::kAtis:
        WriteRecord(At(rel));
        rel += length;
        break;
    }
  }
}

// Writes one record whose fixed fields and terminated text lie inside the
// image.
void ComSection::WriteRecord(uint64_t p) {
  // The position texts begin with a blank and the frequency text ends in one.
  out_.SetLine("ATIS( %d", 2 * img_.U8(p + 9));
  out_.line += geo_.Lat24Text(img_.U32(p + 3));
  out_.line += geo_.Lon24Text(img_.U32(p + 6));
  out_.line += GeoText::FreqText2(img_.Ptr(p + 1, 2));
  out_.FlushLine();

  out_.WriteText(RunwaysText(p));
  out_.WriteNewline();
  out_.line = MessageText(p);
  out_.line += " )\n";
  out_.FlushLine();
}

std::string ComSection::RunwaysText(uint64_t p) const {
  const uint8_t* runways = img_.Ptr(p + 12, 4);
  return Format("%d%c %d%c %d%c %d%c", runways[0] & 0x3F, kDesignators[runways[0] >> 6], runways[1] & 0x3F,
                kDesignators[runways[1] >> 6], runways[2] & 0x3F, kDesignators[runways[2] >> 6],
                runways[3] & 0x3F, kDesignators[runways[3] >> 6]);
}

std::string ComSection::MessageText(uint64_t p) const {
  // The text as the assembler reads it back: no blanks or parentheses inside
  // a statement, and the bytes 0x80 to 0x93 escaped as "%" and a letter, A to
  // T.
  std::string text;
  for (uint64_t q = p + kFixedSize;; ++q) {
    const uint8_t b = img_.U8(q);
    if (b == 0) break;
    if (b == ' ') {
      text += '_';
    } else if (b == '(') {
      text += '{';
    } else if (b == ')') {
      text += '}';
    } else if (b >= 0x80 && b <= 0x93) {
      text += '%';
      text += static_cast<char>(b - 63);
    } else {
      text += static_cast<char>(b);
    }
  }
  return text;
}

void ComSection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  section.detailed = true;
  budget_.Start(img_.size());
  DescribeBandTable(0, section, [&](uint32_t records, AccountBand& band) {
    band.offset = At(static_cast<int32_t>(records));
    for (int64_t rel = static_cast<int32_t>(records); !budget_.spent();) {
      int16_t length = 0;
      const Record kind = ReadRecord(rel, length);
      if (kind != Record::kAtis && kind != Record::kBadLength) break;
      ++band.count;
      const uint64_t p = At(rel);
      if (AccountFeature* f = account.Add("atis", p)) {
        f->lat = GeoText::Lat24(img_.U32(p + 3));
        f->lon = GeoText::Lon24(img_.U32(p + 6));
        f->Number("frequency", GeoText::Freq2(img_.Ptr(p + 1, 2)))
            .Number("range", 2 * img_.U8(p + 9))
            .Text("runways", RunwaysText(p))
            .Text("text", MessageText(p));
      }
      if (kind == Record::kBadLength) break;
      rel += length;
    }
    section.Count("broadcasts", band.count);
  });
}

std::unique_ptr<BglSection> MakeComSection(CSkarnDoc& doc, uint64_t start) {
  return std::make_unique<ComSection>(doc, start);
}

}  // namespace skarn
