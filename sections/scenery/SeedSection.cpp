#include "sections/scenery/SeedSection.h"

#include "core/Format.h"
#include "core/SectionFactory.h"
#include "core/SkarnDoc.h"

namespace skarn {

namespace {

constexpr uint8_t kRowId = 0x16;
constexpr uint8_t kSingleId = 4;
constexpr uint8_t kRunId = 5;
constexpr uint64_t kRowSize = 7;
constexpr uint64_t kSingleSize = 10;
constexpr uint64_t kRunHead = 5;
constexpr uint64_t kBlockSize = 7;

}  // namespace

SeedSection::SeedSection(CSkarnDoc& doc, uint64_t start, int seedSize) : BglSection(doc, start), size_(seedSize) {
  SetName(Format("Seed%d", seedSize).c_str());
}

SeedSection::Row SeedSection::ReadRow(uint64_t p) const {
  if (!img_.Has(p, 1)) return Row::kPastEnd;
  const uint8_t id = img_.U8(p);
  if (id == 0) return Row::kEnd;
  if (id != kRowId) return Row::kUnknownId;
  return img_.Has(p, kRowSize) ? Row::kRow : Row::kPastEnd;
}

SeedSection::Column SeedSection::ReadColumn(uint64_t p, ColumnRecord& c) const {
  if (!img_.Has(p, 1)) return Column::kPastEnd;
  switch (img_.U8(p)) {
    case 0:
      return Column::kEnd;
    case kSingleId:
      if (!img_.Has(p, kSingleSize)) return Column::kPastEnd;
      c.first = c.last = img_.U16(p + 1);
      c.next = p + kSingleSize;
      return Column::kSingle;
    case kRunId: {
      if (!img_.Has(p, kRunHead)) return Column::kPastEnd;
      c.first = img_.U16(p + 1);
      c.last = img_.U16(p + 3);
      // A run that ends before it starts has no blocks to step over; the
      // list could not go on from it.
      if (c.last < c.first) return Column::kBadRun;
      const uint64_t length = kRunHead + kBlockSize * (uint64_t{c.last} - c.first + 1);
      if (!img_.Has(p, length)) return Column::kPastEnd;
      c.next = p + length;
      return Column::kRun;
    }
    default:
      return Column::kUnknownId;
  }
}

SeedSection::Column SeedSection::TakeColumn(uint64_t p, ColumnRecord& c) {
  if (!budget_.Take()) return Column::kOverRead;
  const Column kind = ReadColumn(p, c);
  if (kind != Column::kRun) return kind;
  return budget_.Take(uint64_t{c.last} - c.first + 1) ? kind : Column::kOverRead;
}

std::string SeedSection::OverReadText() const {
  return Format("Error: seed section %d lists are shared too often (more than %llu records read); "
                "no more records are read",
                size_, static_cast<unsigned long long>(img_.size()));
}

std::string SeedSection::RowError(Row r, uint64_t p) const {
  const int index = static_cast<int>(OffsetOf(p) / kRowSize);
  if (r == Row::kUnknownId) return Format("Error: unknown ID in Seed Section %d, Latitude Band %d", size_, index);
  return Format("Error: Seed Section %d, Latitude Band %d runs past the end of the file", size_, index);
}

std::string SeedSection::ColumnError(Column c, const ColumnRecord& rec, uint64_t p) const {
  switch (c) {
    case Column::kUnknownId:
      return Format("Error: unknown ID in seed section %d at offset %X", size_, OffsetOf(p));
    case Column::kBadRun:
      return Format("Error: bad column run %d to %d in seed section %d at offset %X", rec.first, rec.last, size_,
                    OffsetOf(p));
    case Column::kOverRead:
      return OverReadText();
    default:
      return Format("Error: seed section %d at offset %X runs past the end of the file", size_, OffsetOf(p));
  }
}

// ---------------------------------------------------------------------------
// Summary: one line per row naming its columns.

void SeedSection::Summarize(std::vector<std::string>& lines) {
  lines.push_back(Format("Synthetic seeds size %d:", size_));
  budget_.Start(img_.size());
  for (uint64_t p = data_; !budget_.spent(); p += kRowSize) {
    const Row r = ReadRow(p);
    if (r == Row::kEnd) return;
    if (r != Row::kRow) {
      doc().Report(RowError(r, p), p);
      return;
    }
    const std::string columns = ColumnText(data_ + img_.U32(p + 3));
    lines.push_back(Format("   Row %d: Col. %s", img_.I16(p + 1), columns.c_str()));
  }
}

std::string SeedSection::ColumnText(uint64_t p) {
  std::string text;
  for (;;) {
    ColumnRecord c;
    const Column kind = TakeColumn(p, c);
    switch (kind) {
      case Column::kEnd:
        // Drop the last ", ".
        if (!text.empty()) text.resize(text.size() - 2);
        return text;
      case Column::kSingle:
        Appendf(text, "%d, ", c.first);
        break;
      case Column::kRun:
        Appendf(text, "%d to %d, ", c.first, c.last);
        break;
      default:
        // The row keeps what was read so far, its last ", " included.
        doc().Report(ColumnError(kind, c, p), p);
        return text;
    }
    p = c.next;
  }
}

// ---------------------------------------------------------------------------
// Source: a Synth statement per row, its blocks as comment-like lines.

void SeedSection::WriteSource() {
  out_.SetLine("; Synthetic seeds size %d:\n", size_);
  out_.WriteSeparator();
  out_.FlushLine();
  budget_.Start(img_.size());
  for (uint64_t p = data_; !budget_.spent(); p += kRowSize) {
    const Row r = ReadRow(p);
    if (r == Row::kEnd) return;
    if (r == Row::kUnknownId) {
      // Written as it stands, without a comment mark.
      out_.WriteText(RowError(r, p) + "\n");
      return;
    }
    if (r == Row::kPastEnd) {
      out_.WriteText("; " + RowError(r, p) + "\n");
      return;
    }
    out_.SetLine("Synth %d %d\n", size_, img_.I16(p + 1));
    out_.FlushLine();
    WriteRow(data_ + img_.U32(p + 3));
  }
}

void SeedSection::WriteRow(uint64_t p) {
  for (;;) {
    ColumnRecord c;
    const Column kind = TakeColumn(p, c);
    switch (kind) {
      case Column::kEnd:
        out_.WriteNewline();
        return;
      case Column::kSingle:
        WriteBlock(c.first, p + 3);
        break;
      case Column::kRun:
        out_.Row<"; in the BGL file %d banded blocks\n">(c.last - c.first + 1);
        for (unsigned col = c.first; col <= c.last; ++col) {
          WriteBlock(col, p + kRunHead + kBlockSize * (col - c.first));
        }
        break;
      case Column::kUnknownId:
        // Written as it stands, without a comment mark; the row ends without
        // its empty line.
        out_.WriteText(ColumnError(kind, c, p) + "\n");
        return;
      default:
        out_.WriteText("; " + ColumnError(kind, c, p) + "\n");
        return;
    }
    p = c.next;
  }
}

void SeedSection::WriteBlock(unsigned column, uint64_t block) {
  // The third value is signed: a negative one prints as eight hex digits.
  out_.Row<"   Block %4d %.2X %.2X %.4X %4d\n">(static_cast<int>(column), static_cast<unsigned>(img_.U8(block)),
              static_cast<unsigned>(img_.U8(block + 1)),
              static_cast<uint32_t>(static_cast<int32_t>(img_.I16(block + 2))), static_cast<int>(img_.I16(block + 5)));
}

void SeedSection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  section.detailed = true;
  budget_.Start(img_.size());
  for (uint64_t p = data_; !budget_.spent() && ReadRow(p) == Row::kRow; p += kRowSize) {
    const int row = img_.I16(p + 1);
    section.Count("rows", 1);
    for (uint64_t q = data_ + img_.U32(p + 3);;) {
      ColumnRecord c;
      const Column kind = TakeColumn(q, c);
      if (kind == Column::kSingle) {
        DescribeBlock(row, c.first, q + 3, account);
      } else if (kind == Column::kRun) {
        for (unsigned col = c.first; col <= c.last; ++col) {
          DescribeBlock(row, col, q + kRunHead + kBlockSize * (col - c.first), account);
        }
      } else {
        break;
      }
      q = c.next;
    }
  }
}

void SeedSection::DescribeBlock(int row, unsigned column, uint64_t block, FileAccount& account) {
  account.current().Count("blocks", 1);
  AccountFeature* f = account.Add("seed", block, false);
  if (f == nullptr) return;
  f->located = false;
  f->Number("seed_size", size_)
      .Number("row", row)
      .Number("column", column)
      .Number("value1", img_.U8(block))
      .Number("value2", img_.U8(block + 1))
      .Number("value3", img_.I16(block + 2))
      .Number("value4", img_.I16(block + 5));
}

std::unique_ptr<BglSection> MakeSeedSection(CSkarnDoc& doc, uint64_t start, int seedNumber) {
  return std::make_unique<SeedSection>(doc, start, seedNumber);
}

}  // namespace skarn
