// Reading many BGL files: finding them, reading each one's account on worker
// threads, and handing the accounts on in a fixed order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileAccount.h"
#include "core/Host.h"

namespace skarn::index {

// Whether a file name ends in ".bgl", in any case.
bool IsBglName(const std::string& name);
// Whether s ends with tail, which is given in lower case, in any case.
bool EndsWithNoCase(std::string_view s, std::string_view tail);

struct FoundFiles {
  std::vector<std::string> files;    // sorted by path, each once
  // For each file: the folder that mirrors its place under an output folder
  // ("scenery/a/b" for scenery/a/b/x.bgl found in the folder scenery; "" for
  // a file named directly), and its size in bytes.
  std::vector<std::string> subdirs;
  std::vector<uint64_t> sizes;
  uint64_t skipped = 0;              // files in the folders that are not BGL files
  std::vector<std::string> missing;  // paths that could not be looked at, with the reason
};

// A path with "/" between its parts on every system (Windows reads them
// too), so that the same arguments give the same names, order and messages
// on Linux and Windows; JoinPath puts name after folder with one "/".
std::string Slashed(std::string path);
std::string JoinPath(const std::string& folder, const std::string& name);

// The BGL files of the paths: a folder's files (recursively, by extension),
// and every file named directly whatever its name.
FoundFiles FindBglFiles(const std::vector<std::string>& paths);

// The host of a file read in a batch: no message goes anywhere (the document
// keeps them as the account's problems), the library-call question has a
// fixed answer, and no output path is chosen.
class BatchHost : public Host {
 public:
  explicit BatchHost(bool fs2000) : fs2000_(fs2000) {}
  void ShowMessage(const std::string&) override {}
  void ShowFileMessage(const std::string&, const std::string&, const std::string&) override {}
  bool AskYesNo(const std::string&) override { return fs2000_; }
  std::optional<std::string> ChooseOutputPath(const std::string&, const std::string&, bool) override {
    return std::nullopt;
  }
  std::time_t Now() override { return 0; }

 private:
  bool fs2000_;
};

// Opens the file with host and gives its account (memory running out is one
// of its problems).
FileAccount ReadAccount(const std::string& path, Host& host);

// Reads the accounts of files on jobs threads and calls take with each, in
// the order of files, on the calling thread (see RunInOrder); take returning
// false ends the run. render, when given, makes each account's text on the
// worker thread (so that the calling thread only writes it).
struct ReadFile {
  FileAccount account;
  std::string text;
};
void ReadAccounts(const std::vector<std::string>& files, unsigned jobs, bool fs2000,
                  const std::function<std::string(const FileAccount&)>& render,
                  const std::function<bool(size_t index, ReadFile& file)>& take);

}  // namespace skarn::index
