// The old-style facilities section: the simulator's airport menu.
//
// The section is a list of region records (u8 id 1, s16 record length, s32
// offset of the region's airport list from the section start, zero-terminated
// region name), ended by a byte 0. Each airport list holds airport records
// (u8 id 3, s16 record length, position, altitude, three packed-decimal
// frequencies and three angles, zero-terminated name), ended by a byte 0.
// Records are chained by their length fields, so a length of 0 or less, or a
// list that runs off the file, ends the walk with an error.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/BglSection.h"
#include "core/ReadBudget.h"

namespace skarn {

class FacilitySection : public BglSection {
 public:
  FacilitySection(CSkarnDoc& doc, uint64_t start);

  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;
  void Describe(FileAccount& account) override;

 private:
  // Airports counted from a record to the end of its list, for the records of
  // lists already counted in this summary: regions may share (parts of)
  // airport lists, and counting each again would take quadratic time.
  using CountMemo = std::unordered_map<uint64_t, int>;

  // Counts the airport list at p. Returns false (after reporting) when the
  // list is broken; count then holds the records before the fault.
  bool CountAirports(uint64_t p, CountMemo& memo, int& count);
  void WriteAirports(uint64_t p);
  int64_t DescribeAirports(uint64_t p, const std::string& region, FileAccount& account);
  // Writes an error text as a "; " comment line.
  void WriteError(const std::string& text);
  enum class Text { kFound, kOutside, kOverRead };
  // Length of the zero-terminated text at p; kOutside when the file ends
  // before its terminator. The search charges the allowance below one per
  // byte, the terminator included; kOverRead (the allowance spent) when it
  // runs out first.
  Text TextLength(uint64_t p, uint64_t& length);
  std::string OverReadText() const;
  // Reports the spent allowance; the walk then ends, and nothing more is
  // read.
  void OverRead(bool summary);

  // Regions may share airport lists, and a name may run on through the
  // records after its own, so a small file could make a walk read without
  // end. One summary or source run reads at most as many records and name
  // bytes (each list's final 0 included) as the file has bytes, more than a
  // file holding each list and name once can have.
  ReadBudget budget_;
  // Offset from the section start, as messages print it.
  uint32_t OffsetOf(uint64_t p) const { return static_cast<uint32_t>(p - data_); }
};

}  // namespace skarn
