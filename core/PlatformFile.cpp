#include "core/PlatformFile.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace skarn::platform {

namespace fs = std::filesystem;

std::string ErrorText(int err) { return std::generic_category().message(err); }

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
  fs::path p(path);
  // As many links as the system follows itself.
  for (int hop = 0; hop < 40; ++hop) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(p, ec);
    if (st.type() == fs::file_type::not_found) {
      target->kind = OutputTarget::Kind::kNew;
      target->path = p.string();
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
        target->path = p.string();
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

std::FILE* CreateExclusive(const std::string& path, const std::string* like, bool* exists, std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "wbx");
  if (f == nullptr) {
    *exists = errno == EEXIST;
    *error = ErrorText(errno);
    return nullptr;
  }
  *exists = false;
  std::error_code ec;
  if (like != nullptr) {
    const fs::perms perms = fs::status(fs::path(*like), ec).permissions();
    if (!ec) fs::permissions(fs::path(path), perms, ec);
  }
  return f;
}

std::FILE* OpenInPlace(const std::string& path, bool appendIfRegular, bool* regular, std::string* error) {
  std::error_code ec;
  *regular = fs::is_regular_file(fs::path(path), ec);
  if (*regular && !appendIfRegular) return nullptr;
  std::FILE* f = std::fopen(path.c_str(), *regular ? "ab" : "r+b");
  if (f == nullptr) *error = ErrorText(errno);
  return f;
}

#endif

bool ReplaceFile(const std::string& from, const std::string& to, std::string* error) {
  std::error_code ec;
  fs::rename(fs::path(from), fs::path(to), ec);
  if (ec) *error = ec.message();
  return !ec;
}

}  // namespace skarn::platform
