// The few operations on output files that the standard library lacks, in one
// place: POSIX calls on Unix-like systems, a plainer fallback elsewhere.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

namespace skarn::platform {

// What an output path names once its symbolic links are followed.
struct OutputTarget {
  enum class Kind {
    kNew,      // nothing there yet: a new file is made at path
    kRegular,  // an existing regular file at path, to be replaced whole
    kStream,   // something else (FIFO, device, terminal, open descriptor):
               // written to as it is, at the path as given
  };
  Kind kind = Kind::kNew;
  std::string path;
  // The path as given is a symbolic link (for kNew: a link to nothing).
  bool viaLink = false;
  // A link into /proc or /dev/fd: an open descriptor of the process. When it
  // is a regular file, writing appends to it rather than replacing it.
  bool descriptor = false;
};

// Paths travel through the program as byte strings: as the system gives
// them on Unix-like systems, UTF-8 on Windows (whose programs run with UTF-8
// as their code page). These turn them into the library's paths and back.
std::filesystem::path PathOf(const std::string& path);
std::string PathText(const std::filesystem::path& path);

// Opens an existing file for reading.
std::FILE* OpenForReading(const std::string& path);
// A whole file's bytes, read-only: a mapping of the file where the system
// allows it, otherwise a block read from it. Moves, never copies.
class FileBytes {
 public:
  FileBytes() = default;
  FileBytes(FileBytes&& other) noexcept { *this = std::move(other); }
  FileBytes& operator=(FileBytes&& other) noexcept;
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  ~FileBytes() { Release(); }

  const uint8_t* data() const { return mapping_ != nullptr ? static_cast<const uint8_t*>(mapping_) : block_.get(); }
  size_t size() const { return size_; }
  bool mapped() const { return mapping_ != nullptr; }
  void Release() noexcept;

  // Reads the file of the given length. A mapping is tried first; where it
  // cannot be made the bytes are read into a block that is not filled
  // beforehand. False with *error set when the file cannot be opened, or
  // (std::bad_alloc) when the block cannot be had. A file that gives fewer
  // bytes than its length is still returned, its missing tail zero, with
  // *shortRead set to the reason.
  static bool Read(const std::string& path, uint64_t length, FileBytes* out, std::string* error,
                   std::string* shortRead);

 private:
  size_t size_ = 0;
  void* mapping_ = nullptr;          // the mapped view, when mapped
  std::unique_ptr<uint8_t[]> block_;  // the bytes read, otherwise
};

// Removes a file (errors are ignored).
void RemoveFile(const std::string& path) noexcept;

// Follows the links of path. False with *error set when the path cannot be
// looked at or cannot be written (a loop of links, a folder, no access).
bool ResolveOutput(const std::string& path, OutputTarget* target, std::string* error);

// Creates the file at path, which must not exist yet, for writing. With like
// (an existing regular file) the new file gets like's permission bits and, as
// far as the system allows, its owner and group before anything is written;
// without it, the permissions of any new file. Nullptr with *error set on
// failure; *exists tells whether the failure was that the name is taken.
std::FILE* CreateExclusive(const std::string& path, const std::string* like, bool* exists, std::string* error);

// Opens an existing file for writing where it is, neither creating nor
// truncating it. A regular file is opened only when appendIfRegular (then
// writes append); otherwise *regular is set and nullptr returned.
std::FILE* OpenInPlace(const std::string& path, bool appendIfRegular, bool* regular, std::string* error);

// Moves from over to (replacing to), on the same file system.
bool MoveOver(const std::string& from, const std::string& to, std::string* error);

// The system's text for an error number ("No such file or directory").
std::string ErrorText(int err);

}  // namespace skarn::platform
