// What the core needs from the platform: a message to the user, a Yes/No
// question, the choice of an output path, the current time, and the opening of
// an output file. The window program, the command line and the tests each
// supply their own.
#pragma once

#include <ctime>
#include <memory>
#include <optional>
#include <string>

#include "core/OutputSink.h"

namespace skarn {

class Host {
 public:
  virtual ~Host() = default;

  // A message box with an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  // A message about a file that could not be opened or read, with the file's
  // path and the system's reason ("No such file or directory"). The default
  // shows the message with a second line "PATH: REASON".
  virtual void ShowFileMessage(const std::string& text, const std::string& path, const std::string& reason);
  // A Yes/No question; true for Yes.
  virtual bool AskYesNo(const std::string& question) = 0;
  // A save dialog: proposedName is a file name without a directory, filter is
  // a "text|pattern|...||" list. Returns the chosen path, or nothing when the
  // user cancels. With overwritePrompt an existing file is replaced only when
  // the user agrees.
  virtual std::optional<std::string> ChooseOutputPath(const std::string& proposedName,
                                                      const std::string& filter,
                                                      bool overwritePrompt) = 0;
  // The current time (seconds since the epoch).
  virtual std::time_t Now() = 0;
  // Opens a chosen output path, or returns nullptr with *error set to the
  // reason. The default is OpenOutputFile: a temporary file beside the target,
  // renamed into place when complete, reported to temporaryFiles().
  virtual std::unique_ptr<ByteSink> OpenOutput(const std::string& path, std::string* error);
  // Where the default OpenOutput enters its temporary files so that a signal
  // that ends the program removes them; nothing by default.
  virtual TempFileRegistry* temporaryFiles() { return nullptr; }
};

// The C library's ctime text of t in local time: "Wed Jun 30 21:49:08 1993\n".
std::string CTimeText(std::time_t t);

// A fixed time for reproducible output, as given in SOURCE_DATE_EPOCH:
// seconds since the epoch that the C library can show as a local date.
// Otherwise nothing, and *why says what is wrong with the text (e.g. "is not
// a number of seconds").
std::optional<std::time_t> ParseSourceDateEpoch(const char* text, std::string* why);

}  // namespace skarn
