// Helpers the test files share: output text, files on disk, and running a
// document over a file's bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "FakeHost.h"
#include "core/BglSection.h"
#include "core/Commands.h"
#include "core/OutputSink.h"
#include "core/SkarnDoc.h"

namespace skarn::test {

// The separator line of the source text, with an LF line end.
inline const std::string kSep = "; " + std::string(40, '-') + "\n";

// ---- text ----

// Output text with its CR LF line ends turned back into LF.
inline std::string UnixText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

inline bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// How often what stands in text (overlapping occurrences count).
inline int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// ---- files ----

// The whole file, or "" when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline void WriteFile(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// An empty directory of the running test's own, removed with everything in
// it when the object goes.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "skarn-test-") {
    path_ = std::filesystem::temp_directory_path() /
            (prefix + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// ---- running documents ----

// What write() sends through the document's writer, as written (CR LF line
// ends).
template <typename Write>
std::string Captured(CSkarnDoc& doc, Write&& write) {
  std::string text;
  doc.writer().Open(std::make_unique<StringSink>(&text));
  write();
  doc.writer().Close();
  return text;
}

// The summary without the file's own two lines (name and bounds).
inline std::vector<std::string> SectionLines(const std::vector<std::string>& summary) {
  if (summary.size() < 2) return {};
  return std::vector<std::string>(summary.begin() + 2, summary.end());
}

// What disassembling a whole file gives.
struct DisasmRun {
  bool opened = false;
  CommandResult result = CommandResult::kFailed;
  std::string output;  // the source file, LF line ends
  std::vector<std::string> summary;
  std::vector<std::string> messages;   // the analysis' included
  std::vector<std::string> questions;  // Yes/No questions the run asked
};

// Opens the bytes as the file name and disassembles them (also when opening
// failed), answering the library-call question with fs2000.
inline DisasmRun DisasmFile(const std::vector<uint8_t>& file, const std::string& name, bool fs2000 = true) {
  FakeHost host;
  host.answer = fs2000;
  CSkarnDoc doc(host);
  DisasmRun run;
  run.opened = doc.OpenImage(file, name);
  run.summary = doc.summary();
  run.result = Disassemble(doc);
  run.output = UnixText(host.output);
  run.messages = host.messages;
  run.questions = host.questions;
  return run;
}

// What opening a file and writing one section's source on its own (without
// the document's opening and closing blocks) gives.
struct SectionSource {
  bool opened = false;
  std::vector<std::string> summary;       // every line, the file's own two first
  std::vector<std::string> openMessages;  // shown while the file was opened
  std::vector<std::string> messages;      // all shown, the source's included
  std::vector<std::string> questions;
  std::string name;    // the section's short name ("" without the section)
  std::string source;  // what the section wrote, LF line ends
};

// Opens the bytes as the file name and, when the section in slot exists,
// writes its source runs times in a row.
inline SectionSource WriteSectionSource(const std::vector<uint8_t>& file, int slot, const std::string& name,
                                        int runs = 1) {
  FakeHost host;
  CSkarnDoc doc(host);
  SectionSource run;
  run.opened = doc.OpenImage(file, name);
  run.summary = doc.summary();
  run.openMessages = host.messages;
  if (BglSection* s = doc.section(slot)) {
    run.name = s->name();
    run.source = UnixText(Captured(doc, [&] {
      for (int i = 0; i < runs; ++i) s->WriteSource();
    }));
  }
  run.messages = host.messages;
  run.questions = host.questions;
  return run;
}

}  // namespace skarn::test
