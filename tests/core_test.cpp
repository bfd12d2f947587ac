// The document, the output writer, the band walker and the disassembly
// driver's opening block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "BglBuilder.h"
#include "Examples.h"
#include "FakeHost.h"
#include "TestUtil.h"
#include "core/Commands.h"
#include "core/PlatformFile.h"
#include "core/SkarnDoc.h"

namespace skarn::test {
namespace {

namespace fs = std::filesystem;

// The separator line as written, with its CR LF.
const std::string kCrLfSep = "; ----------------------------------------\r\n";

// ---- output writer ----

TEST(SourceWriter, LineDisciplineAndCrLf) {
  SourceWriter w;
  std::string text;
  bool committed = false;
  ASSERT_TRUE(w.Open(std::make_unique<StringSink>(&text, &committed)));
  w.line = "a\n";
  w.FlushLine();
  w.FlushLine();            // the buffer keeps its content
  w.WriteText("no end");    // the next write continues this line
  w.WriteText(" here\n");
  w.WriteLine("");          // a bare line end
  w.WriteSeparator();
  w.SetLine("%d-%s", 7, "x");
  w.AddLine("|%.2f\n", 0.125);
  w.FlushLine();
  w.Printf("\t%s\n\n", "two");
  w.Close();
  EXPECT_TRUE(committed);
  EXPECT_EQ(text, "a\r\na\r\nno end here\r\n\r\n" + kCrLfSep + "7-x|0.12\r\n\ttwo\r\n\r\n");
  EXPECT_EQ(w.separator(), "; " + std::string(40, '-') + "\n");
}

TEST(SourceWriter, RollbackDropsHeldTextOnly) {
  SourceWriter w;
  std::string text;
  bool committed = false;
  ASSERT_TRUE(w.Open(std::make_unique<StringSink>(&text, &committed)));
  w.WriteText("kept\n");
  size_t mark = w.Hold();
  w.WriteText(std::string(200000, 'x'));  // larger than a drain: still held
  w.Rollback(mark);
  mark = w.Hold();
  w.WriteText("also kept\n");
  w.Release();
  w.Close();
  EXPECT_EQ(text, "kept\r\nalso kept\r\n");
}

TEST(SourceWriter, LargeOutputStreamsThroughTheSink) {
  SourceWriter w;
  std::string text;
  bool committed = false;
  ASSERT_TRUE(w.Open(std::make_unique<StringSink>(&text, &committed)));
  for (int i = 0; i < 100000; ++i) w.Printf("line %d\n", i);
  EXPECT_GT(text.size(), 0u);  // drained before Close
  w.Close();
  EXPECT_EQ(text.substr(0, 16), "line 0\r\nline 1\r\n");
  EXPECT_EQ(w.bytesWritten(), text.size());
}

TEST(SourceWriter, TextPastTheLimitEndsTheCommandUncommitted) {
  SourceWriter w;
  std::string text;
  bool committed = false;
  ASSERT_TRUE(w.Open(std::make_unique<StringSink>(&text, &committed)));
  w.SetLimit(100000);
  EXPECT_THROW(
      {
        for (int i = 0; i < 100000; ++i) w.Printf("line %d\n", i);
      },
      OutputLimitError);
  EXPECT_FALSE(w.IsOpen());
  EXPECT_FALSE(committed);
  // Close checks the rest too, and a new file has no limit.
  ASSERT_TRUE(w.Open(std::make_unique<StringSink>(&text, &committed)));
  w.SetLimit(4);
  w.WriteLine("12345");
  EXPECT_THROW(w.Close(), OutputLimitError);
  EXPECT_FALSE(committed);
  ASSERT_TRUE(w.Open(std::make_unique<StringSink>(&text, &committed)));
  for (int i = 0; i < 100000; ++i) w.Printf("line %d\n", i);
  w.Close();
  EXPECT_TRUE(committed);
}

// Records the temporary files an output sink enters, checking that each
// exists while it is entered.
class RecordingTemps : public TempFileRegistry {
 public:
  void Hold() noexcept override { ++holds; }
  void Resume() noexcept override { --holds; }
  int Add(const std::string& path) noexcept override {
    live.push_back(path);
    seen.push_back(path);
    return static_cast<int>(live.size()) - 1;
  }
  void Remove(int handle) noexcept override { live[static_cast<size_t>(handle)].clear(); }
  bool AnyLive() const {
    for (const std::string& p : live) {
      if (!p.empty()) return true;
    }
    return false;
  }
  std::vector<std::string> live, seen;
  int holds = 0;
};

TEST(OutputFile, ReplacesOnlyWhenCompleteAndEntersItsTemporaryFile) {
  TempDir dir;
  const fs::path target = dir.path() / "out.sca";
  std::ofstream(target) << "old";
  const auto files = [&dir] { return std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()); };
  std::string error;
  RecordingTemps temps;
  {
    SourceWriter w;
    ASSERT_TRUE(w.Open(OpenOutputFile(target.string(), &temps, &error))) << error;
    w.WriteText(std::string(300000, 'y'));
    ASSERT_EQ(temps.seen.size(), 1u);
    EXPECT_TRUE(fs::path(temps.seen[0]).is_absolute());
    EXPECT_EQ(fs::path(temps.seen[0]).parent_path(), fs::absolute(dir.path()));
    EXPECT_TRUE(fs::exists(temps.seen[0]));
    w.Abort();
  }
  EXPECT_EQ(ReadFile(target), "old");
  EXPECT_EQ(files(), 1);
  EXPECT_FALSE(temps.AnyLive());
  {
    SourceWriter w;
    ASSERT_TRUE(w.Open(OpenOutputFile(target.string(), &temps, &error))) << error;
    w.WriteLine("new");
    w.Close();
  }
  EXPECT_EQ(ReadFile(target), "new\r\n");
  EXPECT_EQ(files(), 1);
  EXPECT_FALSE(temps.AnyLive());
  EXPECT_EQ(temps.holds, 0);
  // A writer destroyed while open leaves nothing behind.
  {
    SourceWriter w;
    ASSERT_TRUE(w.Open(OpenOutputFile((dir.path() / "other.sca").string(), &temps, &error)));
    w.WriteText("half");
  }
  EXPECT_FALSE(fs::exists(dir.path() / "other.sca"));
  EXPECT_EQ(files(), 1);
  EXPECT_FALSE(temps.AnyLive());
  // No file when the folder does not exist; the reason is the system's.
  EXPECT_EQ(OpenOutputFile((dir.path() / "none" / "x.sca").string(), &temps, &error), nullptr);
  EXPECT_EQ(error, "No such file or directory");
  EXPECT_EQ(OpenOutputFile(dir.path().string(), &temps, &error), nullptr);
  EXPECT_EQ(error, "Is a directory");
}

TEST(CTimeText, MatchesTheCLibraryLayout) {
  // The tests run with TZ=UTC.
  EXPECT_EQ(CTimeText(0), "Thu Jan  1 00:00:00 1970\n");
  EXPECT_EQ(CTimeText(1700000000), "Tue Nov 14 22:13:20 2023\n");
}

TEST(SourceDateEpoch, OnlyShowableSecondsFixTheTime) {
  std::string why;
  EXPECT_EQ(ParseSourceDateEpoch("0", &why), std::time_t{0});
  EXPECT_EQ(ParseSourceDateEpoch("1700000000", &why), std::time_t{1700000000});
  EXPECT_EQ(ParseSourceDateEpoch(" 42", &why), std::time_t{42});
  for (const char* bad : {"", "-1", "12abc", "99999999999999999999999"}) {
    EXPECT_FALSE(ParseSourceDateEpoch(bad, &why)) << bad;
    EXPECT_EQ(why, "is not a number of seconds");
  }
  EXPECT_FALSE(ParseSourceDateEpoch(nullptr, &why));
  // A number, but no year the C library can show.
  EXPECT_FALSE(ParseSourceDateEpoch("99999999999999999", &why));
  EXPECT_EQ(why, "is beyond the dates the C library can show");
}

// ---- document: header analysis ----

TEST(Document, EmptyHeaderGivesTwoLines) {
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  b.Vis(-1).Bounds(LatMetres(47.5), LatMetres(-33.25), 0, 0);
  ASSERT_TRUE(doc.OpenImage(b.Build(), "/some/dir/scenery.bgl"));
  EXPECT_EQ(doc.fileName(), "scenery.bgl");
  ASSERT_EQ(doc.summary().size(), 2u);
  EXPECT_EQ(doc.summary()[0], "Filename: scenery.bgl;  VIS-Type: -1");
  EXPECT_EQ(doc.summary()[1],
            "Latitude  S33:15:00.00 to  N47:30:00.00, Longitude  W000:00:00.00 to  W000:00:00.00");
  for (int slot = 0; slot < CSkarnDoc::kSlots; ++slot) EXPECT_EQ(doc.section(slot), nullptr);
  EXPECT_TRUE(doc.analysed());
  EXPECT_FALSE(doc.terrain());
  EXPECT_TRUE(host.messages.empty());
}

TEST(Document, ExtendedHeaderFacilityLines) {
  FakeHost host;
  CSkarnDoc doc(host);
  {
    BglBuilder b;
    b.Extended();
    ASSERT_TRUE(doc.OpenImage(b.Build(), "x.bgl"));
    EXPECT_EQ(doc.summary().size(), 2u);
    EXPECT_EQ(doc.section(20), nullptr);
  }
  {
    BglBuilder b;
    b.Extended();
    b.Section(0x6E, Bytes().zeros(4));  // magnetic variation
    b.Set(0x9C, 0x1234, 4);
    b.Section(0xA4, Bytes().zeros(8));
    ASSERT_TRUE(doc.OpenImage(b.Build(), "x.bgl"));
    ASSERT_GE(doc.summary().size(), 6u);
    EXPECT_EQ(doc.summary()[2], "Facilities section (new style):");
    EXPECT_EQ(doc.summary()[3], "   Object List at 000AC");
    EXPECT_EQ(doc.summary()[4], "   Name Lists at 01234");
    EXPECT_EQ(doc.summary()[5], "File contains magnetic variation table");
    EXPECT_NE(doc.section(20), nullptr);
    EXPECT_NE(doc.section(17), nullptr);
  }
}

TEST(Document, TableSectionsInSlotOrder) {
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  b.Section(0x6E, Bytes().zeros(4).raw({1, 2, 3}));  // magnetic variation: contents never read
  b.Section(0x32, Bytes().zeros(4));                 // MSA
  ASSERT_TRUE(doc.OpenImage(b.Build(), "t.bgl"));
  ASSERT_EQ(doc.summary().size(), 4u);
  EXPECT_EQ(doc.summary()[2], "File contains MSA table");
  EXPECT_EQ(doc.summary()[3], "File contains magnetic variation table");
  EXPECT_EQ(Disassemble(doc), CommandResult::kWritten);
  const std::string src = UnixText(host.output);
  const std::string msa =
      "\n; ----------------------------------------\n; MSA section\n; ----------------------------------------\n"
      "; SCASM has no instructions to build the MSA table\n; which should be left unmodified for FS2000\n"
      "; ----------------------------------------\n";
  const std::string magvar =
      "\n; ----------------------------------------\n; Magnetic variation table\n"
      "; ----------------------------------------\n"
      "; SCASM has no instructions to build the magnetic variation table\n"
      "; which should be left unmodified for FS98 and FS2000\n; ----------------------------------------\n";
  const std::string tail = "mifend\n" + msa + magvar + "; ----------------------------------------\n; end of SCASM source\n";
  ASSERT_GE(src.size(), tail.size());
  EXPECT_EQ(src.substr(src.size() - tail.size()), tail);
}

TEST(Document, RejectsShortFilesAndSkipsOffsetsPastTheEnd) {
  FakeHost host;
  CSkarnDoc doc(host);
  EXPECT_FALSE(doc.OpenImage(std::vector<uint8_t>(127, 0), "short.bgl"));
  EXPECT_FALSE(doc.analysed());
  EXPECT_TRUE(doc.summary().empty());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0], "Error: file too short for a BGL header (127 bytes, at least 128 needed)");

  BglBuilder ext;
  ext.Extended();
  std::vector<uint8_t> cut = ext.Build();
  cut.resize(150);
  EXPECT_FALSE(doc.OpenImage(cut, "ext.bgl"));
  EXPECT_EQ(host.messages.back(),
            "Error: file too short for an extended BGL header (150 bytes, at least 168 needed)");

  // A compressed file is judged by the unpacker, whatever its length.
  std::vector<uint8_t> packed = cut;
  packed[0x7C] = 1;
  EXPECT_FALSE(doc.OpenImage(packed, "packed.bgl"));
  EXPECT_EQ(host.messages.back(), "Error: Compressed BGL file, uncompression failed, file read error\n");
  packed.resize(127);
  EXPECT_FALSE(doc.OpenImage(packed, "packed.bgl"));
  EXPECT_EQ(host.messages.back(), "Error: Compressed BGL file, uncompression failed, file read error\n");

  host.messages.clear();
  BglBuilder b;
  b.Set(0x6E, 128, 4);     // at the end of a 128-byte image
  b.Set(0x32, 0xFFFFFFFF, 4);
  ASSERT_TRUE(doc.OpenImage(b.Build(), "bad.bgl"));
  EXPECT_EQ(doc.section(7), nullptr);
  EXPECT_EQ(doc.section(17), nullptr);
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0],
            "Error: the MSA section offset 0xFFFFFFFF lies beyond the end of the file (128 bytes); section skipped");
  EXPECT_EQ(host.messages[1],
            "Error: the magnetic variation section offset 0x80 lies beyond the end of the file (128 bytes); "
            "section skipped");
  EXPECT_EQ(doc.summary().size(), 2u);
}

TEST(Document, ReadErrorsAndStateBetweenFiles) {
  FakeHost host;
  CSkarnDoc doc(host);
  EXPECT_FALSE(doc.Open("/nonexistent/dir/file.bgl"));
  EXPECT_EQ(host.messages.back(), "Error: unable to open BGL file");
  EXPECT_EQ(host.fileReasons.back(), "/nonexistent/dir/file.bgl: No such file or directory");
  EXPECT_FALSE(doc.hasImage());

  // A terrain file sets the flag; the next file starts clear, and a failed
  // open leaves the document unanalysed.
  BglBuilder t;
  t.Section(0x36, Bytes().zeros(16));
  ASSERT_TRUE(doc.OpenImage(t.Build(), "terrain.bgl"));
  EXPECT_TRUE(doc.terrain());
  ASSERT_TRUE(doc.OpenImage(BglBuilder().Build(), "plain.bgl"));
  EXPECT_FALSE(doc.terrain());
  EXPECT_FALSE(doc.OpenImage({1, 2, 3}, "tiny.bgl"));
  EXPECT_FALSE(doc.analysed());
  EXPECT_TRUE(doc.summary().empty());
  doc.DeleteContents();
  EXPECT_FALSE(doc.hasImage());
}

TEST(Document, ReadsFilesFromDisk) {
  TempDir dir;
  const fs::path p = dir.path() / "disk.bgl";
  BglBuilder b;
  b.Vis(3);
  const std::vector<uint8_t> bytes = b.Build();
  WriteFile(p, bytes);
  FakeHost host;
  CSkarnDoc doc(host);
  ASSERT_TRUE(doc.Open(p.string()));
  EXPECT_EQ(doc.summary()[0], "Filename: disk.bgl;  VIS-Type: 3");
  EXPECT_EQ(doc.fullPath(), p.string());
  // A folder is not a BGL file.
  EXPECT_FALSE(doc.Open(dir.path().string()));
}

TEST(Document, FileBytesMapOrReadTheWholeFile) {
  TempDir dir;
  const fs::path p = dir.path() / "bytes.bin";
  std::vector<uint8_t> bytes(70000);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 1);
  WriteFile(p, bytes);
  WriteFile(dir.path() / "empty.bin", {});
  std::string error, shortRead;
  // The file's length, a shorter one, none.
  for (const auto& [name, length] : {std::pair<const char*, size_t>{"bytes.bin", 70000}, {"bytes.bin", 4097},
                                     {"empty.bin", 0}}) {
    platform::FileBytes file;
    ASSERT_TRUE(platform::FileBytes::Read((dir.path() / name).string(), length, &file, &error, &shortRead));
    ASSERT_EQ(file.size(), length);
    EXPECT_TRUE(shortRead.empty());
    EXPECT_TRUE(std::equal(file.data(), file.data() + length, bytes.begin()));
    platform::FileBytes moved = std::move(file);
    EXPECT_EQ(file.size(), 0u);
    EXPECT_EQ(moved.size(), length);
  }
  // A file that is shorter than it was: read, the rest zero, and said.
  platform::FileBytes file;
  ASSERT_TRUE(platform::FileBytes::Read(p.string(), 70010, &file, &error, &shortRead));
  EXPECT_FALSE(file.mapped());
  EXPECT_EQ(shortRead, "70000 of 70010 bytes read");
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), file.data()));
  EXPECT_EQ(file.data()[70009], 0);
  EXPECT_FALSE(platform::FileBytes::Read((dir.path() / "none").string(), 1, &file, &error, &shortRead));
  EXPECT_EQ(error, "No such file or directory");
}

// ---- band walker ----

class BandRecorder : public BglSection {
 public:
  BandRecorder(CSkarnDoc& doc, uint64_t start) : BglSection(doc, start) {}
  void Summarize(std::vector<std::string>&) override {}
  void WriteSource() override { BandWalk(data_, *this); }
  void WriteBand(uint32_t offset) override { out_.Printf("band %X\n", offset); }
};

std::string WalkBands(const Bytes& table) {
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  const uint32_t at = b.Append(table);
  EXPECT_TRUE(doc.OpenImage(b.Build(), "bands.bgl"));
  BandRecorder rec(doc, at);
  std::string text;
  doc.writer().Open(std::make_unique<StringSink>(&text));
  rec.WriteSource();
  doc.writer().Close();
  return text;
}

TEST(BandWalk, CommentsAndCallbacks) {
  EXPECT_EQ(WalkBands(Bytes().u8(0)), "\r\n");
  EXPECT_EQ(WalkBands(BandTable({{20, 0, 0x40}, {-20, 40, 0x1234}})),
            "\r\n\r\n; LatRange(  N00:05:31.72  S00:00:00.00 )\r\n" + kCrLfSep + "band 40\r\n" +
                "\r\n; LatRange(  S00:05:31.72  N00:11:03.44 )\r\n" + kCrLfSep + "band 1234\r\n");
  // A bad identifier: the error text has no line end of its own.
  EXPECT_EQ(WalkBands(Bytes().u8(0x16).zeros(8)), "\r\n; Error: unknown ID in LatBand table at 0");
  Bytes third = BandTable({{0, 0, 1}, {0, 0, 2}});
  third.vec().back() = 0x20;
  third.zeros(8);
  const std::string out = WalkBands(third);
  EXPECT_TRUE(EndsWith(out, "band 2\r\n; Error: unknown ID in LatBand table at 12")) << out;
}

TEST(BandWalk, StopsAtTheImageEnd) {
  // No terminating 0 and a cut-off entry: the walk ends with a comment.
  Bytes t;
  t.u8(0x15).i16(0).i16(0).u32(5).u8(0x15).i16(0);
  const std::string out = WalkBands(t);
  EXPECT_NE(out.find("band 5\r\n"), std::string::npos);
  EXPECT_TRUE(EndsWith(out, "band 5\r\n; Error: LatBand table at 9 runs past the end of the file\r\n")) << out;
  EXPECT_EQ(WalkBands(Bytes().u8(0x15)).substr(2), "; Error: LatBand table at 0 runs past the end of the file\r\n");
}

// ---- disassembly driver ----

TEST(Disassemble, OpeningBlockOfAnEmptyFile) {
  FakeHost host;
  host.now = 86400 * 365;
  CSkarnDoc doc(host);
  ASSERT_TRUE(doc.OpenImage(BglBuilder().Build(), "dir/empty.bgl"));
  EXPECT_EQ(Disassemble(doc), CommandResult::kWritten);
  EXPECT_EQ(host.proposed.back(), "empty.sca");
  EXPECT_EQ(host.filters.back(), "SCASM source files (*.sca, *.scm)|*.sca;*.scm|All Files (*.*)|*.*||");
  EXPECT_TRUE(host.prompted);
  EXPECT_EQ(doc.outputPath, "empty.sca");
  EXPECT_EQ(host.output,
            kCrLfSep +
                "; empty.bgl disassembled by Skarn on Fri Jan  1 00:00:00 1971\r\n\r\n" + kCrLfSep +
                "Header( 0  S00:00:00.00 S00:00:00.00 W000:00:00.00 W000:00:00.00 )\r\n"
                "LatRange(  S00:00:00.00  S00:00:00.00 )\r\n"
                "; since SCASM does not support multiple latitude ranges\r\n"
                "; the range has been set to the minimum/maximum latitude.\r\n"
                "; LatRange information in the BGL file is given as comment.\r\n"
                "; If you want to use band separation, you must edit\r\n"
                "; the source file manually.\r\n"
                "\r\n"
                "; Insert the \"Set( FSVers 0x800 )\" instruction at the beginning\r\n"
                "; of the file, if you want to use the FS2002 instructions\r\n"
                "; for the facilities section\r\n"
                "mif( [$Version < 285] )\r\n"
                "   Error( You need at least SCASM version 2.85 to compile this code )\r\n"
                "mifend\r\n" +
                kCrLfSep + "; end of SCASM source\r\n");
}

TEST(Disassemble, HeaderBoundsInTheirOrder) {
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  // North 47.5, south 47.25 (to the metre), east and west with seconds.
  b.Vis(5).Bounds(5278701, 5250920, 101412045, -1461669546);
  ASSERT_TRUE(doc.OpenImage(b.Build(), "b.bgl"));
  ASSERT_EQ(Disassemble(doc), CommandResult::kWritten);
  const std::string src = UnixText(host.output);
  EXPECT_NE(src.find("\nHeader( 5  N47:30:00.00 N47:15:00.00 E008:30:00.93 W122:30:56.61 )\n"
                     "LatRange(  N47:15:00.00  N47:30:00.00 )\n"),
            std::string::npos)
      << src;
}

TEST(Disassemble, ProposedNamesAndForms) {
  EXPECT_EQ(ProposedName("scenery.bgl", ".sca"), "scenery.sca");
  EXPECT_EQ(ProposedName("x.y.z", ".sca"), "x.y.sca");
  EXPECT_EQ(ProposedName("x", ".sca"), "x.sca");
  EXPECT_EQ(ProposedName("x.y.bgl", "_Bitmap.txt"), "x.y_Bitmap.txt");

  // Terrain data: BGLC form, only the terrain section after the opening block.
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  b.Section(0x36, Bytes().zeros(16));
  b.Section(0x6E, Bytes().zeros(4));
  ASSERT_TRUE(doc.OpenImage(b.Build(), "mesh.bgl"));
  ASSERT_EQ(Disassemble(doc), CommandResult::kWritten);
  EXPECT_EQ(host.proposed.back(), "mesh.asm");
  EXPECT_EQ(host.filters.back(), "BGLC source files (*.asm, *.txt)|*.asm;*.txt|All Files (*.*)|*.*||");
  EXPECT_EQ(host.output.find("Header("), std::string::npos);
  EXPECT_EQ(host.output.find("end of SCASM source"), std::string::npos);
  EXPECT_EQ(host.output.find("Magnetic"), std::string::npos);
  EXPECT_EQ(host.output.rfind(
                kCrLfSep + "; mesh.bgl disassembled by Skarn on Thu Jan  1 00:00:00 1970\r\n\r\n" + kCrLfSep, 0),
            0u);
}

TEST(Disassemble, CancelAndOpenFailureWriteNothing) {
  FakeHost host;
  CSkarnDoc doc(host);
  ASSERT_TRUE(doc.OpenImage(BglBuilder().Build(), "a.bgl"));
  doc.outputPath = "before";
  host.cancel = true;
  EXPECT_EQ(Disassemble(doc), CommandResult::kCancelled);
  EXPECT_EQ(doc.outputPath, "before");
  EXPECT_TRUE(host.output.empty());
  host.cancel = false;
  host.failOpen = true;
  EXPECT_EQ(Disassemble(doc), CommandResult::kFailed);
  EXPECT_EQ(host.messages.back(), "Error: Unable to open output file: a.sca: refused");
  EXPECT_TRUE(host.output.empty());
}

TEST(SaveSummary, WritesEveryLineWithCrLf) {
  TempDir dir;
  FakeHost host;
  host.toDisk = true;
  host.chosen = (dir.path() / "summary.txt").string();
  CSkarnDoc doc(host);
  ASSERT_TRUE(doc.OpenImage(BglBuilder().Build(), "s.bgl"));
  ASSERT_EQ(SaveSummary(doc), CommandResult::kWritten);
  EXPECT_EQ(host.filters.back(), "Text Files (*.txt)|*.txt|All Files (*.*)|*.*");
  EXPECT_EQ(ReadFile(host.chosen),
            "Filename: s.bgl;  VIS-Type: 0\r\n"
            "Latitude  S00:00:00.00 to  S00:00:00.00, Longitude  W000:00:00.00 to  W000:00:00.00\r\n");
  host.chosen = (dir.path() / "missing" / "summary.txt").string();
  EXPECT_EQ(SaveSummary(doc), CommandResult::kFailed);
  EXPECT_EQ(host.messages.back(), "Error: Unable to open output file: " + host.chosen + ": No such file or directory");
}

}  // namespace
}  // namespace skarn::test
