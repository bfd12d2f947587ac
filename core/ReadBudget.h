// An allowance of reads for one walk over lists that a file may share.
//
// A file can point many list heads at one list, or into the middle of
// another, so a small file could make a walk read the same records again and
// again and its output grow with the square of the file's size. A decoder
// starts a budget at the beginning of each run (a summary, a source) and
// charges it for what it reads, in whatever unit it counts: records, blocks
// or bytes. Once a charge does not fit, the budget is spent and stays spent
// for the rest of the run: every further charge fails and the decoder reads
// nothing more.
#pragma once

#include <algorithm>
#include <cstdint>

namespace skarn {

class ReadBudget {
 public:
  // Begins a run that may read allowance units.
  void Start(uint64_t allowance) {
    allowance_ = allowance;
    left_ = allowance;
    spent_ = false;
  }

  // Takes n units. When fewer than n are left it takes none, and the budget
  // is spent; once spent, every take fails.
  bool Take(uint64_t n = 1) {
    if (spent_ || n > left_) {
      spent_ = true;
      return false;
    }
    left_ -= n;
    return true;
  }

  // How much of n units the rest of the allowance covers: a search for a
  // terminator looks no further than this.
  uint64_t Reach(uint64_t n) const { return std::min(n, left_); }

  // Marks the budget spent: for a read that took what was left and stopped
  // short of its end.
  void Stop() { spent_ = true; }

  bool spent() const { return spent_; }
  uint64_t allowance() const { return allowance_; }
  uint64_t left() const { return left_; }

 private:
  uint64_t allowance_ = 0;
  uint64_t left_ = 0;
  bool spent_ = false;
};

}  // namespace skarn
