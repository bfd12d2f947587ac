// Scenery commands 0x40..0x7F: for each command, its bytes and the exact
// source text they give. Each program is disassembled as the only object of a
// procedural section whose code starts at section offset 0x18, so a command at
// program offset k carries the label 0x18 + k and the object ends at 0x18 +
// program size. Most rows end in a Nop (02 00): its line shows that the
// command before it was decoded with the right length.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "FakeHost.h"
#include "ProcHarness.h"
#include "TestUtil.h"
#include "core/Commands.h"
#include "core/SkarnDoc.h"
#include "sections/procedural/Opcodes.h"

namespace skarn::test {
namespace {

Bytes Numbers(std::initializer_list<int> values) {
  Bytes b;
  for (int v : values) b.i16(v);
  return b;
}

TEST(Op40Table, FillsEveryEntryOfItsRangeAndNothingElse) {
  OpHandler table[0xBE] = {};
  ops::Register40To7F(table);
  for (int c = 0; c < 0xBE; ++c) EXPECT_EQ(table[c] != nullptr, c >= 0x40 && c <= 0x7F) << "command " << c;
  EXPECT_EQ(table[0x42], table[0x44]);
}

TEST(Op40Fixed, CommandsWithFixedOperands) {
  ExpectGolden({
      {"ShadowPosInd", ThenNop(Op(0x40).u16(0xBEEF)), "\tShadowPosInd( BEEF )\n" + kNopLine},
      {"StrobeRow", ThenNop(Op(0x45).u16(1).u16(2).u16(3).u16(4).u16(5).u16(6).u16(0xFFFF)),
       "   ;\tStrobeRow (obsolete in FS2000) \n\tDwx( 0045 0001 0002 0003 0004 0005 0006 FFFF )\n" + kNopLine},
      {"MAP_SCALE", ThenNop(Op(0x47).u16(0x100)), "\tDwx( 0047 0100 ) ; MAP_SCALE\n" + kNopLine},
      {"VarSeg", ThenNop(Op(0x48).u16(0x40)), "\tVarSeg( 0040 )\n" + kNopLine},
      // The two words at +2, +4 come last.
      {"Building", ThenNop(Op(0x49).u16(0xA).u16(0xFFFF).append(Numbers({1, -2, 3, -4, 5, -32768}))),
       "\tBuilding( 1 -2 3 -4 5 -32768 000A FFFF )\n" + kNopLine},
      {"Var2Low64k", ThenNop(Op(0x4D).u16(0x280).u16(0xC)), "\tVar2Low64k( 0280 000C )\n" + kNopLine},
      {"Low64k2Var", ThenNop(Op(0x4E).u16(0xC).u16(0x280)), "\tLow64k2Var( 000C 0280 )\n" + kNopLine},
      {"CopyVar", ThenNop(Op(0x4F).u16(0x1).u16(0xABCD)), "\tCopyVar( 0001 ABCD )\n" + kNopLine},
      {"ShadedColor", ThenNop(Op(0x50).u8(0x0F).u8(0xE0)), "\tShadedColor( 0F E0 )\n" + kNopLine},
      {"LineColor", ThenNop(Op(0x51).u8(0xFF).u8(0x00)), "\tLineColor( FF 00 )\n" + kNopLine},
      {"SurfaceColor", ThenNop(Op(0x52).u8(0x05).u8(0xF0)), "\tSurfaceColor( 05 F0 )\n" + kNopLine},
      {"GCOLOR_ABS", ThenNop(Op(0x53).u16(0xF0E4)), "\tDwx( 0053 F0E4 ) ; GCOLOR_ABS\n" + kNopLine},
      {"SurfaceType", ThenNop(Op(0x55).append(Numbers({1, -2, 3, -4}))), "\tSurfaceType( 1 -2 3 -4 )\n" + kNopLine},
      {"Weather", ThenNop(Op(0x57).u16(0x12).i16(-16384).u16(0xA).u16(0xFFFF)),
       "\tWeather( 0012 -90 000A FFFF ) ; 0x57 = WEATHER\n" + kNopLine},
      {"TextureBounds", ThenNop(Op(0x58).i32(-100000).i32(2).i32(2147483647).i32(-2147483647 - 1)),
       "\tTextureBounds( -100000 2 2147483647 -2147483648 )\n" + kNopLine},
      {"VAR_SEG_ID", ThenNop(Op(0x59)), "\tDwx( 0059 ) ; 0x59 = VAR_SEG_ID, obsolete\n" + kNopLine},
      {"CallInd", ThenNop(Op(0x5B).u16(0x123)), "\tCallInd( 0123 ) ; obsolete\n" + kNopLine},
      {"FAR CALL", ThenNop(Op(0x5C).u16(1).u16(0xFFFF)),
       "\tDwx( 005C 0001 FFFF ) ; 0x5c = FAR CALL, obsolete\n" + kNopLine},
      {"RepeatBitmap", ThenNop(Op(0x5D).append(Numbers({1, -2, 3}))), "\tRepeatBitmap( 1 -2 3 )\n" + kNopLine},
      {"TEXTURE ROTATE", ThenNop(Op(0x5E).u16(0x8000)), "\tDwx( 005E 8000 ) ; TEXTURE ROTATE, obsolete!\n" + kNopLine},
      // Six bytes long, written as a two-byte Nop.
      {"0x61", ThenNop(Op(0x61).u16(0x1111).u16(0x2222)),
       "\tDwx( 0002 ) ; 0x61 = obsolete instruction, replaced by Noop\n" + kNopLine},
      {"LoadSurfaceColor", ThenNop(Op(0x65).u16(0xF001)), "\tLoadSurfaceColor( F001 )\n" + kNopLine},
      {"LoadShadedColor", ThenNop(Op(0x66).u16(0x0002)), "\tLoadShadedColor( 0002 )\n" + kNopLine},
      {"LoadLineColor", ThenNop(Op(0x67).u16(0x00FF)), "\tLoadLineColor( 00FF )\n" + kNopLine},
      {"TexPolyShading", ThenNop(Op(0x68).append(Numbers({0, -1, 32767}))),
       "\tTexPolyShading( 0 -1 32767 )\n" + kNopLine},
      {"RoadStart", ThenNop(Op(0x69).append(Numbers({10, -20, 30, -40}))), "\tRoadStart( 10 -20 30 -40 )\n" + kNopLine},
      {"RoadCont", ThenNop(Op(0x6A).append(Numbers({1, 2, -3}))), "\tRoadCont( 1 2 -3 )\n" + kNopLine},
      {"RiverStart", ThenNop(Op(0x6B).append(Numbers({-1, 2, -3, 4}))), "\tRiverStart( -1 2 -3 4 )\n" + kNopLine},
      {"RiverCont", ThenNop(Op(0x6C).append(Numbers({5, 6, 7}))), "\tRiverCont( 5 6 7 )\n" + kNopLine},
      {"TaxiwayStart", ThenNop(Op(0x6E).append(Numbers({8, 9, -10, 11}))), "\tTaxiwayStart( 8 9 -10 11 )\n" + kNopLine},
      {"TaxiwayCont", ThenNop(Op(0x6F).append(Numbers({-12, 13, 14}))), "\tTaxiwayCont( -12 13 14 )\n" + kNopLine},
      // The elevation is unsigned.
      {"SetElevation", ThenNop(Op(0x71).u16(0xFFFF)), "\tSetElevation( 65535 ) ; section16 specific \n" + kNopLine},
      {"Perspective", ThenNop(Op(0x76)), "\tPerspective\n" + kNopLine},
      {"ROADCONTW", ThenNop(Op(0x78).u16(1).u16(0x20).u16(0x300).u16(0xFFFF)),
       "\tDwx( 0078 0001 0020 0300 FFFF ) ; 0x78 = ROADCONTW\n" + kNopLine},
      {"RIVERCONTW", ThenNop(Op(0x79).u16(0xA).u16(0xB).u16(0xC).u16(0xD)),
       "\tDwx( 0079 000A 000B 000C 000D ) ; 0x79 = RIVERCONTW\n" + kNopLine},
      {"POverride", ThenNop(Op(0x7D)), "\tPOverride\n" + kNopLine},
      {"Setvar7E", ThenNop(Op(0x7E).u16(0x280).i16(-5)), "\tSetvar7E( 0280 -5 )\n" + kNopLine},
      {"City", ThenNop(Op(0x7F)), "\tCity ; in FS2000 obsolete\n" + kNopLine},
  });
}

TEST(Op40Calls, TargetsAreNamedByLabel) {
  ExpectGolden({
      // The i16 is printed sign-extended to 32 bits.
      {"ShadowCallVI", ThenNop(Op(0x41).i16(6).i16(-2)), "\tShadowCallVI( :L00001E FFFFFFFE )\n:L00001E\n" + kNopLine},
      {"ShadowCallVI positive", ThenNop(Op(0x41).i16(6).i16(0x1234)),
       "\tShadowCallVI( :L00001E 1234 )\n:L00001E\n" + kNopLine},
      {"TransformCall", ThenNop(Op(0x46).i16(22).append(Numbers({1, -2, 3, 16384, 0xA, -16384, 0xB, -32768, 0xC}))),
       "\tTransformCall( :L00002E 1 -2 3\n\t\t 90 000A -90 000B -180 000C )\n:L00002E\n" + kNopLine},
      {"LandingLights", ThenNop(Op(0x4A).i16(12).u16(0xABCD).append(Numbers({-1, 2, -3}))),
       "\tLandingLights( :L000024 ABCD -1 2 -3 )\n:L000024\n" + kNopLine},
      {"CallAsm", ThenNop(Op(0x54).i16(6).u16(0x10)), "\tCallAsm( :L00001E 0010 ) ; reserved\n:L00001E\n" + kNopLine},
      {"SeedAddObj", ThenNop(Op(0x5A).i16(4)), "\tSeedAddObj( :L00001C ) ; obsolete\n:L00001C\n" + kNopLine},
      {"LayerCall backward", Bytes().u16(0x02).append(Op(0x74).i16(-2).i16(-5)),
       ":L000018\n\tNop\n\tLayerCall( :L000018 -5 )\n"},
      {"AddMountain", ThenNop(Op(0x75).i16(4)), "\tAddMountain( :L00001C )\n:L00001C\n" + kNopLine},
      // The displacement stands at +6, after the two values; the statement
      // has no closing parenthesis.
      {"BglSelect", ThenNop(Op(0x7C).i16(1).i16(-2).i16(8)), "\tBglSelect( 1 -2 :L000020\n:L000020\n" + kNopLine},
  });
}

// Each colon-form command twice: branching to the object end (a lone ":" and
// no label) and branching to the Nop after it.
TEST(Op40ColonForms, ObjectEndIsALoneColonOtherTargetsALabel) {
  const Bytes ind = Op(0x4C).i16(16).i16(3).i16(-4).u16(0xEEEE).i32(32768).i16(-1);
  const Bytes rel = Op(0x77).i16(32).i16(3).i16(-4).u16(0xEEEE).i32(655).u48(U48(-kLat45)).u48(U48(-kLon90)).zeros(6);
  const Bytes monitor = Numbers({1, -2, 3, -4, 5, -6});
  ExpectGolden({
      {"RefPoint ind end", ind, "\tRefPoint( ind :   2.00 FFFFFFFF V1= 3 V2= -4 )\n"},
      {"RefPoint ind", ThenNop(Op(0x4C).i16(16).i16(0).i16(1).u16(0).i32(655).i16(0x123)),
       "\tRefPoint( ind :L000028  100.05 0123 V1= 0 V2= 1 )\n:L000028\n" + kNopLine},
      {"SetWeather end", Op(0x56).i16(4), "\tSetWeather( : )\n"},
      {"SetWeather", ThenNop(Op(0x56).i16(4)), "\tSetWeather( :L00001C )\n:L00001C\n" + kNopLine},
      {"IfVSize end", Op(0x5F).i16(8).i16(-1).i16(2), "\tIfVSize( : -1 2 )\n"},
      {"IfVSize", ThenNop(Op(0x5F).i16(8).i16(-1).i16(2)), "\tIfVSize( :L000020 -1 2 )\n:L000020\n" + kNopLine},
      {"IfVis end", Op(0x62).i16(12).i16(3).append(Numbers({1, -2, 3})), "\tIfVis( :\n\t\t1 -2 3 )\n"},
      {"IfVis", ThenNop(Op(0x62).i16(12).i16(3).append(Numbers({1, -2, 3}))),
       "\tIfVis( :L000024\n\t\t1 -2 3 )\n:L000024\n" + kNopLine},
      {"IfVis empty", Op(0x62).i16(6).i16(0), "\tIfVis( :\n\t\t)\n"},
      {"IfHSize end", Op(0x6D).i16(8).i16(5).i16(-6), "\tIfHSize( : 5 -6 )\n"},
      {"IfHSize", ThenNop(Op(0x6D).i16(8).i16(5).i16(-6)), "\tIfHSize( :L000020 5 -6 )\n:L000020\n" + kNopLine},
      {"AreaSense end", Op(0x70).i16(10).i16(1).i16(-1).i16(2), "\tAreaSense( :\n\t\t-1 2  )\n"},
      {"Monitor3d end", Op(0x73).i16(16).append(monitor), "\tMonitor3d( : 1 -2 3 -4 5 -6 )\n"},
      {"Monitor3d", ThenNop(Op(0x73).i16(16).append(monitor)),
       "\tMonitor3d( :L000028 1 -2 3 -4 5 -6 )\n:L000028\n" + kNopLine},
      {"RefPoint rel end",
       Op(0x77).i16(32).i16(3).i16(-4).u16(0xEEEE).i32(32768).u48(U48(kLat45)).u48(U48(kLon90)).zeros(6),
       "\tRefPoint( rel :  2.00 N45:00:00.00 E090:00:00.00\n\t\tV1= 3 V2= -4 )\n"},
      {"RefPoint rel", ThenNop(rel),
       "\tRefPoint( rel :L000038 100.05 S45:00:00.00 W090:00:00.00\n\t\tV1= 3 V2= -4 )\n:L000038\n" + kNopLine},
  });
}

// Counted lists: the length follows the count, and the count never makes the
// handler print more items than it holds.
TEST(Op40Lists, VertexLists) {
  const Bytes six = Numbers({1, -2, 3, -4, 5, -6});
  ExpectGolden({
      {"TexVecPoly", ThenNop(Op(0x60).i16(2).append(six).append(Numbers({1, -2, 30, -7, 12345, 0}))),
       "\tTexVecPoly( m 1 -2 3 -4 5 -6\n\t\t001 -0002 0030\n\t\t-007 12345 0000\n\t)\n" + kNopLine},
      {"TexVecPoly empty", ThenNop(Op(0x60).i16(0).append(six)), "\tTexVecPoly( m 1 -2 3 -4 5 -6\n\t)\n" + kNopLine},
      // dist: the i32 over 32768.
      {"ShadedTexPoly", ThenNop(Op(0x7A).u16(2).append(Numbers({1, -2, 3})).i32(57344)
                                    .append(Numbers({1, -2, 30, 1000, 0, -100}))),
       "\tShadedTexPoly( m 1 -2 3    1.75\n\t\t001 -002 030 ; 0\n\t\t1000 000 -100 ; 1\n\t)\n" + kNopLine},
      {"ShadedTexPoly empty", ThenNop(Op(0x7A).u16(0).append(Numbers({0, 0, 0})).i32(-98304)),
       "\tShadedTexPoly( m 0 0 0   -3.00\n\t)\n" + kNopLine},
  });
}

TEST(Op40Lists, LongListsBreakTheirLines) {
  auto pairs = [](int n) {
    Bytes b;
    for (int i = 0; i < 2 * n; ++i) b.i16(i);
    return b;
  };
  ExpectGolden({
      // Five pairs to a line: six pairs break once.
      {"AreaSense 6", ThenNop(Op(0x70).i16(30).i16(6).append(pairs(6))),
       "\tAreaSense( :L000036\n\t\t0 1  2 3  4 5  6 7  8 9  \n\t\t10 11  )\n:L000036\n" + kNopLine},
      {"AreaSense 5", Op(0x70).i16(26).i16(5).append(pairs(5)), "\tAreaSense( :\n\t\t0 1  2 3  4 5  6 7  8 9  \n\t\t)\n"},
      // Eight zeros to a line, whatever the words hold.
      {"BGL_List 9", ThenNop(Op(0x64).i16(24).i16(9).append(Numbers({1, 2, 3, 4, 5, 6, 7, 8, -9}))),
       "\tBGL_List( :L000030 0 0 0 0 0 0 0 0 \n\t\t0 )\n:L000030\n" + kNopLine},
      {"BGL_List 8", ThenNop(Op(0x64).i16(22).i16(8).zeros(16)),
       "\tBGL_List( :L00002E 0 0 0 0 0 0 0 0 \n\t\t)\n:L00002E\n" + kNopLine},
      {"BGL_List 0", ThenNop(Op(0x64).i16(6).i16(0)), "\tBGL_List( :L00001E )\n:L00001E\n" + kNopLine},
  });
}

TEST(Op40RawData, OverlayWordsAndTheOddByte) {
  ExpectGolden({
      {"L 6", ThenNop(Op(0x4B).i16(6).u16(0x1234)), "\tDwx( 004B 0006 1234 ; OVERLAY (reserved)\n\t\t )\n" + kNopLine},
      {"L 10", ThenNop(Op(0x4B).i16(10).u16(0x1234).u16(0xAAAA).u16(0xB)),
       "\tDwx( 004B 000A 1234 ; OVERLAY (reserved)\n\t\tAAAA 000B  )\n" + kNopLine},
      // An odd length leaves a byte after the last word: it is kept as a Dbx
      // so that the assembled command is as long as the stored one.
      {"L 9", ThenNop(Op(0x4B).i16(9).u16(0x1234).u16(0xAAAA).u8(0x7F)),
       "\tDwx( 004B 0009 1234 ; OVERLAY (reserved)\n\t\tAAAA  )\n\tDbx( 7F )\n" + kNopLine},
  });
}

// The comment shows the values; the raw words, command word first, give the
// assembler the command's bytes.
TEST(Op40RawData, ShadedTexVecPolyAsCommentAndWords) {
  const Bytes six = Numbers({1, -2, 3, -4, 5, -6});
  ExpectGolden({
      {"two items", ThenNop(Op(0x7B).i16(2).append(six).append(Numbers({1, -2, 30, -7, 12345, 0}))),
       ";\tShadedTexVecPoly( m 1 -2 3 -4 5 -6 ; not available in SCASM\n"
       ";\t\t001 -0002 0030\n"
       ";\t\t-007 12345 0000\n"
       ";\t)\n"
       "\tDwx( 007B 0002 0001 FFFE 0003 FFFC 0005 FFFA \n"
       "\t\t0001 FFFE 001E\n"
       "\t\tFFF9 3039 0000\n"
       "\t)\n" + kNopLine},
      {"no items", ThenNop(Op(0x7B).i16(0).append(six)),
       ";\tShadedTexVecPoly( m 1 -2 3 -4 5 -6 ; not available in SCASM\n;\t)\n"
       "\tDwx( 007B 0000 0001 FFFE 0003 FFFC 0005 FFFA \n\t)\n" + kNopLine},
  });
}

// A RunwayData record (64 bytes) with every optional field zero.
struct Runway {
  uint8_t command = 0x42;
  uint8_t designator = 0x49;
  uint16_t heading = 0xC000;
  Bytes near = Bytes().zeros(20);  // +32 .. +51
  Bytes far = Bytes().zeros(12);   // +52 .. +63
  Bytes Build() const {
    Bytes b = Op(command).u48(U48(kLat45)).u48(U48(kLon90)).u48(U48(500 * 65536 + 32768)).u16(heading);
    b.i16(5000).i16(150).u8(0x0F).u8(designator).u8(0x0A).u8(0xEE).u8(0x03).u8(0xEE);
    return b.append(near).append(far);
  }
};

std::string RunwayHead(const std::string& id) {
  return "\tRunwayData(  N45:00:00.00 E090:00:00.00\n\t\talt   500.5\n\t\theading   270\n"
         "\t\tlength    5000 ; in feet\n\t\twidth      150 ; in feet\n\t\tmarkers  0F\n"
         "\t\tid       " + id + "\n\t\tlights   A\n\t\tsurface  3\n";
}

TEST(Op40Runways, RunwayDataFieldsAndDesignators) {
  auto designated = [](uint8_t command, uint8_t designator) {
    Runway r;
    r.command = command;
    r.designator = designator;
    return ThenNop(r.Build());
  };
  ExpectGolden({
      {"0x49", designated(0x42, 0x49), RunwayHead("9L") + "\t)\n" + kNopLine},
      {"0x89", designated(0x42, 0x89), RunwayHead("9R") + "\t)\n" + kNopLine},
      {"0xC9", designated(0x42, 0xC9), RunwayHead("9C") + "\t)\n" + kNopLine},
      {"0x09", designated(0x42, 0x09), RunwayHead("9 ") + "\t)\n" + kNopLine},
      {"0x24 by 0x44", designated(0x44, 0x24), RunwayHead("36 ") + "\t)\n" + kNopLine},
  });
}

TEST(Op40Runways, RunwayDataOptionalFields) {
  Runway all;
  all.near = Bytes().i16(100).i16(-50).i16(200).i16(300).u8(0xA1).u8(2).u8(3).u8(2).i16(546).i16(-50).i16(-1000).i16(400);
  all.far = Bytes().u8(0x0B).u8(4).u8(5).u8(3).i16(-546).i16(60).i16(-900).i16(500);
  // VASI values without bars are not written.
  Runway noBars;
  noBars.near = Bytes().zeros(12).i16(546).i16(1).i16(2).i16(3);
  noBars.far = Bytes().zeros(4).i16(546).i16(1).i16(2).i16(3);
  ExpectGolden({
      {"all", ThenNop(all.Build()),
       RunwayHead("9L") +
           "\t\tThrOffN    100\n\t\tThrOffF    200\n\t\tExtN       -50\n\t\tExtF       300\n"
           "\t\tThrLightsN A1\n\t\tAprLN      2\n\t\tStrobesN   3\n"
           "\t\tThrLightsF 0B\n\t\tAprLF      4\n\t\tStrobesF   5\n"
           // Near-end distance and side are stored negated; far-end ones not.
           "\t\tVasiBarsN  2\n\t\tVasiSpaceN 400\n\t\tVasiDistN  1000\n\t\tVasiSideN  50\n\t\tVasiSlopeN 3.0\n"
           "\t\tVasiBarsF  3\n\t\tVasiSpaceF 500\n\t\tVasiDistF  -900\n\t\tVasiSideF  60\n\t\tVasiSlopeF -3.0\n"
           "\t)\n" + kNopLine},
      {"VASI without bars", ThenNop(noBars.Build()), RunwayHead("9L") + "\t)\n" + kNopLine},
  });
}

TEST(Op40Runways, ApproachLights) {
  ExpectGolden({
      {"all", ThenNop(Op(0x72).i16(-16384).i16(150).i16(3000).u8(5).u8(6).u8(0xEE).u8(2).append(Numbers({546, -40, 800, 300}))),
       "\tApproachLights(          ; obsolete\n\t\theading   -90\n"
       "\t\tlength   03000 ; from center in feet\n\t\twidth    00150 ; in feet\n"
       "\t\tThrLights  5\n\t\tAprL       6\n"
       "\t\tVasiBars   2\n\t\tVasiSpace  300\n\t\tVasiDist   800\n\t\tVasiSide   -40\n\t\tVasiSlopeN  3.0\n\t)\n" +
           kNopLine},
      {"bare", ThenNop(Op(0x72).i16(0).i16(-5).i16(0).u8(0).u8(0).u8(0xEE).u8(0).append(Numbers({546, 1, 2, 3}))),
       "\tApproachLights(          ; obsolete\n\t\theading     0\n"
       "\t\tlength   00000 ; from center in feet\n\t\twidth    -00005 ; in feet\n\t)\n" + kNopLine},
  });
}

Bytes LoadBitmap(uint16_t flags, const std::string& name, size_t field) {
  return Op(0x43).i16(static_cast<int32_t>(12 + field)).i16(3).u16(flags).u8(8).u8(9).u8(10).u8(11).text(name, field);
}

TEST(Op40Bitmaps, LoadBitmapFlagsAndName) {
  ExpectGolden({
      {"0x38", ThenNop(LoadBitmap(0x38, "GRASS.BMP", 10)),
       "\tLoadBitmap( 3 WFS0 09 8 10 11\n\t\tGRASS.BMP )\n" + kNopLine},
      {"0xC1", ThenNop(LoadBitmap(0xC1, "A.R8", 5)), "\tLoadBitmap( 3 LH1 09 8 10 11\n\t\tA.R8 )\n" + kNopLine},
      {"0xFF", ThenNop(LoadBitmap(0xFF, "B", 3)), "\tLoadBitmap( 3 WFSLH7 09 8 10 11\n\t\tB )\n" + kNopLine},
      // An odd length: the next command follows directly.
      {"odd length", ThenNop(LoadBitmap(0, "AB.BMP", 7)), "\tLoadBitmap( 3 0 09 8 10 11\n\t\tAB.BMP )\n" + kNopLine},
      // A name without its zero ends with the command, not in the next one.
      {"unterminated", ThenNop(LoadBitmap(0, "ABCD", 4)), "\tLoadBitmap( 3 0 09 8 10 11\n\t\tABCD )\n" + kNopLine},
  });
}

TEST(Op40Bitmaps, ListOnlyModeWritesLoadBitmapNames) {
  Bytes code = LoadBitmap(0x38, "GRASS.BMP", 10);
  // A library call of the FS2000 form: read in the older form, its last two
  // bytes would stand for a command number beyond the set, ending the list.
  code.append(Op(0x63).u16(0).u32(1).u32(2).u32(3).u16(4).u16(0xBE));
  code.append(LoadBitmap(0, "ROAD.R8", 8));
  code.append(Op(0x7B).i16(1).zeros(18));
  code.append(Op(0x18).zeros(8).text("TEX.BMP", 14));
  code.append(Op(0x22));
  // Answered Yes, the library call is 20 bytes and the name after it is found.
  EXPECT_EQ(ListBitmapsOf(code, true), "\tGRASS.BMP (LoadBitmap)\n\tROAD.R8 (LoadBitmap)\n\tTEX.BMP (Bitmap)\n");
  EXPECT_EQ(DisasmProgram(code).find("(LoadBitmap)"), std::string::npos);
}

// The library object identifier is four 32-bit words; FS2000 files put an
// extra word before it.
TEST(Op40LibraryCalls, LayoutFollowsTheAnswer) {
  const Bytes id = Bytes().u32(0xDEADBEEF).u32(1).u32(0x80000000).u32(0x0000ABCD);
  ExpectGolden({{"Yes", ThenNop(Op(0x63).u16(0).append(id)),
                 "\tCallLibObj( 0 DEADBEEF 00000001 80000000 0000ABCD )\n" + kNopLine}},
               true);
  ExpectGolden({{"No", ThenNop(Op(0x63).append(id)),
                 "\tCallLibObj1( DEADBEEF 00000001 80000000 0000ABCD )\n" + kNopLine}},
               false);
}

TEST(Op40LibraryCalls, AskedOncePerSectionObject) {
  // Two bands of one object each, every object calling a library object.
  const Bytes call = ThenNop(Op(0x63).append(Bytes().zeros(16)));
  auto object = [&](int32_t lon) {
    Bytes b;
    b.u8(6).i32(0x00100000).i32(lon).u8(0).u32(static_cast<uint32_t>(14 + call.size())).append(call).u8(0);
    return b;
  };
  const Bytes first = object(0x02000000), second = object(0x03000000);
  Bytes section = BandTable({{100, 101, 19}, {101, 102, static_cast<uint32_t>(19 + first.size())}});
  section.append(first).append(second);

  FakeHost host;
  host.answer = false;
  CSkarnDoc doc(host);
  BglBuilder b;
  b.Section(kProcHeaderField, section);
  ASSERT_TRUE(doc.OpenImage(b.Build(), "lib.bgl"));
  ASSERT_EQ(Disassemble(doc), CommandResult::kWritten);
  const std::string once = UnixText(host.output);
  ASSERT_EQ(Disassemble(doc), CommandResult::kWritten);
  EXPECT_EQ(host.questions, std::vector<std::string>{"Is this a FS2000/2002 .bgl-file?"});
  EXPECT_EQ(UnixText(host.output), once);
  // 18-byte calls in both objects: each Nop is decoded.
  const std::string line = "\tCallLibObj1( 00000000 00000000 00000000 00000000 )\n\tNop\n";
  size_t calls = 0;
  for (size_t at = once.find(line); at != std::string::npos; at = once.find(line, at + 1)) ++calls;
  EXPECT_EQ(calls, 2u);

  // A program without library calls asks nothing.
  EXPECT_TRUE(DisasmSection(ProcSectionWith(ThenNop(Op(0x76)))).questions.empty());
}

TEST(Op40LibraryCalls, OnlyThePrintPassMeetsTheCall) {
  // Jump over a call to a Jump back to it: the collect pass skips the call
  // as data, the jump back makes it code for the print pass, which asks
  // nothing and takes the 18-byte layout whatever the answer would be.
  const Bytes code = Jump(22).append(Op(0x63).u32(1).u32(2).u32(3).u32(4)).append(Jump(-18)).append(Return());
  for (const bool fs2000 : {true, false}) {
    const ProcRun run = DisasmSection(ProcSectionWith(code), fs2000);
    EXPECT_TRUE(run.questions.empty());
    EXPECT_NE(run.program.find("\tCallLibObj1( 00000001 00000002 00000003 00000004 )\n"), std::string::npos)
        << run.program;
    EXPECT_EQ(run.program.find("answered"), std::string::npos);
  }
}

}  // namespace
}  // namespace skarn::test
