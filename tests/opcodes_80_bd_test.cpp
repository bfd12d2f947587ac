// Scenery commands 0x80 to 0xBD: each case states a command's bytes and the
// exact source text it gives. Every command is followed by a Nop, so a wrong
// length shows up as a missing or garbled Nop line.
//
// The program of the test object starts at section offset 0x18, so a command
// at program offset k carries label 0x18 + k.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "BglBuilder.h"
#include "ProcHarness.h"
#include "core/GeoText.h"

namespace skarn::test {
namespace {

Bytes Nops(int n) {
  Bytes b;
  for (int i = 0; i < n; ++i) b.append(Nop());
  return b;
}
std::string NopLines(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "\tNop\n";
  return s;
}

// The program text of a command followed by a Nop.
std::string Text(const Bytes& command) { return DisasmProgram(Cat({command, Nop()})); }

// Raw 6-byte position and altitude fields.
uint64_t Lat48(double degrees) {
  return static_cast<uint64_t>(std::llround(degrees / GeoText::kFineMetreLatitude));
}
uint64_t Lon48(double degrees) { return static_cast<uint64_t>(std::llround(degrees / GeoText::kCircle48)); }
uint64_t Metres48(double metres) { return static_cast<uint64_t>(std::llround(metres * 65536.0)); }

struct Row {
  const char* what;
  Bytes code;
  std::string text;
};

void ExpectRows(std::initializer_list<Row> rows) {
  for (const Row& r : rows) EXPECT_EQ(Text(r.code), r.text + "\tNop\n") << r.what;
}

// ---------------------------------------------------------------------------

TEST(Op80FixedCommandsTest, OperandsAndLengths) {
  Bytes ab = Op(0xAB);
  for (int i = 0; i < 36; ++i) ab.u8(0xEE);
  ExpectRows({
      {"DotPt", Op(0x80).i16(-5), "\tDotPt( -5 )\n"},
      {"Smoothing", Op(0x81).i16(1), "\tSmoothing( 1 )\n"},
      {"surface normal", Op(0x84).u16(1).u16(0xABCD).u16(3), "\tDwx( 0084 0001 ABCD 0003 ) ; 0x84 = SURFACE NORMAL\n"},
      {"ASD name", Op(0x85), "\tNOP ; 0x85 ASD NAME obsolete, do not use!\n"},
      {"page fault", Op(0x86), "\tNop ; 0x86 PAGE FAULT should not occur!\n"},
      {"CustomColors", Op(0x87).u16(0xFFFF), "\tCustomColors( 65535 )\n"},
      {"AsmCall32", Op(0x8C).i32(-70000), "\tAsmCall32 ( :[-70000] ) ; reserved!\n"},
      {"file marker", Op(0x8D).i16(-2).i16(5), "\tDwx( 008D FFFFFFFE 0005 ; FILE_MARKER_32, reserved\n"},
      {"VFileMarker", Op(0x8E).i16(7), "\tVFileMarker ( 7 ) ; reserved!\n"},
      {"AlphaColor", Op(0x8F).u16(0x12AB).u16(0xFFFF), "\tAlphaColor( 12AB )\n"},
      {"BGL text", Op(0x91).u16(1).u16(2).u16(3).u16(0xFFFF).u16(0x10),
       "\tDwx( 0091 0001 0002 0003 FFFF 0010 ) ; BGL_TEXT not available in SCASM\n"},
      {"MipMap", Op(0x92).i16(1), "\tMipMap( 1 ) ; in FS2000 obsolete!\n"},
      {"Specular", Op(0x93).i16(-1), "\tSpecular( -1 ) ; in FS2000 reserved?\n"},
      {"SetCrashCode", Op(0x99).i16(3), "\tSetCrashCode( 3 )\n"},
      {"VResList", Op(0x9B).i16(-1).i16(2).i16(0x7FFF), "\tDwx( 009B FFFFFFFF 0002 7FFF ) ; VResList - reserved!\n"},
      {"VLibraryCall", Op(0x9C).i16(0x100).i16(-0x8000),
       "\tDwx( 009C 0100 FFFF8000 ) ; VLIBRARY_CALL - reserved!\n"},
      {"VarBaseOverride", Op(0x9F).i32(0x12345), "\tVarBaseOverride( 012345 )\n"},
      {"VALPHA", Op(0xA4).u16(0x8000), "\tDwx( 00A4 8000 ) ; VALPHA\n"},
      {"LoadBitmapClass", Op(0xA5).i16(12), "\tLoadBitmapClass( 12 )\n"},
      {"target indicator", Op(0xA6).u16(1).u16(0xA).u16(0xFFFF), "\tDwx( 00A6 0001 000A FFFF ) ; TARGET INDICATOR\n"},
      {"RRStart", Op(0xA8).i16(1).i16(-2).i16(3).i16(-4).i16(5), "\tRRStart( 1 -2 3 -4 5 )\n"},
      {"0xAB leaves no trace", ab, ""},
      {"ZBias", Op(0xAC).i16(2), "\tZBias( 2 )\n"},
      {"TransformEnd", Op(0xAE), "\tTransformEnd\n"},
      {"TextureSize", Op(0xB4).f32(1.5f), "\tTextureSize( 1.500 )\n"},
      {"SetMaterial", Op(0xB8).i16(3).i16(-1), "\tSetMaterial( 3 -1 )\n"},
      {"BGLVersion", Op(0xBC).i32(0x800), "\tBGLVersion( 0800 )\n"},
      {"EndVersion", Op(0xBD), "\tEndVersion\n"},
  });
}

TEST(Op80FixedCommandsTest, PositionsAndFloats) {
  ExpectRows({
      {"ShadowPos", Op(0x82).u48(Lat48(-33.25)).u48(Lon48(-122.5)).u48(Metres48(123.5)),
       "\tShadowPos(  S33:15:00.00  W122:30:00.00 124 )\n"},
      // Half up: the fraction of x + 0.5 is dropped toward zero.
      {"ShadowPos below sea level", Op(0x82).u48(Lat48(47.5)).u48(Lon48(8.5)).u48(Metres48(-2.5)),
       "\tShadowPos(  N47:30:00.00  E008:30:00.00 -2 )\n"},
      // The largest altitude the field holds rounds to 2^31, past any int.
      {"ShadowPos at the top of the range", Op(0x82).u48(Lat48(47.5)).u48(Lon48(8.5)).u48(0x7FFFFFFFFFFFull),
       "\tShadowPos(  N47:30:00.00  E008:30:00.00 2147483648 )\n"},
      {"Transform_Mat",
       Op(0xAF).f32(1).f32(2).f32(3).f32(4).f32(5).f32(6).f32(7).f32(8).f32(9).f32(10).f32(11).f32(-12),
       "\tTransform_Mat(\n\t\t1.000 2.000 3.000\n\t\t4.000 5.000 6.000\n\t\t7.000 8.000 9.000\n"
       "\t\t10.000 11.000 -12.000\n\t)\n"},
      {"Light",
       Op(0xB2).u16(3).f32(1).f32(2.5f).f32(-3).u32(7).f32(0.25f).f32(0.75f).u8(10).u8(0x1F).u8(11).u8(12).f32(1)
           .f32(0).f32(-1),
       "\tLight( m 3 1.00 2.50 -3.00\n\t\t7 0.25 0.75 1F 10 11 12\n\t\t1.00 0.00 -1.00 )\n"},
      {"BGL_TAG", Op(0xB1).text("TAG1", 16).f32(1.5f),
       "\tDwx( 00B1 ) ; BGL_TAG\n\tDba( TAG1 )\n\tDbx( 0 0 0 0 0 0 0 0 0 0 0 0 1.50 )\n"},
      // A tag of all 16 bytes has no terminator; the float still comes from +18.
      {"BGL_TAG full", Op(0xB1).chars("ABCDEFGHIJKLMNOP").f32(2),
       "\tDwx( 00B1 ) ; BGL_TAG\n\tDba( ABCDEFGHIJKLMNOP )\n\tDbx( 2.00 )\n"},
  });
}

// ---------------------------------------------------------------------------
// Jumps, calls and code references

TEST(Op80JumpsTest, Jump32) {
  EXPECT_EQ(DisasmProgram(Cat({Op(0x88).i32(6), Nop()})), "\tJump32( :L00001E )\n:L00001E\n\tNop\n");
  // To the end of the program: the colon form, and the bytes after it are
  // unreachable.
  EXPECT_EQ(DisasmProgram(Cat({Op(0x88).i32(8), Nop()})),
            "\tJump32( : )\n:L00001E\n; unreachable code, possibly data area\n\tDbx( 02 00  )\n");
  // Backward, with a negative 32-bit displacement.
  EXPECT_EQ(DisasmProgram(Cat({Nop(), Op(0x88).i32(-2), Nop()})),
            ":L000018\n\tNop\n\tJump32( :L000018 )\n:L000020\n; unreachable code, possibly data area\n"
            "\tDbx( 02 00  )\n");
}

TEST(Op80JumpsTest, ReferencesOfVarBaseInterpolateAndAnimate) {
  // Displacements -1, 0 and 1 are values, not code.
  EXPECT_EQ(Text(Op(0x89).i32(1)), "\tVarBase( :[1] )\n\tNop\n");
  EXPECT_EQ(Text(Op(0x89).i32(0)), "\tVarBase( :[0] )\n\tNop\n");
  EXPECT_EQ(Text(Op(0x89).i32(-1)), "\tVarBase( :[-1] )\n\tNop\n");
  EXPECT_EQ(DisasmProgram(Cat({Op(0x89).i32(16), Nops(6)})), "\tVarBase( :L000028 )\n" + NopLines(5) +
                                                                   ":L000028\n\tNop\n");
  EXPECT_EQ(DisasmProgram(Cat({Nop(), Op(0x89).i32(-2)})), ":L000018\n\tNop\n\tVarBase( :L000018 )\n");

  const Bytes interpolate = Bytes().i16(-1).u32(0x12345678).i16(5).i32(0x10).i16(0x7F);
  EXPECT_EQ(Text(Cat({Op(0x9E).i32(20), interpolate})),
            "\tInterpolate( :L00002C FFFFFFFF 12345678 0005 0010 007F )\n:L00002C\n\tNop\n");
  EXPECT_EQ(Text(Cat({Op(0x9E).i32(0), interpolate})),
            "\tInterpolate( :[0] FFFFFFFF 12345678 0005 0010 007F )\n\tNop\n");

  const Bytes animate = Bytes().i32(1).i32(-1).i32(0xABC).f32(0.5f).f32(-2).f32(100);
  EXPECT_EQ(Text(Cat({Op(0xAD).i32(30), animate})),
            "\tAnimate( :L000036 0001 FFFFFFFF 0ABC 0.500 -2.000 100.000\n:L000036\n\tNop\n");
  EXPECT_EQ(Text(Cat({Op(0xAD).i32(-1), animate})),
            "\tAnimate( :[-1] 0001 FFFFFFFF 0ABC 0.500 -2.000 100.000\n\tNop\n");
}

TEST(Op80JumpsTest, CallsAndAddressOperands) {
  ExpectRows({
      {"Call32", Op(0x8A).i32(6), "\tCall32( :L00001E )\n:L00001E\n"},
      {"LayerCall32", Op(0x8B).i32(8).i16(-3), "\tLayerCall32( :L000020 -3 )\n:L000020\n"},
      {"RegisterBitmapClass", Op(0xA1).i16(3).i16(-4).i32(10), "\tRegisterBitmapClass( 3 -4 :L000022 )\n:L000022\n"},
      // The word is raw data: its high byte is kept.
      {"0xA2", Op(0xA2).i16(0x0107).i32(8),
       "\tDwx( 00A2 0107 ) ; I_A2 not in SCASM?\n\tDlx( adrpat[ :L000020 ] )\n:L000020\n"},
      {"VSCALEV", Op(0x9D).i16(14).i16(-1).i16(2).u16(0).i16(3).i16(0x7FFF),
       "\tDwx( 009D adrpat[ :L000026 ] FFFFFFFF 0002 0 0003 7FFF ; VSCALEV - reserved!\n:L000026\n"},
      {"RotateToAircraft", Op(0xA7).i16(22).i16(1).i16(2).i16(3).i16(4).i16(5).i16(6).i16(-1).i16(2).i16(0x7FFF),
       "\tRotateToAircraft( :L00002E 1 2 3\n\t\t4 5 6 FFFFFFFF 0002 7FFF )\n:L00002E\n"},
  });
}

TEST(Op80JumpsTest, ColonFormBranches) {
  // Each branch once to the next command and once to the program's end.
  ExpectRows({
      {"ReScale", Op(0x83).i16(12).i16(5).i16(-6).i32(32768), "\tReScale( :L000024 5 -6 2.000000 )\n:L000024\n"},
      {"ReScale to the end", Op(0x83).i16(14).i16(5).i16(-6).i32(-65536), "\tReScale( : 5 -6 -1.000000 )\n"},
      {"I_A9", Op(0xA9).i16(22).i16(1).i16(2).i16(3).i16(4).i16(5).i16(6).i16(0x4000).i16(-0x4000).i16(0x100),
       "\tI_A9( :L00002E 1 2 3 4 5 6  90 -90   1 )\n:L00002E\n"},
      {"I_A9 to the end", Op(0xA9).i16(24).i16(1).i16(2).i16(3).i16(4).i16(5).i16(6).i16(0).i16(0).i16(0),
       "\tI_A9( : 1 2 3 4 5 6   0   0   0 )\n"},
      {"IfInF", Op(0xB3).i32(16).u16(0xBEEF).f32(1.5f).f32(-0.25f), "\tIfInF( :L000028  BEEF 1.500 -0.250 )\n:L000028\n"},
      {"IfInF to the end", Op(0xB3).i32(18).u16(0xBEEF).f32(1.5f).f32(-0.25f), "\tIfInF( : BEEF 1.500 -0.250 )\n"},
      // The whole 32-bit displacement decides: its low half alone would
      // point at the end of the program.
      {"IfInF far", Op(0xB3).i32(0x10012).u16(1).f32(0).f32(0), "\tIfInF( :L01002A  0001 0.000 0.000 )\n"},
  });
}

// ---------------------------------------------------------------------------
// Crash (collision) volumes

TEST(Op80CrashTest, CrashAndCrashIndirect) {
  // The second label is written in lower case.
  EXPECT_EQ(DisasmProgram(Cat({Op(0x94).i16(12).i16(7).i16(18).i16(14).i16(-1), Nops(4)})),
            "\tCrash( :L000024 7 :L00002a :L000026 -1 )\n:L000024\n\tNop\n:L000026\n\tNop\n\tNop\n:L00002A\n\tNop\n");
  // A zero third displacement is no target: no label at the command itself.
  EXPECT_EQ(DisasmProgram(Cat({Op(0x94).i16(12).i16(7).i16(14).i16(0).i16(2), Nops(2)})),
            "\tCrash( :L000024 7 :L000026 :[0] 2 )\n:L000024\n\tNop\n:L000026\n\tNop\n");

  // The last value is the low byte of the word at +8.
  EXPECT_EQ(DisasmProgram(Cat({Op(0x95).i16(10).i16(12).i16(14).i16(0x0105), Nops(3)})),
            "\tCrashIndirect( :L000022 :L000024 :L000026 0 5 )\n:L000022\n\tNop\n:L000024\n\tNop\n:L000026\n\tNop\n");
  EXPECT_EQ(DisasmProgram(Cat({Op(0x95).i16(10).i16(12).i16(0).i16(0x00FF), Nops(2)})),
            "\tCrashIndirect( :L000022 :L000024 :[0] 0 255 )\n:L000022\n\tNop\n:L000024\n\tNop\n");
}

TEST(Op80CrashTest, VolumesAndOctTree) {
  ExpectRows({
      {"CrashStart", Op(0x96).i16(6).i16(-3), "\tCrashStart( :L00001E -3 )\n:L00001E\n"},
      {"CrashSphere", Op(0x97).i16(6).i16(100), "\tCrashSphere( :L00001E 100 )\n:L00001E\n"},
      // Angles to the nearest whole degree: 90, -0.70 and 1.41.
      {"CrashBox", Op(0x98).i16(22).i16(1).i16(2).i16(3).i16(4).i16(5).i16(6).i16(0x4000).i16(-128).i16(0x100),
       "\tCrashBox( :L00002E 1 2 3 4 5 6 90 -1 1 )\n:L00002E\n"},
      // The box floats print +20 before +16 in the second half; the length is
      // the word at +2 whatever the node count says.
      {"CrashOctTree",
       Op(0xB0).i16(56).i16(3).i16(1).f32(1).f32(2).f32(3).f32(4).f32(5).f32(6).u16(1).u16(2).u16(3).u16(4).u16(5)
           .u16(6).u16(7).u16(65535).raw({10, 11, 12, 13, 14, 15, 16, 255}),
       "CrashOctTree( 3 1.000000 2.000000 3.000000 4.000000 6.000000 5.000000\n\t1 2 3 4 5 6 7 65535\n"
       "\t; OCTTREE_Node 0\n\t 10 11 12 13 14 15 16 255\n\t)\n"},
      {"CrashOctTree without nodes", Op(0xB0).i16(48).i16(0).i16(0).zeros(40),
       "CrashOctTree( 0 0.000000 0.000000 0.000000 0.000000 0.000000 0.000000\n\t0 0 0 0 0 0 0 0\n\t)\n"},
  });
}

// ---------------------------------------------------------------------------
// Polygons and terrain meshes

TEST(Op80MeshTest, PolyMPadsToAnEvenLength) {
  // Vertex bytes: bit 7 is a sign; dist is rounded to the nearest metre.
  ExpectRows({
      {"n = 3 is 18 bytes", Op(0x90).i16(3).i16(1).i16(-2).i16(3).i32(3 * 32768 + 16384).u8(0).raw({1, 0x85, 0x7F}),
       "\tPolyM( m 1 -2 3 4 ; in FS2000 reserved?\n1 -5 127 \n\t)\n"},
      {"n = 4 is 20 bytes", Op(0x90).i16(4).i16(0).i16(0).i16(0).i32(-(3 * 32768 + 20000)).u8(0).raw({0, 0x80, 2, 0xFF, 0}),
       "\tPolyM( m 0 0 0 -4 ; in FS2000 reserved?\n0 0 2 -127 \n\t)\n"},
      {"nine vertices break once", Op(0x90).i16(9).zeros(10).u8(0).raw({1, 2, 3, 4, 5, 6, 7, 8, 9}),
       "\tPolyM( m 0 0 0 0 ; in FS2000 reserved?\n1 2 3 4 5 6 7 8 \n\t\t9 \n\t)\n"},
  });
}

TEST(Op80MeshTest, MeshWith1Tex) {
  Bytes mesh = Op(0x9A).i16(2).i16(2).i16(-1).i16(2).i16(3).i16(4).zeros(4).raw({1, 2, 3, 0x35, 0xEE, 0x0B});
  for (int h : {10, -20, 30, 40, 50, 60, 70, 80, -90}) mesh.i16(h);
  EXPECT_EQ(Text(mesh),
            "\tMeshWith1Tex( 2 2 -1 2 3 4\n\t\t1 2 3 3 2\n\t\t10 -20 30 40 50 60 70 80 \n\t\t-90 \n\t\t)\n\tNop\n");
}

TEST(Op80MeshTest, MeshWithTexListCountsTextureBytes) {
  // 1 x 1 cells, 3 texture layers (+21 / 16), 1 per cell (+23 / 4): three
  // texture bytes and a pad byte. Unlike MeshWith1Tex, the heights start
  // their line without indentation.
  Bytes mesh = Op(0xA3).i16(1).i16(1).i16(5).i16(6).i16(7).i16(8).zeros(4).raw({9, 8, 7, 0x3F, 0xEE, 0x07});
  mesh.i16(1).i16(2).i16(-3).i16(4).raw({200, 1, 255, 0});
  EXPECT_EQ(Text(mesh), "\tMeshWithTexList( 1 1 5 6 7 8\n\t\t9 8 7 3 1\n1 2 -3 4 \n\t\t200 1 255 \n\t\t)\n\tNop\n");
  // No texture layers: no texture bytes.
  Bytes bare = Op(0xA3).i16(0).i16(0).zeros(8).zeros(4).raw({0, 0, 0, 0x0F, 0, 0x04}).i16(-7);
  EXPECT_EQ(Text(bare), "\tMeshWithTexList( 0 0 0 0 0 0\n\t\t0 0 0 0 1\n-7 \n\t\t\n\t\t)\n\tNop\n");
}

TEST(Op80MeshTest, HugeCountsEndQuickly) {
  // 32768 x 32768 heights claimed by a command at the end of the file: the
  // walk reports it instead of reading a billion heights.
  const std::string text = DisasmProgram(Op(0x9A).i16(32767).i16(32767).zeros(20));
  EXPECT_NE(text.find("; Error: command at offset 0018 runs past the end of the file"), std::string::npos) << text;
  const std::string list = DisasmProgram(Op(0xB5).i16(32767).zeros(4).f32(1));
  EXPECT_NE(list.find("; Error: command at offset 0018 runs past the end of the file"), std::string::npos) << list;
}

// ---------------------------------------------------------------------------
// Generic buildings (0xA0)

// A building of the given type and length whose word at +k holds k.
Bytes Building(int type, int length) {
  Bytes b = Op(0xA0).i16(length).i16(type);
  for (int k = 6; k + 1 < length; k += 2) b.i16(k);
  return b;
}

TEST(Op80BuildingTest, AdvancedBuildings) {
  const std::string levels =
      "\t\tLEVEL1 10 12 14 16 \n\t\tLEVEL2 18 20 22 24 26 \n\t\tLEVEL3 28 30 32 34 \n";
  ExpectRows({
      {"normal", Building(4, 42), "\tAdvBldg( normal 6 8\n" + levels + "\t\tROOF 36 38 40 )\n"},
      {"peaked", Building(7, 46), "\tAdvBldg( peaked 6 8\n" + levels + "\t\tROOF 36 38 40 42 44 )\n"},
      {"sloped", Building(9, 46),
       "\tAdvBldg( sloped 6 8 10 12\n\t\tLEVEL1 14 16 18 20 \n\t\tLEVEL2 22 24 26 28 30 \n"
       "\t\tLEVEL3 32 34 36 38 \n\t\tROOF 40 42 44 )\n"},
      {"poly 10", Building(10, 40),
       "\tAdvBldg( poly 6 8 10\n\t\tLEVEL1 12 14 16\n\t\tLEVEL2 18 20 22 24 \n\t\tLEVEL3 26 28 30 \n"
       "\t\tROOF 32 34 36 38 )\n"},
      {"poly 11", Building(11, 40),
       "\tAdvBldg( poly 6 8 10\n\t\tLEVEL1 12 14 16\n\t\tLEVEL2 18 20 22 24 \n\t\tLEVEL3 26 28 30 \n"
       "\t\tROOF 32 34 36 38 )\n"},
  });
}

TEST(Op80BuildingTest, RoofBuildingsAsRawBytes) {
  const std::string levels =
      "\t\t0xa 0 0xc 0 0xe 0 0x10 0 ; LEVEL1\n"
      "\t\t\t\t; tex #  10, height  12, tex index   14,   16\n"
      "\t\t0x12 0 0x14 0 0x16 0 0x18 0 0x1a 0 ; LEVEL2\n"
      "\t\t\t\t; tex #  18, height  20, tex index   22,   24,   26\n"
      "\t\t0x1c 0 0x1e 0 0x20 0 0x22 0 ; LEVEL3\n"
      "\t\t\t\t; tex #  28, height  30, tex index   32,   34\n";
  ExpectRows({
      {"ridge roof", Building(6, 50),
       "\tGObj( UNKNOWN ;  rect building with ridge roof\n"
       "\t\t 0x06 0x00 0x6 0 0x8 0 ; sizex 6 sizey 8\n" +
           levels +
           "\t\t0x24 0 0x26 0 0x28 0 0x2a 0 0x2c 0 0x2e 0 0x30 0 ; ROOF\n"
           "\t\t\t\t; tex #  36, height  42, tex index roof   38,   40,   44\n"
           "\t\t\t\t; tex # gable  46, tex index gable   44,   48\n"
           "\t\t)\n"},
      {"slant roof", Building(8, 56),
       "\tGObj( UNKNOWN ;  rect building with slant roof\n"
       "\t\t 0x08 0x00 0x6 0 0x8 0 ; sizex 6 sizey 8\n" +
           levels +
           "\t\t0x24 0 0x26 0 0x28 0 0x2a 0 0x2c 0 ; ROOF\n"
           "\t\t0x2e 0 0x30 0 0x32 0 0x34 0 0x36 0 ; ROOF\n"
           "\t\t\t\t; tex # roof  36, height  42, tex index   38,   40\n"
           "\t\t\t\t; tex # gable  46, tex index   44,   48\n"
           "\t\t\t\t; tex # face  50, tex index   52,   54\n"
           "\t\t)\n"},
  });
}

TEST(Op80BuildingTest, GenericObjectsAndByteDumps) {
  ExpectRows({
      {"beacon", Op(0xA0).i16(8).i16(503).raw({1, 2}),
       "\tGObj( UNKNOWN 0xf7 0x01 ; BEACON CIVILIAN WATER AIRPORT\n\t\t0x1 0x2  )\n"},
      {"first beacon", Op(0xA0).i16(6).i16(501), "\tGObj( UNKNOWN 0xf5 0x01 ; BEACON CIVILIAN AIRPORT\n\t\t\n\t\t )\n"},
      {"last beacon", Op(0xA0).i16(6).i16(506),
       "\tGObj( UNKNOWN 0xfa 0x01 ; BEACON MILITARY WATER AIRPORT\n\t\t\n\t\t )\n"},
      // A break follows each offset that is a multiple of 8, and one more
      // after the last byte unless the end is such an offset.
      {"unknown type", Op(0xA0).i16(12).i16(0x1234).raw({0, 1, 2, 3, 4, 5}),
       "\tGObj( UNKNOWN 0x34 0x12 ; unrecognized type\n\t\t0 0x1 0x2 \n\t\t0x3 0x4 0x5 \n\t\t )\n"},
      {"odd length", Op(0xA0).i16(9).i16(0x0102).raw({0xFF, 0x10, 0x80}),
       "\tGObj( UNKNOWN 0x2 0x1 ; unrecognized type\n\t\t0xff 0x10 0x80 \n\t\t\n\t\t )\n"},
      {"sixteen bytes", Op(0xA0).i16(16).i16(0x0102).raw({6, 7, 8, 9, 10, 11, 12, 13, 14, 15}),
       "\tGObj( UNKNOWN 0x2 0x1 ; unrecognized type\n\t\t0x6 0x7 0x8 \n\t\t0x9 0xa 0xb 0xc 0xd 0xe 0xf  )\n"},
      // A negative type prints its two bytes.
      {"negative type", Op(0xA0).i16(6).i16(-32767), "\tGObj( UNKNOWN 0x1 0x80 ; unrecognized type\n\t\t\n\t\t )\n"},
      {"windsock",
       Op(0xA0).i16(36).i16(521).f32(1.5f).f32(2.25f).f32(-3).f32(4).f32(0.125f)
           .raw({1, 2, 0xAB, 4, 5, 0x0C, 0xCD, 8}).u16(500),
       "\tGObj( WINDSOCK 1.500 2.250 -3.000\n\t\t4.000 0.125 AB 4 2 1 CD 8 12 5 500 )\n"},
  });
}

// ---------------------------------------------------------------------------
// Runways (0xAA)

Bytes RunwayFixed(int16_t length) {
  return Op(0xAA)
      .i16(length)
      .u8(0)
      .u48(Lat48(47.5))
      .u48(Lon48(8.5))
      .u48(Metres48(123.5))
      .u16(0x4000)
      .i16(5000)
      .i16(150)
      .u8(0x1F)   // markers
      .u8(2)      // threshold
      .u8(4)      // surface
      .u8(0xA3)   // lights
      .u8(0x49);  // designator 9L
}

const char kRunwayHead[] =
    "\tRunway(  N47:30:00.00 E008:30:00.00\n"
    "\t\tAlt   123.5\n"
    "\t\tHeading  90.0\n"
    "\t\tLength    5000 ; in feet\n"
    "\t\tWidth      150 ; in feet\n"
    "\t\tMarkers  1F\n"
    "\t\tId       9L\n"
    "\t\tLights   A3\n"
    "\t\tSurface  4\n"
    "\t\tThreshold 2\n";

TEST(Op80RunwayTest, FixedPartOnly) {
  EXPECT_EQ(Text(RunwayFixed(34)), std::string(kRunwayHead) + "\t)\n\tNop\n");
}

TEST(Op80RunwayTest, EverySubRecord) {
  Bytes rw = RunwayFixed(98);
  rw.u8(2).u8(0).i16(-100).u8(3).u8(0).i16(200).u8(4).u8(0).i16(300).u8(5).u8(0).i16(-400);
  // Near-end lights: the VASI distance and side are stored negated.
  rw.u8(6).u8(0).u8(0x0A).u8(5).u8(2).u8(3).u16(0x0200).i16(40).i16(500).i16(300);
  // Far-end lights without threshold, approach or strobe lights.
  rw.u8(7).u8(0).u8(0).u8(0).u8(0).u8(2).u16(0x0222).i16(40).i16(500).i16(300);
  rw.u8(8).u8(3).i16(100).i16(-50).u8(9).u8(1).i16(2).i16(3);
  rw.u8(10).u8(7).i16(1000).u8(11).u8(8).i16(2000);
  ASSERT_EQ(rw.size(), 98u);
  EXPECT_EQ(Text(rw), std::string(kRunwayHead) +
                          "\t\tThrOffN    -100\n"
                          "\t\tThrOffF    200\n"
                          "\t\tExtN       300\n"
                          "\t\tExtF       -400\n"
                          "\t\tThrLightsN 0A\n"
                          "\t\tAprLN      5\n"
                          "\t\tStrobesN   2\n"
                          "\t\tVasiBarsN  3\n"
                          "\t\tVasiSpaceN 300\n"
                          "\t\tVasiDistN  -500\n"
                          "\t\tVasiSideN  -40\n"
                          "\t\tVasiSlopeN 2.8\n"
                          "\t\tVasiBarsF  2\n"
                          "\t\tVasiSpaceF 300\n"
                          "\t\tVasiDistF  500\n"
                          "\t\tVasiSideF  40\n"
                          "\t\tVasiSlopeF 3.0\n"
                          "\t\tOverRunN 3 100 -50\n"
                          "\t\tOverRunF 1 2 3\n"
                          "\t\tDistanceN 7 1000\n"
                          "\t\tDistanceF 8 2000\n"
                          "\t)\n\tNop\n");
}

TEST(Op80RunwayTest, HeadingAndVasiSlopeAreUnsignedAngles) {
  // Unlike RunwayData, whose VASI slopes are signed, this record stores its
  // heading and slopes as unsigned angles: 0xC000 is 270 degrees and 0xFDDE
  // just over 357, not -3.
  Bytes rw = Op(0xAA).i16(48).u8(0).u48(Lat48(47.5)).u48(Lon48(8.5)).u48(Metres48(-0.25)).u16(0xC000);
  rw.i16(-1).i16(0).u8(0).u8(0).u8(0).u8(0).u8(0x80);
  rw.u8(6).u8(0).u8(0).u8(0).u8(0).u8(1).u16(0xFDDE).i16(-7).i16(-8).i16(-9);
  ASSERT_EQ(rw.size(), 48u);
  EXPECT_EQ(Text(rw),
            "\tRunway(  N47:30:00.00 E008:30:00.00\n"
            "\t\tAlt    -0.2\n"
            "\t\tHeading 270.0\n"
            "\t\tLength      -1 ; in feet\n"
            "\t\tWidth        0 ; in feet\n"
            "\t\tMarkers  00\n"
            "\t\tId       0R\n"
            "\t\tLights   0\n"
            "\t\tSurface  0\n"
            "\t\tThreshold 0\n"
            "\t\tVasiBarsN  1\n"
            "\t\tVasiSpaceN -9\n"
            "\t\tVasiDistN  8\n"
            "\t\tVasiSideN  7\n"
            "\t\tVasiSlopeN 357.0\n"
            "\t)\n\tNop\n");
}

TEST(Op80RunwayTest, UndecodableSubRecordsAreReported) {
  // An unknown kind has no known size: the listing stops, the statement is
  // closed, and the command still ends where its length says.
  Bytes unknown = RunwayFixed(42);
  unknown.u8(2).u8(0).i16(1).u8(99).u8(0).i16(0);
  EXPECT_EQ(Text(unknown), std::string(kRunwayHead) +
                               "\t\tThrOffN    1\n\t)\n"
                               "; Error: unknown Runway sub-record 99 at offset 003E, rest of the command not listed\n"
                               "\tNop\n");
  // A sub-record cut off by the command's end would take bytes of the next
  // command.
  Bytes cut = RunwayFixed(36);
  cut.u8(2).u8(0);
  EXPECT_EQ(Text(cut), std::string(kRunwayHead) +
                           "\t)\n; Error: Runway sub-record 2 at offset 003A runs past the command end, not listed\n"
                           "\tNop\n");
}

// ---------------------------------------------------------------------------
// Vertex, material and texture lists; draw lists

TEST(Op80ListsTest, VertexAndMaterialLists) {
  ExpectRows({
      {"VertexList", Op(0xB5).i16(1).zeros(4).f32(1).f32(2).f32(3).f32(0).f32(1).f32(0).f32(0.5f).f32(0.25f),
       "\tVertexList( 0\n\t\t1.000 2.000 3.000 0.000 1.000 0.000 0.500 0.250 ; vertex 0\n\t\t)\n"},
      {"empty VertexList", Op(0xB5).i16(0).zeros(4), "\tVertexList( 0\n\t\t)\n"},
      {"empty MaterialList", Op(0xB6).i16(0).zeros(4), "\tMaterialList( 0\n\t)\n"},
  });
  Bytes materials = Op(0xB6).i16(2).zeros(4);
  for (int m = 0; m < 2; ++m) {
    for (int i = 0; i < 17; ++i) materials.f32(static_cast<float>(m * 100 + i) * 0.5f);
  }
  const std::string second =
      "\t\t\t; material 1\n"
      "\t\t50.000 50.500 51.000 51.500 ; diffuse color\n"
      "\t\t52.000 52.500 53.000 53.500 ; ambient color\n"
      "\t\t54.000 54.500 55.000 55.500 ; specular color\n"
      "\t\t56.000 56.500 57.000 57.500 ; emissive color\n"
      "\t\t58.000 ; specular power\n";
  EXPECT_EQ(Text(materials),
            "\tMaterialList( 0\n"
            "\t\t\t; material 0\n"
            "\t\t0.000 0.500 1.000 1.500 ; diffuse color\n"
            "\t\t2.000 2.500 3.000 3.500 ; ambient color\n"
            "\t\t4.000 4.500 5.000 5.500 ; specular color\n"
            "\t\t6.000 6.500 7.000 7.500 ; emissive color\n"
            "\t\t8.000 ; specular power\n" +
                second + "\t)\n\tNop\n");
}

TEST(Op80ListsTest, TextureList) {
  const std::string longName(64, 'X');  // fills its field, no terminator
  Bytes list = Op(0xB7).i16(2).zeros(4);
  list.u32(0x39).raw({2, 0xAB, 3, 4}).zeros(4).f32(0.125f).text("GROUND_TEXTURE_01.BMP", 64);
  list.u32(0xC0).raw({0, 0, 0, 0}).zeros(4).f32(-1).chars(longName);
  EXPECT_EQ(Text(list), "\tTextureList( 0\n"
                        "\t\tWFS1 AB 2 3 4 0 0.12500\n"
                        "\t\tGROUND_TEXTURE_01.BMP ; texture 0\n"
                        "\t\tLH0 00 0 0 0 0 -1.00000\n"
                        "\t\t" + longName + " ; texture 1\n"
                        "\t)\n\tNop\n");
  // The bitmap list does not take its names.
  EXPECT_EQ(ListBitmapsOf(Cat({list, Nop()})), ListBitmapsOf(Nop()));
}

TEST(Op80ListsTest, DrawLists) {
  Bytes tri = Op(0xB9).i16(5).i16(0).i16(7);
  for (int i = 0; i < 7; ++i) tri.i16(i);
  ExpectRows({
      // Seven indices: two whole triangles, and 22 bytes.
      {"DrawTriList", tri, "\tDrawTriList( 5\n\t\t   0    1    2 ;   0\n\t\t   3    4    5 ;   1\n\t)\n"},
      {"DrawLineList", Op(0xBA).i16(0).i16(0).i16(3).i16(10).i16(11).i16(12),
       "\tDrawLineList( 0\n\t\t  10   11 ;   0\n\t)\n"},
      {"DrawPointList", Op(0xBB).i16(1).i16(0).i16(2).i16(7).i16(-1), "\tDrawPointList( 1\n\t\t   7 ;   0\n\t\t  -1 ;   1\n\t)\n"},
      {"empty DrawTriList", Op(0xB9).i16(0).i16(0).i16(0), "\tDrawTriList( 0\n\t)\n"},
  });
}

}  // namespace
}  // namespace skarn::test
