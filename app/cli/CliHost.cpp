#include "app/cli/CliHost.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/common/SignalCleanup.h"
#include "core/PlatformFile.h"
#include "index/Scan.h"

#if defined(_WIN32)
#include <io.h>
#define SKARN_ISATTY _isatty
#define SKARN_FILENO _fileno
#else
#include <unistd.h>
#define SKARN_ISATTY isatty
#define SKARN_FILENO fileno
#endif

namespace skarn::cli {

namespace fs = std::filesystem;

CliHost::CliHost(CliOptions options) : options_(std::move(options)) {}

void CliHost::ShowMessage(const std::string& text) {
  std::fputs(text.c_str(), stderr);
  if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
  std::fflush(stderr);
}

void CliHost::ShowFileMessage(const std::string& text, const std::string& path, const std::string& reason) {
  // The message as it is, then the file and the reason on a line of their own.
  ShowMessage(text);
  ShowMessage("skarn: " + path + ": " + reason);
}

TempFileRegistry* CliHost::temporaryFiles() { return &shell::SignalCleanup::Install(); }

bool IsTerminal(std::FILE* stream) { return SKARN_ISATTY(SKARN_FILENO(stream)) != 0; }

bool CliHost::Interactive() const { return !options_.batch && IsTerminal(stdin) && IsTerminal(stderr); }

bool CliHost::AskOnTerminal(const std::string& prompt, bool defaultAnswer) {
  std::fputs(prompt.c_str(), stderr);
  std::fputs(defaultAnswer ? " [Y/n] " : " [y/N] ", stderr);
  std::fflush(stderr);
  std::string answer;
  if (!std::getline(std::cin, answer)) return defaultAnswer;
  const size_t first = answer.find_first_not_of(" \t");
  if (first == std::string::npos) return defaultAnswer;
  const char c = answer[first];
  if (c == 'y' || c == 'Y') return true;
  if (c == 'n' || c == 'N') return false;
  return defaultAnswer;
}

bool CliHost::AskYesNo(const std::string& question) {
  if (options_.fs2000) return *options_.fs2000;
  if (Interactive()) return AskOnTerminal(question, true);
  if (!toldDefaultAnswer_) {
    toldDefaultAnswer_ = true;
    ShowMessage("skarn: \"" + question + "\" answered Yes (no terminal to ask; use --fs98 to answer No)");
  }
  return true;
}

std::optional<std::string> CliHost::ChooseOutputPath(const std::string& proposedName, const std::string&,
                                                     bool overwritePrompt) {
  std::string path;
  if (options_.out) {
    path = *options_.out;
    if (path == "-") return path;
  } else if (options_.outDir) {
    path = index::JoinPath(*options_.outDir, proposedName);
  } else {
    path = skarn::platform::PathText(skarn::platform::PathOf(options_.input).parent_path() / skarn::platform::PathOf(proposedName));
  }
  std::error_code ec;
  if (fs::equivalent(skarn::platform::PathOf(path), skarn::platform::PathOf(options_.input), ec)) {
    ShowMessage("Error: the output file " + path + " is the input file; choose another with -o");
    return std::nullopt;
  }
  // Only a file that would be replaced needs leave: a FIFO or a device is
  // written to as it is, and a link to nothing counts as a file.
  platform::OutputTarget target;
  std::string why;
  const bool replaces = platform::ResolveOutput(path, &target, &why) &&
                        (target.kind == platform::OutputTarget::Kind::kRegular ||
                         (target.kind == platform::OutputTarget::Kind::kNew && target.viaLink));
  if (overwritePrompt && !options_.force && replaces) {
    if (Interactive()) {
      if (AskOnTerminal("skarn: " + path + " exists. Replace it?", false)) return path;
      return std::nullopt;
    }
    ShowMessage("Error: " + path + " exists; use --force to replace it");
    return std::nullopt;
  }
  return path;
}

std::time_t CliHost::Now() {
  // Reproducible output: the time can be fixed from outside.
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
    std::string why;
    if (const std::optional<std::time_t> t = ParseSourceDateEpoch(epoch, &why)) return *t;
    ShowMessage("skarn: SOURCE_DATE_EPOCH " + why + "; using the clock");
  }
  return std::time(nullptr);
}

std::unique_ptr<ByteSink> CliHost::OpenOutput(const std::string& path, std::string* error) {
  if (path == "-") return std::make_unique<StreamSink>(stdout);
  return Host::OpenOutput(path, error);
}

}  // namespace skarn::cli
