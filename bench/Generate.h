// Generated scenery for the benchmarks: procedural objects with the
// commands most scenery is made of.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "Examples.h"

namespace skarn::bench {

using test::Bytes;

// A program of the commands that make up most scenery: a guarded call, a
// bitmap, colours, points, polygons, surfaces and lines.
inline Bytes Program(int seed) {
  Bytes body;
  body.u8(0x18).u8(0).i16(0).i16(0).i16(0).i16(0).text("tex" + std::to_string(seed % 97) + ".bmp", 12).zeros(2);
  body.u8(0x2D).u8(0).u8(0xF0).u8(static_cast<uint32_t>(seed & 0xFF)).u8(0x34).u8(0x56);
  body.u8(0x1A).u8(0).i16(0).i16(8);
  for (int i = 0; i < 8; ++i) body.i16(i * 10 - seed % 50).i16(i).i16(-i * 7);
  body.u8(0x3E).u8(0).i16(10).i16(0).i16(1).i16(0).i32(65536 * 5);
  for (int i = 0; i < 10; ++i) body.i16(i);
  body.u8(0x05).u8(0);
  for (int i = 0; i < 6; ++i) body.u8(i == 0 ? 0x06 : 0x07).u8(0).i16(i * 3).i16(seed % 11).i16(-i * 5);
  body.u8(0x08).u8(0);
  body.u8(0x22).u8(0);
  Bytes code;
  code.u8(0x24).u8(0).i16(static_cast<int32_t>(10 + body.size() - 2)).u16(0x0346).i16(0).i16(100);
  return code.append(body);
}

// A file of procedural objects of about targetBytes; first numbers the
// objects, so files made with different firsts differ.
inline std::vector<uint8_t> ProceduralFile(size_t targetBytes, int first = 0) {
  // Bands of objects until the file reaches its size.
  Bytes objects;
  std::vector<uint32_t> bandStarts;
  int n = first;
  const size_t perBand = 2000;
  while (objects.size() < targetBytes) {
    bandStarts.push_back(static_cast<uint32_t>(objects.size()));
    for (size_t i = 0; i < perBand && objects.size() < targetBytes; ++i, ++n) {
      // Positions scattered over the band, as real scenery lists them.
      const uint32_t h = static_cast<uint32_t>(n) * 2654435761u;
      objects.append(test::Object06(5278701 + static_cast<int32_t>(h % 200000u) * 4,
                                    101412045 + static_cast<int32_t>((h >> 7) % 1000000u) * 977, 100, Program(n)));
    }
    objects.u8(0);
  }
  const uint32_t tableSize = static_cast<uint32_t>(bandStarts.size() * 9 + 1);
  Bytes proc;
  for (size_t i = 0; i < bandStarts.size(); ++i) {
    proc.u8(0x15).i16(10310).i16(10312).u32(tableSize + bandStarts[i]);
  }
  proc.u8(0).append(objects);
  test::BglBuilder b;
  b.Section(0x3A, proc);
  return b.Build();
}

}  // namespace skarn::bench
