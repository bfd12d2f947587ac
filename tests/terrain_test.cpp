// FS2002 terrain data: kind detection, the BGLC head, land/water masks and
// textured polygons, and terrain data that lies or is cut short.
#include <gtest/gtest.h>

#include <functional>
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

const std::string kIncludes = "\ninclude TDFMacros.inc\ninclude TDFHeaders.inc\n\n";

// ---- building terrain files ----

// Size of the terrain data header the builders write; the subsection they
// describe follows it.
constexpr uint32_t kHeaderSize = 96;

// A terrain data header with the given offsets set (field, value).
Bytes TerrainHeader(const std::vector<std::pair<uint32_t, uint32_t>>& fields) {
  Bytes b;
  b.zeros(kHeaderSize);
  for (const auto& [field, value] : fields) b.patch(field, value, 4);
  return b;
}

// One index entry: its cell word and its data (the length is the data's).
struct Cell {
  uint32_t word;
  Bytes data;
};

uint32_t CellWord(uint32_t x, uint32_t y, uint32_t low = 0) { return low | x << 12 | y << 22; }

uint32_t Size(const Bytes& b) { return static_cast<uint32_t>(b.size()); }

// Entries and back-to-back cell data.
void AppendEntries(Bytes& b, const std::vector<Cell>& cells) {
  uint32_t offset = 0;
  for (const Cell& c : cells) {
    b.u32(c.word).u32(offset).u32(Size(c.data));
    offset += Size(c.data);
  }
}
void AppendData(Bytes& b, const std::vector<Cell>& cells) {
  for (const Cell& c : cells) b.append(c.data);
}

// LWM subsection: a 16-byte head, a 16-byte index, the entries, the data.
Bytes Lwm(const std::vector<Cell>& cells) {
  const uint32_t n = static_cast<uint32_t>(cells.size());
  Bytes b;
  b.u32(0).u32(0).u32(16).u32(32 + 12 * n);
  b.u32(0).u32(n).u32(16).u32(0);
  AppendEntries(b, cells);
  AppendData(b, cells);
  return b;
}

// VTP subsection: a 16-byte head, a 16-byte index, the entries, the data,
// then the texture list (16-byte head, 8-byte entries, the records).
Bytes Vtp(const std::vector<Cell>& cells, const std::vector<Bytes>& textures) {
  const uint32_t n = static_cast<uint32_t>(cells.size());
  const uint32_t m = static_cast<uint32_t>(textures.size());
  Bytes data;
  AppendData(data, cells);
  Bytes b;
  b.u32(0).u32(0).u32(16).u32(32 + 12 * n + Size(data));
  b.u32(0).u32(n).u32(16).u32(16 + 12 * n);
  AppendEntries(b, cells);
  b.append(data);
  b.u32(0).u32(m).u32(16).u32(16 + 8 * m);
  uint32_t offset = 0;
  for (const Bytes& t : textures) {
    b.u32(offset).u32(0);
    offset += Size(t);
  }
  for (const Bytes& t : textures) b.append(t);
  return b;
}

// A texture record: name, type byte, one more byte, and the second text when
// bit 4 of the type is set.
Bytes Texture(const std::string& name, uint8_t type, uint8_t extra, const std::string& second = "") {
  Bytes b;
  b.chars(name).u8(0).u8(type).u8(extra);
  if ((type & 0x10) != 0) b.chars(second).u8(0);
  return b;
}

// Bounds giving " BGLHeader 48, 47, 009, 008, ".
BglBuilder Builder() {
  BglBuilder b;
  b.Bounds(5334240, 5223110, 107374185, 95443716);
  return b;
}

std::vector<uint8_t> LwmFile(const std::vector<Cell>& cells) {
  BglBuilder b = Builder();
  b.Section(0x36, TerrainHeader({{56, kHeaderSize}}).append(Lwm(cells)));
  return b.Build();
}

std::vector<uint8_t> VtpFile(const std::vector<Cell>& cells, const std::vector<Bytes>& textures) {
  BglBuilder b = Builder();
  b.Section(0x36, TerrainHeader({{60, kHeaderSize}}).append(Vtp(cells, textures)));
  return b.Build();
}

// ---- running them ----

struct Disasm {
  std::vector<std::string> summary;
  std::vector<std::string> messages;
  std::string source;  // after the opening block, LF line ends

  explicit Disasm(const std::vector<uint8_t>& file) {
    const DisasmRun run = DisasmFile(file, "t.bgl");
    EXPECT_TRUE(run.opened);
    EXPECT_EQ(run.result, CommandResult::kWritten);
    summary = run.summary;
    messages = run.messages;
    const std::string& out = run.output;
    const size_t second = out.find(kSep, kSep.size());
    EXPECT_NE(second, std::string::npos);
    source = out.substr(second + kSep.size());
  }

  // The text after the BGLHeader line.
  std::string Body() const {
    const size_t at = source.find(" BGLHeader ");
    EXPECT_NE(at, std::string::npos);
    return source.substr(source.find('\n', at) + 1);
  }

  // The text between the labels of cell i.
  std::string CellText(int i) const {
    const std::string begin = "BeginData" + std::to_string(i) + "\tlabel\tword\n";
    const std::string end = "EndData" + std::to_string(i) + "\tlabel\tword\n";
    const size_t from = source.find(begin);
    EXPECT_NE(from, std::string::npos) << source;
    const size_t to = source.find(end, from);
    EXPECT_NE(to, std::string::npos) << source;
    return source.substr(from + begin.size(), to - from - begin.size());
  }
};

// ---- kinds ----

TEST(TerrainKind, FirstSetOffsetInTestOrderDecides) {
  struct Case {
    std::vector<std::pair<uint32_t, uint32_t>> fields;
    const char* summary;
    const char* comment;
  };
  const Case cases[] = {
      {{{16, 1}, {56, 1}}, "elevation type", "elevation mesh type"},
      {{{20, 1}, {60, 1}}, "landclass type", "landclass type"},
      {{{28, 1}, {32, 1}}, "landclass lookup type", "landclass lookup type"},
      {{{56, 1}, {60, 1}}, "land/water mask type", "land/water mask type"},
      {{{60, 1}, {88, 1}}, "textured polygon type", "textured polygon type"},
      {{{88, 1}, {32, 1}, {40, 1}}, "region definition type", "region definition type"},
      {{{32, 1}, {40, 1}}, "season definition type", "season definition type"},
      {{{40, 1}}, "waterclass type", "waterclass type"},
      {{{24, 1}, {36, 1}, {44, 1}, {92, 1}}, "unknown type", "unknown type"},
  };
  for (const Case& c : cases) {
    BglBuilder b = Builder();
    b.Section(0x36, TerrainHeader(c.fields).zeros(64));
    FakeHost host;
    CSkarnDoc doc(host);
    ASSERT_TRUE(doc.OpenImage(b.Build(), "t.bgl"));
    EXPECT_EQ(doc.summary().back(), std::string("File contains FS2002 terrain data of ") + c.summary);
    EXPECT_TRUE(host.messages.empty()) << c.summary;
  }
}

TEST(TerrainKind, OtherKindsAreOnlyNamedInTheSource) {
  BglBuilder b = Builder();
  b.Section(0x36, TerrainHeader({{16, 1}, {56, kHeaderSize}}).append(Lwm({})));
  Disasm r(b.Build());
  EXPECT_EQ(r.source, "\n" + kSep + "; This file contains terrain data of elevation mesh type\n" + kSep +
                          "; Analysis of this type of terrain data is still impossible\n" + kSep);

  BglBuilder u = Builder();
  u.Section(0x36, TerrainHeader({}));
  Disasm ru(u.Build());
  EXPECT_EQ(ru.source, "\n" + kSep + "; This file contains terrain data of unknown type\n" + kSep +
                           "; Analysis of this type of terrain data is still impossible\n" + kSep);
}

TEST(TerrainKind, HeaderCutShortByTheFileIsReported) {
  // 16 bytes: no offset can be read at all.
  BglBuilder b;
  b.Section(0x36, Bytes().zeros(16));
  Disasm r(b.Build());
  EXPECT_EQ(r.summary.back(), "File contains FS2002 terrain data of unknown type");
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0], "Error: FS2002 terrain data header at 0x80 runs past the end of the file");
  EXPECT_NE(r.source.find("still impossible"), std::string::npos);

  // 44 bytes: the season offset is there, the ones tested before it at 56
  // and 60 are not.
  BglBuilder s;
  s.Section(0x36, Bytes().zeros(32).u32(7).zeros(8));
  Disasm rs(s.Build());
  EXPECT_EQ(rs.summary.back(), "File contains FS2002 terrain data of season definition type");
  EXPECT_EQ(rs.messages.size(), 1u);

  // Decided by offset 16 before any missing one: nothing to report.
  BglBuilder e;
  e.Section(0x36, Bytes().zeros(16).u32(1));
  Disasm re(e.Build());
  EXPECT_EQ(re.summary.back(), "File contains FS2002 terrain data of elevation type");
  EXPECT_TRUE(re.messages.empty());
}

// ---- the BGLC head ----

TEST(TerrainHead, IncludesAndBglHeaderLine) {
  Disasm lwm(LwmFile({}));
  EXPECT_EQ(lwm.source.substr(0, lwm.source.find("\nLWMHeader\t")),
            "\n" + kSep + "; This file contains terrain data of land/water mask type\n" + kSep + kIncludes +
                " BGLHeader 48, 47, 009, 008, LWMHeader, TerrainHeaderStart\n");
  Disasm vtp(VtpFile({}, {}));
  EXPECT_EQ(vtp.source.substr(0, vtp.source.find("\nVTPHeader\t")),
            "\n" + kSep + "; This file contains terrain data of textured polygon type\n" + kSep + kIncludes +
                " BGLHeader 48, 47, 009, 008, TerrainHeaderStart, VTPHeader\n");
}

TEST(TerrainHead, BoundsRoundToWholeDegrees) {
  struct Case {
    int32_t north, south, east, west;
    const char* line;
  };
  const Case cases[] = {
      // Negative values keep their sign inside the width.
      {-333391, -1111306, -59652323, -596523225, " BGLHeader -3, -10, -05, -50, "},
      {0, 0, 0, 0, " BGLHeader 00, 00, 000, 000, "},
      // A western bound beyond 18 degrees: ten times its raw value does not
      // fit 32 bits, and still gives the right degrees.
      {0, 0, 0, -1455516669, " BGLHeader 00, 00, 000, -122, "},
      {0, 0, 0, 2147483647, " BGLHeader 00, 00, 000, 180, "},
      // Beyond the pole a latitude folds.
      {10001751, 0, 0, 0, " BGLHeader -90, 00, 000, 000, "},
  };
  for (const Case& c : cases) {
    BglBuilder b;
    b.Bounds(c.north, c.south, c.east, c.west);
    b.Section(0x36, TerrainHeader({{56, kHeaderSize}}).append(Lwm({})));
    Disasm r(b.Build());
    EXPECT_NE(r.source.find(std::string(c.line) + "LWMHeader, TerrainHeaderStart\n"), std::string::npos)
        << c.line << "\n" << r.source;
  }
}

// ---- land/water mask ----

TEST(TerrainLandWaterMask, WholeBody) {
  const uint32_t low = 421 | 1u << 9 | 2u << 10;
  const Disasm r(LwmFile({
      {CellWord(5, 3, low), Bytes().u16(0x0020).i16(-5).u8(7)},
      {CellWord(5, 3, low), Bytes()},
      {CellWord(6, 3), Bytes().u16(1 | 1 << 3 | 1 << 5 | 4 << 6 | 31u << 11).u8(0x83).i16(-300).u8(200)
                           .raw({1, 2, 3, 4, 255, 0})},
      {CellWord(5, 3, low), Bytes().u16(0x0038)},
  }));
  EXPECT_EQ(r.summary.back(), "File contains FS2002 terrain data of land/water mask type");
  EXPECT_TRUE(r.messages.empty());
  EXPECT_EQ(r.Body(),
            "\nLWMHeader\tlabel\tword\n\n"
            "LWMFileHeader 0201h, LWMIndexStart, LWMDataStart, LWMEnd\n"
            "\nLWMIndexStart\tlabel\tword\n"
            "LWMIndexHeader 4, LWMIndexData\n"
            "\nLWMIndexData\tlabel\tword\n"
            "Cell_5_3\tEQU\tLWMCellID 421, 1, 2, 5, 3\n"
            "LWMIndexEntry Cell_5_3, LWMDataStart, BeginData0, EndData0\n"
            "LWMIndexEntry Cell_5_3, LWMDataStart, LWMDataStart, LWMDataStart\n"
            "Cell_6_3\tEQU\tLWMCellID 0, 0, 0, 6, 3\n"
            "LWMIndexEntry Cell_6_3, LWMDataStart, BeginData2, EndData2\n"
            "Cell_5_3\tEQU\tLWMCellID 421, 1, 2, 5, 3\n"
            "LWMIndexEntry Cell_5_3, LWMDataStart, BeginData3, EndData3\n"
            "\nLWMDataStart\tlabel\tWord\n"
            "BeginData0\tlabel\tword\n"
            "LWMDataAreaFill1x1 0, 0, 1, 0, 0\n"
            "LWMDataAreaHeight -5, 7\n"
            "EndData0\tlabel\tword\n"
            "BeginData1\tlabel\tword\n"
            "EndData1\tlabel\tword\n"
            "BeginData2\tlabel\tword\n"
            "LWMDataAreaDrawPolygons 1, 1, 1, 4, 31\n"
            "LWMPoly2 3, 0, 1, -300, 200\n"
            "\tLWMPoint 1, 2\n"
            "\tLWMPoint 3, 4\n"
            "\tLWMPoint 255, 0\n"
            "EndData2\tlabel\tword\n"
            "BeginData3\tlabel\tword\n"
            "LWMDataAreaFill1x1 0, 3, 1, 0, 0\n"
            "EndData3\tlabel\tword\n"
            "LWMEnd\tlabel\tword\n");
}

TEST(TerrainLandWaterMask, FillRecords) {
  struct Case {
    uint16_t word;
    const char* text;  // the height record 02 01 09 follows where t is 0 or 2
  };
  const Case cases[] = {
      {0x0020, "LWMDataAreaFill1x1 0, 0, 1, 0, 0\nLWMDataAreaHeight 258, 9\n"},
      {0x0020 | 1 << 3 | 21 << 6 | 10u << 11, "LWMDataAreaFill1x1 0, 1, 1, 21, 10\n"},
      {0x0020 | 3 << 3, "LWMDataAreaFill1x1 0, 3, 1, 0, 0\n"},
      // Bit 5 wins over bit 6.
      {0x0060 | 1 << 3, "LWMDataAreaFill1x1 0, 1, 1, 1, 0\n"},
      {0x0040 | 2 << 3 | 9 << 7 | 0xCu << 12, "LWMDataAreaFill2x2 0, 2, 0, 1, 9, 0, 12\nLWMDataAreaHeight 258, 9\n"},
      {0x0080 | 1 << 3 | 5 << 8 | 6u << 13, "LWMDataAreaFill4x4 0, 1, 0, 1, 5, 0, 6\n"},
      {0x0100 | 3 << 3 | 3 << 9 | 2u << 14, "LWMDataAreaFill8x8 0, 3, 0, 1, 3, 0, 2\n"},
      {0x0200 | 1 << 3 | 1 << 10 | 1u << 15, "LWMDataAreaFill16x16 0, 1, 0, 1, 1, 0, 1\n"},
      {0x0200, "LWMDataAreaFill16x16 0, 0, 0, 1, 0, 0, 0\nLWMDataAreaHeight 258, 9\n"},
      // No fill size: a comment, and no height record even with t = 0.
      {0x0000, "; Unrecognizable Fill 0, 55537, 0, 1, 55537, 0, 55537\n"},
      {0xFC18, "; Unrecognizable Fill 0, 55537, 0, 1, 55537, 0, 55537\n"},
  };
  for (const Case& c : cases) {
    Bytes data;
    data.u16(c.word);
    const unsigned t = (c.word >> 3) & 3;
    const bool known = (c.word & 0x3E0) != 0;
    if (known && (t == 0 || t == 2)) data.raw({0x02, 0x01, 0x09});
    data.u16(0x0038);  // the next record starts right after
    const Disasm r(LwmFile({{CellWord(1, 1), data}}));
    EXPECT_EQ(r.CellText(0), std::string(c.text) + "LWMDataAreaFill1x1 0, 3, 1, 0, 0\n") << c.word;
  }
}

TEST(TerrainLandWaterMask, PolygonRecords) {
  // Count code 7: the count is the next byte + 7.
  Bytes seven;
  seven.u16(7 | 2 << 3).u8(0);
  for (int i = 0; i < 7; ++i) seven.u8(0).i16(i).u8(0);
  const Disasm r7(LwmFile({{CellWord(0, 0), seven}}));
  EXPECT_EQ(r7.CellText(0), "LWMDataAreaDrawPolygonsEx 7, 2, 0, 0, 0, 0\n"
                            "LWMPoly2 0, 0, 0, 0, 0\nLWMPoly2 0, 0, 0, 1, 0\nLWMPoly2 0, 0, 0, 2, 0\n"
                            "LWMPoly2 0, 0, 0, 3, 0\nLWMPoly2 0, 0, 0, 4, 0\nLWMPoly2 0, 0, 0, 5, 0\n"
                            "LWMPoly2 0, 0, 0, 6, 0\n");

  // A head byte of 0xBF: 63 means a fifth head byte, and 63 + it points.
  Bytes wide;
  wide.u16(2).u8(0xBF).i16(10).u8(20).u8(2);
  for (int i = 0; i < 65; ++i) wide.u8(static_cast<uint32_t>(i)).u8(1);
  wide.u8(0x41).i16(-1).u8(255).u8(9).u8(8);  // second polygon: 1 point, bit 6 unused
  wide.u16(0x0038);
  const Disasm rw(LwmFile({{CellWord(0, 0), wide}}));
  const std::string text = rw.CellText(0);
  EXPECT_TRUE(text.starts_with("LWMDataAreaDrawPolygons 2, 0, 0, 0, 0\nLWMPoly2Ex 63, 0, 1, 10, 20, 2\n"
                                "\tLWMPoint 0, 1\n"))
      << text;
  EXPECT_EQ(Count(text, "\tLWMPoint "), 66);
  EXPECT_TRUE(text.ends_with("\tLWMPoint 64, 1\nLWMPoly2 1, 0, 0, -1, 255\n\tLWMPoint 9, 8\n"
                             "LWMDataAreaFill1x1 0, 3, 1, 0, 0\n"))
      << text;
}

TEST(TerrainLandWaterMask, BadDataEndsWithComments) {
  // Records that run past their cell's length: written, then reported.
  {
    std::vector<uint8_t> f = LwmFile({{CellWord(0, 0), Bytes().u16(0x0020).raw({1, 0, 0})}});
    // Length 1 instead of 5.
    f[128 + 96 + 32 + 8] = 1;
    const Disasm r(f);
    EXPECT_EQ(r.CellText(0), "LWMDataAreaFill1x1 0, 0, 1, 0, 0\nLWMDataAreaHeight 1, 0\n"
                             "; Error: area record at 8C runs 4 bytes past the end of its cell\n");
  }
  // A cell whose length reaches past the end of the file: the record cut
  // short is not written at all.
  {
    Bytes data;
    data.u16(0x0038).u16(1).u8(3).i16(0).u8(0).raw({1, 1, 2, 2});  // third point missing
    std::vector<uint8_t> f = LwmFile({{CellWord(0, 0), data}});
    f[128 + 96 + 32 + 8] = 0xFF;
    const Disasm r(f);
    EXPECT_EQ(r.CellText(0), "LWMDataAreaFill1x1 0, 3, 1, 0, 0\n"
                             "; Error: area record at 8E runs past the end of the file\n");
    EXPECT_TRUE(r.source.ends_with("EndData0\tlabel\tword\nLWMEnd\tlabel\tword\n"));
  }
  // An entry count that the file cannot hold: the entries inside are used.
  {
    std::vector<uint8_t> f = LwmFile({{CellWord(2, 3), Bytes()}});
    const size_t count = 128 + 96 + 16 + 4;
    f[count] = f[count + 1] = f[count + 2] = f[count + 3] = 0xFF;
    const Disasm r(f);
    EXPECT_EQ(r.Body(),
              "\nLWMHeader\tlabel\tword\n\n"
              "LWMFileHeader 0201h, LWMIndexStart, LWMDataStart, LWMEnd\n"
              "\nLWMIndexStart\tlabel\tword\n"
              "LWMIndexHeader -1, LWMIndexData\n"
              "\nLWMIndexData\tlabel\tword\n"
              "Cell_2_3\tEQU\tLWMCellID 0, 0, 0, 2, 3\n"
              "LWMIndexEntry Cell_2_3, LWMDataStart, LWMDataStart, LWMDataStart\n"
              "; Error: 4294967295 index entries at 80 run past the end of the file; 1 written\n"
              "\nLWMDataStart\tlabel\tWord\n"
              "BeginData0\tlabel\tword\n"
              "EndData0\tlabel\tword\n"
              "LWMEnd\tlabel\tword\n");
  }
  // Subsection and index headers outside the file end the body.
  {
    BglBuilder b = Builder();
    b.Section(0x36, TerrainHeader({{56, 0xFFFFFFF0}}));
    EXPECT_EQ(Disasm(b.Build()).Body(), "; Error: land/water mask header at FFFFFFF0 lies outside the file\n");
    std::vector<uint8_t> f = LwmFile({});
    f[128 + 96 + 8] = 0xF0;
    EXPECT_EQ(Disasm(f).Body(), "; Error: land/water mask index at 150 lies outside the file\n");
  }
}

// ---- textured polygons ----

TEST(TerrainPolygons, WholeBody) {
  Bytes method1;
  method1.u16(1 | 2 << 6 | 1 << 11).u8(0x8A).u8(1).u8(3).u8(1).u8(0x43);
  method1.raw({1, 2, 3, 4, 5, 6, 7, 8, 250, 251, 252, 253});
  Bytes method2;
  method2.u16(0x21).u8(0).u8(1).u8(0).u8(2);
  method2.u8(0x02).u16(1000).u16(65535).u16(0).u16(1);
  method2.u8(0x21).u32(100 | 1 << 14 | 200 << 15).u8(9);
  const Disasm r(VtpFile({{CellWord(5, 3), method1}, {CellWord(9, 7, 5), method2}},
                      {Texture("grass.bmp", 0x12, 7, "night.bmp"), Texture("road", 0xA1, 0)}));
  EXPECT_EQ(r.summary.back(), "File contains FS2002 terrain data of textured polygon type");
  EXPECT_EQ(r.Body(),
            "\nVTPHeader\tlabel\tword\n"
            "VTPFileHeader 100h, VTPIndexStart, TextureStart, VTPEnd\n"
            "\nVTPDataStart\tlabel\tWord\n"
            "BeginData0\tlabel\tword\n"
            "VTPDataArea 1, 0, 2, 1\n"
            "   VTPLayer 10, 1\n"
            "   VTPNumTexturesInLayer 1, 0\n"
            "      VTPTextureId 3, 0\n"
            "      VTPPolyCount 1, 0\n"
            "         VTPPolyMethod1 3, 1, 0\n"
            "            VTPPointXYUV 1, 2, 3, 4\n"
            "            VTPPointXYUV 5, 6, 7, 8\n"
            "            VTPPointXYUV 250, 251, 252, 253\n"
            "EndData0\tlabel\tword\n"
            "BeginData1\tlabel\tword\n"
            "VTPDataArea 1, 1, 0, 0\n"
            "   VTPLayer 0, 0\n"
            "   VTPNumTexturesInLayer 1, 0\n"
            "      VTPTextureId 0, 0\n"
            "      VTPPolyCount 2, 0\n"
            "         VTPPolyMethod2 2, 0, 0\n"
            "            VTPPointXY2 1000, 65535\n"
            "            VTPPointXY2 0, 1\n"
            "         VTPPolyMethod2 1, 1, 0\n"
            "            VTPWidePoint 100, 1, 200, 0\n"
            "            VTPWidePointWidth 9\n"
            "EndData1\tlabel\tword\n"
            "\nVTPIndexStart\tlabel\tword\n"
            "VTPIndexHeader 2, VTPIndexData, VTPDataStart\n"
            "\nVTPIndexData\tlabel\tword\n"
            "Cell_5_3\tEQU\tVTPCellID 0, 5, 3\n"
            "VTPIndexEntry Cell_5_3, VTPDataStart, BeginData0, EndData0\n"
            "Cell_9_7\tEQU\tVTPCellID 5, 9, 7\n"
            "; Padding not 0 in VTPCellId, position 8c\n"
            "VTPIndexEntry Cell_9_7, VTPDataStart, BeginData1, EndData1\n"
            "TextureStart\tlabel\tword\n"
            "\nVTPTextureListHeader 2, TextureIndexStart, TextureDataStart, TextureDataEnd\n"
            "TextureIndexStart\tlabel\tword\n"
            "   VTPTextureListEntry TextureDataStart, BeginTexture0, EndTexture0\n"
            "   VTPTextureListEntry TextureDataStart, BeginTexture1, EndTexture1\n"
            "\nTextureDataStart\tlabel\tword\n"
            "   BeginTexture0\tlabel\tword\n"
            "      VTPTextureName \"grass.bmp\"\n"
            "      VTPTextureType 2, 1, 0, 7\n"
            "     BYTE\t\"night.bmp\"\n"
            "      BYTE\t0\n"
            "   EndTexture0\tlabel\tword\n"
            "   BeginTexture1\tlabel\tword\n"
            "      VTPTextureName \"road\"\n"
            "      VTPTextureType 1, 0, 5, 0\n"
            "; Reserved not 0 in VTPTxtureType, position fb\n"
            "   EndTexture1\tlabel\tword\n"
            "TextureDataEnd\tlabel\tword\n\n"
            "VTPEnd\tlabel\tword\n");
}

TEST(TerrainPolygons, CountsAndExtensions) {
  // Texture count 0x81: warning, count 1. Texture id 0x85: id 5, then the
  // warning. Polygon count 0x85 0x02: 5 + 2 * 128 polygons and a db line.
  Bytes many;
  many.u16(1).u8(0).u8(0x81).u8(0x85).u8(0x85).u8(0x02);
  for (int i = 0; i < 261; ++i) many.u8(0);
  many.u16(0);  // an empty area right after the last polygon
  const Disasm r(VtpFile({{CellWord(0, 0), many}}, {}));
  const std::string text = r.CellText(0);
  EXPECT_EQ(text.substr(0, text.find("         VTPPolyMethod1")),
            "VTPDataArea 1, 0, 0, 0\n"
            "   VTPLayer 0, 0\n"
            "; Reserved bit not 0 in VTPNumTexturesInLayer, position 8f\n"
            "   VTPNumTexturesInLayer 1, 0\n"
            "      VTPTextureId 5, 0\n"
            "; Reserved bit not 0 in VTPTextureId, position 90\n"
            "      VTPPolyCount 5, 1\n"
            "        db 2\n");
  EXPECT_EQ(Count(text, "         VTPPolyMethod1 0, 0, 0\n"), 261);
  EXPECT_TRUE(text.ends_with("         VTPPolyMethod1 0, 0, 0\nVTPDataArea 0, 0, 0, 0\n")) << text;

  // Method 1, head 63 and extension 10, 0: 73 points after 3 bytes.
  Bytes ext;
  ext.u16(1).u8(0).u8(1).u8(0).u8(1).u8(0xFF).u8(10).u8(0xEE);
  for (int i = 0; i < 73; ++i) ext.raw({1, 2, 3, static_cast<uint8_t>(i)});
  ext.u16(0);
  const Disasm r1(VtpFile({{CellWord(0, 0), ext}}, {}));
  const std::string t1 = r1.CellText(0);
  EXPECT_NE(t1.find("         VTPPolyMethod1 63, 1, 1\n         VTPPolyMethod1Ex 10\n"
                    "            VTPPointXYUV 1, 2, 3, 0\n"),
            std::string::npos);
  EXPECT_EQ(Count(t1, "VTPPointXYUV"), 73);
  EXPECT_TRUE(t1.ends_with("            VTPPointXYUV 1, 2, 3, 72\nVTPDataArea 0, 0, 0, 0\n")) << t1;

  // Several layers and textures, in order.
  Bytes nested;
  nested.u16(2).u8(1).u8(2).u8(7).u8(0).u8(8).u8(0).u8(2).u8(1).u8(9).u8(1).u8(0);
  const Disasm rn(VtpFile({{CellWord(0, 0), nested}}, {}));
  EXPECT_EQ(rn.CellText(0),
            "VTPDataArea 2, 0, 0, 0\n"
            "   VTPLayer 1, 0\n   VTPNumTexturesInLayer 2, 0\n"
            "      VTPTextureId 7, 0\n      VTPPolyCount 0, 0\n"
            "      VTPTextureId 8, 0\n      VTPPolyCount 0, 0\n"
            "   VTPLayer 2, 0\n   VTPNumTexturesInLayer 1, 0\n"
            "      VTPTextureId 9, 0\n      VTPPolyCount 1, 0\n"
            "         VTPPolyMethod1 0, 0, 0\n");
}

TEST(TerrainPolygons, MethodTwoPointsAndReservedBits) {
  // Head 0xDF: 31 points (extended), plain, reserved bits 3. Extension 0x81
  // is reported and still adds all eight bits: 160 points.
  Bytes d;
  d.u16(0x21).u8(0).u8(1).u8(0).u8(1).u8(0xDF).u8(0x81).u8(0);
  for (int i = 0; i < 160; ++i) d.u16(static_cast<uint32_t>(i)).u16(7);
  d.u16(0);
  const Disasm r(VtpFile({{CellWord(0, 0), d}}, {}));
  const std::string t = r.CellText(0);
  EXPECT_NE(t.find("         VTPPolyMethod2 31, 0, 3\n"
                   "; Reserved bits not 0 in VTPPolyMethod2, position 92\n"
                   "         VTPPolyMethod2Ex 129\n"
                   "; Reserved bit not 0 in VTPPolyMethod2Ex, position 93\n"
                   "            VTPPointXY2 0, 7\n"),
            std::string::npos)
      << t;
  EXPECT_EQ(Count(t, "VTPPointXY2"), 160);
  EXPECT_TRUE(t.ends_with("            VTPPointXY2 159, 7\nVTPDataArea 0, 0, 0, 0\n"));

  // Wide points: 5 bytes with bit 14, 4 without; reserved bits 29-31.
  Bytes w;
  w.u16(0x21).u8(0).u8(1).u8(0).u8(1).u8(0x23);
  w.u32(0x3FFF | 0x3FFFu << 15 | 1 << 14).u8(255);
  w.u32(0xE0000003u);
  w.u32(5 | 6 << 15 | 1 << 14).u8(0);
  w.u16(0);
  const Disasm rw(VtpFile({{CellWord(0, 0), w}}, {}));
  EXPECT_EQ(rw.CellText(0),
            "VTPDataArea 1, 1, 0, 0\n"
            "   VTPLayer 0, 0\n   VTPNumTexturesInLayer 1, 0\n"
            "      VTPTextureId 0, 0\n      VTPPolyCount 1, 0\n"
            "         VTPPolyMethod2 3, 1, 0\n"
            "            VTPWidePoint 16383, 1, 16383, 0\n"
            "            VTPWidePointWidth 255\n"
            "            VTPWidePoint 3, 0, 0, 7\n"
            "; Reserved bits not 0 in VTPWidePoint, position 98\n"
            "            VTPWidePoint 5, 1, 6, 0\n"
            "            VTPWidePointWidth 0\n"
            "VTPDataArea 0, 0, 0, 0\n");
}

TEST(TerrainPolygons, RepeatedCellsAndEmptyCells) {
  // The index defines every entry's symbol, repeats included; an empty cell
  // still has its labels.
  const Disasm r(VtpFile({{CellWord(1, 2), Bytes()}, {CellWord(1, 2), Bytes().u16(0)}}, {}));
  EXPECT_EQ(r.CellText(0), "");
  EXPECT_EQ(r.CellText(1), "VTPDataArea 0, 0, 0, 0\n");
  EXPECT_EQ(Count(r.source, "Cell_1_2\tEQU\tVTPCellID 0, 1, 2\n"), 2);
  EXPECT_NE(r.source.find("\nVTPTextureListHeader 0, TextureIndexStart, TextureDataStart, TextureDataEnd\n"
                          "TextureIndexStart\tlabel\tword\n\nTextureDataStart\tlabel\tword\n"
                          "TextureDataEnd\tlabel\tword\n\nVTPEnd\tlabel\tword\n"),
            std::string::npos);
}

TEST(TerrainPolygons, BadDataEndsWithComments) {
  // A texture whose name reaches the end of the file.
  {
    std::vector<uint8_t> f = VtpFile({}, {Texture("a", 0, 0), Bytes().chars("unterminated")});
    const Disasm r(f);
    EXPECT_NE(r.source.find("   BeginTexture1\tlabel\tword\n"
                            "; Error: texture 1 at A4 runs past the end of the file\n"
                            "   EndTexture1\tlabel\tword\nTextureDataEnd"),
              std::string::npos)
        << r.source;
  }
  // A type byte present, the byte after it missing; a second text cut short.
  for (const Bytes& t : {Bytes().chars("n").u8(0).u8(0), Bytes().chars("n").u8(0).u8(0x10).u8(0).chars("x")}) {
    const Disasm r(VtpFile({}, {t}));
    EXPECT_NE(r.source.find("; Error: texture 0 at 98 runs past the end of the file\n"), std::string::npos)
        << r.source;
    EXPECT_EQ(r.source.find("VTPTextureName"), std::string::npos);
  }
  // A texture count the file cannot hold.
  {
    std::vector<uint8_t> f = VtpFile({}, {Texture("a", 0, 0)});
    const size_t count = 128 + 96 + 32 + 4;
    f[count] = f[count + 1] = f[count + 2] = f[count + 3] = 0xFF;
    const Disasm r(f);
    EXPECT_NE(r.source.find("\nVTPTextureListHeader -1, "), std::string::npos);
    EXPECT_NE(r.source.find("   VTPTextureListEntry TextureDataStart, BeginTexture0, EndTexture0\n"
                            "; Error: 4294967295 texture entries at 90 run past the end of the file; 1 written\n"),
              std::string::npos)
        << r.source;
    EXPECT_TRUE(r.source.ends_with("VTPEnd\tlabel\tword\n"));
  }
  // An index entry count the file cannot hold: only the entries inside are
  // used (here the texture list's bytes make a second, empty one).
  {
    std::vector<uint8_t> f = VtpFile({{CellWord(1, 1), Bytes()}}, {});
    const size_t count = 128 + 96 + 16 + 4;
    f[count] = f[count + 1] = f[count + 2] = f[count + 3] = 0xFF;
    const Disasm r(f);
    EXPECT_NE(r.source.find("; Error: 4294967295 index entries at 80 run past the end of the file; 2 written\n"
                            "TextureStart\tlabel\tword\n"),
              std::string::npos)
        << r.source;
  }
  // A record running off the file is taken back whole; the records before
  // it stay. Here the cell data comes last: head, index, an empty texture
  // list, the entry, the data.
  {
    Bytes vtp;
    vtp.u32(0).u32(0).u32(16).u32(32);
    vtp.u32(0).u32(1).u32(32).u32(44);
    vtp.u32(0).u32(0).u32(16).u32(16);
    vtp.u32(CellWord(0, 0)).u32(0).u32(100);
    vtp.u16(0).u16(1).u8(0).u8(1).u8(0).u8(1).u8(0x05).raw({1, 2, 3, 4});
    BglBuilder b = Builder();
    b.Section(0x36, TerrainHeader({{60, kHeaderSize}}).append(vtp));
    const Disasm r(b.Build());
    EXPECT_EQ(r.CellText(0), "VTPDataArea 0, 0, 0, 0\n; Error: area record at 9E runs past the end of the file\n");
    EXPECT_TRUE(r.source.ends_with("TextureDataEnd\tlabel\tword\n\nVTPEnd\tlabel\tword\n"));
  }
  // Headers outside the file end the body.
  {
    BglBuilder b = Builder();
    b.Section(0x36, TerrainHeader({{60, 0x7FFFFFFF}}));
    EXPECT_EQ(Disasm(b.Build()).Body(), "; Error: textured polygon header at 7FFFFFFF lies outside the file\n");
    std::vector<uint8_t> f = VtpFile({}, {});
    f[128 + 96 + 8] = 0xFF;
    EXPECT_EQ(Disasm(f).Body(), "; Error: textured polygon index at 15F lies outside the file\n");
    f = VtpFile({}, {});
    f[128 + 96 + 13] = 0x10;
    EXPECT_EQ(Disasm(f).Body(), "; Error: texture list at 1080 lies outside the file\n");
  }
}

// ---- hostile files ----

// Every cut of a complete file, and random damage to it, ends in a finished
// output (the sanitizers watch every read).
TEST(TerrainHostile, CutAndDamagedFilesTerminate) {
  Bytes cell;
  cell.u16(0x22).u8(0).u8(0x82).u8(1).u8(0x81).u8(0).u8(0x81).u8(0x23);
  cell.u32(1 | 1 << 14).u8(3).u32(2).u32(3);
  cell.u8(0x1F).u8(1).u8(0).u8(0);
  const std::vector<std::vector<uint8_t>> files = {
      VtpFile({{CellWord(1, 1, 3), cell}, {CellWord(1, 2), cell}}, {Texture("t.bmp", 0xF0, 1, "u")}),
      LwmFile({{CellWord(1, 1), Bytes().u16(0x20).raw({1, 2, 3}).u16(7).u8(1)},
               {CellWord(1, 2), Bytes().u16(2).u8(0xBF).raw({1, 2, 3, 1})}}),
  };
  std::mt19937 random(12345);
  for (const std::vector<uint8_t>& whole : files) {
    for (size_t size = 128; size <= whole.size(); ++size) {
      FakeHost host;
      CSkarnDoc doc(host);
      if (!doc.OpenImage(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size)),
                         "cut.bgl")) {
        continue;
      }
      ASSERT_EQ(Disassemble(doc), CommandResult::kWritten) << size;
    }
    for (int round = 0; round < 400; ++round) {
      std::vector<uint8_t> f = whole;
      for (int k = 0; k < 4; ++k) {
        const size_t at = 128 + random() % (f.size() - 128);
        f[at] = static_cast<uint8_t>(random());
      }
      FakeHost host;
      CSkarnDoc doc(host);
      if (!doc.OpenImage(f, "damaged.bgl")) continue;
      ASSERT_EQ(Disassemble(doc), CommandResult::kWritten) << round;
    }
  }
}

TEST(TerrainHostile, EntriesSharingOneCellOrNameAreReadOnlyAsOftenAsTheFileAllows) {
  // All index entries name one cell's data, or all texture entries one name.
  // A run reads at most twice the file in record bytes (and as much in name
  // bytes); the cells and textures after that keep their labels, the end is
  // reported once, and twice the entries give about twice the source, not
  // four times as much.
  Bytes lwmCell;  // 20 records of 26 bytes: one polygon of 10 points each
  for (int i = 0; i < 20; ++i) lwmCell.u16(1).u8(10).i16(0).u8(0).zeros(20);
  Bytes vtpCell;  // 10 records: one layer, one texture, one method 1 polygon of 10 points
  for (int i = 0; i < 10; ++i) vtpCell.u16(1).u8(0).u8(1).u8(0).u8(1).u8(10).zeros(40);
  const std::string name(300, 'n');
  // Entry i's data offset (then its length) stands at entries + 12 i + 4.
  constexpr uint32_t kEntries = kHeaderSize + 32;
  auto sharedCells = [](const Bytes& data, int n, bool vtp) {
    std::vector<Cell> cells(static_cast<size_t>(n), Cell{CellWord(1, 1), Bytes()});
    cells[0].data = data;
    Bytes s = TerrainHeader({{vtp ? 60u : 56u, kHeaderSize}}).append(vtp ? Vtp(cells, {}) : Lwm(cells));
    for (uint32_t i = 1; i < static_cast<uint32_t>(n); ++i) {
      s.patch(kEntries + 12 * i + 4, 0, 4).patch(kEntries + 12 * i + 8, Size(data), 4);
    }
    BglBuilder b = Builder();
    b.Section(0x36, s);
    return b.Build();
  };
  auto sharedName = [&name](int m) {
    std::vector<Bytes> textures(static_cast<size_t>(m));
    textures[0] = Texture(name, 0, 0);
    Bytes s = TerrainHeader({{60, kHeaderSize}}).append(Vtp({}, textures));
    // No cells: the texture entries follow the 16-byte list head at VTP + 32.
    for (uint32_t k = 1; k < static_cast<uint32_t>(m); ++k) s.patch(kHeaderSize + 32 + 16 + 8 * k, 0, 4);
    BglBuilder b = Builder();
    b.Section(0x36, s);
    return b.Build();
  };
  struct Case {
    const char* what;
    std::function<std::vector<uint8_t>(int)> build;
    const char* overlap;  // what the comment says overlaps
    const char* skipped;  // and what it skips
    const char* label;    // one label line per entry
  };
  const Case cases[] = {
      {"land/water mask", [&](int n) { return sharedCells(lwmCell, n, false); },
       "terrain cells", "area records", "\nEndData"},
      {"textured polygons", [&](int n) { return sharedCells(vtpCell, n, true); },
       "terrain cells", "area records", "\nEndData"},
      {"texture names", sharedName,
       "texture names", "textures", "   EndTexture"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    size_t sizes[2] = {};
    for (int twice = 0; twice < 2; ++twice) {
      const int n = 100 << twice;
      const std::vector<uint8_t> file = c.build(n);
      const unsigned long long allowance = 2 * file.size();
      const Disasm r(file);
      sizes[twice] = r.source.size();
      EXPECT_LT(r.source.size(), 200 * file.size());
      EXPECT_EQ(Count(r.source, "; Error:"), 1) << r.source.substr(0, 3000);
      EXPECT_NE(r.source.find(Format("; Error: %s overlap (more than %llu bytes read); the remaining %s are skipped\n",
                                     c.overlap, allowance, c.skipped)),
                std::string::npos);
      EXPECT_EQ(Count(r.source, c.label), n);
      if (c.what[0] == 'l') {
        EXPECT_EQ(Count(r.source, "LWMDataAreaDrawPolygons "), static_cast<int>(allowance / 26));
      }
    }
    EXPECT_LT(sizes[1], sizes[0] * 5 / 2);
  }
  // A sound file with one cell and one texture stays inside the allowance.
  const Disasm sound(VtpFile({{CellWord(1, 1), vtpCell}}, {Texture(name, 0, 0)}));
  EXPECT_EQ(Count(sound.source, "; Error:"), 0);
  EXPECT_EQ(Count(sound.source, "VTPDataArea "), 10);
}

}  // namespace
}  // namespace skarn::test
