#include "app/cli/ScanCommands.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <thread>

#include "app/cli/CliHost.h"
#include "app/cli/RunControl.h"
#include "app/common/SignalCleanup.h"
#include "core/Bitmaps.h"
#include "core/Commands.h"
#include "core/PlatformFile.h"
#include "core/SkarnDoc.h"
#include "core/Unpack.h"
#include "core/Format.h"
#include "core/OutputSink.h"
#include "index/AccountJson.h"
#include "index/IndexDb.h"
#include "index/Ordered.h"
#include "index/Scan.h"

namespace skarn::cli {

namespace {

unsigned AllCores() { return std::max(1u, std::thread::hardware_concurrency()); }

// Reads --fs2000 / --fs98; true when a was one of them.
bool FsAnswer(const std::string& a, int& answer) {
  if (a == "--fs2000") {
    answer |= 1;
    return true;
  }
  if (a == "--fs98") {
    answer |= 2;
    return true;
  }
  return false;
}

}  // namespace

void Put(const std::string& text, int& err) {
  if (err == 0 && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) err = errno != 0 ? errno : EIO;
}

void SayLayoutAnswer(int answer) {
  if (answer == 0) std::fputs("skarn: library calls are read in the FS2000/2002 layout (--fs98 for the older one)\n", stderr);
}

int RunInfo(const std::vector<std::string>& args) {
  bool json = false;
  int answer = 0;
  std::string input;
  for (const std::string& a : args) {
    if (a == "--json") {
      json = true;
    } else if (FsAnswer(a, answer)) {
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError("unknown option " + a);
    } else if (input.empty()) {
      input = a;
    } else {
      return UsageError("unexpected argument " + a);
    }
  }
  if (answer == 3) return UsageError("--fs2000 and --fs98 exclude each other");
  if (input.empty()) return UsageError("no BGL file given");
  index::BatchHost host(answer != 2);
  const FileAccount account = index::ReadAccount(input, host);
  int err = 0;
  Put(json ? index::AccountJson(account) + "\n" : index::AccountText(account), err);
  const int out = FinishStdout(err);
  if (!account.read) {
    for (const AccountProblem& p : account.problems) std::fprintf(stderr, "skarn: %s: %s\n", input.c_str(), p.text.c_str());
    return 1;
  }
  return out;
}

bool IsJobsOption(const std::string& a) {
  return a == "--jobs" || a.rfind("-j", 0) == 0 || a.rfind("--jobs=", 0) == 0;
}

int ParseJobs(const std::vector<std::string>& args, size_t& i, unsigned& jobs) {
  const std::string& a = args[i];
  std::string n;
  if (a == "-j" || a == "--jobs") {
    if (i + 1 >= args.size()) return UsageError("option " + a + " needs a number");
    n = args[++i];
  } else {
    n = a.substr(a[1] == 'j' ? 2 : 7);
  }
  unsigned long v = 0;
  bool ok = !n.empty() && n.size() <= 4;
  for (char c : n) {
    if (c < '0' || c > '9') ok = false;
    v = v * 10 + static_cast<unsigned long>(c - '0');
  }
  if (!ok || v == 0) return UsageError("option -j needs a number from 1 to 9999");
  jobs = static_cast<unsigned>(v);
  return -1;
}

int ParseBatch(const std::vector<std::string>& args, BatchArgs& batch) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--output") {
      if (i + 1 >= args.size()) return UsageError("option " + a + " needs a file name");
      if (batch.haveOut) return UsageError("only one output file may be given");
      batch.out = args[++i];
      batch.haveOut = true;
    } else if (IsJobsOption(a)) {
      if (const int usage = ParseJobs(args, i, batch.jobs); usage >= 0) return usage;
    } else if (FsAnswer(a, batch.answer)) {
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError("unknown option " + a);
    } else {
      batch.paths.push_back(a);
    }
  }
  if (batch.answer == 3) return UsageError("--fs2000 and --fs98 exclude each other");
  if (batch.paths.empty()) return UsageError("no file or folder given");
  if (batch.jobs == 0) batch.jobs = AllCores();
  return -1;
}

void BatchTally::Take(const FileAccount& a) {
  if (!a.read) {
    ++failed;
    for (const AccountProblem& p : a.problems) {
      failures.push_back(p.offset >= 0 ? Format("%s: at offset 0x%llX: %s", a.path.c_str(),
                                                static_cast<unsigned long long>(p.offset), p.text.c_str())
                                       : a.path + ": " + p.text);
    }
    if (a.problems.empty()) failures.push_back(a.path + ": not read");
  } else if (a.problems.empty()) {
    ++read;
  } else {
    ++warned;
  }
}

void BatchTally::Report(uint64_t skipped) const {
  for (const std::string& f : failures) std::fprintf(stderr, "skarn: %s\n", f.c_str());
  std::fprintf(stderr, "skarn: %llu files: %llu read, %llu with warnings, %llu failed, %llu skipped\n",
               static_cast<unsigned long long>(read + warned + failed), static_cast<unsigned long long>(read),
               static_cast<unsigned long long>(warned), static_cast<unsigned long long>(failed),
               static_cast<unsigned long long>(skipped));
}

int RunScan(const std::vector<std::string>& args) {
  BatchArgs batch;
  if (const int usage = ParseBatch(args, batch); usage >= 0) return usage;
  const std::vector<std::string>& paths = batch.paths;
  const std::string& out = batch.out;
  const bool haveOut = batch.haveOut;
  const unsigned jobs = batch.jobs;
  const int answer = batch.answer;
  enum class Output { kTable, kJsonl, kDatabase } kind = Output::kTable;
  if (haveOut) {
    if (out == "-" || index::EndsWithNoCase(out, ".jsonl")) {
      kind = Output::kJsonl;
    } else if (index::EndsWithNoCase(out, ".db") || index::EndsWithNoCase(out, ".sqlite")) {
      kind = Output::kDatabase;
    } else {
      return UsageError("the index file must end in .jsonl, .db or .sqlite");
    }
  }
  SayLayoutAnswer(answer);

  TempFileRegistry* temps = &shell::SignalCleanup::Install();
  std::unique_ptr<index::IndexDatabase> db;
  std::unique_ptr<ByteSink> sink;
  std::string error;
  if (kind == Output::kDatabase) {
    db = index::IndexDatabase::Create(out, temps, &error);
    if (!db) {
      std::fprintf(stderr, "skarn: %s: %s\n", out.c_str(), error.c_str());
      return 1;
    }
  } else if (kind == Output::kJsonl) {
    sink = out == "-" ? std::make_unique<StreamSink>(stdout) : OpenOutputFile(out, temps, &error);
    if (!sink) {
      std::fprintf(stderr, "skarn: %s: %s\n", out.c_str(), error.empty() ? "cannot be created" : error.c_str());
      return 1;
    }
  }

  const index::FoundFiles found = index::FindBglFiles(paths);
  BatchTally tally(found.missing);
  int stdoutErr = 0;
  bool writeFailed = false;
  if (kind == Output::kTable) Put(Format("%-8s  %-10s  %8s  %8s  %s\n", "STATUS", "KIND", "SECTIONS", "FEATURES", "FILE"), stdoutErr);
  CatchInterrupt();
  Progress progress(found.sizes);

  std::function<std::string(const FileAccount&)> render;
  if (kind == Output::kTable) {
    render = [](const FileAccount& a) {
      return Format("%-8s  %-10s  %8zu  %8zu  %s\n", index::AccountStatus(a), index::AccountKind(a),
                    a.sections.size(), a.features.size() + a.libraryObjects.size(), a.path.c_str());
    };
  } else if (kind == Output::kJsonl) {
    render = [](const FileAccount& a) { return index::AccountJson(a) + "\r\n"; };
  }
  index::ReadAccounts(
      found.files, jobs, answer != 2, render,
      [&](size_t index, index::ReadFile& file) {
        const FileAccount& a = file.account;
        tally.Take(a);
        try {
          if (kind == Output::kTable) {
            // The row goes where the progress line was (both may be the
            // terminal), and the line comes back below it.
            progress.Clear();
            Put(file.text, stdoutErr);
          } else if (kind == Output::kJsonl) {
            sink->Write(file.text.data(), file.text.size());
          } else if (!db->Add(a, &error)) {
            std::fprintf(stderr, "skarn: %s: %s\n", out.c_str(), error.c_str());
            writeFailed = true;
            return false;
          }
        } catch (const OutputError& e) {
          std::fprintf(stderr, "skarn: %s\n", e.what());
          writeFailed = true;
          return false;
        }
        progress.Done(found.sizes[index]);
        return !Interrupted();
      });
  progress.Clear();

  if (!writeFailed) {
    try {
      if (sink) sink->Commit();
    } catch (const OutputError& e) {
      std::fprintf(stderr, "skarn: %s\n", e.what());
      writeFailed = true;
    }
    if (db && !db->Finish(&error)) {
      std::fprintf(stderr, "skarn: %s: %s\n", out.c_str(), error.c_str());
      writeFailed = true;
    }
  }
  if (writeFailed && sink) sink->Abort();
  const int outResult = kind == Output::kTable || out == "-" ? FinishStdout(stdoutErr) : 0;

  tally.Report(found.skipped);
  const uint64_t seen = tally.read + tally.warned + tally.failed;
  if (Interrupted()) {
    std::fprintf(stderr, "skarn: interrupted; %llu files not read%s\n",
                 static_cast<unsigned long long>(found.files.size() + found.missing.size() - seen),
                 kind == Output::kTable ? "" : " (the index holds the files read)");
    return kInterruptedStatus;
  }
  return writeFailed || outResult != 0 || tally.failed != 0 ? 1 : 0;
}

namespace {

// A file's run in a batch: its messages are kept until the file's turn to
// be reported comes.
class BatchFileHost : public CliHost {
 public:
  using CliHost::CliHost;
  void ShowMessage(const std::string& text) override {
    messages.push_back(!text.empty() && text.back() == '\n' ? text.substr(0, text.size() - 1) : text);
  }
  std::vector<std::string> messages;
};

struct BatchResult {
  // kNotBegun: the run was interrupted before the file was begun.
  enum Outcome { kDone, kFailed, kSkipped, kNotBegun } outcome = kDone;
  std::vector<std::string> messages;
};

// Whether the file's header says it is compressed (true when it cannot be
// read: the command then says why).
bool StoredCompressed(const std::string& path) {
  std::FILE* f = platform::OpenForReading(path);
  if (f == nullptr) return true;  // the command reports why
  uint8_t head[hdr::kCompressedFlag + 2] = {};
  const size_t got = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  return got < sizeof head || (head[hdr::kCompressedFlag] | head[hdr::kCompressedFlag + 1]) != 0;
}

BatchResult RunOne(const std::string& command, const CliOptions& options) {
  BatchFileHost host(options);
  BatchResult r;
  try {
    if (options.outDir) {
      std::error_code ec;
      std::filesystem::create_directories(platform::PathOf(*options.outDir), ec);
    }
    CommandResult done = CommandResult::kFailed;
    if (command == "unpack") {
      if (!StoredCompressed(options.input)) {
        r.outcome = BatchResult::kSkipped;
        return r;
      }
      done = UnpackFile(options.input, host);
    } else {
      CSkarnDoc doc(host);
      if (doc.Open(options.input)) {
        // A file without scenery programs has no bitmaps to list: passed over.
        if (command == "bitmaps" && !HasBitmapList(doc)) {
          r.outcome = BatchResult::kSkipped;
          r.messages = std::move(host.messages);
          return r;
        }
        done = command == "summary" ? SaveSummary(doc) : command == "bitmaps" ? ExtractBitmaps(doc) : Disassemble(doc);
      }
    }
    r.outcome = done == CommandResult::kWritten ? BatchResult::kDone : BatchResult::kFailed;
  } catch (const std::bad_alloc&) {
    host.messages.push_back("Error: not enough memory to run " + command);
    r.outcome = BatchResult::kFailed;
  }
  r.messages = std::move(host.messages);
  return r;
}

}  // namespace

int RunBatch(const std::string& command, const std::vector<std::string>& inputs, const CliOptions& base,
             unsigned jobs) {
  const index::FoundFiles found = index::FindBglFiles(inputs);
  if (!base.fs2000 && (command == "disasm" || command == "bitmaps")) std::fputs("skarn: \"Is this a FS2000/2002 .bgl-file?\" answered Yes for every file (--fs98 answers No)\n", stderr);
  // Each worker holds at most one temporary file, and the signal cleanup has
  // room for a few more than that.
  jobs = std::min(jobs == 0 ? AllCores() : jobs, 12u);
  uint64_t done = 0;
  uint64_t failed = found.missing.size();
  uint64_t skipped = found.skipped;
  for (const std::string& m : found.missing) std::fprintf(stderr, "skarn: %s\n", m.c_str());
  CatchInterrupt();
  Progress progress(found.sizes);
  // After Ctrl+C no file is begun, but every file under way is finished and
  // reported like the others: its output is complete.
  index::RunInOrder<BatchResult>(
      found.files.size(), jobs,
      [&](size_t i) {
        if (Interrupted()) return BatchResult{BatchResult::kNotBegun, {}};
        CliOptions options = base;
        options.input = found.files[i];
        options.fs2000 = base.fs2000.value_or(true);
        options.batch = true;
        if (base.outDir) {
          options.outDir = found.subdirs[i].empty()
                               ? *base.outDir
                               : index::JoinPath(*base.outDir, found.subdirs[i]);
        }
        return RunOne(command, options);
      },
      [&](size_t i, BatchResult& r) {
        if (r.outcome == BatchResult::kNotBegun) return true;
        if (!r.messages.empty()) progress.Clear();
        for (const std::string& m : r.messages) std::fprintf(stderr, "skarn: %s: %s\n", found.files[i].c_str(), m.c_str());
        progress.Done(found.sizes[i]);
        if (r.outcome == BatchResult::kDone) ++done;
        if (r.outcome == BatchResult::kFailed) ++failed;
        if (r.outcome == BatchResult::kSkipped) ++skipped;
        return true;
      });
  progress.Clear();
  const uint64_t seen = done + failed + (skipped - found.skipped);
  std::fprintf(stderr, "skarn: %llu files: %llu written, %llu failed, %llu skipped\n",
               static_cast<unsigned long long>(seen), static_cast<unsigned long long>(done),
               static_cast<unsigned long long>(failed), static_cast<unsigned long long>(skipped));
  if (Interrupted()) {
    std::fprintf(stderr, "skarn: interrupted; %llu files not done\n",
                 static_cast<unsigned long long>(found.files.size() + found.missing.size() - seen));
    return kInterruptedStatus;
  }
  return failed != 0 ? 1 : 0;
}

}  // namespace skarn::cli
