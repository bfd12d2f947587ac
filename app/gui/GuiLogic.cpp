#include "app/gui/GuiLogic.h"

#include <algorithm>
#include <cctype>
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
