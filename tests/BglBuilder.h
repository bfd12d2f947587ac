// Builds BGL images byte by byte, so every test says exactly what it feeds.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace skarn::test {

// A little-endian byte string.
class Bytes {
 public:
  Bytes() = default;
  Bytes(std::initializer_list<uint8_t> b) : v_(b) {}

  Bytes& u8(uint32_t x) { v_.push_back(static_cast<uint8_t>(x)); return *this; }
  Bytes& u16(uint32_t x) { return le(x, 2); }
  Bytes& i16(int32_t x) { return le(static_cast<uint64_t>(static_cast<int64_t>(x)), 2); }
  Bytes& u24(uint32_t x) { return le(x, 3); }
  Bytes& i24(int32_t x) { return le(static_cast<uint64_t>(static_cast<int64_t>(x)), 3); }
  Bytes& u32(uint32_t x) { return le(x, 4); }
  Bytes& i32(int32_t x) { return le(static_cast<uint64_t>(static_cast<int64_t>(x)), 4); }
  Bytes& u48(uint64_t x) { return le(x, 6); }
  Bytes& u64(uint64_t x) { return le(x, 8); }
  Bytes& f32(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return le(b, 4);
  }
  // A text padded with zero bytes (or cut) to exactly width bytes.
  Bytes& text(const std::string& s, size_t width) {
    for (size_t i = 0; i < width; ++i) u8(i < s.size() ? static_cast<uint8_t>(s[i]) : 0);
    return *this;
  }
  // The characters of s, no terminator.
  Bytes& chars(const std::string& s) {
    for (char c : s) u8(static_cast<uint8_t>(c));
    return *this;
  }
  Bytes& raw(std::initializer_list<uint8_t> b) {
    v_.insert(v_.end(), b);
    return *this;
  }
  Bytes& append(const Bytes& b) {
    v_.insert(v_.end(), b.v_.begin(), b.v_.end());
    return *this;
  }
  Bytes& zeros(size_t n) {
    v_.insert(v_.end(), n, 0);
    return *this;
  }
  // Overwrites n little-endian bytes at position at.
  Bytes& patch(size_t at, uint64_t x, unsigned n) {
    for (unsigned i = 0; i < n; ++i) v_[at + i] = static_cast<uint8_t>(x >> (8 * i));
    return *this;
  }

  size_t size() const { return v_.size(); }
  const std::vector<uint8_t>& vec() const { return v_; }
  std::vector<uint8_t>& vec() { return v_; }

 private:
  Bytes& le(uint64_t x, unsigned n) {
    for (unsigned i = 0; i < n; ++i) v_.push_back(static_cast<uint8_t>(x >> (8 * i)));
    return *this;
  }
  std::vector<uint8_t> v_;
};

// One latitude band: two latitudes in 512 m units and the offset of its
// records from the section start.
struct Band {
  int16_t lat1;
  int16_t lat2;
  uint32_t offset;
};

// A band table: 9-byte entries (0x15, lat1, lat2, offset) and a final 0.
inline Bytes BandTable(std::initializer_list<Band> bands) {
  Bytes b;
  for (const Band& x : bands) b.u8(0x15).i16(x.lat1).i16(x.lat2).u32(x.offset);
  b.u8(0);
  return b;
}

// The parts one after the other.
inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& p : parts) b.append(p);
  return b;
}

// A section that starts with a band table, one band per record list: band i
// spans latitudes firstLat + i * step to that + height (512 m units). The
// lists follow the table in order, each with the 0 that ends it.
inline Bytes BandedSection(const std::vector<std::vector<Bytes>>& bands, int32_t firstLat, int32_t step,
                           int32_t height) {
  std::vector<Bytes> lists;
  for (const auto& records : bands) {
    Bytes l;
    for (const Bytes& r : records) l.append(r);
    lists.push_back(l.u8(0));
  }
  auto at = static_cast<uint32_t>(9 * bands.size() + 1);
  Bytes s;
  for (size_t i = 0; i < lists.size(); ++i) {
    const int32_t lat = firstLat + static_cast<int32_t>(i) * step;
    s.u8(0x15).i16(lat).i16(lat + height).u32(at);
    at += static_cast<uint32_t>(lists[i].size());
  }
  s.u8(0);
  for (const Bytes& l : lists) s.append(l);
  return s;
}

// A BGL file: a header (128 bytes, or 168 with the extended mark) followed by
// sections; each section's offset is written into its header field.
class BglBuilder {
 public:
  BglBuilder() { header_.zeros(128); }

  BglBuilder& Extended() {
    if (header_.size() < 168) header_.zeros(168 - header_.size());
    header_.patch(0x76, 0x87654321u, 4);
    return *this;
  }
  BglBuilder& Vis(int16_t v) { return Set(0x00, static_cast<uint16_t>(v), 2); }
  // Bounds: latitudes in metres from the equator, longitudes in 2^32 units.
  BglBuilder& Bounds(int32_t north, int32_t south, int32_t east, int32_t west) {
    Set(0x02, static_cast<uint32_t>(north), 4);
    Set(0x06, static_cast<uint32_t>(south), 4);
    Set(0x0A, static_cast<uint32_t>(east), 4);
    return Set(0x0E, static_cast<uint32_t>(west), 4);
  }
  // Any header field.
  BglBuilder& Set(size_t at, uint64_t value, unsigned width) {
    header_.patch(at, value, width);
    return *this;
  }
  // Appends a section and stores its file offset in the header field at
  // headerField. Returns the section's file offset.
  uint32_t Section(size_t headerField, const Bytes& body) {
    uint32_t off = static_cast<uint32_t>(header_.size() + body_.size());
    header_.patch(headerField, off, 4);
    body_.append(body);
    return off;
  }
  // Appends raw bytes after the sections (no header field); returns their
  // file offset.
  uint32_t Append(const Bytes& b) {
    uint32_t off = static_cast<uint32_t>(header_.size() + body_.size());
    body_.append(b);
    return off;
  }
  size_t headerSize() const { return header_.size(); }

  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> out(header_.size() + body_.size());
    std::copy(header_.vec().begin(), header_.vec().end(), out.begin());
    std::copy(body_.vec().begin(), body_.vec().end(), out.begin() + static_cast<std::ptrdiff_t>(header_.size()));
    return out;
  }

 private:
  Bytes header_;
  Bytes body_;
};

}  // namespace skarn::test
