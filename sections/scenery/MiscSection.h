// The miscellaneous section: marker beacons, land-me points, time zones,
// areas of scenery commands and flatten polygons.
//
// The section starts with a latitude-band table; each band points at a list
// of variable-length records, each led by an identifier byte, ended by a 0
// byte. The command blocks of the "Area16" records are programs in the
// scenery command language; they are disassembled by a procedural-section
// walker object that this section creates for the length of one source run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/BglSection.h"
#include "core/ReadBudget.h"

namespace skarn {

class ProceduralSection;

class MiscSection : public BglSection {
 public:
  MiscSection(CSkarnDoc& doc, uint64_t start);
  ~MiscSection() override;

  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;
  void WriteBand(uint32_t offset) override;
  // Markers, land-me points, time zones, elevated-object areas and flatten
  // polygons, stepped over as the source steps.
  void Describe(FileAccount& account) override;

 private:
  // What one band's record list holds, as the summary counts it.
  struct BandCounts {
    int markers = 0;
    int landMe = 0;
    int elevated = 0;  // areas of scenery commands
    int flatten = 0;
    int timeZones = 0;
  };
  // Counts the record list at offset (from the section start); errors are
  // reported to the user and end the count.
  BandCounts CountBand(uint32_t offset);

  // Bands may share a record list, or point into the middle of another
  // band's list, so a small file could make the walks read the same records
  // again and again, and the source grow with the square of the file. One
  // summary or source run steps over at most kReadFactor times the file's
  // size in record bytes, far more than a file whose lists lie apart holds.
  static constexpr uint64_t kReadFactor = 4;
  // Charges the step of advance bytes from p (as far as they lie in the file)
  // against the run's allowance; false, from then on, once it is spent.
  bool Read(uint64_t p, uint64_t advance);
  // "... (more than N bytes read); <what>".
  std::string OverReadText(const char* prefix, const char* what) const;

  // Each writer returns the number of bytes to advance past the record, or 0
  // when it wrote an error comment and the band must end.
  uint64_t WriteMarker(uint64_t p);
  // Adds the record at p; returns the step to the next one, 0 to end the band.
  uint64_t DescribeRecord(uint64_t p, FileAccount& account);
  uint64_t WriteLandMe(uint64_t p);
  uint64_t WriteTimeZone(uint64_t p);
  uint64_t WriteCommandArea(uint64_t p);
  uint64_t WriteFlatten(uint64_t p);
  void WriteVertices(uint64_t first, unsigned count, unsigned size, bool withAltitude);
  void WriteRawVertices(uint64_t first, unsigned count);
  // Writes the "runs past the end of the file" comment; returns 0.
  uint64_t PastEnd(uint64_t p);

  ProceduralSection& Walker();

  // Only alive during WriteSource; owns the label table of the command blocks.
  std::unique_ptr<ProceduralSection> walker_;
  ReadBudget budget_;  // of the run, in record bytes
};

}  // namespace skarn
