// A synthetic scenery seed section, one per seed size (1 to 6).
//
// A table of 7-byte row records (u8 id 0x16, s16 row number, u32 offset of
// the row's column list from the section start), ended by a byte 0. A column
// list holds single columns (id 4, 10 bytes: u16 column, one block) and runs
// of columns (id 5: u16 first, u16 last, then one 7-byte block per column),
// ended by a byte 0. A block is u8, u8, s16, one unused byte, s16.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/BglSection.h"
#include "core/ReadBudget.h"

namespace skarn {

class SeedSection : public BglSection {
 public:
  SeedSection(CSkarnDoc& doc, uint64_t start, int seedSize);

  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;
  // Every block with its row and column (seed blocks are placed by their
  // grid cell, so they carry no position in degrees).
  void Describe(FileAccount& account) override;

  int seedSize() const { return size_; }

 private:
  enum class Row { kEnd, kRow, kUnknownId, kPastEnd };
  enum class Column { kEnd, kSingle, kRun, kUnknownId, kPastEnd, kBadRun, kOverRead };
  struct ColumnRecord {
    uint16_t first = 0;
    uint16_t last = 0;
    uint64_t next = 0;  // the record after this one
  };

  Row ReadRow(uint64_t p) const;
  // Classifies the column record at p; kSingle and kRun only when all their
  // blocks lie inside the file, kBadRun when a run ends before it starts.
  Column ReadColumn(uint64_t p, ColumnRecord& c) const;
  // ReadColumn, charging the allowance below one for the record and one per
  // block of a run; kOverRead once it is spent (a run it cannot pay for in
  // full spends it).
  Column TakeColumn(uint64_t p, ColumnRecord& c);
  // "3, 7 to 9": the columns of the list at p.
  std::string ColumnText(uint64_t p);
  void WriteRow(uint64_t p);
  void WriteBlock(unsigned column, uint64_t block);
  void DescribeBlock(int row, unsigned column, uint64_t block, FileAccount& account);

  std::string RowError(Row r, uint64_t p) const;
  std::string ColumnError(Column c, const ColumnRecord& rec, uint64_t p) const;
  uint32_t OffsetOf(uint64_t p) const { return static_cast<uint32_t>(p - data_); }

  std::string OverReadText() const;

  int size_;
  // Rows may share column lists, so a small file could make a walk read
  // without end. One summary or source run reads at most as many column
  // records and blocks (each list's final 0 included) as the file has bytes,
  // more than a file holding each list once can have.
  ReadBudget budget_;
};

}  // namespace skarn
