#include "core/OutputSink.h"

#include <cerrno>
#include <filesystem>
#include <random>
#include <system_error>

#include "core/Format.h"
#include "core/PlatformFile.h"

namespace skarn {

namespace {

using platform::ErrorText;

// An existing file that is not a regular file, written to where it is.
class InPlaceSink : public ByteSink {
 public:
  InPlaceSink(std::string shown, std::FILE* file) : shown_(std::move(shown)), file_(file) {}
  ~InPlaceSink() override { Abort(); }
  void Write(const char* data, size_t size) override {
    if (file_ == nullptr) throw OutputError(shown_, "the file is closed");
    if (size != 0 && std::fwrite(data, 1, size, file_) != size) throw OutputError(shown_, ErrorText(errno));
  }
  void Commit() override {
    if (file_ == nullptr) return;
    std::FILE* f = file_;
    file_ = nullptr;
    const bool flushed = std::fflush(f) == 0;
    const int err = errno;
    const bool closed = std::fclose(f) == 0;
    if (!flushed || !closed) throw OutputError(shown_, ErrorText(flushed ? errno : err));
  }
  void Abort() noexcept override {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
  }

 private:
  std::string shown_;
  std::FILE* file_;
};

// A short name of its own in the target's folder, so that a target name as
// long as the file system allows still leaves room for it.
std::string TemporaryName(const std::filesystem::path& target, uint32_t salt) {
  return platform::PathText(target.parent_path() / Format(".skarn-%08X.tmp", salt));
}

}  // namespace

void StreamSink::Write(const char* data, size_t size) {
  if (size != 0 && std::fwrite(data, 1, size, stream_) != size) throw OutputError(name_, ErrorText(errno));
}

void StreamSink::Commit() {
  if (std::fflush(stream_) != 0) throw OutputError(name_, ErrorText(errno));
}

void StreamSink::Abort() noexcept { std::fflush(stream_); }

std::unique_ptr<ByteSink> OpenOutputFile(const std::string& path, TempFileRegistry* temps, std::string* error) {
  std::string why;
  // A file that takes the name between the look and the opening is looked at
  // again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    platform::OutputTarget target;
    if (!platform::ResolveOutput(path, &target, &why)) break;
    if (target.kind != platform::OutputTarget::Kind::kStream) {
      return AtomicFileSink::Create(target.path, target.kind == platform::OutputTarget::Kind::kRegular, path,
                                    temps, error);
    }
    bool regular = false;
    if (std::FILE* f = platform::OpenInPlace(target.path, target.descriptor, &regular, &why)) {
      return std::make_unique<InPlaceSink>(path, f);
    }
    if (!regular) break;
  }
  if (error != nullptr) *error = why;
  return nullptr;
}

std::unique_ptr<AtomicFileSink> AtomicFileSink::Create(const std::string& target, bool replacing,
                                                       const std::string& shown, TempFileRegistry* temps,
                                                       std::string* error) {
  // A unique name beside the target, so the final rename stays on one file
  // system; the creation is exclusive, and a name taken already is followed
  // by the next.
  std::random_device seed;
  std::mt19937 pick(seed());
  const std::filesystem::path targetPath = platform::PathOf(target);
  std::string why = "no free temporary file name";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = TemporaryName(targetPath, static_cast<uint32_t>(pick()));
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(platform::PathOf(temp), ec);
    bool taken = false;
    // The file and its entry come together: a signal between them would
    // leave the file behind.
    if (temps != nullptr) temps->Hold();
    std::FILE* f = platform::CreateExclusive(temp, replacing ? &target : nullptr, &taken, &why);
    const int entry = f != nullptr && temps != nullptr && !ec ? temps->Add(platform::PathText(absolute)) : -1;
    if (temps != nullptr) temps->Resume();
    if (f != nullptr) {
      return std::unique_ptr<AtomicFileSink>(new AtomicFileSink(target, shown, temp, f, temps, entry));
    }
    if (!taken) break;
  }
  if (error != nullptr) *error = why;
  return nullptr;
}

AtomicFileSink::~AtomicFileSink() { Abort(); }

void AtomicFileSink::Forget() noexcept {
  if (temps_ != nullptr && entry_ >= 0) temps_->Remove(entry_);
  entry_ = -1;
}

void AtomicFileSink::Write(const char* data, size_t size) {
  if (file_ == nullptr) throw OutputError(shown_, "the file is closed");
  if (size != 0 && std::fwrite(data, 1, size, file_) != size) throw OutputError(shown_, ErrorText(errno));
}

void AtomicFileSink::Commit() {
  if (done_) return;
  if (file_ == nullptr) throw OutputError(shown_, "the file is closed");
  std::FILE* f = file_;
  file_ = nullptr;
  const bool flushed = std::fflush(f) == 0;
  const int flushErr = errno;
  const bool closed = std::fclose(f) == 0;
  done_ = true;
  if (!flushed || !closed) {
    const int err = flushed ? errno : flushErr;
    platform::RemoveFile(temp_);
    Forget();
    throw OutputError(shown_, ErrorText(err));
  }
  std::string why;
  if (temps_ != nullptr) temps_->Hold();
  const bool moved = platform::MoveOver(temp_, path_, &why);
  if (!moved) platform::RemoveFile(temp_);
  Forget();
  if (temps_ != nullptr) temps_->Resume();
  if (!moved) throw OutputError(shown_, why);
}

void AtomicFileSink::Abort() noexcept {
  if (done_) return;
  done_ = true;
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
  platform::RemoveFile(temp_);
  Forget();
}

}  // namespace skarn
