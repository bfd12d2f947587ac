#include "core/SourceWriter.h"

#include <cstring>

namespace skarn {

namespace {
// Output is handed to the sink in pieces of about this size.
constexpr size_t kDrainSize = 64 * 1024;
}  // namespace

SourceWriter::SourceWriter() : separator_("; " + std::string(40, '-') + "\n") {
  buffer_.reserve(kDrainSize + 4096);
}

SourceWriter::~SourceWriter() { Abort(); }

bool SourceWriter::Open(std::unique_ptr<ByteSink> sink) {
  Abort();
  if (!sink) return false;
  sink_ = std::move(sink);
  buffer_.clear();
  flushed_ = 0;
  holds_ = 0;
  limit_ = UINT64_MAX;
  return true;
}

void SourceWriter::Close() {
  if (!sink_) return;
  CheckLimit();
  std::unique_ptr<ByteSink> sink = std::move(sink_);
  holds_ = 0;
  try {
    if (!buffer_.empty()) sink->Write(buffer_.data(), buffer_.size());
    flushed_ += buffer_.size();
    buffer_.clear();
    sink->Commit();
  } catch (...) {
    buffer_.clear();
    sink->Abort();
    throw;
  }
}

void SourceWriter::Abort() noexcept {
  if (sink_) {
    sink_->Abort();
    sink_.reset();
  }
  buffer_.clear();
  holds_ = 0;
}

void SourceWriter::Put(std::string_view text) {
  // Every line feed is stored as CR LF.
  size_t pos = 0;
  while (pos < text.size()) {
    const void* hit = std::memchr(text.data() + pos, '\n', text.size() - pos);
    if (hit == nullptr) {
      buffer_.append(text.data() + pos, text.size() - pos);
      break;
    }
    size_t nl = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    buffer_.append(text.data() + pos, nl - pos);
    buffer_.append("\r\n", 2);
    pos = nl + 1;
  }
  if (buffer_.size() >= kDrainSize) {
    CheckLimit();  // also while text is held: a held command may be long
    if (holds_ == 0) Drain();
  }
}

void SourceWriter::CheckLimit() {
  if (flushed_ + buffer_.size() <= limit_) return;
  const uint64_t limit = limit_;
  Abort();
  throw OutputLimitError(limit);
}

void SourceWriter::Drain() {
  if (!sink_) {
    // Writing with no open file: the text has nowhere to go.
    buffer_.clear();
    return;
  }
  try {
    sink_->Write(buffer_.data(), buffer_.size());
  } catch (...) {
    Abort();
    throw;
  }
  flushed_ += buffer_.size();
  buffer_.clear();
}

void SourceWriter::WriteLine(std::string_view text) {
  Put(text);
  Put("\n");
}

void SourceWriter::WriteText(std::string_view text) { Put(text); }
void SourceWriter::WriteNewline() { Put("\n"); }
void SourceWriter::WriteSeparator() { Put(separator_); }
void SourceWriter::FlushLine() { Put(line); }

void SourceWriter::SetLine(const char* fmt, ...) {
  line.clear();
  va_list args;
  va_start(args, fmt);
  VAppendf(line, fmt, args);
  va_end(args);
}

void SourceWriter::AddLine(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  VAppendf(line, fmt, args);
  va_end(args);
}

void SourceWriter::Printf(const char* fmt, ...) {
  // Formatted into a reused scratch string, then stored with CR LF.
  printf_.clear();
  va_list args;
  va_start(args, fmt);
  VAppendf(printf_, fmt, args);
  va_end(args);
  Put(printf_);
}

size_t SourceWriter::Hold() {
  ++holds_;
  return buffer_.size();
}

void SourceWriter::Release() {
  if (holds_ > 0) --holds_;
  if (holds_ == 0 && buffer_.size() >= kDrainSize) Drain();
}

void SourceWriter::Rollback(size_t mark) {
  if (mark < buffer_.size()) buffer_.resize(mark);
  Release();
}

}  // namespace skarn
