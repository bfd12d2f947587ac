// The commands over many files and accounts: info (one file), scan, and the
// batch form of the file commands.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/cli/CliHost.h"

namespace skarn::cli {

// args are the words after the command's name.
int RunInfo(const std::vector<std::string>& args);
int RunScan(const std::vector<std::string>& args);
// summary, disasm, bitmaps or unpack over several files and folders (BGL
// files by extension), each output beside its input or in the input tree
// mirrored under outDir; jobs threads (0: all cores). base carries --force
// and the answer to the library-call question.
int RunBatch(const std::string& command, const std::vector<std::string>& inputs, const CliOptions& base,
             const std::optional<std::string>& outDir, unsigned jobs);

// Shared with the other commands (main.cpp): a usage error's message (exit
// status 2), and the flush of standard output with its error message (1 when
// a write failed, else 0).
int UsageError(const std::string& text);
int FinishStdout(int err);

}  // namespace skarn::cli
