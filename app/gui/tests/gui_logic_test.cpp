// The window program's rules that need no display: document size and scroll
// geometry, the rows to repaint, the file choosers' filters, the fixed time
// and the recent-file list.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/gui/GuiLogic.h"

namespace skarn::gui {
namespace {

TEST(DocSizeTest, EmptyDocumentHasTheMinimumSize) {
  const DocSize size = GetDocSize({});
  EXPECT_EQ(size.columns, 80u);
  EXPECT_EQ(size.rows, 10u);
}

TEST(DocSizeTest, LongestLineAndLineCountWinOverTheMinimum) {
  const std::vector<std::string> three = {"a", std::string(120, 'x'), ""};
  EXPECT_EQ(GetDocSize(three).columns, 120u);
  EXPECT_EQ(GetDocSize(three).rows, 10u);
  const std::vector<std::string> many(25, "line");
  EXPECT_EQ(GetDocSize(many).columns, 80u);
  EXPECT_EQ(GetDocSize(many).rows, 25u);
}

TEST(ScrollSizesTest, MarginsPagesAndLines) {
  // 80 columns of 8 pixels, 10 rows of 15 pixels.
  const ScrollSizes s = ComputeScrollSizes(DocSize{}, 8, 15);
  EXPECT_EQ(s.lineHeight, 15);
  EXPECT_EQ(s.totalWidth, 80 * 8 + 60);
  EXPECT_EQ(s.totalHeight, 10 * 15 + 30);
  EXPECT_EQ(s.pageWidth, (80 * 8 + 60) / 3);
  EXPECT_EQ(s.pageHeight, 15 * 20);
  EXPECT_EQ(s.lineWidth, (80 * 8 + 60) / 10);
}

TEST(ScrollSizesTest, HugeDocumentsStayWithinTheWindowSystemsRange) {
  DocSize size;
  size.rows = 1'000'000;
  EXPECT_EQ(ComputeScrollSizes(size, 8, 17).totalHeight, 1'000'000 * 17 + 30);
  size.rows = 500'000'000;
  EXPECT_EQ(ComputeScrollSizes(size, 8, 17).totalHeight, 0x7FFFFFFF);
}

TEST(RowsInBandTest, OnlyTheRowsThatTouchTheBand) {
  // Rows of 10 pixels: pixels 25..54 touch rows 2 to 5.
  RowRange r = RowsInBand(25, 55, 10, 1000);
  EXPECT_EQ(r.first, 2u);
  EXPECT_EQ(r.last, 6u);
  // A band that starts exactly on a row does not take the row above.
  r = RowsInBand(20, 30, 10, 1000);
  EXPECT_EQ(r.first, 2u);
  EXPECT_EQ(r.last, 3u);
  // Far down a million-line document only a screenful is drawn.
  r = RowsInBand(9'999'000, 9'999'600, 16, 1'000'000);
  EXPECT_EQ(r.first, 624'937u);
  EXPECT_EQ(r.last, 624'975u);
}

TEST(RowsInBandTest, ClippedToTheDocument) {
  RowRange r = RowsInBand(0, 500, 10, 7);
  EXPECT_EQ(r.first, 0u);
  EXPECT_EQ(r.last, 7u);
  r = RowsInBand(200, 300, 10, 7);  // the margin below the text
  EXPECT_EQ(r.first, r.last);
  r = RowsInBand(-40, 15, 10, 7);  // a band that starts above the origin
  EXPECT_EQ(r.first, 0u);
  EXPECT_EQ(r.last, 2u);
  EXPECT_EQ(RowsInBand(0, 100, 0, 7).last, 0u);
  EXPECT_EQ(RowsInBand(0, 100, 10, 0).last, 0u);
}

TEST(FilterTest, CaseSensitiveChoosersGetUpperCasePatterns) {
  const std::vector<FilterEntry> e = ParseFilter("BGL Files (*.bgl)|*.bgl|All Files (*.*)|*.*||", true);
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].text, "BGL Files (*.bgl)");
  EXPECT_EQ(e[0].patterns, (std::vector<std::string>{"*.bgl", "*.BGL"}));
  // "All Files" lists names without a dot too.
  EXPECT_EQ(e[1].text, "All Files (*.*)");
  EXPECT_EQ(e[1].patterns, (std::vector<std::string>{"*"}));
  EXPECT_EQ(JoinFilter(e), "BGL Files (*.bgl)|*.bgl;*.BGL|All Files (*.*)|*");
}

TEST(FilterTest, SeveralPatternsAndFiltersWithoutClosingBars) {
  EXPECT_EQ(JoinFilter(ParseFilter("SCASM source files (*.sca, *.scm)|*.sca;*.scm|All Files (*.*)|*.*||", true)),
            "SCASM source files (*.sca, *.scm)|*.sca;*.SCA;*.scm;*.SCM|All Files (*.*)|*");
  EXPECT_EQ(JoinFilter(ParseFilter("Text Files (*.txt)|*.txt|All Files (*.*)|*.*", true)),
            "Text Files (*.txt)|*.txt;*.TXT|All Files (*.*)|*");
  EXPECT_EQ(JoinFilter(ParseFilter("Textfiles (*.txt)|*.txt|All Files (*.*)|*.*||", false)),
            "Textfiles (*.txt)|*.txt|All Files (*.*)|*.*");
}

TEST(FilterTest, MalformedFiltersDoNotBreakTheChooser) {
  EXPECT_TRUE(ParseFilter("", true).empty());
  EXPECT_TRUE(ParseFilter("||", true).empty());
  // A text without patterns lists everything; a dangling text is dropped.
  EXPECT_EQ(JoinFilter(ParseFilter("Any||Other", true)), "Any|*");
  EXPECT_EQ(JoinFilter(ParseFilter("Mixed (*.Bgl)|*.Bgl;*.BGL|Dangling", true)), "Mixed (*.Bgl)|*.Bgl;*.BGL");
}

TEST(RecentFilesTest, NewestFirstWithoutRepeatsAndAtMostFour) {
  RecentFiles recent;
  for (const char* p : {"/a.bgl", "/b.bgl", "/c.bgl", "/d.bgl", "/e.bgl"}) recent.Add(p);
  EXPECT_EQ(recent.entries(), (std::vector<std::string>{"/e.bgl", "/d.bgl", "/c.bgl", "/b.bgl"}));
  recent.Add("/c.bgl");
  EXPECT_EQ(recent.entries(), (std::vector<std::string>{"/c.bgl", "/e.bgl", "/d.bgl", "/b.bgl"}));
  recent.Remove("/e.bgl");
  recent.Remove("/not-there.bgl");
  recent.Add("");
  EXPECT_EQ(recent.entries(), (std::vector<std::string>{"/c.bgl", "/d.bgl", "/b.bgl"}));
}

TEST(SourceTextTest, LinesWithoutTheirEnds) {
  const SourceText text("a\r\nbb\n\r\nlast");
  ASSERT_EQ(text.lineCount(), 4u);
  EXPECT_EQ(text.line(0), "a");
  EXPECT_EQ(text.line(1), "bb");
  EXPECT_EQ(text.line(2), "");
  EXPECT_EQ(text.line(3), "last");
  EXPECT_EQ(text.line(4), "");
  EXPECT_EQ(text.longestLine(), 4u);
  EXPECT_EQ(SourceText("x\r\n").lineCount(), 1u);
  EXPECT_EQ(SourceText("").lineCount(), 0u);
  // Tabs count as the columns they are drawn over.
  EXPECT_EQ(SourceText("\tAB\tC\r\n").longestLine(), 17u);
  EXPECT_EQ(ExpandTabs("\tAB\tC"), std::string(8, ' ') + "AB" + std::string(6, ' ') + "C");
}

TEST(FindLineTest, NextLineHoldingTheTextWrapping) {
  const SourceText text("Area( 6 )\r\n\tBitmap( pad.bmp )\r\nEndA\r\narea( 7 )\r\n");
  struct Case {
    const char* needle;
    size_t from;
    std::optional<size_t> line;
  };
  const Case cases[] = {
      {"area(", 0, 0},   {"AREA(", 1, 3},  {"area(", 4, 0},  // wraps past the end
      {"PAD.BMP", 2, 1}, {"enda", 99, 2}, {"missing", 0, std::nullopt},
      {"", 0, std::nullopt}, {"a\r\nb", 0, std::nullopt},  // never across lines
  };
  for (const Case& c : cases) EXPECT_EQ(FindLine(text, c.needle, c.from), c.line) << c.needle << " from " << c.from;
  EXPECT_EQ(FindLine(SourceText(), "a", 0), std::nullopt);
  // A name in the file's own characters is found by the text as typed.
  const SourceText names("; Z\xfcrich\r\nName( Z\xc3\xbcrich )\r\n");
  EXPECT_EQ(FindLine(names, "Z\xc3\xbcrich", 0, "Z\xfcrich"), 0u);
  EXPECT_EQ(FindLine(names, "Z\xc3\xbcrich", 1, "Z\xfcrich"), 1u);
  EXPECT_EQ(FindLine(names, "Z\xc3\xbcrich", 1, "M\xfcnchen"), 1u);
}

TEST(ParseOffsetTest, HexAndDecimal) {
  const std::pair<const char*, std::optional<uint64_t>> cases[] = {
      {"0x72", 0x72},  {" 0X1f ", 0x1F}, {"72h", 0x72},         {"114", 114},
      {"", std::nullopt}, {"0x", std::nullopt}, {"12z", std::nullopt}, {"0x1g", std::nullopt},
      {"0xFFFFFFFFFFFFFFFF", UINT64_MAX}, {"0x10000000000000000", std::nullopt},
      {"18446744073709551616", std::nullopt},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseOffset(text), value) << text;
}

TEST(FindObjectLineTest, LastObjectStartingAtOrBeforeTheOffset) {
  // Procedural at 0x100 and dynamic at 0x400 count from the section start;
  // the airport list gives file offsets.
  const SourceText text(
      "; Object # 1, offset: 0x0010 size: 1 bytes\r\n"  // before any title: no base
      "; Procedural scenery\r\n"
      "; Object # 1, offset: 0x0013 size: 94 bytes (0x005E) \r\n"  // 0x113
      "; Object # 2, offset: 0x0072 size: 34 bytes (0x0022) \r\n"  // 0x172
      "; dynamic scenery\r\n"
      "; Object # 1, offset: 0x0008 size: 10 bytes (0x000A) \r\n"  // 0x408
      "; Object # 1, offset: 000200, size: 40 bytes\r\n");         // 0x200
  const SectionStarts starts{0x100, 0x400};
  const std::pair<uint64_t, std::optional<size_t>> cases[] = {
      {0x112, std::nullopt}, {0x113, 2}, {0x171, 2}, {0x172, 3}, {0x1FF, 3},
      {0x200, 6},            {0x407, 6}, {0x408, 5}, {UINT64_MAX, 5},
  };
  for (const auto& [offset, line] : cases) EXPECT_EQ(FindObjectLine(text, starts, offset), line) << offset;
  // Without the section's start its objects cannot be placed.
  EXPECT_EQ(FindObjectLine(text, SectionStarts{}, 0x1FF), std::nullopt);
}

TEST(FindBandLineTest, KthBandRowOfTheSameLatitudesGivesTheKthComment) {
  const SourceText text(
      "LatRange(  N1  N3 )\r\n; LatRange(  N1  N2 )\r\nx\r\n; LatRange(  N2  N3 )\r\n; LatRange(  N1  N2 )\r\n");
  const std::vector<std::string> summary = {
      "Procedural",  "   Latitude Band  N1 to  N2: 1 objects", "Latitude Band 3", "Dynamic",
      "   Latitude Band  N1 to  N2: 4 area(s)", "Latitude Band  N5 to  N6", "   Latitude Band  N2 to  N3"};
  const std::pair<size_t, std::optional<size_t>> rows[] = {
      {0, std::nullopt}, {1, 1}, {2, std::nullopt}, {4, 4}, {5, std::nullopt}, {6, 3}, {7, std::nullopt}};
  for (const auto& [row, line] : rows) EXPECT_EQ(FindBandLine(text, summary, row), line) << row;
}

TEST(FindBandRowTest, KthBandRowOfASectionsBlock) {
  const std::vector<std::string> summary = {
      "Header",          "Procedural Scenery Section:", "   Latitude Band  N1 to  N2: 1 objects",
      "   Latitude Band  N2 to  N3: 2 objects", "File contains MSA table", "VOR/ILS Section:", "   frequency 113.90",
      "      Latitude Band  N1 to  N2: 1 VOR/ILS entries", "   frequency 114.00",
      "      Latitude Band  N1 to  N2: 1 VOR/ILS entries", "ADF Section:", "   Latitude Band 3"};
  const std::pair<size_t, std::optional<BandRow>> rows[] = {
      {0, std::nullopt}, {1, std::nullopt}, {2, BandRow{0, 0}}, {3, BandRow{0, 1}},       {4, std::nullopt},
      {6, std::nullopt}, {7, BandRow{1, 0}}, {9, BandRow{1, 1}}, {11, std::nullopt}, {12, std::nullopt}};
  for (const auto& [row, band] : rows) EXPECT_EQ(FindBandRow(summary, row), band) << row;
}

}  // namespace
}  // namespace skarn::gui
