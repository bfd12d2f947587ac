// The skarn command line as a user runs it: exit codes, outputs, messages.
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "BglBuilder.h"
#include "Compressor.h"
#include "Examples.h"
#include "ProcHarness.h"
#include "TestUtil.h"

namespace skarn::test {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

class Cli : public ::testing::Test {
 protected:
  fs::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    fs::path p = dir_ / name;
    WriteFile(p, bytes);
    return p;
  }

  // Runs the tool in the test's folder with stdin from the null device (no
  // terminal), TZ=UTC and the variables in env ("NAME=VALUE ..."); stdout
  // goes to a file unless toStdout redirects it (a shell redirection, on
  // POSIX systems only).
  CliRun Skarn(const std::string& args, const std::string& env = "SOURCE_DATE_EPOCH=0",
               const std::string& toStdout = "") {
    const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
#if defined(_WIN32)
    EXPECT_EQ(toStdout, "") << "no shell redirections on Windows";
    const int status = RunWindows(args, "TZ=UTC " + env, out, err);
#else
    const std::string cmd = "cd '" + dir_.string() + "' && env TZ=UTC " + env + " '" SKARN_CLI "' " + args +
                            " </dev/null " + (toStdout.empty() ? ">'" + out.string() + "'" : toStdout) + " 2>'" +
                            err.string() + "'";
    const int raw = std::system(cmd.c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    return CliRun{status, ReadFile(out), ReadFile(err)};
  }

#if defined(_WIN32)
  // The program started as a console user starts it: a command line of the
  // quoted program and the arguments, the variables set for the child only.
  int RunWindows(const std::string& args, const std::string& env, const fs::path& out, const fs::path& err) {
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> saved;
    for (size_t at = 0; at < env.size();) {
      size_t end = env.find(' ', at);
      if (end == std::string::npos) end = env.size();
      const std::string assignment = env.substr(at, end - at);
      at = end + 1;
      const size_t eq = assignment.find('=');
      if (eq == std::string::npos) continue;
      const std::wstring name = Wide(assignment.substr(0, eq));
      wchar_t old[32768];
      const DWORD n = GetEnvironmentVariableW(name.c_str(), old, 32768);
      saved.emplace_back(name, n == 0 ? std::nullopt : std::optional<std::wstring>(old));
      SetEnvironmentVariableW(name.c_str(), Wide(assignment.substr(eq + 1)).c_str());
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const auto open = [&](const std::wstring& path, DWORD access, DWORD disposition) {
      return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = open(L"NUL", GENERIC_READ, OPEN_EXISTING);
    si.hStdOutput = open(out.wstring(), GENERIC_WRITE, CREATE_ALWAYS);
    si.hStdError = open(err.wstring(), GENERIC_WRITE, CREATE_ALWAYS);
    std::wstring line = L"\"" + fs::path(SKARN_CLI).wstring() + L"\" " + Wide(args);
    PROCESS_INFORMATION pi{};
    DWORD code = static_cast<DWORD>(-1);
    // Under wine a start now and then fails before the program runs (wine
    // could not place its shared page); such a start is tried again.
    bool started = false;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
      started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, dir_.wstring().c_str(), &si,
                               &pi) != 0;
    }
    if (started) {
      WaitForSingleObject(pi.hProcess, INFINITE);
      GetExitCodeProcess(pi.hProcess, &code);
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
    for (HANDLE h : {si.hStdInput, si.hStdOutput, si.hStdError}) CloseHandle(h);
    for (const auto& [name, value] : saved) SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
    return static_cast<int>(code);
  }

  static std::wstring Wide(const std::string& utf8) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), w.data(), n);
    return w;
  }
#endif

  // A small library: lib/a/X.BGL (the example), lib/a/b/y.bgl (the same,
  // compressed), lib/broken.bgl (too short for a header), lib/readme.txt.
  void MakeLibrary() {
    fs::create_directories(dir_ / "lib" / "a" / "b");
    const auto examples = AllExamples();
    Write("lib/a/X.BGL", examples[0].second);
    Write("lib/a/b/y.bgl", examples[1].second);
    Write("lib/broken.bgl", std::vector<uint8_t>(50, 0));
    Write("lib/readme.txt", {'h', 'i'});
  }

  TempDir temp_{"skarn-cli-"};
  const fs::path dir_ = temp_.path();
};

TEST_F(Cli, UsageHelpAndVersion) {
  EXPECT_EQ(Skarn("").status, 2);
  EXPECT_EQ(Skarn("frobnicate x.bgl").status, 2);
  EXPECT_EQ(Skarn("disasm").status, 2);
  EXPECT_EQ(Skarn("disasm a.bgl --bogus").status, 2);
  EXPECT_EQ(Skarn("disasm a.bgl --fs98 --fs2000").status, 2);
  EXPECT_EQ(Skarn("disasm a.bgl -o").status, 2);
  CliRun help = Skarn("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("skarn COMMAND FILE"), std::string::npos);
  CliRun version = Skarn("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("skarn ", 0), 0u);
}

TEST_F(Cli, SummaryToStdoutAndToFile) {
  BglBuilder b;
  b.Section(0x32, Bytes().zeros(4));
  Write("s.bgl", b.Build());
  CliRun r = Skarn("summary s.bgl");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Filename: s.bgl;  VIS-Type: 0\n"
            "Latitude  S00:00:00.00 to  S00:00:00.00, Longitude  W000:00:00.00 to  W000:00:00.00\n"
            "File contains MSA table\n");
  EXPECT_EQ(r.err, "");
  r = Skarn("summary s.bgl -o sum.txt");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(ReadFile(dir_ / "sum.txt"),
            "Filename: s.bgl;  VIS-Type: 0\r\n"
            "Latitude  S00:00:00.00 to  S00:00:00.00, Longitude  W000:00:00.00 to  W000:00:00.00\r\n"
            "File contains MSA table\r\n");
  r = Skarn("summary s.bgl -o -");
  EXPECT_EQ(r.out, ReadFile(dir_ / "sum.txt"));
}

TEST_F(Cli, DisasmOutputsAndOverwriteRule) {
  Write("e.bgl", BglBuilder().Build());
  CliRun r = Skarn("disasm e.bgl -o -");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, 44 + 61),
            "; ----------------------------------------\r\n"
            "; e.bgl disassembled by Skarn on Thu Jan  1 00:00:00 1970\r\n\r\n");
  EXPECT_EQ(r.out.substr(r.out.size() - 23), "; end of SCASM source\r\n");

  // Default output beside the input; an existing one needs --force.
  r = Skarn("disasm e.bgl");
  EXPECT_EQ(r.status, 0);
  const std::string first = ReadFile(dir_ / "e.sca");
  EXPECT_EQ(first, Skarn("disasm e.bgl -o -").out);
  r = Skarn("disasm e.bgl", "SOURCE_DATE_EPOCH=86400");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("exists; use --force"), std::string::npos);
  EXPECT_EQ(ReadFile(dir_ / "e.sca"), first);
  r = Skarn("disasm e.bgl --force", "SOURCE_DATE_EPOCH=86400");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(ReadFile(dir_ / "e.sca").find("Fri Jan  2 00:00:00 1970"), std::string::npos);

  // The input is never the output.
  const std::string before = ReadFile(dir_ / "e.bgl");
  EXPECT_EQ(Skarn("disasm e.bgl -o e.bgl --force").status, 1);
  EXPECT_EQ(ReadFile(dir_ / "e.bgl"), before);
  // An output that cannot be written.
  r = Skarn("disasm e.bgl -o no/such/dir/x.sca");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Error: Unable to open output file: no/such/dir/x.sca: No such file or directory\n");
}

TEST_F(Cli, LibraryCallQuestionAnsweredAheadOrOnce) {
  // A procedural object and a library object, each with a library call: two
  // walkers, so a run asks the question twice.
  const Bytes code = Cat({CallLib20(), Return()});
  Bytes lib;
  lib.u32(40).u32(1).u32(2).u32(3).u32(4).zeros(20);
  lib.u32(0xA).u32(0xB).u32(0xC).u32(0xD).u8(0).u16(static_cast<uint32_t>(19 + code.size())).append(code);
  BglBuilder b;
  b.Section(kProcHeaderField, ProcSectionWith(code));
  b.Section(0x3E, lib);
  Write("q.bgl", b.Build());
  const std::string fs2000Call = "\tCallLibObj( 0 00000001 00000002 00000003 00000004 )\r\n";
  const std::string fs98Call = "\tCallLibObj1( 00010000 00020000 00030000 00040000 )\r\n";

  // No terminal and no flag: Yes, said once on stderr.
  CliRun r = Skarn("disasm q.bgl -o -");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "skarn: \"Is this a FS2000/2002 .bgl-file?\" answered Yes (no terminal to ask; use --fs98 to answer "
            "No)\n");
  EXPECT_EQ(Count(r.out, fs2000Call), 2) << r.out;
  const std::string yes = r.out;

  r = Skarn("disasm q.bgl -o - --fs2000");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, yes);

  r = Skarn("disasm q.bgl --fs98 -o -");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Count(r.out, fs98Call), 2) << r.out;
  EXPECT_EQ(Count(r.out, "CallLibObj("), 0);
}

TEST_F(Cli, SourceDateEpochFixesTheTimeText) {
  Write("t.bgl", BglBuilder().Build());
  const auto dateLine = [](const std::string& out) {
    const size_t from = out.find("\r\n") + 2;
    return out.substr(from, out.find("\r\n", from) - from);
  };
  CliRun r = Skarn("disasm t.bgl -o -", "SOURCE_DATE_EPOCH=1700000000");
  EXPECT_EQ(dateLine(r.out), "; t.bgl disassembled by Skarn on Tue Nov 14 22:13:20 2023");
  EXPECT_EQ(r.err, "");
  // Values that are no time the C library can show fall back to the clock.
  r = Skarn("disasm t.bgl -o -", "SOURCE_DATE_EPOCH=12x");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "skarn: SOURCE_DATE_EPOCH is not a number of seconds; using the clock\n");
  r = Skarn("disasm t.bgl -o -", "SOURCE_DATE_EPOCH=99999999999999999");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "skarn: SOURCE_DATE_EPOCH is beyond the dates the C library can show; using the clock\n");
  EXPECT_EQ(dateLine(r.out).find(" -"), std::string::npos) << dateLine(r.out);
}

TEST_F(Cli, BadInputGivesMessagesAndStatusOne) {
  CliRun r = Skarn("summary missing.bgl");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Error: unable to open BGL file\nskarn: missing.bgl: No such file or directory\n");
  r = Skarn("disasm . -o -");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Error: unable to open BGL file\nskarn: .: Is a directory\n");
  Write("short.bgl", std::vector<uint8_t>(40, 0x15));
  r = Skarn("disasm short.bgl -o -");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Error: file too short for a BGL header (40 bytes, at least 128 needed)\n");
  BglBuilder b;
  b.Set(0x6E, 0x7FFFFFF0, 4);
  Write("past.bgl", b.Build());
  r = Skarn("summary past.bgl");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("magnetic variation section offset 0x7FFFFFF0 lies beyond the end"), std::string::npos);
}

TEST_F(Cli, BitmapListBesideTheInput) {
  std::vector<uint8_t> airfield = AirfieldExample();
  Write("air.bgl", airfield);
  CliRun r = Skarn("bitmaps air.bgl");
  EXPECT_EQ(r.status, 0);
  const std::string list = ReadFile(dir_ / "air_Bitmap.txt");
  EXPECT_EQ(list.rfind("; ----------------------------------------\r\n; air.bgl  bitmap files listed on Thu Jan  1 "
                       "00:00:00 1970\r\n\r\n",
                       0),
            0u)
      << list;
  EXPECT_NE(list.find("\tpad.bmp (Bitmap)\r\n"), std::string::npos) << list;
  EXPECT_EQ(Skarn("bitmaps air.bgl -o -").out, list);
  // Neither a procedural nor a library section: nothing to list.
  Write("none.bgl", BglBuilder().Build());
  r = Skarn("bitmaps none.bgl");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "BGL-file contains no procedure section and no library\n");
  EXPECT_FALSE(fs::exists(dir_ / "none_Bitmap.txt"));
}

TEST_F(Cli, UnpackWritesThePlainFile) {
  const std::vector<uint8_t> plain = AirfieldExample();
  Write("packed.bgl", CompressBgl(plain));
  CliRun r = Skarn("unpack packed.bgl");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir_ / "packed_unpacked.bgl"), std::string(plain.begin(), plain.end()));
  // A compressed file reads like its plain form.
  Write("plain.bgl", plain);
  const std::string packedSummary = Skarn("summary packed.bgl").out;
  const std::string plainSummary = Skarn("summary plain.bgl").out;
  EXPECT_EQ(packedSummary.substr(packedSummary.find('\n')), plainSummary.substr(plainSummary.find('\n')));
  r = Skarn("unpack plain.bgl");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Error: plain.bgl is not compressed; there is nothing to unpack\n");
  EXPECT_FALSE(fs::exists(dir_ / "plain_unpacked.bgl"));
}

fs::path Utf8Path(const std::string& name) { return fs::path(std::u8string(name.begin(), name.end())); }

// A file named outside ASCII, in a folder, reached as a user types it: its
// outputs go beside it under the names made from it.
TEST_F(Cli, NamesBeyondAsciiAndSubfolders) {
  fs::create_directories(dir_ / "sub dir");
  const std::string name = "\xC5\x81\xC3\xB3" "d\xC5\xBA";  // Lodz with its Polish letters
  WriteFile(dir_ / "sub dir" / Utf8Path(name + ".bgl"), AirfieldExample());
#if defined(_WIN32)
  const std::string in = "\"sub dir\\" + name + ".bgl\"";
#else
  const std::string in = "'sub dir/" + name + ".bgl'";
#endif
  CliRun r = Skarn("disasm " + in + " --fs2000");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string source = ReadFile(dir_ / "sub dir" / Utf8Path(name + ".sca"));
  EXPECT_NE(source.find("; " + name + ".bgl disassembled by Skarn on Thu Jan  1 00:00:00 1970\r\n"), std::string::npos);
  EXPECT_EQ(Skarn("disasm " + in + " --fs2000 -o -").out, source);
  EXPECT_EQ(Skarn("bitmaps " + in + " --fs2000").status, 0);
  EXPECT_TRUE(fs::exists(dir_ / "sub dir" / Utf8Path(name + "_Bitmap.txt")));
  r = Skarn("summary " + in);
  EXPECT_EQ(r.out.rfind("Filename: " + name + ".bgl;", 0), 0u) << r.out;
  // An absolute output path as the system writes it (a drive letter and
  // backslashes on Windows), replacing what is there.
  const fs::path absolute = dir_ / "sub dir" / "abs.sca";
  WriteFile(absolute, {'o', 'l', 'd'});
  r = Skarn("disasm " + in + " --fs2000 --force -o \"" + absolute.string() + "\"");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(absolute), source);
}

#if !defined(_WIN32)
// Special files, links, descriptors and signals: POSIX systems only.

// The files in the test's folder, temporary ones included.
std::vector<std::string> Listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool AnyTemporary(const fs::path& dir) {
  for (const std::string& n : Listing(dir)) {
    if (n.rfind(".skarn-", 0) == 0) return true;
  }
  return false;
}

TEST_F(Cli, OutputsThatAreNoPlainFile) {
  Write("e.bgl", BglBuilder().Build());
  const std::string source = Skarn("disasm e.bgl -o -").out;
  ASSERT_FALSE(source.empty());

  // A link: its target is replaced, with its permission bits (and, as root,
  // its owner), and the link stays.
  WriteFile(dir_ / "real.sca", {'o', 'l', 'd'});
  fs::permissions(dir_ / "real.sca", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown((dir_ / "real.sca").c_str(), 1234, 4321), 0);
  }
  fs::create_symlink("real.sca", dir_ / "link.sca");
  CliRun r = Skarn("disasm e.bgl -o link.sca");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Error: link.sca exists; use --force to replace it\n");
  r = Skarn("disasm e.bgl -o link.sca --force");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.sca"));
  EXPECT_EQ(ReadFile(dir_ / "real.sca"), source);
  EXPECT_EQ(fs::status(dir_ / "real.sca").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  struct stat st {};
  ASSERT_EQ(::stat((dir_ / "real.sca").c_str(), &st), 0);
  if (root) {
    EXPECT_EQ(std::make_pair(st.st_uid, st.st_gid), std::make_pair(1234u, 4321u));
  }

  // A link to nothing counts as a file: it needs --force, then its target is
  // made.
  fs::create_symlink("made.sca", dir_ / "dangling.sca");
  EXPECT_EQ(Skarn("disasm e.bgl -o dangling.sca").status, 1);
  EXPECT_FALSE(fs::exists(dir_ / "made.sca"));
  EXPECT_EQ(Skarn("disasm e.bgl -o dangling.sca --force").status, 0);
  EXPECT_TRUE(fs::is_symlink(dir_ / "dangling.sca"));
  EXPECT_EQ(ReadFile(dir_ / "made.sca"), source);

  // A device is written to, never replaced: a node of the null device of our
  // own as root, else a link to it (which nobody else may replace).
  const fs::path null = dir_ / "null.sca";
  if (!root || ::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) fs::create_symlink("/dev/null", null);
  r = Skarn("disasm e.bgl -o null.sca --force");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_character_file(null));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  // A FIFO is written through (no --force needed); a second name of it lets
  // the reader go if the FIFO were replaced.
  ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
  fs::create_hard_link(dir_ / "pipe", dir_ / "pipe-too");
  std::string piped;
  std::thread reader([&] { piped = ReadFile(dir_ / "pipe"); });
  r = Skarn("disasm e.bgl -o pipe");
  const int release = ::open((dir_ / "pipe-too").c_str(), O_WRONLY | O_NONBLOCK);
  if (release >= 0) ::close(release);
  reader.join();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(piped, source);
  EXPECT_TRUE(fs::is_fifo(dir_ / "pipe"));

  // A name as long as the file system allows.
  const std::string longName = std::string(250, 'n') + ".sca";
  r = Skarn("disasm e.bgl -o " + longName);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile(dir_ / longName), source);
  EXPECT_FALSE(AnyTemporary(dir_));
}

TEST_F(Cli, FailedWritesToStandardOutputAreSaid) {
  Write("e.bgl", BglBuilder().Build());
  struct Case {
    std::string args, redirect, err;
  };
  const Case cases[] = {
      {"summary e.bgl", ">/dev/full", "skarn: standard output: No space left on device\n"},
      {"summary e.bgl", ">&-", "skarn: standard output: Bad file descriptor\n"},
      {"disasm e.bgl -o -", ">/dev/full",
       "Error: Unable to write output file: standard output: No space left on device\n"},
      {"disasm e.bgl -o /dev/full", "",
       "Error: Unable to write output file: /dev/full: No space left on device\n"},
  };
  for (const Case& c : cases) {
    const CliRun r = Skarn(c.args, "SOURCE_DATE_EPOCH=0", c.redirect);
    EXPECT_EQ(r.status, 1) << c.args << " " << c.redirect;
    EXPECT_EQ(r.err, c.err) << c.args << " " << c.redirect;
  }
}

// A file whose source takes a while to write: one object of many commands.
std::vector<uint8_t> LongRunningFile(int nops = 2000000) {
  Bytes code;
  for (int i = 0; i < nops; ++i) code.u16(0x02);  // Nop
  return ProcFileWith(code.u16(0x22));               // Return
}

// Starts skarn with args in dir with the given file-size limit (0: none) and
// no core dumps.
pid_t StartSkarn(const fs::path& dir, rlim_t sizeLimit, const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>("skarn")};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const int null = ::open("/dev/null", O_RDWR);
  ::dup2(null, 0);
  ::dup2(null, 1);
  const int err = ::open((dir / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(err, 2);
  // As a user's shell starts it: signals a background test run ignores are
  // not ignored here.
  for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::signal(sig, SIG_DFL);
  sigset_t all;
  sigemptyset(&all);
  ::sigprocmask(SIG_SETMASK, &all, nullptr);
  struct rlimit none = {0, 0};
  ::setrlimit(RLIMIT_CORE, &none);
  if (sizeLimit != 0) {
    struct rlimit limit = {sizeLimit, sizeLimit};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  if (::chdir(dir.c_str()) == 0) ::execv(SKARN_CLI, argv.data());
  ::_exit(127);
}

// Waits (at most 30 s) until a temporary output file in dir holds text.
bool WaitForTemporaryText(const fs::path& dir) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < until) {
    for (const std::string& n : Listing(dir)) {
      std::error_code ec;
      if (n.rfind(".skarn-", 0) == 0 && fs::file_size(dir / n, ec) > 0 && !ec) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

// Starts "skarn disasm big.bgl -o big.sca --force" so.
pid_t StartDisasm(const fs::path& dir, rlim_t sizeLimit) {
  return StartSkarn(dir, sizeLimit, {"disasm", "big.bgl", "-o", "big.sca", "--force", "--fs2000"});
}

TEST_F(Cli, InterruptedRunLeavesNoTemporaryFile) {
  Write("big.bgl", LongRunningFile());
  for (const int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) {
    WriteFile(dir_ / "big.sca", {'o', 'l', 'd'});
    const pid_t pid = StartDisasm(dir_, 0);
    ASSERT_GT(pid, 0);
    // Once the temporary file holds some text, the run is stopped.
    EXPECT_TRUE(WaitForTemporaryText(dir_)) << "signal " << sig;
    ::kill(pid, sig);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "signal " << sig << ", status " << status;
    EXPECT_FALSE(AnyTemporary(dir_)) << "signal " << sig;
    EXPECT_EQ(ReadFile(dir_ / "big.sca"), "old") << "signal " << sig;
  }

  // A file-size limit ends the write with a message, not with the signal.
  const pid_t pid = StartDisasm(dir_, 1 << 20);
  ASSERT_GT(pid, 0);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_EQ(ReadFile(dir_ / "stderr"), "Error: Unable to write output file: big.sca: File too large\n");
  EXPECT_FALSE(AnyTemporary(dir_));
  EXPECT_EQ(ReadFile(dir_ / "big.sca"), "old");
}

TEST_F(Cli, InputCutShorterWhileReadEndsWithAMessage) {
  // The input is mapped: cut shorter under the running command, it can no
  // longer be read. A message naming it, exit status 1, the old file kept.
  Write("big.bgl", LongRunningFile(8000000));
  WriteFile(dir_ / "big.sca", {'o', 'l', 'd'});
  const pid_t pid = StartDisasm(dir_, 0);
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(WaitForTemporaryText(dir_));
  fs::resize_file(dir_ / "big.bgl", 4096);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  EXPECT_EQ(ReadFile(dir_ / "stderr"),
            "Error: unable to read BGL file\nskarn: big.bgl: the file was cut shorter while it was read\n");
  EXPECT_FALSE(AnyTemporary(dir_));
  EXPECT_EQ(ReadFile(dir_ / "big.sca"), "old");
}

TEST_F(Cli, InterruptedScanKeepsAValidIndexOfWhatFinished) {
  fs::create_directories(dir_ / "lib");
  const std::vector<uint8_t> big = LongRunningFile();
  for (int i = 0; i < 40; ++i) Write("lib/f" + std::to_string(100 + i) + ".bgl", big);
  const pid_t pid = StartSkarn(dir_, 0, {"scan", "lib", "-o", "index.jsonl", "-j", "1"});
  ASSERT_GT(pid, 0);
  // Once the index's temporary file holds a few files, the run is stopped.
  ASSERT_TRUE(WaitForTemporaryText(dir_));
  ::kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
  EXPECT_FALSE(AnyTemporary(dir_));
  const std::string index = ReadFile(dir_ / "index.jsonl");
  const int lines = Count(index, "\r\n");
  EXPECT_GT(lines, 0);
  EXPECT_LT(lines, 40);
  EXPECT_TRUE(EndsWith(index, "]}\r\n"));
  EXPECT_EQ(Count(index, "{\"schema\""), lines);
  EXPECT_NE(ReadFile(dir_ / "stderr").find("skarn: interrupted; "), std::string::npos);
}

TEST_F(Cli, InterruptedBatchReportsEveryOutputItLeaves) {
  fs::create_directories(dir_ / "lib");
  fs::create_directories(dir_ / "out" / "lib");
  const std::vector<uint8_t> big = LongRunningFile();
  for (int i = 0; i < 40; ++i) Write("lib/f" + std::to_string(100 + i) + ".bgl", big);
  const pid_t pid = StartSkarn(dir_, 0, {"disasm", "lib", "--out-dir", "out", "-j", "2"});
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(WaitForTemporaryText(dir_ / "out" / "lib"));
  ::kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
  EXPECT_FALSE(AnyTemporary(dir_ / "out" / "lib"));
  // The files under way were finished: each output left is complete and
  // counted as written.
  int outputs = 0;
  for (const std::string& n : Listing(dir_ / "out" / "lib")) {
    ++outputs;
    EXPECT_TRUE(EndsWith(ReadFile(dir_ / "out" / "lib" / n), "; end of SCASM source\r\n")) << n;
  }
  EXPECT_GT(outputs, 0);
  const std::string err = ReadFile(dir_ / "stderr");
  EXPECT_NE(err.find(Format(" files: %d written, 0 failed, 0 skipped\n", outputs)), std::string::npos) << err;
  EXPECT_NE(err.find(Format("skarn: interrupted; %d files not done\n", 40 - outputs)), std::string::npos) << err;
}

#endif  // !_WIN32

TEST_F(Cli, InfoAsTextAndAsJson) {
  Write("air.bgl", AirfieldExample());
  CliRun r = Skarn("info air.bgl");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Section 9 (procedural scenery) at 0x80: 2 objects\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("object at 0x93: N47:30:00.00 E008:31:12.00 area=6 radius=100 size=94\n"), std::string::npos);
  r = Skarn("info air.bgl --json");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("{\"schema\":\"skarn-account\",\"version\":1,\"path\":\"air.bgl\"", 0), 0u) << r.out;
  EXPECT_EQ(Count(r.out, "\n"), 1);
  EXPECT_TRUE(EndsWith(r.out, "}\n"));
  Write("short.bgl", std::vector<uint8_t>(40, 0));
  r = Skarn("info short.bgl --json");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("\"status\":\"failed\""), std::string::npos);
  EXPECT_NE(r.err.find("short.bgl: Error: file too short"), std::string::npos);
  EXPECT_EQ(Skarn("info").status, 2);
  EXPECT_EQ(Skarn("info a.bgl b.bgl").status, 2);
}

TEST_F(Cli, ScanReadsAFolderTreeInAFixedOrder) {
  MakeLibrary();
  CliRun r = Skarn("scan lib");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "STATUS    KIND        SECTIONS  FEATURES  FILE\n"
            "read      plain              3         2  lib/a/X.BGL\n"
            "read      compressed         3         2  lib/a/b/y.bgl\n"
            "failed    -                  0         0  lib/broken.bgl\n");
  EXPECT_NE(r.err.find("skarn: lib/broken.bgl: Error: file too short for a BGL header"), std::string::npos) << r.err;
  EXPECT_TRUE(EndsWith(r.err, "skarn: 3 files: 2 read, 0 with warnings, 1 failed, 1 skipped\n")) << r.err;

  // The index is the same whatever the number of threads.
  EXPECT_EQ(Skarn("scan lib -o one.jsonl -j 1").status, 1);
  EXPECT_EQ(Skarn("scan lib --fs2000 -o three.jsonl -j3").status, 1);
  const std::string one = ReadFile(dir_ / "one.jsonl");
  EXPECT_EQ(one, ReadFile(dir_ / "three.jsonl"));
  EXPECT_EQ(Count(one, "\r\n"), 3);
  EXPECT_EQ(one.find("{\"schema\":\"skarn-account\",\"version\":1,\"path\":\"lib/a/X.BGL\""), 0u);

  // Only good files: status 0. A database, where the build has SQLite.
  r = Skarn("scan lib/a -o index.db");
  if (r.status == 0) {
    EXPECT_EQ(ReadFile(dir_ / "index.db").substr(0, 15), "SQLite format 3");
    EXPECT_FALSE(fs::exists(dir_ / "index.db.part"));
  } else {
    EXPECT_NE(r.err.find("not available in this build"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Skarn("scan lib/a").status, 0);
  EXPECT_EQ(Skarn("scan lib -o index.txt").status, 2);
  EXPECT_EQ(Skarn("scan lib -j 0").status, 2);
  EXPECT_EQ(Skarn("scan").status, 2);
  r = Skarn("scan missing");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("skarn: missing: "), std::string::npos);
}

TEST_F(Cli, BatchOutputsMatchSingleRuns) {
  MakeLibrary();
  CliRun r = Skarn("disasm lib --out-dir out -j 3");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "skarn: \"Is this a FS2000/2002 .bgl-file?\" answered Yes for every file (--fs98 answers No)\n"
            "skarn: lib/broken.bgl: Error: file too short for a BGL header (50 bytes, at least 128 needed)\n"
            "skarn: 3 files: 2 written, 1 failed, 1 skipped\n");
  EXPECT_EQ(ReadFile(dir_ / "out/lib/a/X.sca"), Skarn("disasm lib/a/X.BGL -o -").out);
  EXPECT_EQ(ReadFile(dir_ / "out/lib/a/b/y.sca"), Skarn("disasm lib/a/b/y.bgl -o -").out);
  // An existing output needs --force; nothing is asked.
  r = Skarn("disasm lib --out-dir out");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("skarn: lib/a/X.BGL: Error: out/lib/a/X.sca exists; use --force to replace it\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(Skarn("disasm lib/a --out-dir out --force --fs98").status, 0);

  // Beside the inputs: the summaries saved as files, one file as before.
  EXPECT_EQ(Skarn("summary lib/a/X.BGL lib/a/b/y.bgl").status, 0);
  EXPECT_EQ(ReadFile(dir_ / "lib/a/X.txt"), Skarn("summary lib/a/X.BGL -o -").out);
  EXPECT_TRUE(fs::exists(dir_ / "lib/a/b/y.txt"));
  EXPECT_EQ(Skarn("bitmaps lib/a/b --out-dir bm").status, 0);
  EXPECT_EQ(ReadFile(dir_ / "bm/b/y_Bitmap.txt"), Skarn("bitmaps lib/a/b/y.bgl -o -").out);
  // A file with no scenery programs has no bitmaps to list: passed over.
  fs::create_directories(dir_ / "nav");
  Write("nav/n.bgl", BglBuilder().Build());
  r = Skarn("bitmaps nav --out-dir bm");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(EndsWith(r.err, "skarn: 1 files: 0 written, 0 failed, 1 skipped\n")) << r.err;
  // unpack passes over plain files.
  r = Skarn("unpack lib/a --out-dir u");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(EndsWith(r.err, "skarn: 2 files: 1 written, 0 failed, 3 skipped\n")) << r.err;
  EXPECT_EQ(ReadFile(dir_ / "u/a/b/y_unpacked.bgl"), Skarn("unpack lib/a/b/y.bgl -o -").out);
  EXPECT_EQ(Skarn("disasm lib/a/X.BGL lib/a/b/y.bgl -o x.sca").status, 2);
  EXPECT_EQ(Skarn("disasm lib -j x").status, 2);
}

TEST_F(Cli, MapOfAFolderWithABrokenFile) {
  fs::create_directories(dir_ / "lib" / "a");
  Write("lib/a/air.bgl", AirfieldExample());
  Write("lib/broken.bgl", std::vector<uint8_t>(50, 0));
  CliRun r = Skarn("map lib -o map.svg -j 1");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("skarn: lib/broken.bgl: Error: file too short for a BGL header"), std::string::npos) << r.err;
  EXPECT_TRUE(EndsWith(r.err, "skarn: 2 files: 1 read, 0 with warnings, 1 failed, 0 skipped\n")) << r.err;
  const std::string svg = ReadFile(dir_ / "map.svg");
  EXPECT_TRUE(EndsWith(svg, "</svg>\r\n"));
  EXPECT_EQ(Count(svg, "<g class=\"object\"><title>Object"), 2);
  EXPECT_NE(svg.find("N47:30:00.00 E008:31:12.00&#10;air.bgl, offset 0x93</title>"), std::string::npos);
  // The same bytes on stdout and whatever the number of threads; an old map
  // is replaced.
  r = Skarn("map lib/a lib/broken.bgl -o - -j 3");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, svg);
  Write("map.svg", {'o', 'l', 'd'});
  EXPECT_EQ(Skarn("map lib/a -o map.svg --fs98").status, 0);
  EXPECT_EQ(ReadFile(dir_ / "map.svg"), svg);
  EXPECT_EQ(Skarn("map lib").status, 2);
  EXPECT_EQ(Skarn("map -o x.svg").status, 2);
  EXPECT_FALSE(fs::exists(dir_ / "x.svg"));
}

TEST_F(Cli, ExampleFilesMatchTheirBuilders) {
  for (const auto& [name, bytes] : AllExamples()) {
    const std::string committed = ReadFile(fs::path(SKARN_SOURCE_DIR) / "examples" / name);
    EXPECT_EQ(committed, std::string(bytes.begin(), bytes.end())) << name << " differs from its builder";
  }
}

}  // namespace
}  // namespace skarn::test
