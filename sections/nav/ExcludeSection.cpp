#include "sections/nav/ExcludeSection.h"

#include "core/Format.h"
#include "core/SectionFactory.h"
#include "core/SkarnDoc.h"

namespace skarn {

namespace {

constexpr uint8_t kAreaId = 3;
constexpr uint8_t kObjectId = 4;
constexpr uint64_t kAreaSize = 19;
constexpr uint64_t kObjectSize = 13;

// A list that runs off the file before its terminating 0 (or a record cut
// off by the end of the file).
std::string PastEnd(uint32_t at) { return Format("Error: Excl Section at %X runs past the end of the file", at); }

}  // namespace

ExcludeSection::Record ExcludeSection::ReadRecord(uint64_t p) const {
  if (!img_.Has(p, 1)) return Record::kPastEnd;
  switch (img_.U8(p)) {
    case 0:
      return Record::kEnd;
    case kAreaId:
      return img_.Has(p, kAreaSize) ? Record::kArea : Record::kPastEnd;
    case kObjectId:
      return img_.Has(p, kObjectSize) ? Record::kObject : Record::kPastEnd;
    default:
      return Record::kUnknownId;
  }
}

void ExcludeSection::Summarize(std::vector<std::string>& lines) {
  lines.emplace_back("Exclude section:");
  int objects = 0;
  for (uint64_t p = data_;;) {
    switch (ReadRecord(p)) {
      case Record::kEnd:
        if (objects > 0) lines.push_back(Format("   %d excluded object(s)", objects));
        return;
      case Record::kArea: {
        // Ranges from the second value to the first. The texts share one
        // buffer per kind, so each is copied before the next is made.
        std::string line = "   Exclude area, Latitude ";
        line += geo_.Lat32Text(img_.I32(p + 7));
        line += " to ";
        line += geo_.Lat32Text(img_.I32(p + 3));
        line += ", Longitude ";
        line += geo_.Lon32Text(img_.I32(p + 15));
        line += " to ";
        line += geo_.Lon32Text(img_.I32(p + 11));
        lines.push_back(std::move(line));
        p += kAreaSize;
        break;
      }
      case Record::kObject:
        ++objects;
        p += kObjectSize;
        break;
      case Record::kUnknownId:
        doc().Report(Format("Error: unknown ID in Excl Section at %X", OffsetOf(p)), p);
        return;
      case Record::kPastEnd:
        doc().Report(PastEnd(OffsetOf(p)), p);
        return;
    }
  }
}

std::string ExcludeSection::AreaCoordinates(uint64_t p) {
  std::string text = geo_.Lat32Text(img_.I32(p + 3));
  text += geo_.Lat32Text(img_.I32(p + 7));
  text += geo_.Lon32Text(img_.I32(p + 11));
  text += geo_.Lon32Text(img_.I32(p + 15));
  return text;
}

void ExcludeSection::WriteSource() {
  out_.WriteText("\n");
  out_.WriteSeparator();
  out_.WriteText("; Exclude section\n");
  out_.WriteSeparator();
  // Areas and objects are numbered together: the generated file names skip
  // the numbers the objects take.
  int n = 0;
  for (uint64_t p = data_;;) {
    switch (ReadRecord(p)) {
      case Record::kEnd:
        return;
      case Record::kArea: {
        // The flags are a signed 16-bit field, printed widened with its sign.
        const auto flags = static_cast<uint32_t>(static_cast<int32_t>(img_.I16(p + 1)));
        const std::string coordinates = AreaCoordinates(p);
        out_.SetLine("GenExcl( Gen_exc%d.bgl %X\n\t", n, flags);
        out_.line += coordinates;
        out_.line += "\n\t";
        out_.line += coordinates;
        out_.line += " )\n";
        out_.FlushLine();
        ++n;
        p += kAreaSize;
        break;
      }
      case Record::kObject:
        out_.WriteText("; Exclude Object instruction not supported by SCASM\n");
        out_.Row<";; ExcludeObject( %s %s %X %.2X %.2X %.2X )\n">(geo_.Lat32Text(img_.I32(p + 1)),
                    geo_.Lon32Text(img_.I32(p + 5)), static_cast<unsigned>(img_.U8(p + 9)),
                    static_cast<unsigned>(img_.U8(p + 10)), static_cast<unsigned>(img_.U8(p + 11)),
                    static_cast<unsigned>(img_.U8(p + 12)));
        ++n;
        p += kObjectSize;
        break;
      case Record::kUnknownId:
        out_.Row<"; Error: unknown ID in Excl Section at %X\n">(OffsetOf(p));
        return;
      case Record::kPastEnd:
        out_.WriteText("; " + PastEnd(OffsetOf(p)) + "\n");
        return;
    }
  }
}

void ExcludeSection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  section.detailed = true;
  for (uint64_t p = data_;;) {
    const Record kind = ReadRecord(p);
    if (kind == Record::kArea) {
      section.Count("areas", 1);
      if (AccountFeature* f = account.Add("exclusion", p)) {
        const double north = img_.I32(p + 3) * GeoText::kMetreLatitude;
        const double south = img_.I32(p + 7) * GeoText::kMetreLatitude;
        const double east = GeoText::Lon32(img_.I32(p + 11));
        const double west = GeoText::Lon32(img_.I32(p + 15));
        f->lat = (north + south) / 2.0;
        f->lon = (east + west) / 2.0;
        f->Number("north", north).Number("south", south).Number("east", east).Number("west", west);
        f->Number("flags", static_cast<uint16_t>(img_.I16(p + 1)));
      }
      p += kAreaSize;
    } else if (kind == Record::kObject) {
      section.Count("objects", 1);
      if (AccountFeature* f = account.Add("exclude_object", p)) {
        f->lat = img_.I32(p + 1) * GeoText::kMetreLatitude;
        f->lon = GeoText::Lon32(img_.I32(p + 5));
      }
      p += kObjectSize;
    } else {
      return;
    }
  }
}

std::unique_ptr<BglSection> MakeExcludeSection(CSkarnDoc& doc, uint64_t start) {
  return std::make_unique<ExcludeSection>(doc, start);
}

}  // namespace skarn
