#include "app/common/SignalCleanup.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#if !defined(_WIN32)
#include <pthread.h>
#include <unistd.h>
#endif

namespace skarn::shell {

namespace {

// Fixed storage that a signal handler may read: a slot is free, being
// filled, or names a live file. Only live slots are touched by the handler.
constexpr int kSlots = 16;
constexpr size_t kPathBytes = 4096;
enum : int { kFree = 0, kFilling = 1, kLive = 2 };

struct Slot {
  std::atomic<int> state{kFree};
  char path[kPathBytes] = {};
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots' states");

Slot gSlots[kSlots];
Slot gInput;  // the input file, for the message on SIGBUS

void RemoveLiveFiles() {
  for (Slot& s : gSlots) {
    if (s.state.load(std::memory_order_acquire) != kLive) continue;
#if defined(_WIN32)
    std::remove(s.path);
#else
    ::unlink(s.path);
#endif
  }
}

#if !defined(_WIN32)

constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

sigset_t CleanupSet() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kCleanupSignals) sigaddset(&set, sig);
  return set;
}

sigset_t gHeldMask;

extern "C" void OnCleanupSignal(int sig) {
  const int savedErrno = errno;
  RemoveLiveFiles();
  // Ends the program by the same signal: with the default action restored,
  // the raised signal waits (it is blocked in here) and strikes on return.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  sigaction(sig, &dfl, nullptr);
  raise(sig);
  errno = savedErrno;
}

void Say(const char* text) {
  const size_t n = std::strlen(text);
  if (::write(2, text, n) < 0) return;  // nothing more to do about it
}

// The mapped input file was cut shorter while it was read.
extern "C" void OnBusError(int) {
  RemoveLiveFiles();
  Say("Error: unable to read BGL file\nskarn: ");
  Say(gInput.state.load(std::memory_order_acquire) == kLive ? gInput.path : "the input file");
  Say(": the file was cut shorter while it was read\n");
  ::_exit(1);
}

void InstallHandlers() {
  struct sigaction bus {};
  bus.sa_handler = OnBusError;
  sigfillset(&bus.sa_mask);
  sigaction(SIGBUS, &bus, nullptr);
  struct sigaction act {};
  act.sa_handler = OnCleanupSignal;
  act.sa_mask = CleanupSet();  // one cleanup at a time
  act.sa_flags = 0;
  for (int sig : kCleanupSignals) {
    struct sigaction old {};
    if (sigaction(sig, nullptr, &old) != 0) continue;
    if (old.sa_handler == SIG_IGN) continue;  // e.g. SIGHUP under nohup
    sigaction(sig, &act, nullptr);
  }
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGXFSZ, &ignore, nullptr);
}

#else

extern "C" void OnCleanupSignal(int sig) {
  RemoveLiveFiles();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void InstallHandlers() {
  std::signal(SIGINT, OnCleanupSignal);
  std::signal(SIGTERM, OnCleanupSignal);
}

#endif

}  // namespace

SignalCleanup& SignalCleanup::Install() {
  static SignalCleanup registry;
  static const bool installed = [] {
    InstallHandlers();
    return true;
  }();
  (void)installed;
  return registry;
}

void SignalCleanup::Hold() noexcept {
#if !defined(_WIN32)
  const sigset_t set = CleanupSet();
  pthread_sigmask(SIG_BLOCK, &set, &gHeldMask);
#endif
}

void SignalCleanup::Resume() noexcept {
#if !defined(_WIN32)
  pthread_sigmask(SIG_SETMASK, &gHeldMask, nullptr);
#endif
}

int SignalCleanup::Add(const std::string& path) noexcept {
  if (path.size() >= kPathBytes) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (!gSlots[i].state.compare_exchange_strong(expected, kFilling, std::memory_order_acq_rel)) continue;
    std::memcpy(gSlots[i].path, path.c_str(), path.size() + 1);
    gSlots[i].state.store(kLive, std::memory_order_release);
    return i;
  }
  return -1;
}

void SignalCleanup::NoteInput(const std::string& path) noexcept {
  gInput.state.store(kFilling, std::memory_order_release);
  const size_t n = path.size() < kPathBytes - 1 ? path.size() : kPathBytes - 1;
  std::memcpy(gInput.path, path.data(), n);
  gInput.path[n] = '\0';
  gInput.state.store(kLive, std::memory_order_release);
}

void SignalCleanup::Remove(int handle) noexcept {
  if (handle >= 0 && handle < kSlots) gSlots[handle].state.store(kFree, std::memory_order_release);
}

}  // namespace skarn::shell
