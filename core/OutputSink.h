// Destinations for output files.
//
// An output file appears complete or not at all: AtomicFileSink writes to a
// temporary file beside the target and renames it into place only on Commit,
// so a failed run neither leaves a half-written file nor destroys an old one.
// What is not a regular file (a FIFO, a device) is written to as it is.
#pragma once

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>

namespace skarn {

// Raised when an output file cannot be written; the running command ends.
// Its text names the file and the reason: "out.sca: No space left on device".
class OutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
  OutputError(const std::string& path, const std::string& reason) : std::runtime_error(path + ": " + reason) {}
};

// Told of every temporary output file while it exists, so that a program
// ended by a signal can remove it first. The shell that handles the signals
// supplies it.
class TempFileRegistry {
 public:
  virtual ~TempFileRegistry() = default;
  // Keeps those signals waiting until Resume, so that a file's creation or
  // renaming and its entry here change together. Holds do not nest.
  virtual void Hold() noexcept = 0;
  virtual void Resume() noexcept = 0;
  // Enters a file (an absolute path); returns the handle for Remove, or -1
  // when the file cannot be entered (it is then not removed on a signal).
  virtual int Add(const std::string& path) noexcept = 0;
  virtual void Remove(int handle) noexcept = 0;
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

// Writes to an already open stream that it does not own (standard output);
// name stands for it in messages.
class StreamSink : public ByteSink {
 public:
  explicit StreamSink(std::FILE* stream, std::string name = "standard output")
      : stream_(stream), name_(std::move(name)) {}
  void Write(const char* data, size_t size) override;
  void Commit() override;
  void Abort() noexcept override;

 private:
  std::FILE* stream_;
  std::string name_;
};

// The output file for a path: an existing file that is not a regular file
// (a FIFO, a device, an open descriptor such as /dev/stdout) is written to as
// it is; otherwise an AtomicFileSink replaces the file that the path's links
// lead to (the links stay). Returns nullptr and sets *error to the reason
// when the file cannot be opened. temps, when given, is told of the
// temporary file.
std::unique_ptr<ByteSink> OpenOutputFile(const std::string& path, TempFileRegistry* temps, std::string* error);

// Temporary file beside the target, renamed over it on Commit. A replaced
// file's permission bits (and where allowed its owner and group) carry over.
class AtomicFileSink : public ByteSink {
 public:
  // target is the file to create or replace, its links followed; shown is
  // the path that messages name. Returns nullptr and sets *error when the
  // temporary file cannot be created.
  static std::unique_ptr<AtomicFileSink> Create(const std::string& target, bool replacing, const std::string& shown,
                                                TempFileRegistry* temps, std::string* error);
  ~AtomicFileSink() override;
  void Write(const char* data, size_t size) override;
  void Commit() override;
  void Abort() noexcept override;

 private:
  AtomicFileSink(std::string path, std::string shown, std::string temp, std::FILE* file, TempFileRegistry* temps,
                 int entry)
      : path_(std::move(path)), shown_(std::move(shown)), temp_(std::move(temp)), file_(file), temps_(temps),
        entry_(entry) {}
  void Forget() noexcept;
  std::string path_;
  std::string shown_;
  std::string temp_;
  std::FILE* file_;
  TempFileRegistry* temps_;
  int entry_;
  bool done_ = false;
};

}  // namespace skarn
