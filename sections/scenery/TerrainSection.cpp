#include "sections/scenery/TerrainSection.h"

#include <algorithm>
#include <cstdarg>

#include "core/Format.h"
#include "core/GeoText.h"
#include "core/SectionFactory.h"
#include "core/SkarnDoc.h"

namespace skarn {

namespace {

// The offsets of the terrain data header, in the order they are tested: the
// first non-zero one names the kind.
struct KindField {
  uint32_t field;
  int kind;
  const char* summary;
  const char* comment;  // ends the "; This file contains terrain data" line
};

constexpr KindField kKindFields[] = {
    {16, TerrainSection::kElevation, "elevation type", " of elevation mesh type\n"},
    {20, TerrainSection::kLandClass, "landclass type", " of landclass type\n"},
    {28, TerrainSection::kLandClassLookup, "landclass lookup type", " of landclass lookup type\n"},
    {TerrainSection::kLwmField, TerrainSection::kLandWaterMask, "land/water mask type", " of land/water mask type\n"},
    {TerrainSection::kVtpField, TerrainSection::kTexturedPolygons, "textured polygon type",
     " of textured polygon type\n"},
    {88, TerrainSection::kRegion, "region definition type", " of region definition type\n"},
    {32, TerrainSection::kSeason, "season definition type", " of season definition type\n"},
    {40, TerrainSection::kWaterClass, "waterclass type", " of waterclass type\n"},
};

constexpr const char* kUnknownSummary = "unknown type";
constexpr const char* kUnknownComment = " of unknown type\n";

// The western bound of the BGLHeader line is converted with this divisor (not
// 2^32 / 36), which the terrain tools' headers expect.
constexpr double kWestDivisor = 119304645.0;

// Fill areas in LWM cells: the first set bit among 5..9 gives the fill size;
// its two values are the bits above it up to bit 10 and up to bit 15.
constexpr unsigned kUnrecognizedFill = 55537;

unsigned Bits(uint32_t v, unsigned lo, unsigned count) { return (v >> lo) & ((1u << count) - 1u); }

}  // namespace

std::unique_ptr<BglSection> MakeTerrainSection(CSkarnDoc& doc, uint64_t start) {
  return std::make_unique<TerrainSection>(doc, start);
}

void TerrainSection::Summarize(std::vector<std::string>& lines) {
  // A header cut short by the end of the file reads as zeros where it is
  // missing; the kind is still taken from what is there, but the user is told
  // when a missing offset could have decided it.
  kind_ = kUnknown;
  const char* text = kUnknownSummary;
  bool cut = false;
  for (const KindField& f : kKindFields) {
    if (!img_.Has(data_ + f.field, 4)) {
      cut = true;
      continue;
    }
    if (img_.U32(data_ + f.field) != 0) {
      kind_ = f.kind;
      text = f.summary;
      break;
    }
  }
  lines.push_back(std::string("File contains FS2002 terrain data of ") + text);
  if (cut) {
    doc().Report(Format("Error: FS2002 terrain data header at 0x%llX runs past the end of the file",
                        static_cast<unsigned long long>(data_)), data_);
  }
}

void TerrainSection::WriteSource() {
  const char* comment = kUnknownComment;
  for (const KindField& f : kKindFields) {
    if (f.kind == kind_) comment = f.comment;
  }
  out_.WriteNewline();
  out_.WriteSeparator();
  out_.WriteText("; This file contains terrain data");
  out_.WriteText(comment);
  out_.WriteSeparator();
  if (kind_ != kLandWaterMask && kind_ != kTexturedPolygons) {
    out_.WriteText("; Analysis of this type of terrain data is still impossible\n");
    out_.WriteSeparator();
    return;
  }
  out_.WriteText("\ninclude TDFMacros.inc\ninclude TDFHeaders.inc\n\n");
  WriteBglHeader();
  budget_.Start(kReadFactor * static_cast<uint64_t>(img_.size()));
  if (kind_ == kLandWaterMask) {
    WriteLandWaterMask();
  } else {
    WriteTexturedPolygons();
  }
}

void TerrainSection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  const bool lwm = kind_ == kLandWaterMask;
  if (!lwm && kind_ != kTexturedPolygons) return;
  section.detailed = true;
  const uint64_t sub = data_ + img_.U32(data_ + (lwm ? kLwmField : kVtpField));
  if (!img_.Has(sub + 8, 8)) return;
  const uint64_t index = sub + img_.U32(sub + 8);
  if (!img_.Has(index + 4, 8)) return;
  const uint32_t n = img_.U32(index + 4);
  const uint64_t entries = index + img_.U32(index + 8);
  const uint64_t usable = EntriesInside(entries, n, 12);
  section.Count("cells", static_cast<int64_t>(usable));
  for (uint64_t i = 0; i < usable; ++i) {
    const uint64_t e = entries + 12 * i;
    const uint32_t word = img_.U32(e);
    AccountFeature* f = account.Add("terrain_cell", e);
    if (f == nullptr) return;
    f->located = false;
    f->Text("type", lwm ? "lwm" : "vtp").Number("x", Bits(word, 12, 10)).Number("y", Bits(word, 22, 10));
    if (lwm) f->Number("level", Bits(word, 0, 9)).Number("arg2", Bits(word, 9, 1)).Number("arg3", Bits(word, 10, 2));
    f->Number("length", img_.U32(e + 8));
  }
}

void TerrainSection::WriteBglHeader() {
  // The bounds of the BGL file header, in whole degrees. The western bound is
  // converted in double precision: its ten-fold value does not fit 32 bits.
  const ByteReader& image = doc().image();
  const double north = GeoText::Lat32(image.I32(hdr::kNorth));
  const double south = GeoText::Lat32(image.I32(hdr::kSouth));
  const double east = GeoText::Lon32(image.I32(hdr::kEast));
  const double west = static_cast<double>(image.I32(hdr::kWest)) * 10.0 / kWestDivisor;
  out_.SetLine(" BGLHeader %02.0f, %02.0f, %03.0f, %03.0f, ", north, south, east, west);
  out_.line += kind_ == kLandWaterMask ? "LWMHeader, TerrainHeaderStart\n" : "TerrainHeaderStart, VTPHeader\n";
  out_.FlushLine();
}

uint64_t TerrainSection::EntriesInside(uint64_t array, uint32_t count, uint64_t size) const {
  if (array >= img_.size()) return 0;
  return std::min<uint64_t>(count, (img_.size() - array) / size);
}

void TerrainSection::Putf(const char* fmt, ...) {
  if (measuring_) return;
  putf_.clear();
  va_list args;
  va_start(args, fmt);
  VAppendf(putf_, fmt, args);
  va_end(args);
  out_.WriteText(putf_);
}

void TerrainSection::WriteOverRead(const char* what, const char* rest) {
  out_.Row<"; Error: %s overlap (more than %llu bytes read); the remaining %s are skipped\n">(what,
              static_cast<unsigned long long>(budget_.allowance()), rest);
}

void TerrainSection::WriteCellData(uint64_t entries, uint64_t usable, uint64_t area, RecordWriter record) {
  // Once the allowance is spent every cell keeps its labels, which the index
  // names, but no records.
  bool reading = true;
  for (uint64_t i = 0; i < usable; ++i) {
    const uint64_t e = entries + 12 * i;
    const uint64_t from = area + img_.U32(e + 4);
    const uint32_t length = img_.U32(e + 8);
    out_.Row<"BeginData%llu\tlabel\tword\n">(static_cast<unsigned long long>(i));
    if (reading) reading = WriteCellRecords(from, from + length, record);
    out_.Row<"EndData%llu\tlabel\tword\n">(static_cast<unsigned long long>(i));
  }
}

bool TerrainSection::WriteCellRecords(uint64_t from, uint64_t end, RecordWriter record) {
  uint64_t p = from;
  uint64_t last = from;
  while (p < end) {
    // A record that leaves the file is not written at all and the rest of
    // the cell is given up. Measuring it first (its walk without the text)
    // tells, and charges its bytes.
    img_.ClearError();
    measuring_ = true;
    const uint64_t next = (this->*record)(p);
    measuring_ = false;
    if (img_.failed()) {
      img_.ClearError();
      out_.Row<"; Error: area record at %llX runs past the end of the file\n">(Rel(p));
      return true;
    }
    if (!budget_.Take(std::min(next, static_cast<uint64_t>(img_.size())) - p)) {
      WriteOverRead("terrain cells", "area records");
      return false;
    }
    (this->*record)(p);
    last = p;
    p = next;
  }
  if (p > end) {
    out_.Row<"; Error: area record at %llX runs %llu bytes past the end of its cell\n">(Rel(last),
                static_cast<unsigned long long>(p - end));
  }
  return true;
}

// ---------------------------------------------------------------------------
// Land/water mask
//
// LWM subsection: +8 offset of the index, +12 offset of the data area (both
// from the subsection start). Index: +4 entry count, +8 offset of the entry
// array (from the index). Entry: cell word, data offset (from the data area),
// data length. Cell word: bits 0-8, 9 and 10-11 are the cell ID's first three
// arguments, bits 12-21 the cell x, bits 22-31 the cell y.

void TerrainSection::WriteLandWaterMask() {
  const uint64_t lwm = data_ + img_.U32(data_ + kLwmField);
  if (!img_.Has(lwm + 8, 8)) {
    out_.Row<"; Error: land/water mask header at %llX lies outside the file\n">(Rel(lwm));
    return;
  }
  const uint64_t index = lwm + img_.U32(lwm + 8);
  const uint64_t area = lwm + img_.U32(lwm + 12);
  if (!img_.Has(index + 4, 8)) {
    out_.Row<"; Error: land/water mask index at %llX lies outside the file\n">(Rel(index));
    return;
  }
  const uint32_t n = img_.U32(index + 4);
  const uint64_t entries = index + img_.U32(index + 8);
  const uint64_t usable = EntriesInside(entries, n, 12);

  out_.WriteText("\nLWMHeader\tlabel\tword\n\n");
  out_.WriteText("LWMFileHeader 0201h, LWMIndexStart, LWMDataStart, LWMEnd\n");
  out_.WriteText("\nLWMIndexStart\tlabel\tword\n");
  out_.Row<"LWMIndexHeader %d, LWMIndexData\n">(static_cast<int32_t>(n));
  out_.WriteText("\nLWMIndexData\tlabel\tword\n");

  // A cell's symbol is defined where the cell first appears after a
  // different one.
  uint32_t previous = 0;
  for (uint64_t i = 0; i < usable; ++i) {
    const uint64_t e = entries + 12 * i;
    const uint32_t word = img_.U32(e);
    const uint32_t length = img_.U32(e + 8);
    const unsigned x = Bits(word, 12, 10);
    const unsigned y = Bits(word, 22, 10);
    const uint32_t cell = word >> 12;
    if (i == 0 || cell != previous) {
      out_.Row<"Cell_%u_%u\tEQU\tLWMCellID %u, %u, %u, %u, %u\n">(x, y, Bits(word, 0, 9), Bits(word, 9, 1),
                  Bits(word, 10, 2), x, y);
    }
    previous = cell;
    if (length == 0) {
      out_.Row<"LWMIndexEntry Cell_%u_%u, LWMDataStart, LWMDataStart, LWMDataStart\n">(x, y);
    } else {
      out_.Row<"LWMIndexEntry Cell_%u_%u, LWMDataStart, BeginData%llu, EndData%llu\n">(x, y,
                  static_cast<unsigned long long>(i), static_cast<unsigned long long>(i));
    }
  }
  if (usable < n) {
    out_.Row<"; Error: %u index entries at %llX run past the end of the file; %llu written\n">(n, Rel(entries),
                static_cast<unsigned long long>(usable));
  }

  out_.WriteText("\nLWMDataStart\tlabel\tWord\n");
  WriteCellData(entries, usable, area, &TerrainSection::WriteLwmRecord);
  out_.WriteText("LWMEnd\tlabel\tword\n");
}

// An LWM area record starts with a 16-bit area word. With bits 0-2 clear it
// fills the cell (optionally followed by a 3-byte height record); otherwise
// bits 0-2 count its polygons (7: the count is the next byte + 7).
uint64_t TerrainSection::WriteLwmRecord(uint64_t p) {
  const uint32_t w = img_.U16(p);
  const unsigned code = Bits(w, 0, 3);
  if (code == 0) {
    unsigned t = Bits(w, 3, 2);
    unsigned a = 0;
    unsigned b = 0;
    const char* macro = nullptr;
    if ((w & 0x20) != 0) {
      macro = "LWMDataAreaFill1x1 ";
      a = Bits(w, 6, 5);
      b = Bits(w, 11, 5);
    } else if ((w & 0x40) != 0) {
      macro = "LWMDataAreaFill2x2 ";
      a = Bits(w, 7, 4);
      b = Bits(w, 12, 4);
    } else if ((w & 0x80) != 0) {
      macro = "LWMDataAreaFill4x4 ";
      a = Bits(w, 8, 3);
      b = Bits(w, 13, 3);
    } else if ((w & 0x100) != 0) {
      macro = "LWMDataAreaFill8x8 ";
      a = Bits(w, 9, 2);
      b = Bits(w, 14, 2);
    } else if ((w & 0x200) != 0) {
      macro = "LWMDataAreaFill16x16 ";
      a = Bits(w, 10, 1);
      b = Bits(w, 15, 1);
    } else {
      // No fill size: the record is kept as a comment, and its marker value
      // in t means no height record is read.
      macro = "; Unrecognizable Fill ";
      t = a = b = kUnrecognizedFill;
    }
    Put(macro);
    if ((w & 0x20) != 0) {
      Putf("0, %u, 1, %u, %u\n", t, a, b);
    } else {
      Putf("0, %u, 0, 1, %u, 0, %u\n", t, a, b);
    }
    p += 2;
    if (t == 0 || t == 2) {
      Putf("LWMDataAreaHeight %d, %u\n", int{img_.I16(p)}, unsigned{img_.U8(p + 2)});
      p += 3;
    }
    return p;
  }

  Put(code == 7 ? "LWMDataAreaDrawPolygonsEx " : "LWMDataAreaDrawPolygons ");
  Putf("%u, %u, %u, %u, %u", code, Bits(w, 3, 2), Bits(w, 5, 1), Bits(w, 6, 5), Bits(w, 11, 5));
  unsigned polygons = code;
  if (code == 7) {
    const unsigned extra = img_.U8(p + 2);
    Putf(", %u\n", extra);
    polygons = extra + 7;
    p += 3;
  } else {
    Put("\n");
    p += 2;
  }
  // Polygon: head byte (bits 0-5 point count, 63 = extended; bit 7 a flag),
  // s16, u8, for 63 one more count byte (+ 63), then 2 bytes per point.
  for (unsigned k = 0; k < polygons && !img_.failed(); ++k) {
    const unsigned head = img_.U8(p);
    const unsigned c = Bits(head, 0, 6);
    Put(c == 63 ? "LWMPoly2Ex " : "LWMPoly2 ");
    Putf("%u, 0, %u, %d, %u", c, Bits(head, 7, 1), int{img_.I16(p + 1)}, unsigned{img_.U8(p + 3)});
    unsigned points = c;
    if (c == 63) {
      const unsigned extra = img_.U8(p + 4);
      Putf(", %u\n", extra);
      points = extra + 63;
      p += 5;
    } else {
      Put("\n");
      p += 4;
    }
    for (unsigned j = 0; j < points && !img_.failed(); ++j) {
      Putf("\tLWMPoint %u, %u\n", unsigned{img_.U8(p)}, unsigned{img_.U8(p + 1)});
      p += 2;
    }
  }
  return p;
}

}  // namespace skarn
