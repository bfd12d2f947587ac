// Scenery commands 0x00..0x3F: for each command, its bytes and the exact
// source text they give. Each program is disassembled as the only object of a
// procedural section, whose code starts at section offset 0x18, so a command
// at program offset k carries the label 0x18 + k and the object ends at
// 0x18 + program size. Most rows end in a Nop (02 00): its line shows that
// the command before it was decoded with the right length.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "ProcHarness.h"
#include "sections/procedural/Opcodes.h"

namespace skarn::test {
namespace {

TEST(Op00Table, FillsEveryEntryOfItsRange) {
  OpHandler table[0x40] = {};
  ops::Register00To3F(table);
  for (int c = 0; c < 0x40; ++c) EXPECT_NE(table[c], nullptr) << "command " << c;
}

TEST(Op00Fixed, CommandsWithoutOperands) {
  ExpectGolden({
      {"EOF", ThenNop(Op(0x00)), "\tDwx( 0000 ) ; EOF\n" + kNopLine},
      {"0x01", ThenNop(Op(0x01)), "\tNop; obsolete instruction (0x01) replaced by Nop\n" + kNopLine},
      {"Nop", ThenNop(Op(0x02)), "\tNop\n" + kNopLine},
      {"DEBUG", ThenNop(Op(0x04)), "\tNop ; DEBUG (should not occur), replaced by NOOP\n" + kNopLine},
      {"StartSurface", ThenNop(Op(0x05)), "\tStartSurface ; use only for polygons flat on the ground\n" + kNopLine},
      {"EndSurface", ThenNop(Op(0x08)), "\tEndSurface\n" + kNopLine},
      {"0x09", ThenNop(Op(0x09)), "\tDwx( 0009 ) ; obsolete DO NOT USE\n" + kNopLine},
      {"0x0C", ThenNop(Op(0x0C)), "\tDwx( 000C ) ; obsolete DO NOT USE\n" + kNopLine},
      {"0x16", ThenNop(Op(0x16)), "\tDwx( 0002 ) ; 0x16 reserved, with variable length, replaced by NOOP\n" + kNopLine},
      {"Concave", ThenNop(Op(0x38)), "\tConcave\n" + kNopLine},
  });
}

TEST(Op00Drawing, FixedOperandsPrintSignedAndHexAsStored) {
  ExpectGolden({
      {"MoveTo", ThenNop(Op(0x06).i16(-1).i16(300).i16(-32768)), "\tMoveTo( -1 300 -32768 )\n" + kNopLine},
      {"DrawTo", ThenNop(Op(0x07).i16(32767).i16(0).i16(-7)), "\tDrawTo( 32767 0 -7 )\n" + kNopLine},
      {"0x0A", ThenNop(Op(0x0A).u16(0xFFFF).u16(1).u16(0xABCD).u16(0x8000)),
       "\tDwx( 000A FFFF 0001 ABCD 8000 ) ; obsolete DO NOT USE\n" + kNopLine},
      {"0x0B", ThenNop(Op(0x0B).u16(0x10).u16(0x200).u16(0x3000).u16(0xF)),
       "\tDwx( 000B 0010 0200 3000 000F ) ; obsolete DO NOT USE\n" + kNopLine},
      {"DefPoint", ThenNop(Op(0x0E).i16(-10).i16(20).i16(-30).i16(40)), "\tDefPoint( -10 20 -30 40 )\n" + kNopLine},
      {"MoveToPt", ThenNop(Op(0x0F).i16(-3)), "\tMoveToPt( -3 ) ; use for line drawing only\n" + kNopLine},
      {"DrawToPt", ThenNop(Op(0x10).i16(12)), "\tDrawToPt( 12 ) ; use for line drawing only\n" + kNopLine},
      {"0x11", ThenNop(Op(0x11).u16(1).u16(2).u16(3).u16(4).u16(0xFFFF)),
       "\tDwx( 0011 0001 0002 0003 0004 FFFF ) ; obsolete DO NOT USE\n" + kNopLine},
      {"0x12", ThenNop(Op(0x12).u16(0xBEEF)), "\tDwx( 0012 BEEF ) ; obsolete DO NOT USE\n" + kNopLine},
      {"0x13", ThenNop(Op(0x13).u16(1)), "\tDwx( 0013 0001 ) ; obsolete DO NOT USE\n" + kNopLine},
      {"SETCOLOR", ThenNop(Op(0x14).u16(0xF0E4)), "\tDwx( 0014 F0E4 ) ; 0x14 = SETCOLOR\n" + kNopLine},
      {"TextureEnable", ThenNop(Op(0x17).i16(1)), "\tTextureEnable( 1 )\n" + kNopLine},
      {"BitmapMode", ThenNop(Op(0x1E).i16(-2)), "\tBitmapMode( -2 ) ; not to be supported after version 7.0\n" + kNopLine},
      {"SetVar", ThenNop(Op(0x26).u16(0x280).i16(-5)), "\tSetVar( 0280 -5 )\n" + kNopLine},
      {"Ball", ThenNop(Op(0x28).i16(1).i16(-2).i16(3).i16(-4)), "\tBall( 1 -2 3 -4 ) ; in FS2000 obsolete\n" + kNopLine},
      // Bytes +2, +3, +4, +5: the colour index (+3) comes first.
      {"RGBSColor", ThenNop(Op(0x2D).u8(0x10).u8(0xF0).u8(200).u8(7)), "\tRGBSColor(  F0 16 200 7 )\n" + kNopLine},
      {"RGBLColor", ThenNop(Op(0x2E).u8(0xFF).u8(0x0A).u8(0).u8(255)), "\tRGBLColor(  0A 255 0 255 )\n" + kNopLine},
      {"AutoPoints", ThenNop(Op(0x31).i16(1).i16(2).i16(-100).i16(200).i16(-300).i16(400).i16(-500).i16(600)),
       "\tAutoPoints( 1 2\n\t\t -100   200  -300\n\t\t  400  -500   600\n\t)\n" + kNopLine},
      {"DotLine", ThenNop(Op(0x35).i16(1).i16(-2).i16(3).i16(-4).i16(5).i16(-6).i16(7)),
       "\tDotLine( 1 -2 3 -4 5 -6 7 )\n" + kNopLine},
      {"Dot", ThenNop(Op(0x37).i16(-1).i16(0).i16(1)), "\tDot( -1 0 1 )\n" + kNopLine},
      {"SEED",
       ThenNop(Op(0x3D).u16(1).u16(2).u16(3).u16(4).u16(5).u16(6).u16(7).u16(8).u16(9).u16(10).u16(0xFFFF)),
       "\tDwx( 003D 0001 0002 0003 0004 0005 0006 0007 0008 0009 000A FFFF )\n"
       ";\t\t\t0x3d = SEED, should not occur in BGL files\n" +
           kNopLine},
  });
}

TEST(Op00Drawing, BrightnessIsRoundedHalfUpInPercent) {
  auto row = [](int16_t v, const char* percent) {
    return Golden{percent, ThenNop(Op(0x30).i16(v)),
                  std::string("\tBrightness( ") + percent + " ) ; in FS2000 obsolete without effect\n" + kNopLine};
  };
  ExpectGolden({
      row(16384, "50"),
      row(32767, "100"),
      row(1474, "4"),   // 4.498
      row(1475, "5"),   // 4.501
      row(-1475, "-4"),  // -4.501 + 0.5, cut toward zero
      row(-1474, "-3"),  // -4.498 + 0.5, cut toward zero
      row(-32768, "-99"),
  });
}

TEST(Op00Jumps, JumpAndReturnMarkWhatFollowsAsPossibleData) {
  ExpectGolden({
      {"jump to the object end", Op(0x0D).i16(4), "\tJump( : )\n"},
      {"jump to the next command", ThenNop(Op(0x0D).i16(4)), "\tJump( :L00001C )\n:L00001C\n" + kNopLine},
      {"jump over data", Op(0x0D).i16(6).u16(0x02).u16(0x22),
       "\tJump( :L00001E )\n:L00001C\n; unreachable code, possibly data area\n\tDbx( 02 00  )\n:L00001E\n\tReturn\n"},
      {"return before more bytes", ThenNop(Op(0x22)),
       "\tReturn\n:L00001A\n; unreachable code, possibly data area\n\tDbx( 02 00  )\n"},
      {"return at the object end", Op(0x22), "\tReturn\n"},
  });
}

TEST(Op00Jumps, CallsNameTheirTargetByLabel) {
  ExpectGolden({
      {"Call forward", Op(0x23).i16(6).u16(0x02).u16(0x22), "\tCall( :L00001E )\n\tNop\n:L00001E\n\tReturn\n"},
      {"Call backward", Bytes().u16(0x02).append(Op(0x23).i16(-2)), ":L000018\n\tNop\n\tCall( :L000018 )\n"},
      {"PerspectiveCall", ThenNop(Op(0x32).i16(4)), "\tPerspectiveCall( :L00001C )\n:L00001C\n" + kNopLine},
      {"ShadowCall", ThenNop(Op(0x3F).i16(4)), "\tShadowCall( :L00001C )\n:L00001C\n" + kNopLine},
      {"PerspectiveCall32", ThenNop(Op(0x2B).i32(6)), "\tPerspectiveCall32( :L00001E )\n:L00001E\n" + kNopLine},
      {"PBHCall", ThenNop(Op(0x3B).i16(6).u16(0xC0)), "\tPBHCall( :L00001E 00C0 )\n:L00001E\n" + kNopLine},
      // Angles in 1/65536 of the circle, whole degrees.
      {"RotatedCall", ThenNop(Op(0x33).i16(10).u16(16384).u16(65535).u16(0)),
       "\tRotatedCall( :L000022  90 360   0 )\n:L000022\n" + kNopLine},
  });
}

// Each colon-form command twice: branching to the object end (a lone ":" and
// no label) and branching to the Nop after it.
TEST(Op00ColonForms, ObjectEndIsALoneColonOtherTargetsALabel) {
  const Bytes range2 = Bytes().u16(0x300).i16(-1).i16(10).u16(0x301).i16(-20).i16(30);
  const Bytes range3 = Bytes().u16(0x300).i16(1).i16(2).u16(0x301).i16(3).i16(4).u16(0x302).i16(-5).i16(6);
  const Bytes monitor = Bytes().i16(1).i16(-2).i16(300).i16(4000).i16(-5000).i16(6).i16(16384).i16(-32768).i16(182);
  const std::string monitorRows = "\t\t   1   -2  300\n\t\t4000 -5000    6\n\t\t 90 -180   1 )\n";
  ExpectGolden({
      {"IfVarRange2 end", Op(0x1C).i16(16).append(range2), "\tIfVarRange2( : 0300 -1 10 0301 -20 30) \n"},
      {"IfVarRange2", ThenNop(Op(0x1C).i16(16).append(range2)),
       "\tIfVarRange2( :L000028 0300 -1 10 0301 -20 30) \n:L000028\n" + kNopLine},
      {"IfVarRange3 end", Op(0x21).i16(22).append(range3), "\tIfVarRange3( : 0300 1 2 0301 3 4 0302 -5 6 )\n"},
      {"IfVarRange3", ThenNop(Op(0x21).i16(22).append(range3)),
       "\tIfVarRange3( :L00002E 0300 1 2 0301 3 4 0302 -5 6 )\n:L00002E\n" + kNopLine},
      {"IfVarRange end", Op(0x24).i16(10).u16(0x280).i16(-1).i16(1), "\tIfVarRange( :  0280 -1 1 )\n"},
      {"IfVarRange", ThenNop(Op(0x24).i16(10).u16(0x280).i16(-1).i16(1)),
       "\tIfVarRange( :L000022 0280 -1 1 )\n:L000022\n" + kNopLine},
      {"IfVarAnd end", Op(0x39).i16(8).u16(0x10).u16(0xFF), "\tIfVarAnd( : 0010 00FF )\n"},
      {"IfVarAnd", ThenNop(Op(0x39).i16(8).u16(0x10).u16(0xFF)), "\tIfVarAnd( :L000020 0010 00FF )\n:L000020\n" + kNopLine},
      {"SeparationPlane end", Op(0x25).i16(14).i16(0).i16(32767).i16(-1).i32(180224),
       "\tSeparationPlane( : m 0 32767 -1   5.50 )\n"},
      {"SeparationPlane", ThenNop(Op(0x25).i16(14).i16(0).i16(1).i16(0).i32(-98304)),
       "\tSeparationPlane( :L000026 m 0 1 0  -3.00 )\n:L000026\n" + kNopLine},
      {"SuperScale end", Op(0x34).i16(10).i16(5).i16(-6).i16(40), "\tSuperScale( : 5 -6 8 )\n"},
      {"SuperScale", ThenNop(Op(0x34).i16(10).i16(5).i16(-6).i16(32)),
       "\tSuperScale( :L000022 5 -6 32 )\n:L000022\n" + kNopLine},
      {"SuperScale 33", Op(0x34).i16(10).i16(0).i16(0).i16(33), "\tSuperScale( : 0 0 1 )\n"},
      {"SuperScale negative", Op(0x34).i16(10).i16(0).i16(0).i16(-1), "\tSuperScale( : 0 0 -1 )\n"},
      {"RefPoint ofs end", Op(0x3A).i16(12).i16(-100).i16(200).u16(0xFFFF).u16(0x1234),
       "\tRefPoint( ofs : -100 200 1234 )\n"},
      {"RefPoint ofs", ThenNop(Op(0x3A).i16(12).i16(-100).i16(200).u16(0xFFFF).u16(0x1234)),
       "\tRefPoint( ofs :L000024 -100 200 1234 )\n:L000024\n" + kNopLine},
      // The label form carries a blank after its line end.
      {"MonitorTr end", Op(0x1B).i16(22).append(monitor), "\tMonitorTr( :\n" + monitorRows},
      {"MonitorTr", ThenNop(Op(0x1B).i16(22).append(monitor)),
       "\tMonitorTr( :L00002E\n " + monitorRows + ":L00002E\n" + kNopLine},
  });
}

TEST(Op00ColonForms, RejectIsDataWithACommentStatement) {
  ExpectGolden({
      {"REJECT", ThenNop(Op(0x2C).i16(12).i16(1).i16(-2).i16(3).i16(-4)),
       ";\tREJECT( :L000024 1 -2 3 -4 )\n\tDwx( 002C adrpat[:L000024] 0001 FFFE 0003 FFFC )\n:L000024\n" + kNopLine},
      // The object end has no label line to refer to: the data keeps the
      // stored displacement, which assembles to the same bytes.
      {"REJECT end", Op(0x2C).i16(12).i16(1).i16(-2).i16(3).i16(-4),
       ";\tREJECT( : 1 -2 3 -4 )\n\tDwx( 002C 000C 0001 FFFE 0003 FFFC )\n"},
  });
}

TEST(Op00RefPoints, PositionsAltitudesAndScale) {
  auto ns = [](int16_t disp, int64_t lat, int64_t lon, int64_t alt) {
    return Op(0x3C).i16(disp).i16(3).i16(-4).u16(0xEEEE).u48(U48(lat)).u48(U48(lon)).u48(U48(alt));
  };
  auto abs = [](int16_t disp, int32_t scale, int64_t lat, int64_t lon, int64_t alt) {
    return Op(0x2F).i16(disp).i16(3).i16(-4).u16(0xEEEE).i32(scale).u48(U48(lat)).u48(U48(lon)).u48(U48(alt));
  };
  ExpectGolden({
      {"ns end", ns(28, kLat45, kLon90, 8077312),
       "\tRefPoint( ns : N45:00:00.00 E090:00:00.00\n\t\tE= 123.25 V1= 3 V2= -4 )\n"},
      {"ns", ThenNop(ns(28, -kLat45, -kLon90, -32768)),
       "\tRefPoint( ns :L000034 S45:00:00.00 W090:00:00.00\n\t\tE=  -0.50 V1= 3 V2= -4 )\n:L000034\n" + kNopLine},
      // Scale 65536 / 32768; the altitude 123.5 m rounds half up.
      {"abs end", abs(32, 32768, kLat45, kLon90, 123 * 65536 + 32768),
       "\tRefPoint( abs :  2.00 N45:00:00.00 E090:00:00.00\n\t\tV1= 3 V2= -4 E= 124 )\n"},
      {"abs", ThenNop(abs(32, 655, -kLat45, -kLon90, -(2 * 65536 + 32768))),
       "\tRefPoint( abs :L000038 100.05 S45:00:00.00 W090:00:00.00\n\t\tV1= 3 V2= -4 E= -2 )\n:L000038\n" + kNopLine},
      // The highest altitude the field holds rounds up past the 32-bit range.
      {"abs highest altitude", abs(32, 65536 * 3, kLat45, kLon90, 0x7FFFFFFFFFFF),
       "\tRefPoint( abs :  0.33 N45:00:00.00 E090:00:00.00\n\t\tV1= 3 V2= -4 E= 2147483648 )\n"},
  });
}

TEST(Op00Case, DataWordsWithLabelsAndACommentStatement) {
  // Case at 0 (n = 2, 12 bytes), Nop at 12 and 14, Return at 16.
  const Bytes twoCases = Op(0x03).i16(2).u16(0x123).i16(16).i16(12).i16(14).u16(0x02).u16(0x02).u16(0x22);
  ExpectGolden({
      {"two cases", twoCases,
       "; \tCASE instruction not supported by SCASM\n"
       "\tDwx( 0003 0002 ) ; code, number of cases\n"
       "\t\tDwx( 0123 ) ; test variable\n"
       "\t\tDwx( 0010 ) ; :L000028 = default label\n"
       "\t\tDwx( adrpat[:L000024] ) ; :L000024 = label for value 0\n"
       "\t\tDwx( adrpat[:L000026] ) ; :L000026 = label for value 1\n"
       "; \tCase( 2 0123 :L000028 :L000024 :L000026 )\n"
       ":L000024\n\tNop\n:L000026\n\tNop\n:L000028\n\tReturn\n"},
      // A backward default prints sign-extended.
      {"no cases, backward default", Bytes().u16(0x02).append(ThenNop(Op(0x03).i16(0).u16(0x123).i16(-2))),
       ":L000018\n\tNop\n"
       "; \tCASE instruction not supported by SCASM\n"
       "\tDwx( 0003 0000 ) ; code, number of cases\n"
       "\t\tDwx( 0123 ) ; test variable\n"
       "\t\tDwx( FFFFFFFE ) ; :L000018 = default label\n"
       "; \tCase( 0 0123 :L000018 )\n" +
           kNopLine},
  });
}

TEST(Op00Lists, PointLists) {
  ExpectGolden({
      {"Points", ThenNop(Op(0x1A).i16(5).i16(2).i16(1).i16(-2).i16(3).i16(-30000).i16(400).i16(12345)),
       "\tPoints( 5\n\t\t    1   -2     3 ;   5\n\t\t-30000  400 12345 ;   6\n\t)\n" + kNopLine},
      {"Points empty", ThenNop(Op(0x1A).i16(5).i16(0)), "\tPoints( 5\n\t)\n" + kNopLine},
      {"VecPoints", ThenNop(Op(0x29).i16(10).i16(1).i16(1).i16(2).i16(3).i16(-100).i16(200).i16(-300)),
       "\tVecPoints( m 10\n\t\t    1    2     3   -100    200   -300 ; 10\n\t)\n" + kNopLine},
      {"VecPoints two", ThenNop(Op(0x29).i16(0).i16(2).zeros(24)),
       "\tVecPoints( m 0\n\t\t    0    0     0      0      0      0 ;  0\n"
       "\t\t    0    0     0      0      0      0 ;  1\n\t)\n" +
           kNopLine},
      {"TexPoly", ThenNop(Op(0x20).u16(2).i16(0).i16(-1).i16(0).i32(327680).i16(1).i16(2).i16(3).i16(-4).i16(-5).i16(-6)),
       "\tTexPoly( m 0 -1 0 10\n\t\t    1    2     3 ; 0\n\t\t   -4   -5    -6 ; 1\n\t)\n" + kNopLine},
  });
}

// Vertex-number lists continue on a new line after every eighth number.
TEST(Op00Lists, PolygonListsBreakAfterEveryEighth) {
  auto numbers = [](int from, int n) {
    Bytes b;
    for (int i = 0; i < n; ++i) b.i16(from + i);
    return b;
  };
  auto vecPoly = [&](int n) { return ThenNop(Op(0x1D).i16(n).i16(1).i16(2).i16(3).i16(4).i16(5).i16(6).append(numbers(0, n))); };
  const std::string vecHead = "\tVecPoly( m 1 2 3 4 5 6\n\t\t";
  const std::string eight = "   0    1    2    3    4    5    6    7 \n\t\t";
  ExpectGolden({
      {"VecPoly 9", vecPoly(9), vecHead + eight + "   8  )\n" + kNopLine},
      {"VecPoly 8", vecPoly(8), vecHead + eight + " )\n" + kNopLine},
      {"VecPoly 0", vecPoly(0), vecHead + " )\n" + kNopLine},
      {"TexWindow 9", ThenNop(Op(0x27).u16(9).i16(1).i16(2).i16(3).i32(57344).append(numbers(10, 9))),
       "\tTexWindow( m 1 2 3    1.75; in FS2k obsolete!\n\t\t10 11 12 13 14 15 16 17 \n\t\t18 "
       "\n\t) ; in FS2000 obsolete, do not use\n" +
           kNopLine},
      {"ShadedPoly 2", ThenNop(Op(0x2A).u16(2).i16(0).i16(0).i16(-1).i32(-98304).append(numbers(0, 2))),
       "\tShadedPoly( m 0 0 -1 -3\n\t\t0 1 \n\t)\n" + kNopLine},
      {"Poly 8", ThenNop(Op(0x3E).u16(8).i16(0).i16(32767).i16(0).i32(0).append(numbers(0, 8))),
       "\tPoly( m 0 32767 0 0\n\t\t0 1 2 3 4 5 6 7 \n\t\t\n\t)\n" + kNopLine},
      {"Poly 9", ThenNop(Op(0x3E).u16(9).i16(0).i16(-32767).i16(0).i32(-163840).append(numbers(-4, 9))),
       "\tPoly( m 0 -32767 0 -5\n\t\t-4 -3 -2 -1 0 1 2 3 \n\t\t4 \n\t)\n" + kNopLine},
  });
}

// The number of mask words is v / 16 + 1 for the i16 v at +14, with the
// division cut toward zero.
TEST(Op00Lists, MaskedDotLineCountsItsMaskWords) {
  auto dotLine = [](int16_t v, std::initializer_list<uint16_t> masks) {
    Bytes b = Op(0x36).u16(1).u16(2).u16(3).u16(4).u16(5).u16(6).i16(v);
    for (uint16_t m : masks) b.u16(m);
    return ThenNop(b);
  };
  const std::string head = ";\t masked DotLine, in FS2000 obsolete!\n\tDwx( 0036 0001 0002 0003 0004 0005 0006 ";
  ExpectGolden({
      {"v 20", dotLine(20, {0xAAAA, 0x5555}), head + "0014\n\t\tAAAA 5555  )\n" + kNopLine},
      {"v 15", dotLine(15, {0x00F0}), head + "000F\n\t\t00F0  )\n" + kNopLine},
      {"v -20", dotLine(-20, {}), head + "FFEC\n\t\t )\n" + kNopLine},
  });
}

TEST(Op00ElevationMap, GridOfPointsRowByRow) {
  ExpectGolden({
      {"2 x 1 points",
       ThenNop(Op(0x15).u16(1).u16(0).i16(-1).i16(2).i16(3).i16(4).u32(0xFFFFFFFF)
                   .u8(1).u8(255).i16(-300).u8(0).u8(7).i16(32767)),
       // The closing parenthesis ends its line, so the next statement
       // starts a line of its own.
       "\tElevationMap( 1 0 -1 2 3 4\n\t\t    1   255  -300\n\t\t    0     7 32767\n\t)\n" + kNopLine},
      {"1 x 2 points", ThenNop(Op(0x15).u16(0).u16(1).zeros(12).u8(9).u8(8).i16(7).u8(6).u8(5).i16(4)),
       "\tElevationMap( 0 1 0 0 0 0\n\t\t    9     8     7\n\t\t    6     5     4\n\t)\n" + kNopLine},
  });
}

TEST(Op00ElevationMap, GridLargerThanTheFileIsReportedNotPrinted) {
  // 65536 x 65536 points announced, none present.
  const std::string text = DisasmProgram(ThenNop(Op(0x15).u16(0xFFFF).u16(0xFFFF).zeros(14)));
  EXPECT_EQ(text.find("ElevationMap"), std::string::npos) << text;
  EXPECT_EQ(text.rfind("; Error:", 0), 0u) << text;
}

TEST(Op00TaxiMarkings, EverySubRecordKind) {
  const auto two = [](Bytes b) { return b.f32(1.5f).f32(-2.25f); };
  const auto four = [](Bytes b) { return b.f32(1.5f).f32(-2.25f).f32(0.125f).f32(1000.0f); };
  Bytes code = Op(0x1F).i16(0);
  code.i16(0).i16(8).i16(13);
  code.append(four(Bytes().i16(129))).append(four(Bytes().i16(130))).append(four(Bytes().i16(131)));
  for (int kind : {132, 133, 134, 135}) code.append(two(Bytes().i16(kind)));
  code.i16(136);  // unknown: two bytes, no line
  for (int kind : {137, 138, 139, 140, 196, 197, 198, 199}) code.append(two(Bytes().i16(kind)));
  code.patch(2, code.size(), 2);
  const std::string f2 = " 1.500 -2.250\n";
  const std::string f4 = " 1.500 -2.250 0.125 1000.000\n";
  ExpectGolden({
      {"all kinds", ThenNop(code),
       "\tTaxiMarkings(\n\t\tBREAK\n\t\tARC\n\t\tARCL\n\t\tHILS" + f4 + "\t\tHRWY" + f4 + "\t\tHTAXI" + f4 +
           "\t\tSS" + f2 + "\t\tDD" + f2 + "\t\tSD" + f2 + "\t\tC" + f2 + "\t\tSSL" + f2 + "\t\tDDL" + f2 +
           "\t\tDSL" + f2 + "\t\tCL" + f2 + "\t\tISS" + f2 + "\t\tIDD" + f2 + "\t\tIDS" + f2 + "\t\tIC" + f2 +
           "\t)\n" + kNopLine},
      {"empty", ThenNop(Op(0x1F).i16(4)), "\tTaxiMarkings(\n\t)\n" + kNopLine},
  });
}

TEST(Op00Bitmaps, NamesLoseTheirBlanks) {
  ExpectGolden({
      {"Bitmap", ThenNop(Op(0x18).i16(1).i16(-2).i16(3).i16(4).chars("TEX  A B.BMP").u16(0)),
       "\tBitmap( TEXAB.BMP 1 -2 3 4 ) \n" + kNopLine},
      {"Palette", ThenNop(Op(0x19).text("PAL 1.PAL", 12).u16(0xFFFF)), "\tPalette( PAL1.PAL )\n" + kNopLine},
  });
}

TEST(Op00Bitmaps, ListOnlyModeWritesBitmapNamesAndNothingElse) {
  Bytes code = Op(0x18).zeros(8).chars("TEX  A B.BMP").u16(0);
  code.append(Op(0x19).text("PAL.PAL", 14));
  code.append(Op(0x06).i16(1).i16(2).i16(3));
  code.append(Op(0x0D).i16(4));  // Jump to the next command
  code.append(Op(0x03).i16(1).u16(0x100).i16(10).i16(10));
  code.append(Op(0x1A).i16(0).i16(1).zeros(6));
  code.append(Op(0x18).zeros(8).text("GRASS.R8", 14));
  code.append(Op(0x22));
  EXPECT_EQ(ListBitmapsOf(code), "\tTEXAB.BMP (Bitmap)\n\tGRASS.R8 (Bitmap)\n");
  // The full disassembly has no list lines.
  EXPECT_EQ(DisasmProgram(code).find("(Bitmap)"), std::string::npos);
}

}  // namespace
}  // namespace skarn::test
