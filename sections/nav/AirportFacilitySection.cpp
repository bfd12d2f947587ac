#include "sections/nav/AirportFacilitySection.h"

#include <algorithm>
#include <string_view>

#include "core/Format.h"
#include "core/SectionFactory.h"
#include "core/SkarnDoc.h"
#include "sections/nav/NameLists.h"

namespace skarn {

namespace {

constexpr uint32_t kContainerCode = 0x00001;
constexpr uint32_t kNameListCode = 0x30001;
constexpr uint32_t kBorderCode = 0x2000033F;
// Bytes of an item's head: u32 code, u32 length.
constexpr uint64_t kHead = 8;
// A container's records follow its head, its type and one unused word.
constexpr uint64_t kContainerHead = 16;

// Record codes.
constexpr uint32_t kApLocation = 0x10001;
constexpr uint32_t kRwyLoc = 0x10002;
constexpr uint32_t kTower = 0x10003;
constexpr uint32_t kNavaid = 0x10004;
constexpr uint32_t kSetupLoc = 0x10005;
constexpr uint32_t kIcaoId = 0x10006;
constexpr uint32_t kBvLoc = 0x10007;
constexpr uint32_t kWayptLoc = 0x10008;
constexpr uint32_t kGeopolLoc = 0x1000A;
constexpr uint32_t kAiData = 0x11001;
constexpr uint32_t kAirwaySeg = 0x11002;
constexpr uint32_t kBvOrigin = 0x12001;
constexpr uint32_t kBvStart = 0x12002;
constexpr uint32_t kBvEnd = 0x12003;
constexpr uint32_t kBvLineGc = 0x12004;
constexpr uint32_t kBvLineRhumb = 0x12005;
constexpr uint32_t kBvArcCw = 0x12006;
constexpr uint32_t kBvArcCcw = 0x12007;
constexpr uint32_t kBvCircle = 0x12008;
constexpr uint32_t kGeoVertex = 0x13001;
constexpr uint32_t kFrequency = 0x20001;

// A runway record of this length carries the flags and the second altitude.
constexpr uint32_t kLongRunwayLength = 60;

// Parking position cells, fixed width with their trailing blanks: 38 names of
// 3 characters and 12 types of 5.
constexpr std::string_view kParkingNames =
    "   P  N  NE E  SE S  SW W  NW G  D  GA GB GC GD GE "
    "GF GG GH GI GJ GK GL GM GN GO GP GQ GR GS GT GU "
    "GV GW GX GY GZ ";
constexpr std::string_view kParkingTypes = "     RGA  RGAS RGAM RGAL RCA  RMCA RMCO GS   GM   GH   DGA  ";
constexpr uint32_t kNameCellWidth = 3;
constexpr uint32_t kTypeCellWidth = 5;
static_assert(kParkingNames.size() == 38 * kNameCellWidth);
static_assert(kParkingTypes.size() == 12 * kTypeCellWidth);

// Runway designator letter of runway and start position records.
char RunwayLetter(uint32_t code) {
  switch (code) {
    case 0: return 'N';
    case 1: return 'L';
    case 2: return 'R';
    case 3: return 'C';
    case 4: return 'H';
    default: return ' ';
  }
}

// Name of the container kinds 1 to 9 ("" for any other).
const char* ContainerKind(uint32_t type) {
  static constexpr const char* kKinds[] = {"APT", "VOR", "NDB", "ATC", "BV", "GENERIC", "VICTOR", "JET", "GEOPOL"};
  return type >= 1 && type <= 9 ? kKinds[type - 1] : "";
}

unsigned Hex(uint64_t offset) { return static_cast<unsigned>(offset); }

}  // namespace

AirportFacilitySection::AirportFacilitySection(CSkarnDoc& doc, uint64_t objectList, uint64_t nameLists)
    : BglSection(doc, objectList), nameLists_(nameLists) {}

void AirportFacilitySection::Summarize(std::vector<std::string>&) {}

int AirportFacilitySection::ObjectNumber(uint32_t fileOffset) const {
  // Objects follow each other, so their offsets ascend strictly.
  const auto begin = objectOffsets_.begin();
  const auto end = begin + objectCount_;
  const auto hit = std::lower_bound(begin, end, fileOffset);
  return hit != end && *hit == fileOffset ? static_cast<int>(hit - begin) + 1 : 0;
}

double AirportFacilitySection::LatAt(uint64_t at) const { return GeoText::Lat64(img_.U32(at), img_.U32(at + 4)); }
double AirportFacilitySection::LonAt(uint64_t at) const { return GeoText::Lon64(img_.U32(at), img_.U32(at + 4)); }
double AirportFacilitySection::AltAt(uint64_t at) const {
  return GeoText::Fixed64(img_.U32(at), img_.U32(at + 4));
}

void AirportFacilitySection::WriteSource() {
  out_.WriteText("\n");
  out_.WriteSeparator();
  out_.WriteText("; AFD Section\n");
  out_.WriteSeparator();
  WriteBorder();
  WriteObjects();
  out_.WriteText("\n; Namelists\n");
  WriteNameLists(img_, out_, nameLists_, *this);
}

void AirportFacilitySection::WriteBorder() {
  // The border record stands 8 bytes after the 0 that ends the name lists.
  // A name-list area that leaves the file has no border; the name lists
  // themselves report why.
  if (nameLists_ == 0) return;
  uint64_t at = nameLists_;
  for (;;) {
    if (!img_.Has(at, 4)) return;
    const uint32_t code = img_.U32(at);
    if (code == 0) break;
    if (code != kNameListCode) {
      out_.WriteText("; Error: unexpected code at start of namelist\n");
      break;
    }
    if (!img_.Has(at, kHead)) return;
    at += img_.U32(at + 4) + kHead;
  }
  const uint64_t border = at + 8;
  if (!img_.Has(border, 4) || img_.U32(border) != kBorderCode) return;
  if (!img_.Has(border, 20)) {
    out_.Row<"; Error: border record at file offset %.6X runs past the end of the file\n">(Hex(border));
    return;
  }
  out_.line = "AI_Border( ";
  out_.line += geo_.LatText(GeoText::Lat32(img_.I32(border + 4)));
  out_.line += geo_.LatText(GeoText::Lat32(img_.I32(border + 8)));
  out_.line += geo_.LonText(GeoText::Lon32(img_.I32(border + 12)));
  out_.line += geo_.LonText(GeoText::Lon32(img_.I32(border + 16)));
  out_.line += " ) ; new in FS2002\n";
  out_.FlushLine();
}

void AirportFacilitySection::WriteObjects() {
  objectOffsets_.clear();
  objectCount_ = 0;
  int n = 0;
  uint64_t at = data_;
  for (;;) {
    if (!img_.Has(at, 4)) {
      // The list lacks the 0 that ends it.
      out_.Row<"; Error: object list runs past the end of the file at file offset %.6X\n">(Hex(at));
      break;
    }
    const uint32_t code = img_.U32(at);
    if (code == 0) break;
    if (code != kContainerCode) {
      // The list may also end where the name lists begin.
      if (code != kNameListCode) out_.WriteText("; Error: unexpected code at start of container\n");
      break;
    }
    // The head up to the type, and the whole object, must lie in the file.
    if (!img_.Has(at, 12) || !img_.Has(at, uint64_t{img_.U32(at + 4)} + kHead)) {
      out_.Row<"; Error: object at file offset %.6X runs past the end of the file\n">(Hex(at));
      break;
    }
    const uint64_t size = uint64_t{img_.U32(at + 4)} + kHead;
    const uint64_t end = at + size;
    objectOffsets_.push_back(static_cast<uint32_t>(at));
    ++n;
    out_.WriteSeparator();
    out_.Row<"; Object # %d, offset: %.6X, size: %d bytes\n">(n, Hex(at),
                static_cast<int>(static_cast<uint32_t>(size)));
    out_.WriteSeparator();
    const uint32_t type = img_.U32(at + 8);
    WriteContainerLine(at, type, n, false);
    WalkRecords(at + kContainerHead, end);
    if (type >= 1 && type <= 3) out_.WriteText("EndC\n");
    at = end;
  }
  objectCount_ = n;
}

void AirportFacilitySection::WriteContainerLine(uint64_t at, uint32_t type, int number, bool nested) {
  const char* kind = ContainerKind(type);
  if (type >= 1 && type <= 3) {
    if (nested) {
      out_.Row<"\t; Container( %s ) ; container in container\n">(kind);
    } else {
      out_.Row<"Container( %s %d )\n">(kind, number);
    }
  } else if (type >= 4 && type <= 9) {
    out_.Row<"%s; Container( %s ) not supported by SCASM\n">(nested ? "\t" : "", kind);
  } else {
    // The line locates the unknown container by its file offset, in decimal.
    out_.Row<"; unknown type of container %d\n">(static_cast<int>(static_cast<uint32_t>(at)));
  }
}

void AirportFacilitySection::WalkRecords(uint64_t start, uint64_t end) {
  // Ends of the containers being walked, innermost last. A nested container
  // lies inside its parent, and the parent goes on at the nested one's end.
  std::vector<uint64_t> ends{end};
  uint64_t at = start;
  while (!ends.empty()) {
    const uint64_t limit = ends.back();
    bool done = at >= limit;
    if (!done) {
      // limit never lies past the file, so a head that leaves the file also
      // leaves its container; a 0 straddling the end still ends the walk.
      const uint32_t code = img_.Has(at, 4) ? img_.U32(at) : 1;
      if (code == 0) {
        done = true;
      } else if (limit - at < kHead || img_.U32(at + 4) > limit - at - kHead) {
        out_.Row<"; Error: record at file offset %.6X runs past the end of its container\n">(Hex(at));
        done = true;
      } else if (code == kContainerCode) {
        if (!img_.Has(at, 12)) {
          out_.Row<"; Error: record at file offset %.6X runs past the end of the file\n">(Hex(at));
          done = true;
        } else {
          WriteContainerLine(at, img_.U32(at + 8), 0, true);
          ends.push_back(at + kHead + img_.U32(at + 4));
          at += kContainerHead;
          continue;
        }
      } else {
        const uint32_t length = img_.U32(at + 4);
        if (WriteRecord(at, code, length)) {
          at += kHead + length;
        } else {
          done = true;
        }
      }
    }
    if (done) {
      // The enclosing walk goes on after this container (which, for a
      // container shorter than its own head, lies before the cursor).
      at = limit;
      ends.pop_back();
    }
  }
}

bool AirportFacilitySection::ReadFields(uint64_t at, uint32_t code, uint32_t length, std::string& text) const {
  // Bytes of the record its fields occupy, and where its text starts (0 for
  // none). The fields are read as the record's code says, even where its
  // length is shorter; only the file's end is a limit.
  uint64_t need = kHead;
  uint64_t textAt = 0;
  switch (code) {
    case kApLocation:
    case kTower: need = 32; break;
    case kRwyLoc: need = length == kLongRunwayLength ? 68 : 60; break;
    case kNavaid: need = 56; textAt = 56; break;
    case kSetupLoc: need = 48; break;
    case kIcaoId: textAt = 8; break;
    case kBvLoc: need = 44; break;
    case kWayptLoc: need = 28; textAt = 28; break;
    case kGeopolLoc: need = 40; break;
    case kAirwaySeg: need = 28; textAt = 8; break;
    case kBvStart: need = 32; break;
    case kBvLineRhumb:
    case kGeoVertex: need = 24; break;
    case kFrequency: need = 16; break;
    default: break;
  }
  return img_.Has(at, need) && (textAt == 0 || TerminatedText(img_, at + textAt, text));
}

bool AirportFacilitySection::WriteRecord(uint64_t at, uint32_t code, uint32_t length) {
  std::string text;
  if (!ReadFields(at, code, length, text)) {
    out_.Row<"; Error: record at file offset %.6X runs past the end of the file\n">(Hex(at));
    return false;
  }

  switch (code) {
    case kApLocation:
      out_.Row<"\tAPLocation( %s %s %.0f )\n">(geo_.LatText(LatAt(at + 8)), geo_.LonText(LonAt(at + 16)),
                  AltAt(at + 24));
      break;
    case kRwyLoc: {
      out_.Row<"\tRwyLoc( %s %s %.0f\n">(geo_.LatText(LatAt(at + 8)), geo_.LonText(LonAt(at + 16)),
                  AltAt(at + 24));
      out_.Row<"\t\t%.0f %.2f ; true heading, mag.var.\n">(GeoText::Angle32(img_.U32(at + 32)),
                  GeoText::SignedAngle32(img_.I32(at + 36)));
      out_.Row<"\t\t%d %d ; length, width\n">(img_.I32(at + 40), img_.I32(at + 44));
      const char letter = RunwayLetter(img_.U32(at + 48));
      if (length == kLongRunwayLength) {
        out_.Row<"\t\t%c %d %d %#x %.2f ); rwy type, number, surface, flags, alt2\n">(letter, img_.I32(at + 52),
                    img_.I32(at + 56), img_.U32(at + 60), static_cast<double>(img_.F32(at + 64)));
      } else {
        out_.Row<"\t\t%c %d %d ) ; rwy type, number and surface\n">(letter, img_.I32(at + 52),
                    img_.I32(at + 56));
      }
      break;
    }
    case kTower:
      out_.Row<"\tTower( %s %s %.0f 0 ) \n">(geo_.LatText(LatAt(at + 8)), geo_.LonText(LonAt(at + 16)),
                  AltAt(at + 24));
      break;
    case kNavaid: {
      out_.Row<"\tNavaid( %s %s %.0f\n">(geo_.LatText(LatAt(at + 8)), geo_.LonText(LonAt(at + 16)),
                  AltAt(at + 24));
      const double heading = GeoText::Angle32(img_.U32(at + 32));
      const uint32_t frequency = img_.U32(at + 36);
      if (frequency == 0) {
        out_.Row<"\t\t%.0f 0 ; heading, no frequency for marker\n">(heading);
      } else {
        // Packed decimal digits: the hexadecimal halves read as the frequency.
        out_.Row<"\t\t%.0f %X.%.4X ; heading, frequency\n">(heading, frequency >> 16, frequency & 0xFFFFu);
      }
      out_.Row<"\t\t%d %d %X; navaid type, class and flags\n">(img_.I32(at + 40), img_.I32(at + 44),
                  img_.U32(at + 48));
      out_.Row<"\t\t\"%s\" )\n">(text.c_str());
      break;
    }
    case kSetupLoc:
      out_.Row<"\tSetupLoc( %s %s %.0f\n">(geo_.LatText(LatAt(at + 8)), geo_.LonText(LonAt(at + 16)),
                  AltAt(at + 24));
      out_.Row<"\t\t%.0f %d ; heading, type\n">(GeoText::Angle32(img_.U32(at + 32)), img_.I32(at + 36));
      out_.Row<"\t\t%c %d ) ; runway type, number\n">(RunwayLetter(img_.U32(at + 40)), img_.I32(at + 44));
      break;
    case kIcaoId:
      out_.Row<"\tICAO_ID( %s )\n">(text.c_str());
      break;
    case kBvLoc:
      out_.Row<"\t; BvLoc( %s %s %.0f %d %d ) ; not supported by SCASM\n">(geo_.LatText(LatAt(at + 8)),
                  geo_.LonText(LonAt(at + 16)), AltAt(at + 24), img_.I32(at + 36), img_.I32(at + 40));
      break;
    case kWayptLoc:
      out_.Row<"\t; WayptLoc( %s %s %.8X %s ) ; not supported by SCASM\n">(geo_.LatText(LatAt(at + 8)),
                  geo_.LonText(LonAt(at + 16)), img_.U32(at + 24), text.c_str());
      break;
    case kGeopolLoc:
      out_.Row<"\t; GeopolLoc( %s %s %.0f %d ) ; not supported by SCASM\n">(geo_.LatText(LatAt(at + 8)),
                  geo_.LonText(LonAt(at + 16)), AltAt(at + 24), img_.I32(at + 36));
      break;
    case kAiData:
      WriteAiData(at, length);
      break;
    case kAirwaySeg:
      out_.Row<"\t; AirwaySeg( %s %d %d %d ) ; not available in SCASM\n">(text.c_str(), img_.I32(at + 16),
                  img_.I32(at + 20), img_.I32(at + 24));
      break;
    case kBvOrigin:
      // This one comment counts from the start of the object list.
      out_.WriteText("\t; BvOrigin() ; not available in SCASM\n");
      out_.Row<"\t\t; structure unknown, offset %.6X\n">(Hex(at - data_));
      break;
    case kBvStart:
      out_.Row<"\t; BvStart( %s %s %d %d ) ; not available in SCASM\n">(geo_.LatText(LatAt(at + 8)),
                  geo_.LonText(LonAt(at + 16)), img_.I32(at + 24), img_.I32(at + 28));
      break;
    case kBvEnd:
      out_.WriteText("\t; BvEnd  ; not available in SCASM\n");
      break;
    case kBvLineGc:
    case kBvArcCw:
    case kBvArcCcw:
    case kBvCircle: {
      const char* name = code == kBvLineGc  ? "BvLineGC"
                         : code == kBvArcCw ? "BvArcCw"
                         : code == kBvArcCcw ? "BvArcCcw"
                                             : "BvCircle";
      out_.Row<"\t; %s() ; not available in SCASM\n">(name);
      out_.Row<"\t\t; structure unknown, offset %.6X\n">(Hex(at));
      break;
    }
    case kBvLineRhumb:
      out_.Row<"\t; BvLineRhumb( %s %s ) ; not available in SCASM\n">(geo_.LatText(LatAt(at + 8)),
                  geo_.LonText(LonAt(at + 16)));
      break;
    case kGeoVertex:
      out_.Row<"\t; GeoVertex( %s %s ) ; not available in SCASM\n">(geo_.LatText(LatAt(at + 8)),
                  geo_.LonText(LonAt(at + 16)));
      break;
    case kFrequency: {
      const uint32_t frequency = img_.U32(at + 8);
      out_.Row<"\tFrequency( %X.%.4X %d )\n">(frequency >> 16, frequency & 0xFFFFu, img_.I32(at + 12));
      break;
    }
    default:
      out_.WriteText("; Error: unknown object in container\n");
      break;
  }
  return true;
}

void AirportFacilitySection::WriteAiData(uint64_t at, uint32_t length) {
  // Sub-blocks of elements, each with a head (u32 count, u32 element size);
  // the element size tells what the elements are. The record lies inside its
  // container, so checking against the record's length keeps every read in
  // the file.
  out_.WriteText("\tAI_DataStart ; new in FS2002\n");
  uint64_t cursor = at + kHead;
  uint64_t consumed = 0;
  while (consumed < length) {
    if (length - consumed < kHead) {
      out_.Row<"; Error: AI data block at file offset %.6X runs past the end of its record\n">(Hex(cursor));
      break;
    }
    const uint32_t count = img_.U32(cursor);
    const uint32_t size = img_.U32(cursor + 4);
    if (size != 8 && size != 12 && size != 20 && size != 32) {
      // Unknown elements: only the head is passed over.
      cursor += kHead;
      consumed += kHead;
      continue;
    }
    const uint64_t bytes = uint64_t{count} * size;
    if (bytes > length - consumed - kHead) {
      out_.Row<"; Error: AI data block at file offset %.6X runs past the end of its record\n">(Hex(cursor));
      break;
    }
    cursor += kHead;
    consumed += kHead;
    switch (size) {
      case 8: out_.WriteText("\t\tTaxiwayNames(\n"); break;
      case 12: out_.WriteText("\t\tTaxiwayPoints(\n"); break;
      case 20: out_.WriteText("\t\tPositions(\n"); break;
      default: out_.WriteText("\t\tTaxiwayPath(\n"); break;
    }
    for (uint32_t i = 0; i < count; ++i, cursor += size) {
      switch (size) {
        case 8: {
          // Up to 8 characters, ended early by a 0 byte.
          const uint8_t* p = img_.Ptr(cursor, 8);
          size_t n = 0;
          while (p != nullptr && n < 8 && p[n] != 0) ++n;
          out_.Row<"\t\t\t\"%s\"\n">(std::string(reinterpret_cast<const char*>(p), n).c_str());
          break;
        }
        case 12:
          out_.Row<"\t\t\t%d %5.3f %5.3f\n">(img_.I32(cursor), static_cast<double>(img_.F32(cursor + 4)),
                      static_cast<double>(img_.F32(cursor + 8)));
          break;
        case 20:
          WriteParking(cursor);
          break;
        default:
          out_.Row<"\t\t\t%d %5.3f %d %d %d %d %5.3f %d\n">(img_.I32(cursor),
                      static_cast<double>(img_.F32(cursor + 4)), img_.I32(cursor + 8), img_.I32(cursor + 12),
                      img_.I32(cursor + 16), img_.I32(cursor + 20), static_cast<double>(img_.F32(cursor + 24)),
                      img_.I32(cursor + 28));
          break;
      }
    }
    consumed += bytes;
    out_.WriteText("\t\t)\n");
  }
  out_.WriteText("\tAI_DataEnd\n");
}

void AirportFacilitySection::WriteParking(uint64_t element) {
  // The packed word: name index in bits 0-6, number in bits 7-19, type index
  // in bits 20-31.
  const double x = static_cast<double>(img_.F32(element));
  const double y = static_cast<double>(img_.F32(element + 4));
  const double z = static_cast<double>(img_.F32(element + 8));
  const double heading = GeoText::Angle32(img_.U32(element + 12));
  const uint32_t packed = img_.U32(element + 16);
  const uint32_t name = packed & 0x7Fu;
  const uint32_t number = (packed >> 7) & 0x1FFFu;
  const uint32_t type = packed >> 20;
  if (name * kNameCellWidth < kParkingNames.size() && type * kTypeCellWidth < kParkingTypes.size()) {
    const std::string nameCell(kParkingNames.substr(name * kNameCellWidth, kNameCellWidth));
    const std::string typeCell(kParkingTypes.substr(type * kTypeCellWidth, kTypeCellWidth));
    out_.Row<"\t\t\t%5.3f %5.3f %5.3f %5.3f %s %d %s\n">(x, y, z, heading, nameCell.c_str(),
                static_cast<int>(number), typeCell.c_str());
  } else {
    out_.Row<"\t\t\t%5.3f %5.3f %5.3f %5.3f %#8x\n">(x, y, z, heading, packed);
  }
}

namespace {

// A frequency whose hexadecimal digits are its decimal ones (0x01135000 is
// 113.5), as the source's "%X.%.4X" shows it.
double HexDigitsFrequency(uint32_t f) {
  double whole = 0.0;
  for (int shift = 28; shift >= 16; shift -= 4) whole = whole * 10.0 + ((f >> shift) & 0xFu);
  double fraction = 0.0;
  for (int shift = 12; shift >= 0; shift -= 4) fraction = fraction * 10.0 + ((f >> shift) & 0xFu);
  return (whole * 10000.0 + fraction) / 10000.0;
}

}  // namespace

void AirportFacilitySection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  section.detailed = true;
  // Each object's file offset and its features, for the names below.
  std::vector<NamedObject> objects;
  for (uint64_t at = data_;;) {
    if (!img_.Has(at, 4) || img_.U32(at) != kContainerCode) break;
    if (!img_.Has(at, 12) || !img_.Has(at, uint64_t{img_.U32(at + 4)} + kHead)) break;
    const uint64_t end = at + kHead + img_.U32(at + 4);
    const char* kind = ContainerKind(img_.U32(at + 8));
    section.Count("objects", 1);
    // The records of the object and of the containers in it, as the source
    // walks them; the object's ICAO name goes to all its features.
    std::string icao;
    const size_t first = account.features.size();
    std::vector<uint64_t> ends{end};
    for (uint64_t p = at + kContainerHead; !ends.empty();) {
      const uint64_t limit = ends.back();
      const uint32_t code = p < limit && img_.Has(p, 4) ? img_.U32(p) : 0;
      if (code == 0 || limit - p < kHead || img_.U32(p + 4) > limit - p - kHead) {
        p = limit;
        ends.pop_back();
        continue;
      }
      const uint32_t length = img_.U32(p + 4);
      if (code == kContainerCode) {
        if (!img_.Has(p, 12)) {
          p = limit;
          ends.pop_back();
          continue;
        }
        ends.push_back(p + kHead + length);
        p += kContainerHead;
        continue;
      }
      std::string text;
      if (!ReadFields(p, code, length, text)) {
        p = limit;
        ends.pop_back();
        continue;
      }
      DescribeRecord(p, code, text, kind, account, icao);
      p += kHead + length;
    }
    if (!icao.empty()) {
      for (size_t i = first; i < account.features.size(); ++i) {
        if (account.features[i].ident.empty()) account.features[i].ident = icao;
      }
    }
    objects.push_back(NamedObject{at, first, account.features.size()});
    at = end;
  }
  NameObjects(objects, account);
}

void AirportFacilitySection::NameObjects(const std::vector<NamedObject>& objects, FileAccount& account) const {
  // The name lists' entries name objects by their file offset; the first
  // name an object gets (its first language) goes to its features. Each
  // object is named once, however many entries name it.
  constexpr uint64_t kListHead = 24;
  constexpr uint64_t kEntryHead = 16;
  if (nameLists_ == 0 || objects.empty()) return;
  std::vector<bool> named(objects.size(), false);
  for (uint64_t list = nameLists_; img_.Has(list, 12) && img_.U32(list) == kNameListCode;) {
    if (!img_.Has(list, uint64_t{img_.U32(list + 4)} + kHead)) return;
    const uint64_t end = list + kHead + img_.U32(list + 4);
    for (uint64_t at = list + kListHead; at < end && img_.Has(at, kEntryHead) && img_.U32(at) != 0;) {
      const uint32_t length = img_.U32(at + 4);
      if (end - at < kHead || length > end - at - kHead) break;
      const uint32_t reference = img_.U32(at + 12);
      const auto hit = std::lower_bound(objects.begin(), objects.end(), reference,
                                        [](const NamedObject& o, uint64_t r) { return o.offset < r; });
      if (hit != objects.end() && hit->offset == reference && length > kEntryHead - kHead &&
          !named[static_cast<size_t>(hit - objects.begin())]) {
        // The name ends at its 0 or at the entry's end.
        const std::string_view name = img_.Text(at + kEntryHead, length - (kEntryHead - kHead));
        if (!name.empty()) {
          named[static_cast<size_t>(hit - objects.begin())] = true;
          for (size_t i = hit->first; i < hit->end; ++i) {
            if (account.features[i].name.empty()) account.features[i].name.assign(name);
          }
        }
      }
      at += kHead + length;
    }
    list = end;
  }
}

void AirportFacilitySection::DescribeRecord(uint64_t at, uint32_t code, const std::string& text,
                                            const char* container, FileAccount& account,
                                            std::string& icao) {
  const char* kind = nullptr;
  switch (code) {
    case kApLocation: kind = "airport"; break;
    case kRwyLoc: kind = "runway"; break;
    case kTower: kind = "tower"; break;
    case kNavaid: kind = img_.U32(at + 36) == 0 ? "marker" : "navaid"; break;
    case kSetupLoc: kind = "start"; break;
    case kWayptLoc: kind = "waypoint"; break;
    case kIcaoId:
      icao = GeoText::NameText(reinterpret_cast<const uint8_t*>(text.data()), text.size());
      return;
    default: return;
  }
  AccountFeature* f = account.Add(kind, at);
  if (f == nullptr) return;
  f->lat = LatAt(at + 8);
  f->lon = LonAt(at + 16);
  f->Text("container", container);
  switch (code) {
    case kRwyLoc:
      f->Number("altitude", AltAt(at + 24))
          .Number("heading", GeoText::Angle32(img_.U32(at + 32)))
          .Number("magvar", GeoText::SignedAngle32(img_.I32(at + 36)))
          .Number("length", img_.I32(at + 40))
          .Number("width", img_.I32(at + 44))
          .Text("designator", std::string(1, RunwayLetter(img_.U32(at + 48))))
          .Number("number", img_.I32(at + 52))
          .Number("surface", img_.I32(at + 56));
      break;
    case kNavaid:
      f->name = text;
      f->Number("altitude", AltAt(at + 24)).Number("heading", GeoText::Angle32(img_.U32(at + 32)));
      if (img_.U32(at + 36) != 0) f->Number("frequency", HexDigitsFrequency(img_.U32(at + 36)));
      f->Number("type", img_.I32(at + 40)).Number("class", img_.I32(at + 44));
      break;
    case kSetupLoc:
      f->Number("altitude", AltAt(at + 24))
          .Number("heading", GeoText::Angle32(img_.U32(at + 32)))
          .Text("designator", std::string(1, RunwayLetter(img_.U32(at + 40))))
          .Number("number", img_.I32(at + 44));
      break;
    case kWayptLoc:
      f->name = text;
      break;
    default:
      f->Number("altitude", AltAt(at + 24));
      break;
  }
}

std::unique_ptr<BglSection> MakeAirportFacilitySection(CSkarnDoc& doc, uint64_t objectList, uint64_t nameLists) {
  return std::make_unique<AirportFacilitySection>(doc, objectList, nameLists);
}

}  // namespace skarn
