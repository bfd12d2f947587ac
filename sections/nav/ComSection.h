// The COM section: ATIS broadcasts.
//
// The section starts with a latitude-band table; each band points at a list of
// ATIS records (id 4) of varying length, ended by a 0 byte:
//   0  id 4
//   1  COM frequency, two bytes of packed decimal digits (1xx.xx MHz)
//   3  latitude, 24 bits signed, 2 m units
//   6  longitude, 24 bits signed
//   9  a byte written as twice its value
//  10  record length, s16, from the record's first byte
//  12  four runway designations: bits 0-5 the number, bits 6-7 the letter
//      (none, L, R, C)
//  16  the broadcast text, ended by a 0 byte
// Offsets count from the section start and are signed, as stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/BglSection.h"
#include "core/ReadBudget.h"

namespace skarn {

class ComSection : public BglSection {
 public:
  ComSection(CSkarnDoc& doc, uint64_t start);

  void Summarize(std::vector<std::string>& lines) override;
  void Describe(FileAccount& account) override;
  void WriteSource() override;
  void WriteBand(uint32_t offset) override;

 private:
  // kBadLength: a sound record whose length would not move on to a next one.
  // kOutside: the fixed fields or the text's terminator lie outside the image.
  // kOverRead: the allowance below ran out (and is spent).
  enum class Record { kEnd, kAtis, kBadLength, kUnknown, kOutside, kOverRead };
  // Classifies the record at rel (from the section start), charging the
  // allowance one for the record and one per byte of its text.
  Record ReadRecord(int64_t rel, int16_t& length);
  int CountRecords(int32_t list);
  void WriteRecord(uint64_t p);
  // The runway designations ("9L 27R 0  0 ") and the broadcast text as the
  // source writes them.
  std::string RunwaysText(uint64_t p) const;
  std::string MessageText(uint64_t p) const;

  std::string OverReadText() const;

  // Bands may point at one shared list, and a text may run on through the
  // records after its own, so a small file could make a walk read without
  // end. One summary or source run reads at most as many records and text
  // bytes (each list's final 0 included) as the file has bytes, more than a
  // file holding each list and text once can have.
  ReadBudget budget_;

  // Runway designator letters by the top two bits of a designation byte.
  static constexpr char kDesignators[5] = " LRC";
};

}  // namespace skarn
