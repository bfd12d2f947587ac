#include "sections/scenery/MiscSection.h"

#include <algorithm>

#include "core/Format.h"
#include "core/SectionFactory.h"
#include "core/SkarnDoc.h"
#include "sections/procedural/ProceduralSection.h"

namespace skarn {

namespace {

// Record identifiers.
constexpr uint8_t kInnerMarker = 4;
constexpr uint8_t kMiddleMarker = 5;
constexpr uint8_t kOuterMarker = 6;
constexpr uint8_t kLandMe = 7;
constexpr uint8_t kTimeZone = 0x64;
constexpr uint8_t kCommandArea = 0x65;
constexpr uint8_t kFlatten = 0xE6;

// Fixed record sizes. A marker is always 11 bytes. The summary steps over a
// land-me point by 55 and a time zone by 18 whatever their length bytes say,
// while the source follows the length bytes; the two walks can therefore
// disagree on where the following record starts, and each keeps its own rule.
// The summary reads nothing of a record but its identifier and length, so it
// counts every record whose identifier (and length field) it can read. The
// source writes a record when all the bytes it reads lie in the file. Either
// walk then steps on by the record's length and stops, with a message, when
// the next identifier would lie outside the file.
constexpr uint64_t kMarkerSize = 11;
constexpr uint64_t kLandMeSize = 55;
constexpr uint64_t kTimeZoneSize = 18;
constexpr uint64_t kCommandAreaHeader = 14;  // the commands follow
constexpr uint64_t kFlattenHeader = 10;      // identifier .. vertex count

// A land-me record's length is one byte, so its zero-terminated name (at
// offset 22), terminator included, ends within this many bytes of the record
// start.
constexpr uint64_t kLandMeNameAt = 22;
constexpr uint64_t kLandMeLimit = 255;

// Flatten vertices store latitude and longitude alike as fractions of the
// full circle (2^32 units to 360 degrees), without any fold; altitudes are
// 16.16 fixed-point metres.
double VertexDegrees(int32_t v) { return static_cast<double>(v) * GeoText::kCircle32; }
double FlattenAltitude(uint32_t v) { return static_cast<double>(v) / 65536.0; }

// Where the fields of a flatten polygon of a known type end, and the size of
// one of its vertices.
struct FlattenLayout {
  uint64_t firstVertex;
  uint64_t vertexSize;
};

bool LayoutOf(unsigned type, FlattenLayout& layout) {
  switch (type) {
    case 1:
    case 2: layout = {16, 8}; return true;   // u16, altitude
    case 3: layout = {24, 8}; return true;   // u16, three altitudes
    case 4: layout = {20, 12}; return true;  // u16, two altitudes; vertices with altitude
    case 5: layout = {14, 8}; return true;   // altitude
    case 6: layout = {10, 12}; return true;  // vertices with altitude
    case 7: layout = {12, 12}; return true;  // u16; vertices with altitude
    default: return false;
  }
}

unsigned long long Wide(uint64_t v) { return static_cast<unsigned long long>(v); }

// A 24-bit field, read as its three bytes (the top byte of the value is 0).
uint32_t U24(const ByteReader& img, uint64_t at) {
  return img.U16(at) | static_cast<uint32_t>(img.U8(at + 2)) << 16;
}

// A length of 0 would keep the walk on the same record for ever.
uint64_t ZeroLength(SourceWriter& out, uint64_t offset) {
  out.Row<"; Error: Misc section record at offset %llX has length 0\n">(Wide(offset));
  return 0;
}

}  // namespace

std::unique_ptr<BglSection> MakeMiscSection(CSkarnDoc& doc, uint64_t start) {
  return std::make_unique<MiscSection>(doc, start);
}

MiscSection::MiscSection(CSkarnDoc& doc, uint64_t start) : BglSection(doc, start) { SetName("MISC"); }

MiscSection::~MiscSection() = default;

bool MiscSection::Read(uint64_t p, uint64_t advance) {
  // Every record starts in the file, so it costs at least one byte.
  const uint64_t rest = p < img_.size() ? img_.size() - p : 0;
  return budget_.Take(std::max<uint64_t>(1, std::min(advance, rest)));
}

std::string MiscSection::OverReadText(const char* prefix, const char* what) const {
  return Format("%sMisc section band lists overlap (more than %llu bytes read); %s", prefix,
                Wide(kReadFactor * static_cast<uint64_t>(img_.size())), what);
}

// ---------------------------------------------------------------------------
// Summary

void MiscSection::Summarize(std::vector<std::string>& lines) {
  lines.emplace_back("Miscellaneous Section:");
  budget_.Start(kReadFactor * static_cast<uint64_t>(img_.size()));
  SummarizeBandTable(0, lines,
                     {"   ", "Error: Misc Section LatBand table at Offset",
                      "Error: unknown ID in Misc Section, LatBand table at Offset"},
                     [this](uint32_t records, std::string& line) {
                       const BandCounts c = CountBand(records);
                       // A band of flatten polygons shows only their number.
                       if (c.flatten > 0) {
                         Appendf(line, ": %d flatten polygons", c.flatten);
                       } else {
                         Appendf(line, ": %d marker(s), %d landme, %d elevated object(s), %d timezone(s)",
                                 c.markers, c.landMe, c.elevated, c.timeZones);
                       }
                     });
}

MiscSection::BandCounts MiscSection::CountBand(uint32_t offset) {
  BandCounts c;
  uint64_t p = data_ + offset;
  for (;;) {
    if (budget_.spent()) return c;
    // A list that reaches the end of the file without its 0 ends here, as
    // does one whose last record is shorter than the fixed step over it.
    if (!img_.Has(p, 1)) {
      doc().Report(
          Format("Error: Misc section record at offset %llX runs past the end of the file", Wide(p - data_)), p);
      return c;
    }
    const uint8_t id = img_.U8(p);
    if (id == 0) return c;
    int* counter = nullptr;
    uint64_t advance = 0;
    uint64_t lengthField = 1;  // bytes needed to read the advance
    switch (id) {
      case kInnerMarker:
      case kMiddleMarker:
      case kOuterMarker:
        counter = &c.markers;
        advance = kMarkerSize;
        break;
      case kLandMe:
        counter = &c.landMe;
        advance = kLandMeSize;
        break;
      case kTimeZone:
        counter = &c.timeZones;
        advance = kTimeZoneSize;
        break;
      case kCommandArea:
        counter = &c.elevated;
        lengthField = 2;
        if (img_.Has(p, lengthField)) advance = img_.U8(p + 1);
        break;
      case kFlatten:
        // The summary takes only the low word of the 32-bit length.
        counter = &c.flatten;
        lengthField = 4;
        if (img_.Has(p, lengthField)) advance = img_.U16(p + 2);
        break;
      default:
        doc().Report(Format("Error: unknown ID in Misc section at offset %X", static_cast<uint32_t>(p - data_)), p);
        return c;
    }
    if (!img_.Has(p, lengthField)) {
      doc().Report(
          Format("Error: Misc section record at offset %llX runs past the end of the file", Wide(p - data_)), p);
      return c;
    }
    if (advance == 0) {
      // The walk could never leave this record.
      doc().Report(Format("Error: Misc section record at offset %X has length 0", static_cast<uint32_t>(p - data_)), p);
      return c;
    }
    if (!Read(p, advance)) {
      doc().Report(OverReadText("Error: ", "the remaining records are not counted"), p);
      return c;
    }
    ++*counter;
    p += advance;
  }
}

// ---------------------------------------------------------------------------
// Source

ProceduralSection& MiscSection::Walker() {
  // Labels of the command blocks count from this section's start.
  if (!walker_) walker_ = std::make_unique<ProceduralSection>(doc(), data_);
  return *walker_;
}

void MiscSection::WriteSource() {
  out_.WriteNewline();
  out_.WriteSeparator();
  out_.WriteText("; Miscellaneous section\n");
  out_.WriteSeparator();
  // A fresh walker per run: its library-call form is asked at most once
  // within it, and it writes full output (it is never in list-only mode).
  walker_ = std::make_unique<ProceduralSection>(doc(), data_);
  budget_.Start(kReadFactor * static_cast<uint64_t>(img_.size()));
  BandWalk(data_, *this);
  walker_.reset();
}

uint64_t MiscSection::PastEnd(uint64_t p) {
  out_.Row<"; Error: Misc section record at offset %llX runs past the end of the file\n">(Wide(p - data_));
  return 0;
}

void MiscSection::WriteBand(uint32_t offset) {
  uint64_t p = data_ + offset;
  for (;;) {
    if (budget_.spent()) return;
    img_.ClearError();
    if (!img_.Has(p, 1)) {
      PastEnd(p);
      return;
    }
    const uint8_t id = img_.U8(p);
    if (id == 0) return;
    uint64_t advance = 0;
    switch (id) {
      case kInnerMarker:
      case kMiddleMarker:
      case kOuterMarker: advance = WriteMarker(p); break;
      case kLandMe: advance = WriteLandMe(p); break;
      case kTimeZone: advance = WriteTimeZone(p); break;
      case kCommandArea: advance = WriteCommandArea(p); break;
      case kFlatten: advance = WriteFlatten(p); break;
      default:
        // No line end, as the band table's own error: the line feed that
        // leads the next band's comment closes it.
        out_.Row<"; Error: unknown ID in Misc section at offset %X">(static_cast<uint32_t>(p - data_));
        return;
    }
    if (advance == 0) return;  // the writer has reported why
    if (!Read(p, advance)) {
      out_.WriteText(OverReadText("; Error: ", "the remaining records are skipped\n"));
      return;
    }
    p += advance;
  }
}

uint64_t MiscSection::WriteMarker(uint64_t p) {
  if (!img_.Has(p, kMarkerSize)) return PastEnd(p);
  // The band walk calls this for the three marker ids only: inner, middle,
  // outer.
  const uint8_t id = img_.U8(p);
  const char letter = id == kInnerMarker ? 'I' : id == kMiddleMarker ? 'M' : 'O';
  // The heading byte counts 256 steps to the circle; the statement takes
  // whole degrees, cut toward zero (255 gives 358).
  const int heading = static_cast<int>(GeoText::Angle8(img_.U8(p + 10)));
  out_.SetLine("%cM( %s %s %d %d)\n", letter, geo_.Lat24Text(U24(img_, p + 2)), geo_.Lon24Text(U24(img_, p + 5)),
               static_cast<int>(img_.I16(p + 8)), heading);
  out_.FlushLine();
  return kMarkerSize;
}

uint64_t MiscSection::WriteLandMe(uint64_t p) {
  if (!img_.Has(p, 2)) return PastEnd(p);
  const uint64_t length = img_.U8(p + 1);
  if (length == 0) return ZeroLength(out_, p - data_);
  if (!img_.Has(p, kLandMeSize)) return PastEnd(p);
  // The name ends at its first 0 byte, which must lie within the largest
  // record a one-byte length allows, and within the file.
  uint64_t nameLength = 0;
  for (;; ++nameLength) {
    if (kLandMeNameAt + nameLength >= kLandMeLimit) {
      out_.Row<"; Error: Misc section record at offset %X: name without its terminating 0\n">(static_cast<uint32_t>(p - data_));
      return 0;
    }
    if (!img_.Has(p + kLandMeNameAt + nameLength, 1)) return PastEnd(p);
    if (img_.U8(p + kLandMeNameAt + nameLength) == 0) break;
  }
  const uint8_t* name = img_.Ptr(p + kLandMeNameAt, nameLength);

  // Each point: 24-bit latitude, longitude and elevation (1/256 m), and a
  // one-byte value kept after the name.
  for (unsigned point = 0; point < 2; ++point) {
    const uint64_t q = p + 2 + 9 * point;
    out_.SetLine(point == 0 ? "LandMe( %s %s %.0f %d\n" : "\t %s %s %.0f %d\n", geo_.Lat24Text(U24(img_, q)),
                 geo_.Lon24Text(U24(img_, q + 3)), GeoText::Fixed24(U24(img_, q + 6)),
                 static_cast<int>(img_.U8(p + 53 + point)));
    out_.FlushLine();
  }
  out_.SetLine("\t%s )\n", GeoText::NameText(name, nameLength).c_str());
  out_.FlushLine();
  return length;
}

uint64_t MiscSection::WriteTimeZone(uint64_t p) {
  if (!img_.Has(p, 2)) return PastEnd(p);
  const uint64_t length = img_.U8(p + 1);
  if (length == 0) return ZeroLength(out_, p - data_);
  if (!img_.Has(p, kTimeZoneSize)) return PastEnd(p);
  // Latitudes and longitudes share one buffer per kind: each text is copied
  // into the line before the next is made.
  out_.SetLine("TIMEZone( %s ", geo_.Lat24Text(U24(img_, p + 2)));
  out_.line += geo_.Lat24Text(U24(img_, p + 5));
  out_.line += geo_.Lon24Text(U24(img_, p + 8));
  out_.line += geo_.Lon24Text(U24(img_, p + 11));
  out_.AddLine(" %d %d %d )\n", static_cast<int>(img_.I16(p + 14)), static_cast<int>(img_.U8(p + 16)),
               static_cast<int>(img_.U8(p + 17)));
  out_.FlushLine();
  return length;
}

uint64_t MiscSection::WriteCommandArea(uint64_t p) {
  if (!img_.Has(p, 2)) return PastEnd(p);
  const uint64_t length = img_.U8(p + 1);
  if (length == 0) return ZeroLength(out_, p - data_);
  if (!img_.Has(p, kCommandAreaHeader)) return PastEnd(p);
  out_.SetLine("Area16( %s ", geo_.Lat24Text(U24(img_, p + 2)));
  out_.line += geo_.Lat24Text(U24(img_, p + 5));
  out_.line += geo_.Lon24Text(U24(img_, p + 8));
  out_.line += geo_.Lon24Text(U24(img_, p + 11));
  out_.line += " )\n";
  out_.FlushLine();
  // Each block has labels of its own. The walker reports commands that run
  // past the block or the file; the block is closed in any case.
  ProceduralSection& walker = Walker();
  walker.labels().Clear();
  walker.WalkCode(p + kCommandAreaHeader, p + length);
  out_.WriteText("End16\n");
  // A command that ran on past the block read (and printed) the bytes after
  // it too; when that spends the allowance, the step over the block says so.
  budget_.Take(walker.Overrun());
  return length;
}

void MiscSection::WriteVertices(uint64_t first, unsigned count, unsigned size, bool withAltitude) {
  for (unsigned i = 0; i < count && !img_.failed(); ++i) {
    const uint64_t v = first + uint64_t{i} * size;
    const char* lat = geo_.LatText(VertexDegrees(img_.I32(v)));
    const char* lon = geo_.LonText(VertexDegrees(img_.I32(v + 4)));
    if (withAltitude) {
      out_.SetLine("\t\t%s %s %.3f ; vertex %u\n", lat, lon, FlattenAltitude(img_.U32(v + 8)), i + 1);
    } else {
      out_.SetLine("\t\t%s %s ; vertex %u\n", lat, lon, i + 1);
    }
    out_.FlushLine();
  }
}

void MiscSection::WriteRawVertices(uint64_t first, unsigned count) {
  // The three words as stored, then what they mean (the line is written as
  // it always has been, without a closing parenthesis).
  for (unsigned i = 0; i < count && !img_.failed(); ++i) {
    const uint64_t v = first + uint64_t{i} * 12;
    const char* lat = geo_.LatText(VertexDegrees(img_.I32(v)));
    const char* lon = geo_.LonText(VertexDegrees(img_.I32(v + 4)));
    out_.SetLine("\t\tDdx( %.8X %.8X %.8X ; vertex %u: %s %s %.3f\n", img_.U32(v), img_.U32(v + 4),
                 img_.U32(v + 8), i + 1, lat, lon, FlattenAltitude(img_.U32(v + 8)));
    out_.FlushLine();
  }
}

uint64_t MiscSection::WriteFlatten(uint64_t p) {
  // Identifier, a byte not used, the 32-bit length, the type word, and for
  // the known types the vertex count.
  if (!img_.Has(p, 6)) return PastEnd(p);
  const uint64_t length = img_.U32(p + 2);
  if (length == 0) return ZeroLength(out_, p - data_);
  if (!img_.Has(p, 8)) return PastEnd(p);
  const unsigned type = img_.U16(p + 6);
  FlattenLayout layout{};
  const bool known = LayoutOf(type, layout);
  unsigned stored = 0;  // the vertex count the record gives
  unsigned count = 0;   // the vertices written: those inside its length
  uint64_t needed = 8;
  if (known) {
    if (!img_.Has(p, kFlattenHeader)) return PastEnd(p);
    stored = img_.U16(p + 8);
    // Vertices beyond the record's length belong to the records that
    // follow (every record could otherwise print the vertices of all the
    // rest): only those that fit are written, and the length still leads
    // to the next record.
    const uint64_t room = length > layout.firstVertex ? (length - layout.firstVertex) / layout.vertexSize : 0;
    count = static_cast<unsigned>(std::min<uint64_t>(stored, room));
    needed = layout.firstVertex + count * layout.vertexSize;
  }
  if (!img_.Has(p, needed)) return PastEnd(p);
  const uint64_t first = p + layout.firstVertex;

  out_.WriteText("Area16N\n");
  switch (type) {
    case 1:
    case 2:
      out_.SetLine("\tE6%u( %d %.3f \n", type, static_cast<int>(img_.U16(p + 10)),
                   FlattenAltitude(img_.U32(p + 12)));
      out_.FlushLine();
      WriteVertices(first, count, 8, false);
      out_.WriteText("\t)\n");
      break;
    case 3:
      out_.SetLine("\tE63( %d %.3f %.3f %.3f\n", static_cast<int>(img_.U16(p + 10)),
                   FlattenAltitude(img_.U32(p + 12)), FlattenAltitude(img_.U32(p + 16)),
                   FlattenAltitude(img_.U32(p + 20)));
      out_.FlushLine();
      WriteVertices(first, count, 8, false);
      out_.WriteText("\t)\n");
      break;
    case 4:
      // No statement takes this form: it is written as raw data, with the
      // statement it stands for as a comment.
      out_.SetLine("\t; E64( %d %.3f %.3f \n", static_cast<int>(img_.U16(p + 10)),
                   FlattenAltitude(img_.U32(p + 12)), FlattenAltitude(img_.U32(p + 16)));
      out_.FlushLine();
      out_.SetLine("\tDwx( 00E6 %.4X %.4X 0004 %.4X %.4X )\n", static_cast<unsigned>(img_.U16(p + 2)),
                   static_cast<unsigned>(img_.U16(p + 4)), static_cast<unsigned>(img_.U16(p + 8)),
                   static_cast<unsigned>(img_.U16(p + 10)));
      out_.FlushLine();
      out_.SetLine("\t\tDdx( %.8X %.8X ) ; altitude 1, 2\n", img_.U32(p + 12), img_.U32(p + 16));
      out_.FlushLine();
      WriteRawVertices(first, count);
      break;
    case 5:
      out_.SetLine("\tFlatten( %.3f\n", FlattenAltitude(img_.U32(p + 10)));
      out_.FlushLine();
      WriteVertices(first, count, 8, false);
      out_.WriteText("\t)\n");
      break;
    case 6:
      out_.WriteText("\t; E66( \n");
      out_.SetLine("\tDwx( 00E6 %.4X %.4X 0006 %.4X )\n", static_cast<unsigned>(img_.U16(p + 2)),
                   static_cast<unsigned>(img_.U16(p + 4)), static_cast<unsigned>(img_.U16(p + 8)));
      out_.FlushLine();
      WriteRawVertices(first, count);
      break;
    case 7:
      out_.SetLine("\tE67( %d\n", static_cast<int>(img_.U16(p + 10)));
      out_.FlushLine();
      WriteVertices(first, count, 12, true);
      out_.WriteText("\t)\n");
      break;
    default:
      out_.SetLine("\tDwx( %.4X ) ; unknown flatten instruction\n", type);
      out_.FlushLine();
      break;
  }
  out_.WriteText("End16\n\n");
  if (count < stored) {
    out_.Printf(
        "; Error: Misc section record at offset %X: %u vertices do not fit in its length of %llu bytes; "
        "%u written\n",
        static_cast<uint32_t>(p - data_), stored, Wide(length), count);
  }
  return length;
}

// ---------------------------------------------------------------------------
// Account

void MiscSection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  section.detailed = true;
  budget_.Start(kReadFactor * static_cast<uint64_t>(img_.size()));
  DescribeBandTable(0, section, [&](uint32_t records, AccountBand& band) {
    band.offset = data_ + records;
    const size_t before = account.features.size();
    for (uint64_t p = data_ + records; !budget_.spent();) {
      const uint64_t advance = DescribeRecord(p, account);
      if (advance == 0 || !Read(p, advance)) break;
      ++band.count;
      p += advance;
    }
    for (size_t i = before; i < account.features.size(); ++i) section.Count(account.features[i].kind, 1);
  });
}

uint64_t MiscSection::DescribeRecord(uint64_t p, FileAccount& account) {
  if (!img_.Has(p, 2)) return 0;
  const uint8_t id = img_.U8(p);
  // A box of two 24-bit latitudes and two longitudes at q: its middle is
  // the feature's position.
  auto box = [&](AccountFeature& f, uint64_t q) {
    const double lat1 = GeoText::Lat24(U24(img_, q));
    const double lat2 = GeoText::Lat24(U24(img_, q + 3));
    const double lon1 = GeoText::Lon24(U24(img_, q + 6));
    const double lon2 = GeoText::Lon24(U24(img_, q + 9));
    f.lat = (lat1 + lat2) / 2.0;
    f.lon = (lon1 + lon2) / 2.0;
    f.Number("lat1", lat1).Number("lat2", lat2).Number("lon1", lon1).Number("lon2", lon2);
  };
  switch (id) {
    case kInnerMarker:
    case kMiddleMarker:
    case kOuterMarker: {
      if (!img_.Has(p, kMarkerSize)) return 0;
      if (AccountFeature* f = account.Add("marker", p)) {
        f->lat = GeoText::Lat24(U24(img_, p + 2));
        f->lon = GeoText::Lon24(U24(img_, p + 5));
        f->Text("type", id == kInnerMarker ? "inner" : id == kMiddleMarker ? "middle" : "outer")
            .Number("altitude", img_.I16(p + 8))
            .Number("heading", static_cast<int>(GeoText::Angle8(img_.U8(p + 10))));
      }
      return kMarkerSize;
    }
    case kLandMe: {
      const uint64_t length = img_.U8(p + 1);
      if (length == 0 || !img_.Has(p, kLandMeSize)) return 0;
      const std::string_view name = img_.Text(p + kLandMeNameAt, kLandMeLimit - kLandMeNameAt);
      if (!img_.Has(p + kLandMeNameAt + name.size(), 1) || kLandMeNameAt + name.size() >= kLandMeLimit) return 0;
      if (AccountFeature* f = account.Add("landme", p)) {
        f->name = GeoText::NameText(reinterpret_cast<const uint8_t*>(name.data()), name.size());
        for (uint64_t point = 0; point < 2; ++point) {
          const uint64_t q = p + 2 + 9 * point;
          f->points.push_back(AccountPoint{GeoText::Lat24(U24(img_, q)), GeoText::Lon24(U24(img_, q + 3))});
        }
        f->lat = f->points[0].lat;
        f->lon = f->points[0].lon;
        f->Number("altitude1", GeoText::Fixed24(U24(img_, p + 8)))
            .Number("altitude2", GeoText::Fixed24(U24(img_, p + 17)));
      }
      return length;
    }
    case kTimeZone: {
      const uint64_t length = img_.U8(p + 1);
      if (length == 0 || !img_.Has(p, kTimeZoneSize)) return 0;
      if (AccountFeature* f = account.Add("timezone", p)) {
        box(*f, p + 2);
        f->Number("offset", img_.I16(p + 14)).Number("value1", img_.U8(p + 16)).Number("value2", img_.U8(p + 17));
      }
      return length;
    }
    case kCommandArea: {
      const uint64_t length = img_.U8(p + 1);
      if (length == 0 || !img_.Has(p, kCommandAreaHeader)) return 0;
      if (AccountFeature* f = account.Add("elevated_area", p)) {
        box(*f, p + 2);
        f->Number("size", static_cast<double>(length));
      }
      return length;
    }
    case kFlatten: {
      if (!img_.Has(p, 8)) return 0;
      const uint64_t length = img_.U32(p + 2);
      if (length == 0) return 0;
      const unsigned type = img_.U16(p + 6);
      FlattenLayout layout{};
      unsigned count = 0;
      if (LayoutOf(type, layout)) {
        if (!img_.Has(p, kFlattenHeader)) return 0;
        const uint64_t room = length > layout.firstVertex ? (length - layout.firstVertex) / layout.vertexSize : 0;
        count = static_cast<unsigned>(std::min<uint64_t>(img_.U16(p + 8), room));
        if (!img_.Has(p, layout.firstVertex + count * layout.vertexSize)) return 0;
      }
      if (AccountFeature* f = account.Add("flatten", p)) {
        f->Number("type", type);
        for (unsigned i = 0; i < count; ++i) {
          const uint64_t v = p + layout.firstVertex + uint64_t{i} * layout.vertexSize;
          f->points.push_back(AccountPoint{VertexDegrees(img_.I32(v)), VertexDegrees(img_.I32(v + 4))});
        }
        if (f->points.empty()) {
          f->located = false;
        } else {
          f->lat = f->points[0].lat;
          f->lon = f->points[0].lon;
        }
      }
      return length;
    }
    default:
      return 0;
  }
}

}  // namespace skarn
