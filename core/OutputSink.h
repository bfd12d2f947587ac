// Destinations for output files.
//
// An output file appears complete or not at all: AtomicFileSink writes to a
// temporary file beside the target and renames it into place only on Commit,
// so a failed run neither leaves a half-written file nor destroys an old one.
#pragma once

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace skarn {

// Raised when an output file cannot be written; the running command ends.
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Both throw OutputError on failure.
  virtual void Write(const char* data, size_t size) = 0;
  virtual void Commit() = 0;
  // Discards what was written (a no-op after Commit).
  virtual void Abort() noexcept = 0;
};

// Collects the bytes in a string the caller owns (tests, and callers that
// want the text); the string outlives the writer that owns this sink.
class StringSink : public ByteSink {
 public:
  explicit StringSink(std::string* text, bool* committed = nullptr) : text_(text), committed_(committed) {}
  void Write(const char* data, size_t size) override { text_->append(data, size); }
  void Commit() override {
    if (committed_ != nullptr) *committed_ = true;
  }
  void Abort() noexcept override {}

 private:
  std::string* text_;
  bool* committed_;
};

// Writes to an already open stream that it does not own (standard output).
class StreamSink : public ByteSink {
 public:
  explicit StreamSink(std::FILE* stream) : stream_(stream) {}
  void Write(const char* data, size_t size) override;
  void Commit() override;
  void Abort() noexcept override;

 private:
  std::FILE* stream_;
};

// Temporary file beside the target, renamed over it on Commit.
class AtomicFileSink : public ByteSink {
 public:
  // Returns nullptr and sets *error when the temporary file cannot be created.
  static std::unique_ptr<AtomicFileSink> Create(const std::string& path, std::string* error);
  ~AtomicFileSink() override;
  void Write(const char* data, size_t size) override;
  void Commit() override;
  void Abort() noexcept override;

 private:
  AtomicFileSink(std::string path, std::string temp, std::FILE* file)
      : path_(std::move(path)), temp_(std::move(temp)), file_(file) {}
  std::string path_;
  std::string temp_;
  std::FILE* file_;
  bool done_ = false;
};

}  // namespace skarn
