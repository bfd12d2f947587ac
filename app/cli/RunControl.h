// What a long command-line run shows and how it stops: a progress line on a
// terminal, and Ctrl+C that lets the run end cleanly.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace skarn::cli {

// From now on the first Ctrl+C (or SIGTERM) only asks the run to stop:
// Interrupted() turns true, and the run finishes what it has begun and
// writes what is complete. A second one ends the program at once, as
// before (its temporary files removed).
void CatchInterrupt();
bool Interrupted();
// The exit status of a run that was stopped so (128 + SIGINT).
constexpr int kInterruptedStatus = 130;

// "files done/total, MB/s, time left" on one line of stderr, redrawn at
// most a few times a second; nothing when stderr is not a terminal.
class Progress {
 public:
  // sizes: the bytes of each file of the run.
  explicit Progress(const std::vector<uint64_t>& sizes);
  ~Progress();
  // One more file of this many bytes is done.
  void Done(uint64_t bytes);
  // Takes the line away (before other text goes to stderr, and at the end).
  void Clear();

 private:
  void Draw();
  bool shown_ = false;
  bool terminal_ = false;
  uint64_t files_;
  uint64_t bytes_;
  uint64_t doneFiles_ = 0;
  uint64_t doneBytes_ = 0;
  size_t width_ = 0;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point drawn_;
};

}  // namespace skarn::cli
