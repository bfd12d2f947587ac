// Jump targets of a stretch of scenery code.
//
// Commands jump, call and branch by displacements relative to themselves; in
// the source every target becomes a label line ":L" + six or more hex digits
// before the command it names. The collect pass gathers the targets here; the
// print pass consumes them in ascending order. A label may carry the
// "unreachable" mark: it stands right after an unconditional transfer (Jump,
// Jump32, Return) and no jump to it has been seen, so the bytes from there to
// the next label may be data rather than code.
//
// Offsets count from the owning section's first byte, as unsigned 32-bit values.
#pragma once

#include <cstdint>
#include <map>
#include <memory_resource>
#include <string>

namespace skarn {

class LabelTable {
 public:
  LabelTable();
  virtual ~LabelTable();

  // Forgets every label (storage is kept for reuse).
  void Clear();
  // Ensures a label at offset, as an ordinary jump target.
  void AddLabel(uint32_t offset);
  // Ensures a label at offset; a new one gets the mark, an existing one is
  // left as it is (a jump target never becomes unreachable).
  void MarkUnreachable(uint32_t offset, int mark = 1);
  // Label lines due at offset: overrun lines for labels below it (they named
  // a position inside a command the walk stepped over), then the label of the
  // offset itself. Returns nullptr when there is nothing to print.
  // *dataAreaEnd receives 0, or for a marked label the offset of the next
  // label, or -1 when it is the last label.
  const char* TakeLabelsAt(uint32_t offset, int64_t* dataAreaEnd);
  // The data-area end that TakeLabelsAt would report at offset, without
  // consuming anything.
  int64_t DataAreaEnd(uint32_t offset) const;

  bool empty() const;
  size_t size() const;

 private:
  void Insert(uint32_t offset, int mark, bool overwriteMark);

  // Offset -> unreachable mark, ascending. A balanced tree: a program may
  // name its targets in any order (a hostile one in descending order), and
  // every insertion and lookup stays logarithmic. The nodes come from a pool
  // that keeps what Clear and the consumed labels give back, so after the
  // first objects a walk allocates nothing.
  std::pmr::unsynchronized_pool_resource pool_;
  std::pmr::map<uint32_t, int> labels_{&pool_};
  std::string text_;
};

}  // namespace skarn
