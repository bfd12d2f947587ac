// Temporary output files removed when a signal ends the program.
//
// The shells (command line and window program) install this once at start.
// SIGINT, SIGTERM, SIGHUP and SIGQUIT then first remove every temporary file
// that an output sink has entered and end the program by the same signal, so
// its exit status still shows it; a signal the program was started with
// ignored stays ignored. SIGXFSZ (a file-size limit reached) is ignored, so
// the write fails with "File too large" and the command ends as for any failed
// write: message, exit status 1, its temporary file removed. The input file
// is read through a mapping: should another program cut it shorter while it
// is read, the system stops the program with SIGBUS; then too the temporary
// files go, and the program ends with a message naming the input file and
// exit status 1.
#pragma once

#include <string>

#include "core/OutputSink.h"

namespace skarn::shell {

class SignalCleanup final : public TempFileRegistry {
 public:
  // The program's one registry; the first call installs the handlers.
  static SignalCleanup& Install();

  void Hold() noexcept override;
  void Resume() noexcept override;
  int Add(const std::string& path) noexcept override;
  void Remove(int handle) noexcept override;
  // The input file that the message on SIGBUS names.
  static void NoteInput(const std::string& path) noexcept;

 private:
  SignalCleanup() = default;
};

}  // namespace skarn::shell
