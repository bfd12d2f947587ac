// Compressed BGL files.
//
// A compressed file keeps its plain header (H = 128 bytes, or 168 when the
// u32 at 118 is the extended mark 0x87654321), followed by a block header and
// one compressed stream that holds everything after the header:
//
//   H + 0    u32  block magic 0xABCDEF01
//   H + 4    u32  unpacked size U: the bytes that follow the header once unpacked
//   H + 8    u32  checksum; no sum is ever computed, so only 0 is valid
//   H + 12   8    unused
//   H + 20   ...  the stream (see UnpackStream)
//
// Unpacking gives H + U bytes laid out exactly like a plain file: the header,
// with the u32 at 122 cleared (it holds the compressed flag at 124, so the
// result reads as uncompressed), then the U unpacked bytes. Sections of the
// unpacked file sit at the offsets the header names.
//
// This file depends on nothing else in the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <optional>
#include <vector>

namespace skarn {

// Result codes of DecompressBgl (one per call, never combined).
constexpr int32_t kDecompressOk = 0;
constexpr int32_t kDecompressBadArguments = 1;   // no place to store the result
constexpr int32_t kDecompressNotCompressed = 2;  // not a compressed file after all
constexpr int32_t kDecompressNoMemory = 4;       // the unpacked block cannot be had
constexpr int32_t kDecompressSizeMismatch = 8;   // the stream gave another size
constexpr int32_t kDecompressBadChecksum = 16;   // stored checksum is not 0
constexpr int32_t kDecompressFailed = 32;        // corrupt stream
constexpr int32_t kDecompressReadError = 64;     // file too short for its headers

// The text that follows "Error: Compressed BGL file, uncompression failed, "
// for a result code (each ends in a line feed); "" for 0 and for any code not
// listed above.
const char* DecompressReason(int32_t result);
// The message for a failed unpacking: "Error: Compressed BGL file,
// uncompression failed, " followed by the reason.
std::string DecompressFailureText(int32_t result);

constexpr uint32_t kBlockMagic = 0xABCDEF01u;
constexpr size_t kBlockHeaderSize = 20;
// The largest unpacked size accepted. Real files are a few MB; a larger value
// comes from a damaged header and is refused before anything is allocated.
// Below it the output grows only as the stream fills it (a length code of
// 29 zero bits stands for 1 GiB, so a stream of a dozen bytes can soundly
// reach any size up to here: no bound from the stream's length is tighter).
constexpr size_t kMaxUnpackedSize = size_t{1} << 30;
// The offset that marks the end of a block instead of a match.
constexpr uint32_t kEndOfBlockOffset = 4415;

// Unpacks the compressed BGL file held in file[0, fileSize); the block grows
// as the stream is decoded (see UnpackStreamGrowing). On success
// returns kDecompressOk, *sizeOut = H + U and *bufferOut holds the unpacked
// block (the caller owns it; it can be moved where it is needed without a
// copy). On failure returns the code, *sizeOut = 0 and *bufferOut is empty.
// A null sizeOut or bufferOut gives kDecompressBadArguments, and so does a
// null file with a non-zero size.
int32_t DecompressBgl(const uint8_t* file, size_t fileSize, size_t* sizeOut, std::vector<uint8_t>* bufferOut);

// Gives back a block that DecompressBgl returned: frees its storage and
// returns 0, or returns 1 and releases nothing when buffer is null or holds
// fewer than size bytes (no block, e.g. after a failure or after the block
// was moved elsewhere).
int ReleaseDecompressedBgl(size_t size, std::vector<uint8_t>* buffer);

// Decodes one stream into out[0, expectedSize). Returns the number of bytes
// produced (always expectedSize), or nothing when the stream is corrupt.
//
// The stream begins with 'J', 'M' and two bytes that are not checked; a
// stream of 4 bytes or fewer is refused. From byte 4 on it is a bit sequence:
// bytes in order, the bits of each byte from the least significant up; an
// n-bit field is assembled least significant bit first. Tokens:
//
//   0, v:7                  literal byte v
//   1, 1, v:7               literal byte v + 0x80
//   1, 0, offset, length    copy length bytes from offset bytes back
//
// Offset: 0, v:6 gives v; 1, 0, v:8 gives 64 + v; 1, 1, v:12 gives 320 + v.
// Offset 4415 is an end-of-block marker and has no length. Length: k zero
// bits up to a 1 bit, then k bits v: v + 2^k + 2 (3 for k = 0). A match
// copies byte by byte, so an offset below the length repeats a pattern.
//
// Decoding stops at the first end-of-block marker reached once expectedSize
// bytes exist; earlier markers only end a block. It fails when a token needs
// bits beyond the input, when a match has offset 0 or reaches before out,
// when a literal or match would write beyond expectedSize bytes, and when
// expectedSize exceeds kMaxUnpackedSize. Bits after the final marker are
// ignored. The decoder never reads outside stream[0, streamLength).
std::optional<size_t> UnpackStream(const uint8_t* stream, size_t streamLength, uint8_t* out,
                                   size_t expectedSize);

// The same, appending to *out, which grows as bytes are decoded: it starts
// at what a stream of this length mostly gives (a few times its length, at
// most expectedSize) and at least doubles each time it is full, up to
// expectedSize; grown bytes are written by the decoder right after. So a
// declared size that the stream does not reach costs only what the stream
// produced before it failed. On success *out holds its former bytes and the
// expectedSize decoded ones; on failure its former bytes only (its capacity
// shows how far it grew). Throws std::bad_alloc when a block cannot be had.
std::optional<size_t> UnpackStreamGrowing(const uint8_t* stream, size_t streamLength, std::vector<uint8_t>* out,
                                          size_t expectedSize);

}  // namespace skarn
