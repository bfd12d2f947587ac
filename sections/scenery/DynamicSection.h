// The dynamic scenery section: moving objects driven by small programs.
//
// The section starts with a latitude-band table; each band points at a list
// of objects (areas). An object record is
//
//   +0  u8   identifier 4 (a 0 ends the list)
//   +1  4 x s16  first box: latitude 1, latitude 2 (512 m units),
//               longitude 1, longitude 2 (360/65536 degrees)
//   +9  u16  size: bytes after the first 11 (the record is size + 11 bytes)
//   +11 4 x s16  second box, same layout
//   +19 24 bytes not interpreted
//   +43 the object's motion program, up to the end of the record
//
// The motion program is a string of instructions, each an opcode byte
// (0x01..0x43, or 0xFF for Exit) followed by fixed operands. Branches name
// their target by a signed 16-bit displacement from their opcode byte, so the
// program is walked twice: a collect pass gathers the targets in a label
// table, a print pass writes one SCASM line per instruction with ":L" label
// lines before the targets.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/BglSection.h"
#include "core/ReadBudget.h"
#include "sections/procedural/LabelTable.h"

namespace skarn {

class DynamicSection;

// An instruction handler: decodes the instruction whose opcode byte is at the
// file offset p, writes its line in the print pass, records its branch target
// in the collect pass, and returns the instruction's length in bytes.
using DynamicOp = int (*)(DynamicSection& s, uint64_t p);

class DynamicSection : public BglSection {
 public:
  static constexpr int kOpcodeCount = 0x44;  // opcodes 0x00..0x43
  static constexpr uint8_t kExit = 0xFF;

  DynamicSection(CSkarnDoc& doc, uint64_t start);
  ~DynamicSection() override;

  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;
  void WriteBand(uint32_t offset) override;
  // The bands and each object's two boxes (its position: the first box's
  // middle).
  void Describe(FileAccount& account) override;

  // ---- for the instruction handlers ----
  bool printing() const { return print_; }
  const ByteReader& image() const { return img_; }
  SourceWriter& writer() const { return out_; }
  GeoText& geo() { return geo_; }
  // Distance of a file offset from the section start, as printed.
  uint32_t OffsetOf(uint64_t address) const { return static_cast<uint32_t>(address - data_); }
  // Label of a branch target: the opcode's own offset plus the s16 at p + at.
  uint32_t TargetLabel(uint64_t p, unsigned at) const {
    return OffsetOf(p) + static_cast<uint32_t>(static_cast<int32_t>(img_.I16(p + at)));
  }
  // Collect pass: records the branch target of the s16 at p + at.
  void AddTarget(uint64_t p, unsigned at) {
    if (!print_) labels_.AddLabel(TargetLabel(p, at));
  }

 private:
  // An object record as far as the list walk needs it.
  enum class RecordRead {
    kEndOfList,    // a 0 identifier
    kRecord,       // a record whose header lies in the file
    kOutside,      // the identifier lies outside the file
    kCutHeader,    // the header does not lie wholly inside the file
  };
  // Reads the record at p; needHeader is the number of header bytes that must
  // lie inside the file. id receives the identifier, length the record's
  // length (size field + 11).
  RecordRead ReadRecord(uint64_t p, uint64_t needHeader, uint8_t& id, uint32_t& length) const;
  int CountAreas(uint32_t offset);

  // Bands may share an object list, or point into the middle of another
  // band's list, so a small file could make the walks read the same objects
  // again and again, and the source grow with the square of the file. One
  // summary or source run reads at most kReadFactor times the file's size in
  // object bytes, far more than a file whose lists lie apart holds.
  static constexpr uint64_t kReadFactor = 4;
  // Charges the bytes of the object at p (as far as they lie in the file)
  // against the run's allowance; false, from then on, once it is spent.
  bool Read(uint64_t p, uint32_t length);
  // "... (more than N bytes read); <what>".
  std::string OverReadText(const char* prefix, const char* what) const;

  void WriteObject(uint64_t p, uint32_t length, int number);
  void WalkInstructions(uint64_t code);
  void RunPass(uint64_t code);

  LabelTable labels_;
  std::array<DynamicOp, kOpcodeCount> handlers_{};
  uint64_t objectEnd_ = 0;
  bool print_ = false;
  ReadBudget budget_;  // of the run, in object bytes
};

// Fills the instruction table: one handler per opcode 0x00..0x43; opcodes
// without an instruction of their own get the unknown-instruction handler.
void FillDynamicOps(std::array<DynamicOp, DynamicSection::kOpcodeCount>& table);

}  // namespace skarn
