#include "sections/procedural/LabelTable.h"

#include <iterator>

#include "core/RowFormat.h"

namespace skarn {

namespace {
// The text holds ten overrun lines of six-digit labels without growing.
constexpr size_t kInitialText = 256;
}  // namespace

LabelTable::LabelTable() { text_.reserve(kInitialText); }

LabelTable::~LabelTable() = default;

void LabelTable::Clear() {
  labels_.clear();  // the nodes go back to the pool for the next object
}

bool LabelTable::empty() const { return labels_.empty(); }

size_t LabelTable::size() const { return labels_.size(); }

void LabelTable::Insert(uint32_t offset, int mark, bool overwriteMark) {
  const auto [it, added] = labels_.try_emplace(offset, mark);
  if (!added && overwriteMark) it->second = mark;
}

void LabelTable::AddLabel(uint32_t offset) { Insert(offset, 0, true); }

void LabelTable::MarkUnreachable(uint32_t offset, int mark) { Insert(offset, mark, false); }

const char* LabelTable::TakeLabelsAt(uint32_t offset, int64_t* dataAreaEnd) {
  *dataAreaEnd = 0;
  if (labels_.empty() || labels_.begin()->first > offset) return nullptr;
  text_.clear();
  // Labels the walk has stepped over: they named a position inside a command.
  auto it = labels_.begin();
  while (it != labels_.end() && it->first < offset) {
    fmt::Append<":L%.6X ; overrun label\n">(text_, it->first);
    it = labels_.erase(it);
  }
  if (it != labels_.end() && it->first == offset) {
    fmt::Append<":L%.6X\n">(text_, offset);
    if (it->second != 0) {
      const auto next = std::next(it);
      *dataAreaEnd = next != labels_.end() ? static_cast<int64_t>(next->first) : -1;
    }
    labels_.erase(it);
  }
  return text_.c_str();
}

int64_t LabelTable::DataAreaEnd(uint32_t offset) const {
  const auto it = labels_.find(offset);
  if (it == labels_.end() || it->second == 0) return 0;
  const auto next = std::next(it);
  return next != labels_.end() ? static_cast<int64_t>(next->first) : -1;
}

}  // namespace skarn
