// The window program's rules that need no display: document size and scroll
// geometry, the rows to repaint, the file choosers' filters, the fixed time
// and the recent-file list.
#include <gtest/gtest.h>

#include <string>
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

}  // namespace
}  // namespace skarn::gui
