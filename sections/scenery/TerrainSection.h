// FS2002 terrain data.
//
// The section starts with a table of 32-bit offsets, one per kind of terrain
// data (elevation mesh, land classes, water classes, seasons, regions,
// land/water masks, textured polygons); the first non-zero one in a fixed
// order names the kind the file holds. SCASM has no statements for any of
// them, so a file with terrain data is written as BGLC macro source instead.
// Two kinds are decoded completely: the land/water mask (LWM) and the
// textured polygons (VTP). Both keep their data in cells: an index of 12-byte
// entries (cell word, offset and length of the cell's data) and a data area of
// variable-length area records.
//
// Every offset, count and length comes from the file and is checked against
// the image: a subsection header outside the file ends its body with an
// "; Error:" comment, a record that runs past the end of the file is replaced
// by one, and the next cell is decoded as usual.
//
// Index entries may share one cell's data, or point into the middle of
// another cell's, and texture entries one name, so a small file could make
// the source repeat the same records again and again and grow with the
// square of its size. One source run reads at most kReadFactor times the
// file's size in area record bytes, and as much again in texture name bytes:
// twice what a file that stores each cell and name once can hold. The cells
// and textures after that keep their labels but lose their records, with an
// "; Error:" comment where the allowance ran out. Every byte read writes at most some 90 bytes of text (a
// polygon head with its reserved-bit warning), so the source grows at most
// about 180 times the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/BglSection.h"
#include "core/Format.h"
#include "core/ReadBudget.h"

namespace skarn {

class TerrainSection : public BglSection {
 public:
  // Terrain data kinds (0: none of the known offsets is set).
  static constexpr int kUnknown = 0;
  static constexpr int kElevation = 1;
  static constexpr int kLandClass = 2;
  static constexpr int kLandClassLookup = 3;
  static constexpr int kWaterClass = 4;
  static constexpr int kSeason = 5;
  static constexpr int kRegion = 6;
  static constexpr int kLandWaterMask = 10;
  static constexpr int kTexturedPolygons = 11;

  // Offsets in the terrain data header of the two decoded subsections.
  static constexpr uint32_t kLwmField = 56;
  static constexpr uint32_t kVtpField = 60;

  TerrainSection(CSkarnDoc& doc, uint64_t start) : BglSection(doc, start) {}

  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;
  // The cells of a land/water mask or of textured polygons, by their cell
  // numbers (the data names no position in degrees).
  void Describe(FileAccount& account) override;

  int kind() const { return kind_; }

 private:
  static constexpr uint64_t kReadFactor = 2;

  // One area record at p, written in full (only measured while measuring_ is
  // set); returns the position after it. A read outside the image shows in
  // img_.failed().
  using RecordWriter = uint64_t (TerrainSection::*)(uint64_t p);

  void WriteBglHeader();
  void WriteLandWaterMask();
  void WriteTexturedPolygons();

  // The data of the first usable cells of an index (entries at entries, data
  // offsets from area), each between its BeginData and EndData labels.
  void WriteCellData(uint64_t entries, uint64_t usable, uint64_t area, RecordWriter record);
  // The area records of one cell, from..end. False once the run's allowance
  // is spent (which it reports).
  bool WriteCellRecords(uint64_t from, uint64_t end, RecordWriter record);
  uint64_t WriteLwmRecord(uint64_t p);
  uint64_t WriteVtpRecord(uint64_t p);
  uint64_t WritePolygonMethod1(uint64_t p);
  uint64_t WritePolygonMethod2(uint64_t p);
  void WriteTextures(uint64_t list);
  enum class TextRead { kText, kCut, kOverRead };
  // The zero-terminated text at p, charged to the allowance with its 0.
  TextRead ReadText(uint64_t p, std::string_view& text);
  // "; Error: <what> overlap (more than N bytes read); the remaining <rest>
  // are skipped".
  void WriteOverRead(const char* what, const char* rest);

  // What the record writers write: nothing while a record is measured.
  void Put(std::string_view text) {
    if (!measuring_) out_.WriteText(text);
  }
  void Putf(const char* fmt, ...) SKARN_PRINTF(2, 3);

  // Number of entries of the given size at array that lie inside the image
  // (at most count).
  uint64_t EntriesInside(uint64_t array, uint32_t count, uint64_t size) const;
  // Offset from the section start, as the comments print positions.
  unsigned long long Rel(uint64_t p) const { return static_cast<unsigned long long>(p - data_); }

  int kind_ = kUnknown;
  // A record is measured before it is written, so that one that leaves the
  // file writes nothing and none is held in memory while it is written.
  bool measuring_ = false;
  std::string putf_;
  ReadBudget budget_;  // of the source run, in record and name bytes
};

}  // namespace skarn
