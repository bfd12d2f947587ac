// Small files of the section kinds the examples do not hold: radio
// navigation, old-style facilities with an exclusion area and a library
// object, a new-style airport with its name list, markers and a cut dynamic
// scenery section. The account test reads them, and make_examples --kinds
// writes them for the comparison of the Linux and Windows programs.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "BglBuilder.h"
#include "Examples.h"
#include "core/SkarnDoc.h"

namespace skarn::test {

// 18 degrees north (2 m units), 45 degrees east (2^24 to the circle).
inline constexpr int32_t kN18 = 1000175;
inline constexpr int32_t kE45 = 2097152;

inline Bytes Vor(uint8_t id, const std::string& ident) {
  Bytes b;
  b.u8(id).u8(40).u16(0).u8(0).u24(kN18 & 0xFFFFFF).u24(kE45).i16(400).u16(0x4000).text(ident, 5).text("KLOTEN", 24);
  if (id == 5) b.u24(kN18 & 0xFFFFFF).u24(kE45).i16(410).i16(6859);
  return b;
}

inline std::vector<uint8_t> VorFile() {
  // Channel 0 (108.00 MHz): one band with a VOR, an ILS and a DME position.
  Bytes dme;
  dme.u8(20).zeros(6).u16(7).u24(kN18 & 0xFFFFFF).u24(kE45).i16(5);
  Bytes s;
  s.u8(1).i32(5).append(BandTable({{0, 20, 15}})).append(Vor(4, "KLO")).append(Vor(5, "IZH")).append(dme).u8(0);
  BglBuilder b;
  b.Set(hdr::kFirstVorChannel, 0, 2).Set(hdr::kLastVorChannel, 0, 2);
  b.Section(0x12, s);
  return b.Build();
}

inline std::vector<uint8_t> NdbComFile() {
  Bytes ndb;
  ndb.u8(4).raw({0x45, 0x03, 0x50}).u24(kN18 & 0xFFFFFF).u24(kE45).i16(300).u8(25).text("ZH", 5).text("ZURICH EAST", 24);
  const std::string text = "INFO (A)";
  Bytes atis;
  atis.u8(4).raw({0x25, 0x18}).u24(kN18 & 0xFFFFFF).u24(kE45).u8(11).i16(static_cast<int32_t>(17 + text.size()));
  atis.raw({0x40 | 14, 0x80 | 32, 0, 0}).chars(text).u8(0);
  BglBuilder b;
  b.Section(0x4E, BandedSection({{ndb}}, 0, 20, 20));
  b.Section(0x4A, BandedSection({{atis}}, 0, 20, 20));
  return b.Build();
}

inline std::vector<uint8_t> FacilitiesFile() {
  // Old-style menu: one region, one airport; an exclusion area; a library
  // object of the newer form.
  Bytes menu;
  menu.u8(1).i16(14).i32(15).chars("Europe").u8(0).u8(0);
  menu.u8(3).i16(34).i32(kN18 * 256).i32(0x20000000).i32(432 * 256).u16(0x8000).raw({0x50, 0x18}).raw({0x00, 0x19});
  menu.u16(0).raw({0x00, 0x21}).u16(0).chars("Kloten").u8(0).u8(0);
  Bytes excl;
  excl.u8(3).i16(0).i32(LatMetres(47.5)).i32(LatMetres(47.0)).i32(Lon32Units(9.0)).i32(Lon32Units(8.0)).u8(0);
  const uint32_t id[4] = {0x11111111, 0x22222222, 0x33333333, 0x44444444};
  Bytes lib;
  lib.u32(24).u32(id[0]).u32(id[1]).u32(id[2]).u32(id[3]).u32(0);
  lib.u32(id[0]).u32(id[1]).u32(id[2]).u32(id[3]).u8(0).u32(41 + 6).u32(0).i32(100).u32(65536).i32(0).u32(0);
  lib.chars("hangar").u8(0);
  BglBuilder b;
  b.Section(0x42, menu);
  b.Section(0x72, excl);
  b.Section(0x3E, lib);
  return b.Build();
}

inline std::vector<uint8_t> AirportFile() {
  // New-style object list: an airport container with its position, ICAO
  // name and a runway.
  auto position = [](Bytes& r, int32_t metres, uint32_t lon48High) { r.u32(0).i32(metres).u32(0).u32(lon48High).u64(0); };
  Bytes recs;
  recs.u32(0x10001).u32(24);
  position(recs, kN18 * 2, 1u << 29);
  recs.u32(0x10006).u32(5).chars("LSZH").u8(0);
  recs.u32(0x10002).u32(52);
  position(recs, kN18 * 2, 1u << 29);
  recs.u32(0x40000000).i32(0).i32(3300).i32(60).u32(1).i32(16).i32(4);
  Bytes list;
  list.u32(1).u32(static_cast<uint32_t>(8 + recs.size())).u32(1).u32(0).append(recs).u32(0);
  BglBuilder b;
  b.Extended();
  const uint32_t object = b.Section(hdr::kObjectList, list);
  // One name list naming the airport.
  Bytes entry;
  entry.u32(0x30002).u32(8 + 7).u32(0x50001).u32(object).chars("Zurich").u8(0);
  Bytes names;
  names.u32(0x30001).u32(static_cast<uint32_t>(16 + entry.size())).u32(0x409).zeros(12).append(entry).u32(0);
  b.Set(hdr::kNameLists, b.Append(names), 4);
  return b.Build();
}

inline std::vector<uint8_t> MiscFile() {
  Bytes marker;
  marker.u8(6).u8(0).u24(kN18 & 0xFFFFFF).u24(kE45).i16(420).u8(64);
  Bytes cut = BandTable({{0, 20, 19}});  // the band's list lies past the end
  BglBuilder b;
  b.Section(0x66, BandedSection({{marker}}, 0, 20, 20));
  b.Section(0x52, cut);  // dynamic scenery
  return b.Build();
}

// The files above by the names make_examples gives them.
inline std::vector<std::pair<std::string, std::vector<uint8_t>>> KindFiles() {
  return {{"kind-vor.bgl", VorFile()},
          {"kind-ndb-com.bgl", NdbComFile()},
          {"kind-facilities.bgl", FacilitiesFile()},
          {"kind-airport.bgl", AirportFile()},
          {"kind-misc.bgl", MiscFile()}};
}

}  // namespace skarn::test
