#include "app/gui/GuiLogic.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cerrno>
#include <cstdlib>

namespace skarn::gui {

DocSize GetDocSize(const std::vector<std::string>& lines) {
  DocSize size;
  for (const std::string& line : lines) size.columns = std::max(size.columns, line.size());
  size.rows = std::max(size.rows, lines.size());
  return size;
}

namespace {

// Pixel sizes beyond what a window system can scroll are held at its limit.
int ClampToInt(long long v) {
  constexpr long long kMax = 0x7FFFFFFF;
  return static_cast<int>(std::clamp(v, 0LL, kMax));
}

}  // namespace

ScrollSizes ComputeScrollSizes(DocSize size, int averageCharWidth, int lineHeight) {
  ScrollSizes s;
  s.lineHeight = lineHeight;
  const auto columns = static_cast<long long>(std::min<size_t>(size.columns, 0x7FFFFFFF));
  const auto rows = static_cast<long long>(std::min<size_t>(size.rows, 0x7FFFFFFF));
  s.totalWidth = ClampToInt(columns * averageCharWidth + 60);
  s.totalHeight = ClampToInt(rows * lineHeight + 30);
  s.pageWidth = s.totalWidth / 3;
  s.pageHeight = ClampToInt(static_cast<long long>(lineHeight) * 20);
  s.lineWidth = s.totalWidth / 10;
  return s;
}

RowRange RowsInBand(long long top, long long bottom, int lineHeight, size_t rowCount) {
  RowRange r;
  if (lineHeight <= 0 || bottom <= top || bottom <= 0 || rowCount == 0) return r;
  const long long first = std::max(top, 0LL) / lineHeight;
  const long long last = (bottom + lineHeight - 1) / lineHeight;
  const auto count = static_cast<long long>(std::min<size_t>(rowCount, 0x7FFFFFFFFFFFFFFF));
  r.first = static_cast<size_t>(std::min(first, count));
  r.last = static_cast<size_t>(std::min(last, count));
  return r;
}

namespace {

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t bar = text.find(sep, start);
    if (bar == std::string::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, bar - start));
    start = bar + 1;
  }
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::vector<FilterEntry> ParseFilter(const std::string& filter, bool caseSensitive) {
  // The list ends with "||"; an empty text ends it early as well.
  std::vector<std::string> parts = Split(filter, '|');
  std::vector<FilterEntry> entries;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty()) break;
    FilterEntry entry;
    entry.text = parts[i];
    const auto add = [&entry](const std::string& pattern) {
      if (std::find(entry.patterns.begin(), entry.patterns.end(), pattern) == entry.patterns.end()) {
        entry.patterns.push_back(pattern);
      }
    };
    for (const std::string& pattern : Split(parts[i + 1], ';')) {
      if (pattern.empty()) continue;
      if (!caseSensitive) {
        add(pattern);
      } else if (pattern == "*.*" || pattern == "*") {
        add("*");
      } else {
        add(pattern);
        add(Upper(pattern));
      }
    }
    if (entry.patterns.empty()) entry.patterns.emplace_back("*");
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string JoinFilter(const std::vector<FilterEntry>& entries) {
  std::string out;
  for (const FilterEntry& entry : entries) {
    if (!out.empty()) out += '|';
    out += entry.text;
    out += '|';
    for (size_t i = 0; i < entry.patterns.size(); ++i) {
      if (i != 0) out += ';';
      out += entry.patterns[i];
    }
  }
  return out;
}

void RecentFiles::Add(const std::string& path) {
  if (path.empty() || capacity_ == 0) return;
  Remove(path);
  entries_.insert(entries_.begin(), path);
  if (entries_.size() > capacity_) entries_.resize(capacity_);
}

void RecentFiles::Remove(const std::string& path) {
  entries_.erase(std::remove(entries_.begin(), entries_.end(), path), entries_.end());
}

}  // namespace skarn::gui

namespace skarn::gui {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool ContainsNoCase(std::string_view text, std::string_view needle) {
  const auto same = [](char a, char b) { return LowerAscii(a) == LowerAscii(b); };
  return std::search(text.begin(), text.end(), needle.begin(), needle.end(), same) != text.end();
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// The number in base at the start of text (all of text when whole); nothing
// when there are no digits, others follow or it is too large for 64 bits.
std::optional<uint64_t> Number(std::string_view text, int base, bool whole) {
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || (whole && end != text.data() + text.size())) return std::nullopt;
  return value;
}

// The hexadecimal digits at the start of text; nothing when there are none or
// too many for 64 bits.
std::optional<uint64_t> HexPrefix(std::string_view text) { return Number(text, 16, false); }

// The comment a band row of the summary stands for; nothing when the row is
// no band row.
std::optional<std::string> BandComment(std::string_view row) {
  const size_t text = row.find_first_not_of(' ');
  if (text == std::string_view::npos || !StartsWith(row.substr(text), "Latitude Band ")) return std::nullopt;
  row.remove_prefix(text + 14);
  const size_t to = row.find(" to ");
  if (to == std::string_view::npos) return std::nullopt;
  const std::string_view lat2 = row.substr(to + 4, row.find(": ", to + 4) - (to + 4));
  return "; LatRange( " + std::string(row.substr(0, to)) + " " + std::string(lat2) + " )";
}

}  // namespace

SourceText::SourceText(std::string text) : text_(std::move(text)) {
  size_t start = 0;
  while (start < text_.size()) {
    starts_.push_back(start);
    const size_t end = text_.find('\n', start);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  for (size_t i = 0; i < starts_.size(); ++i) {
    const std::string_view l = line(i);
    longest_ = std::max(longest_, l.find('\t') == std::string_view::npos ? l.size() : ExpandTabs(l).size());
  }
}

std::string_view SourceText::line(size_t i) const {
  if (i >= starts_.size()) return {};
  const size_t start = starts_[i];
  size_t end = i + 1 < starts_.size() ? starts_[i + 1] : text_.size();
  if (end > start && text_[end - 1] == '\n') --end;
  if (end > start && text_[end - 1] == '\r') --end;
  return std::string_view(text_).substr(start, end - start);
}

std::string ExpandTabs(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  for (const char c : line) {
    if (c == '\t') {
      out.append(8 - out.size() % 8, ' ');
    } else {
      out += c;
    }
  }
  return out;
}

std::optional<size_t> FindLine(const SourceText& source, std::string_view needle, size_t from,
                               std::string_view otherSpelling) {
  const size_t count = source.lineCount();
  if (needle.empty() || count == 0) return std::nullopt;
  if (from >= count) from = 0;
  for (size_t k = 0; k < count; ++k) {
    const size_t i = (from + k) % count;
    if (ContainsNoCase(source.line(i), needle)) return i;
    if (!otherSpelling.empty() && ContainsNoCase(source.line(i), otherSpelling)) return i;
  }
  return std::nullopt;
}

std::optional<uint64_t> ParseOffset(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  if (text.size() > 2 && text[0] == '0' && LowerAscii(text[1]) == 'x') {
    text.remove_prefix(2);
  } else if (LowerAscii(text.back()) == 'h') {
    text.remove_suffix(1);
  } else {
    return Number(text, 10, true);
  }
  return Number(text, 16, true);
}

std::optional<size_t> FindObjectLine(const SourceText& source, const SectionStarts& starts, uint64_t offset) {
  // The section titles say which section's start the relative offsets that
  // follow count from.
  std::optional<uint64_t> base;
  std::optional<size_t> best;
  uint64_t bestAt = 0;
  for (size_t i = 0; i < source.lineCount(); ++i) {
    const std::string_view line = source.line(i);
    if (line == "; Procedural scenery") {
      base = starts.procedural;
      continue;
    }
    if (line == "; dynamic scenery") {
      base = starts.dynamic;
      continue;
    }
    if (!StartsWith(line, "; Object # ")) continue;
    const size_t key = line.find(", offset: ");
    if (key == std::string_view::npos) continue;
    std::string_view rest = line.substr(key + 10);
    std::optional<uint64_t> at;
    if (StartsWith(rest, "0x")) {
      const std::optional<uint64_t> rel = HexPrefix(rest.substr(2));
      if (rel && base) at = *base + *rel;
    } else {
      at = HexPrefix(rest);
    }
    if (!at || *at > offset) continue;
    if (!best || *at > bestAt) {
      best = i;
      bestAt = *at;
    }
  }
  return best;
}

std::optional<size_t> FindBandLine(const SourceText& source, const std::vector<std::string>& summary, size_t row) {
  if (row >= summary.size()) return std::nullopt;
  const std::optional<std::string> comment = BandComment(summary[row]);
  if (!comment) return std::nullopt;
  size_t k = 0;
  for (size_t i = 0; i < row; ++i) {
    if (BandComment(summary[i]) == comment) ++k;
  }
  for (size_t i = 0; i < source.lineCount(); ++i) {
    if (source.line(i) != *comment) continue;
    if (k == 0) return i;
    --k;
  }
  return std::nullopt;
}

std::optional<BandRow> FindBandRow(const std::vector<std::string>& summary, size_t row) {
  if (row >= summary.size() || !BandComment(summary[row])) return std::nullopt;
  BandRow at;
  std::optional<size_t> title;      // of the row being read
  std::optional<size_t> bandTitle;  // of the last band row
  bool first = true;
  for (size_t i = 0; i <= row; ++i) {
    const std::string& line = summary[i];
    if (!line.empty() && line[0] != ' ') title = i;
    if (!BandComment(line)) continue;
    if (first) {
      first = false;
    } else if (title != bandTitle) {
      ++at.section;
      at.band = 0;
    } else {
      ++at.band;
    }
    bandTitle = title;
  }
  return at;
}

}  // namespace skarn::gui
