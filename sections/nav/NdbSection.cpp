#include "sections/nav/NdbSection.h"

#include <memory>

#include "core/Format.h"
#include "core/SectionFactory.h"
#include "core/SkarnDoc.h"

namespace skarn {
namespace {

constexpr uint8_t kBeaconId = 4;
constexpr uint64_t kBeaconSize = 42;

constexpr const char* kTitle = "ADF Section:";
constexpr const char* kBadId = "Error: unknown ID in ADF Section at Offset";

}  // namespace

NdbSection::NdbSection(CSkarnDoc& doc, uint64_t start) : BglSection(doc, start) { SetName("ADF"); }

NdbSection::Record NdbSection::ReadRecord(int64_t rel) const {
  const uint64_t p = At(rel);
  if (!img_.Has(p, 1)) return Record::kOutside;
  const uint8_t id = img_.U8(p);
  if (id == 0) return Record::kEnd;
  if (id != kBeaconId) return Record::kUnknown;
  return img_.Has(p, kBeaconSize) ? Record::kBeacon : Record::kOutside;
}

std::string NdbSection::OverReadText() const {
  return Format("Error: ADF Section lists are shared too often (more than %llu records read); "
                "no more records are read",
                static_cast<unsigned long long>(img_.size()));
}

void NdbSection::Summarize(std::vector<std::string>& lines) {
  lines.emplace_back(kTitle);
  budget_.Start(img_.size());
  SummarizeBandTable(0, lines, {"   ", "Error: ADF Section LatBand table at Offset", kBadId},
                     [this](uint32_t records, std::string& line) {
                       Appendf(line, ": %d NDB entries", CountBeacons(static_cast<int32_t>(records)));
                     });
}

int NdbSection::CountBeacons(int32_t list) {
  int count = 0;
  for (int64_t rel = list;; rel += static_cast<int64_t>(kBeaconSize)) {
    if (budget_.spent()) return count;
    if (!budget_.Take()) {
      doc().Report(OverReadText(), At(rel));
      return count;
    }
    switch (ReadRecord(rel)) {
      case Record::kEnd:
        return count;
      case Record::kUnknown:
        // A list with a stranger in it is not counted at all.
        doc().Report(Format("%s %X", kBadId, Low32(rel)), At(rel));
        return 0;
      case Record::kOutside:
        doc().Report(Format("Error: ADF Section record at Offset %X runs past the end of the file", Low32(rel)), At(rel));
        return count;
      case Record::kBeacon:
        ++count;
        break;
    }
  }
}

void NdbSection::WriteSource() {
  out_.WriteNewline();
  out_.WriteSeparator();
  out_.WriteText("; ADF section\n");
  out_.WriteSeparator();
  budget_.Start(img_.size());
  BandWalk(data_, *this);
}

void NdbSection::WriteBand(uint32_t offset) {
  // The stored offset is signed.
  for (int64_t rel = static_cast<int32_t>(offset);; rel += static_cast<int64_t>(kBeaconSize)) {
    if (budget_.spent()) return;
    if (!budget_.Take()) {
      out_.WriteText("; " + OverReadText() + "\n");
      return;
    }
    switch (ReadRecord(rel)) {
      case Record::kEnd:
        return;
      case Record::kUnknown:
        out_.Row<"; %s %X\n">(kBadId, Low32(rel));
        return;
      case Record::kOutside:
        out_.Row<"; Error: ADF Section record at Offset %X runs past the end of the file\n">(Low32(rel));
        return;
      case Record::kBeacon:
        break;
    }
    const uint64_t p = At(rel);
    // The frequency text ends in a blank of its own.
    const std::string frequency = GeoText::FreqText3(img_.Ptr(p + 1, 3));
    const std::string ident = NameAt(p + 13, 5);
    const std::string name = NameAt(p + 18, 24);
    out_.SetLine("NDB( %s %d %s %s %s %s %d )\n", frequency.c_str(), static_cast<int>(img_.U8(p + 12)),
                 ident.c_str(), name.c_str(), geo_.Lat24Text(img_.U32(p + 4)), geo_.Lon24Text(img_.U32(p + 7)),
                 static_cast<int>(img_.I16(p + 10)));
    out_.FlushLine();
  }
}

void NdbSection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  section.detailed = true;
  budget_.Start(img_.size());
  DescribeBandTable(0, section, [&](uint32_t records, AccountBand& band) {
    band.offset = At(static_cast<int32_t>(records));
    for (int64_t rel = static_cast<int32_t>(records); budget_.Take() && ReadRecord(rel) == Record::kBeacon;
         rel += static_cast<int64_t>(kBeaconSize)) {
      ++band.count;
      const uint64_t p = At(rel);
      if (AccountFeature* f = account.Add("ndb", p)) {
        f->lat = GeoText::Lat24(img_.U32(p + 4));
        f->lon = GeoText::Lon24(img_.U32(p + 7));
        f->ident = NameAt(p + 13, 5);
        f->name = NameAt(p + 18, 24);
        f->Number("frequency", GeoText::Freq3(img_.Ptr(p + 1, 3)))
            .Number("range", img_.U8(p + 12))
            .Number("altitude", img_.I16(p + 10));
      }
    }
    section.Count("beacons", band.count);
  });
}

std::unique_ptr<BglSection> MakeNdbSection(CSkarnDoc& doc, uint64_t start) {
  return std::make_unique<NdbSection>(doc, start);
}

}  // namespace skarn
