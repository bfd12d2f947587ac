#include "decompress/Decompress.h"

#include <bit>
#include <cstring>
#include <new>

namespace skarn {

namespace {

constexpr size_t kPlainHeaderSize = 128;
constexpr size_t kExtendedHeaderSize = 168;
constexpr size_t kExtendedMarkAt = 118;
constexpr uint32_t kExtendedMark = 0x87654321u;
// The u32 that holds the compressed flag (its upper half, at 124); the whole
// word is cleared in the unpacked header.
constexpr size_t kFlagWordAt = 122;
// FS2002 header fields (terrain data and the further pointers) that are
// always empty in a compressed file: a header with any of them set belongs
// to a file that is not compressed.
constexpr size_t kExtendedPointers[] = {54, 156, 160, 164};
// 'J', 'M' and two unchecked bytes.
constexpr size_t kSignatureSize = 4;
// A length code with 30 or more leading zero bits stands for a match longer
// than kMaxUnpackedSize, which no sound stream holds.
constexpr unsigned kMaxLengthBits = 29;

// The three offset codes of a match token, indexed by the token's bits 2
// and 3 (after its 1, 0).
struct OffsetForm {
  unsigned bits;   // the token's bits up to the end of the offset code
  uint32_t base;   // the offset for v = 0
  unsigned shift;  // the token bit where v begins
  uint64_t mask;   // v's bits
};
constexpr OffsetForm kOffsetForms[4] = {
    {9, 0, 3, 0x3F},     // 1, 0, 0, v:6 (bit 3 is v's first bit)
    {12, 64, 4, 0xFF},   // 1, 0, 1, 0, v:8
    {9, 0, 3, 0x3F},     // 1, 0, 0, v:6
    {16, 320, 4, 0xFFF}  // 1, 0, 1, 1, v:12
};

uint32_t U32At(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

uint64_t LoadLe64(const uint8_t* p) {
  if constexpr (std::endian::native == std::endian::little) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
  } else {
    uint64_t v = 0;
    for (unsigned i = 0; i < 8; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
    return v;
  }
}

// The stream's bits, first bit in bit 0 of a 64-bit container. Only whole
// bytes are loaded, never one at or past the end of the input, and every bit
// above count_ is zero. After Refill the container holds at least 56 bits, or
// all that is left of the input.
class BitReader {
 public:
  BitReader(const uint8_t* begin, const uint8_t* end) : p_(begin), end_(end) {}

  void Refill() {
    if (end_ - p_ >= 8) {
      // As many whole bytes as fit above the bits held (7 at most).
      const unsigned take = (63 - count_) >> 3;
      const uint64_t word = LoadLe64(p_) & ((uint64_t{1} << (8 * take)) - 1);
      bits_ |= word << count_;
      p_ += take;
      count_ += 8 * take;
    } else {
      while (count_ < 56 && p_ != end_) {
        bits_ |= static_cast<uint64_t>(*p_++) << count_;
        count_ += 8;
      }
    }
  }

  bool Has(unsigned n) const { return count_ >= n; }
  // The bits held (zero above count()).
  uint64_t bits() const { return bits_; }
  // n <= count().
  void Skip(unsigned n) {
    bits_ >>= n;
    count_ -= n;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
  uint64_t bits_ = 0;
  unsigned count_ = 0;
};

// Decodes a stream into out[0, capacity), of which expected bytes are wanted
// in all. When the bytes to come do not fit, grow(needed, &capacity) is asked
// for a block of at least needed bytes that keeps those produced; it returns
// the block's new start. A fixed block (capacity == expected) never asks.
template <typename Grow>
std::optional<size_t> Decode(const uint8_t* stream, size_t streamLength, uint8_t* out, size_t capacity,
                             size_t expected, Grow grow) {
  if (stream == nullptr || streamLength <= kSignatureSize || stream[0] != 'J' || stream[1] != 'M') {
    return std::nullopt;
  }
  if (expected > kMaxUnpackedSize || capacity > expected || (out == nullptr && capacity != 0)) {
    return std::nullopt;
  }

  BitReader in(stream + kSignatureSize, stream + streamLength);
  uint8_t* op = out;
  uint8_t* end = out + capacity;
  // Room for n more bytes when op + n passes end: none beyond expected bytes,
  // else a larger block (the pointers follow it).
  auto room = [&](size_t n) {
    const size_t produced = static_cast<size_t>(op - out);
    if (n > expected - produced) return false;
    out = grow(produced + n, &capacity);
    op = out + produced;
    end = out + capacity;
    return true;
  };
  for (;;) {
    // A token's kind and offset take 16 bits at most, so one refill serves
    // several literals.
    if (!in.Has(16)) in.Refill();
    const uint64_t b = in.bits();
    if ((b & 3) != 1) {
      // A literal: 0, v:7 or 1, 1, v:7. Both forms in one branch, as the
      // two alternate at random in real data.
      const unsigned high = static_cast<unsigned>(b & 1);
      const unsigned size = 8 + high;
      if (!in.Has(size)) return std::nullopt;
      if (op == end && !room(1)) return std::nullopt;
      *op++ = static_cast<uint8_t>(((b >> (1 + high)) & 0x7F) | (high << 7));
      in.Skip(size);
      continue;
    }
    // 1, 0, then the offset in one of three forms, picked by the next one or
    // two bits: 0, v:6 | 1, 0, v:8 | 1, 1, v:12. Bits 2 and 3 index the
    // table (with bit 2 clear, bit 3 already belongs to v).
    const OffsetForm& form = kOffsetForms[(b >> 2) & 3];
    if (!in.Has(form.bits)) return std::nullopt;
    const size_t offset = form.base + ((b >> form.shift) & form.mask);
    in.Skip(form.bits);
    if (offset == kEndOfBlockOffset) {
      // The end of a block; the last one once every byte is there.
      if (static_cast<size_t>(op - out) == expected) return expected;
      continue;
    }

    // Length: k zero bits up to a 1 bit, then k bits v: v + 2^k + 2. With
    // 31 bits held, no 1 bit among them means more zeros than allowed.
    if (!in.Has(kMaxLengthBits + 2)) in.Refill();
    if (in.bits() == 0) return std::nullopt;
    const unsigned k = static_cast<unsigned>(std::countr_zero(in.bits()));
    if (k > kMaxLengthBits) return std::nullopt;
    in.Skip(k + 1);
    if (!in.Has(k)) {
      in.Refill();
      if (!in.Has(k)) return std::nullopt;
    }
    const size_t length = static_cast<size_t>(in.bits() & ((uint64_t{1} << k) - 1)) + (size_t{1} << k) + 2;
    in.Skip(k);

    // Both bounds hold for the whole match, so the copy itself checks nothing.
    if (offset == 0 || offset > static_cast<size_t>(op - out)) return std::nullopt;
    if (length > static_cast<size_t>(end - op) && !room(length)) return std::nullopt;
    const uint8_t* src = op - offset;
    if (length <= 16 && offset >= 16 && static_cast<size_t>(end - op) >= 16) {
      // Most matches are short: two fixed-size copies, whose excess bytes
      // lie inside the block and are written again by the tokens after.
      std::memcpy(op, src, 8);
      std::memcpy(op + 8, src + 8, 8);
    } else if (offset >= length) {
      std::memcpy(op, src, length);
    } else {
      // Overlapping: each byte is read after it was written, which repeats
      // the last offset bytes.
      for (size_t i = 0; i < length; ++i) op[i] = src[i];
    }
    op += length;
  }
}

// The first block for a stream's output: streams of real files unpack to 1.5
// to 4 times their length, so one block mostly suffices; a damaged header's
// unpacked size costs no more than this.
size_t FirstCapacity(size_t streamLength, size_t expected) {
  constexpr size_t kMinFirst = size_t{64} << 10;
  const size_t guess = streamLength > (kMaxUnpackedSize >> 2) ? kMaxUnpackedSize : kMinFirst + 4 * streamLength;
  return guess < expected ? guess : expected;
}

int32_t Decompress(const uint8_t* file, size_t size, std::vector<uint8_t>& block) {
  if (size < kPlainHeaderSize) return kDecompressReadError;
  size_t headerSize = kPlainHeaderSize;
  if (U32At(file + kExtendedMarkAt) == kExtendedMark) {
    if (size < kExtendedHeaderSize) return kDecompressReadError;
    for (size_t at : kExtendedPointers) {
      if (U32At(file + at) != 0) return kDecompressNotCompressed;
    }
    headerSize = kExtendedHeaderSize;
  }
  if (size - headerSize < kBlockHeaderSize) return kDecompressReadError;
  const uint8_t* blockHeader = file + headerSize;
  if (U32At(blockHeader) != kBlockMagic) return kDecompressNotCompressed;

  const uint32_t unpackedSize = U32At(blockHeader + 4);
  if (unpackedSize > kMaxUnpackedSize) return kDecompressNoMemory;
  // The block grows as the stream gives bytes: a header that claims more
  // than the stream holds costs nothing until the stream fails.
  std::optional<size_t> produced;
  try {
    block.assign(file, file + headerSize);
    std::memset(block.data() + kFlagWordAt, 0, 4);
    produced = UnpackStreamGrowing(blockHeader + kBlockHeaderSize, size - headerSize - kBlockHeaderSize, &block,
                                   unpackedSize);
  } catch (const std::bad_alloc&) {
    return kDecompressNoMemory;
  }
  if (!produced) return kDecompressFailed;
  if (*produced != unpackedSize) return kDecompressSizeMismatch;
  if (U32At(blockHeader + 8) != 0) return kDecompressBadChecksum;
  return kDecompressOk;
}

}  // namespace

const char* DecompressReason(int32_t result) {
  switch (result) {
    case kDecompressBadArguments: return "bad arguments\n";
    case kDecompressNotCompressed: return "file not compressed\n";
    case kDecompressNoMemory: return "unsufficient memory\n";
    case kDecompressSizeMismatch: return "size mismatch\n";
    case kDecompressBadChecksum: return "bad checksum\n";
    case kDecompressFailed: return "decompression failed\n";
    case kDecompressReadError: return "file read error\n";
    default: return "";
  }
}

std::string DecompressFailureText(int32_t result) {
  return std::string("Error: Compressed BGL file, uncompression failed, ") + DecompressReason(result);
}

int32_t DecompressBgl(const uint8_t* file, size_t fileSize, size_t* sizeOut, std::vector<uint8_t>* bufferOut) {
  if (sizeOut == nullptr || bufferOut == nullptr || (file == nullptr && fileSize != 0)) {
    return kDecompressBadArguments;
  }
  *sizeOut = 0;
  bufferOut->clear();
  const int32_t result = Decompress(file, fileSize, *bufferOut);
  if (result != kDecompressOk) {
    std::vector<uint8_t>().swap(*bufferOut);
    return result;
  }
  *sizeOut = bufferOut->size();
  return kDecompressOk;
}

int ReleaseDecompressedBgl(size_t size, std::vector<uint8_t>* buffer) {
  if (buffer == nullptr || buffer->empty() || buffer->size() < size) return 1;
  std::vector<uint8_t>().swap(*buffer);
  return 0;
}

std::optional<size_t> UnpackStream(const uint8_t* stream, size_t streamLength, uint8_t* out,
                                   size_t expectedSize) {
  if (out == nullptr && expectedSize != 0) return std::nullopt;
  return Decode(stream, streamLength, out, expectedSize, expectedSize,
                [out](size_t, size_t*) { return out; });  // never asked: the block is all there is
}

std::optional<size_t> UnpackStreamGrowing(const uint8_t* stream, size_t streamLength, std::vector<uint8_t>* out,
                                          size_t expectedSize) {
  if (out == nullptr || expectedSize > kMaxUnpackedSize) return std::nullopt;
  const size_t base = out->size();
  const size_t first = FirstCapacity(streamLength, expectedSize);
  // Each block exactly as asked (reserve first: resize alone may take more),
  // at least twice the last one, so the copies add up to the output once.
  auto grow = [out, base, expectedSize](size_t needed, size_t* capacity) {
    const size_t doubled = 2 * *capacity;
    size_t want = needed > doubled ? needed : doubled;
    if (want > expectedSize) want = expectedSize;
    out->reserve(base + want);
    out->resize(base + want);
    *capacity = want;
    return out->data() + base;
  };
  std::optional<size_t> produced;
  try {
    out->reserve(base + first);
    out->resize(base + first);
    produced = Decode(stream, streamLength, out->data() + base, first, expectedSize, grow);
  } catch (...) {
    out->resize(base);
    throw;
  }
  out->resize(produced ? base + *produced : base);
  return produced;
}

}  // namespace skarn
