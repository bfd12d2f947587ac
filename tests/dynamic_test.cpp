// The dynamic scenery section: bands of moving objects, each an Area15 block
// whose body is its motion program walked in two passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "FakeHost.h"
#include "TestUtil.h"
#include "core/Commands.h"
#include "core/Format.h"
#include "core/GeoText.h"
#include "core/SkarnDoc.h"

namespace skarn::test {
namespace {

constexpr size_t kDynField = 0x52;  // header field of the section offset
// One band (a 10-byte table) and one object header of 43 bytes: the program
// starts at this section offset.
constexpr uint32_t kCode = 0x35;

struct Box {
  int16_t lat1;
  int16_t lat2;
  int16_t lon1;
  int16_t lon2;
};

// An object record: identifier, first box, size (bytes after the first 11),
// second box, 24 skipped bytes, the program.
Bytes Object(const Bytes& code, Box a = {100, 101, 10, 11}, Box b = {100, 101, 10, 11}, uint8_t id = 4) {
  Bytes o;
  o.u8(id).i16(a.lat1).i16(a.lat2).i16(a.lon1).i16(a.lon2);
  o.u16(static_cast<uint32_t>(32 + code.size()));
  o.i16(b.lat1).i16(b.lat2).i16(b.lon1).i16(b.lon2);
  for (uint8_t i = 0; i < 24; ++i) o.u8(0xE0 + i);
  return o.append(code);
}

// A section with one band per list of objects: band i spans latitudes
// 100 + i to 101 + i.
Bytes Section(const std::vector<std::vector<Bytes>>& bands) { return BandedSection(bands, 100, 1, 1); }

struct DynRun : DisasmRun {
  std::string source;  // the section's own text
};

// Analyses and disassembles a file whose dynamic section is body (the file
// ends with it).
DynRun Disasm(const Bytes& body) {
  BglBuilder b;
  b.Section(kDynField, body);
  DynRun run;
  static_cast<DisasmRun&>(run) = DisasmFile(b.Build(), "dyn.bgl");
  const size_t begin = run.output.find("\n" + kSep + "; dynamic scenery\n");
  const size_t end = run.output.rfind(kSep + "; end of SCASM source\n");
  if (begin != std::string::npos && end != std::string::npos && begin <= end)
    run.source = run.output.substr(begin, end - begin);
  return run;
}

// The programs' text: what stands between each Area15 statement and its End15.
std::vector<std::string> Programs(const std::string& source) {
  std::vector<std::string> programs;
  for (size_t at = source.find("Area15("); at != std::string::npos; at = source.find("Area15(", at + 1)) {
    const size_t begin = source.find(" )\n", at) + 3;
    const size_t end = source.find("End15\n\n", begin);
    if (end == std::string::npos) break;
    programs.push_back(source.substr(begin, end - begin));
  }
  return programs;
}

// The text of one program in a one-object file.
std::string Program(const Bytes& code) {
  const DynRun run = Disasm(Section({{Object(code)}}));
  const std::vector<std::string> programs = Programs(run.source);
  return programs.size() == 1 ? programs[0] : "<" + std::to_string(programs.size()) + " programs>\n" + run.output;
}

// ---- instructions ----
Bytes Return() { return Bytes{0x26}; }
Bytes Sleep() { return Bytes{0x29}; }
Bytes Exit() { return Bytes{0xFF}; }
Bytes Hold(uint16_t t) { return Bytes{0x27}.u16(t); }
Bytes Jump(int16_t d) { return Bytes{0x24}.i16(d); }
Bytes Call(int16_t d) { return Bytes{0x25}.i16(d); }
Bytes PitchTo(int16_t angle, int16_t rate) { return Bytes{0x01}.i16(angle).i16(rate); }
Bytes AccelerateX(uint16_t t, uint16_t a, int16_t v) { return Bytes{0x19}.u16(t).u16(a).i16(v); }

// 48-bit fields: a latitude of 45 degrees (half a quarter meridian in
// 1/65536 m), a longitude of 90 degrees (a quarter circle), 1000.5 m.
constexpr uint64_t kLat45 = uint64_t{5000875} << 16;
constexpr uint64_t kLon90 = uint64_t{1} << 46;
constexpr uint64_t kAlt = (uint64_t{1000} << 16) | 0x8000;
// 32-bit fields: 45 degrees in metres, 90 degrees in 1/2^32 circles.
constexpr int32_t kLat32 = 5000875;
constexpr int32_t kLon32 = 0x40000000;

// ---------------------------------------------------------------------------
// Every instruction's text and length. Each is followed by a Return, which
// comes out as such only if the instruction's length was right. Branches
// point at themselves (displacement 0), so their label line stands first.

struct Case {
  const char* name;
  Bytes code;
  std::string text;
};

void ExpectCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(Program(Cat({c.code, Return()})), c.text + "\tReturn\n") << c.name;
  }
}

TEST(DynamicInstructions, AttitudeAndGear) {
  ExpectCases({
      {"PitchTo", PitchTo(0x4000, 16384), "\tPitchTo( 90.00 90 )\n"},
      {"BankTo", Bytes{0x02}.i16(-8192).i16(-32767), "\tBankTo( -45.00 -180 )\n"},
      {"YawTo", Bytes{0x03}.i16(1).i16(32767), "\tYawTo( 0.01 180 )\n"},
      {"Gear up", Bytes{0x04, 0x00}, "\tGear( up )\n"},
      {"Gear 1", Bytes{0x04, 0x01}, "\tGear( down )\n"},
      {"Gear 255", Bytes{0x04, 0xFF}, "\tGear( down )\n"},
      // Pitch and Bank: the statement as a comment, the bytes as data.
      {"Pitch", Bytes{0x05}.u16(0x8000), ";\tPitch( 180 )\n\tDbx( 05 00 80 )\n"},
      {"Bank", Bytes{0x06}.u16(0x2AAB), ";\tBank( 60 )\n\tDbx( 06 AB 2A )\n"},
      {"Heading", Bytes{0x07}.u16(0xC000), "\tHeading( 270 )\n"},
      {"Heading rounds", Bytes{0x07}.u16(92), "\tHeading( 1 )\n"},
  });
}

TEST(DynamicInstructions, MovementAndAcceleration) {
  ExpectCases({
      {"MoveX", Bytes{0x12}.u16(60000).i16(-5), "\tMoveX( 60000 -5 )\n"},
      {"MoveZ", Bytes{0x13}.u16(1).i16(2), "\tMoveZ( 1 2 )\n"},
      {"MoveY", Bytes{0x14}.u16(3).i16(-32768), "\tMoveY( 3 -32768 )\n"},
      {"MoveXY", Bytes{0x15}.u16(10).i16(-1).i16(2), "\tMoveXY( 10 -1 2)\n"},
      {"MoveXZ", Bytes{0x16}.u16(11).i16(3).i16(-4), "\tMoveXZ( 11 3 -4)\n"},
      {"MoveZY", Bytes{0x17}.u16(12).i16(5).i16(6), "\tMoveZY( 12 5 6)\n"},
      {"Move3D", Bytes{0x18}.u16(1).i16(-2).i16(3).i16(-4), "\tMove3D( 1 -2 3 -4 )\n"},
      {"AccelerateX", AccelerateX(5, 2048, -7), "\tAccelerateX( 5 0.50 -7 )\n"},
      {"AccelerateZ", Bytes{0x1A}.u16(6).u16(4096).i16(8), "\tAccelerateZ( 6 1.00 8 )\n"},
      {"AccelerateY", Bytes{0x1B}.u16(65535).u16(0).i16(-9), "\tAccelerateY( 65535 0.00 -9 )\n"},
      {"AccelerateXY", Bytes{0x1C}.u16(5).u16(0xFFFF).i16(1).i16(2), "\tAccelerateXY( 5 16.00 1 2 )\n"},
      {"AccelerateXZ", Bytes{0x1D}.u16(5).u16(6144).i16(-1).i16(-2), "\tAccelerateXZ( 5 1.50 -1 -2 )\n"},
      {"AccelerateZY", Bytes{0x1E}.u16(5).u16(41).i16(3).i16(4), "\tAccelerateZY( 5 0.01 3 4 )\n"},
      {"Accelerate3D", Bytes{0x1F}.u16(9).u16(8192).i16(1).i16(2).i16(3), "\tAccelerate3D( 9 2.00 1 2 3 )\n"},
      {"Turn", Bytes{0x20}.u16(100).u16(0x4000).u16(65535), "\tTurn( 100 90 65535 )\n"},
  });
}

TEST(DynamicInstructions, ControlAndTimers) {
  const std::string self = Format(":L%.6X\n", kCode);
  ExpectCases({
      {"Jump", Jump(0), self + "\tJump( :L000035 )\n"},
      {"Call", Call(0), self + "\tCall( :L000035 )\n"},
      {"Return", Return(), "\tReturn\n"},
      {"Hold", Hold(300), "\tHold( 300 )\n"},
      {"obsolete 0x28", Bytes{0x28}.zeros(12), ";\tobsolete instruction 0x28 skipped\n"},
      {"Sleep", Sleep(), "\tSleep\n"},
      {"Awaken", Bytes{0x2A}.i16(0), self + "\tAwaken( :L000035 )\n"},
      {"IfEQ", Bytes{0x2B}.i16(0).u16(0x300).u16(65535), self + "\tIfEQ( :L000035 768 65535 )\n"},
      {"IfNE", Bytes{0x2C}.i16(0).u16(1).u16(2), self + "\tIfNE( :L000035 1 2 )\n"},
      {"IfLT", Bytes{0x2D}.i16(0).u16(3).u16(4), self + "\tIfLT( :L000035 3 4 )\n"},
      {"IfGT", Bytes{0x2E}.i16(0).u16(5).u16(6), self + "\tIfGT( :L000035 5 6 )\n"},
      {"SetColor", Bytes{0x31, 7, 0xAB, 0x0C}, "\tSetColor( 7 AB 0C )\n"},
      {"Pattern", Bytes{0x32}.u16(0x1234).i16(0).u16(0xFFFF).u8(0x5C), self + "\tPattern( :L000035 01234 5 C )\n"},
      {"CallDLibObj", Bytes{0x35}.i16(0).u32(0xFFFFFFFF).u8(0xA7).u32(1).u32(0xDEADBEEF).u32(0x10).u32(0),
       self + "\tCallDLibObj( :L000035 A 7 00000001 DEADBEEF 00000010 00000000 )\n"},
      {"StartTimer", Bytes{0x38}, "\tStartTimer\n"},
      {"Refuel", Bytes{0x3E}.i32(-123456), "\tRefuel( -123456 )\n"},
      {"ACS", Bytes{0x42, 200}, "\tACS( 200 )\n"},
      {"Exit", Exit(), "\tExit\n"},
  });
}

TEST(DynamicInstructions, Positions) {
  const std::string pos48 = " N45:00:00.00 E090:00:00.00";
  ExpectCases({
      {"SetPos", Bytes{0x33}.u48(kLat45).u48(kLon90).u48(kAlt), "\tSetPos( " + pos48 + " 1000.500 )\n"},
      {"SetPos south west below", Bytes{0x33}.u48(~kLat45 + 1).u48(~kLon90 + 1).u48(0xFFFFFFFEC000),
       "\tSetPos(  S45:00:00.00 W090:00:00.00 -1.250 )\n"},
      {"LatRef", Bytes{0x34}.u48(kLat45), "\tLatRef( N45:00:00.00 )\n"},
      {"MoveToPos1", Bytes{0x39}.u48(kLat45).u48(kLon90).u48(kAlt).i32(0x40000000).i32(-0x40000000).i32(0x20000000),
       "\tMoveToPos1( " + pos48 + " 1000.500 90.00 -90.00 45.00)\n"},
      {"MoveToPos5", Bytes{0x3A}.u48(kLat45).u48(kLon90).u48(kAlt).i32(0).i32(1).i32(-1),
       "\tMoveToPos5( " + pos48 + " 1000.500 0.00 0.00 -0.00)\n"},
      {"MoveToPosN", Bytes{0x3B}.u8(3).u48(kLat45).u48(kLon90).u48(kAlt).i32(0x40000000).i32(0).i32(0),
       "\tMoveToPosN( 3" + pos48 + " 1000.500 90.00 0.00 0.00)\n"},
      // The taxi heading is unsigned.
      {"TaxiTo", Bytes{0x41}.u48(kLat45).u48(kLon90).u48(kAlt).u32(0xC0000000),
       "\tTaxiTo( " + pos48 + " 1000.500 270.00 )\n"},
      // 32-bit positions are folded: 11112500 m is 80 degrees south, not
      // 100 north.
      {"RefuelBounds", Bytes{0x3D}.i32(11112500).i32(-kLon32).i32(-500).i16(17).u16(7),
       "\tRefuelBounds(  S80:00:18.00 W090:00:00.00 -500 :L000046 7 )\n:L000046\n"},
      {"LandingAbort", Bytes{0x40}.i32(kLat32).i32(kLon32).i32(1).u8(2).u16(3).u16(0x4000).i32(-4).i32(5),
       "\tLandingAbort( N45:00:00.00 E090:00:00.00\n\t\t1 2 3 90.00 -4 5 )\n"},
      {"IfObjectInBox", Bytes{0x43}.i16(0).i32(kLat32).i32(kLon32).i32(10).u16(0x8000).i32(-1).i32(2),
       Format(":L%.6X\n", kCode) + "\tIfObjectInBox( :L000035 N45:00:00.00 E090:00:00.00 10 180.00 -1 2 )\n"},
  });
}

TEST(DynamicInstructions, UnknownOpcodesAreSingleDataBytes) {
  for (uint8_t op : std::initializer_list<uint8_t>{0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x21, 0x22, 0x23, 0x2F, 0x30,
                     0x36, 0x37, 0x3C, 0x3F}) {
    EXPECT_EQ(Program(Cat({Sleep(), Bytes{op}, Return()})),
              Format("\tSleep\n\tDbx( %.2X ) ; Unknown instruction at offset 0036\n\tReturn\n", op))
        << Format("%.2X", op);
  }
}

TEST(DynamicInstructions, RatesAreWholeDegreesCutTowardZero) {
  const struct {
    int16_t raw;
    int degrees;
  } rates[] = {{32767, 180}, {-32767, -180}, {16384, 90}, {-16384, -90}, {32766, 179}, {-32768, -180},
               {1, 0},       {-1, 0},        {0, 0},       {183, 1},      {182, 0},     {-183, -1}};
  for (const auto& r : rates) {
    EXPECT_EQ(Program(PitchTo(0, r.raw)), Format("\tPitchTo( 0.00 %d )\n", r.degrees)) << r.raw;
  }
}

TEST(DynamicInstructions, AccelerationsAreIn4096thsWithTwoDecimals) {
  const struct {
    uint16_t raw;
    const char* text;
  } accelerations[] = {{0, "0.00"},    {1, "0.00"},    {20, "0.00"},    {21, "0.01"},    {409, "0.10"},
                       {2048, "0.50"}, {4096, "1.00"}, {4116, "1.00"},  {4117, "1.01"},  {40960, "10.00"},
                       {65535, "16.00"}};
  for (const auto& a : accelerations) {
    EXPECT_EQ(Program(AccelerateX(1, a.raw, 0)), Format("\tAccelerateX( 1 %s 0 )\n", a.text)) << a.raw;
  }
}

// ---------------------------------------------------------------------------
// Labels

TEST(DynamicLabels, TargetsGetLabelLinesBeforeTheirInstruction) {
  // A Jump does not turn the bytes after it into data.
  EXPECT_EQ(Program(Cat({Jump(6), Hold(1), Return()})), "\tJump( :L00003B )\n\tHold( 1 )\n:L00003B\n\tReturn\n");
  // Backwards.
  EXPECT_EQ(Program(Cat({Return(), Jump(-1)})), ":L000035\n\tReturn\n\tJump( :L000035 )\n");
  // Two branches to one target: one label.
  EXPECT_EQ(Program(Cat({Call(10), Bytes{0x2B}.i16(7).u16(0).u16(0), Sleep()})),
            "\tCall( :L00003F )\n\tIfEQ( :L00003F 0 0 )\n:L00003F\n\tSleep\n");
  // Displacements count from the opcode byte, wherever the field stands.
  EXPECT_EQ(Program(Cat({Bytes{0x32}.u16(1).i16(8).u16(0).u8(0), Return()})),
            "\tPattern( :L00003D 00001 0 0 )\n:L00003D\n\tReturn\n");
}

TEST(DynamicLabels, LabelsInsideInstructionsOrAtExitComeOutAsOverrunLabels) {
  // Into the middle of the Hold.
  EXPECT_EQ(Program(Cat({Call(4), Hold(1), Return()})), "\tCall( :L000039 )\n\tHold( 1 )\n:L000039 ; overrun label\n\tReturn\n");
  // Exit takes no labels: the next instruction carries it.
  EXPECT_EQ(Program(Cat({Jump(3), Exit(), Return()})), "\tJump( :L000038 )\n\tExit\n:L000038 ; overrun label\n\tReturn\n");
  EXPECT_EQ(Program(Cat({Jump(3), Exit()})), "\tJump( :L000038 )\n\tExit\n");
  // Targets the walk never reaches are never written.
  EXPECT_EQ(Program(Cat({Jump(100), Return()})), "\tJump( :L000099 )\n\tReturn\n");
  // A target before the section start is a 32-bit offset.
  EXPECT_EQ(Program(Jump(-0x40)), "\tJump( :LFFFFFFF5 )\n");
}

TEST(DynamicLabels, LabelsDoNotCarryFromOneObjectToTheNext) {
  // The first object's Jump names the second object's Return (0x67), which
  // its own print pass never reaches.
  const DynRun run = Disasm(Section({{Object(Cat({Jump(0x32), Return()})), Object(Cat({Hold(1), Return()}))}}));
  const std::vector<std::string> programs = Programs(run.source);
  ASSERT_EQ(programs.size(), 2u) << run.output;
  EXPECT_EQ(programs[0], "\tJump( :L000067 )\n\tReturn\n");
  EXPECT_EQ(programs[1], "\tHold( 1 )\n\tReturn\n");
}

// ---------------------------------------------------------------------------
// Objects and bands

TEST(DynamicObjects, WholeSourceOfOneObject) {
  const Box a = {20, 0, 16384, -32768};
  const Box b = {-20, 20, -16384, 0};
  const DynRun run = Disasm(Section({{Object(Sleep(), a, b)}}));
  const std::string sep = "; " + std::string(40, '-') + "\n";
  GeoText g;
  std::string band = Format("\n; LatRange( %s ", g.LatText(GeoText::Lat16(100)));
  band += Format("%s )\n", g.LatText(GeoText::Lat16(101)));
  EXPECT_EQ(run.source, "\n" + sep + "; dynamic scenery\n" + sep + "\n" + band + sep + sep +
                            "; Object # 1, offset: 0x000A size: 44 bytes (0x002C) \n" + sep +
                            "Area15( N00:05:31.72 S00:00:00.00 E090:00:00.00 W180:00:00.00\n"
                            "\t S00:05:31.72 N00:05:31.72 W090:00:00.00 W000:00:00.00 )\n"
                            "\tSleep\n"
                            "End15\n\n");
  EXPECT_TRUE(run.messages.empty());
}

TEST(DynamicObjects, SummaryCountsAreasPerBand) {
  // The count does not look at identifiers; the source does.
  const DynRun run = Disasm(Section({{Object(Sleep()), Object(Return(), {}, {}, 7)}, {}, {Object(Hold(2))}}));
  GeoText g;
  std::vector<std::string> expected;
  for (int16_t i = 0; i < 3; ++i) {
    std::string line = Format("   Latitude Band %s to ", g.LatText(GeoText::Lat16(static_cast<int16_t>(100 + i))));
    line += g.LatText(GeoText::Lat16(static_cast<int16_t>(101 + i)));
    expected.push_back(line + Format(": %d area(s)", i == 0 ? 2 : i == 1 ? 0 : 1));
  }
  ASSERT_GE(run.summary.size(), 5u);
  EXPECT_EQ(run.summary[run.summary.size() - 4], "Dynamic Scenery Section:");
  EXPECT_EQ(std::vector<std::string>(run.summary.end() - 3, run.summary.end()), expected);
  EXPECT_TRUE(run.messages.empty());
}

TEST(DynamicObjects, ObjectsAreNumberedFromOneInEveryBand) {
  const DynRun run =
      Disasm(Section({{Object(Sleep()), Object(Cat({Hold(1), Return()}))}, {Object(Return())}}));
  EXPECT_NE(run.source.find("; Object # 1, offset: 0x0013 size: 44 bytes (0x002C) \n"), std::string::npos)
      << run.source;
  EXPECT_NE(run.source.find("; Object # 2, offset: 0x003F size: 47 bytes (0x002F) \n"), std::string::npos);
  EXPECT_NE(run.source.find("; Object # 1, offset: 0x006F size: 44 bytes (0x002C) \n"), std::string::npos);
  EXPECT_EQ(Count(run.source, "End15\n\n"), 3);
  EXPECT_EQ(Programs(run.source), (std::vector<std::string>{"\tSleep\n", "\tHold( 1 )\n\tReturn\n", "\tReturn\n"}));
}

TEST(DynamicObjects, EmptyTableAndEmptyBand) {
  const DynRun empty = Disasm(Bytes{0x00});
  EXPECT_EQ(empty.summary.back(), "Dynamic Scenery Section:");
  const std::string sep = "; " + std::string(40, '-') + "\n";
  EXPECT_EQ(empty.source, "\n" + sep + "; dynamic scenery\n" + sep + "\n");

  const DynRun band = Disasm(Section({{}}));
  EXPECT_EQ(Count(band.source, "; LatRange("), 1);
  EXPECT_EQ(Count(band.source, "Area15("), 0);
}

TEST(DynamicObjects, BadIdentifiers) {
  // An unknown object identifier ends its band (no line end after the
  // comment); the next band is written.
  const DynRun objects = Disasm(Section({{Object(Sleep()), Object(Sleep(), {}, {}, 5), Object(Sleep())}, {Object(Return())}}));
  EXPECT_NE(objects.source.find("End15\n\n; Error: unknown ID in Dynamic Section, Object Header at 3F\n; LatRange("),
            std::string::npos)
      << objects.source;
  EXPECT_EQ(Programs(objects.source), (std::vector<std::string>{"\tSleep\n", "\tReturn\n"}));

  // An unknown band identifier ends the summary with a message.
  Bytes bands = Section({{Object(Sleep())}, {Object(Return())}});
  bands.patch(9, 0x16, 1);
  const DynRun run = Disasm(bands);
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: unknown ID in Dyn Section at Offset 9"});
  EXPECT_EQ(run.summary.back().rfind("   Latitude Band", 0), 0u);
  EXPECT_NE(run.source.find("; Error: unknown ID in LatBand table at 9"), std::string::npos);
}

TEST(DynamicObjects, BadInstructionsEndTheWalk) {
  for (uint8_t op : std::initializer_list<uint8_t>{0x00, 0x44, 0x80, 0xFE}) {
    EXPECT_EQ(Program(Cat({Sleep(), Bytes{op}, Return()})),
              Format("\tSleep\n; Error: unexpected ID %x at offset 0036\n", op));
  }
  // Only the walk of that object ends.
  const DynRun run = Disasm(Section({{Object(Bytes{0x44}), Object(Sleep())}}));
  EXPECT_EQ(Programs(run.source), (std::vector<std::string>{"; Error: unexpected ID 44 at offset 0035\n", "\tSleep\n"}));

  // An instruction that runs past the end of its object is written, then
  // reported; the list goes on at the object's end.
  Bytes s = BandTable({{100, 101, 10}});
  s.append(Object(Cat({Sleep(), Bytes{0x01, 0x00}}))).zeros(3);
  EXPECT_EQ(Programs(Disasm(s).source),
            std::vector<std::string>{"\tSleep\n\tPitchTo( 0.00 0 )\n; Error: object end overrun\n"});
}

// ---------------------------------------------------------------------------
// Hostile files: every walk ends, with a message or a comment

TEST(DynamicHostile, ObjectsThatLeaveTheFile) {
  // The object claims 100 more bytes than the file has: the program is
  // written up to the end of the file, and the list cannot go on.
  Bytes s = BandTable({{100, 101, 10}});
  s.append(Object(Cat({Sleep(), Bytes{0x33, 0x01, 0x02}})).patch(9, 32 + 100, 2));
  const DynRun run = Disasm(s);
  EXPECT_EQ(Programs(run.source),
            std::vector<std::string>{"\tSleep\n; Error: instruction at offset 0036 runs past the end of the file\n"});
  EXPECT_NE(run.source.find("End15\n\n; Error: object list at offset 99 runs past the end of the file\n"),
            std::string::npos)
      << run.source;
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: Dyn Section area list at Offset 99 runs past the end of the file"});
  EXPECT_EQ(run.summary.back().substr(run.summary.back().size() - 11), ": 1 area(s)");

  // An instruction whose bytes are claimed but not read still may not
  // leave the file.
  Bytes t = BandTable({{100, 101, 10}});
  t.append(Object(Cat({Return(), Bytes{0x28}.zeros(5)})).patch(9, 32 + 40, 2));
  EXPECT_EQ(Programs(Disasm(t).source),
            std::vector<std::string>{"\tReturn\n; Error: instruction at offset 0036 runs past the end of the file\n"});

  // A label line already due stays; the cut instruction is not written.
  Bytes u = BandTable({{100, 101, 10}});
  u.append(Object(Cat({Jump(3), Bytes{0x43}.i16(0).zeros(4)})).patch(9, 32 + 40, 2));
  EXPECT_EQ(Programs(Disasm(u).source),
            std::vector<std::string>{"\tJump( :L000038 )\n:L000038\n; Error: instruction at offset 0038 runs past the end of the file\n"});
}

TEST(DynamicHostile, LyingSizesAndOffsets) {
  // A size that ends the object inside its own header: the object has no
  // program, and the next object starts at its end, its bytes serving the
  // short one as second box; neither is lost.
  for (uint32_t size : {0u, 31u}) {
    Bytes shortObject = Object(Bytes{});
    shortObject.vec().resize(size + 11);
    shortObject.patch(9, size, 2);
    const DynRun run = Disasm(Section({{shortObject, Object(Sleep())}}));
    EXPECT_EQ(Programs(run.source), (std::vector<std::string>{"", "\tSleep\n"})) << run.source;
    EXPECT_NE(run.source.find(Format("; Object # 2, offset: 0x%.4X size: 44 bytes", 10 + size + 11)), std::string::npos)
        << run.source;
    EXPECT_TRUE(run.messages.empty());
    EXPECT_EQ(run.summary.back().substr(run.summary.back().size() - 11), ": 2 area(s)");
  }
  // A header cut by the end of the file.
  Bytes cut = BandTable({{100, 101, 10}});
  cut.append(Object(Bytes{})).vec().resize(10 + 30);
  const DynRun c = Disasm(cut);
  EXPECT_NE(c.source.find("; Error: object header at offset A runs past the end of the file\n"), std::string::npos)
      << c.source;

  // A band pointing outside the file; the next band is still written.
  Bytes far = BandTable({{100, 101, 0x10000}, {101, 102, 19}}).append(Object(Sleep())).u8(0);
  const DynRun f = Disasm(far);
  EXPECT_NE(f.source.find("; Error: object list at offset 10000 runs past the end of the file\n"), std::string::npos);
  EXPECT_EQ(Programs(f.source), std::vector<std::string>{"\tSleep\n"});
  EXPECT_EQ(f.messages,
            std::vector<std::string>{"Error: Dyn Section area list at Offset 10000 runs past the end of the file"});

  // A band table cut by the end of the file.
  const DynRun t = Disasm(Bytes{0x15, 0x01, 0x00});
  EXPECT_EQ(t.messages,
            std::vector<std::string>{"Error: Dyn Section LatBand table at Offset 0 runs past the end of the file"});
  EXPECT_EQ(t.summary.back(), "Dynamic Scenery Section:");
}

TEST(DynamicHostile, BandsSharingOneListAreReadOnlyAsOftenAsTheFileAllows) {
  // 200 bands name one list of one 44-byte object: each run may read four
  // times the file's 1974 bytes, enough for 179 of the bands.
  Bytes s;
  for (int i = 0; i < 200; ++i) s.u8(0x15).i16(100).i16(101).u32(9 * 200 + 1);
  s.u8(0).append(Object(Sleep())).u8(0);
  ASSERT_EQ(128 + s.size(), 1974u);
  const DynRun run = Disasm(s);
  EXPECT_EQ(Count(run.source, "Area15("), 179);
  EXPECT_NE(run.source.find(kSep + "; Error: Dyn Section band lists overlap (more than 7896 bytes read); the "
                                    "remaining objects are skipped\n\n; LatRange("),
            std::string::npos);
  EXPECT_EQ(Count(run.source, "band lists overlap"), 1);
  EXPECT_EQ(Count(run.source, "; LatRange("), 200);
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: Dyn Section band lists overlap (more than 7896 bytes "
                                                   "read); the remaining areas are not counted"});
  ASSERT_GE(run.summary.size(), 200u);
  const std::vector<std::string> bands(run.summary.end() - 200, run.summary.end());
  EXPECT_EQ(std::count_if(bands.begin(), bands.end(), [](const std::string& l) { return EndsWith(l, ": 1 area(s)"); }),
            179);
  EXPECT_TRUE(EndsWith(bands.back(), ": 0 area(s)"));
}

// Random damage to well-formed sections: the walks must end, reading nothing
// outside the file (the sanitizers watch), and the source must be complete.
TEST(DynamicHostile, RandomlyDamagedSectionsAlwaysFinish) {
  std::mt19937 rng(20240521);
  auto pick = [&rng](uint32_t n) { return static_cast<uint32_t>(rng() % n); };
  const std::vector<uint8_t> lengths = {0, 5, 5, 5, 2, 3, 3, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 5, 5, 5, 7, 7, 7,
                                        9, 7, 7, 7, 9, 9, 9, 11, 7, 1, 1, 1, 3, 3, 1, 3, 13, 1, 3, 7, 7, 7, 7, 1,
                                        1, 4, 8, 19, 7, 24, 1, 1, 1, 31, 31, 32, 1, 17, 5, 1, 26, 23, 2, 25};
  ASSERT_EQ(lengths.size(), 0x44u);
  for (int round = 0; round < 150; ++round) {
    std::vector<std::vector<Bytes>> bands(1 + pick(3));
    for (auto& objects : bands) {
      objects.resize(pick(3));
      for (Bytes& o : objects) {
        Bytes code;
        const uint32_t n = pick(12);
        for (uint32_t i = 0; i < n; ++i) {
          const uint8_t op = pick(10) == 0 ? 0xFF : static_cast<uint8_t>(1 + pick(0x43));
          code.u8(op);
          for (uint8_t k = 1; k < (op == 0xFF ? 1 : lengths[op]); ++k) code.u8(pick(256));
        }
        o = Object(code);
      }
    }
    Bytes s = Section(bands);
    const uint32_t hits = pick(6);
    const bool cut = pick(4) == 0;
    for (uint32_t i = 0; i < hits; ++i) s.vec()[pick(static_cast<uint32_t>(s.size()))] = static_cast<uint8_t>(pick(256));
    if (cut) s.vec().resize(pick(static_cast<uint32_t>(s.size())) + 1);
    const DynRun run = Disasm(s);
    EXPECT_NE(run.output.rfind("; end of SCASM source\n"), std::string::npos) << "round " << round;
    if (hits == 0 && !cut) {
      // Undamaged: every program ends exactly at its object's end.
      size_t objects = 0;
      for (const auto& b : bands) objects += b.size();
      EXPECT_EQ(Programs(run.source).size(), objects) << "round " << round;
      EXPECT_EQ(run.source.find("; Error"), std::string::npos) << run.source;
      EXPECT_TRUE(run.messages.empty());
    }
  }
}

}  // namespace
}  // namespace skarn::test
