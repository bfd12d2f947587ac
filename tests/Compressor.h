// A compressor for tests: writes the compressed BGL form, so that compressed
// examples of any file the builders make can be had, and lets tests write
// token streams bit by bit.
//
// The encoder is a simple greedy LZ77 over a 4414-byte window (the longest
// offset the token format holds; 4415 marks the end of a block): at each
// position the longest earlier match of at least 3 bytes, found through hash
// chains, becomes a match token, else the byte becomes a literal.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace skarn::test {

// Bits in reading order: the first bit goes to bit 0 of the first byte; an
// n-bit field is stored least significant bit first.
class BitWriter {
 public:
  BitWriter& Bit(unsigned b) {
    if (count_ % 8 == 0) bytes_.push_back(0);
    if (b != 0) bytes_.back() = static_cast<uint8_t>(bytes_.back() | (1u << (count_ % 8)));
    ++count_;
    return *this;
  }
  BitWriter& Field(uint32_t v, unsigned n) {
    for (unsigned i = 0; i < n; ++i) Bit((v >> i) & 1);
    return *this;
  }

  // Tokens.
  BitWriter& Literal(uint8_t v) {
    if (v < 0x80) return Bit(0).Field(v, 7);
    return Bit(1).Bit(1).Field(v - 0x80u, 7);
  }
  // An offset code as it stands, 1..4415 (4415 is the end-of-block marker).
  BitWriter& Offset(uint32_t offset) {
    if (offset < 64) return Bit(0).Field(offset, 6);
    if (offset < 320) return Bit(1).Bit(0).Field(offset - 64, 8);
    return Bit(1).Bit(1).Field(offset - 320, 12);
  }
  // A length code: k zero bits, a 1 bit, k bits v, for v + 2^k + 2 (>= 3).
  BitWriter& Length(uint32_t length) {
    const uint32_t rest = length - 2;
    unsigned k = 0;
    while ((rest >> (k + 1)) != 0) ++k;
    for (unsigned i = 0; i < k; ++i) Bit(0);
    return Bit(1).Field(rest - (1u << k), k);
  }
  BitWriter& Match(uint32_t offset, uint32_t length) { return Bit(1).Bit(0).Offset(offset).Length(length); }
  BitWriter& EndOfBlock() { return Bit(1).Bit(0).Offset(4415); }

  size_t bitCount() const { return count_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

  // The stream: "JM", two bytes, then the bits (the last byte padded with 0).
  std::vector<uint8_t> Stream() const {
    std::vector<uint8_t> s(4 + bytes_.size());
    s[0] = 'J';
    s[1] = 'M';
    std::copy(bytes_.begin(), bytes_.end(), s.begin() + 4);
    return s;
  }

 private:
  std::vector<uint8_t> bytes_;
  size_t count_ = 0;
};

struct CompressOptions {
  // End a block after this many bytes (0: one block); the decoder reads on
  // through early end-of-block markers.
  size_t blockSize = 0;
  // Literals only.
  bool literalsOnly = false;
  // The longest match written (>= 3).
  uint32_t maxLength = 1u << 16;
  // Candidates tried per position.
  int maxChain = 32;
};

// Appends the tokens for data[0, n) to w, ending with an end-of-block marker.
inline void CompressTokens(BitWriter& w, const uint8_t* data, size_t n, const CompressOptions& opt = {}) {
  constexpr uint32_t kWindow = 4414;
  constexpr size_t kHashBits = 15;
  std::vector<int64_t> head(size_t{1} << kHashBits, -1);
  std::vector<int64_t> prev(n, -1);
  auto hash = [&](size_t i) {
    const uint32_t v = static_cast<uint32_t>(data[i]) | static_cast<uint32_t>(data[i + 1]) << 8 |
                       static_cast<uint32_t>(data[i + 2]) << 16;
    return static_cast<size_t>((v * 2654435761u) >> (32 - kHashBits));
  };
  auto insert = [&](size_t i) {
    if (i + 3 > n) return;
    const size_t h = hash(i);
    prev[i] = head[h];
    head[h] = static_cast<int64_t>(i);
  };

  size_t blockEnd = opt.blockSize == 0 ? n : opt.blockSize;
  size_t i = 0;
  while (i < n) {
    size_t bestLen = 0;
    size_t bestDist = 0;
    if (!opt.literalsOnly && i + 3 <= n) {
      const size_t limit = std::min<size_t>(opt.maxLength, n - i);
      int64_t cand = head[hash(i)];
      for (int tries = 0; cand >= 0 && tries < opt.maxChain; ++tries) {
        const size_t c = static_cast<size_t>(cand);
        if (i - c > kWindow) break;
        size_t len = 0;
        while (len < limit && data[c + len] == data[i + len]) ++len;
        if (len > bestLen) {
          bestLen = len;
          bestDist = i - c;
          if (len == limit) break;
        }
        cand = prev[c];
      }
    }
    size_t step = 1;
    if (bestLen >= 3) {
      w.Match(static_cast<uint32_t>(bestDist), static_cast<uint32_t>(bestLen));
      step = bestLen;
    } else {
      w.Literal(data[i]);
    }
    for (size_t j = 0; j < step; ++j) insert(i + j);
    i += step;
    if (i >= blockEnd && i < n) {
      w.EndOfBlock();
      blockEnd = i + opt.blockSize;
    }
  }
  w.EndOfBlock();
}

// The stream for data[0, n).
inline std::vector<uint8_t> CompressStream(const std::vector<uint8_t>& data, const CompressOptions& opt = {}) {
  BitWriter w;
  CompressTokens(w, data.data(), data.size(), opt);
  return w.Stream();
}

// Header length of a BGL image: 168 with the extended mark at 0x76, else 128.
inline size_t BglHeaderSize(const std::vector<uint8_t>& plain) {
  const bool extended = plain.size() >= 0x7A && plain[0x76] == 0x21 && plain[0x77] == 0x43 &&
                        plain[0x78] == 0x65 && plain[0x79] == 0x87;
  return extended ? 168 : 128;
}

// A compressed file around a stream: the header of plain with the compressed
// flag set, the block header (magic, unpacked size, checksum, 8 unused bytes),
// then the stream.
inline std::vector<uint8_t> CompressedFile(const std::vector<uint8_t>& plain, const std::vector<uint8_t>& stream,
                                           uint32_t checksum = 0, uint16_t flag = 1) {
  const size_t h = BglHeaderSize(plain);
  std::vector<uint8_t> file(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(h));
  file[0x7C] = static_cast<uint8_t>(flag);
  file[0x7D] = static_cast<uint8_t>(flag >> 8);
  auto u32 = [&file](uint32_t v) {
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  u32(0xABCDEF01u);
  u32(static_cast<uint32_t>(plain.size() - h));
  u32(checksum);
  u32(0x11111111u);  // unused
  u32(0x22222222u);
  file.insert(file.end(), stream.begin(), stream.end());
  return file;
}

// The compressed form of a plain BGL image.
inline std::vector<uint8_t> CompressBgl(const std::vector<uint8_t>& plain, const CompressOptions& opt = {}) {
  const size_t h = BglHeaderSize(plain);
  const std::vector<uint8_t> body(plain.begin() + static_cast<std::ptrdiff_t>(h), plain.end());
  return CompressedFile(plain, CompressStream(body, opt));
}

}  // namespace skarn::test
