#include "core/PlatformFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace skarn::platform {

namespace fs = std::filesystem;

std::string ErrorText(int err) { return std::generic_category().message(err); }

#if defined(_WIN32)
fs::path PathOf(const std::string& path) {
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(path.data()), path.size()));
}
std::string PathText(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}
std::FILE* OpenForReading(const std::string& path) { return _wfopen(PathOf(path).c_str(), L"rb"); }
void RemoveFile(const std::string& path) noexcept {
  std::error_code ec;
  fs::remove(PathOf(path), ec);
}
#else
fs::path PathOf(const std::string& path) { return fs::path(path); }
std::string PathText(const fs::path& path) { return path.string(); }
std::FILE* OpenForReading(const std::string& path) { return std::fopen(path.c_str(), "rb"); }
void RemoveFile(const std::string& path) noexcept { ::unlink(path.c_str()); }
#endif

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept {
  if (this != &other) {
    Release();
    size_ = other.size_;
    mapping_ = other.mapping_;
    block_ = std::move(other.block_);
    other.size_ = 0;
    other.mapping_ = nullptr;
  }
  return *this;
}

namespace {

#if defined(_WIN32)
// A read-only view of the file's first length bytes, or nullptr. The view
// keeps the file open; while it exists the file cannot be cut shorter.
void* MapView(const std::string& path, uint64_t length) {
  const HANDLE file = CreateFileW(PathOf(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size;
  void* view = nullptr;
  if (GetFileSizeEx(file, &size) != 0 && static_cast<uint64_t>(size.QuadPart) >= length) {
    const HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping != nullptr) {
      view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(length));
      CloseHandle(mapping);
    }
  }
  CloseHandle(file);
  return view;
}
void UnmapView(void* view, size_t) { UnmapViewOfFile(view); }
#else
void* MapView(const std::string& path, uint64_t length) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  void* view = nullptr;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) >= length) {
    int flags = MAP_PRIVATE;
#if defined(MAP_POPULATE)
    // Every page is read anyway: setting them up in one go is much cheaper
    // than a fault per page.
    flags |= MAP_POPULATE;
#endif
    view = ::mmap(nullptr, static_cast<size_t>(length), PROT_READ, flags, fd, 0);
    if (view == MAP_FAILED) view = nullptr;
  }
  ::close(fd);
  return view;
}
void UnmapView(void* view, size_t size) { ::munmap(view, size); }
#endif

}  // namespace

void FileBytes::Release() noexcept {
  if (mapping_ != nullptr) UnmapView(mapping_, size_);
  mapping_ = nullptr;
  block_.reset();
  size_ = 0;
}

bool FileBytes::Read(const std::string& path, uint64_t length, FileBytes* out, std::string* error,
                     std::string* shortRead) {
  out->Release();
  shortRead->clear();
  if (length != 0) {
    if (void* view = MapView(path, length)) {
      out->mapping_ = view;
      out->size_ = static_cast<size_t>(length);
      return true;
    }
  }
  // No mapping (a file system without it, a file that shrank): read it.
  std::FILE* f = OpenForReading(path);
  if (f == nullptr) {
    *error = ErrorText(errno);
    return false;
  }
  const auto size = static_cast<size_t>(length);
  std::unique_ptr<uint8_t[]> block;
  try {
    block.reset(new uint8_t[size == 0 ? 1 : size]);  // not zero-filled: the read fills it
  } catch (const std::bad_alloc&) {
    std::fclose(f);
    throw;
  }
  const size_t got = size == 0 ? 0 : std::fread(block.get(), 1, size, f);
  const int readErr = std::ferror(f) != 0 ? errno : 0;
  std::fclose(f);
  if (got != size) {
    // What did not arrive stays zero.
    std::memset(block.get() + got, 0, size - got);
    *shortRead = readErr != 0 ? ErrorText(readErr)
                              : std::to_string(got) + " of " + std::to_string(size) + " bytes read";
  }
  out->size_ = size;
  out->block_ = std::move(block);
  return true;
}

namespace {

// /proc/<pid>/fd/N and /dev/fd/N name open descriptors, whose link text is
// no path to follow ("pipe:[1234]").
bool IsDescriptorPath(const fs::path& p) {
  const std::string s = p.generic_string();
  return s.rfind("/proc/", 0) == 0 || s.rfind("/dev/fd/", 0) == 0;
}

}  // namespace

bool ResolveOutput(const std::string& path, OutputTarget* target, std::string* error) {
  *target = OutputTarget();
  fs::path p = PathOf(path);
  // As many links as the system follows itself.
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(p, ec);
    if (st.type() == fs::file_type::not_found) {
      target->kind = OutputTarget::Kind::kNew;
      target->path = PathText(p);
      return true;
    }
    if (ec) {
      *error = ec.message();
      return false;
    }
    switch (st.type()) {
      case fs::file_type::symlink: {
        if (hop == 0) target->viaLink = true;
        const fs::path link = fs::read_symlink(p, ec);
        if (ec) {
          *error = ec.message();
          return false;
        }
        if (IsDescriptorPath(p) || IsDescriptorPath(link)) {
          target->kind = OutputTarget::Kind::kStream;
          target->path = path;
          target->descriptor = true;
          return true;
        }
        p = link.is_absolute() ? link : p.parent_path() / link;
        continue;
      }
      case fs::file_type::regular:
        target->kind = OutputTarget::Kind::kRegular;
        target->path = PathText(p);
        return true;
      case fs::file_type::directory:
        *error = ErrorText(EISDIR);
        return false;
      default:
        target->kind = OutputTarget::Kind::kStream;
        target->path = path;
        return true;
    }
  }
  *error = ErrorText(ELOOP);
  return false;
}

#if !defined(_WIN32)

std::FILE* CreateExclusive(const std::string& path, const std::string* like, bool* exists, std::string* error) {
  *exists = false;
  // A file that replaces another is private until it has the other's
  // permissions, so nobody can open it meanwhile who could not open the old.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, like != nullptr ? 0600 : 0666);
  if (fd < 0) {
    *exists = errno == EEXIST;
    *error = ErrorText(errno);
    return nullptr;
  }
  struct stat old {};
  if (like != nullptr && ::stat(like->c_str(), &old) == 0) {
    // Owner and group first (a change of owner clears the set-ID bits); a
    // user who may not give the file away may still keep its group.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    (void)::fchmod(fd, old.st_mode & 07777);
  }
  std::FILE* f = ::fdopen(fd, "wb");
  if (f == nullptr) {
    *error = ErrorText(errno);
    ::close(fd);
    ::unlink(path.c_str());
  }
  return f;
}

std::FILE* OpenInPlace(const std::string& path, bool appendIfRegular, bool* regular, std::string* error) {
  *regular = false;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    *error = ErrorText(errno);
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    // Written where it is only as an open descriptor; any other regular
    // file (one that took the name meanwhile) is replaced whole instead.
    if (!appendIfRegular) {
      *regular = true;
      ::close(fd);
      return nullptr;
    }
    (void)::fcntl(fd, F_SETFL, O_APPEND);
  }
  std::FILE* f = ::fdopen(fd, "wb");
  if (f == nullptr) {
    *error = ErrorText(errno);
    ::close(fd);
  }
  return f;
}

#else

namespace {

// The system's reason for the last failed call, as a C library error text.
std::string LastErrorText(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ErrorText(ENOENT);
    case ERROR_ACCESS_DENIED: return ErrorText(EACCES);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return ErrorText(EEXIST);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ErrorText(ENOSPC);
    case ERROR_SHARING_VIOLATION: return "the file is in use by another program";
    default: return "Windows error " + std::to_string(err);
  }
}

}  // namespace

std::FILE* CreateExclusive(const std::string& path, const std::string* like, bool* exists, std::string* error) {
  // CREATE_NEW: the call fails rather than open a file that is there (the C
  // library's "x" mode is not honoured by every Windows runtime).
  const HANDLE h = CreateFileW(PathOf(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    *exists = err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS;
    *error = LastErrorText(err);
    return nullptr;
  }
  *exists = false;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
  std::FILE* f = fd < 0 ? nullptr : _fdopen(fd, "wb");
  if (f == nullptr) {
    *error = ErrorText(errno);
    if (fd < 0) {
      CloseHandle(h);
    } else {
      _close(fd);
    }
    DeleteFileW(PathOf(path).c_str());
    return nullptr;
  }
  std::error_code ec;
  if (like != nullptr) {
    const fs::perms perms = fs::status(PathOf(*like), ec).permissions();
    if (!ec) fs::permissions(PathOf(path), perms, ec);
  }
  return f;
}

std::FILE* OpenInPlace(const std::string& path, bool appendIfRegular, bool* regular, std::string* error) {
  std::error_code ec;
  *regular = fs::is_regular_file(PathOf(path), ec);
  if (*regular && !appendIfRegular) return nullptr;
  std::FILE* f = _wfopen(PathOf(path).c_str(), *regular ? L"ab" : L"r+b");
  if (f == nullptr) *error = ErrorText(errno);
  return f;
}

#endif

bool MoveOver(const std::string& from, const std::string& to, std::string* error) {
#if defined(_WIN32)
  // Replaces an existing file in one step, and is on disk before it returns.
  if (MoveFileExW(PathOf(from).c_str(), PathOf(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  *error = LastErrorText(GetLastError());
  return false;
#else
  std::error_code ec;
  fs::rename(fs::path(from), fs::path(to), ec);
  if (ec) *error = ec.message();
  return !ec;
#endif
}

}  // namespace skarn::platform
