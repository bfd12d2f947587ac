// The procedural scenery section and the scenery command walker.
//
// The section starts with a latitude-band table; each band points at a list
// of objects, each an object header (type byte 0x04..0x0E, position, area
// parameter, size) followed by a program of scenery commands. The walker turns
// one program into SCASM source: a collect pass gathers jump targets in the
// label table, a print pass writes every command preceded by its labels. The
// library and miscellaneous sections walk their own programs with a
// ProceduralSection object of their own making.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "core/BglSection.h"
#include "core/ByteReader.h"
#include "core/GeoText.h"
#include "core/ReadBudget.h"
#include "sections/procedural/LabelTable.h"

namespace skarn {

class ProceduralSection;

// A command handler: decodes the command at file offset p, writes its source
// in the print pass, records its jump targets in the collect pass, and returns
// the command's length in bytes (zero or less is an error the walker reports).
using OpHandler = int64_t (*)(ProceduralSection& s, uint64_t p);

// An object header as its type byte lays it out.
struct ObjectHeader {
  int32_t lat = 0;
  int32_t lon = 0;
  uint8_t areaParam = 0;
  char areaLetter = ' ';
  uint32_t size = 0;       // from the header's first byte
  unsigned codeStart = 0;  // distance of the program from the header
};
enum class HeaderRead { kEndOfList, kObject, kUnknownType, kBadSize };
// Reads the object header at p. kBadSize: the header does not lie inside the
// image, or its size is 0 (a list that would name the same object for ever).
HeaderRead ReadObjectHeader(const ByteReader& img, uint64_t p, ObjectHeader& h);

// Objects sorted by position for the list that ends the section's source.
//
// The image holds every object's position, so the index keeps only where
// the objects lie: the offset of every markEvery-th object, and a break
// wherever an object does not follow the one before it in its list; the
// objects between are found by stepping from header to header. Printing
// sorts blocks of objects with their keys read from the image, keeps each
// block's order in two bytes an object, and merges the blocks as it writes.
// A long list costs under three bytes an object rather than a copy of its
// positions.
class ObjectIndex {
 public:
  // Object numbers run from 1 to kMaxNumber, in the order of insertion.
  static constexpr uint32_t kMaxNumber = 0x7FFFFFFF;
  // Objects sorted at a time (at most 32768), and the distance of the marks.
  explicit ObjectIndex(uint32_t blockSize = 32768, uint32_t markEvery = 8)
      : blockSize_(blockSize), markEvery_(markEvery) {}
  // The object whose header h was read at file offset p gets the next number.
  void Insert(uint64_t p, const ObjectHeader& h);
  // Writes "; <lat> <lon> Object # n" per entry and empties the index.
  void Print(SourceWriter& out, const ByteReader& img);
  void Clear();
  bool empty() const { return count_ == 0; }
  size_t size() const { return count_; }

 private:
  struct Mark {
    uint64_t offset;  // of the object numbered first + 1
    uint32_t first;
  };
  static constexpr uint32_t kFar = UINT32_MAX;  // a mark beyond 4 GiB: a break stands there too
  // The order among entries: by key, then those that went to the head of
  // the list first, newest first, then the others in the order they came.
  struct Sorted {
    uint64_t key;
    uint32_t index;  // the number less one
    bool atHead;
    bool operator<(const Sorted& o) const {
      if (key != o.key) return key < o.key;
      if (atHead != o.atHead) return atHead;
      return atHead ? index > o.index : index < o.index;
    }
  };
  static uint64_t KeyOf(int32_t lat, int32_t lon);
  // Where the object of a given index lies; steps on from *near (an earlier
  // object of the same stretch) when that is closer than the mark.
  uint64_t Locate(const ByteReader& img, uint32_t index, const Mark* near) const;
  uint32_t blockSize_;
  uint32_t markEvery_;
  uint32_t count_ = 0;
  uint64_t next_ = 0;  // where an object following the last one would lie
  std::deque<uint32_t> marks_;  // grows without moving what it holds
  std::vector<Mark> breaks_;
  GeoText geo_;
};

class ProceduralSection : public BglSection {
 public:
  static constexpr int kCommandCount = 0xBE;  // commands 0x00..0xBD

  ProceduralSection(CSkarnDoc& doc, uint64_t start);
  ~ProceduralSection() override;

  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;
  void WriteBand(uint32_t offset) override;
  // The bands with their object counts, and each object's area: position,
  // area letter and parameter, size.
  void Describe(FileAccount& account) override;

  // Walks the band table writing only bitmap names (the bitmap list).
  bool ListsBitmaps() const override { return true; }
  void ListBitmaps() override;
  // Disassembles the program from start up to end (file offsets). Does not
  // clear the label table.
  void WalkCode(uint64_t start, uint64_t end);
  // Bytes of the file the last walk read beyond its stretch end: a command
  // there may claim (and print) much of the file. A caller that charges a
  // read allowance for the stretch charges these too.
  uint64_t Overrun() const { return reach_ > stretchEnd_ ? reach_ - stretchEnd_ : 0; }
  // Number of objects in the object list at offset (from the section start).
  int CountObjects(uint32_t offset);

  void SetListOnly(bool on) { listOnly_ = on; }

  // ---- for the command handlers ----
  bool printing() const { return pass_ == 1; }
  bool collecting() const { return pass_ == 0; }
  bool listOnly() const { return listOnly_; }
  const ByteReader& image() const { return img_; }
  SourceWriter& writer() const { return out_; }
  GeoText& geo() { return geo_; }
  LabelTable& labels() { return labels_; }
  uint64_t sectionStart() const { return data_; }
  uint64_t stretchEnd() const { return stretchEnd_; }
  // Label of a file offset: its distance from the section start, 32-bit.
  uint32_t LabelOf(uint64_t address) const { return static_cast<uint32_t>(address - data_); }
  // Target of a relative jump: command address + the i16 (or i32) at p + at.
  uint64_t Target16(uint64_t p, unsigned at) const { return p + static_cast<uint64_t>(static_cast<int64_t>(img_.I16(p + at))); }
  uint64_t Target32(uint64_t p, unsigned at) const { return p + static_cast<uint64_t>(static_cast<int64_t>(img_.I32(p + at))); }
  // Collect pass: records an ordinary jump target.
  void AddTarget(uint64_t target) { if (collecting()) labels_.AddLabel(LabelOf(target)); }
  // Colon form: a target at the stretch end is printed as a lone ":" and
  // records no label.
  bool AtStretchEnd(uint64_t target) const { return target == stretchEnd_; }
  void AddColonTarget(uint64_t target) { if (collecting() && !AtStretchEnd(target)) labels_.AddLabel(LabelOf(target)); }
  // The library-call layout: 1 for the FS2000/2002 form, -1 for the older
  // one; asks the user the first time (once per object life).
  int LibraryCallForm();
  // The layout as answered so far, without asking: 0 while not asked.
  int knownLibraryCallForm() const { return libraryCallForm_; }
  // A 12-byte bitmap name field with every blank left out, up to its first 0.
  std::string BitmapName(uint64_t p) const;
  // A zero-terminated text of at most maxLength bytes, as a view into the
  // image; one that runs into the image's end sets the reader's flag.
  std::string_view CText(uint64_t p, uint64_t maxLength) const;

 private:
  void RunPass(uint64_t start);
  // The objects of the list at offset (from the section start), added to
  // the account; returns their number.
  int64_t DescribeObjects(uint32_t offset, FileAccount& account);
  void WriteDataRows(uint64_t from, uint64_t to);

  // Bands may share an object list, point into the middle of another band's
  // list, or all name one long object, so a small file could make the walks
  // read the same objects again and again and the source grow with the
  // square of the file. One summary, source or bitmap run reads at most
  // kReadFactor times the file's size in object bytes (and never more than
  // object numbers can count, each object costing at least its header):
  // every list twice, in a file whose lists lie apart. A command that runs on
  // past its object counts the bytes it read beyond. The text written stays
  // within some 25 bytes per byte read (the lines of an object header, a
  // short command's line and its label), so the source grows at most about
  // 50 times the file.
  static constexpr uint64_t kReadFactor = 2;
  uint64_t Allowance() const;
  // Charges n object bytes against the run's allowance; false, from then on,
  // once it is spent.
  bool Read(uint64_t n);
  // Charges the bytes of the object whose header h was read at p (as far as
  // they lie in the file), and never less than its header.
  bool ReadObject(uint64_t p, const ObjectHeader& h);
  // "... (more than N bytes read); <what>".
  std::string OverReadText(const char* prefix, const char* what) const;
  LabelTable labels_;
  const OpHandler* handlers_;
  uint64_t stretchEnd_ = 0;
  bool listOnly_ = false;
  int pass_ = 0;
  int libraryCallForm_ = 0;
  ObjectIndex index_;
  int objectCounter_ = 0;
  uint64_t reach_ = 0;  // furthest position the last walk stepped to
  ReadBudget budget_;   // of the run (WriteBand, CountObjects), in object bytes
};

// The handler table (built once; every entry is set).
const OpHandler* CommandHandlers();

}  // namespace skarn
