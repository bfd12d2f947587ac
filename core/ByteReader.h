// Bounds-checked access to the file image.
//
// A BGL file is a tree of offsets that the file itself supplies, so nothing it
// says can be trusted: every read of the image goes through this reader. A read
// that would leave the image yields 0 and sets a sticky error flag, so a decoder
// can read a whole record and check once afterwards (the flag stays set until
// it is cleared explicitly). Offsets are 64-bit so that "section start + 32-bit
// offset" can never wrap around.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace skarn {

class ByteReader {
 public:
  ByteReader() = default;
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t size() const { return size_; }
  const uint8_t* data() const { return data_; }

  // True when the n bytes at off lie inside the image (never sets the flag).
  bool Has(uint64_t off, uint64_t n = 1) const { return off <= size_ && n <= size_ - off; }

  // Sticky error: set by any read outside the image.
  bool failed() const { return failed_; }
  void ClearError() const { failed_ = false; }

  // Address of n readable bytes at off, or nullptr (and the flag set).
  const uint8_t* Ptr(uint64_t off, uint64_t n) const {
    if (!Has(off, n)) {
      failed_ = true;
      return nullptr;
    }
    return data_ + off;
  }

  // The zero-terminated text at off, at most maxLength bytes long (its 0 not
  // counted), as a view into the image; *terminated tells whether its 0 was
  // found. Without one it holds the bytes up to maxLength or the image end,
  // whichever comes first. Never sets the flag.
  std::string_view Text(uint64_t off, uint64_t maxLength, bool* terminated = nullptr) const {
    if (terminated != nullptr) *terminated = false;
    const uint64_t avail = off < size_ ? size_ - off : 0;
    const uint64_t window = maxLength < avail ? maxLength : avail;
    const char* first = window == 0 ? nullptr : reinterpret_cast<const char*>(data_ + off);
    const void* zero = window == 0 ? nullptr : std::memchr(first, 0, static_cast<size_t>(window));
    if (zero != nullptr) {
      if (terminated != nullptr) *terminated = true;
      return {first, static_cast<size_t>(static_cast<const char*>(zero) - first)};
    }
    return {first, static_cast<size_t>(window)};
  }

  uint8_t U8(uint64_t off) const {
    if (!Has(off, 1)) {
      failed_ = true;
      return 0;
    }
    return data_[off];
  }
  int8_t I8(uint64_t off) const { return static_cast<int8_t>(U8(off)); }
  uint16_t U16(uint64_t off) const { return static_cast<uint16_t>(Le(off, 2)); }
  int16_t I16(uint64_t off) const { return static_cast<int16_t>(U16(off)); }
  uint32_t U32(uint64_t off) const { return static_cast<uint32_t>(Le(off, 4)); }
  int32_t I32(uint64_t off) const { return static_cast<int32_t>(U32(off)); }
  uint64_t U64(uint64_t off) const { return Le(off, 8); }
  int64_t I64(uint64_t off) const { return static_cast<int64_t>(U64(off)); }
  float F32(uint64_t off) const {
    uint32_t bits = U32(off);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  double F64(uint64_t off) const {
    uint64_t bits = U64(off);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
  }

 private:
  uint64_t Le(uint64_t off, unsigned n) const {
    if (!Has(off, n)) {
      failed_ = true;
      return 0;
    }
    uint64_t v = 0;
    for (unsigned i = 0; i < n; ++i) v |= static_cast<uint64_t>(data_[off + i]) << (8 * i);
    return v;
  }

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  mutable bool failed_ = false;
};

}  // namespace skarn
