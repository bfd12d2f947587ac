// The Extract Bitmaps command: which sections it asks, the file it writes and
// how it gives up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BglBuilder.h"
#include "FakeHost.h"
#include "ProcHarness.h"
#include "TestUtil.h"
#include "core/Bitmaps.h"
#include "core/GeoText.h"
#include "core/OutputSink.h"
#include "core/SkarnDoc.h"

namespace skarn::test {
namespace {

constexpr uint32_t kLibField = 0x3E;

// A library section of old-form objects, one per program, each under an ID
// its own first words do not repeat.
Bytes LibraryOf(const std::vector<Bytes>& programs) {
  Bytes dir;
  Bytes objects;
  uint32_t at = static_cast<uint32_t>(20 * (programs.size() + 1));
  uint32_t n = 1;
  for (const Bytes& code : programs) {
    dir.u32(at).u32(n).u32(0).u32(0).u32(0);
    Bytes obj;
    obj.u32(0xEEEEEEEE).u32(0).u32(0).u32(0).u8(0).u16(static_cast<uint32_t>(19 + code.size())).append(code);
    objects.append(obj);
    at += static_cast<uint32_t>(obj.size());
    ++n;
  }
  return dir.zeros(20).append(objects);
}

// The opening block for a file name at the fake host's time 0 (TZ=UTC).
std::string Opening(const std::string& name) {
  return kSep + "; " + name + "  bitmap files listed on Thu Jan  1 00:00:00 1970\n\n" + kSep;
}

TEST(Bitmaps, NeitherSectionMeansNoDialogAndNoFile) {
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  b.Section(0x6E, Bytes().zeros(4));  // a section, but not one with programs
  ASSERT_TRUE(doc.OpenImage(b.Build(), "plain.bgl"));
  doc.outputPath = "before";
  EXPECT_EQ(ExtractBitmaps(doc), CommandResult::kFailed);
  EXPECT_EQ(host.messages, std::vector<std::string>{"BGL-file contains no procedure section and no library"});
  EXPECT_TRUE(host.proposed.empty());
  EXPECT_TRUE(host.output.empty());
  EXPECT_EQ(doc.outputPath, "before");

  // Nothing loaded at all: the same answer.
  FakeHost none;
  CSkarnDoc empty(none);
  EXPECT_EQ(ExtractBitmaps(empty), CommandResult::kFailed);
  EXPECT_EQ(none.messages.size(), 1u);
}

TEST(Bitmaps, LibraryOnlyGivesTheOpeningBlockAndTheNames) {
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  // The same bitmap in two objects is listed twice.
  b.Section(kLibField, LibraryOf({Cat({Bitmap("ROOF.BMP"), Nop(), Bitmap("WALL.BMP")}), Bitmap("ROOF.BMP")}));
  ASSERT_TRUE(doc.OpenImage(b.Build(), "/some/dir/hangar.bgl"));
  ASSERT_EQ(ExtractBitmaps(doc), CommandResult::kWritten);
  EXPECT_EQ(host.proposed, std::vector<std::string>{"hangar_Bitmap.txt"});
  EXPECT_EQ(host.filters, std::vector<std::string>{"Textfiles (*.txt)|*.txt|All Files (*.*)|*.*||"});
  EXPECT_TRUE(host.prompted);
  EXPECT_EQ(doc.outputPath, "hangar_Bitmap.txt");
  // Every line ends in CR LF; no closing line.
  EXPECT_EQ(host.output, "; ----------------------------------------\r\n"
                         "; hangar.bgl  bitmap files listed on Thu Jan  1 00:00:00 1970\r\n"
                         "\r\n"
                         "; ----------------------------------------\r\n"
                         "\tROOF.BMP (Bitmap)\r\n"
                         "\tWALL.BMP (Bitmap)\r\n"
                         "\tROOF.BMP (Bitmap)\r\n");
  EXPECT_TRUE(host.messages.empty());
}

TEST(Bitmaps, ProceduralBandsFirstThenLibrary) {
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  b.Section(kLibField, LibraryOf({Bitmap("LIB.BMP")}));
  b.Section(kProcHeaderField, ProcSectionWith(Cat({Bitmap("PROC A.BMP"), Bitmap("PROC2.BMP")})));
  ASSERT_TRUE(doc.OpenImage(b.Build(), "both"));
  ASSERT_EQ(ExtractBitmaps(doc), CommandResult::kWritten);
  EXPECT_EQ(host.proposed.back(), "both_Bitmap.txt");
  // The band comment of the procedural section, its names (blanks left out),
  // then the library's.
  GeoText geo;
  std::string band = "\n\n; LatRange( ";
  band += geo.LatText(GeoText::Lat16(100));
  band += " ";
  band += geo.LatText(GeoText::Lat16(101));
  band += " )\n";
  EXPECT_EQ(UnixText(host.output), Opening("both") + band + kSep +
                                       "\tPROCA.BMP (Bitmap)\n"
                                       "\tPROC2.BMP (Bitmap)\n"
                                       "\tLIB.BMP (Bitmap)\n");
}

TEST(Bitmaps, TerrainDataIsNotConsulted) {
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  b.Section(0x36, Bytes().zeros(16));
  b.Section(kProcHeaderField, ProcSectionWith(Bitmap("T.BMP")));
  ASSERT_TRUE(doc.OpenImage(b.Build(), "mesh.x.bgl"));
  ASSERT_TRUE(doc.terrain());
  ASSERT_EQ(ExtractBitmaps(doc), CommandResult::kWritten);
  EXPECT_EQ(host.proposed.back(), "mesh.x_Bitmap.txt");
  const std::string out = UnixText(host.output);
  const std::string tail = kSep + "\tT.BMP (Bitmap)\n";
  ASSERT_GE(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail) << out;
}

TEST(Bitmaps, CancelOpenFailureAndWriteFailure) {
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  b.Section(kLibField, LibraryOf({Bitmap("A.BMP")}));
  const std::vector<uint8_t> file = b.Build();
  ASSERT_TRUE(doc.OpenImage(file, "a.bgl"));
  doc.outputPath = "before";
  host.cancel = true;
  EXPECT_EQ(ExtractBitmaps(doc), CommandResult::kCancelled);
  EXPECT_EQ(doc.outputPath, "before");
  EXPECT_TRUE(host.output.empty());
  EXPECT_TRUE(host.messages.empty());

  host.cancel = false;
  host.failOpen = true;
  host.chosen = "elsewhere/list.txt";
  EXPECT_EQ(ExtractBitmaps(doc), CommandResult::kFailed);
  EXPECT_EQ(host.messages, std::vector<std::string>{"Error: Unable to open output file: elsewhere/list.txt: refused"});
  EXPECT_EQ(doc.outputPath, "elsewhere/list.txt");
  EXPECT_TRUE(host.output.empty());

  // A failed write ends the command and discards the file; the writer can be
  // opened again afterwards.
  BrokenHost broken;
  CSkarnDoc doc2(broken);
  ASSERT_TRUE(doc2.OpenImage(file, "a.bgl"));
  EXPECT_EQ(ExtractBitmaps(doc2), CommandResult::kFailed);
  EXPECT_EQ(broken.opened, 1);
  EXPECT_TRUE(broken.aborted);
  EXPECT_EQ(broken.messages, std::vector<std::string>{"Error: Unable to write output file: disk full"});
  EXPECT_FALSE(doc2.writer().IsOpen());
}

}  // namespace
}  // namespace skarn::test
