// The library section: summary, both object forms, the walker shared by the
// objects of one run, the quiet bitmap walk, and files that lie.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "BglBuilder.h"
#include "FakeHost.h"
#include "ProcHarness.h"
#include "TestUtil.h"
#include "core/Commands.h"
#include "core/Format.h"
#include "core/SkarnDoc.h"
#include "sections/nav/LibrarySection.h"

namespace skarn::test {
namespace {

constexpr uint32_t kLibField = 0x3E;
constexpr int kLibSlot = 10;

using Id = std::array<uint32_t, 4>;

// ---- program pieces beyond those of ProcHarness.h ----
Bytes LoadBitmap(const std::string& name) {
  const auto length = static_cast<uint32_t>(12 + name.size() + 1);
  return Bytes{0x43, 0x00}.u16(length).i16(0).u16(0).u8(0).u8(0).u8(0).u8(0).text(name, name.size() + 1);
}

// ---- objects ----
struct NewFields {
  uint8_t pwr = 5;
  uint32_t size = 100;
  uint32_t divisor = 65536;
  uint32_t type = 2;
  uint32_t prop = 0;
  std::string name;
  size_t nameRoom = 4;
};

// The newer form: the ID again, then the fixed fields, the name and the
// program.
Bytes NewObject(const Id& id, const NewFields& f, const Bytes& code) {
  Bytes b;
  for (uint32_t w : id) b.u32(w);
  b.u8(f.pwr).u32(static_cast<uint32_t>(41 + f.nameRoom)).u32(static_cast<uint32_t>(code.size()));
  b.u32(f.size).u32(f.divisor).u32(f.type).u32(f.prop).text(f.name, f.nameRoom);
  return b.append(code);
}

// The older form: four words of its own, a byte and the object's size.
Bytes OldObject(const Id& words, uint8_t byte, const Bytes& code) {
  Bytes b;
  for (uint32_t w : words) b.u32(w);
  return b.u8(byte).u16(static_cast<uint32_t>(19 + code.size())).append(code);
}

struct Entry {
  Id id;
  Bytes object;
};

// A directory (one 20-byte entry per object and a 20-byte end entry) with the
// objects laid out after it in order.
Bytes Library(const std::vector<Entry>& entries) {
  Bytes dir;
  Bytes objects;
  uint32_t at = static_cast<uint32_t>(20 * (entries.size() + 1));
  for (const Entry& e : entries) {
    dir.u32(at);
    for (uint32_t w : e.id) dir.u32(w);
    objects.append(e.object);
    at += static_cast<uint32_t>(e.object.size());
  }
  return dir.zeros(20).append(objects);
}

std::vector<uint8_t> LibraryFile(const Bytes& section) {
  BglBuilder b;
  b.Section(kLibField, section);
  return b.Build();
}

struct LibRun {
  std::string body;  // what the section writes after its heading
  std::vector<std::string> messages;
  std::vector<std::string> questions;
};

const std::string kHeading = "\n" + kSep + "; Library section\n" + kSep + "\n";
const std::string kTail = kSep + "; end of SCASM source\n";

// Disassembles a file whose only section is the library section.
LibRun Source(const std::vector<uint8_t>& file, bool fs2000 = true) {
  const DisasmRun run = DisasmFile(file, "lib.bgl", fs2000);
  EXPECT_TRUE(run.opened);
  EXPECT_EQ(run.result, CommandResult::kWritten);
  const std::string& out = run.output;
  LibRun r;
  r.messages = run.messages;
  r.questions = run.questions;
  const size_t head = out.find(kHeading);
  EXPECT_NE(head, std::string::npos) << out;
  EXPECT_GE(out.size(), kTail.size());
  if (head == std::string::npos || out.size() < kTail.size()) return r;
  EXPECT_EQ(out.substr(out.size() - kTail.size()), kTail) << out;
  const size_t from = head + kHeading.size();
  r.body = out.substr(from, out.size() - kTail.size() - from);
  return r;
}

LibRun Source(const Bytes& section, bool fs2000 = true) { return Source(LibraryFile(section), fs2000); }

// The quiet walk on its own: all it writes.
LibRun Bitmaps(const std::vector<uint8_t>& file) {
  FakeHost host;
  CSkarnDoc doc(host);
  EXPECT_TRUE(doc.OpenImage(file, "lib.bgl"));
  LibRun r;
  auto* lib = dynamic_cast<LibrarySection*>(doc.section(kLibSlot));
  EXPECT_NE(lib, nullptr);
  if (lib == nullptr) return r;
  r.body = UnixText(Captured(doc, [lib] { lib->ListBitmaps(); }));
  r.messages = host.messages;
  r.questions = host.questions;
  return r;
}

std::vector<std::string> Summary(const std::vector<uint8_t>& file, std::vector<std::string>* messages = nullptr) {
  FakeHost host;
  CSkarnDoc doc(host);
  EXPECT_TRUE(doc.OpenImage(file, "lib.bgl"));
  if (messages != nullptr) *messages = host.messages;
  return SectionLines(doc.summary());
}

const Id kIdA = {0x11111111, 0x22222222, 0x33333333, 0x44444444};
const Id kIdB = {0xAAAA0001, 0xBBBB0002, 0xCCCC0003, 0xDDDD0004};

// ---------------------------------------------------------------------------
// Summary

TEST(LibrarySummary, IdRangeAndObjectCount) {
  BglBuilder b;
  b.Set(0x56, 0x0123456789ABCDEFull, 8);  // minimum: high word non-zero
  b.Set(0x5E, 0x00000000000000FFull, 8);  // maximum: high word 0, no 0x prefix
  b.Section(kLibField, Library({{kIdA, OldObject(kIdB, 0, Nop())}, {kIdB, OldObject(kIdA, 0, Nop())}}));
  std::vector<std::string> messages;
  EXPECT_EQ(Summary(b.Build(), &messages),
            (std::vector<std::string>{"Library section:",
                                      "   Minimum ID: 0x0123456789abcdef; Maximum ID: 00000000000000ff",
                                      "   Number of library objects: 2"}));
  EXPECT_TRUE(messages.empty());

  // An empty directory: count 0, and only the heading in the source.
  BglBuilder e;
  e.Set(0x56, 0x0000000100000000ull, 8);
  e.Section(kLibField, Bytes().zeros(20));
  EXPECT_EQ(Summary(e.Build()), (std::vector<std::string>{"Library section:",
                                                          "   Minimum ID: 0x0000000100000000; Maximum ID: "
                                                          "0000000000000000",
                                                          "   Number of library objects: 0"}));
  EXPECT_EQ(Source(Bytes().zeros(20)).body, "");
}

// ---------------------------------------------------------------------------
// Object forms

TEST(LibrarySource, NewFormWithoutPropAndName) {
  const LibRun r = Source(Library({{kIdA, NewObject(kIdA, {}, Cat({Nop(), Eof()}))}}));
  EXPECT_EQ(r.body, kSep +
                        "; Library Object #1, Offset 0x0028, size 4 (= 0x4)\n" + kSep +
                        "ObjID( 11111111 22222222 33333333 44444444 )\n"
                        "LibObj( \n"
                        "\tPWR   5\n"
                        "\tSIZE  100\n"
                        "\tSCALE 1.000\n"
                        "\tTYPE  2\n"
                        "\t)\n"
                        "\tNop\n"
                        "\tDwx( 0000 ) ; EOF\n"
                        "EndObj\n");
}

TEST(LibrarySource, NewFormPropNameAndScale) {
  NewFields f;
  f.pwr = 200;
  f.size = 0xFFFFFFFF;  // printed signed
  f.divisor = 32768;
  f.type = 7;
  f.prop = 3;
  f.name = "My Hangar";
  f.nameRoom = 16;
  const LibRun r = Source(Library({{kIdB, NewObject(kIdB, f, Return())}}));
  EXPECT_EQ(r.body, kSep +
                        "; Library Object #1, Offset 0x0028, size 2 (= 0x2)\n" + kSep +
                        "ObjID( AAAA0001 BBBB0002 CCCC0003 DDDD0004 )\n"
                        "LibObj( \n"
                        "\tPWR   200\n"
                        "\tSIZE  -1\n"
                        "\tSCALE 2.000\n"
                        "\tTYPE  7\n"
                        "\tPROP  3\n"
                        "\tNAME   \"My Hangar\"\t)\n"
                        "\tReturn\n"
                        "EndObj\n");

  // SCALE is 65536 / divisor with three decimals; a divisor of 0 has no scale.
  const std::vector<std::pair<uint32_t, std::string>> scales = {
      {65536, "1.000"}, {3, "21845.333"}, {0x80000000u, "0.000"}, {0xFFFFFFFFu, "0.000"}, {0, "inf"}};
  for (const auto& [divisor, text] : scales) {
    NewFields g;
    g.divisor = divisor;
    const std::string body = Source(Library({{kIdA, NewObject(kIdA, g, Nop())}})).body;
    EXPECT_NE(body.find("\tSCALE " + text + "\n\tTYPE"), std::string::npos) << divisor << "\n" << body;
  }

  // The name ends at its first 0 byte or at the end of the header.
  NewFields cut;
  cut.name = std::string("AB\0CD", 5);
  cut.nameRoom = 8;
  EXPECT_NE(Source(Library({{kIdA, NewObject(kIdA, cut, Nop())}})).body.find("\tNAME   \"AB\"\t)\n"),
            std::string::npos);
  NewFields full;
  full.name = "ABCD";
  full.nameRoom = 4;
  EXPECT_NE(Source(Library({{kIdA, NewObject(kIdA, full, Nop())}})).body.find("\tNAME   \"ABCD\"\t)\n\tNop\n"),
            std::string::npos);
  // A name longer than any assembler line buffer is written whole.
  NewFields longName;
  longName.name = std::string(200, 'N');
  longName.nameRoom = 200;
  EXPECT_NE(Source(Library({{kIdA, NewObject(kIdA, longName, Nop())}})).body.find(
                "\tNAME   \"" + std::string(200, 'N') + "\"\t)\n"),
            std::string::npos);
}

TEST(LibrarySource, OldFormAndTheIdThatSelectsIt) {
  const Id own = {0xA, 0xB0, 0xC00, 0xD000};
  const LibRun r = Source(Library({{kIdA, OldObject(own, 9, Cat({Nop(), Return()}))}}));
  EXPECT_EQ(r.body, kSep +
                        "; Library Object #1, Offset 0x0028, size 23 (= 0x17)\n" + kSep +
                        "ObjID( 11111111 22222222 33333333 44444444 )\n"
                        "LibObj1( A B0 C00 D000 9 )\n"
                        "\tNop\n"
                        "\tReturn\n"
                        "EndObj\n");

  // An object that repeats its directory ID but one byte is the older form;
  // with all 16 bytes equal it is the newer one.
  const Id near = {kIdA[0], kIdA[1], kIdA[2], kIdA[3] ^ 0x01000000u};
  const std::string asOld = Source(Library({{kIdA, OldObject(near, 1, Nop())}})).body;
  EXPECT_NE(asOld.find("LibObj1( 11111111 22222222 33333333 45444444 1 )\n\tNop\nEndObj\n"), std::string::npos)
      << asOld;
  EXPECT_EQ(asOld.find("LibObj( "), std::string::npos);

  // Objects are numbered in directory order, whatever their place in the
  // section; a zero-length program writes nothing between header and end.
  Bytes s;
  s.u32(60).u32(kIdB[0]).u32(kIdB[1]).u32(kIdB[2]).u32(kIdB[3]);
  s.u32(80).u32(kIdA[0]).u32(kIdA[1]).u32(kIdA[2]).u32(kIdA[3]).zeros(20);
  s.append(OldObject(own, 2, Bytes{0x02, 0x00}.zeros(1)));  // at 60, 22 bytes
  s.append(NewObject(kIdA, {}, Bytes()));                   // at 82, not 80
  s.patch(20, 82, 4);
  const std::string two = Source(s).body;
  EXPECT_NE(two.find("; Library Object #1, Offset 0x003C, size 22 (= 0x16)\n"), std::string::npos) << two;
  EXPECT_NE(two.find("; Library Object #2, Offset 0x0052, size 0 (= 0x0)\n"), std::string::npos) << two;
  EXPECT_NE(two.find("\tTYPE  2\n\t)\nEndObj\n"), std::string::npos) << two;
  EXPECT_EQ(Count(two, "EndObj\n"), 2);
}

// ---------------------------------------------------------------------------
// One walker per run

TEST(LibraryWalker, LabelsCarryOverFromObjectToObject) {
  // Directory of two entries and the end entry: objects from 0x3C.
  // Object 1 (0x3C, program at 0x4F): Call to 0x6E, Call to 0x6D, Return.
  // Object 2 (0x59, program at 0x6C): Nop, Nop, Return.
  // Object 1 never reaches its targets; they are still due in object 2, one
  // on its second Nop, one inside its first.
  const Bytes one = OldObject(kIdB, 0, Cat({Call(0x6E - 0x4F), Call(0x6D - 0x53), Return()}));
  const Bytes two = OldObject(kIdA, 0, Cat({Nop(), Nop(), Return()}));
  const LibRun r = Source(Library({{kIdA, one}, {kIdB, two}}));
  const std::string expected = kSep + "; Library Object #1, Offset 0x003C, size 29 (= 0x1D)\n" + kSep +
                               "ObjID( 11111111 22222222 33333333 44444444 )\n"
                               "LibObj1( AAAA0001 BBBB0002 CCCC0003 DDDD0004 0 )\n"
                               "\tCall( :L00006E )\n"
                               "\tCall( :L00006D )\n"
                               "\tReturn\n"
                               "EndObj\n" +
                               kSep + "; Library Object #2, Offset 0x0059, size 25 (= 0x19)\n" + kSep +
                               "ObjID( AAAA0001 BBBB0002 CCCC0003 DDDD0004 )\n"
                               "LibObj1( 11111111 22222222 33333333 44444444 0 )\n"
                               "\tNop\n"
                               ":L00006D ; overrun label\n"
                               ":L00006E\n"
                               "\tNop\n"
                               "\tReturn\n"
                               "EndObj\n";
  EXPECT_EQ(r.body, expected);

  // The same objects in the other order: the targets now lie beyond every
  // program and are never printed as label lines.
  const std::string swapped = Source(Library({{kIdB, two}, {kIdA, one}})).body;
  EXPECT_NE(swapped.find("\tCall( :L000087 )\n\tCall( :L000086 )\n\tReturn\nEndObj\n"), std::string::npos)
      << swapped;
  EXPECT_EQ(Count(swapped, ":L"), 2);
}

TEST(LibraryWalker, EachRunStartsAfreshButAsksOncePerRun) {
  // The directory names the object at 0x67 first and the one at 0x3C last;
  // the last one's Call names the Nop of the first (0x8E), so its label is
  // left over when the run ends. A second run must not print it there.
  const Bytes last = OldObject(kIdA, 0, Cat({CallLib20(), Call(0x8E - 0x63)}));  // at 0x3C, 43 bytes
  const Bytes first = OldObject(kIdB, 0, Cat({CallLib20(), Nop()}));            // at 0x67
  Bytes lib;
  lib.u32(0x67).u32(kIdA[0]).u32(kIdA[1]).u32(kIdA[2]).u32(kIdA[3]);
  lib.u32(0x3C).u32(kIdB[0]).u32(kIdB[1]).u32(kIdB[2]).u32(kIdB[3]);
  lib.zeros(20).append(last).append(first);
  FakeHost host;
  CSkarnDoc doc(host);
  ASSERT_TRUE(doc.OpenImage(LibraryFile(lib), "lib.bgl"));
  ASSERT_EQ(Disassemble(doc), CommandResult::kWritten);
  const std::string once = host.output;
  EXPECT_EQ(host.questions, std::vector<std::string>{"Is this a FS2000/2002 .bgl-file?"});
  EXPECT_NE(UnixText(once).find("LibObj1( AAAA0001 BBBB0002 CCCC0003 DDDD0004 0 )\n"
                                "\tCallLibObj( 0 00000001 00000002 00000003 00000004 )\n\tNop\nEndObj\n"),
            std::string::npos)
      << UnixText(once);
  EXPECT_NE(UnixText(once).find("\tCall( :L00008E )\nEndObj\n"), std::string::npos);
  ASSERT_EQ(Disassemble(doc), CommandResult::kWritten);
  EXPECT_EQ(host.output, once);
  EXPECT_EQ(host.questions.size(), 2u);

  // The older layout of the call is 18 bytes long.
  const LibRun old = Source(Library({{kIdA, OldObject(kIdB, 0, Cat({Bytes{0x63, 0x00}.u32(1).u32(2).u32(3).u32(4),
                                                                   Nop()}))}}),
                         false);
  EXPECT_NE(old.body.find("\tCallLibObj1( 00000001 00000002 00000003 00000004 )\n\tNop\nEndObj\n"),
            std::string::npos)
      << old.body;
}

// ---------------------------------------------------------------------------
// The quiet walk for the bitmap list

TEST(LibraryBitmaps, OnlyTheNamesInDirectoryOrder) {
  NewFields f;
  f.name = "Tower";
  const Bytes lib = Library({
      {kIdA, NewObject(kIdA, f, Cat({Bitmap("TOWER.BMP"), Return(), Bitmap("HIDDEN.BMP")}))},
      {kIdB, OldObject(kIdA, 0, Cat({LoadBitmap("roof.r8"), Bitmap("TOWER.BMP")}))},
  });
  const LibRun r = Bitmaps(LibraryFile(lib));
  // The names in the order met, repeats kept; the bytes after a Return that
  // nothing jumps to may be data and are not walked.
  EXPECT_EQ(r.body,
            "\tTOWER.BMP (Bitmap)\n"
            "\troof.r8 (LoadBitmap)\n"
            "\tTOWER.BMP (Bitmap)\n");
  EXPECT_TRUE(r.messages.empty());

  // No objects: nothing at all.
  EXPECT_EQ(Bitmaps(LibraryFile(Bytes().zeros(20))).body, "");
  // The quiet walk asks the library-call question like any walk.
  const LibRun q = Bitmaps(LibraryFile(Library({{kIdA, OldObject(kIdB, 0, Cat({CallLib20(), Bitmap("X.BMP")}))}})));
  EXPECT_EQ(q.body, "\tX.BMP (Bitmap)\n");
  EXPECT_EQ(q.questions.size(), 1u);
}

// ---------------------------------------------------------------------------
// Files that lie

TEST(LibraryHostile, DirectoryRunningOffTheFile) {
  // One entry, then the file ends inside the next one.
  Bytes s;
  s.u32(40).u32(kIdA[0]).u32(kIdA[1]).u32(kIdA[2]).u32(kIdA[3]).u32(5).u32(6);
  std::vector<std::string> messages;
  const std::vector<std::string> lines = Summary(LibraryFile(s), &messages);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[2], "   Number of library objects: 1");
  EXPECT_EQ(messages,
            std::vector<std::string>{"Error: Library section directory entry at Offset 14 runs past the end of the file"});
  EXPECT_EQ(Source(s).body,
            "; Error: library object #1 at offset 0x0028 runs past the end of the file\n"
            "; Error: library directory entry at offset 0x0014 runs past the end of the file\n");

  // The end entry may be cut short after its 0 offset.
  Bytes moved;
  moved.u32(24).u32(kIdA[0]).u32(kIdA[1]).u32(kIdA[2]).u32(kIdA[3]).u32(0);
  moved.append(OldObject(kIdB, 0, Nop()));
  // The object's own bytes come after the 4-byte end entry here, so its
  // offset is 24.
  messages.clear();
  EXPECT_EQ(Summary(LibraryFile(moved), &messages)[2], "   Number of library objects: 1");
  EXPECT_TRUE(messages.empty());
  EXPECT_NE(Source(moved).body.find("\tNop\nEndObj\n"), std::string::npos);
}

TEST(LibraryHostile, ObjectsThatDoNotFitAreReportedAndSkipped) {
  Bytes badHeader = NewObject(kIdB, {}, Nop());
  badHeader.patch(17, 12, 4);  // header length inside the fixed fields
  Bytes longProgram = NewObject(kIdA, {}, Nop());
  longProgram.patch(21, 0x7FFFFFF0, 4);  // program past the end of the file
  Bytes smallOld = OldObject(kIdA, 0, Bytes());
  smallOld.patch(17, 5, 2);  // smaller than its own header
  Bytes longOld = OldObject(kIdB, 0, Nop());
  longOld.patch(17, 0xFFFF, 2);
  const Bytes good = OldObject(kIdB, 0, Nop());
  // Six entries and the end entry (0x8C bytes), then the objects of 47, 47,
  // 19 and 21 bytes; the sixth entry points far beyond the file.
  Bytes s;
  s.u32(0x8C).u32(kIdB[0]).u32(kIdB[1]).u32(kIdB[2]).u32(kIdB[3]);
  s.u32(0xBB).u32(kIdA[0]).u32(kIdA[1]).u32(kIdA[2]).u32(kIdA[3]);
  s.u32(0xEA).u32(kIdB[0]).u32(kIdB[1]).u32(kIdB[2]).u32(kIdB[3]);
  s.u32(0xFD).u32(kIdA[0]).u32(kIdA[1]).u32(kIdA[2]).u32(kIdA[3]);
  s.u32(0x112).u32(kIdA[0]).u32(kIdA[1]).u32(kIdA[2]).u32(kIdA[3]);
  s.u32(0xFFFFFF00).u32(kIdA[0]).u32(kIdA[1]).u32(kIdA[2]).u32(kIdA[3]);
  s.zeros(20).append(badHeader).append(longProgram).append(smallOld).append(longOld).append(good);
  ASSERT_EQ(s.size(), 0x112u + 21);

  // A header within its own fields keeps the object's lines, with the error
  // in place of the walk; an old-form size within the header leaves an
  // empty walk.
  const LibRun r = Source(s);
  EXPECT_EQ(r.body,
            kSep + "; Library Object #1, Offset 0x008C, size 2 (= 0x2)\n" + kSep +
                "ObjID( AAAA0001 BBBB0002 CCCC0003 DDDD0004 )\n"
                "LibObj( \n\tPWR   5\n\tSIZE  100\n\tSCALE 1.000\n\tTYPE  2\n\t)\n"
                "; Error: library object #1 at offset 0x008C: header length 12 is less than 41\n"
                "EndObj\n"
                "; Error: library object #2 at offset 0x00BB runs past the end of the file\n" +
                kSep + "; Library Object #3, Offset 0x00EA, size 5 (= 0x5)\n" + kSep +
                "ObjID( AAAA0001 BBBB0002 CCCC0003 DDDD0004 )\n"
                "LibObj1( 11111111 22222222 33333333 44444444 0 )\n"
                "EndObj\n"
                "; Error: library object #4 at offset 0x00FD runs past the end of the file\n" +
                kSep + "; Library Object #5, Offset 0x0112, size 21 (= 0x15)\n" + kSep +
                "ObjID( 11111111 22222222 33333333 44444444 )\n"
                "LibObj1( AAAA0001 BBBB0002 CCCC0003 DDDD0004 0 )\n"
                "\tNop\n"
                "EndObj\n"
                "; Error: library object #6 at offset 0xFFFFFF00 runs past the end of the file\n");
  EXPECT_TRUE(r.messages.empty());

  // The bitmap list shows none of the section's own text, errors included.
  EXPECT_EQ(Bitmaps(LibraryFile(s)).body, "");
}

TEST(LibraryHostile, ManyEntriesIntoOneProgramStop) {
  // Twenty entries share one program of 2000 Nops: the walks together may
  // not exceed four times the file's size.
  Bytes program;
  for (int i = 0; i < 1000; ++i) program.append(Nop());
  const Bytes obj = OldObject(kIdB, 0, program);
  Bytes s;
  for (int i = 0; i < 20; ++i) s.u32(20 * 21).u32(kIdA[0]).u32(kIdA[1]).u32(kIdA[2]).u32(kIdA[3]);
  s.zeros(20).append(obj);
  const std::vector<uint8_t> file = LibraryFile(s);
  const uint64_t allowance = 4 * file.size();
  const int walked = static_cast<int>(allowance / program.size());
  const LibRun r = Source(file);
  EXPECT_EQ(Count(r.body, "EndObj\n"), walked);
  EXPECT_NE(r.body.find(Format("EndObj\n; Error: library programs overlap (more than %llu bytes walked); object #%d "
                               "and those after it skipped\n",
                               static_cast<unsigned long long>(allowance), walked + 1)),
            std::string::npos);
  EXPECT_EQ(Count(r.body, "; Error:"), 1);

  // The same with one long name and an empty program: the names written
  // count too, or the output would grow with the square of the file.
  NewFields f;
  f.name = std::string(3000, 'N');
  f.nameRoom = 3000;
  const Bytes named = NewObject(kIdA, f, Bytes());
  Bytes t;
  for (int i = 0; i < 20; ++i) t.u32(20 * 21).u32(kIdA[0]).u32(kIdA[1]).u32(kIdA[2]).u32(kIdA[3]);
  t.zeros(20).append(named);
  const std::vector<uint8_t> namedFile = LibraryFile(t);
  const uint64_t namedAllowance = 4 * namedFile.size();
  const int written = static_cast<int>(namedAllowance / 3000);
  const LibRun n = Source(namedFile);
  EXPECT_EQ(Count(n.body, "\tNAME   \""), written);
  EXPECT_NE(n.body.find(Format("EndObj\n; Error: library programs overlap (more than %llu bytes walked); object #%d "
                               "and those after it skipped\n",
                               static_cast<unsigned long long>(namedAllowance), written + 1)),
            std::string::npos);
  // Shared objects of a sound file stay well inside the allowance.
  EXPECT_EQ(Count(Source(Library({{kIdA, named}, {kIdA, named}})).body, "\tNAME   \""), 2);
}

TEST(LibraryHostile, CommandsRunningOnPastTheProgramCountWhatTheyRead) {
  // Twenty entries share one program: an elevation grid whose 1600 bytes lie
  // after it. Each walk costs the 18 program bytes and the 1600 read past
  // them, so the file's 2185 bytes allow six walks, not twenty.
  const Bytes grid = Bytes{0x15, 0x00}.u16(19).u16(19).zeros(12);
  Bytes s;
  for (int i = 0; i < 20; ++i) s.u32(20 * 21).u32(kIdA[0]).u32(kIdA[1]).u32(kIdA[2]).u32(kIdA[3]);
  s.zeros(20).append(OldObject(kIdB, 0, grid)).zeros(1600);
  const std::vector<uint8_t> file = LibraryFile(s);
  ASSERT_EQ(file.size(), 2185u);
  const LibRun r = Source(file);
  EXPECT_EQ(Count(r.body, "\tElevationMap("), 6);
  EXPECT_NE(r.body.find("EndObj\n; Error: library programs overlap (more than 8740 bytes walked); object #7 and "
                        "those after it skipped\n"),
            std::string::npos);
  EXPECT_EQ(Count(r.body, "; Error: library"), 1);
}

TEST(LibraryHostile, RandomSectionsTerminate) {
  // Directories and objects made of random bytes, with offsets kept small so
  // that they point into the section: every run must end, reading nothing
  // outside the file (the sanitizers watch the reads).
  std::mt19937 rng(12345);
  for (int round = 0; round < 300; ++round) {
    Bytes s;
    const int entries = static_cast<int>(rng() % 6);
    const size_t size = 40 + rng() % 400;
    auto next = [&rng] { return static_cast<uint32_t>(rng()); };
    for (int i = 0; i < entries; ++i) {
      s.u32(next() % static_cast<uint32_t>(size + 40)).u32(next()).u32(next()).u32(next()).u32(next());
    }
    while (s.size() < size) s.u8(next() % 4 == 0 ? next() % 0xC0 : next() & 0xFF);
    // Some objects repeat their ID, so that both forms are tried.
    if (entries > 0 && round % 2 == 0) {
      const uint32_t at = static_cast<uint32_t>(rng() % (size - 20));
      s.patch(0, at, 4);
      for (size_t k = 0; k < 16; ++k) s.vec()[at + k] = s.vec()[4 + k];
    }
    const std::vector<uint8_t> file = LibraryFile(s);
    FakeHost host;
    CSkarnDoc doc(host);
    ASSERT_TRUE(doc.OpenImage(file, "r.bgl"));
    ASSERT_EQ(Disassemble(doc), CommandResult::kWritten);
    auto* lib = dynamic_cast<LibrarySection*>(doc.section(kLibSlot));
    ASSERT_NE(lib, nullptr);
    Captured(doc, [lib] { lib->ListBitmaps(); });
  }
}

}  // namespace
}  // namespace skarn::test
