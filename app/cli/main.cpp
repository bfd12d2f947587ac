// skarn: the command line over the core.
//
//   skarn summary FILE [-o OUT]
//   skarn disasm  FILE [-o OUT] [--force] [--fs2000|--fs98]
//   skarn bitmaps FILE [-o OUT] [--force] [--fs2000|--fs98]
//   skarn unpack  FILE [-o OUT] [--force]
//   skarn info    FILE [--json] [--fs2000|--fs98]
//   skarn scan    PATH... [-o INDEX] [-j N] [--fs2000|--fs98]
//   skarn map     PATH... -o MAP.svg [-j N] [--fs2000|--fs98]
//
// Exit status: 0 when the file was analysed (and the output written), 1 when
// it could not be read or analysed, an output (standard output included)
// could not be written or memory ran out, 2 for a usage error. A run ended
// by a signal removes its temporary file and ends by that signal.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "app/cli/CliHost.h"
#include "app/cli/ScanCommands.h"
#include "app/common/SignalCleanup.h"
#include "core/Bitmaps.h"
#include "core/Commands.h"
#include "core/PlatformFile.h"
#include "core/SkarnDoc.h"
#include "core/Unpack.h"

namespace {

using skarn::cli::CliOptions;
using skarn::cli::FinishStdout;
using skarn::cli::UsageError;

const char kUsage[] =
    "Usage: skarn COMMAND FILE... [options]\n"
    "\n"
    "Reads a compiled scenery file (BGL) and shows or rebuilds what it holds.\n"
    "\n"
    "Commands:\n"
    "  summary FILE [-o OUT]   print the summary of the file (with -o: save it\n"
    "                          as a text file with CR LF line ends)\n"
    "  disasm FILE [-o OUT]    write the file as assembler source: SCASM (.sca),\n"
    "                          or BGLC (.asm) for terrain data. OUT defaults to\n"
    "                          the input's name with that extension, beside it;\n"
    "                          \"-o -\" writes to standard output\n"
    "  bitmaps FILE [-o OUT]   list the bitmap (texture) files the scenery uses;\n"
    "                          OUT defaults to NAME_Bitmap.txt beside the input\n"
    "  unpack FILE [-o OUT]    write a compressed BGL file in its plain form\n"
    "                          (OUT defaults to NAME_unpacked.bgl beside it)\n"
    "  info FILE [--json]      show what the file holds: header, sections,\n"
    "                          stations, airports, objects, bitmaps, problems\n"
    "  scan PATH... [-o INDEX] [-j N]\n"
    "                          read every BGL file of the files and folders\n"
    "                          (recursively) on N threads (default: all cores);\n"
    "                          INDEX ending in .jsonl gets one JSON line per\n"
    "                          file, .db or .sqlite an SQLite database; without\n"
    "                          -o a table, one line per file\n"
    "  map PATH... -o MAP.svg [-j N]\n"
    "                          draw where the files' stations, airports,\n"
    "                          objects and areas lie, as an SVG map (hover\n"
    "                          a symbol for its details)\n"
    "\n"
    "summary, disasm, bitmaps and unpack also take several files and folders\n"
    "(BGL files by extension, recursively): each output goes beside its input,\n"
    "or with --out-dir DIR into the input tree mirrored under DIR; a summary is\n"
    "then saved as a file. The files run on -j N threads; nothing is asked.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT        the output file (\"-\" for standard output)\n"
    "  -f, --force             replace an existing output file without asking\n"
    "      --out-dir DIR       the folder for the outputs of several files\n"
    "  -j, --jobs N            files read side by side (default: all cores)\n"
    "      --fs2000            answer Yes to \"Is this a FS2000/2002 .bgl-file?\"\n"
    "      --fs98              answer No to it (older library-call layout)\n"
    "  -h, --help              show this help\n"
    "      --version           show the version\n"
    "\n"
    "Without --fs2000 or --fs98 the question is asked on a terminal; otherwise\n"
    "it is answered Yes. Set SOURCE_DATE_EPOCH to fix the time written into the\n"
    "source header.\n";

int RunSummary(const CliOptions& options) {
  skarn::cli::CliHost host(options);
  skarn::CSkarnDoc doc(host);
  skarn::shell::SignalCleanup::NoteInput(options.input);
  if (!doc.Open(options.input)) return 1;
  if (options.out) {
    // The text file (CR LF line ends); "-o -" sends its bytes to stdout.
    return skarn::SaveSummary(doc) == skarn::CommandResult::kWritten ? 0 : 1;
  }
  int err = 0;
  for (const std::string& line : doc.summary()) {
    if (err == 0 && (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() ||
                     std::fputc('\n', stdout) == EOF)) {
      err = errno;
    }
  }
  return FinishStdout(err);
}

// Runs a command that writes one output file.
int RunWriter(const CliOptions& options, skarn::CommandResult (*command)(skarn::CSkarnDoc&)) {
  skarn::cli::CliHost host(options);
  skarn::CSkarnDoc doc(host);
  skarn::shell::SignalCleanup::NoteInput(options.input);
  if (!doc.Open(options.input)) return 1;
  return command(doc) == skarn::CommandResult::kWritten ? 0 : 1;
}

// The command line's work; command and options are filled in as the
// arguments are read.
int Run(int argc, char** argv, std::string& command, CliOptions& options) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return UsageError("no command given");
  if (args[0] == "info" || args[0] == "scan" || args[0] == "map") {
    command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    for (const std::string& a : rest) {
      if (a == "-h" || a == "--help") {
        std::fputs(kUsage, stdout);
        return FinishStdout(0);
      }
    }
    if (command == "map") return skarn::cli::RunMap(rest);
    return command == "info" ? skarn::cli::RunInfo(rest) : skarn::cli::RunScan(rest);
  }

  std::vector<std::string> inputs;
  unsigned jobs = 0;
  bool fs2000 = false;
  bool fs98 = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return FinishStdout(0);
    }
    if (a == "--version") {
      std::printf("skarn %s\n", SKARN_VERSION);
      return FinishStdout(0);
    }
    if (a == "-o" || a == "--output") {
      if (i + 1 >= args.size()) return UsageError("option " + a + " needs a file name");
      if (options.out) return UsageError("only one output file may be given");
      options.out = args[++i];
    } else if (a.rfind("--output=", 0) == 0) {
      if (options.out) return UsageError("only one output file may be given");
      options.out = a.substr(9);
    } else if (a == "--out-dir") {
      if (i + 1 >= args.size()) return UsageError("option " + a + " needs a folder name");
      options.outDir = args[++i];
      if (options.outDir->empty()) return UsageError("empty output folder name");
    } else if (skarn::cli::IsJobsOption(a)) {
      if (const int usage = skarn::cli::ParseJobs(args, i, jobs); usage >= 0) return usage;
    } else if (a == "-f" || a == "--force") {
      options.force = true;
    } else if (a == "--fs2000") {
      fs2000 = true;
    } else if (a == "--fs98") {
      fs98 = true;
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      return UsageError("unknown option " + a);
    } else if (command.empty()) {
      command = a;
    } else {
      inputs.push_back(a);
    }
  }
  if (fs2000 && fs98) return UsageError("--fs2000 and --fs98 exclude each other");
  if (fs2000) options.fs2000 = true;
  if (fs98) options.fs2000 = false;

  if (command != "summary" && command != "disasm" && command != "bitmaps" && command != "unpack") {
    return UsageError("unknown command " + command);
  }
  if (inputs.empty()) return UsageError("no BGL file given");
  if (options.out && options.out->empty()) return UsageError("empty output file name");
  // Several files, a folder or an output folder: the batch form.
  std::error_code ec;
  // (A folder with -o is one input, as it always was: it cannot be read.)
  if (inputs.size() > 1 || options.outDir ||
      (!options.out && std::filesystem::is_directory(skarn::platform::PathOf(inputs[0]), ec))) {
    if (options.out) return UsageError("-o names one output; with several files use --out-dir");
    return skarn::cli::RunBatch(command, inputs, options, jobs);
  }
  options.input = inputs[0];

  if (command == "summary") return RunSummary(options);
  if (command == "bitmaps") return RunWriter(options, skarn::ExtractBitmaps);
  if (command == "unpack") {
    skarn::cli::CliHost host(options);
    return skarn::UnpackFile(options.input, host) == skarn::CommandResult::kWritten ? 0 : 1;
  }
  return RunWriter(options, skarn::Disassemble);
}

}  // namespace

namespace skarn::cli {

// Flushes standard output; a write to it that failed (first error err, or 0)
// is said on stderr ("skarn: standard output: No space left on device") and
// gives exit status 1.
int FinishStdout(int err) {
  if (std::fflush(stdout) != 0 && err == 0) err = errno;
  if (err == 0 && std::ferror(stdout) != 0) err = EIO;
  if (err == 0) return 0;
  std::fprintf(stderr, "skarn: standard output: %s\n", skarn::platform::ErrorText(err).c_str());
  return 1;
}

int UsageError(const std::string& text) {
  std::fprintf(stderr, "skarn: %s\nTry 'skarn --help'.\n", text.c_str());
  return 2;
}

}  // namespace skarn::cli

int main(int argc, char** argv) {
#if defined(_WIN32)
  // The output's CR LF are written as they are, and messages end as on
  // every other system.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  // Interrupted runs leave no temporary file behind.
  skarn::shell::SignalCleanup::Install();
  std::string command;
  CliOptions options;
  try {
    return Run(argc, argv, command, options);
  } catch (const std::bad_alloc&) {
    // Memory that the commands could not do without ran out where they do
    // not report it themselves. Written in pieces: nothing more is allocated.
    std::fputs("Error: not enough memory to run skarn", stderr);
    if (!command.empty()) {
      std::fputs(" ", stderr);
      std::fputs(command.c_str(), stderr);
    }
    if (!options.input.empty()) {
      std::fputs(" on ", stderr);
      std::fputs(options.input.c_str(), stderr);
    }
    std::fputs("\n", stderr);
    return 1;
  }
}
