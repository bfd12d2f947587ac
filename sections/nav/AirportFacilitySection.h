// New-style airport facility data (FS2000 and FS2002 files with the extended
// header).
//
// The data is an object list of containers (airports, VOR and NDB stations,
// and kinds the assembler has no statement for), each a run of tagged records,
// followed elsewhere in the file by per-language name lists and, after them,
// an optional border record for the FS2002 taxiway data. The source is written
// as Container( blocks; what the assembler cannot express becomes comments.
//
// Every object, record and name entry has the same head: a u32 code and a u32
// length L, the whole item occupying L + 8 bytes. A record of code 1 is itself
// a container, so containers nest to any depth. All lengths come from the
// file: each item is checked against the container it lies in (and the
// outermost against the file) before it is read, and nesting is walked with an
// explicit stack, so hostile data can neither read outside the image, nor
// loop, nor exhaust the program's stack.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/BglSection.h"

namespace skarn {

class AirportFacilitySection : public BglSection {
 public:
  // objectList and nameLists are file offsets; nameLists is the raw header
  // value and may be 0 (no name lists) or lie outside the file.
  AirportFacilitySection(CSkarnDoc& doc, uint64_t objectList, uint64_t nameLists);

  // The document writes the section's summary lines itself: nothing here.
  void Summarize(std::vector<std::string>& lines) override;
  // Border record, objects, then the name lists.
  void WriteSource() override;
  // Every object's located records: airports (ident from its ICAO record),
  // runways, towers, navaids and markers, start positions, waypoints.
  void Describe(FileAccount& account) override;

  // Number (from 1) of the object that the last object walk found at this
  // file offset, or 0 when none was.
  int ObjectNumber(uint32_t fileOffset) const;
  // Objects written by the last object walk.
  int objectCount() const { return objectCount_; }
  uint64_t nameLists() const { return nameLists_; }

 private:
  void WriteBorder();
  void WriteObjects();
  void WriteContainerLine(uint64_t at, uint32_t type, int number, bool nested);
  void WalkRecords(uint64_t start, uint64_t end);
  // Writes one record that is not a container; false when its fields run
  // past the end of the file (an error line has been written).
  bool WriteRecord(uint64_t at, uint32_t code, uint32_t length);
  void WriteAiData(uint64_t at, uint32_t length);
  // Whether the fields of a record of this code (and its text, read into
  // text) lie inside the file.
  bool ReadFields(uint64_t at, uint32_t code, uint32_t length, std::string& text) const;
  // An object of the list and the range of its features in the account.
  struct NamedObject {
    uint64_t offset;
    size_t first;
    size_t end;
  };
  // Gives the objects' features the names the name lists give the objects.
  void NameObjects(const std::vector<NamedObject>& objects, FileAccount& account) const;
  // Adds the record at at (its fields inside the file) to the account.
  void DescribeRecord(uint64_t at, uint32_t code, const std::string& text, const char* container,
                      FileAccount& account, std::string& icao);
  void WriteParking(uint64_t element);

  double LatAt(uint64_t at) const;
  double LonAt(uint64_t at) const;
  double AltAt(uint64_t at) const;

  uint64_t nameLists_;
  // File offset of object n at index n - 1, in walk order (so ascending).
  std::vector<uint32_t> objectOffsets_;
  int objectCount_ = 0;
};

}  // namespace skarn
