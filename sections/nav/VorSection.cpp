#include "sections/nav/VorSection.h"

#include <cmath>
#include <memory>

#include "core/Format.h"
#include "core/SectionFactory.h"
#include "core/SkarnDoc.h"

namespace skarn {
namespace {

constexpr uint8_t kChannelId = 1;
constexpr uint64_t kChannelEntrySize = 5;

constexpr uint8_t kVor = 4;
constexpr uint8_t kIls = 5;
constexpr uint8_t kIls2 = 6;
constexpr uint8_t kDmePos = 0x14;

// Radians to degrees for the glide-slope angle: the factor these files have
// always been read with, a hair below 180 / pi, so that the digits written
// stay the same.
constexpr double kRadiansToDegrees = 57.29577951307855;

}  // namespace

VorSection::VorSection(CSkarnDoc& doc, uint64_t start, int32_t firstChannel, int32_t lastChannel)
    : BglSection(doc, start), firstChannel_(firstChannel), lastChannel_(lastChannel) {
  SetName("VOR");
}

double VorSection::FoldedAngle(uint16_t value) {
  const double degrees = GeoText::Angle16(value);
  return degrees > 180.0 ? 360.0 - degrees : degrees;
}

double VorSection::GlideSlopeAngle(int16_t value) { return std::asin(value / 131072.0) * kRadiansToDegrees; }

VorSection::Channel VorSection::ReadChannel(int64_t entry) const {
  // The id byte decides first: a bad id is reported as such even when the
  // file ends inside the entry.
  if (!Has(entry, 1)) return Channel::kOutside;
  if (img_.U8(At(entry)) != kChannelId) return Channel::kUnknown;
  return Has(entry, kChannelEntrySize) ? Channel::kEntry : Channel::kOutside;
}

VorSection::Record VorSection::ReadRecord(int64_t rel, uint64_t& size) const {
  const uint64_t p = At(rel);
  if (!img_.Has(p, 1)) return Record::kOutside;
  Record kind = Record::kStation;
  switch (img_.U8(p)) {
    case 0:
      return Record::kEnd;
    case kVor:
      size = 44;
      break;
    case kIls:
      size = 54;
      break;
    case kIls2:
      size = 56;
      break;
    case kDmePos:
      size = 17;
      kind = Record::kDme;
      break;
    default:
      return Record::kUnknown;
  }
  return img_.Has(p, size) ? kind : Record::kOutside;
}

std::string VorSection::OverReadText() const {
  return Format("Error: VOR Section lists are shared too often (more than %llu records read); "
                "no more records are read",
                static_cast<unsigned long long>(img_.size()));
}

// ---------------------------------------------------------------------------
// Summary

void VorSection::Summarize(std::vector<std::string>& lines) {
  lines.emplace_back("VOR/ILS Section:");
  budget_.Start(img_.size());
  // 64-bit channel numbers: the loop must end even at the top of the range.
  for (int64_t channel = firstChannel_; channel <= lastChannel_ && !budget_.spent(); ++channel) {
    const int64_t entry = static_cast<int64_t>(kChannelEntrySize) * (channel - firstChannel_);
    const Channel kind = ReadChannel(entry);
    if (kind == Channel::kUnknown) {
      doc().Report(Format("Error: unknown ID in VOR section, frequency table, channel %lld",
                          static_cast<long long>(channel)), At(entry));
      return;
    }
    if (kind == Channel::kOutside) {
      doc().Report(Format("Error: VOR section, frequency table, channel %lld runs past the end of the file",
                          static_cast<long long>(channel)), At(entry));
      return;
    }
    const int32_t table = img_.I32(At(entry) + 1);
    if (table == 0) continue;
    lines.push_back(Format("   frequency %.2f", ChannelFrequency(channel)));
    SummarizeBandTable(table, lines,
                       {"      ", "Error: VOR Section, LatBand table at Offset",
                        "Error: unknown ID in VOR Section, LatBand table at Offset"},
                       [this](uint32_t records, std::string& line) {
                         Appendf(line, ": %d VOR/ILS entries", CountStations(static_cast<int32_t>(records)));
                       });
  }
}

int VorSection::CountStations(int32_t list) {
  int count = 0;
  int64_t rel = list;
  for (;;) {
    if (budget_.spent()) return count;
    // Every record read takes one from the allowance, the list's final 0
    // too, so that each band takes at least one.
    if (!budget_.Take()) {
      doc().Report(OverReadText(), At(rel));
      return count;
    }
    uint64_t size = 0;
    switch (ReadRecord(rel, size)) {
      case Record::kEnd:
        return count;
      case Record::kUnknown:
        doc().Report(Format("Error: unknown ID in VOR Section at %X", Low32(rel)), At(rel));
        return count;
      case Record::kOutside:
        doc().Report(Format("Error: VOR Section record at %X runs past the end of the file", Low32(rel)), At(rel));
        return count;
      case Record::kStation:
        ++count;
        break;
      case Record::kDme:
        break;
    }
    rel += static_cast<int64_t>(size);
  }
}

// ---------------------------------------------------------------------------
// Source

void VorSection::WriteSource() {
  out_.WriteNewline();
  out_.WriteSeparator();
  out_.WriteText("; VOR/ILS Section\n");
  out_.WriteSeparator();
  budget_.Start(img_.size());
  for (int64_t channel = firstChannel_; channel <= lastChannel_ && !budget_.spent(); ++channel) {
    const int64_t entry = static_cast<int64_t>(kChannelEntrySize) * (channel - firstChannel_);
    const Channel kind = ReadChannel(entry);
    if (kind == Channel::kUnknown) {
      out_.Row<"; Error: unknown ID in VOR section, frequency table, channel %lld\n">(static_cast<long long>(channel));
      return;
    }
    if (kind == Channel::kOutside) {
      out_.Row<"; Error: VOR section, frequency table, channel %lld runs past the end of the file\n">(static_cast<long long>(channel));
      return;
    }
    const int32_t table = img_.I32(At(entry) + 1);
    if (table == 0) continue;
    frequency_ = ChannelFrequency(channel);
    out_.WriteNewline();
    out_.Row<"; frequency %6.2f\n">(frequency_);
    // The walker reports a table that leaves the image.
    BandWalk(At(table), *this);
  }
}

void VorSection::WriteBand(uint32_t offset) {
  // The stored offset is signed.
  int64_t rel = static_cast<int32_t>(offset);
  for (;;) {
    if (budget_.spent()) return;
    if (!budget_.Take()) {
      out_.WriteText("; " + OverReadText() + "\n");
      return;
    }
    uint64_t size = 0;
    switch (ReadRecord(rel, size)) {
      case Record::kEnd:
        return;
      case Record::kUnknown:
        // No line end: the next band's blank line closes the comment.
        out_.Row<"; Error: unknown ID in VOR Section at %X">(Low32(rel));
        return;
      case Record::kOutside:
        out_.Row<"; Error: VOR Section record at %X runs past the end of the file\n">(Low32(rel));
        return;
      case Record::kStation:
      case Record::kDme:
        break;
    }
    const uint64_t p = At(rel);
    WriteStation(p, img_.U8(p));
    rel += static_cast<int64_t>(size);
  }
}

void VorSection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  section.detailed = true;
  budget_.Start(img_.size());
  for (int64_t channel = firstChannel_; channel <= lastChannel_ && !budget_.spent(); ++channel) {
    const int64_t entry = static_cast<int64_t>(kChannelEntrySize) * (channel - firstChannel_);
    if (ReadChannel(entry) != Channel::kEntry) return;
    const int32_t table = img_.I32(At(entry) + 1);
    if (table == 0) continue;
    frequency_ = ChannelFrequency(channel);
    DescribeBandTable(table, section, [&](uint32_t records, AccountBand& band) {
      band.frequency = frequency_;
      band.offset = At(static_cast<int32_t>(records));
      for (int64_t rel = static_cast<int32_t>(records); budget_.Take();) {
        uint64_t size = 0;
        const Record kind = ReadRecord(rel, size);
        if (kind != Record::kStation && kind != Record::kDme) break;
        if (kind == Record::kStation) ++band.count;
        DescribeStation(At(rel), img_.U8(At(rel)), account);
        rel += static_cast<int64_t>(size);
      }
      section.Count("stations", band.count);
    });
  }
}

// Adds one station record that lies wholly inside the image.
void VorSection::DescribeStation(uint64_t p, uint8_t id, FileAccount& account) {
  if (id == kDmePos) {
    if (AccountFeature* f = account.Add("dme", p)) {
      f->lat = GeoText::Lat24(img_.U32(p + 9));
      f->lon = GeoText::Lon24(img_.U32(p + 12));
      f->Number("frequency", frequency_).Number("dme", img_.U16(p + 7)).Number("altitude", img_.I16(p + 15));
    }
    return;
  }
  AccountFeature* f = account.Add(id == kVor ? "vor" : id == kIls ? "ils" : "ils2", p);
  if (f == nullptr) return;
  f->lat = GeoText::Lat24(img_.U32(p + 5));
  f->lon = GeoText::Lon24(img_.U32(p + 8));
  f->ident = NameAt(p + 15, 5);
  f->name = NameAt(p + 20, 24);
  f->Number("frequency", frequency_)
      .Number("range", img_.U8(p + 1))
      .Number("flags", img_.U8(p + 4))
      .Number("magvar", FoldedAngle(img_.U16(p + 2)))
      .Number("altitude", img_.I16(p + 11));
  if (id == kVor) return;
  f->Number("heading", GeoText::Angle16(img_.U16(p + 13)))
      .Number("gs_lat", GeoText::Lat24(img_.U32(p + 44)))
      .Number("gs_lon", GeoText::Lon24(img_.U32(p + 47)))
      .Number("gs_altitude", img_.I16(p + 50))
      .Number("gs_angle", GlideSlopeAngle(img_.I16(p + 52)));
  if (id == kIls2) f->Number("gs_extra", img_.I16(p + 54));
}

// Writes one station record that lies wholly inside the image.
void VorSection::WriteStation(uint64_t p, uint8_t id) {
  if (id == kDmePos) {
    out_.SetLine("DMEPos( %6.2f %d %s %s %d )\n", frequency_, static_cast<int>(img_.U16(p + 7)),
                 geo_.Lat24Text(img_.U32(p + 9)), geo_.Lon24Text(img_.U32(p + 12)),
                 static_cast<int>(img_.I16(p + 15)));
    out_.FlushLine();
    return;
  }

  const char* keyword = id == kVor ? "VOR" : id == kIls ? "ILS" : "ILS2";
  const std::string ident = NameAt(p + 15, 5);
  const std::string name = NameAt(p + 20, 24);
  out_.SetLine("%s( %6.2f %d %X %5.2f %s %s\n", keyword, frequency_, static_cast<int>(img_.U8(p + 1)),
               static_cast<unsigned>(img_.U8(p + 4)), FoldedAngle(img_.U16(p + 2)), ident.c_str(), name.c_str());
  out_.FlushLine();

  const char* lat = geo_.Lat24Text(img_.U32(p + 5));
  const char* lon = geo_.Lon24Text(img_.U32(p + 8));
  const int altitude = img_.I16(p + 11);
  if (id == kVor) {
    // A VOR has no heading: the statement holds a 0 in its place.
    out_.SetLine("\t%s %s %d 0 )\n", lat, lon, altitude);
    out_.FlushLine();
    return;
  }
  out_.SetLine("\t%s %s %d %7.2f\n", lat, lon, altitude, GeoText::Angle16(img_.U16(p + 13)));
  out_.FlushLine();

  const char* slopeLat = geo_.Lat24Text(img_.U32(p + 44));
  const char* slopeLon = geo_.Lon24Text(img_.U32(p + 47));
  const int slopeAltitude = img_.I16(p + 50);
  const double slopeAngle = GlideSlopeAngle(img_.I16(p + 52));
  if (id == kIls) {
    out_.SetLine("\t%s %s %d %5.2f )\n", slopeLat, slopeLon, slopeAltitude, slopeAngle);
  } else {
    out_.SetLine("\t%s %s %d %5.2f %d)\n", slopeLat, slopeLon, slopeAltitude, slopeAngle,
                 static_cast<int>(img_.I16(p + 54)));
  }
  out_.FlushLine();
}

std::unique_ptr<BglSection> MakeVorSection(CSkarnDoc& doc, uint64_t start, int32_t firstChannel,
                                           int32_t lastChannel) {
  return std::make_unique<VorSection>(doc, start, firstChannel, lastChannel);
}

}  // namespace skarn
