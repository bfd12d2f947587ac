// The library section: a directory of library objects, each named by a
// 128-bit ID, whose bodies are scenery command programs.
//
// Directory, at the section start: 20-byte entries (u32 offset of the object
// from the section start, then the ID as four u32 words), ended by an entry
// whose offset is 0.
//
// An object comes in one of two forms. The newer form repeats the directory's
// ID in its first 16 bytes, followed by PWR (u8), the header length (u32; the
// program starts at object + header length), the program size (u32), SIZE,
// the scale divisor, TYPE and PROP (u32 each) and a name filling the rest of
// the header. The older form has four words of its own, a byte and a u16 size
// counted from the object's first byte; its program starts at byte 19.
//
// The programs are walked by a ProceduralSection made on this section's start
// for one run (a WriteSource or a ListBitmaps), so labels count from here. Its
// label table is shared by all objects of the run and never cleared between
// them: a target one object's print pass never reached is still due when the
// next object is walked, and comes out there as an overrun label.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/BglSection.h"
#include "core/ReadBudget.h"

namespace skarn {

class ProceduralSection;

class LibrarySection : public BglSection {
 public:
  static constexpr uint64_t kEntrySize = 20;
  static constexpr uint64_t kNewHeaderFields = 41;  // fixed fields before the name
  static constexpr uint64_t kOldHeaderSize = 19;

  LibrarySection(CSkarnDoc& doc, uint64_t start);
  ~LibrarySection() override;

  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;
  void Describe(FileAccount& account) override;
  // Walks every object's program in the walker's list-only mode, so that only
  // the bitmap names reach the output; this section writes none of its own
  // lines, its error comments included.
  bool ListsBitmaps() const override { return true; }
  void ListBitmaps() override;

 private:
  // A directory entry: the object's offset and its ID words.
  struct Entry {
    uint32_t offset = 0;
    uint32_t id[4] = {};
  };
  enum class EntryRead { kEnd, kEntry, kCut };
  EntryRead ReadEntry(uint64_t at, Entry& e) const;

  // One run over the directory with a fresh walker.
  void Run(bool listOnly);
  // Writes (or, when quiet, only walks) one object. False ends the run.
  bool HandleObject(const Entry& e);
  // Whether the object at obj (16 bytes there) is of the newer form.
  bool IsNewForm(const Entry& e, uint64_t obj) const;
  bool HandleNewForm(const Entry& e, uint64_t obj);
  bool HandleOldForm(const Entry& e, uint64_t obj);
  // Counts a program (and, in the newer form, the name before it) against the
  // run's walking allowance; when it is spent, writes the error that ends the
  // run and returns false.
  bool Allow(uint64_t start, uint64_t end);
  // "; Error: library object #n at offset 0x...: <what>\n"; nothing when quiet.
  void ObjectError(uint32_t offset, const std::string& what);

  std::unique_ptr<ProceduralSection> walker_;
  int objectNumber_ = 0;
  bool quiet_ = false;
  // Name and program bytes the current run may still walk.
  ReadBudget budget_;
};

}  // namespace skarn
