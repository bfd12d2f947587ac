#include "core/BglSection.h"

#include <cstring>
#include <limits>

#include "core/Format.h"
#include "core/SkarnDoc.h"

namespace skarn {

BglSection::BglSection(CSkarnDoc& doc, uint64_t start)
    : doc_(doc), img_(doc.image()), out_(doc.writer()), data_(start) {}

BglSection::~BglSection() = default;

void BglSection::WriteBand(uint32_t) {}

Host& BglSection::host() const { return doc_.host(); }

void BglSection::SetName(const char* name) {
  std::strncpy(name_, name, sizeof name_ - 1);
  name_[sizeof name_ - 1] = '\0';
}

uint64_t BglSection::At(int64_t rel) const {
  if (rel < 0 && static_cast<uint64_t>(-rel) > data_) return std::numeric_limits<uint64_t>::max();
  return data_ + static_cast<uint64_t>(rel);
}

std::string BglSection::NameAt(uint64_t p, size_t length) const {
  const uint8_t* field = img_.Ptr(p, length);
  return field != nullptr ? GeoText::NameText(field, length) : std::string();
}

BglSection::BandTableEnd BglSection::WalkBandTable(
    int64_t table, int64_t* at, const std::function<void(double lat1, double lat2, uint32_t records)>& band) const {
  constexpr uint8_t kBandId = 0x15;
  constexpr uint64_t kEntrySize = 9;
  for (int64_t entry = table;; entry += static_cast<int64_t>(kEntrySize)) {
    *at = entry;
    const uint64_t p = At(entry);
    if (!img_.Has(p, 1)) return BandTableEnd::kPastEnd;
    const uint8_t id = img_.U8(p);
    if (id == 0) return BandTableEnd::kEnd;
    if (id != kBandId) return BandTableEnd::kUnknownId;
    if (!img_.Has(p, kEntrySize)) return BandTableEnd::kPastEnd;
    band(GeoText::Lat16(img_.I16(p + 1)), GeoText::Lat16(img_.I16(p + 3)), img_.U32(p + 5));
  }
}

void BglSection::SummarizeBandTable(int64_t table, std::vector<std::string>& lines, const BandSummaryTexts& texts,
                                    const std::function<void(uint32_t records, std::string& line)>& count) {
  int64_t at = 0;
  const BandTableEnd end = WalkBandTable(table, &at, [&](double lat1, double lat2, uint32_t records) {
    // The two latitude texts share one buffer: the first is copied before
    // the second is made.
    std::string line = Format("%sLatitude Band %s to ", texts.indent, geo_.LatText(lat1));
    line += geo_.LatText(lat2);
    count(records, line);
    lines.push_back(std::move(line));
  });
  if (end == BandTableEnd::kPastEnd) {
    doc_.Report(Format("%s %X runs past the end of the file", texts.pastEnd, Low32(at)), At(at));
  } else if (end == BandTableEnd::kUnknownId) {
    doc_.Report(Format("%s %X", texts.unknownId, Low32(at)), At(at));
  }
}

void BglSection::DescribeBandTable(int64_t table, AccountSection& section,
                                   const std::function<void(uint32_t records, AccountBand& band)>& describe) {
  int64_t at = 0;
  WalkBandTable(table, &at, [&](double lat1, double lat2, uint32_t records) {
    AccountBand band;
    band.lat1 = lat1;
    band.lat2 = lat2;
    describe(records, band);
    section.bands.push_back(band);
  });
}

void BglSection::Describe(FileAccount&) {}

void BglSection::BandWalk(uint64_t table, BglSection& target) {
  out_.WriteNewline();
  for (uint64_t entry = table;; entry += 9) {
    if (!img_.Has(entry, 1)) {
      out_.Row<"; Error: LatBand table at %llX runs past the end of the file\n">(static_cast<unsigned long long>(entry - table));
      return;
    }
    const uint8_t id = img_.U8(entry);
    if (id == 0) return;
    if (id != 0x15) {
      // No line end: the text stands as it always has in these files.
      out_.Row<"; Error: unknown ID in LatBand table at %llX">(static_cast<unsigned long long>(entry - table));
      return;
    }
    if (!img_.Has(entry, 9)) {
      out_.Row<"; Error: LatBand table at %llX runs past the end of the file\n">(static_cast<unsigned long long>(entry - table));
      return;
    }
    out_.WriteNewline();
    out_.line = "; LatRange( ";
    out_.line += geo_.LatText(GeoText::Lat16(img_.I16(entry + 1)));
    out_.line += " ";
    out_.line += geo_.LatText(GeoText::Lat16(img_.I16(entry + 3)));
    out_.line += " )\n";
    out_.FlushLine();
    out_.WriteSeparator();
    target.WriteBand(img_.U32(entry + 5));
  }
}

}  // namespace skarn
