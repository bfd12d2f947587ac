#include "core/SourceWriter.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace skarn {

SourceWriter::SourceWriter() : separator_(kSeparator) { Grow(kDrainSize + 4096); }

void SourceWriter::Grow(size_t n) {
  size_t capacity = capacity_ == 0 ? n : capacity_;
  while (capacity - size_ < n) capacity = capacity > SIZE_MAX / 2 ? SIZE_MAX : capacity * 2;
  if (capacity - size_ < n) throw std::bad_alloc();
  std::unique_ptr<char[]> data(new char[capacity]);
  if (size_ != 0) std::memcpy(data.get(), data_.get(), size_);
  data_ = std::move(data);
  capacity_ = capacity;
}

SourceWriter::~SourceWriter() { Abort(); }

bool SourceWriter::Open(std::unique_ptr<ByteSink> sink) {
  Abort();
  if (!sink) return false;
  sink_ = std::move(sink);
  size_ = 0;
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
    if (size_ != 0) sink->Write(data_.get(), size_);
    flushed_ += size_;
    size_ = 0;
    sink->Commit();
  } catch (...) {
    size_ = 0;
    sink->Abort();
    throw;
  }
}

void SourceWriter::Abort() noexcept {
  if (sink_) {
    sink_->Abort();
    sink_.reset();
  }
  size_ = 0;
  holds_ = 0;
}

void SourceWriter::Put(std::string_view text) {
  // Every line feed is stored as CR LF.
  size_t pos = 0;
  while (pos < text.size()) {
    const void* hit = std::memchr(text.data() + pos, '\n', text.size() - pos);
    if (hit == nullptr) {
      Append(text.data() + pos, text.size() - pos);
      break;
    }
    size_t nl = static_cast<size_t>(static_cast<const char*>(hit) - text.data());
    Append(text.data() + pos, nl - pos);
    Append("\r\n", 2);
    pos = nl + 1;
  }
  if (size_ >= kDrainSize) Filled();
}

void SourceWriter::Filled() {
  CheckLimit();  // also while text is held: a held command may be long
  if (holds_ == 0) Drain();
}

void SourceWriter::CheckLimit() {
  if (flushed_ + size_ <= limit_) return;
  const uint64_t limit = limit_;
  Abort();
  throw OutputLimitError(limit);
}

void SourceWriter::Drain() {
  if (!sink_) {
    // Writing with no open file: the text has nowhere to go.
    size_ = 0;
    return;
  }
  try {
    sink_->Write(data_.get(), size_);
  } catch (...) {
    Abort();
    throw;
  }
  flushed_ += size_;
  size_ = 0;
}

void SourceWriter::WriteLine(std::string_view text) {
  Put(text);
  Put("\n");
}

void SourceWriter::WriteText(std::string_view text) { Put(text); }
void SourceWriter::WriteNewline() { Put("\n"); }
void SourceWriter::WriteSeparator() { RowOf<kSeparator>(); }
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
  return size_;
}

void SourceWriter::Release() {
  if (holds_ > 0) --holds_;
  if (holds_ == 0 && size_ >= kDrainSize) Drain();
}

void SourceWriter::Rollback(size_t mark) {
  if (mark < size_) size_ = mark;
  Release();
}

}  // namespace skarn
