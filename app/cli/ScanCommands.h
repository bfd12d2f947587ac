// The commands over many files and accounts: info (one file), scan, and the
// batch form of the file commands.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/CliHost.h"
#include "core/FileAccount.h"

namespace skarn::cli {

// args are the words after the command's name.
int RunInfo(const std::vector<std::string>& args);
int RunScan(const std::vector<std::string>& args);
// summary, disasm, bitmaps or unpack over several files and folders (BGL
// files by extension), each output beside its input or in the input tree
// mirrored under base.outDir; jobs threads (0: all cores). base carries --force
// and the answer to the library-call question.
int RunBatch(const std::string& command, const std::vector<std::string>& inputs, const CliOptions& base,
             unsigned jobs);
int RunMap(const std::vector<std::string>& args);

// The arguments of a command over many files: PATH... [-o OUT] [-j N]
// [--fs2000|--fs98]. answer: 1 --fs2000, 2 --fs98, 0 neither.
struct BatchArgs {
  std::vector<std::string> paths;
  std::string out;
  bool haveOut = false;
  unsigned jobs = 0;  // all cores once parsed
  int answer = 0;
};
// -j N, -jN, --jobs N or --jobs=N at args[i] (i moves past a separate
// number): -1 with jobs set, else the usage error's status.
bool IsJobsOption(const std::string& arg);
int ParseJobs(const std::vector<std::string>& args, size_t& i, unsigned& jobs);
// -1 when the arguments are good, else the usage error's status.
int ParseBatch(const std::vector<std::string>& args, BatchArgs& batch);

// The files of a run: counts and failures, reported on stderr at the end.
struct BatchTally {
  // Starts with the paths that could not be read as failures.
  explicit BatchTally(const std::vector<std::string>& missing) : failed(missing.size()), failures(missing) {}
  uint64_t read = 0;
  uint64_t warned = 0;
  uint64_t failed = 0;
  std::vector<std::string> failures;
  void Take(const FileAccount& account);
  void Report(uint64_t skipped) const;
};

// Shared with the other commands (main.cpp): a usage error's message (exit
// status 2), and the flush of standard output with its error message (1 when
// a write failed, else 0).
int UsageError(const std::string& text);
int FinishStdout(int err);
// Writes text to stdout; err keeps the first failure's errno.
void Put(const std::string& text, int& err);
// Says on stderr which library-call layout is read when no option chose one
// (answer as in BatchArgs).
void SayLayoutAnswer(int answer);

}  // namespace skarn::cli
