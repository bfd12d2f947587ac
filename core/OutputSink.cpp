#include "core/OutputSink.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace skarn {

namespace {

std::string ErrnoText(int err) { return std::generic_category().message(err); }

}  // namespace

void StreamSink::Write(const char* data, size_t size) {
  if (size != 0 && std::fwrite(data, 1, size, stream_) != size) {
    throw OutputError("cannot write the output: " + ErrnoText(errno));
  }
}

void StreamSink::Commit() {
  if (std::fflush(stream_) != 0) throw OutputError("cannot write the output: " + ErrnoText(errno));
}

void StreamSink::Abort() noexcept { std::fflush(stream_); }

std::unique_ptr<AtomicFileSink> AtomicFileSink::Create(const std::string& path, std::string* error) {
  // A unique name beside the target, so the final rename stays on one file
  // system. "x" (exclusive) makes the open fail rather than reuse a name; a
  // name taken already is followed by the next.
  const auto stamp = static_cast<unsigned long long>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = path + ".tmp" + std::to_string(stamp % 1000000007ULL) + "-" + std::to_string(attempt);
    std::FILE* f = std::fopen(temp.c_str(), "wbx");
    if (f != nullptr) return std::unique_ptr<AtomicFileSink>(new AtomicFileSink(path, temp, f));
    if (errno != EEXIST) {
      if (error != nullptr) *error = ErrnoText(errno);
      return nullptr;
    }
  }
  if (error != nullptr) *error = "no free temporary file name";
  return nullptr;
}

AtomicFileSink::~AtomicFileSink() { Abort(); }

void AtomicFileSink::Write(const char* data, size_t size) {
  if (file_ == nullptr) throw OutputError("the output file is closed");
  if (size != 0 && std::fwrite(data, 1, size, file_) != size) {
    throw OutputError("cannot write " + path_ + ": " + ErrnoText(errno));
  }
}

void AtomicFileSink::Commit() {
  if (done_) return;
  if (file_ == nullptr) throw OutputError("the output file is closed");
  std::FILE* f = file_;
  file_ = nullptr;
  const bool flushed = std::fflush(f) == 0;
  const int flushErr = errno;
  const bool closed = std::fclose(f) == 0;
  if (!flushed || !closed) {
    std::remove(temp_.c_str());
    done_ = true;
    throw OutputError("cannot write " + path_ + ": " + ErrnoText(flushed ? errno : flushErr));
  }
  std::error_code ec;
  std::filesystem::rename(temp_, path_, ec);
  done_ = true;
  if (ec) {
    std::remove(temp_.c_str());
    throw OutputError("cannot replace " + path_ + ": " + ec.message());
  }
}

void AtomicFileSink::Abort() noexcept {
  if (done_) return;
  done_ = true;
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  std::remove(temp_.c_str());
}

}  // namespace skarn
