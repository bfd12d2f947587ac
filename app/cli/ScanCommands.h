// The commands over accounts: info (one file) and scan (many files).
#pragma once

#include <string>
#include <vector>

namespace skarn::cli {

// args are the words after the command's name.
int RunInfo(const std::vector<std::string>& args);
int RunScan(const std::vector<std::string>& args);

// Shared with the other commands (main.cpp): a usage error's message (exit
// status 2), and the flush of standard output with its error message (1 when
// a write failed, else 0).
int UsageError(const std::string& text);
int FinishStdout(int err);

}  // namespace skarn::cli
