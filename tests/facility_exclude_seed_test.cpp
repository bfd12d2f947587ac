// The old-style facilities (airport menu), the exclusion section and the
// synthetic scenery seed sections: summary lines, source text, and what a
// damaged file gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BglBuilder.h"
#include "FakeHost.h"
#include "TestUtil.h"
#include "core/Commands.h"
#include "core/SkarnDoc.h"

namespace skarn::test {
namespace {

constexpr size_t kFacilityField = 0x42;
constexpr int kFacilitySlot = 11;
constexpr size_t kExcludeField = 0x72;
constexpr int kExcludeSlot = 18;
constexpr size_t kSeed1Field = 0x1A;  // seed k at 0x1A + 4 (k - 1), slot k

// What one section gives: its summary lines (without the two header lines),
// the messages shown, and its source text (LF line ends).
struct Result {
  std::vector<std::string> summary;
  std::vector<std::string> messages;     // while summarising
  std::string source;
  std::string name;
};

Result RunSection(size_t headerField, int slot, const Bytes& body) {
  BglBuilder b;
  b.Section(headerField, body);
  const SectionSource run = WriteSectionSource(b.Build(), slot, "test.bgl");
  Result r;
  if (!run.opened) return r;
  r.summary = SectionLines(run.summary);
  r.messages = run.openMessages;
  r.source = run.source;
  r.name = run.name;
  return r;
}

using Lines = std::vector<std::string>;

// ===========================================================================
// Old-style facilities

// A region record: id, length (natural length when -1000), airport list
// offset, name and its terminating 0.
Bytes Region(const std::string& name, int32_t list, int length = -1000, uint8_t id = 1) {
  const int natural = static_cast<int>(8 + name.size());
  return Bytes{}.u8(id).i16(length == -1000 ? natural : length).i32(list).chars(name).u8(0);
}

struct Airport {
  int32_t lat = 0;  // 1/128 m
  int32_t lon = 0;  // 2^32 to the circle
  int32_t alt = 0;  // 1/256 m
  uint16_t angle1 = 0;
  uint16_t freq1 = 0;  // packed decimal: 0x1350 is 113.50
  uint16_t freq2 = 0;
  uint16_t angle2 = 0;
  uint16_t freq3 = 0;
  uint16_t angle3 = 0;
  std::string name = "X";
  int length = -1000;  // natural length when -1000
  uint8_t id = 3;
  int padding = 0;  // bytes after the name, counted in the natural length
};

Bytes AirportRecord(const Airport& a) {
  const int natural = static_cast<int>(28 + a.name.size()) + a.padding;
  Bytes b;
  b.u8(a.id).i16(a.length == -1000 ? natural : a.length).i32(a.lat).i32(a.lon).i32(a.alt).u16(a.angle1);
  b.u16(a.freq1).u16(a.freq2).u16(a.angle2).u16(a.freq3).u16(a.angle3).chars(a.name).u8(0);
  return b.zeros(static_cast<size_t>(a.padding));
}

// A section with the regions' table, its 0, then each region's airport list
// with its 0.
Bytes FacilityBody(const std::vector<std::pair<std::string, std::vector<Airport>>>& regions) {
  uint32_t at = 1;
  for (const auto& r : regions) at += static_cast<uint32_t>(8 + r.first.size());
  Bytes table;
  Bytes lists;
  for (const auto& r : regions) {
    table.append(Region(r.first, static_cast<int32_t>(at)));
    Bytes list;
    for (const Airport& a : r.second) list.append(AirportRecord(a));
    list.u8(0);
    lists.append(list);
    at += static_cast<uint32_t>(list.size());
  }
  return table.u8(0).append(lists);
}

const std::string kFacilityHead = "\n" + kSep + "; Facilities section (old style)\n" + kSep;

Result RunFacility(const Bytes& body) { return RunSection(kFacilityField, kFacilitySlot, body); }

TEST(FacilitySection, RegionsAndAirportsGolden) {
  Airport a;
  a.lat = 640112000;  // 45 degrees in 1/128 m
  a.lon = 0x20000000;
  a.alt = 1234 * 256;
  a.angle1 = 0x4000;
  a.freq1 = 0x1350;
  a.freq2 = 0x1800;
  a.angle2 = 0x8000;
  a.freq3 = 0x2150;
  a.angle3 = 0xC000;
  a.name = "My Field (Old)  ";
  a.padding = 3;  // the next record starts where the length says
  Airport b;
  b.lat = 0x7FFFFFFF;  // above 90 degrees: folded to the south
  b.lon = -0x40000000;
  b.alt = -5 * 256 + 128;  // -4.5: the even neighbour
  b.angle1 = 0;
  b.freq1 = 0x2005;
  b.freq2 = 0x1999;
  b.angle2 = 0xFFFF;  // 359.99
  b.freq3 = 0x0000;
  b.angle3 = 0x0001;
  b.name = "B";
  const Result r = RunFacility(FacilityBody({{"North East (A)", {a, b}}, {"South", {}}}));

  EXPECT_EQ(r.name, "FAC");
  EXPECT_EQ(r.summary, (Lines{"Facilities section (old style):", "   Region North East (A): 2 entries",
                              "   Region South: 0 entries"}));
  EXPECT_TRUE(r.messages.empty());
  EXPECT_EQ(r.source, kFacilityHead +
                          "Menu( North_East_{A} )\n"
                          "\tMenuEntry(  N45:00:00.00  E045:00:00.00 1234 90\n"
                          "\t 113.50   118.00  180  121.50  270\n"
                          "\tMy_Field_{Old} )\n"
                          "\tMenuEntry(  S29:01:53.31  W090:00:00.00 -4 0\n"
                          "\t 120.05   119.99  360  100.00  0\n"
                          "\tB )\n"
                          "Menu( South )\n");
}

TEST(FacilitySection, EmptyRegionList) {
  const Result r = RunFacility(Bytes{0});
  EXPECT_EQ(r.summary, Lines{"Facilities section (old style):"});
  EXPECT_EQ(r.source, kFacilityHead);
}

TEST(FacilitySection, UnknownIdentifiersEndTheirListInTheSourceOnly) {
  Airport good;
  Airport bad;
  bad.id = 2;
  // Region table 0x24 bytes; the lists: One at 0x24, Two at 0x42.
  Bytes body = FacilityBody({{"One", {good}}, {"Two", {bad, good}}, {"Three", {good}}});
  const Result r = RunFacility(body);
  // The summary counts records whatever their identifier.
  EXPECT_EQ(r.summary, (Lines{"Facilities section (old style):", "   Region One: 1 entries",
                              "   Region Two: 2 entries", "   Region Three: 1 entries"}));
  EXPECT_TRUE(r.messages.empty());
  const std::string entry =
      "\tMenuEntry(  S00:00:00.00  W000:00:00.00 0 0\n"
      "\t 100.00   100.00  0  100.00  0\n"
      "\tX )\n";
  EXPECT_EQ(r.source, kFacilityHead + "Menu( One )\n" + entry + "Menu( Two )\n" +
                          "; Error: unknown ID in Airport section at offset 42\n" + "Menu( Three )\n" + entry);

  // A region identifier other than 1 ends the region list.
  body.patch(11, 7, 1);  // the second region's identifier
  const Result r2 = RunFacility(body);
  EXPECT_EQ(r2.summary.size(), 4u);
  EXPECT_EQ(r2.source, kFacilityHead + "Menu( One )\n" + entry + "; Error: unknown ID in Menu section at offset B\n");
}

TEST(FacilitySection, RegionsMayShareAirportLists) {
  // One list of three airports at 0x20; the second region starts one record
  // into it, the third shares the first's start.
  Airport a;
  const uint32_t list = 0x20;
  Bytes body;
  body.append(Region("A", list)).append(Region("B", list + 29)).append(Region("C", list)).u8(0);
  body.zeros(list - body.size());
  body.append(AirportRecord(a)).append(AirportRecord(a)).append(AirportRecord(a)).u8(0);
  const Result r = RunFacility(body);
  EXPECT_EQ(r.summary, (Lines{"Facilities section (old style):", "   Region A: 3 entries", "   Region B: 2 entries",
                              "   Region C: 3 entries"}));
}

TEST(FacilitySection, BadRecordLengthsEndTheWalk) {
  Airport a;
  // A region length of 0: the region is written, then the walk ends.
  Bytes body = FacilityBody({{"One", {a}}, {"Two", {a}}});
  body.patch(1, 0, 2);
  Result r = RunFacility(body);
  EXPECT_EQ(r.summary, (Lines{"Facilities section (old style):", "   Region One: 1 entries"}));
  EXPECT_EQ(r.messages, Lines{"Error: bad record length 0 in Menu section at offset 0"});
  EXPECT_NE(r.source.find("\tX )\n; Error: bad record length 0 in Menu section at offset 0\n"), std::string::npos);
  EXPECT_EQ(r.source.find("Two"), std::string::npos);

  // A negative airport length: that list ends; in the source the next
  // region follows, the summary stops at the first fault.
  a.length = -1;
  body = FacilityBody({{"One", {a, a}}, {"Two", {}}});
  r = RunFacility(body);
  EXPECT_EQ(r.summary, (Lines{"Facilities section (old style):", "   Region One: 1 entries"}));
  EXPECT_EQ(r.messages, Lines{"Error: bad record length -1 in Airport section at offset 17"});
  EXPECT_EQ(r.source, kFacilityHead + "Menu( One )\n" +
                              "\tMenuEntry(  S00:00:00.00  W000:00:00.00 0 0\n"
                              "\t 100.00   100.00  0  100.00  0\n"
                              "\tX )\n"
                              "; Error: bad record length -1 in Airport section at offset 17\n"
                              "Menu( Two )\n");
}

TEST(FacilitySection, ListsThatRunOffTheFileEndWithAMessage) {
  struct Case {
    const char* what;
    Bytes body;
    std::string message;
  };
  Airport a;
  const std::vector<Case> cases = {
      // The region list has no terminating 0: the file ends where the next
      // region would start.
      {"no end of regions", Region("R", 9, 10).u8(0),
       "Error: Menu section at offset A runs past the end of the file"},
      // The region name has no 0 before the end of the file.
      {"name cut off", Bytes{}.u8(1).i16(20).i32(0).chars("Nam"),
       "Error: Menu section at offset 0 runs past the end of the file"},
      {"region cut off", Bytes{}.u8(1).i16(20), "Error: Menu section at offset 0 runs past the end of the file"},
      // Airport lists beyond the file, and before its start.
      {"list beyond the file", Region("R", 0x7FFFFFFF).u8(0),
       "Error: Airport section at offset 7FFFFFFF runs past the end of the file"},
      {"list before the file", Region("R", -0x1000).u8(0),
       "Error: Airport section at offset FFFFF000 runs past the end of the file"},
      // An airport list without its 0, and an airport cut off by the end.
      {"no end of airports", Region("R", 10).u8(0).append(AirportRecord(a)),
       "Error: Airport section at offset 27 runs past the end of the file"},
      {"airport cut off", Region("R", 10).u8(0).u8(3).i16(40).zeros(10),
       "Error: Airport section at offset A runs past the end of the file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Result r = RunFacility(c.body);
    EXPECT_EQ(r.messages, Lines{c.message});
    EXPECT_NE(r.source.find("; " + c.message + "\n"), std::string::npos) << r.source;
  }
}

TEST(FacilitySection, SharedAirportListsAreReadBoundedTimes) {
  // 60 regions on one list of 10 airports; the file has 128 + 832 = 960
  // bytes. The summary counts the shared list once. The source reads 3 per
  // record (the record and its two name bytes) and 1 for the list's 0: 34 a
  // region, so the 29th region ends after one airport.
  Bytes body;
  for (int i = 0; i < 60; ++i) body.append(Region("R", 541));
  body.u8(0);
  for (int i = 0; i < 10; ++i) body.append(AirportRecord(Airport{}));
  body.u8(0);
  const Result r = RunFacility(body);
  ASSERT_EQ(r.summary.size(), 61u);
  EXPECT_EQ(r.summary[60], "   Region R: 10 entries");
  EXPECT_TRUE(r.messages.empty());
  EXPECT_EQ(Count(r.source, "Menu( R )\n"), 29);
  EXPECT_EQ(Count(r.source, "\tMenuEntry( "), 28 * 10 + 1);
  EXPECT_TRUE(EndsWith(r.source,
                       "Menu( R )\n"
                       "\tMenuEntry(  S00:00:00.00  W000:00:00.00 0 0\n"
                       "\t 100.00   100.00  0  100.00  0\n"
                       "\tX )\n"
                       "; Error: Menu section lists are shared too often (more than 960 bytes read); "
                       "no more records are read\n"))
      << r.source.substr(r.source.size() - 300);
}

// ===========================================================================
// Exclusion section

Bytes Area(int16_t flags, int32_t lat1, int32_t lat2, int32_t lon1, int32_t lon2) {
  return Bytes{}.u8(3).i16(flags).i32(lat1).i32(lat2).i32(lon1).i32(lon2);
}
Bytes Object(int32_t lat, int32_t lon, uint8_t b9, uint8_t b10, uint8_t b11, uint8_t b12) {
  return Bytes{}.u8(4).i32(lat).i32(lon).u8(b9).u8(b10).u8(b11).u8(b12);
}

const std::string kExcludeHead = "\n" + kSep + "; Exclude section\n" + kSep;

Result RunExclude(const Bytes& body) { return RunSection(kExcludeField, kExcludeSlot, body); }

TEST(ExcludeSection, AreasAndObjectsGolden) {
  Bytes body;
  body.append(Area(0x0012, 5278700, 5000000, 0x20000000, -0x40000000));
  body.append(Object(11112500, 123456789, 0x05, 0x05, 0xAB, 0x00));
  body.append(Area(-0x8000, -3000000, 0, 0, 0x7FFFFFFF)).u8(0);
  const Result r = RunExclude(body);
  EXPECT_EQ(r.summary,
            (Lines{"Exclude section:",
                   "   Exclude area, Latitude  N44:59:31.65 to  N47:30:00.00, Longitude  W090:00:00.00 to  E045:00:00.00",
                   "   Exclude area, Latitude  S00:00:00.00 to  S26:59:43.00, Longitude  E180:00:00.00 to  W000:00:00.00",
                   "   1 excluded object(s)"}));
  EXPECT_TRUE(r.messages.empty());
  // Areas and objects share the numbering; latitudes are not folded.
  EXPECT_EQ(r.source, kExcludeHead +
                          "GenExcl( Gen_exc0.bgl 12\n"
                          "\t N47:30:00.00 N44:59:31.65 E045:00:00.00 W090:00:00.00\n"
                          "\t N47:30:00.00 N44:59:31.65 E045:00:00.00 W090:00:00.00 )\n"
                          "; Exclude Object instruction not supported by SCASM\n"
                          ";; ExcludeObject(  N99:59:42.00  E010:20:52.90 5 05 AB 00 )\n"
                          "GenExcl( Gen_exc2.bgl FFFF8000\n"
                          "\t S26:59:43.00 S00:00:00.00 W000:00:00.00 E180:00:00.00\n"
                          "\t S26:59:43.00 S00:00:00.00 W000:00:00.00 E180:00:00.00 )\n");
}

TEST(ExcludeSection, EmptyAndObjectOnlySections) {
  Result r = RunExclude(Bytes{0});
  EXPECT_EQ(r.summary, Lines{"Exclude section:"});
  EXPECT_EQ(r.source, kExcludeHead);

  r = RunExclude(Bytes{}.append(Object(0, 0, 0, 0, 0, 0)).append(Object(1, 1, 1, 1, 1, 1)).u8(0));
  EXPECT_EQ(r.summary, (Lines{"Exclude section:", "   2 excluded object(s)"}));
  EXPECT_EQ(r.source, kExcludeHead +
                          "; Exclude Object instruction not supported by SCASM\n"
                          ";; ExcludeObject(  S00:00:00.00  W000:00:00.00 0 00 00 00 )\n"
                          "; Exclude Object instruction not supported by SCASM\n"
                          ";; ExcludeObject(  N00:00:00.00  E000:00:00.00 1 01 01 01 )\n");
}

TEST(ExcludeSection, UnknownIdentifierEndsTheWalk) {
  // Object at 0, area at D, an unknown identifier at 20.
  const Bytes body = Bytes{}.append(Object(0, 0, 0, 0, 0, 0)).append(Area(0, 0, 0, 0, 0)).u8(9).zeros(20).u8(0);
  const Result r = RunExclude(body);
  // No count line after the error.
  ASSERT_EQ(r.summary.size(), 2u);
  EXPECT_EQ(r.summary[1].rfind("   Exclude area, ", 0), 0u);
  EXPECT_EQ(r.messages, Lines{"Error: unknown ID in Excl Section at 20"});
  EXPECT_NE(r.source.find("GenExcl( Gen_exc1.bgl 0\n"), std::string::npos);
  EXPECT_TRUE(EndsWith(r.source, "; Error: unknown ID in Excl Section at 20\n")) << r.source;
}

TEST(ExcludeSection, ListsThatRunOffTheFileEndWithAMessage) {
  struct Case {
    const char* what;
    Bytes body;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"no terminating 0", Object(0, 0, 0, 0, 0, 0), "Error: Excl Section at D runs past the end of the file"},
      {"area cut off", Bytes{}.append(Object(0, 0, 0, 0, 0, 0)).u8(3).zeros(10),
       "Error: Excl Section at D runs past the end of the file"},
      {"object cut off", Bytes{}.u8(4).zeros(11), "Error: Excl Section at 0 runs past the end of the file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Result r = RunExclude(c.body);
    EXPECT_EQ(r.messages, Lines{c.message});
    // The walk ended early: no count line.
    EXPECT_EQ(r.summary, Lines{"Exclude section:"});
    EXPECT_TRUE(EndsWith(r.source, "; " + c.message + "\n")) << r.source;
  }
}

// ===========================================================================
// Synthetic scenery seeds

struct Block {
  uint8_t v1 = 0;
  uint8_t v2 = 0;
  int16_t v3 = 0;
  int16_t v4 = 0;
};

Bytes BlockBytes(const Block& b) { return Bytes{}.u8(b.v1).u8(b.v2).i16(b.v3).u8(0xEE).i16(b.v4); }
Bytes Single(uint16_t column, const Block& b) { return Bytes{}.u8(4).u16(column).append(BlockBytes(b)); }
Bytes RunOf(uint16_t first, uint16_t last, const std::vector<Block>& blocks) {
  Bytes r = Bytes{}.u8(5).u16(first).u16(last);
  for (const Block& b : blocks) r.append(BlockBytes(b));
  return r;
}

// A row table (row number, column list bytes without their 0) followed by
// the lists, each with its 0.
Bytes SeedBody(const std::vector<std::pair<int16_t, Bytes>>& rows) {
  uint32_t at = static_cast<uint32_t>(7 * rows.size() + 1);
  Bytes table;
  Bytes lists;
  for (const auto& row : rows) {
    table.u8(0x16).i16(row.first).u32(at);
    Bytes l = row.second;
    l.u8(0);
    lists.append(l);
    at += static_cast<uint32_t>(l.size());
  }
  return table.u8(0).append(lists);
}

Result RunSeed(int k, const Bytes& body) {
  return RunSection(kSeed1Field + 4 * static_cast<size_t>(k - 1), k, body);
}

TEST(SeedSection, RowsAndBlocksGolden) {
  Bytes columns = Single(3, {0x01, 0x02, 0x1234, 77});
  columns.append(RunOf(7, 9, {{0xAA, 0x0B, -0x8000, -12}, {}, {0xFF, 0xFF, 0x7FFF, 1000}}));
  columns.append(Single(12345, {0x10, 0x20, -1, -32768}));
  const Result r = RunSeed(2, SeedBody({{5, columns}, {-6, Bytes{}}}));
  EXPECT_EQ(r.name, "Seed2");
  EXPECT_EQ(r.summary,
            (Lines{"Synthetic seeds size 2:", "   Row 5: Col. 3, 7 to 9, 12345", "   Row -6: Col. "}));
  EXPECT_TRUE(r.messages.empty());
  // The separator comes first, with no empty line before it.
  EXPECT_EQ(r.source, kSep +
                          "; Synthetic seeds size 2:\n"
                          "Synth 2 5\n"
                          "   Block    3 01 02 1234   77\n"
                          "; in the BGL file 3 banded blocks\n"
                          "   Block    7 AA 0B FFFF8000  -12\n"
                          "   Block    8 00 00 0000    0\n"
                          "   Block    9 FF FF 7FFF 1000\n"
                          "   Block 12345 10 20 FFFFFFFF -32768\n"
                          "\n"
                          "Synth 2 -6\n"
                          "\n");
}

TEST(SeedSection, SeedSizeFollowsTheHeaderField) {
  for (int k = 1; k <= 6; ++k) {
    SCOPED_TRACE(k);
    const Result r = RunSeed(k, SeedBody({{1, RunOf(4, 4, {{}})}}));
    EXPECT_EQ(r.name, "Seed" + std::to_string(k));
    EXPECT_EQ(r.summary, (Lines{"Synthetic seeds size " + std::to_string(k) + ":", "   Row 1: Col. 4 to 4"}));
    EXPECT_NE(r.source.find("Synth " + std::to_string(k) + " 1\n; in the BGL file 1 banded blocks\n"),
              std::string::npos);
  }
}

TEST(SeedSection, UnknownIdentifiers) {
  // Row 1's list: column 4 at 0x16, then an unknown identifier at 0x20.
  // Row 2's list: a one-column run. The third row record has id 0x17.
  Bytes body;
  body.u8(0x16).i16(1).u32(0x16).u8(0x16).i16(2).u32(0x22).u8(0x17).i16(3).u32(0).u8(0);
  body.append(Single(4, {})).u8(9).u8(0);
  body.append(RunOf(20, 20, {{1, 2, 3, 4}})).u8(0);
  const Result r = RunSeed(1, body);
  // The row with the bad column keeps its last comma and blank.
  EXPECT_EQ(r.summary, (Lines{"Synthetic seeds size 1:", "   Row 1: Col. 4, ", "   Row 2: Col. 20 to 20"}));
  EXPECT_EQ(r.messages, (Lines{"Error: unknown ID in seed section 1 at offset 20",
                               "Error: unknown ID in Seed Section 1, Latitude Band 2"}));
  // These two error lines carry no comment mark; the row with the bad
  // column has no empty line.
  EXPECT_EQ(r.source, kSep +
                          "; Synthetic seeds size 1:\n"
                          "Synth 1 1\n"
                          "   Block    4 00 00 0000    0\n"
                          "Error: unknown ID in seed section 1 at offset 20\n"
                          "Synth 1 2\n"
                          "; in the BGL file 1 banded blocks\n"
                          "   Block   20 01 02 0003    4\n"
                          "\n"
                          "Error: unknown ID in Seed Section 1, Latitude Band 2\n");
}

TEST(SeedSection, BadRunsAndOverrunsEndTheirWalk) {
  // A run that ends before it starts: that row ends, the next row follows.
  Bytes body = SeedBody({{1, Single(2, {}).append(RunOf(9, 5, {}))}, {2, Single(6, {})}});
  Result r = RunSeed(3, body);
  EXPECT_EQ(r.summary, (Lines{"Synthetic seeds size 3:", "   Row 1: Col. 2, ", "   Row 2: Col. 6"}));
  EXPECT_EQ(r.messages, Lines{"Error: bad column run 9 to 5 in seed section 3 at offset 19"});
  EXPECT_EQ(r.source, kSep +
                          "; Synthetic seeds size 3:\n"
                          "Synth 3 1\n"
                          "   Block    2 00 00 0000    0\n"
                          "; Error: bad column run 9 to 5 in seed section 3 at offset 19\n"
                          "Synth 3 2\n"
                          "   Block    6 00 00 0000    0\n"
                          "\n");

  struct Case {
    const char* what;
    Bytes body;
    std::string message;
    std::string summaryRow;  // empty: no row line
  };
  const std::vector<Case> cases = {
      // The run claims 65536 blocks; the file ends long before.
      {"run past the end", SeedBody({{1, Single(2, {}).append(RunOf(0, 0xFFFF, {{}}))}}),
       "Error: seed section 4 at offset 12 runs past the end of the file", "   Row 1: Col. 2, "},
      {"column list beyond the file", Bytes{}.u8(0x16).i16(1).u32(0xFFFFFFFF).u8(0),
       "Error: seed section 4 at offset FFFFFFFF runs past the end of the file", "   Row 1: Col. "},
      {"column list without its 0", Bytes{}.u8(0x16).i16(1).u32(8).u8(0).append(Single(2, {})),
       "Error: seed section 4 at offset 12 runs past the end of the file", "   Row 1: Col. 2, "},
      {"row table without its 0", Bytes{}.u8(0x16).i16(1).u32(7),
       "Error: Seed Section 4, Latitude Band 1 runs past the end of the file", "   Row 1: Col. "},
      {"row cut off", Bytes{}.u8(0x16).i16(1),
       "Error: Seed Section 4, Latitude Band 0 runs past the end of the file", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    r = RunSeed(4, c.body);
    EXPECT_EQ(r.messages.back(), c.message);
    if (!c.summaryRow.empty()) {
      ASSERT_EQ(r.summary.size(), 2u);
      EXPECT_EQ(r.summary[1], c.summaryRow);
    }
    EXPECT_NE(r.source.find("; " + c.message + "\n"), std::string::npos) << r.source;
  }
}

TEST(SeedSection, SharedColumnListsAreReadBoundedTimes) {
  // 50 rows on one list of 30 single columns; the file has 128 + 652 = 780
  // bytes and each row reads 31 records (its final 0 too): 25 rows in full,
  // the 26th ends after five columns, with the error in place of its end.
  Bytes columns;
  for (uint16_t c = 0; c < 30; ++c) columns.append(Single(c, {}));
  Bytes body;
  for (int i = 0; i < 50; ++i) body.u8(0x16).i16(static_cast<int16_t>(i)).u32(351);
  body.u8(0).append(columns).u8(0);
  const Result r = RunSeed(1, body);
  const std::string error =
      "Error: seed section 1 lists are shared too often (more than 780 records read); no more records are read";
  EXPECT_EQ(r.messages, Lines{error});
  ASSERT_EQ(r.summary.size(), 27u);
  EXPECT_TRUE(EndsWith(r.summary[25], " 27, 28, 29")) << r.summary[25];
  EXPECT_EQ(r.summary[26], "   Row 25: Col. 0, 1, 2, 3, 4, ");
  EXPECT_EQ(Count(r.source, "Synth 1 "), 26);
  EXPECT_EQ(Count(r.source, "   Block "), 25 * 30 + 5);
  EXPECT_TRUE(EndsWith(r.source, "Synth 1 25\n"
                                 "   Block    0 00 00 0000    0\n"
                                 "   Block    1 00 00 0000    0\n"
                                 "   Block    2 00 00 0000    0\n"
                                 "   Block    3 00 00 0000    0\n"
                                 "   Block    4 00 00 0000    0\n"
                                 "; " + error + "\n"));
}

// ===========================================================================
// Damaged files of every shape: each walk ends, every read stays inside the
// file (the sanitizers watch), and every problem is reported as an error.

TEST(FacilityExcludeSeed, RandomBytesNeverCrashOrHang) {
  // The identifiers, small lengths and offsets these sections use, so that
  // random records chain into each other often.
  const uint8_t pool[] = {0, 0, 1, 3, 4, 5, 0x16, 2, 7, 9, 10, 13, 0xFF, 0x80};
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1103515245u + 12345u;
    return state >> 16;
  };
  const std::vector<std::pair<size_t, int>> kinds = {
      {kFacilityField, kFacilitySlot}, {kExcludeField, kExcludeSlot}, {kSeed1Field + 8, 3}};
  for (int round = 0; round < 600; ++round) {
    Bytes body;
    const unsigned length = 1 + next() % 80;
    for (unsigned i = 0; i < length; ++i) {
      body.u8(next() % 4 == 0 ? next() & 0xFF : pool[next() % sizeof pool]);
    }
    for (const auto& kind : kinds) {
      const Result r = RunSection(kind.first, kind.second, body);
      for (const std::string& m : r.messages) EXPECT_EQ(m.rfind("Error: ", 0), 0u) << m;
      EXPECT_LE(r.messages.size(), 80u);
    }
  }
}

// ===========================================================================
// The three together in one disassembly, in slot order.

TEST(FacilityExcludeSeed, SlotOrderInTheSource) {
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  b.Section(kExcludeField, Bytes{0});
  b.Section(kFacilityField, Bytes{0});
  b.Section(kSeed1Field + 4 * 4, Bytes{0});
  b.Section(kSeed1Field, Bytes{0});
  ASSERT_TRUE(doc.OpenImage(b.Build(), "order.bgl"));
  EXPECT_EQ(std::vector<std::string>(doc.summary().begin() + 2, doc.summary().end()),
            (Lines{"Synthetic seeds size 1:", "Synthetic seeds size 5:", "Facilities section (old style):",
                   "Exclude section:"}));
  ASSERT_EQ(Disassemble(doc), CommandResult::kWritten);
  const std::string out = UnixText(host.output);
  const size_t seed1 = out.find("; Synthetic seeds size 1:\n");
  const size_t seed5 = out.find("; Synthetic seeds size 5:\n");
  const size_t fac = out.find("; Facilities section (old style)\n");
  const size_t excl = out.find("; Exclude section\n");
  ASSERT_NE(excl, std::string::npos);
  EXPECT_LT(seed1, seed5);
  EXPECT_LT(seed5, fac);
  EXPECT_LT(fac, excl);
}

}  // namespace
}  // namespace skarn::test
