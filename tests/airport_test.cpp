// The new-style airport facility data: containers and their records, the
// FS2002 taxiway data, the border record and the name lists, and what hostile
// lengths and offsets give.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "FakeHost.h"
#include "TestUtil.h"
#include "core/Commands.h"
#include "core/Format.h"
#include "core/SkarnDoc.h"

namespace skarn::test {
namespace {

constexpr size_t kObjectListField = 0xA4;
constexpr size_t kNameListsField = 0x9C;
// The first object stands right after the extended header.
constexpr uint32_t kFirstObject = 168;

// ---- positions: 45 N, 90 E, 120 m; 45 S, 45 W ----
constexpr uint64_t kLat45N = uint64_t{5000875} << 32;  // metres << 32
constexpr uint64_t kLat45S = ~kLat45N + 1;
constexpr uint64_t kLon90E = uint64_t{1} << 62;  // 2^48 to the circle, << 16
constexpr uint64_t kLon45W = ~(uint64_t{1} << 61) + 1;
constexpr uint64_t kAlt120 = uint64_t{120} << 32;  // metres << 32
const std::string kN45 = " N45:00:00.00";
const std::string kE90 = " E090:00:00.00";
const std::string kPos = kN45 + " " + kE90;  // as the records print them

constexpr uint32_t kDeg90 = 0x40000000;  // angle32

// A record: code, length of the data, data.
Bytes Rec(uint32_t code, const Bytes& data) {
  return Bytes().u32(code).u32(static_cast<uint32_t>(data.size())).append(data);
}

// An object of the list, or a container nested in one (the same layout).
Bytes Container(uint32_t type, const Bytes& records) {
  return Bytes().u32(1).u32(static_cast<uint32_t>(8 + records.size())).u32(type).u32(0).append(records);
}

Bytes Pos() { return Bytes().u64(kLat45N).u64(kLon90E); }
Bytes Pos3() { return Pos().u64(kAlt120); }

// A name list and its entries.
Bytes Entry(uint32_t type, uint32_t ref, const std::string& name, uint32_t code = 0x30002) {
  Bytes data = Bytes().u32(type).u32(ref).chars(name).u8(0);
  return Bytes().u32(code).u32(static_cast<uint32_t>(data.size())).append(data);
}
Bytes NameList(uint32_t language, const Bytes& entries) {
  Bytes data = Bytes().u32(language).zeros(12).append(entries);
  return Bytes().u32(0x30001).u32(static_cast<uint32_t>(data.size())).append(data);
}

struct AfdRun : DisasmRun {
  std::string afd;  // the section's text after its heading block
};

AfdRun Disasm(const std::vector<uint8_t>& file) {
  AfdRun run;
  static_cast<DisasmRun&>(run) = DisasmFile(file, "afd.bgl");
  const std::string head = "; AFD Section\n" + kSep;
  const std::string tail = kSep + "; end of SCASM source\n";
  const size_t begin = run.output.find(head);
  const size_t end = run.output.rfind(tail);
  if (begin != std::string::npos && end != std::string::npos && begin + head.size() <= end) {
    run.afd = run.output.substr(begin + head.size(), end - begin - head.size());
  } else {
    run.afd = "<no section text>";
  }
  return run;
}

// A file with the object list first and the name lists after it (no name
// lists when the area is empty).
std::vector<uint8_t> AfdFile(const Bytes& objects, const Bytes& nameLists = Bytes()) {
  BglBuilder b;
  b.Extended();
  b.Section(kObjectListField, objects);
  if (nameLists.size() != 0) b.Section(kNameListsField, nameLists);
  return b.Build();
}

std::string AfdText(const Bytes& objects, const Bytes& nameLists = Bytes()) {
  return Disasm(AfdFile(objects, nameLists)).afd;
}

std::string ObjectHead(int n, uint32_t offset, uint32_t size) {
  return kSep + "; Object # " + std::to_string(n) + ", offset: " + Format("%.6X", offset) +
         ", size: " + std::to_string(size) + " bytes\n" + kSep;
}

// The lines of records in the first object, an airport.
std::string RecordLines(const Bytes& records) {
  const std::string text = AfdText(Cat({Container(1, records), Bytes().u32(0)}));
  const std::string open = "Container( APT 1 )\n";
  const size_t begin = text.find(open);
  const size_t end = text.rfind("EndC\n");
  if (begin == std::string::npos || end == std::string::npos) return "<no container>";
  return text.substr(begin + open.size(), end - begin - open.size());
}

// ---------------------------------------------------------------------------
// Records

Bytes Runway(uint32_t letter, uint32_t length) {
  Bytes d = Pos3().u32(kDeg90).i32(-0x00800000).i32(3000).i32(45).u32(letter).i32(16).i32(2);
  if (length >= 60) d.u32(0x10).f32(12.5f);
  while (d.size() < length) d.u8(0);
  return d;
}

Bytes Navaid(uint32_t frequency, const std::string& name) {
  return Pos3().u32(kDeg90).u32(frequency).i32(4).i32(2).u32(0x1A).u32(0xDEAD).chars(name).u8(0);
}

TEST(AirportRecords, EveryRecordForm) {
  struct Case {
    const char* name;
    Bytes record;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"APLocation", Rec(0x10001, Pos3()), "\tAPLocation( " + kPos + " 120 )\n"},
      {"RwyLoc short", Rec(0x10002, Runway(1, 52)),
       "\tRwyLoc( " + kPos + " 120\n\t\t90 -0.70 ; true heading, mag.var.\n\t\t3000 45 ; length, width\n"
       "\t\tL 16 2 ) ; rwy type, number and surface\n"},
      {"RwyLoc long", Rec(0x10002, Runway(1, 60)),
       "\tRwyLoc( " + kPos + " 120\n\t\t90 -0.70 ; true heading, mag.var.\n\t\t3000 45 ; length, width\n"
       "\t\tL 16 2 0x10 12.50 ); rwy type, number, surface, flags, alt2\n"},
      // Only a length of exactly 60 has the flags and alt2.
      {"RwyLoc longer", Rec(0x10002, Runway(1, 64)),
       "\tRwyLoc( " + kPos + " 120\n\t\t90 -0.70 ; true heading, mag.var.\n\t\t3000 45 ; length, width\n"
       "\t\tL 16 2 ) ; rwy type, number and surface\n"},
      {"RwyLoc flags 0", Rec(0x10002, Runway(1, 60).patch(52, 0, 4)),
       "\tRwyLoc( " + kPos + " 120\n\t\t90 -0.70 ; true heading, mag.var.\n\t\t3000 45 ; length, width\n"
       "\t\tL 16 2 0 12.50 ); rwy type, number, surface, flags, alt2\n"},
      {"Tower", Rec(0x10003, Pos3()), "\tTower( " + kPos + " 120 0 ) \n"},
      {"Navaid", Rec(0x10004, Navaid(0x01105000, "SEA VOR")),
       "\tNavaid( " + kPos + " 120\n\t\t90 110.5000 ; heading, frequency\n"
       "\t\t4 2 1A; navaid type, class and flags\n\t\t\"SEA VOR\" )\n"},
      {"Navaid marker", Rec(0x10004, Navaid(0, "OM")),
       "\tNavaid( " + kPos + " 120\n\t\t90 0 ; heading, no frequency for marker\n"
       "\t\t4 2 1A; navaid type, class and flags\n\t\t\"OM\" )\n"},
      {"Navaid low half 0", Rec(0x10004, Navaid(0x00010000, "X")),
       "\tNavaid( " + kPos + " 120\n\t\t90 1.0000 ; heading, frequency\n"
       "\t\t4 2 1A; navaid type, class and flags\n\t\t\"X\" )\n"},
      {"SetupLoc", Rec(0x10005, Pos3().u32(kDeg90).i32(3).u32(2).i32(34)),
       "\tSetupLoc( " + kPos + " 120\n\t\t90 3 ; heading, type\n\t\tR 34 ) ; runway type, number\n"},
      {"ICAO_ID", Rec(0x10006, Bytes().text("KSEA", 8)), "\tICAO_ID( KSEA )\n"},
      {"BvLoc", Rec(0x10007, Pos3().u32(0x99).i32(7).i32(-8)),
       "\t; BvLoc( " + kPos + " 120 7 -8 ) ; not supported by SCASM\n"},
      {"WayptLoc", Rec(0x10008, Pos().u32(0xABCD).chars("ALPHA").u8(0)),
       "\t; WayptLoc( " + kPos + " 0000ABCD ALPHA ) ; not supported by SCASM\n"},
      {"GeopolLoc", Rec(0x1000A, Pos3().u32(0x99).i32(5)),
       "\t; GeopolLoc( " + kPos + " 120 5 ) ; not supported by SCASM\n"},
      {"AirwaySeg", Rec(0x11002, Bytes().text("V23", 8).i32(1).i32(2).i32(-3)),
       "\t; AirwaySeg( V23 1 2 -3 ) ; not available in SCASM\n"},
      {"BvStart", Rec(0x12002, Pos().i32(4).i32(5)), "\t; BvStart( " + kPos + " 4 5 ) ; not available in SCASM\n"},
      {"BvEnd", Rec(0x12003, Bytes()), "\t; BvEnd  ; not available in SCASM\n"},
      {"BvLineRhumb", Rec(0x12005, Pos()), "\t; BvLineRhumb( " + kPos + " ) ; not available in SCASM\n"},
      {"GeoVertex south west", Rec(0x13001, Bytes().u64(kLat45S).u64(kLon45W)),
       "\t; GeoVertex(  S45:00:00.00  W045:00:00.00 ) ; not available in SCASM\n"},
      {"Frequency", Rec(0x20001, Bytes().u32(0x01185000).i32(-2)), "\tFrequency( 118.5000 -2 )\n"},
      {"negative altitude", Rec(0x10001, Pos().u64(~(uint64_t{12} << 32) + 1)),
       "\tAPLocation( " + kPos + " -12 )\n"},
      {"0x10009", Rec(0x10009, Pos3()), "; Error: unknown object in container\n"},
      {"unknown", Rec(0x77777, Bytes()), "; Error: unknown object in container\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RecordLines(c.record), c.text);
  }
}

TEST(AirportRecords, DesignatorLetters) {
  const char* const letters[] = {"N", "L", "R", "C", "H", " ", " "};
  const uint32_t codes[] = {0, 1, 2, 3, 4, 5, 0xFFFFFFFF};
  for (size_t i = 0; i < 7; ++i) {
    SCOPED_TRACE(codes[i]);
    EXPECT_EQ(RecordLines(Rec(0x10005, Pos3().u32(0).i32(0).u32(codes[i]).i32(9))),
              "\tSetupLoc( " + kPos + " 120\n\t\t0 0 ; heading, type\n\t\t" + letters[i] +
                  " 9 ) ; runway type, number\n");
    const std::string runway = RecordLines(Rec(0x10002, Runway(codes[i], 52)));
    EXPECT_NE(runway.find(std::string("\t\t") + letters[i] + " 16 2 ) ;"), std::string::npos) << runway;
  }
}

TEST(AirportRecords, StructureUnknownOffsets) {
  // BvOrigin counts from the object list, the others from the file's start.
  // The second object starts at 0xB8, its records at 0xC8.
  const Bytes records = Cat({Rec(0x12003, Bytes()), Rec(0x12001, Bytes()), Rec(0x12004, Bytes()),
                             Rec(0x12006, Bytes()), Rec(0x12007, Bytes()), Rec(0x12008, Bytes())});
  const std::string text = AfdText(Cat({Container(6, Bytes()), Container(1, records), Bytes().u32(0)}));
  EXPECT_NE(text.find("Container( APT 2 )\n"
                      "\t; BvEnd  ; not available in SCASM\n"
                      "\t; BvOrigin() ; not available in SCASM\n"
                      "\t\t; structure unknown, offset 000028\n"
                      "\t; BvLineGC() ; not available in SCASM\n"
                      "\t\t; structure unknown, offset 0000D8\n"
                      "\t; BvArcCw() ; not available in SCASM\n"
                      "\t\t; structure unknown, offset 0000E0\n"
                      "\t; BvArcCcw() ; not available in SCASM\n"
                      "\t\t; structure unknown, offset 0000E8\n"
                      "\t; BvCircle() ; not available in SCASM\n"
                      "\t\t; structure unknown, offset 0000F0\n"
                      "EndC\n"),
            std::string::npos)
      << text;
}

// ---------------------------------------------------------------------------
// AI data

uint32_t Packed(uint32_t name, uint32_t number, uint32_t type) { return name | number << 7 | type << 20; }

TEST(AirportAiData, FourBlocksEndExactlyAtTheRecordEnd) {
  const Bytes data = Cat({
      Bytes().u32(2).u32(8).text("A", 8).chars("ABCDEFGH"),
      Bytes().u32(1).u32(12).i32(3).f32(1.5f).f32(-2.25f),
      Bytes().u32(1).u32(20).f32(1.5f).f32(-2.25f).f32(0.0f).u32(kDeg90).u32(Packed(1, 12, 1)),
      Bytes().u32(1).u32(32).i32(0).f32(10.0f).i32(1).i32(2).i32(3).i32(4).f32(0.5f).i32(-1),
  });
  EXPECT_EQ(RecordLines(Cat({Rec(0x11001, data), Rec(0x10006, Bytes().text("KSEA", 4).u32(0))})),
            "\tAI_DataStart ; new in FS2002\n"
            "\t\tTaxiwayNames(\n\t\t\t\"A\"\n\t\t\t\"ABCDEFGH\"\n\t\t)\n"
            "\t\tTaxiwayPoints(\n\t\t\t3 1.500 -2.250\n\t\t)\n"
            "\t\tPositions(\n\t\t\t1.500 -2.250 0.000 90.000 P   12 RGA  \n\t\t)\n"
            "\t\tTaxiwayPath(\n\t\t\t0 10.000 1 2 3 4 0.500 -1\n\t\t)\n"
            "\tAI_DataEnd\n"
            "\tICAO_ID( KSEA )\n");
}

TEST(AirportAiData, ParkingCells) {
  struct Case {
    uint32_t packed;
    std::string tail;
  };
  const std::vector<Case> cases = {
      {Packed(0, 0, 0), "    0      "},
      {Packed(1, 12, 1), "P   12 RGA  "},
      {Packed(10, 5, 8), "G   5 GS   "},
      {Packed(12, 0, 7), "GA  0 RMCO "},
      {Packed(37, 8191, 11), "GZ  8191 DGA  "},
      // Outside the tables: the packed word in hexadecimal.
      {Packed(38, 0, 0), "    0x26"},
      {Packed(0, 0, 12), "0xc00000"},
      {0xFFFFFFFF, "0xffffffff"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.packed);
    const Bytes block = Bytes().u32(1).u32(20).f32(0).f32(0).f32(0).u32(0).u32(c.packed);
    EXPECT_EQ(RecordLines(Rec(0x11001, block)), "\tAI_DataStart ; new in FS2002\n\t\tPositions(\n\t\t\t"
                                                "0.000 0.000 0.000 0.000 " +
                                                    c.tail + "\n\t\t)\n\tAI_DataEnd\n");
  }
}

TEST(AirportAiData, UnknownElementSizePassesOnlyItsHead) {
  // The 16 at the second head is not passed over as elements: the next 8
  // bytes are read as the next head.
  const Bytes data = Cat({Bytes().u32(2).u32(16), Bytes().u32(0).u32(12), Bytes().u32(1).u32(8).text("B", 8)});
  EXPECT_EQ(RecordLines(Rec(0x11001, data)),
            "\tAI_DataStart ; new in FS2002\n\t\tTaxiwayPoints(\n\t\t)\n"
            "\t\tTaxiwayNames(\n\t\t\t\"B\"\n\t\t)\n\tAI_DataEnd\n");
  EXPECT_EQ(RecordLines(Rec(0x11001, Bytes())), "\tAI_DataStart ; new in FS2002\n\tAI_DataEnd\n");
}

// ---------------------------------------------------------------------------
// Containers

TEST(AirportContainers, TopLevelLinesNumberEveryObject) {
  std::vector<Bytes> objects;
  for (uint32_t type = 1; type <= 10; ++type) {
    objects.push_back(Container(type, type == 4 ? Rec(0x10006, Bytes().text("ATC1", 8)) : Bytes()));
  }
  Bytes list;
  for (const Bytes& o : objects) list.append(o);
  list.u32(0);
  const char* const lines[] = {
      "Container( APT 1 )\nEndC\n",
      "Container( VOR 2 )\nEndC\n",
      "Container( NDB 3 )\nEndC\n",
      "; Container( ATC ) not supported by SCASM\n\tICAO_ID( ATC1 )\n",
      "; Container( BV ) not supported by SCASM\n",
      "; Container( GENERIC ) not supported by SCASM\n",
      "; Container( VICTOR ) not supported by SCASM\n",
      "; Container( JET ) not supported by SCASM\n",
      "; Container( GEOPOL ) not supported by SCASM\n",
      nullptr,  // the unknown type prints the object's file offset
  };
  std::string expected;
  uint32_t at = kFirstObject;
  for (int i = 0; i < 10; ++i) {
    const uint32_t size = static_cast<uint32_t>(objects[static_cast<size_t>(i)].size());
    expected += ObjectHead(i + 1, at, size);
    expected += lines[i] != nullptr ? lines[i] : "; unknown type of container " + std::to_string(at) + "\n";
    at += size;
  }
  expected += "\n; Namelists\n";
  EXPECT_EQ(AfdText(list), expected);
}

TEST(AirportContainers, NestedContainersHaveNoClosingLine) {
  const Bytes inner = Container(2, Rec(0x20001, Bytes().u32(0x01135000).i32(1)));
  const Bytes records = Cat({Rec(0x10006, Bytes().text("KSEA", 8)), Container(5, inner), Container(12, Bytes()),
                             Rec(0x12003, Bytes())});
  const uint32_t unknownAt = kFirstObject + 16 + 16 + static_cast<uint32_t>(16 + inner.size());
  EXPECT_EQ(RecordLines(records),
            "\tICAO_ID( KSEA )\n"
            "\t; Container( BV ) not supported by SCASM\n"
            "\t; Container( VOR ) ; container in container\n"
            "\tFrequency( 113.5000 1 )\n"
            "; unknown type of container " +
                std::to_string(unknownAt) +
                "\n"
                "\t; BvEnd  ; not available in SCASM\n");
}

TEST(AirportContainers, WhereTheListEnds) {
  // The name-list code ends the list quietly, any other code with an error;
  // the name lists follow in both cases.
  EXPECT_EQ(AfdText(Bytes().u32(0x30001).u32(0)), "\n; Namelists\n");
  EXPECT_EQ(AfdText(Cat({Container(3, Bytes()), Bytes().u32(2)})),
            ObjectHead(1, kFirstObject, 16) + "Container( NDB 1 )\nEndC\n" +
                "; Error: unexpected code at start of container\n\n; Namelists\n");
  // A 0 inside a container ends its records.
  EXPECT_EQ(RecordLines(Cat({Bytes().u32(0).u32(0), Rec(0x10006, Bytes().text("NO", 4))})), "");
}

TEST(AirportContainers, DeepNestingNeedsNoDeepStack) {
  // Each level holds the next: 100000 heads of 16 bytes.
  constexpr uint32_t kDepth = 100000;
  Bytes list;
  for (uint32_t k = 0; k < kDepth; ++k) list.u32(1).u32(8 + 16 * (kDepth - 1 - k)).u32(1).u32(0);
  list.u32(0);
  const std::string text = AfdText(list);
  const std::string nested = "\t; Container( APT ) ; container in container\n";
  size_t count = 0;
  for (size_t at = text.find(nested); at != std::string::npos; at = text.find(nested, at + nested.size())) ++count;
  EXPECT_EQ(count, kDepth - 1);
  EXPECT_NE(text.find("Container( APT 1 )\n"), std::string::npos);
  const std::string tail = "EndC\n\n; Namelists\n";
  ASSERT_GT(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

// ---------------------------------------------------------------------------
// Border record and name lists

Bytes Border(int32_t lat1, int32_t lat2, int32_t lon1, int32_t lon2) {
  return Bytes().u32(0).u32(0).u32(0x2000033F).i32(lat1).i32(lat2).i32(lon1).i32(lon2);
}

TEST(AirportSection, WholeSectionText) {
  const Bytes objects = Cat({Container(1, Rec(0x10006, Bytes().text("KSEA", 8))), Container(2, Bytes()),
                             Container(3, Bytes()), Bytes().u32(0)});
  // Objects at 0xA8 (32 bytes), 0xC8 and 0xD8.
  const Bytes lists = Cat({
      NameList(0x409, Cat({
                          Entry(0x10001, 0xC8, "North (West)"),
                          Entry(0x20001, 0, "USA"),
                          Entry(0x30001, 0, "Washington"),
                          Entry(0x40001, 0, "Seattle"),
                          Entry(0x50001, 0xA8, "Seattle-Tacoma (Intl)"),
                          Entry(0x50003, 0xC8, "SEA"),
                          Entry(0x50004, 0xD8, "NDB 3"),
                          Entry(0x50005, 0xD8, "Center"),
                          Entry(0x50001, 0, "no reference"),
                          Entry(0x50001, 0xC9, "no such object"),
                          Entry(0x50002, 0xA8, "type 50002"),
                          Entry(0x50001, 0xD8, "odd code", 0x30003),
                      })),
      NameList(0x12345, Bytes()),
      Border(5000875, -5000875, 0x40000000, -0x20000000),
  });
  const std::string expected =
      "AI_Border(  N45:00:00.00 S45:00:00.00 E090:00:00.00 W045:00:00.00 ) ; new in FS2002\n" +
      ObjectHead(1, 0xA8, 32) + "Container( APT 1 )\n\tICAO_ID( KSEA )\nEndC\n" + ObjectHead(2, 0xC8, 16) +
      "Container( VOR 2 )\nEndC\n" + ObjectHead(3, 0xD8, 16) + "Container( NDB 3 )\nEndC\n" +
      "\n; Namelists\n"
      "Namelist( 0409 ) ; language\n"
      "\tNameEntry( REGION 0 \"North {West}\" )\n"
      "\tNameEntry( COUNTRY 0 \"USA\" )\n"
      "\tNameEntry( STATE 0 \"Washington\" )\n"
      "\tNameEntry( CITY 0 \"Seattle\" )\n"
      "\tNameEntry( AIRPORT 1 \"Seattle-Tacoma {Intl}\" )\n"
      "\tNameEntry( VOR 2 \"SEA\" )\n"
      "\tNameEntry( NDB 3 \"NDB 3\" )\n"
      "\t; NameEntry( ATC 3 \"Center\" ) ; not available in SCASM\n"
      "\tNameEntry( AIRPORT 1 \"no reference\" )\n"
      "\tNameEntry( AIRPORT 1 \"no such object\" )\n"
      ";\tError: unexpected name type in namelist\n"
      "; Error: unknown object in namelist\n"
      "\tNameEntry( AIRPORT 3 \"odd code\" )\n"
      "EndNL\n"
      "Namelist( 12345 ) ; language\n"
      "EndNL\n";
  const std::vector<uint8_t> file = AfdFile(objects, lists);
  const AfdRun run = Disasm(file);
  EXPECT_EQ(run.afd, expected);
  // The section's own text starts with a blank line and its heading.
  EXPECT_NE(run.output.find(")\nmifend\n\n" + kSep + "; AFD Section\n" + kSep + "AI_Border("), std::string::npos);
  // The document writes the section's summary lines; the section adds none.
  ASSERT_EQ(run.summary.size(), 5u);
  EXPECT_EQ(run.summary[4], Format("   Name Lists at %.5X", kFirstObject + static_cast<uint32_t>(objects.size())));
  EXPECT_TRUE(run.messages.empty());

  // A second run numbers the objects from 1 again.
  FakeHost host;
  CSkarnDoc doc(host);
  doc.OpenImage(file, "afd.bgl");
  Disassemble(doc);
  const std::string first = host.output;
  Disassemble(doc);
  EXPECT_EQ(host.output, first);
}

TEST(AirportSection, BorderRecordPlacement) {
  const Bytes objects = Cat({Container(1, Bytes()), Bytes().u32(0)});
  const std::string objectText = ObjectHead(1, kFirstObject, 16) + "Container( APT 1 )\nEndC\n\n; Namelists\n";
  const std::string border = "AI_Border(  N45:00:00.00 N45:00:00.00 E090:00:00.00 E090:00:00.00 ) ; new in FS2002\n";
  const Bytes b = Border(5000875, 5000875, 0x40000000, 0x40000000);
  // An empty area: the border record stands 8 bytes after its 0.
  EXPECT_EQ(AfdText(objects, b), border + objectText);
  // No border code there: no border line.
  EXPECT_EQ(AfdText(objects, Bytes().u32(0).u32(0).u32(0x2000033E).zeros(16)), objectText);
  // An unexpected code: reported by both walks; the border is looked for 8
  // bytes after it.
  EXPECT_EQ(AfdText(objects, Cat({Bytes().u32(0x30002).u32(0).u32(0x2000033F).zeros(16)})),
            "; Error: unexpected code at start of namelist\n"
            "AI_Border(  S00:00:00.00 S00:00:00.00 W000:00:00.00 W000:00:00.00 ) ; new in FS2002\n" +
                objectText + "; Error: unexpected code at start of namelist\n");
}

TEST(AirportSection, NameListOffsetsOutsideTheArea) {
  const Bytes objects = Cat({Container(1, Bytes()), Bytes().u32(0)});
  const std::string objectText = ObjectHead(1, kFirstObject, 16) + "Container( APT 1 )\nEndC\n\n; Namelists\n";
  // No name lists at all (offset 0): not the file header read as a list.
  BglBuilder none;
  none.Extended().Vis(1).Set(0x02, 3, 2);  // the header starts like a name list
  none.Section(kObjectListField, objects);
  EXPECT_EQ(Disasm(none.Build()).afd, objectText);
  // An offset past the file.
  BglBuilder outside;
  outside.Extended().Set(kNameListsField, 0x7FFFFFFF, 4);
  outside.Section(kObjectListField, objects);
  EXPECT_EQ(Disasm(outside.Build()).afd, objectText + "; Error: name lists offset 7FFFFFFF lies outside the file\n");
}

// ---------------------------------------------------------------------------
// Hostile lengths and offsets: an error line, and the file still ends

TEST(AirportHostile, ObjectListLengths) {
  struct Case {
    const char* name;
    Bytes objects;
    std::string afd;
  };
  const std::vector<Case> cases = {
      {"no closing 0", Container(1, Bytes()),
       ObjectHead(1, 0xA8, 16) + "Container( APT 1 )\nEndC\n" +
           "; Error: object list runs past the end of the file at file offset 0000B8\n\n; Namelists\n"},
      {"length past the file", Bytes().u32(1).u32(1000).u32(1).u32(0).u32(0),
       "; Error: object at file offset 0000A8 runs past the end of the file\n\n; Namelists\n"},
      {"length -8", Bytes().u32(1).u32(0xFFFFFFF8).u32(1).u32(0).u32(0),
       "; Error: object at file offset 0000A8 runs past the end of the file\n\n; Namelists\n"},
      {"head cut", Bytes().u32(1).u32(0),
       "; Error: object at file offset 0000A8 runs past the end of the file\n\n; Namelists\n"},
      // Length 0: the object is its 8-byte head; its type is the next word.
      {"length 0", Bytes().u32(1).u32(0).u32(1).u32(0).u32(0),
       ObjectHead(1, 0xA8, 8) + "Container( APT 1 )\nEndC\n" + ObjectHead(2, 0xB0, 8) +
           "; unknown type of container 176\n\n; Namelists\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AfdRun run = Disasm(AfdFile(c.objects));
    EXPECT_EQ(run.afd, c.afd);
    EXPECT_TRUE(run.messages.empty());
  }
}

TEST(AirportHostile, RecordLengths) {
  struct Case {
    const char* name;
    Bytes records;
    std::string lines;
  };
  const std::string pastContainer = "; Error: record at file offset 0000B8 runs past the end of its container\n";
  const std::vector<Case> cases = {
      {"length past the container", Cat({Rec(0x10006, Bytes().text("A", 4)).patch(4, 100, 4)}), pastContainer},
      {"length -1", Cat({Rec(0x10006, Bytes().text("A", 4)).patch(4, 0xFFFFFFFF, 4)}), pastContainer},
      {"head straddles the end", Bytes().u32(0x10006), pastContainer},
      {"a 0 straddles the end", Bytes().u32(0), ""},
      // A nested container longer than its parent.
      {"nested past the container", Bytes().u32(1).u32(64).u32(1).u32(0), pastContainer},
      {"nested record past the nested container",
       Container(2, Rec(0x10006, Bytes().text("A", 4))).patch(4, 12, 4),
       "\t; Container( VOR ) ; container in container\n"
       "; Error: record at file offset 0000C8 runs past the end of its container\n"
       // The parent goes on at the nested container's end, inside its record.
       "; Error: record at file offset 0000CC runs past the end of its container\n"},
      {"AI block count", Rec(0x11001, Bytes().u32(3).u32(8).text("A", 8).text("B", 8)),
       "\tAI_DataStart ; new in FS2002\n"
       "; Error: AI data block at file offset 0000C0 runs past the end of its record\n\tAI_DataEnd\n"},
      {"AI block head cut", Rec(0x11001, Bytes().u32(0).u32(8).u32(1)),
       "\tAI_DataStart ; new in FS2002\n\t\tTaxiwayNames(\n\t\t)\n"
       "; Error: AI data block at file offset 0000C8 runs past the end of its record\n\tAI_DataEnd\n"},
      {"AI huge count", Rec(0x11001, Bytes().u32(0xFFFFFFFF).u32(32)),
       "\tAI_DataStart ; new in FS2002\n"
       "; Error: AI data block at file offset 0000C0 runs past the end of its record\n\tAI_DataEnd\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A second object follows: the error ends only the walk it was met in.
    const AfdRun run = Disasm(AfdFile(Cat({Container(1, c.records), Container(2, Bytes()), Bytes().u32(0)})));
    const std::string head = ObjectHead(1, 0xA8, static_cast<uint32_t>(16 + c.records.size()));
    EXPECT_EQ(run.afd, head + "Container( APT 1 )\n" + c.lines + "EndC\n" +
                           ObjectHead(2, static_cast<uint32_t>(0xA8 + 16 + c.records.size()), 16) +
                           "Container( VOR 2 )\nEndC\n\n; Namelists\n");
  }
}

TEST(AirportHostile, FieldsPastTheEndOfTheFile) {
  // The last bytes of the file: records whose fields (or text) the file cuts.
  const std::string error = "; Error: record at file offset 0000B8 runs past the end of the file\n";
  // An 8-byte location record: its position would lie past the file's end.
  EXPECT_EQ(Disasm(AfdFile(Cat({Container(1, Rec(0x10001, Bytes())), Bytes().u32(0)}))).afd,
            ObjectHead(1, 0xA8, 24) + "Container( APT 1 )\n" + error + "EndC\n\n; Namelists\n");
  // A text without its 0, in a list without its 0.
  EXPECT_EQ(Disasm(AfdFile(Container(1, Rec(0x10006, Bytes().chars("KSEA"))))).afd,
            ObjectHead(1, 0xA8, 28) + "Container( APT 1 )\n" + error + "EndC\n" +
                "; Error: object list runs past the end of the file at file offset 0000C4\n\n; Namelists\n");
  // A nested container whose type the file cuts.
  EXPECT_EQ(Disasm(AfdFile(Container(1, Bytes().u32(1).u32(0)))).afd,
            ObjectHead(1, 0xA8, 24) + "Container( APT 1 )\n" + error + "EndC\n" +
                "; Error: object list runs past the end of the file at file offset 0000C0\n\n; Namelists\n");
}

TEST(AirportHostile, NameListLengths) {
  const Bytes objects = Cat({Container(1, Bytes()), Bytes().u32(0)});
  const uint32_t area = kFirstObject + static_cast<uint32_t>(objects.size());
  const std::string before = ObjectHead(1, kFirstObject, 16) + "Container( APT 1 )\nEndC\n\n; Namelists\n";
  struct Case {
    const char* name;
    Bytes lists;
    std::string afd;
  };
  const std::vector<Case> cases = {
      {"no closing 0", NameList(9, Entry(0x50001, kFirstObject, "A")),
       "Namelist( 0009 ) ; language\n\tNameEntry( AIRPORT 1 \"A\" )\nEndNL\n" +
           Format("; Error: name lists run past the end of the file at file offset %.6X\n", area + 42)},
      {"list past the file", NameList(9, Bytes()).patch(4, 1000, 4).u32(0),
       Format("; Error: name list at file offset %.6X runs past the end of the file\n", area)},
      {"list length -8", NameList(9, Bytes()).patch(4, 0xFFFFFFF8, 4).u32(0),
       Format("; Error: name list at file offset %.6X runs past the end of the file\n", area)},
      {"entry past the list", Cat({NameList(9, Entry(0x50001, 0, "A").patch(4, 50, 4)), Bytes().u32(0)}),
       "Namelist( 0009 ) ; language\n" +
           Format("; Error: name entry at file offset %.6X runs past the end of its name list\n", area + 24) +
           "EndNL\n"},
      // Its type and name lie past its 8 bytes, in the next entry: read as
      // the file has them; the walk goes on 8 bytes further.
      {"entry of length 0", Cat({NameList(9, Cat({Bytes().u32(0x30002).u32(0), Entry(0x10001, 0, "R")})), Bytes().u32(0)}),
       "Namelist( 0009 ) ; language\n;\tError: unexpected name type in namelist\n"
       "\tNameEntry( REGION 0 \"R\" )\nEndNL\n"},
      {"entry name past the file", NameList(9, Bytes().u32(0x30002).u32(12).u32(0x10001).u32(0).chars("ABCD")),
       "Namelist( 0009 ) ; language\n" +
           Format("; Error: name entry at file offset %.6X runs past the end of the file\n", area + 24) +
           "EndNL\n" + Format("; Error: name lists run past the end of the file at file offset %.6X\n", area + 44)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AfdRun run = Disasm(AfdFile(objects, c.lists));
    EXPECT_EQ(run.afd, before + c.afd);
    EXPECT_TRUE(run.messages.empty());
  }
}

TEST(AirportHostile, DamagedFilesAlwaysEnd) {
  // A well-formed section with every kind of item, then damaged at random:
  // words overwritten with lengths and codes, and the file cut short. Every
  // run must end with the closing line (and read nothing outside the image).
  const Bytes ai = Cat({Bytes().u32(1).u32(8).text("A", 8), Bytes().u32(1).u32(12).zeros(12),
                        Bytes().u32(1).u32(20).zeros(16).u32(Packed(2, 3, 4)), Bytes().u32(1).u32(32).zeros(32)});
  const Bytes records = Cat({Rec(0x10001, Pos3()), Rec(0x10002, Runway(2, 60)), Rec(0x10004, Navaid(1, "N")),
                             Container(2, Cat({Rec(0x10006, Bytes().text("IC", 4)), Container(3, Bytes())})),
                             Rec(0x11001, ai), Rec(0x10008, Pos().u32(1).chars("W").u8(0)), Rec(0x12003, Bytes())});
  const Bytes objects = Cat({Container(1, records), Container(4, records), Bytes().u32(0)});
  const Bytes lists = Cat({NameList(9, Cat({Entry(0x50001, kFirstObject, "A (B)"), Entry(0x10001, 0, "R")})),
                           Border(1, 2, 3, 4)});
  const std::vector<uint8_t> good = AfdFile(objects, lists);
  const uint32_t values[] = {0, 1, 2, 4, 8, 12, 16, 20, 32, 60, 0x30001, 0x30002, 0x11001, 0x7FFFFFFF, 0xFFFFFFF8,
                             0xFFFFFFFF};
  std::mt19937 rng(12345);
  for (int i = 0; i < 1500; ++i) {
    std::vector<uint8_t> file = good;
    const int changes = 1 + static_cast<int>(rng() % 4);
    for (int k = 0; k < changes; ++k) {
      const size_t at = kFirstObject + rng() % (file.size() - kFirstObject - 4);
      const uint32_t v = rng() % 4 == 0 ? static_cast<uint32_t>(rng()) : values[rng() % std::size(values)];
      for (unsigned b = 0; b < 4; ++b) file[at + b] = static_cast<uint8_t>(v >> (8 * b));
    }
    if (rng() % 3 == 0) file.resize(kFirstObject + 4 + rng() % (file.size() - kFirstObject - 4));
    const AfdRun run = Disasm(file);
    ASSERT_NE(run.afd, "<no section text>") << "case " << i;
  }
}

}  // namespace
}  // namespace skarn::test
