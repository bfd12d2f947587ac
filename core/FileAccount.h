// What one BGL file holds, as data: the header's facts, the sections with
// their bands and counts, every located thing with its position in degrees,
// the library objects, the bitmap names and the problems met. Numbers are
// decoded as the source text decodes them, so they agree with it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace skarn {

// A message the analysis gave, with the file offset it concerns (-1 when the
// message names no place in the file).
struct AccountProblem {
  std::string text;
  int64_t offset = -1;
};

// A named value of a feature: a number, or a text when isText is set. Keys
// and kinds are fixed texts of the program (never freed).
struct AccountField {
  const char* key = "";
  double number = 0.0;
  std::string text;
  bool isText = false;
};

struct AccountPoint {
  double lat = 0.0;
  double lon = 0.0;
};

struct AccountFeature {
  const char* kind = "";  // "vor", "ils", "ndb", "atis", "object", ...
  int slot = -1;        // the section's slot in the header's table
  uint64_t offset = 0;  // file offset of the record
  bool located = true;  // false: lat and lon mean nothing
  double lat = 0.0;
  double lon = 0.0;
  std::string ident;
  std::string name;
  std::vector<AccountField> fields;
  std::vector<AccountPoint> points;  // outlines (vertices in order)

  AccountFeature& Number(const char* key, double v) {
    fields.push_back(AccountField{key, v, std::string(), false});
    return *this;
  }
  AccountFeature& Text(const char* key, std::string v) {
    fields.push_back(AccountField{key, 0.0, std::move(v), true});
    return *this;
  }
};

// One latitude band of a section: the two latitudes as stored (degrees), the
// file offset of its records and how many the band holds.
struct AccountBand {
  double lat1 = 0.0;
  double lat2 = 0.0;
  uint64_t offset = 0;
  int64_t count = 0;
  double frequency = 0.0;  // the channel's frequency in MHz (VOR/ILS bands), else 0
};

struct AccountCount {
  std::string key;
  int64_t value = 0;
};

struct AccountSection {
  int slot = -1;
  std::string name;     // the slot's display name ("VOR/ILS", "NDB", ...)
  uint64_t offset = 0;  // file offset of the section
  bool detailed = false;  // its features are listed one by one
  std::vector<AccountBand> bands;
  std::vector<AccountCount> counts;

  void Count(const char* key, int64_t n) {
    for (AccountCount& c : counts) {
      if (c.key == key) {
        c.value += n;
        return;
      }
    }
    counts.push_back(AccountCount{key, n});
  }
};

struct AccountLibraryObject {
  std::string id;  // the four ID words, "%.8X %.8X %.8X %.8X"
  std::string name;
  uint64_t offset = 0;  // file offset of the object
  uint64_t size = 0;    // its program size in bytes
  std::string form;     // "new" or "old"
};

struct FileAccount {
  std::string path;
  std::string fileName;
  uint64_t fileSize = 0;   // bytes stored
  uint64_t imageSize = 0;  // bytes after unpacking (the same when plain)
  bool compressed = false;
  bool read = false;  // the header was read and the sections analysed
  bool extended = false;
  int visType = 0;
  double north = 0.0;
  double south = 0.0;
  double east = 0.0;
  double west = 0.0;
  std::vector<AccountSection> sections;
  std::vector<AccountFeature> features;
  std::vector<AccountLibraryObject> libraryObjects;
  std::vector<std::string> bitmaps;
  std::vector<AccountProblem> problems;

  // The most features one file may list: every record of a sound file takes
  // at least 7 bytes and is one feature, so a file that claims more than a
  // feature for each 7 bytes (and a thousand more) overlaps its records; it
  // is cut there and says so among its problems. Never more than
  // kMaxFeatures.
  static constexpr size_t kMaxFeatures = 500000;
  size_t featureLimit = kMaxFeatures;
  // Adds a feature of the section being described (the last one added);
  // nullptr once the limit is reached. A record that several bands or lists
  // name is one thing the file holds, listed once (nullptr for it again),
  // unless once is false: a record whose feature also says where it was
  // named from (a seed block's row, a menu airport's region) is listed each
  // time, as the source writes it.
  AccountFeature* Add(const char* kind, uint64_t offset, bool once = true);
  AccountSection& current() { return sections.back(); }

 private:
  // The records listed once so far, by file offset and kind: those that
  // came in rising order of offset (as a sound file's lists mostly give
  // them) in a sorted vector, the others in a hash set.
  struct Listed {
    uint64_t offset;
    std::string_view kind;
    bool operator==(const Listed&) const = default;
  };
  struct ListedHash {
    size_t operator()(const Listed& r) const {
      return std::hash<uint64_t>()(r.offset) ^ std::hash<std::string_view>()(r.kind);
    }
  };
  // Records the record; false when it was listed before.
  bool FirstListing(uint64_t offset, std::string_view kind);
  std::vector<Listed> rising_;
  std::unordered_set<Listed, ListedHash> others_;
};

}  // namespace skarn
