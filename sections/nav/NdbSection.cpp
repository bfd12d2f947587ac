#include "sections/nav/NdbSection.h"

#include <limits>
#include <memory>

#include "core/Format.h"
#include "core/SectionFactory.h"
#include "core/SkarnDoc.h"

namespace skarn {
namespace {

constexpr uint8_t kBandId = 0x15;
constexpr uint64_t kBandEntrySize = 9;
constexpr uint8_t kBeaconId = 4;
constexpr uint64_t kBeaconSize = 42;

constexpr const char* kTitle = "ADF Section:";
constexpr const char* kBadId = "Error: unknown ID in ADF Section at Offset";

// Offsets in messages: the low 32 bits, as the file's own offsets are.
unsigned Hex(int64_t rel) { return static_cast<uint32_t>(static_cast<uint64_t>(rel)); }

}  // namespace

NdbSection::NdbSection(CSkarnDoc& doc, uint64_t start) : BglSection(doc, start) { SetName("ADF"); }

uint64_t NdbSection::At(int64_t rel) const {
  if (rel < 0 && static_cast<uint64_t>(-rel) > data_) return std::numeric_limits<uint64_t>::max();
  return data_ + static_cast<uint64_t>(rel);
}

NdbSection::Record NdbSection::ReadRecord(int64_t rel) const {
  const uint64_t p = At(rel);
  if (!img_.Has(p, 1)) return Record::kOutside;
  const uint8_t id = img_.U8(p);
  if (id == 0) return Record::kEnd;
  if (id != kBeaconId) return Record::kUnknown;
  return img_.Has(p, kBeaconSize) ? Record::kBeacon : Record::kOutside;
}

std::string NdbSection::Name(uint64_t p, size_t length) const {
  const uint8_t* field = img_.Ptr(p, length);
  return field != nullptr ? GeoText::NameText(field, length) : std::string();
}

void NdbSection::Summarize(std::vector<std::string>& lines) {
  lines.emplace_back(kTitle);
  for (int64_t entry = 0;; entry += static_cast<int64_t>(kBandEntrySize)) {
    const uint64_t p = At(entry);
    if (!img_.Has(p, 1)) {
      doc().Report(Format("Error: ADF Section LatBand table at Offset %X runs past the end of the file", Hex(entry)));
      return;
    }
    const uint8_t id = img_.U8(p);
    if (id == 0) return;
    if (id != kBandId) {
      doc().Report(Format("%s %X", kBadId, Hex(entry)));
      return;
    }
    if (!img_.Has(p, kBandEntrySize)) {
      doc().Report(Format("Error: ADF Section LatBand table at Offset %X runs past the end of the file", Hex(entry)));
      return;
    }
    const int count = CountBeacons(img_.I32(p + 5));
    // The two latitude texts share one buffer: the first is copied first.
    std::string line = Format("   Latitude Band %s to ", geo_.LatText(GeoText::Lat16(img_.I16(p + 1))));
    line += geo_.LatText(GeoText::Lat16(img_.I16(p + 3)));
    Appendf(line, ": %d NDB entries", count);
    lines.push_back(std::move(line));
  }
}

int NdbSection::CountBeacons(int32_t list) {
  int count = 0;
  for (int64_t rel = list;; rel += static_cast<int64_t>(kBeaconSize)) {
    switch (ReadRecord(rel)) {
      case Record::kEnd:
        return count;
      case Record::kUnknown:
        // A list with a stranger in it is not counted at all.
        doc().Report(Format("%s %X", kBadId, Hex(rel)));
        return 0;
      case Record::kOutside:
        doc().Report(Format("Error: ADF Section record at Offset %X runs past the end of the file", Hex(rel)));
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
  BandWalk(data_, *this);
}

void NdbSection::WriteBand(uint32_t offset) {
  // The stored offset is signed.
  for (int64_t rel = static_cast<int32_t>(offset);; rel += static_cast<int64_t>(kBeaconSize)) {
    switch (ReadRecord(rel)) {
      case Record::kEnd:
        return;
      case Record::kUnknown:
        out_.Printf("; %s %X\n", kBadId, Hex(rel));
        return;
      case Record::kOutside:
        out_.Printf("; Error: ADF Section record at Offset %X runs past the end of the file\n", Hex(rel));
        return;
      case Record::kBeacon:
        break;
    }
    const uint64_t p = At(rel);
    // The frequency text ends in a blank of its own.
    const std::string frequency = GeoText::FreqText3(img_.Ptr(p + 1, 3));
    const std::string ident = Name(p + 13, 5);
    const std::string name = Name(p + 18, 24);
    out_.SetLine("NDB( %s %d %s %s %s %s %d )\n", frequency.c_str(), static_cast<int>(img_.U8(p + 12)),
                 ident.c_str(), name.c_str(), geo_.Lat24Text(img_.U32(p + 4)), geo_.Lon24Text(img_.U32(p + 7)),
                 static_cast<int>(img_.I16(p + 10)));
    out_.FlushLine();
  }
}

std::unique_ptr<BglSection> MakeNdbSection(CSkarnDoc& doc, uint64_t start) {
  return std::make_unique<NdbSection>(doc, start);
}

}  // namespace skarn
