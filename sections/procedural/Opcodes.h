// Command handlers by range, and the operand readers and texts they share.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "core/ByteReader.h"
#include "core/SourceWriter.h"
#include "sections/procedural/ProceduralSection.h"

namespace skarn::ops {

// Each fills its range of the table (indexed by the command's first byte).
void Register00To3F(OpHandler* table);
void Register40To7F(OpHandler* table);
void Register80ToBD(OpHandler* table);

// ---- operand readers, with the types the formats expect ----

inline int I16(const ByteReader& b, uint64_t at) { return b.I16(at); }
inline unsigned U16(const ByteReader& b, uint64_t at) { return b.U16(at); }
inline unsigned U8(const ByteReader& b, uint64_t at) { return b.U8(at); }
// An i16 widened to 32 bits with its sign, for a hexadecimal format (a
// negative value shows all 32 bits).
inline unsigned SignExtended(const ByteReader& b, uint64_t at) {
  return static_cast<unsigned>(static_cast<int>(b.I16(at)));
}
// A 6-byte position or altitude field: a 16-bit fraction, then the 32-bit
// integer part.
inline uint64_t Raw48(const ByteReader& b, uint64_t at) {
  return b.U32(at) | static_cast<uint64_t>(b.U16(at + 4)) << 32;
}
// Polygon plane distance: an i32 with 15 fraction bits.
inline double Dist(const ByteReader& b, uint64_t at) { return static_cast<double>(b.I32(at)) / 32768.0; }
// Scale factors are stored as their reciprocal: the i32 holds 65536 / scale
// (a zero gives an infinite scale, printed as such).
inline double Scale(const ByteReader& b, uint64_t at) { return 65536.0 / static_cast<double>(b.I32(at)); }

// The same, from the section's image.
inline int I16(const ProceduralSection& s, uint64_t at) { return I16(s.image(), at); }
inline unsigned U16(const ProceduralSection& s, uint64_t at) { return U16(s.image(), at); }
inline unsigned U8(const ProceduralSection& s, uint64_t at) { return U8(s.image(), at); }
inline unsigned SignExtended(const ProceduralSection& s, uint64_t at) { return SignExtended(s.image(), at); }
inline uint64_t Raw48(const ProceduralSection& s, uint64_t at) { return Raw48(s.image(), at); }
inline double Dist(const ProceduralSection& s, uint64_t at) { return Dist(s.image(), at); }
inline double Scale(const ProceduralSection& s, uint64_t at) { return Scale(s.image(), at); }

// Rounds half up: the integer part of x + 0.5, cut toward zero. Kept in 64
// bits: a 32.16 altitude can reach 2^31, one past the largest int.
inline long long HalfUp(double x) { return static_cast<long long>(x + 0.5); }

inline SourceWriter& Out(const ProceduralSection& s) { return s.writer(); }

// The handler of a command without operands: a fixed text, written in the
// print pass only.
template <const char* kText>
int64_t Fixed2(ProceduralSection& s, uint64_t) {
  if (s.printing()) Out(s).template RowOf<kText>();
  return 2;
}

// The handlers of commands whose operands are kCount consecutive 16-bit words
// from +2, written in the print pass only with one fixed format that takes
// them in order; the command is kLength bytes long. The format is parsed and
// checked against the operands when the handler is compiled.
//   I16Line:          signed words, as int (%d);
//   U16Line:          unsigned words, as unsigned (%.4X);
//   SignExtendedLine: signed words widened to 32 bits, as unsigned (%.4X; a
//                     negative word shows all 32 bits).
namespace detail {

struct ReadI16 {
  static int At(const ProceduralSection& s, uint64_t at) { return I16(s, at); }
};
struct ReadU16 {
  static unsigned At(const ProceduralSection& s, uint64_t at) { return U16(s, at); }
};
struct ReadSignExtended {
  static unsigned At(const ProceduralSection& s, uint64_t at) { return SignExtended(s, at); }
};

template <const char* kFormat, int64_t kLength, int kCount, class Read>
int64_t WordLine(ProceduralSection& s, uint64_t p) {
  static_assert(kCount > 0, "a command with operands");
  static_assert(kLength >= 2 + 2 * static_cast<int64_t>(kCount), "operands within the command");
  if (s.printing()) {
    [&]<uint64_t... kIndex>(std::integer_sequence<uint64_t, kIndex...>) {
      Out(s).template RowOf<kFormat>(Read::At(s, p + 2 + 2 * kIndex)...);
    }(std::make_integer_sequence<uint64_t, static_cast<uint64_t>(kCount)>{});
  }
  return kLength;
}

}  // namespace detail

template <const char* kFormat, int64_t kLength, int kCount>
int64_t I16Line(ProceduralSection& s, uint64_t p) {
  return detail::WordLine<kFormat, kLength, kCount, detail::ReadI16>(s, p);
}

template <const char* kFormat, int64_t kLength, int kCount>
int64_t U16Line(ProceduralSection& s, uint64_t p) {
  return detail::WordLine<kFormat, kLength, kCount, detail::ReadU16>(s, p);
}

template <const char* kFormat, int64_t kLength, int kCount>
int64_t SignExtendedLine(ProceduralSection& s, uint64_t p) {
  return detail::WordLine<kFormat, kLength, kCount, detail::ReadSignExtended>(s, p);
}

// Bitmap flag letters of a 16-bit flag word, in the order W (0x20), F (0x10),
// S (0x08), L (0x80), H (0x40); the low three bits are printed separately.
inline std::string BitmapFlagLetters(uint32_t flags) {
  std::string s;
  if (flags & 0x20) s += 'W';
  if (flags & 0x10) s += 'F';
  if (flags & 0x08) s += 'S';
  if (flags & 0x80) s += 'L';
  if (flags & 0x40) s += 'H';
  return s;
}

// Runway designator byte: number in the low six bits, letter in the top two
// (0x40 L, 0x80 R, 0xC0 C, none a blank).
inline int RunwayNumber(uint8_t designator) { return designator & 0x3F; }
inline char RunwayLetter(uint8_t designator) {
  switch (designator & 0xC0) {
    case 0x40: return 'L';
    case 0x80: return 'R';
    case 0xC0: return 'C';
    default: return ' ';
  }
}

}  // namespace skarn::ops
