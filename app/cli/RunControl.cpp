#include "app/cli/RunControl.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <numeric>

#include "app/cli/CliHost.h"
#include "core/Format.h"

namespace skarn::cli {

namespace {

std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler sets the flag");

#if !defined(_WIN32)
constexpr int kStopSignals[] = {SIGINT, SIGTERM};
struct sigaction gPrevious[2];

extern "C" void OnStopSignal(int sig) {
  gInterrupted.store(true);
  // The next one goes to the handler that was there before.
  for (size_t i = 0; i < 2; ++i) {
    if (kStopSignals[i] == sig) sigaction(sig, &gPrevious[i], nullptr);
  }
}
#else
using Handler = void (*)(int);
Handler gPreviousInt = SIG_DFL;
Handler gPreviousTerm = SIG_DFL;

extern "C" void OnStopSignal(int sig) {
  gInterrupted.store(true);
  std::signal(sig, sig == SIGINT ? gPreviousInt : gPreviousTerm);
}
#endif

}  // namespace

void CatchInterrupt() {
#if !defined(_WIN32)
  for (size_t i = 0; i < 2; ++i) {
    struct sigaction act {};
    act.sa_handler = OnStopSignal;
    sigemptyset(&act.sa_mask);
    act.sa_flags = 0;
    if (sigaction(kStopSignals[i], nullptr, &gPrevious[i]) != 0) continue;
    if (gPrevious[i].sa_handler == SIG_IGN) continue;
    sigaction(kStopSignals[i], &act, nullptr);
  }
#else
  gPreviousInt = std::signal(SIGINT, OnStopSignal);
  gPreviousTerm = std::signal(SIGTERM, OnStopSignal);
#endif
}

bool Interrupted() { return gInterrupted.load(); }

Progress::Progress(const std::vector<uint64_t>& sizes)
    : terminal_(IsTerminal(stderr)),
      files_(sizes.size()),
      bytes_(std::accumulate(sizes.begin(), sizes.end(), uint64_t{0})),
      start_(std::chrono::steady_clock::now()),
      drawn_(start_) {}

Progress::~Progress() { Clear(); }

void Progress::Done(uint64_t bytes) {
  ++doneFiles_;
  doneBytes_ += bytes;
  if (!terminal_) return;
  const auto now = std::chrono::steady_clock::now();
  if (shown_ && now - drawn_ < std::chrono::milliseconds(200) && doneFiles_ != files_) return;
  drawn_ = now;
  Draw();
}

void Progress::Draw() {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double rate = seconds > 0.0 ? static_cast<double>(doneBytes_) / seconds : 0.0;
  std::string line = Format("\rskarn: %llu/%llu files, %.1f MB/s", static_cast<unsigned long long>(doneFiles_),
                            static_cast<unsigned long long>(files_), rate / 1e6);
  if (rate > 0.0 && doneBytes_ < bytes_) {
    const auto left = static_cast<unsigned long long>(static_cast<double>(bytes_ - doneBytes_) / rate);
    Appendf(line, ", %llu:%.2llu left", left / 60, left % 60);
  }
  const size_t length = line.size();
  if (length < width_) line.append(width_ - length, ' ');
  width_ = length;
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  shown_ = true;
}

void Progress::Clear() {
  if (!shown_) return;
  std::string blank = "\r";
  blank.append(width_, ' ');
  blank += '\r';
  std::fputs(blank.c_str(), stderr);
  std::fflush(stderr);
  shown_ = false;
  width_ = 0;
}

}  // namespace skarn::cli
