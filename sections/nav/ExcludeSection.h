// The exclusion section: scenery of other files that the simulator is to
// suppress.
//
// A list of records ended by a byte 0: exclusion areas (id 3, 19 bytes: s16
// flags, two latitudes and two longitudes as s32) and single excluded objects
// (id 4, 13 bytes: s32 latitude, s32 longitude, four bytes). Areas become
// GenExcl statements; the assembler has no statement for an excluded object,
// so those are written as comments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/BglSection.h"

namespace skarn {

class ExcludeSection : public BglSection {
 public:
  ExcludeSection(CSkarnDoc& doc, uint64_t start) : BglSection(doc, start) {}

  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;
  void Describe(FileAccount& account) override;

 private:
  enum class Record { kEnd, kArea, kObject, kUnknownId, kPastEnd };
  // Classifies the record at p; kArea and kObject only when the whole record
  // lies inside the file.
  Record ReadRecord(uint64_t p) const;
  // The four coordinate texts of the area at p, in the given order.
  std::string AreaCoordinates(uint64_t p);
  uint32_t OffsetOf(uint64_t p) const { return static_cast<uint32_t>(p - data_); }
};

}  // namespace skarn
