// The procedural section's objects and the two-pass walk over their programs.
#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "FakeHost.h"
#include "ProcHarness.h"
#include "TestUtil.h"
#include "core/Format.h"
#include "core/GeoText.h"
#include "core/SkarnDoc.h"
#include "sections/procedural/ProceduralSection.h"

namespace skarn::test {
namespace {

// ---- program pieces beyond those of ProcHarness.h ----
Bytes DefPoint(int16_t a, int16_t b, int16_t c, int16_t d) { return Bytes{0x0E, 0x00}.i16(a).i16(b).i16(c).i16(d); }
// A command whose length is the i16 after its command word.
Bytes LoadBitmap(int16_t length) {
  return Bytes{0x43, 0x00}.i16(length).i16(0).u16(0).u8(0).u8(0).u8(0).u8(0).text("A.BMP", 6);
}

// An object header of the given type (the size field's width follows the
// type) followed by its program.
Bytes Object(uint8_t type, int32_t lat, int32_t lon, uint8_t param, const Bytes& code) {
  Bytes b;
  b.u8(type).i32(lat).i32(lon);
  if (type == 0x0D) {
    b.u8(0).u8(param).u16(static_cast<uint32_t>(13 + code.size()));
  } else {
    const unsigned width = type == 0x0E ? 4u : 1u << ((type - 4u) % 3u);
    b.u8(param);
    const uint32_t size = static_cast<uint32_t>(10 + width + code.size());
    if (width == 1) b.u8(size);
    if (width == 2) b.u16(size);
    if (width == 4) b.u32(size);
  }
  return b.append(code);
}

// A section with one band per list of objects: band i spans latitudes
// 100 + i to 101 + i.
Bytes Section(const std::vector<std::vector<Bytes>>& bands) { return BandedSection(bands, 100, 1, 1); }

std::string Area(char letter, int32_t lat, int32_t lon, int param) {
  GeoText g;
  std::string s = Format("Area( %c", letter);
  s += g.Lat32Text(lat);
  s += g.Lon32Text(lon);
  return s + Format(" %d )\n", param);
}

// ---------------------------------------------------------------------------
// The two passes

TEST(WalkerTest, UnreachableBytesAfterAJumpBecomeADataArea) {
  // The program at section offset 0x100: Jump +6, Nop, Return.
  Bytes s = BandTable({{100, 101, 0xF2}});
  s.zeros(0xF2 - s.size());
  s.append(Object(6, 0, 0, 0, Cat({Jump(6), Nop(), Return()}))).u8(0);
  EXPECT_EQ(DisasmSection(s).program,
            "\tJump( :L000106 )\n"
            ":L000104\n"
            "; unreachable code, possibly data area\n"
            "\tDbx( 02 00  )\n"
            ":L000106\n"
            "\tReturn\n");
}

TEST(WalkerTest, LabelLinesStandBeforeTheCommandsTheyName) {
  // The walk goes on after EOF.
  EXPECT_EQ(DisasmProgram(Cat({Eof(), Nop()})), "\tDwx( 0000 ) ; EOF\n\tNop\n");
  // A jump to the next command: that position is a target, not data.
  EXPECT_EQ(DisasmProgram(Cat({Jump(4), Nop()})), "\tJump( :L00001C )\n:L00001C\n\tNop\n");
  // The position after the Jump was already a target: no data area.
  EXPECT_EQ(DisasmProgram(Cat({Call(8), Jump(6), Nop(), Return()})),
            "\tCall( :L000020 )\n\tJump( :L000022 )\n:L000020\n\tNop\n:L000022\n\tReturn\n");
  // A backward jump seen later makes the position code again.
  EXPECT_EQ(DisasmProgram(Cat({Jump(6), Nop(), Jump(-2)})),
            "\tJump( :L00001E )\n:L00001C\n\tNop\n:L00001E\n\tJump( :L00001C )\n");
  // Only the first byte selects the command.
  EXPECT_EQ(DisasmProgram(Bytes{0x02, 0x01}), "\tNop\n");
}

TEST(WalkerTest, DataRowsHoldTwelveBytes) {
  Bytes data;
  for (uint8_t i = 1; i <= 14; ++i) data.u8(i);
  EXPECT_EQ(DisasmProgram(Cat({Jump(18), data, Nop()})),
            "\tJump( :L00002A )\n"
            ":L00001C\n"
            "; unreachable code, possibly data area\n"
            "\tDbx( 01 02 03 04 05 06 07 08 09 0A 0B 0C  )\n"
            "\tDbx( 0D 0E  )\n"
            ":L00002A\n"
            "\tNop\n");
  // A Return followed by data up to the end: the area runs to the end.
  EXPECT_EQ(DisasmProgram(Cat({Return(), Bytes{0xAA, 0xBB, 0xCC}})),
            "\tReturn\n:L00001A\n; unreachable code, possibly data area\n\tDbx( AA BB CC  )\n");
}

TEST(WalkerTest, LabelInsideACommandIsAnOverrunLabel) {
  EXPECT_EQ(DisasmProgram(Cat({Call(8), DefPoint(1, 2, 3, 4), Nop()})),
            "\tCall( :L000020 )\n\tDefPoint( 1 2 3 4 )\n:L000020 ; overrun label\n\tNop\n");
}

TEST(WalkerTest, DataAreaMayStartWithAnyByte) {
  // The bytes after the Jump are not commands, whatever their value.
  EXPECT_EQ(DisasmProgram(Cat({Jump(6), Bytes{0xFF, 0xC0}, Nop()})),
            "\tJump( :L00001E )\n:L00001C\n; unreachable code, possibly data area\n\tDbx( FF C0  )\n"
            ":L00001E\n\tNop\n");
}

TEST(WalkerTest, DataAreaEndsWithTheProgram) {
  // The label after the marked one lies beyond the program: the area stops at
  // the program's end, not at that label.
  EXPECT_EQ(DisasmProgram(Cat({Call(0x40), Return(), Bytes{0xAA, 0xBB}})),
            "\tCall( :L000058 )\n\tReturn\n:L00001E\n; unreachable code, possibly data area\n\tDbx( AA BB  )\n");
}

TEST(WalkerTest, BadCommandsEndTheWalkWithAComment) {
  EXPECT_EQ(DisasmProgram(Cat({Nop(), Bytes{0xBE, 0x01}, Nop()})),
            "\tNop\n; Error: unexpected ID be at offset 001A\n");
  // At a jump target the error comes before the label line, which is not
  // written.
  EXPECT_EQ(DisasmProgram(Cat({Call(4), Bytes{0xBE, 0x01}, Nop()})),
            "\tCall( :L00001C )\n; Error: unexpected ID be at offset 001C\n");
  // A command that runs past the object's end is written, then reported.
  Bytes s = BandTable({{100, 101, 10}});
  Bytes code = Cat({Nop(), DefPoint(1, 2, 0, 0)});  // the size says 8 bytes of program
  s.u8(6).i32(0).i32(0).u8(0).u32(14 + 8).append(code);
  EXPECT_EQ(DisasmSection(s).program, "\tNop\n\tDefPoint( 1 2 0 0 )\n; Error: object end overrun\n");
}

// ---------------------------------------------------------------------------
// Hostile programs: every walk ends, with a comment saying why

TEST(WalkerTest, CommandWithoutLengthStopsTheWalk) {
  for (int16_t length : {int16_t{0}, int16_t{-6}}) {
    const std::string text = DisasmProgram(Cat({Nop(), LoadBitmap(length), Nop()}));
    const std::string error = Format("; Error: command at offset 001A has length %d, walk stopped\n", length);
    ASSERT_NE(text.find(error), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - error.size()), error);
    EXPECT_EQ(text.rfind("\tNop\n", 0), 0u);
    EXPECT_EQ(Count(text, "\tNop\n"), 1);
  }
}

TEST(WalkerTest, CommandPastTheEndOfTheFileIsReported) {
  // The object says it is far longer than the file; the file ends in the
  // middle of a DefPoint.
  Bytes s = BandTable({{100, 101, 10}});
  s.u8(6).i32(0).i32(0).u8(0).u32(14 + 100).append(Nop()).append(Bytes{0x0E, 0x00, 0x01, 0x00});
  const ProcRun run = DisasmSection(s);
  EXPECT_EQ(run.program, "\tNop\n; Error: command at offset 001A runs past the end of the file\n");
  // The list cannot go on behind an object that leaves the file.
  EXPECT_NE(run.output.find("EndA\n\n; Error: bad object size at offset 7C\n"), std::string::npos) << run.output;
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: bad object size in Procedural Section at 0x7C"});

  // Data rows stop at the end of the file.
  Bytes t = BandTable({{100, 101, 10}});
  t.u8(6).i32(0).i32(0).u8(0).u32(14 + 100).append(Return()).append(Bytes{0x01, 0x02, 0x03});
  EXPECT_EQ(DisasmSection(t).program,
            "\tReturn\n:L00001A\n; unreachable code, possibly data area\n\tDbx( 01 02 03  )\n");

  // A text operand without its terminator before the end of the file.
  Bytes u = BandTable({{100, 101, 10}});
  u.u8(6).i32(0).i32(0).u8(0).u32(14 + 100).append(Nop()).append(Bytes{0x43, 0x00, 0x40, 0x00}).zeros(8).chars("ABC");
  EXPECT_EQ(DisasmSection(u).program, "\tNop\n; Error: command at offset 001A runs past the end of the file\n");

  // A command that read all it writes inside the file but claims more bytes
  // than the file has keeps its lines.
  Bytes v = BandTable({{100, 101, 10}});
  v.u8(6).i32(0).i32(0).u8(0).u32(14 + 100).append(Nop()).append(LoadBitmap(0x40));
  EXPECT_EQ(DisasmSection(v).program,
            "\tNop\n\tLoadBitmap( 0 0 00 0 0 0\n\t\tA.BMP )\n"
            "; Error: command at offset 001A runs past the end of the file\n");
}

TEST(WalkerTest, LyingObjectSizesEndTheBand) {
  // Size 0 would read the same header for ever; a band pointing outside the
  // file.
  Bytes zero = Section({{Object(6, 0, 0, 0, Nop())}});
  zero.patch(20, 0, 4);
  Bytes outside = BandTable({{100, 101, 0x1000}, {101, 102, 19}}).append(Object(6, 0, 0, 0, Nop())).u8(0);
  for (const Bytes* s : {&zero, &outside}) {
    const ProcRun run = DisasmSection(*s);
    const uint32_t at = s == &outside ? 0x1000 : 10;
    EXPECT_NE(run.output.find(Format("\n; Error: bad object size at offset %X\n", at)), std::string::npos)
        << run.output;
    ASSERT_FALSE(run.messages.empty());
    EXPECT_EQ(run.messages[0], Format("Error: bad object size in Procedural Section at 0x%X", at));
  }
  // The later band is still written.
  const ProcRun run = DisasmSection(outside);
  EXPECT_EQ(Count(run.output, "\tNop\n"), 1);
  EXPECT_EQ(Count(run.output, "; Object # 1,"), 1);

  // A size inside the header: the object has no program, and the next
  // header starts at its end (here the zero longitude ends the list).
  Bytes tiny = Section({{Object(4, 0, 0, 0, Nop())}});
  tiny.patch(20, 5, 1);
  const ProcRun t = DisasmSection(tiny);
  EXPECT_NE(t.output.find("; Object # 1, offset: 0x000A size: 5 bytes (0x0005) \n"), std::string::npos) << t.output;
  EXPECT_EQ(Count(t.output, "\tNop\n"), 0);
  EXPECT_EQ(Count(t.output, "EndA\n"), 1);
  EXPECT_TRUE(t.messages.empty());
}

// ---------------------------------------------------------------------------
// Objects, bands and the sorted list

TEST(WalkerTest, ObjectsAreNumberedAcrossBands) {
  const int32_t lat = 0x00100000;
  const int32_t lon = 0x02000000;
  Bytes s = Section({{Object(4, lat, lon, 7, Nop()), Object(0x0D, lat, lon, 8, Nop())},
                     {Object(0x0E, lat + 8, lon, 9, Nop()), Object(0x0B, lat - 8, lon, 10, Return())}});
  const ProcRun run = DisasmSection(s);
  const std::string& out = run.output;
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(Count(out, Format("; Object # %d, offset: ", n)), 1) << out;
  EXPECT_NE(out.find("; Object # 1, offset: 0x0013 size: 13 bytes (0x000D) \n;; Lat: 000100000h Lon: 002000000h\n"),
            std::string::npos);
  EXPECT_NE(out.find("; Object # 2, offset: 0x0020 size: 15 bytes (0x000F) \n"), std::string::npos);
  EXPECT_NE(out.find(Area('4', lat, lon, 7) + "\tNop\nEndA\n\n"), std::string::npos);
  EXPECT_NE(out.find(Area('B', lat, lon, 8) + "\tNop\nEndA\n\n"), std::string::npos);
  EXPECT_NE(out.find(Area('E', lat + 8, lon, 9) + "\tNop\nEndA\n\n"), std::string::npos);
  EXPECT_NE(out.find(Area('B', lat - 8, lon, 10) + "\tReturn\nEndA\n\n"), std::string::npos);

  // Sorted by latitude (two low bits ignored), equal keys at the head in
  // reverse order of insertion.
  GeoText g;
  std::string sorted = "; sorted list of objects\n";
  for (int n : {4, 2, 1, 3}) {
    const int32_t objLat = n == 3 ? lat + 8 : n == 4 ? lat - 8 : lat;
    sorted += Format("; %s", g.Lat32Text(objLat));
    sorted += Format(" %s Object # %d\n", g.Lon32Text(lon), n);
  }
  EXPECT_NE(out.find(sorted), std::string::npos) << out;
}

// Object numbers in the order the index prints them, for objects inserted
// in this order: each a header in an image of its own, most right after the
// one before, every third behind a gap (the start of another list). An
// object named again by its first number is inserted again (a shared list).
std::vector<int> PrintedOrder(const std::vector<std::pair<int32_t, int32_t>>& objects,
                              const std::vector<int>& insertions, uint32_t block = 32768, uint32_t markEvery = 64) {
  Bytes image;
  std::vector<uint64_t> at;
  for (size_t i = 0; i < objects.size(); ++i) {
    if (i % 3 == 2) image.u8(0xEE);
    at.push_back(image.size());
    image.u8(4).i32(objects[i].first).i32(objects[i].second).u8(0).u8(12).u8(0);  // an 8-bit size: 12
  }
  const std::vector<uint8_t> bytes = image.vec();
  const ByteReader img(bytes.data(), bytes.size());
  ObjectIndex index(block, markEvery);
  for (const int n : insertions) {
    ObjectHeader h;
    EXPECT_EQ(ReadObjectHeader(img, at[static_cast<size_t>(n - 1)], h), HeaderRead::kObject);
    index.Insert(at[static_cast<size_t>(n - 1)], h);
  }
  FakeHost host;
  CSkarnDoc doc(host);
  const std::string text = Captured(doc, [&] { index.Print(doc.writer(), img); });
  EXPECT_TRUE(index.empty());
  std::vector<int> numbers;
  for (size_t p = text.find("Object # "); p != std::string::npos; p = text.find("Object # ", p + 1))
    numbers.push_back(std::stoi(text.substr(p + 9)));
  return numbers;
}

TEST(WalkerTest, SortedListInsertionRule) {
  const std::vector<std::pair<int32_t, int32_t>> objects = {
      {0, 0}, {0, 0}, {0, 0},  // equal keys at the head: the newest goes first
      {3, 5},                  // latitude's two low bits ignored: after 3, 2, 1
      {1, 5},                  // equal key behind the head: after the earlier one
      {4, 0},  {0, -1},        // longitude as unsigned: largest of this latitude
      {-4, 0}};                // latitude as unsigned: last
  const std::vector<int> all = {1, 2, 3, 4, 5, 6, 7, 8};
  const std::vector<int> expected = {3, 2, 1, 4, 5, 7, 6, 8};
  EXPECT_EQ(PrintedOrder(objects, all), expected);
  // The same when sorted in blocks of three, merged, with marks far apart.
  EXPECT_EQ(PrintedOrder(objects, all, 3, 4), expected);
}

TEST(WalkerTest, SortedListMatchesInsertionIntoAnOrderedList) {
  // Many ties: the order among equal keys depends on where each entry went.
  const int32_t lats[] = {0, 1, 3, 4, 7, -4, 0x40000000};
  const int32_t lons[] = {0, 1, -1, 0x7FFFFFFF};
  uint32_t seed = 12345;
  auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
  for (int round = 0; round < 20; ++round) {
    std::vector<std::pair<int32_t, int32_t>> objects;
    std::vector<int> insertions;
    std::list<std::pair<uint64_t, int>> model;
    for (int n = 1; n <= 60; ++n) {
      // Now and then an object met before, read again.
      if (!objects.empty() && next() % 5 == 0) {
        insertions.push_back(static_cast<int>(next() % objects.size()) + 1);
      } else {
        objects.emplace_back(lats[next() % 7], lons[next() % 4]);
        insertions.push_back(static_cast<int>(objects.size()));
      }
      const auto [lat, lon] = objects[static_cast<size_t>(insertions.back() - 1)];
      const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(lat) & ~3u) << 31) +
                           static_cast<uint64_t>(static_cast<uint32_t>(lon));
      if (model.empty() || key <= model.front().first) {
        model.emplace_front(key, n);
      } else {
        auto after = model.begin();
        for (auto it = model.begin(); it != model.end(); ++it)
          if (it->first <= key) after = it;
        model.emplace(std::next(after), key, n);
      }
    }
    std::vector<int> expected;
    for (const auto& e : model) expected.push_back(e.second);
    EXPECT_EQ(PrintedOrder(objects, insertions), expected) << "round " << round;
    EXPECT_EQ(PrintedOrder(objects, insertions, 1 + static_cast<uint32_t>(round), 1 + next() % 9), expected)
        << "round " << round;
  }
}

TEST(WalkerTest, UnknownObjectTypeEndsOnlyItsBand) {
  Bytes s = Section({{Object(6, 0, 0, 0, Nop()), Bytes{0x03}}, {Object(6, 0, 0, 0, Nop())}});
  const ProcRun run = DisasmSection(s);
  EXPECT_NE(run.output.find("EndA\n\n; Error: unknown ID in Procedural Section, Object Header at 23\n"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(Count(run.output, "; Object # 2,"), 1);
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: unknown ID in Procedural Section, Object Header at 0x23"});
}

TEST(WalkerTest, SectionFraming) {
  // An empty band table: the heading, nothing else, and an empty list.
  const ProcRun empty = DisasmSection(Bytes{0x00});
  const std::string sep = "; ----------------------------------------\n";
  EXPECT_NE(empty.output.find("\n" + sep + "; Procedural scenery\n" + sep + "\n; sorted list of objects\n" + sep +
                              "; end of SCASM source\n"),
            std::string::npos)
      << empty.output;
}

TEST(WalkerTest, SummaryCountsObjectsPerBand) {
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  b.Section(kProcHeaderField, Section({{Object(6, 0, 0, 0, Nop()), Object(5, 0, 0, 0, Nop())}, {}}));
  ASSERT_TRUE(doc.OpenImage(b.Build(), "x.bgl"));
  GeoText g;
  std::vector<std::string> expected{"Procedural Scenery Section:"};
  for (int i = 0; i < 2; ++i) {
    std::string line = "   Latitude Band ";
    line += g.LatText(GeoText::Lat16(static_cast<int16_t>(100 + i)));
    line += " to ";
    line += g.LatText(GeoText::Lat16(static_cast<int16_t>(101 + i)));
    expected.push_back(line + (i == 0 ? ": 2 objects" : ": 0 objects"));
  }
  const auto& lines = doc.summary();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()), expected);
  EXPECT_TRUE(host.messages.empty());

  // A bad band identifier or a table cut off by the end of the file stops
  // the summary with a message.
  const std::vector<std::pair<Bytes, std::string>> broken{
      {Bytes{0x15, 0, 0, 0, 0, 1, 0, 0, 0, 0x16}, "Error: unknown ID in Proc Section, LatBand table at Offset 9"},
      {Bytes{0x15, 0, 0, 0, 0, 1, 0, 0, 0, 0x15, 1},
       "Error: Proc Section LatBand table at Offset 9 runs past the end of the file"}};
  for (const auto& [table, message] : broken) {
    FakeHost h;
    CSkarnDoc d(h);
    BglBuilder bb;
    bb.Section(kProcHeaderField, table);
    d.OpenImage(bb.Build(), "x.bgl");
    EXPECT_EQ(h.messages, std::vector<std::string>{message});
    EXPECT_EQ(d.summary().back().substr(0, 18), "   Latitude Band  ");
  }
}

// ---------------------------------------------------------------------------
// Services and modes

TEST(WalkerTest, LibraryCallQuestionIsAskedOncePerSection) {
  Bytes s = Section({{Object(6, 0, 0, 0, CallLib20()), Object(6, 0, 0, 0, CallLib20())}});
  const ProcRun yes = DisasmSection(s, true);
  EXPECT_EQ(yes.questions, std::vector<std::string>{"Is this a FS2000/2002 .bgl-file?"});
  EXPECT_EQ(Count(yes.output, "\tCallLibObj( 0 00000001 00000002 00000003 00000004 )\n"), 2);
  const ProcRun no = DisasmSection(s, false);
  EXPECT_EQ(no.questions.size(), 1u);
  EXPECT_EQ(Count(no.output, "\tCallLibObj1( 00010000 00020000 00030000 00040000 )\n"), 2) << no.output;
}

TEST(WalkerTest, ListOnlyModeWritesOnlyBitmapNames) {
  Bytes name;
  name.chars("TEX  A B.BMP");
  Bytes code = Cat({Bitmap("T1.BMP"), Nop(), Bitmap("T2.BMP")});
  EXPECT_EQ(ListBitmapsOf(code), "\tT1.BMP (Bitmap)\n\tT2.BMP (Bitmap)\n");
  // Blanks are left out of the name.
  EXPECT_EQ(ListBitmapsOf(Bytes{0x18, 0x00}.zeros(8).append(name).zeros(2)), "\tTEXAB.BMP (Bitmap)\n");

  // Afterwards the section writes its full source again, and the list-only
  // run left nothing in the sorted list.
  FakeHost host;
  CSkarnDoc doc(host);
  doc.OpenImage(ProcFileWith(code), "x.bgl");
  auto* section = dynamic_cast<ProceduralSection*>(doc.section(kProcSlot));
  ASSERT_NE(section, nullptr);
  const std::string listed = Captured(doc, [section] { section->ListBitmaps(); });
  EXPECT_EQ(Count(listed, "Object #"), 0);
  EXPECT_EQ(Count(listed, "EndA"), 0);
  Disassemble(doc);
  const std::string out = UnixText(host.output);
  EXPECT_EQ(Count(out, "Object # 1"), 2) << out;
  EXPECT_EQ(Count(out, "\tBitmap( T1.BMP 1 2 3 4 ) \n"), 1);
}

TEST(WalkerTest, UnclearedWalkerCarriesLabelsIntoTheNextProgram) {
  // Two programs walked one after the other on one walker object, without
  // clearing its labels between them.
  // Program 1 at 0 (its Call names 0x20, beyond its end), program 2 at 0x22.
  Bytes s = Cat({Call(0x20), Nop()});
  s.zeros(0x22 - s.size()).append(Nop());
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  const uint32_t start = b.Section(kProcHeaderField, Bytes{0x00});
  b.Append(s);
  doc.OpenImage(b.Build(), "x.bgl");
  ProceduralSection walker(doc, start + 1);
  const std::string text = Captured(doc, [&walker, start] {
    walker.WalkCode(start + 1, start + 1 + 6);
    walker.WalkCode(start + 1 + 0x22, start + 1 + 0x24);
  });
  EXPECT_EQ(UnixText(text), "\tCall( :L000020 )\n\tNop\n:L000020 ; overrun label\n\tNop\n");
}

// ---------------------------------------------------------------------------
// Shared lists

// A section whose bands all name one list (the objects, then the 0 that ends
// the list); tail follows the list.
Bytes SharedBands(int bands, const Bytes& objects, const Bytes& tail = Bytes()) {
  Bytes s;
  for (int i = 0; i < bands; ++i) s.u8(0x15).i16(100).i16(101).u32(static_cast<uint32_t>(9 * bands + 1));
  return s.u8(0).append(objects).u8(0).append(tail);
}

TEST(WalkerHostile, BandsSharingObjectsAreReadOnlyAsOftenAsTheFileAllows) {
  // Every band names the same objects: many small ones, one long one, or a
  // small one whose elevation grid runs on over the 1600 bytes after it. A
  // run reads at most twice the file in object bytes; each reports the
  // end of that once, and twice the bands give about twice the source, not
  // four times as much.
  Bytes small;
  for (int i = 0; i < 40; ++i) small.append(Object(4, i * 4, 0, 0, Nop()));
  Bytes nops;
  for (int i = 0; i < 1000; ++i) nops.append(Nop());
  const Bytes grid = Bytes{0x15, 0x00}.u16(19).u16(19).zeros(12);  // 20 x 20 points of 4 bytes
  struct Case {
    const char* what;
    Bytes objects;
    Bytes tail;
    uint64_t objectSize;   // what each object costs (0: not fixed)
    bool summaryStops;     // the summary, which walks no programs, meets the allowance too
  };
  const Case cases[] = {
      {"small objects", small, Bytes(), 13, true},
      {"one long object", Object(6, 0, 0, 0, nops), Bytes(), 2014, true},
      {"grid past the object", Object(4, 0, 0, 0, grid), Bytes().zeros(1600), 0, false},
  };
  const std::string source = "; Error: Proc Section band lists overlap (more than ";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    size_t sizes[2] = {};
    for (int twice = 0; twice < 2; ++twice) {
      BglBuilder b;
      b.Section(kProcHeaderField, SharedBands(150 << twice, c.objects, c.tail));
      const std::vector<uint8_t> file = b.Build();
      const uint64_t allowance = 2 * file.size();
      const DisasmRun run = DisasmFile(file, "shared.bgl");
      sizes[twice] = run.output.size();
      EXPECT_LT(run.output.size(), 60 * file.size());
      EXPECT_EQ(Count(run.output, source), 1);
      EXPECT_NE(run.output.find(Format("%s%llu bytes read); the remaining objects are skipped\n", source.c_str(),
                                       static_cast<unsigned long long>(allowance))),
                std::string::npos);
      if (c.objectSize != 0) {
        EXPECT_EQ(Count(run.output, "\nArea( "), static_cast<int>(allowance / c.objectSize));
      }
      EXPECT_EQ(Count(run.output, "; LatRange("), 150 << twice);
      const std::vector<std::string> summary{Format(
          "Error: Proc Section band lists overlap (more than %llu bytes read); the remaining objects are not counted",
          static_cast<unsigned long long>(allowance))};
      EXPECT_EQ(run.messages, c.summaryStops ? summary : std::vector<std::string>{});

      // The bitmap list walks as far and says so too.
      FakeHost host;
      CSkarnDoc doc(host);
      doc.OpenImage(file, "shared.bgl");
      auto* section = dynamic_cast<ProceduralSection*>(doc.section(kProcSlot));
      ASSERT_NE(section, nullptr);
      EXPECT_EQ(Count(Captured(doc, [section] { section->ListBitmaps(); }), source), 1);
    }
    EXPECT_LT(sizes[1], sizes[0] * 5 / 2);
  }
}

}  // namespace
}  // namespace skarn::test
