// The output text file.
//
// Sections compose a line in the line buffer (by formatting into it or
// appending to it) and write it with FlushLine; fixed texts are written
// directly. Only WriteLine and WriteNewline add a line end of their own; every
// other line end comes from the text. Each line feed is stored as CR LF, every
// other byte unchanged, on every platform.
//
// Output is buffered and streamed to the sink, so nothing proportional to the
// output is kept in memory. A caller may Hold the buffer (nothing reaches the
// sink while held) and later Rollback to the mark, which lets the walker drop
// the half-printed text of a command that turned out to lie outside the file.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "core/Format.h"
#include "core/OutputSink.h"
#include "core/RowFormat.h"

namespace skarn {

// Raised when a command's text would pass the writer's limit; the running
// command ends and its output is discarded.
class OutputLimitError : public std::runtime_error {
 public:
  explicit OutputLimitError(uint64_t limit)
      : std::runtime_error("the text would exceed " + std::to_string(limit) +
                           " bytes, the most this file may give"),
        limit_(limit) {}
  uint64_t limit() const { return limit_; }

 private:
  uint64_t limit_;
};

class SourceWriter {
 public:
  SourceWriter();
  ~SourceWriter();
  SourceWriter(const SourceWriter&) = delete;
  SourceWriter& operator=(const SourceWriter&) = delete;

  // The line being composed, and a second text for parts of a line.
  std::string line;
  std::string scratch;

  // "; " followed by 40 minus signs and a line feed.
  const std::string& separator() const { return separator_; }
  static constexpr char kSeparator[] = "; ----------------------------------------\n";

  // Starts writing to the sink (false for a null sink). Any earlier sink is
  // discarded first.
  bool Open(std::unique_ptr<ByteSink> sink);
  bool IsOpen() const { return sink_ != nullptr; }
  // The most bytes the open file may receive (until the next Open, which
  // lifts it); going past it raises OutputLimitError. Checked as the text
  // is handed on, so a run may go a buffer's length beyond before it ends.
  void SetLimit(uint64_t bytes) { limit_ = bytes; }
  // Flushes and commits; throws OutputError. The writer is closed afterwards
  // whatever happens.
  void Close();
  // Discards the output (the sink's Abort) and closes the writer.
  void Abort() noexcept;

  void WriteLine(std::string_view text);  // text + line feed
  void WriteText(std::string_view text);  // text as it is
  void WriteNewline();
  void WriteSeparator();
  void FlushLine();  // writes the line buffer, which keeps its content

  // Line buffer = formatted text / line buffer += formatted text.
  void SetLine(const char* fmt, ...) SKARN_PRINTF(2, 3);
  void AddLine(const char* fmt, ...) SKARN_PRINTF(2, 3);
  // Formats straight into the output (the line buffer is not touched).
  void Printf(const char* fmt, ...) SKARN_PRINTF(2, 3);
  // The same with a format parsed at compile time (RowFormat.h), for the
  // rows written most: Row<"\t\t%5d\n">(x). RowOf takes the address of a
  // constexpr character array instead of a literal.
  template <fmt::Text F, class... A>
  void Row(const A&... args) {
    Emit<fmt::Compiled<F>>(args...);
  }
  template <const char* F, class... A>
  void RowOf(const A&... args) {
    Emit<fmt::CompiledArray<F>>(args...);
  }

  // Output rollback: Hold returns a mark and keeps everything after it in
  // memory until Release or Rollback. Holds nest.
  size_t Hold();
  void Release();
  void Rollback(size_t mark);

  // Bytes handed to the sink so far plus those still buffered (after CR LF).
  uint64_t bytesWritten() const { return flushed_ + size_; }

 private:
  template <class H, class... A>
  void Emit(const A&... args) {
    Commit(fmt::Write<H>(Reserve(fmt::RoomFor<H>(args...)), args...));
  }
  // Room for n more bytes after the buffered text, which then ends at the
  // pointer given to Commit.
  char* Reserve(size_t n) {
    if (capacity_ - size_ < n) Grow(n);
    return data_.get() + size_;
  }
  void Commit(char* end) {
    size_ = static_cast<size_t>(end - data_.get());
    if (size_ >= kDrainSize) Filled();
  }
  void Grow(size_t n);
  void Append(const char* text, size_t n) {
    std::memcpy(Reserve(n), text, n);
    size_ += n;
  }
  // Hands the buffer on once it holds kDrainSize bytes (and nothing is held).
  void Filled();
  void Put(std::string_view text);
  void Drain();
  // Ends the file (discarding it) when its text has passed the limit.
  void CheckLimit();

  // Output is handed to the sink in pieces of about this size.
  static constexpr size_t kDrainSize = 64 * 1024;
  std::string separator_;
  std::unique_ptr<char[]> data_;  // the buffered text, not yet handed on
  size_t size_ = 0;
  size_t capacity_ = 0;
  std::string printf_;
  std::unique_ptr<ByteSink> sink_;
  uint64_t flushed_ = 0;
  uint64_t limit_ = UINT64_MAX;
  int holds_ = 0;
};

}  // namespace skarn
