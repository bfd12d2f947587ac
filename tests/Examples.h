// The example files that ship in examples/, built byte by byte. The committed
// files are checked against these builders by a test, and the make_examples
// program writes them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "BglBuilder.h"
#include "Compressor.h"

namespace skarn::test {

// Metres from the equator of a latitude, and 2^32 units of a longitude.
inline int32_t LatMetres(double degrees) { return static_cast<int32_t>(degrees / 90.0 * 10001750.0); }
inline int32_t Lon32Units(double degrees) { return static_cast<int32_t>(degrees / 360.0 * 4294967296.0); }

// One procedural object of type 0x06 (32-bit size) around its program.
inline Bytes Object06(int32_t lat, int32_t lon, uint8_t areaParam, const Bytes& code) {
  Bytes b;
  b.u8(0x06).i32(lat).i32(lon).u8(areaParam).u32(static_cast<uint32_t>(14 + code.size()));
  return b.append(code);
}

// A small airfield: a windsock pole and a textured pad, a magnetic variation
// table and an MSA table.
inline std::vector<uint8_t> AirfieldExample() {
  const int32_t north = LatMetres(47.52), south = LatMetres(47.48);
  const int32_t east = Lon32Units(8.55), west = Lon32Units(8.50);

  // Object 1: a pad drawn as a textured surface, shown only while variable
  // 0x0346 lies in 0..100.
  Bytes body;
  body.u8(0x18).u8(0).i16(0).i16(0).i16(0).i16(0).text("pad.bmp", 12).zeros(2);  // Bitmap
  body.u8(0x2D).u8(0).u8(0xF0).u8(0x12).u8(0x34).u8(0x56);  // RGBSColor
  body.u8(0x1A).u8(0).i16(0).i16(2).i16(-50).i16(0).i16(-50).i16(50).i16(0).i16(50);  // Points
  body.u8(0x05).u8(0);                                     // StartSurface
  body.u8(0x06).u8(0).i16(-50).i16(0).i16(-50);            // MoveTo
  body.u8(0x07).u8(0).i16(50).i16(0).i16(50);              // DrawTo
  body.u8(0x08).u8(0);                                     // EndSurface
  body.u8(0x22).u8(0);                                     // Return
  // IfVarRange in front, jumping to the Return (its displacement counts from
  // its own first byte).
  Bytes pad;
  pad.u8(0x24).u8(0).i16(static_cast<int32_t>(10 + body.size() - 2)).u16(0x0346).i16(0).i16(100);
  pad.append(body);

  // Object 2: a pole drawn as lines, then Return and two bytes of data.
  Bytes pole;
  pole.u8(0x06).u8(0).i16(0).i16(0).i16(0);  // MoveTo
  pole.u8(0x07).u8(0).i16(0).i16(8).i16(0);  // DrawTo
  pole.u8(0x22).u8(0);                       // Return
  pole.raw({0xAB, 0xCD});

  Bytes objects1 = Object06(LatMetres(47.50), Lon32Units(8.52), 100, pad);
  objects1.u8(0);
  Bytes objects2 = Object06(LatMetres(47.51), Lon32Units(8.53), 50, pole);
  objects2.u8(0);

  // Band table of two bands, then the two object lists.
  const uint32_t table = 2 * 9 + 1;
  Bytes proc = BandTable({{10310, 10312, table},
                          {10312, 10314, static_cast<uint32_t>(table + objects1.size())}});
  proc.append(objects1).append(objects2);

  BglBuilder b;
  b.Vis(1).Bounds(north, south, east, west);
  b.Section(0x3A, proc);
  b.Section(0x6E, Bytes().zeros(16));  // magnetic variation table (never read)
  b.Section(0x32, Bytes().zeros(8));   // MSA table (never read)
  return b.Build();
}

// Every example: file name in examples/ and its bytes.
inline std::vector<std::pair<std::string, std::vector<uint8_t>>> AllExamples() {
  return {{"airfield.bgl", AirfieldExample()}, {"airfield-packed.bgl", CompressBgl(AirfieldExample())}};
}

}  // namespace skarn::test
