#include "sections/procedural/LabelTable.h"

#include <algorithm>

#include "core/Format.h"

namespace skarn {

namespace {
// Room for the labels of a typical object before the first growth; the text
// holds ten overrun lines of six-digit labels without growing.
constexpr size_t kInitialLabels = 32;
constexpr size_t kInitialText = 256;
// Consumed entries are dropped from the front once they are this many and
// make up at least half of the storage (a table that is never cleared keeps
// its size bounded by the labels still due).
constexpr size_t kCompactAt = 64;
}  // namespace

LabelTable::LabelTable() {
  labels_.reserve(kInitialLabels);
  text_.reserve(kInitialText);
}

LabelTable::~LabelTable() = default;

void LabelTable::Clear() {
  labels_.clear();  // keeps the capacity: no allocation for the next object
  head_ = 0;
}

bool LabelTable::empty() const { return head_ >= labels_.size(); }

size_t LabelTable::size() const { return labels_.size() - head_; }

size_t LabelTable::LowerBound(uint32_t offset) const {
  const auto first = labels_.begin() + static_cast<std::ptrdiff_t>(head_);
  const auto it = std::lower_bound(first, labels_.end(), offset,
                                   [](const Label& l, uint32_t o) { return l.offset < o; });
  return static_cast<size_t>(it - labels_.begin());
}

void LabelTable::Insert(uint32_t offset, int mark, bool overwriteMark) {
  if (head_ > 0 && (head_ == labels_.size() || (head_ >= kCompactAt && 2 * head_ >= labels_.size()))) {
    labels_.erase(labels_.begin(), labels_.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = 0;
  }
  const size_t i = LowerBound(offset);
  if (i < labels_.size() && labels_[i].offset == offset) {
    if (overwriteMark) labels_[i].unreachable = mark;
    return;
  }
  labels_.insert(labels_.begin() + static_cast<std::ptrdiff_t>(i), Label{offset, mark});
}

void LabelTable::AddLabel(uint32_t offset) { Insert(offset, 0, true); }

void LabelTable::MarkUnreachable(uint32_t offset, int mark) { Insert(offset, mark, false); }

const char* LabelTable::TakeLabelsAt(uint32_t offset, int64_t* dataAreaEnd) {
  *dataAreaEnd = 0;
  if (empty() || labels_[head_].offset > offset) return nullptr;
  text_.clear();
  // Labels the walk has stepped over: they named a position inside a command.
  while (head_ < labels_.size() && labels_[head_].offset < offset) {
    Appendf(text_, ":L%.6X ; overrun label\n", labels_[head_].offset);
    ++head_;
  }
  if (head_ < labels_.size() && labels_[head_].offset == offset) {
    Appendf(text_, ":L%.6X\n", offset);
    if (labels_[head_].unreachable != 0) {
      *dataAreaEnd = head_ + 1 < labels_.size() ? static_cast<int64_t>(labels_[head_ + 1].offset) : -1;
    }
    ++head_;
  }
  if (head_ == labels_.size()) Clear();
  return text_.c_str();
}

int64_t LabelTable::DataAreaEnd(uint32_t offset) const {
  const size_t i = LowerBound(offset);
  if (i >= labels_.size() || labels_[i].offset != offset || labels_[i].unreachable == 0) return 0;
  return i + 1 < labels_.size() ? static_cast<int64_t>(labels_[i + 1].offset) : -1;
}

}  // namespace skarn
