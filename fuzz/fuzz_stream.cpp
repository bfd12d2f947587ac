// Fuzz target: the stream decoder. The first three bytes give the unpacked
// size (20 bits: up to 1 MiB, far beyond what most inputs make), the
// rest is the stream. It is decoded three ways, which must agree: into a
// block of exactly that size, into a block that grows as it is filled, and
// as the stream of a compressed file around it. Nothing may crash, hang,
// read outside the stream or write outside the block.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <optional>
#include <vector>

#include "decompress/Decompress.h"

namespace {

// A compressed file: a 128-byte header with the compressed flag, the block
// header (magic, unpacked size, checksum 0, 8 unused bytes), the stream.
std::vector<uint8_t> FileAround(const uint8_t* stream, size_t length, uint32_t unpacked) {
  std::vector<uint8_t> file(128 + skarn::kBlockHeaderSize, 0);
  file[0x7C] = 1;
  auto put = [&file](size_t at, uint32_t v) {
    for (size_t i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(128, skarn::kBlockMagic);
  put(132, unpacked);
  file.insert(file.end(), stream, stream + length);
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const size_t expected = (static_cast<size_t>(data[0]) | static_cast<size_t>(data[1]) << 8 |
                           static_cast<size_t>(data[2]) << 16) &
                          0xFFFFF;
  const uint8_t* stream = data + 3;
  const size_t length = size - 3;

  std::vector<uint8_t> fixed(expected);
  const std::optional<size_t> a = skarn::UnpackStream(stream, length, fixed.data(), expected);

  std::vector<uint8_t> grown = {0xA5};  // bytes held before are kept
  const std::optional<size_t> b = skarn::UnpackStreamGrowing(stream, length, &grown, expected);
  if (a.has_value() != b.has_value() || grown.empty() || grown[0] != 0xA5) __builtin_trap();
  if (a && (*a != expected || *b != expected || grown.size() != 1 + expected ||
            !std::equal(fixed.begin(), fixed.end(), grown.begin() + 1))) {
    __builtin_trap();
  }
  if (!b && grown.size() != 1) __builtin_trap();

  const std::vector<uint8_t> file = FileAround(stream, length, static_cast<uint32_t>(expected));
  size_t blockSize = 0;
  std::vector<uint8_t> block;
  const int32_t code = skarn::DecompressBgl(file.data(), file.size(), &blockSize, &block);
  if ((code == skarn::kDecompressOk) != a.has_value()) __builtin_trap();
  if (code != skarn::kDecompressOk && code != skarn::kDecompressFailed) __builtin_trap();
  if (a && (blockSize != 128 + expected || block.size() != blockSize ||
            !std::equal(fixed.begin(), fixed.end(), block.begin() + 128) || block[0x7C] != 0)) {
    __builtin_trap();
  }
  return 0;
}
