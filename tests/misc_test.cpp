// The miscellaneous section: markers, land-me points, time zones, areas of
// scenery commands and flatten polygons, in the summary and in the source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "FakeHost.h"
#include "ProcHarness.h"
#include "TestUtil.h"
#include "core/Format.h"
#include "core/SkarnDoc.h"

namespace skarn::test {
namespace {

constexpr uint32_t kMiscField = 0x66;  // header field of the section offset
constexpr int kMiscSlot = 16;

// Position values whose texts are exact (checked by hand).
constexpr uint32_t kLat3_6 = 200035;                  // 3.6 degrees: " N03:36:00.00"
constexpr uint32_t kLat7_2 = 400070;                  // " N07:12:00.00"
constexpr uint32_t kLatMinus3_6 = 0x1000000 - 200035;  // " S03:36:00.00"
constexpr uint32_t kLon22_5 = 0x100000;               // " E022:30:00.00"
constexpr uint32_t kLon45 = 0x200000;                 // " E045:00:00.00"
constexpr uint32_t kLonMinus22_5 = 0xF00000;          // " W022:30:00.00"

// ---- record builders (little-endian, as stored) ----

Bytes Marker(uint8_t id, uint32_t lat, uint32_t lon, int16_t value, uint8_t heading) {
  Bytes b;
  b.u8(id).u8(0xEE);
  b.u24(lat);
  b.u24(lon);
  return b.i16(value).u8(heading);
}

struct Point {
  uint32_t lat;
  uint32_t lon;
  uint32_t elevation;  // 1/256 m
  uint8_t value;
};

// A land-me record of the given length (55 is the stored size; a longer one
// is padded with zero bytes).
Bytes LandMe(const Point& a, const Point& b, const std::string& name, uint8_t length = 55) {
  Bytes r;
  r.u8(7).u8(length);
  for (const Point* pt : {&a, &b}) {
    r.u24(pt->lat);
    r.u24(pt->lon);
    r.u24(pt->elevation);
  }
  r.u16(0xBEEF).text(name, 31).u8(a.value).u8(b.value);
  if (length > 55) r.zeros(length - 55u);
  return r;
}

Bytes TimeZone(int16_t v1, uint8_t v2, uint8_t v3, uint8_t length = 18) {
  Bytes r;
  r.u8(0x64).u8(length);
  r.u24(kLat3_6);
  r.u24(kLat7_2);
  r.u24(kLon22_5);
  r.u24(kLon45);
  r.i16(v1).u8(v2).u8(v3);
  if (length > 18) r.zeros(length - 18u);
  return r;
}

// An area of scenery commands; its length byte covers the header and code
// unless given.
Bytes CommandArea(const Bytes& code, int length = -1) {
  Bytes r;
  r.u8(0x65).u8(length < 0 ? static_cast<uint32_t>(14 + code.size()) : static_cast<uint32_t>(length));
  r.u24(kLat3_6);
  r.u24(kLat7_2);
  r.u24(kLon22_5);
  r.u24(kLon45);
  return r.append(code);
}

// A flatten polygon: identifier, unused byte, the low length word (the
// record's own size unless given), the high length word, type, vertex count,
// then the type's fields and the vertices.
Bytes Flatten(unsigned type, unsigned count, const Bytes& fields, const Bytes& vertices, unsigned highWord = 0,
              int lowWord = -1) {
  Bytes r;
  const auto size = static_cast<uint32_t>(10 + fields.size() + vertices.size());
  r.u8(0xE6).u8(0x77).u16(lowWord < 0 ? size : static_cast<uint32_t>(lowWord)).u16(highWord).u16(type).u16(count);
  return r.append(fields).append(vertices);
}

// Two vertices: (45, 22.5) and (157.5, -22.5), the second latitude beyond 90
// degrees (vertex latitudes are not folded).
Bytes Vertices8() { return Bytes{}.i32(0x20000000).i32(0x10000000).i32(0x70000000).i32(-0x10000000); }
Bytes Vertices12() {
  return Bytes{}.i32(0x20000000).i32(0x10000000).u32(0x00640000).i32(0x70000000).i32(-0x10000000).u32(0x00008000);
}
constexpr char kVertexLines[] =
    "\t\t N45:00:00.00  E022:30:00.00 ; vertex 1\n"
    "\t\t N157:30:00.00  W022:30:00.00 ; vertex 2\n";

// Altitudes in 16.16 metres.
constexpr uint32_t kAlt1_5 = 0x00018000;
constexpr uint32_t kAlt2_25 = 0x00024000;
constexpr uint32_t kAlt100 = 0x00640000;

// A section with one band per record list; band i spans latitudes 100 i to
// 100 i + 100 (512 m units), and each list gets its terminating 0.
Bytes Section(const std::vector<std::vector<Bytes>>& bands) { return BandedSection(bands, 0, 100, 100); }

struct MiscRun {
  std::vector<std::string> summary;  // from "Miscellaneous Section:" on
  std::string source;                // the section's own source text
  std::vector<std::string> messages;
  std::vector<std::string> questions;
};

MiscRun RunMisc(const Bytes& section, int sourceRuns = 1) {
  BglBuilder b;
  b.Section(kMiscField, section);
  const SectionSource s = WriteSectionSource(b.Build(), kMiscSlot, "misc.bgl", sourceRuns);
  MiscRun run;
  run.summary.assign(std::find(s.summary.begin(), s.summary.end(), "Miscellaneous Section:"), s.summary.end());
  run.source = s.source;
  run.messages = s.messages;
  run.questions = s.questions;
  return run;
}

// The source text after the first band's LatRange comment and separator.
std::string Records(const MiscRun& run) {
  const size_t band = run.source.find("; LatRange(");
  if (band == std::string::npos) return "<no band>";
  const size_t at = run.source.find(kSep, band);
  return at == std::string::npos ? "<no separator>" : run.source.substr(at + kSep.size());
}

// The records of a single band holding exactly these records.
std::string RecordsOf(std::initializer_list<Bytes> records) { return Records(RunMisc(Section({records}))); }

const std::string kBand0 = "   Latitude Band  S00:00:00.00 to  N00:27:38.59: ";
const std::string kBand1 = "   Latitude Band  N00:27:38.59 to  N00:55:17.18: ";

// ---------------------------------------------------------------------------
// Summary

TEST(MiscSummary, CountsEachKindOfRecordPerBand) {
  const Point pt{kLat3_6, kLon22_5, 0, 0};
  const MiscRun run = RunMisc(Section({
      {Marker(4, 0, 0, 0, 0), CommandArea(Cat({Nop(), Nop()})), Marker(5, 0, 0, 0, 0), LandMe(pt, pt, "X"),
       TimeZone(0, 0, 0), Marker(6, 0, 0, 0, 0)},
      {},
  }));
  EXPECT_EQ(run.summary, (std::vector<std::string>{
                             "Miscellaneous Section:",
                             kBand0 + "3 marker(s), 1 landme, 1 elevated object(s), 1 timezone(s)",
                             kBand1 + "0 marker(s), 0 landme, 0 elevated object(s), 0 timezone(s)",
                         }));
  EXPECT_TRUE(run.messages.empty());
}

TEST(MiscSummary, FlattenPolygonsHideTheOtherCounts) {
  const MiscRun run = RunMisc(Section({{Marker(4, 0, 0, 0, 0), Flatten(5, 0, Bytes{}.u32(0), Bytes{}),
                                    Marker(6, 0, 0, 0, 0), Flatten(6, 0, Bytes{}, Bytes{})}}));
  EXPECT_EQ(run.summary, (std::vector<std::string>{"Miscellaneous Section:", kBand0 + "2 flatten polygons"}));
}

TEST(MiscSummary, UnknownRecordEndsOnlyItsBand) {
  // Band 0's list is at 19: a marker, then an unknown record at 30.
  const MiscRun run = RunMisc(Section({{Marker(4, 0, 0, 0, 0), Bytes{0x99, 0x00}, Marker(5, 0, 0, 0, 0)},
                                   {Marker(6, 0, 0, 0, 0)}}));
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: unknown ID in Misc section at offset 1E"});
  EXPECT_EQ(run.summary,
            (std::vector<std::string>{"Miscellaneous Section:",
                                      kBand0 + "1 marker(s), 0 landme, 0 elevated object(s), 0 timezone(s)",
                                      kBand1 + "1 marker(s), 0 landme, 0 elevated object(s), 0 timezone(s)"}));
  // The source writes the unknown identifier without a line end; the line
  // feed before the next band's comment closes it.
  EXPECT_NE(run.source.find("; Error: unknown ID in Misc section at offset 1E\n; LatRange("), std::string::npos)
      << run.source;
  EXPECT_NE(run.source.find("OM("), std::string::npos);
  EXPECT_EQ(run.source.find("MM("), std::string::npos);
}

TEST(MiscSummary, BadBandIdentifierEndsTheSection) {
  Bytes s = Section({{Marker(4, 0, 0, 0, 0)}, {Marker(5, 0, 0, 0, 0)}});
  s.patch(9, 0x16, 1);
  const MiscRun run = RunMisc(s);
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: unknown ID in Misc Section, LatBand table at Offset 9"});
  EXPECT_EQ(run.summary, (std::vector<std::string>{
                             "Miscellaneous Section:",
                             kBand0 + "1 marker(s), 0 landme, 0 elevated object(s), 0 timezone(s)"}));
}

// ---------------------------------------------------------------------------
// The summary and the source step over records by different rules

TEST(MiscAdvance, LandMeAndTimeZoneLengthBytesCountOnlyInTheSource) {
  // Each record is one byte longer than its fixed size and that byte is 0:
  // the summary, stepping by the fixed size, ends the list there; the source
  // follows the length byte to the marker behind it.
  const Point pt{kLat3_6, kLon22_5, 0, 0};
  for (const Bytes& record : {LandMe(pt, pt, "X", 56), TimeZone(1, 2, 3, 19)}) {
    const MiscRun run = RunMisc(Section({{record, Marker(4, kLat3_6, kLon22_5, 0, 0)}}));
    ASSERT_EQ(run.summary.size(), 2u);
    EXPECT_EQ(run.summary[1].find(": 0 marker(s)"), kBand0.size() - 2) << run.summary[1];
    EXPECT_NE(Records(run).find("IM(  N03:36:00.00  E022:30:00.00 0 0)\n"), std::string::npos) << run.source;
    EXPECT_TRUE(run.messages.empty());
  }
}

TEST(MiscAdvance, FlattenHighLengthWordCountsOnlyInTheSource) {
  // The length is 65536 + 22: the summary takes the low word alone and meets
  // the unknown identifier right behind the 22 bytes; the source steps over
  // all of it to the marker at the far end.
  const Bytes flatten = Flatten(5, 1, Bytes{}.u32(kAlt100), Bytes{}.i32(0x20000000).i32(0x10000000), 1);
  ASSERT_EQ(flatten.size(), 22u);
  Bytes list = flatten;
  list.u8(0x99).zeros(65535).append(Marker(6, kLat3_6, kLon22_5, 0, 0)).u8(0);
  Bytes s = Bytes{}.u8(0x15).i16(0).i16(100).u32(10).u8(0).append(list);
  const MiscRun run = RunMisc(s);
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: unknown ID in Misc section at offset 20"});
  EXPECT_EQ(run.summary[1], kBand0 + "1 flatten polygons");
  EXPECT_EQ(Records(run),
            "Area16N\n\tFlatten( 100.000\n\t\t N45:00:00.00  E022:30:00.00 ; vertex 1\n\t)\nEnd16\n\n"
            "OM(  N03:36:00.00  E022:30:00.00 0 0)\n");
}

// ---------------------------------------------------------------------------
// Source: one statement per record

TEST(MiscSource, SectionFramingAndBands) {
  const MiscRun run = RunMisc(Section({{Marker(4, kLat3_6, kLon22_5, 7, 0)}, {}}));
  const std::string sep = "; " + std::string(40, '-') + "\n";
  EXPECT_EQ(run.source, "\n" + sep + "; Miscellaneous section\n" + sep + "\n" +
                            "\n; LatRange(  S00:00:00.00  N00:27:38.59 )\n" + sep +
                            "IM(  N03:36:00.00  E022:30:00.00 7 0)\n" +
                            "\n; LatRange(  N00:27:38.59  N00:55:17.18 )\n" + sep);
}

TEST(MiscSource, MarkerLettersValuesAndHeadings) {
  // The heading byte counts 256 steps to the circle and is cut to whole
  // degrees: 64 gives 90, 183 gives 257 (257.34), 255 gives 358 (358.59).
  EXPECT_EQ(RecordsOf({Marker(4, kLat3_6, kLon22_5, -5, 0), Marker(5, kLat7_2, kLon45, 1234, 64),
                       Marker(6, kLatMinus3_6, kLonMinus22_5, 0, 183), Marker(4, 0, 0, -32768, 255),
                       Marker(5, 0, 0, 32767, 1)}),
            "IM(  N03:36:00.00  E022:30:00.00 -5 0)\n"
            "MM(  N07:12:00.00  E045:00:00.00 1234 90)\n"
            "OM(  S03:36:00.00  W022:30:00.00 0 257)\n"
            "IM(  S00:00:00.00  W000:00:00.00 -32768 358)\n"
            "MM(  S00:00:00.00  W000:00:00.00 32767 1)\n");
}

TEST(MiscSource, LandMePointsAndName) {
  // Elevations in 1/256 m, printed as whole metres rounded half to even.
  const Point a{kLat3_6, kLon22_5, 0x006400, 3};       // 100 m
  const Point b{kLatMinus3_6, kLonMinus22_5, 0x000180, 250};  // 1.5 m
  const Point c{kLat7_2, kLon45, 0x000280, 0};          // 2.5 m
  const Point d{0, 0, 0xFFFF00, 0};                     // -1 m
  EXPECT_EQ(RecordsOf({LandMe(a, b, "My (home) strip  "), LandMe(c, d, "")}),
            "LandMe(  N03:36:00.00  E022:30:00.00 100 3\n"
            "\t  S03:36:00.00  W022:30:00.00 2 250\n"
            "\tMy_{home}_strip )\n"
            "LandMe(  N07:12:00.00  E045:00:00.00 2 0\n"
            "\t  S00:00:00.00  W000:00:00.00 -1 0\n"
            "\t )\n");
}

TEST(MiscSource, TimeZone) {
  EXPECT_EQ(RecordsOf({TimeZone(-60, 1, 255)}),
            "TIMEZone(  N03:36:00.00  N07:12:00.00 E022:30:00.00 E045:00:00.00 -60 1 255 )\n");
}

// ---------------------------------------------------------------------------
// Areas of scenery commands

TEST(MiscCommandArea, CommandsAreDisassembledWithLabelsFromTheSectionStart) {
  // One band: the record is at 10, its commands at 0x18.
  EXPECT_EQ(RecordsOf({CommandArea(Cat({Jump(6), Nop(), Return()}))}),
            "Area16(  N03:36:00.00  N07:12:00.00 E022:30:00.00 E045:00:00.00 )\n"
            "\tJump( :L00001E )\n"
            ":L00001C\n"
            "; unreachable code, possibly data area\n"
            "\tDbx( 02 00  )\n"
            ":L00001E\n"
            "\tReturn\n"
            "End16\n");
}

TEST(MiscCommandArea, EachBlockStartsWithoutLabels) {
  // Block 1 (at 10, 20 bytes) calls 0x2C, beyond its end: the label is never
  // printed in block 1 and must not turn up in block 2, whose first command
  // stands at 0x2C.
  const std::string text = RecordsOf({CommandArea(Cat({Call(0x14), Nop()})), CommandArea(Nop())});
  EXPECT_EQ(text,
            "Area16(  N03:36:00.00  N07:12:00.00 E022:30:00.00 E045:00:00.00 )\n"
            "\tCall( :L00002C )\n\tNop\nEnd16\n"
            "Area16(  N03:36:00.00  N07:12:00.00 E022:30:00.00 E045:00:00.00 )\n"
            "\tNop\nEnd16\n");
}

TEST(MiscCommandArea, ErrorsInsideABlockStillCloseIt) {
  const std::string head = "Area16(  N03:36:00.00  N07:12:00.00 E022:30:00.00 E045:00:00.00 )\n";
  EXPECT_EQ(RecordsOf({CommandArea(Cat({Nop(), Bytes{0xBE, 0x00}})), Marker(4, 0, 0, 0, 0)}),
            head + "\tNop\n; Error: unexpected ID be at offset 001A\nEnd16\nIM(  S00:00:00.00  W000:00:00.00 0 0)\n");
  // A length byte that ends inside a command: the command overruns the
  // block, and the next record starts in its middle (here at its 0 byte).
  EXPECT_EQ(RecordsOf({CommandArea(Cat({Nop(), Nop()}), 15)}), head + "\tNop\n; Error: object end overrun\nEnd16\n");
}

TEST(MiscCommandArea, LibraryCallQuestionIsAskedOncePerSourceRun) {
  const Bytes s = Section({{CommandArea(CallLib20()), CommandArea(CallLib20())}});
  EXPECT_EQ(RunMisc(s).questions, std::vector<std::string>{"Is this a FS2000/2002 .bgl-file?"});
  EXPECT_EQ(RunMisc(s, 2).questions.size(), 2u);
}

// ---------------------------------------------------------------------------
// Flatten polygons

TEST(MiscFlatten, StatementTypes) {
  const Bytes oneAlt = Bytes{}.u16(7).u32(kAlt1_5);
  EXPECT_EQ(RecordsOf({Flatten(1, 2, oneAlt, Vertices8())}),
            std::string("Area16N\n\tE61( 7 1.500 \n") + kVertexLines + "\t)\nEnd16\n\n");
  EXPECT_EQ(RecordsOf({Flatten(2, 2, oneAlt, Vertices8())}),
            std::string("Area16N\n\tE62( 7 1.500 \n") + kVertexLines + "\t)\nEnd16\n\n");
  EXPECT_EQ(RecordsOf({Flatten(3, 2, Bytes{}.u16(65535).u32(kAlt1_5).u32(kAlt2_25).u32(kAlt100), Vertices8())}),
            std::string("Area16N\n\tE63( 65535 1.500 2.250 100.000\n") + kVertexLines + "\t)\nEnd16\n\n");
  EXPECT_EQ(RecordsOf({Flatten(5, 2, Bytes{}.u32(0x00010001), Vertices8())}),
            std::string("Area16N\n\tFlatten( 1.000\n") + kVertexLines + "\t)\nEnd16\n\n");
  EXPECT_EQ(RecordsOf({Flatten(7, 2, Bytes{}.u16(3), Vertices12())}),
            "Area16N\n\tE67( 3\n"
            "\t\t N45:00:00.00  E022:30:00.00 100.000 ; vertex 1\n"
            "\t\t N157:30:00.00  W022:30:00.00 0.500 ; vertex 2\n"
            "\t)\nEnd16\n\n");
  // No vertices at all.
  EXPECT_EQ(RecordsOf({Flatten(5, 0, Bytes{}.u32(0), Bytes{})}), "Area16N\n\tFlatten( 0.000\n\t)\nEnd16\n\n");
}

TEST(MiscFlatten, RawDataTypes) {
  // Types 4 and 6 have no statement: raw words, the vertices as they are
  // stored with their meaning as a comment, and no closing line.
  EXPECT_EQ(RecordsOf({Flatten(4, 2, Bytes{}.u16(7).u32(kAlt1_5).u32(kAlt2_25), Vertices12())}),
            "Area16N\n"
            "\t; E64( 7 1.500 2.250 \n"
            "\tDwx( 00E6 002C 0000 0004 0002 0007 )\n"
            "\t\tDdx( 00018000 00024000 ) ; altitude 1, 2\n"
            "\t\tDdx( 20000000 10000000 00640000 ; vertex 1:  N45:00:00.00  E022:30:00.00 100.000\n"
            "\t\tDdx( 70000000 F0000000 00008000 ; vertex 2:  N157:30:00.00  W022:30:00.00 0.500\n"
            "End16\n\n");
  EXPECT_EQ(RecordsOf({Flatten(6, 2, Bytes{}, Vertices12())}),
            "Area16N\n"
            "\t; E66( \n"
            "\tDwx( 00E6 0022 0000 0006 0002 )\n"
            "\t\tDdx( 20000000 10000000 00640000 ; vertex 1:  N45:00:00.00  E022:30:00.00 100.000\n"
            "\t\tDdx( 70000000 F0000000 00008000 ; vertex 2:  N157:30:00.00  W022:30:00.00 0.500\n"
            "End16\n\n");
}

TEST(MiscFlatten, UnknownTypeIsWrittenAndTheWalkGoesOn) {
  // Nothing after the type word is read; the length still steps over it.
  EXPECT_EQ(RecordsOf({Flatten(9, 0xFFFF, Bytes{0x01, 0x02}, Bytes{}), Flatten(0, 0, Bytes{}, Bytes{}),
                       Marker(4, 0, 0, 0, 0)}),
            "Area16N\n\tDwx( 0009 ) ; unknown flatten instruction\nEnd16\n\n"
            "Area16N\n\tDwx( 0000 ) ; unknown flatten instruction\nEnd16\n\n"
            "IM(  S00:00:00.00  W000:00:00.00 0 0)\n");
}

// ---------------------------------------------------------------------------
// Hostile files: every walk ends, with a message or a comment saying why

TEST(MiscHostile, ZeroLengthsEndTheBand) {
  const Point pt{0, 0, 0, 0};
  struct Case {
    Bytes record;
    bool summaryStops;  // the summary steps land-me points and time zones by fixed sizes
  };
  const std::vector<Case> cases = {
      {CommandArea(Nop(), 0), true},
      {Flatten(5, 0, Bytes{}.u32(0), Bytes{}, 0, 0), true},
      {LandMe(pt, pt, "X", 0), false},
      {TimeZone(0, 0, 0, 0), false},
  };
  for (const Case& c : cases) {
    const MiscRun run = RunMisc(Section({{Marker(4, 0, 0, 0, 0), c.record, Marker(5, 0, 0, 0, 0)},
                                     {Marker(6, 0, 0, 0, 0)}}));
    // Band 0's list is at 19; the record follows the marker.
    EXPECT_NE(run.source.find("IM(  S00:00:00.00  W000:00:00.00 0 0)\n"
                              "; Error: Misc section record at offset 1E has length 0\n\n; LatRange("),
              std::string::npos)
        << run.source;
    EXPECT_NE(run.source.find("OM("), std::string::npos);
    if (c.summaryStops) {
      EXPECT_EQ(run.messages, std::vector<std::string>{"Error: Misc section record at offset 1E has length 0"});
      EXPECT_EQ(run.summary[1].find(": 1 marker(s)"), kBand0.size() - 2) << run.summary[1];
    } else {
      EXPECT_TRUE(run.messages.empty());
    }
  }
  // A flatten length whose low word alone is 0 is a zero length only to the
  // summary; to the source it is 65536: the polygon is written, and the step
  // over it leaves this file.
  const MiscRun run = RunMisc(Section({{Flatten(5, 0, Bytes{}.u32(0), Bytes{}, 1, 0)}}));
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: Misc section record at offset A has length 0"});
  EXPECT_EQ(Records(run),
            "Area16N\n\tFlatten( 0.000\n\t)\nEnd16\n\n"
            "; Error: Misc section record at offset 1000A runs past the end of the file\n");
}

TEST(MiscHostile, RecordsAndListsPastTheEndOfTheFile) {
  const std::string pastEnd = " runs past the end of the file";
  {
    // The band's list lies beyond the file.
    const MiscRun run = RunMisc(Bytes{}.u8(0x15).i16(0).i16(1).u32(0xFFFFFFF0).u8(0));
    EXPECT_EQ(run.messages, std::vector<std::string>{"Error: Misc section record at offset FFFFFFF0" + pastEnd});
    EXPECT_EQ(Records(run), "; Error: Misc section record at offset FFFFFFF0" + pastEnd + "\n");
  }
  {
    // A list without its terminating 0.
    Bytes s = Section({{Marker(4, 0, 0, 0, 0)}});
    s.vec().pop_back();
    const MiscRun run = RunMisc(s);
    EXPECT_EQ(run.messages, std::vector<std::string>{"Error: Misc section record at offset 15" + pastEnd});
    EXPECT_EQ(run.summary[1], kBand0 + "1 marker(s), 0 landme, 0 elevated object(s), 0 timezone(s)");
    EXPECT_EQ(Records(run), "IM(  S00:00:00.00  W000:00:00.00 0 0)\n; Error: Misc section record at offset 15" +
                                pastEnd + "\n");
  }
  // Records cut short by the end of the file: the summary, which reads only
  // identifiers and lengths, counts them and stops where the next identifier
  // would stand; the source writes none whose own fields are cut.
  const Point pt{0, 0, 0, 0};
  const std::string notWritten = "; Error: Misc section record at offset A" + pastEnd + "\n";
  const struct {
    Bytes record;
    const char* counts;
    std::string source;
  } cut[] = {
      {Marker(4, 0, 0, 0, 0), "1 marker(s), 0 landme, 0 elevated object(s), 0 timezone(s)", notWritten},
      {LandMe(pt, pt, "X"), "0 marker(s), 1 landme, 0 elevated object(s), 0 timezone(s)", notWritten},
      {TimeZone(0, 0, 0), "0 marker(s), 0 landme, 0 elevated object(s), 1 timezone(s)", notWritten},
      {Flatten(6, 2, Bytes{}, Vertices12()), "1 flatten polygons", notWritten},
      // The header is whole; the commands are cut, and the walker says so.
      {CommandArea(Nop()), "0 marker(s), 0 landme, 1 elevated object(s), 0 timezone(s)",
       "Area16(  N03:36:00.00  N07:12:00.00 E022:30:00.00 E045:00:00.00 )\n"
       "; Error: command at offset 0018 runs past the end of the file\nEnd16\n"
       "; Error: Misc section record at offset 1A" + pastEnd + "\n"},
  };
  for (const auto& c : cut) {
    Bytes s = Bytes{}.u8(0x15).i16(0).i16(100).u32(10).u8(0).append(c.record);
    s.vec().resize(s.size() - 2);
    const MiscRun run = RunMisc(s);
    const std::string next = Format("Error: Misc section record at offset %zX", 10 + c.record.size());
    EXPECT_EQ(run.messages, std::vector<std::string>{next + pastEnd});
    EXPECT_EQ(run.summary[1], kBand0 + c.counts);
    EXPECT_EQ(Records(run), c.source);
  }
  // Records whose fields are whole but whose length steps beyond the file
  // are written; the walk stops at the step.
  const std::string lines = "TIMEZone(  N03:36:00.00  N07:12:00.00 E022:30:00.00 E045:00:00.00 1 2 3 )\n";
  Bytes longZone = Bytes{}.u8(0x15).i16(0).i16(100).u32(10).u8(0).append(TimeZone(1, 2, 3, 200));
  longZone.vec().resize(10 + 18);
  EXPECT_EQ(Records(RunMisc(longZone)), lines + "; Error: Misc section record at offset D2" + pastEnd + "\n");
  // A land-me point shorter than the summary's fixed step, last in the file:
  // counted, and only the step beyond it runs past the end.
  Bytes shortLandMe = LandMe(pt, pt, "X");
  shortLandMe.patch(1, 40, 1).vec().resize(40);
  const MiscRun lm = RunMisc(Section({{shortLandMe}}));
  EXPECT_EQ(lm.summary[1], kBand0 + "0 marker(s), 1 landme, 0 elevated object(s), 0 timezone(s)");
  EXPECT_EQ(lm.messages, std::vector<std::string>{"Error: Misc section record at offset 41" + pastEnd});
  // A vertex count, and a length to hold it, far beyond the file.
  EXPECT_EQ(RecordsOf({Flatten(7, 60000, Bytes{}.u16(0), Vertices12()).patch(2, 12 + 60000 * 12, 4)}),
            "; Error: Misc section record at offset A" + pastEnd + "\n");
}

TEST(MiscHostile, FlattenVerticesStayInsideTheirRecord) {
  // Three vertices claimed, two stored: the third would be read from the
  // marker that follows. The two are written, and the marker after them.
  EXPECT_EQ(RecordsOf({Flatten(7, 3, Bytes{}.u16(0), Vertices12()), Marker(4, 0, 0, 0, 0)}),
            "Area16N\n\tE67( 0\n\t\t N45:00:00.00  E022:30:00.00 100.000 ; vertex 1\n"
            "\t\t N157:30:00.00  W022:30:00.00 0.500 ; vertex 2\n\t)\nEnd16\n\n"
            "; Error: Misc section record at offset A: 3 vertices do not fit in its length of 36 bytes; 2 written\n"
            "IM(  S00:00:00.00  W000:00:00.00 0 0)\n");
  // A length shorter than the type's own fields: the block without vertices.
  EXPECT_EQ(RecordsOf({Flatten(5, 1, Bytes{}.u32(0), Bytes{}.u32(0)).patch(2, 12, 4), Bytes{0, 0}}),
            "Area16N\n\tFlatten( 0.000\n\t)\nEnd16\n\n"
            "; Error: Misc section record at offset A: 1 vertices do not fit in its length of 12 bytes; 0 written\n");
  // A length beyond the vertices is stepped over.
  const Bytes padded = Flatten(5, 0, Bytes{}.u32(0), Bytes{}.u32(0xFFFFFFFF));
  EXPECT_EQ(RecordsOf({padded, Marker(4, 0, 0, 0, 0)}),
            "Area16N\n\tFlatten( 0.000\n\t)\nEnd16\n\nIM(  S00:00:00.00  W000:00:00.00 0 0)\n");
}

TEST(MiscHostile, LandMeNameWithoutItsTerminator) {
  // The name runs on through the rest of the largest possible record.
  const Point pt{0, 0, 0, 0};
  Bytes record = LandMe(pt, pt, std::string(31, 'N'));
  record.patch(53, 0x4141, 2);
  Bytes longName = record;
  longName.vec().insert(longName.vec().end(), 200, 'A');
  EXPECT_EQ(RecordsOf({longName, Marker(4, 0, 0, 0, 0)}),
            "; Error: Misc section record at offset A: name without its terminating 0\n");
  // A name that ends on the record's last possible byte is still a name.
  Bytes fits = record;
  fits.vec().insert(fits.vec().end(), 199, 'A');
  fits.u8(0);
  EXPECT_EQ(RecordsOf({fits}).substr(0, 7), "LandMe(");
  // The file ends inside the name.
  Bytes s = Bytes{}.u8(0x15).i16(0).i16(100).u32(10).u8(0).append(record);
  EXPECT_EQ(Records(RunMisc(s)), "; Error: Misc section record at offset A runs past the end of the file\n");
}

TEST(MiscHostile, BandsSharingOneListAreReadOnlyAsOftenAsTheFileAllows) {
  // 200 bands name one list of ten markers (110 bytes): each run may step
  // over four times the file's 2040 bytes, enough for 74 of the bands and
  // the first marker of the next.
  Bytes s;
  for (int i = 0; i < 200; ++i) s.u8(0x15).i16(0).i16(100).u32(9 * 200 + 1);
  s.u8(0);
  for (int i = 0; i < 10; ++i) s.append(Marker(4, 0, 0, 0, 0));
  s.u8(0);
  ASSERT_EQ(128 + s.size(), 2040u);
  const MiscRun run = RunMisc(s);
  // The source stops after the marker whose step no longer fits.
  EXPECT_EQ(Count(run.source, "IM("), 742);
  EXPECT_NE(run.source.find("IM(  S00:00:00.00  W000:00:00.00 0 0)\n; Error: Misc section band lists overlap (more "
                            "than 8160 bytes read); the remaining records are skipped\n\n; LatRange("),
            std::string::npos);
  EXPECT_EQ(Count(run.source, "band lists overlap"), 1);
  EXPECT_EQ(Count(run.source, "; LatRange("), 200);
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: Misc section band lists overlap (more than 8160 bytes "
                                                   "read); the remaining records are not counted"});
  ASSERT_EQ(run.summary.size(), 201u);
  EXPECT_EQ(run.summary[74], kBand0 + "10 marker(s), 0 landme, 0 elevated object(s), 0 timezone(s)");
  EXPECT_EQ(run.summary[75], kBand0 + "1 marker(s), 0 landme, 0 elevated object(s), 0 timezone(s)");
  EXPECT_EQ(run.summary[76], kBand0 + "0 marker(s), 0 landme, 0 elevated object(s), 0 timezone(s)");
}

TEST(MiscHostile, CommandsRunningOnPastABlockCountWhatTheyRead) {
  // 200 bands name one command block: an elevation grid whose 1600 bytes lie
  // after it. Each band costs the block's 32 bytes and the 1600 read past
  // them, so the file's 3562 bytes allow nine blocks, not 200.
  Bytes s;
  for (int i = 0; i < 200; ++i) s.u8(0x15).i16(0).i16(100).u32(9 * 200 + 1);
  s.u8(0).append(CommandArea(Bytes{0x15, 0x00}.u16(19).u16(19).zeros(12))).u8(0).zeros(1600);
  ASSERT_EQ(128 + s.size(), 3562u);
  const MiscRun run = RunMisc(s);
  EXPECT_EQ(Count(run.source, "\tElevationMap("), 9);
  EXPECT_NE(run.source.find("End16\n; Error: Misc section band lists overlap (more than 14248 bytes read); the "
                            "remaining records are skipped\n"),
            std::string::npos);
  EXPECT_EQ(Count(run.source, "band lists overlap"), 1);
  EXPECT_EQ(Count(run.source, "; LatRange("), 200);
}

TEST(MiscHostile, ArbitraryRecordsAlwaysTerminate) {
  // Record lists made of the section's own identifiers with arbitrary
  // fields; every run must end (with ASan: without reading outside the file).
  std::mt19937 rng(20240611);
  const uint8_t ids[] = {0x04, 0x05, 0x06, 0x07, 0x64, 0x65, 0xE6, 0x00, 0x15, 0xBE};
  for (int round = 0; round < 300; ++round) {
    const auto second = static_cast<uint32_t>(rng() % 64);  // may point anywhere, the table included
    Bytes s = Bytes{}.u8(0x15).i16(0).i16(100).u32(19).u8(0x15).i16(1).i16(2).u32(second).u8(0);
    const size_t n = static_cast<size_t>(rng() % 300);
    for (size_t i = 0; i < n; ++i) {
      const auto r = static_cast<uint32_t>(rng());
      s.u8((r & 3) == 0 ? ids[(r >> 8) % sizeof ids] : (r >> 16) & 0xFF);
    }
    const MiscRun run = RunMisc(s);
    EXPECT_GE(run.summary.size(), 1u);
    EXPECT_NE(run.source.find("; Miscellaneous section\n"), std::string::npos);
  }
}

}  // namespace
}  // namespace skarn::test
