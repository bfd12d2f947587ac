// The command line's answers to what the core asks of the platform: messages
// go to stderr, questions are answered by flags or on the terminal, output
// paths come from -o or lie beside the input, "-" is standard output.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "core/Host.h"

namespace skarn::cli {

// Whether the stream is a terminal.
bool IsTerminal(std::FILE* stream);

struct CliOptions {
  std::string input;              // the BGL file
  std::optional<std::string> out;  // -o
  bool force = false;              // replace an existing output file
  std::optional<bool> fs2000;      // answer to the FS2000/2002 question
  std::optional<std::string> outDir;  // the output goes into this folder (else beside the input)
  bool batch = false;                 // one of many files: nothing is asked on the terminal
};

class CliHost : public Host {
 public:
  explicit CliHost(CliOptions options);

  void ShowMessage(const std::string& text) override;
  // The message, then a line "skarn: PATH: REASON".
  void ShowFileMessage(const std::string& text, const std::string& path, const std::string& reason) override;
  bool AskYesNo(const std::string& question) override;
  std::optional<std::string> ChooseOutputPath(const std::string& proposedName, const std::string& filter,
                                              bool overwritePrompt) override;
  std::time_t Now() override;
  std::unique_ptr<ByteSink> OpenOutput(const std::string& path, std::string* error) override;
  // The program's signal cleanup (installed by the first call).
  TempFileRegistry* temporaryFiles() override;

 private:
  // Whether questions may be asked on the terminal (never in a batch).
  bool Interactive() const;
  bool AskOnTerminal(const std::string& prompt, bool defaultAnswer);

  CliOptions options_;
  bool toldDefaultAnswer_ = false;
};

}  // namespace skarn::cli
