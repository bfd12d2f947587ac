// The window program's arithmetic and text rules, kept free of the toolkit so
// that they can be tested without a display.
#pragma once

#include <cstddef>
#include <ctime>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skarn::gui {

// Size of the summary in characters: the longest line (at least 80 columns)
// and the number of lines (at least 10 rows).
struct DocSize {
  size_t columns = 80;
  size_t rows = 10;
};
DocSize GetDocSize(const std::vector<std::string>& lines);

// Scroll geometry of the view in pixels, from the document size and the font:
// a margin of 60 pixels to the right and 30 below the text; a page is a third
// of the width and 20 rows; a line step is a tenth of the width and one row.
struct ScrollSizes {
  int lineHeight = 0;
  int totalWidth = 0;
  int totalHeight = 0;
  int pageWidth = 0;
  int pageHeight = 0;
  int lineWidth = 0;
};
ScrollSizes ComputeScrollSizes(DocSize size, int averageCharWidth, int lineHeight);

// The rows [first, last) that intersect the band of pixels [top, bottom) when
// every row is lineHeight pixels high; clipped to the row count.
struct RowRange {
  size_t first = 0;
  size_t last = 0;
};
RowRange RowsInBand(long long top, long long bottom, int lineHeight, size_t rowCount);

// One entry of a file chooser's list: the text shown and the patterns (each
// "*.ext" or "*").
struct FilterEntry {
  std::string text;
  std::vector<std::string> patterns;
};

// Splits a filter string of "text|pattern;pattern|text|pattern||" pairs. When
// caseSensitive is set (the chooser matches names case-sensitively), each
// pattern is followed by its upper-case form, so that SCENERY.BGL is listed
// with *.bgl, and "*.*" becomes "*", so that names without a dot are listed
// as all files.
std::vector<FilterEntry> ParseFilter(const std::string& filter, bool caseSensitive);
// The same entries joined again as "text|p1;p2|text|p3" (no closing bars).
std::string JoinFilter(const std::vector<FilterEntry>& entries);

// The disassembly as the Source view holds it: one string and where each line
// starts, so that a source of a hundred megabytes costs one copy and a vector.
class SourceText {
 public:
  SourceText() = default;
  // Takes the text; lines end in LF or CR LF, and a last line without an end
  // still counts.
  explicit SourceText(std::string text);
  size_t lineCount() const { return starts_.size(); }
  // Line i without its line end; empty when i is past the end.
  std::string_view line(size_t i) const;
  size_t longestLine() const { return longest_; }

 private:
  std::string text_;
  std::vector<size_t> starts_;
  size_t longest_ = 0;
};

// The line as drawn: each tab widened with blanks to the next multiple of 8
// columns (a window draws a tab as a box or not at all).
std::string ExpandTabs(std::string_view line);

// The first line at or after from (wrapping past the end to the start; a
// from past the end starts at the first line) that holds needle or, when it
// is not empty, its other spelling (the same text in the file's own
// single-byte characters, as names stand in the source), ignoring the case of
// ASCII letters; nothing when none does or needle is empty.
std::optional<size_t> FindLine(const SourceText& source, std::string_view needle, size_t from,
                               std::string_view otherSpelling = {});

// An offset as typed: hexadecimal with a 0x prefix or an h suffix, else
// decimal; blanks around it are ignored.
std::optional<uint64_t> ParseOffset(std::string_view text);

// Where the sections whose object comments count from the section start
// begin in the file ("; Object # n, offset: 0x..."); the airport list's
// comments ("offset: HEX,") give file offsets already.
struct SectionStarts {
  std::optional<uint64_t> procedural;
  std::optional<uint64_t> dynamic;
};
// The line of the object comment with the greatest file offset at or before
// offset; nothing when every object starts after it (or there are none).
std::optional<size_t> FindObjectLine(const SourceText& source, const SectionStarts& starts, uint64_t offset);

// The source line of a summary row's latitude band: the row
// "<indent>Latitude Band <lat1> to <lat2>: <count>" that is the k-th band row
// of those latitudes in the summary gives the k-th comment
// "; LatRange( <lat1> <lat2> )" of the source. Nothing when the row is no
// band row or the source has no such comment.
std::optional<size_t> FindBandLine(const SourceText& source, const std::vector<std::string>& summary, size_t row);

// Which latitude band a summary row is: the band-th band row of the
// section-th section that has band rows. A section's rows run from its title
// (a row that starts with no blank) to the next title. Nothing when the row
// is no band row.
struct BandRow {
  size_t section = 0;
  size_t band = 0;
  bool operator==(const BandRow&) const = default;
};
std::optional<BandRow> FindBandRow(const std::vector<std::string>& summary, size_t row);

// The list of the files opened last, newest first, at most capacity entries.
class RecentFiles {
 public:
  explicit RecentFiles(size_t capacity = 4) : capacity_(capacity) {}
  // Puts path first, removing an earlier entry of the same path.
  void Add(const std::string& path);
  void Remove(const std::string& path);
  const std::vector<std::string>& entries() const { return entries_; }
  size_t capacity() const { return capacity_; }

 private:
  size_t capacity_;
  std::vector<std::string> entries_;
};

}  // namespace skarn::gui
