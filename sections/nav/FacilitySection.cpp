#include "sections/nav/FacilitySection.h"

#include <string_view>

#include "core/Format.h"
#include "core/SectionFactory.h"
#include "core/SkarnDoc.h"

namespace skarn {

namespace {

constexpr uint8_t kRegionId = 1;
constexpr uint8_t kAirportId = 3;
// Fixed fields before the zero-terminated names.
constexpr uint64_t kRegionFixed = 7;
constexpr uint64_t kAirportFixed = 27;

// The error texts of a broken chain; the same words go into the message
// (summary) and into the "; Error:" comment (source).
std::string RegionPastEnd(uint32_t at) {
  return Format("Error: Menu section at offset %X runs past the end of the file", at);
}
std::string RegionBadLength(int length, uint32_t at) {
  return Format("Error: bad record length %d in Menu section at offset %X", length, at);
}
std::string AirportPastEnd(uint32_t at) {
  return Format("Error: Airport section at offset %X runs past the end of the file", at);
}
std::string AirportBadLength(int length, uint32_t at) {
  return Format("Error: bad record length %d in Airport section at offset %X", length, at);
}

// Section start + a signed 32-bit offset. A result before the file's start
// wraps to a huge value, which no bounds check lets through.
uint64_t Displace(uint64_t base, int32_t offset) {
  return base + static_cast<uint64_t>(static_cast<int64_t>(offset));
}

}  // namespace

FacilitySection::FacilitySection(CSkarnDoc& doc, uint64_t start) : BglSection(doc, start) { SetName("FAC"); }

FacilitySection::Text FacilitySection::TextLength(uint64_t p, uint64_t& length) {
  if (!img_.Has(p, 0)) return Text::kOutside;
  const uint64_t room = img_.size() - p;
  // The search reads no further than the allowance, nor past the image (so
  // it leaves the reader's error flag alone).
  bool terminated = false;
  const std::string_view found = img_.Text(p, budget_.Reach(room), &terminated);
  if (!terminated) {
    budget_.Take(found.size());
    if (found.size() == room) return Text::kOutside;
    budget_.Stop();
    return Text::kOverRead;
  }
  length = found.size();
  budget_.Take(length + 1);
  return Text::kFound;
}

std::string FacilitySection::OverReadText() const {
  return Format("Error: Menu section lists are shared too often (more than %llu bytes read); "
                "no more records are read",
                static_cast<unsigned long long>(img_.size()));
}

void FacilitySection::OverRead(bool summary) {
  if (summary) {
    doc().Report(OverReadText());
  } else {
    WriteError(OverReadText());
  }
}

void FacilitySection::WriteError(const std::string& text) {
  out_.WriteText("; ");
  out_.WriteText(text);
  out_.WriteNewline();
}

// ---------------------------------------------------------------------------
// Summary: the regions with their airport counts. Identifiers are not looked
// at here; only the chain of record lengths is followed.

void FacilitySection::Summarize(std::vector<std::string>& lines) {
  lines.emplace_back("Facilities section (old style):");
  budget_.Start(img_.size());
  CountMemo memo;
  for (uint64_t p = data_;;) {
    if (!budget_.Take()) {
      OverRead(true);
      return;
    }
    if (!img_.Has(p, 1)) {
      doc().Report(RegionPastEnd(OffsetOf(p)), p);
      return;
    }
    if (img_.U8(p) == 0) return;
    uint64_t nameLength = 0;
    const Text name = img_.Has(p, kRegionFixed) ? TextLength(p + kRegionFixed, nameLength) : Text::kOutside;
    if (name == Text::kOverRead) {
      OverRead(true);
      return;
    }
    if (name == Text::kOutside) {
      doc().Report(RegionPastEnd(OffsetOf(p)), p);
      return;
    }
    const int16_t length = img_.I16(p + 1);
    const uint8_t* text = img_.Ptr(p + kRegionFixed, nameLength);
    int count = 0;
    const bool whole = CountAirports(Displace(data_, img_.I32(p + 3)), memo, count);
    lines.push_back(Format("   Region %s: %d entries",
                           std::string(reinterpret_cast<const char*>(text), nameLength).c_str(), count));
    // One fault ends the section's summary: a damaged file reports once.
    if (!whole) return;
    if (length <= 0) {
      doc().Report(RegionBadLength(length, OffsetOf(p)), p);
      return;
    }
    p += static_cast<uint64_t>(length);
  }
}

bool FacilitySection::CountAirports(uint64_t p, CountMemo& memo, int& count) {
  std::vector<uint64_t> walked;
  int tail = 0;
  bool whole = true;
  for (uint64_t q = p;;) {
    if (const auto known = memo.find(q); known != memo.end()) {
      tail = known->second;
      break;
    }
    if (!budget_.Take()) {
      OverRead(true);
      whole = false;
      break;
    }
    if (!img_.Has(q, 1)) {
      doc().Report(AirportPastEnd(OffsetOf(q)), q);
      whole = false;
      break;
    }
    if (img_.U8(q) == 0) break;
    uint64_t nameLength = 0;
    const Text name = img_.Has(q, kAirportFixed) ? TextLength(q + kAirportFixed, nameLength) : Text::kOutside;
    if (name != Text::kFound) {
      if (name == Text::kOverRead) {
        OverRead(true);
      } else {
        doc().Report(AirportPastEnd(OffsetOf(q)), q);
      }
      whole = false;
      break;
    }
    walked.push_back(q);
    const int16_t length = img_.I16(q + 1);
    if (length <= 0) {
      doc().Report(AirportBadLength(length, OffsetOf(q)), q);
      whole = false;
      break;
    }
    q += static_cast<uint64_t>(length);
  }
  const int n = static_cast<int>(walked.size());
  count = tail + n;
  if (whole) {
    for (int i = 0; i < n; ++i) memo[walked[static_cast<size_t>(i)]] = tail + n - i;
  }
  return whole;
}

// ---------------------------------------------------------------------------
// Source: one Menu line per region, one three-line MenuEntry per airport.

void FacilitySection::WriteSource() {
  out_.WriteText("\n");
  out_.WriteSeparator();
  out_.WriteText("; Facilities section (old style)\n");
  out_.WriteSeparator();
  budget_.Start(img_.size());
  for (uint64_t p = data_; !budget_.spent();) {
    if (!budget_.Take()) {
      OverRead(false);
      return;
    }
    if (!img_.Has(p, 1)) {
      WriteError(RegionPastEnd(OffsetOf(p)));
      return;
    }
    const uint8_t id = img_.U8(p);
    if (id == 0) return;
    if (id != kRegionId) {
      out_.Row<"; Error: unknown ID in Menu section at offset %X\n">(OffsetOf(p));
      return;
    }
    uint64_t nameLength = 0;
    const Text name = img_.Has(p, kRegionFixed) ? TextLength(p + kRegionFixed, nameLength) : Text::kOutside;
    if (name == Text::kOverRead) {
      OverRead(false);
      return;
    }
    if (name == Text::kOutside) {
      WriteError(RegionPastEnd(OffsetOf(p)));
      return;
    }
    out_.Row<"Menu( %s )\n">(GeoText::NameText(img_.Ptr(p + kRegionFixed, nameLength), nameLength).c_str());
    WriteAirports(Displace(data_, img_.I32(p + 3)));
    if (budget_.spent()) return;
    // The record itself was sound; only the way to the next one is lost.
    const int16_t length = img_.I16(p + 1);
    if (length <= 0) {
      WriteError(RegionBadLength(length, OffsetOf(p)));
      return;
    }
    p += static_cast<uint64_t>(length);
  }
}

void FacilitySection::WriteAirports(uint64_t p) {
  for (;;) {
    if (!budget_.Take()) {
      OverRead(false);
      return;
    }
    if (!img_.Has(p, 1)) {
      WriteError(AirportPastEnd(OffsetOf(p)));
      return;
    }
    const uint8_t id = img_.U8(p);
    if (id == 0) return;
    if (id != kAirportId) {
      out_.Row<"; Error: unknown ID in Airport section at offset %X\n">(OffsetOf(p));
      return;
    }
    uint64_t nameLength = 0;
    const Text name = img_.Has(p, kAirportFixed) ? TextLength(p + kAirportFixed, nameLength) : Text::kOutside;
    if (name == Text::kOverRead) {
      OverRead(false);
      return;
    }
    if (name == Text::kOutside) {
      WriteError(AirportPastEnd(OffsetOf(p)));
      return;
    }
    // Latitude in 1/128 m, longitude in 2^32 units to the circle, altitude
    // in 1/256 m; angles in 2^16 units to the circle.
    out_.Row<"\tMenuEntry( %s %s %.0f %.0f\n">(geo_.LatText(GeoText::Lat32Fine(img_.I32(p + 3))),
                geo_.LonText(GeoText::Lon32(img_.I32(p + 7))), img_.I32(p + 11) / 256.0,
                GeoText::Angle16(img_.U16(p + 15)));
    // Each frequency text begins and ends with a blank of its own.
    out_.Row<"\t%s %s %.0f %s %.0f\n">(GeoText::FreqText2(img_.Ptr(p + 17, 2)).c_str(),
                GeoText::FreqText2(img_.Ptr(p + 19, 2)).c_str(), GeoText::Angle16(img_.U16(p + 21)),
                GeoText::FreqText2(img_.Ptr(p + 23, 2)).c_str(), GeoText::Angle16(img_.U16(p + 25)));
    out_.Row<"\t%s )\n">(GeoText::NameText(img_.Ptr(p + kAirportFixed, nameLength), nameLength).c_str());
    const int16_t length = img_.I16(p + 1);
    if (length <= 0) {
      WriteError(AirportBadLength(length, OffsetOf(p)));
      return;
    }
    p += static_cast<uint64_t>(length);
  }
}

void FacilitySection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  section.detailed = true;
  budget_.Start(img_.size());
  for (uint64_t p = data_; budget_.Take() && img_.Has(p, kRegionFixed) && img_.U8(p) == kRegionId;) {
    uint64_t nameLength = 0;
    if (TextLength(p + kRegionFixed, nameLength) != Text::kFound) return;
    const std::string region = GeoText::NameText(img_.Ptr(p + kRegionFixed, nameLength), nameLength);
    section.Count("regions", 1);
    section.Count("airports", DescribeAirports(Displace(data_, img_.I32(p + 3)), region, account));
    const int16_t length = img_.I16(p + 1);
    if (length <= 0) return;
    p += static_cast<uint64_t>(length);
  }
}

int64_t FacilitySection::DescribeAirports(uint64_t p, const std::string& region, FileAccount& account) {
  int64_t count = 0;
  while (budget_.Take() && img_.Has(p, kAirportFixed) && img_.U8(p) == kAirportId) {
    uint64_t nameLength = 0;
    if (TextLength(p + kAirportFixed, nameLength) != Text::kFound) break;
    ++count;
    if (AccountFeature* f = account.Add("menu_airport", p, false)) {
      f->lat = GeoText::Lat32Fine(img_.I32(p + 3));
      f->lon = GeoText::Lon32(img_.I32(p + 7));
      f->name = GeoText::NameText(img_.Ptr(p + kAirportFixed, nameLength), nameLength);
      f->Text("region", region)
          .Number("altitude", img_.I32(p + 11) / 256.0)
          .Number("angle1", GeoText::Angle16(img_.U16(p + 15)))
          .Number("frequency1", GeoText::Freq2(img_.Ptr(p + 17, 2)))
          .Number("frequency2", GeoText::Freq2(img_.Ptr(p + 19, 2)))
          .Number("angle2", GeoText::Angle16(img_.U16(p + 21)))
          .Number("frequency3", GeoText::Freq2(img_.Ptr(p + 23, 2)))
          .Number("angle3", GeoText::Angle16(img_.U16(p + 25)));
    }
    const int16_t length = img_.I16(p + 1);
    if (length <= 0) break;
    p += static_cast<uint64_t>(length);
  }
  return count;
}

std::unique_ptr<BglSection> MakeFacilitySection(CSkarnDoc& doc, uint64_t start) {
  return std::make_unique<FacilitySection>(doc, start);
}

}  // namespace skarn
