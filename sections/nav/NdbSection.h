// The NDB (ADF) section: non-directional beacons.
//
// The section starts with a latitude-band table; each band points at a list of
// 42-byte beacon records (id 4), ended by a 0 byte:
//   0  id 4
//   1  frequency, three bytes of packed decimal digits
//   4  latitude, 24 bits signed, 2 m units
//   7  longitude, 24 bits signed
//  10  altitude, s16
//  12  beacon byte
//  13  identifier, 5 bytes
//  18  name, 24 bytes
// Offsets count from the section start and are signed, as stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/BglSection.h"
#include "core/ReadBudget.h"

namespace skarn {

class NdbSection : public BglSection {
 public:
  NdbSection(CSkarnDoc& doc, uint64_t start);

  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;
  void WriteBand(uint32_t offset) override;
  void Describe(FileAccount& account) override;

 private:
  enum class Record { kEnd, kBeacon, kUnknown, kOutside };
  Record ReadRecord(int64_t rel) const;
  int CountBeacons(int32_t list);

  std::string OverReadText() const;

  // Bands may point at one shared list, so a small file could make a walk
  // read its records without end. One summary or source run reads at most as
  // many records (each list's final 0 included) as the file has bytes, far
  // more than a file holding each list once can have.
  ReadBudget budget_;
};

}  // namespace skarn
