// Command handlers by range, and texts shared between ranges.
#pragma once

#include <cstdint>
#include <string>

#include "sections/procedural/ProceduralSection.h"

namespace skarn::ops {

// Each fills its range of the table (indexed by the command's first byte).
void Register00To3F(OpHandler* table);
void Register40To7F(OpHandler* table);
void Register80ToBD(OpHandler* table);

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
