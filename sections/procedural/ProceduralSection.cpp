#include "sections/procedural/ProceduralSection.h"

#include <algorithm>
#include <array>

#include "core/Format.h"
#include "core/Host.h"
#include "core/SkarnDoc.h"
#include "sections/procedural/Opcodes.h"

namespace skarn {

namespace {

// Data areas are written as rows of this many bytes.
constexpr unsigned kBytesPerRow = 12;

// Stands in for a command number no range registered: a length of 0 stops the
// walk with an error comment instead of calling through a null pointer.
int64_t MissingHandler(ProceduralSection&, uint64_t) { return 0; }

}  // namespace

// ---------------------------------------------------------------------------
// Object index

uint64_t ObjectIndex::KeyOf(int32_t lat, int32_t lon) {
  // Latitude without its two low bits, then longitude; the shift by 31 (not
  // 32) is part of the order: it lets the latitude's top bit overlap the
  // longitude's, exactly as the listing has always been sorted.
  return (static_cast<uint64_t>(static_cast<uint32_t>(lat) & ~3u) << 31) +
         static_cast<uint64_t>(static_cast<uint32_t>(lon));
}

void ObjectIndex::Clear() {
  count_ = 0;
  next_ = 0;
  std::deque<uint32_t>().swap(marks_);
  breaks_.clear();
  breaks_.shrink_to_fit();
}

void ObjectIndex::Insert(uint64_t p, const ObjectHeader& h) {
  const bool far = p > kFar - 1;
  if (count_ == 0 || p != next_ || far) breaks_.push_back(Mark{p, count_});
  if (count_ % markEvery_ == 0) marks_.push_back(far ? kFar : static_cast<uint32_t>(p));
  next_ = p + h.size;
  ++count_;
}

uint64_t ObjectIndex::Locate(const ByteReader& img, uint32_t index, const Mark* near) const {
  // The nearest of: the mark at or before the object, the last break at or
  // before it, the object read before.
  Mark from{marks_[index / markEvery_], index - index % markEvery_};
  const auto after = std::upper_bound(breaks_.begin(), breaks_.end(), index,
                                      [](uint32_t i, const Mark& m) { return i < m.first; });
  if (after != breaks_.begin() && (after - 1)->first >= from.first) from = *(after - 1);
  if (near != nullptr && near->first >= from.first && near->first <= index) from = *near;
  // No mark between: each object is followed by the next of its list. The
  // headers were read when they were inserted; the image has not changed.
  for (; from.first < index; ++from.first) {
    ObjectHeader h;
    if (ReadObjectHeader(img, from.offset, h) != HeaderRead::kObject) break;
    from.offset += h.size;
  }
  return from.offset;
}

void ObjectIndex::Print(SourceWriter& out, const ByteReader& img) {
  const uint32_t n = count_;
  const uint32_t block = std::min<uint32_t>(blockSize_, 0x8000);
  // Each block sorted on its own: its order kept as positions in the block,
  // with the top bit for an entry that went to the head of the list.
  std::vector<uint16_t> order(n);
  {
    std::vector<Sorted> sorted;
    sorted.reserve(std::min(n, block));
    uint64_t minKey = 0;
    uint64_t p = 0;
    size_t next = 0;  // the next break
    for (uint32_t start = 0; start < n; start += std::min(block, n - start)) {
      const uint32_t end = start + std::min(block, n - start);
      sorted.clear();
      for (uint32_t i = start; i < end; ++i) {
        if (next < breaks_.size() && breaks_[next].first == i) p = breaks_[next++].offset;
        ObjectHeader h;
        ReadObjectHeader(img, p, h);
        const uint64_t key = KeyOf(h.lat, h.lon);
        // As if inserted into an ordered list: an entry whose key does not
        // exceed the head's goes to the head, any other after the last entry
        // with a key not above its own.
        const bool atHead = i == 0 || key <= minKey;
        if (atHead) minKey = key;
        sorted.push_back(Sorted{key, i, atHead});
        p += h.size;
      }
      std::sort(sorted.begin(), sorted.end());
      for (uint32_t r = 0; r < end - start; ++r)
        order[start + r] = static_cast<uint16_t>((sorted[r].index - start) | (sorted[r].atHead ? 0x8000u : 0u));
    }
  }
  // The blocks merged, smallest head first.
  struct Head {
    Sorted entry;
    uint32_t start;  // the block
    uint32_t rank;   // position in the block's order
    int32_t lat;
    int32_t lon;
    Mark near;  // the object last read for the block
  };
  auto load = [&](Head& head) {
    const uint16_t o = order[head.start + head.rank];
    const uint32_t index = head.start + (o & 0x7FFFu);
    const uint64_t p = Locate(img, index, &head.near);
    ObjectHeader h;
    ReadObjectHeader(img, p, h);
    head.entry = Sorted{KeyOf(h.lat, h.lon), index, (o & 0x8000u) != 0};
    head.lat = h.lat;
    head.lon = h.lon;
    head.near = Mark{p, index};
  };
  auto later = [](const Head& a, const Head& b) { return b.entry < a.entry; };
  std::vector<Head> heads;
  for (uint32_t start = 0; start < n; start += std::min(block, n - start)) {
    Head head{{}, start, 0, 0, 0, Mark{0, UINT32_MAX}};
    load(head);
    heads.push_back(head);
  }
  std::make_heap(heads.begin(), heads.end(), later);
  while (!heads.empty()) {
    std::pop_heap(heads.begin(), heads.end(), later);
    Head& head = heads.back();
    out.Row<"; %s %s Object # %d\n">(geo_.Lat32Text(head.lat), geo_.Lon32Text(head.lon),
                                     static_cast<int>(head.entry.index + 1));
    if (++head.rank < std::min(block, n - head.start)) {
      load(head);
      std::push_heap(heads.begin(), heads.end(), later);
    } else {
      heads.pop_back();
    }
  }
  Clear();
}

// ---------------------------------------------------------------------------
// Handler table

const OpHandler* CommandHandlers() {
  // Filled once on first use and never changed afterwards, so documents on
  // different threads can share it.
  static const std::array<OpHandler, ProceduralSection::kCommandCount> table = [] {
    std::array<OpHandler, ProceduralSection::kCommandCount> t{};
    ops::Register00To3F(t.data());
    ops::Register40To7F(t.data());
    ops::Register80ToBD(t.data());
    for (OpHandler& h : t) {
      if (h == nullptr) h = &MissingHandler;
    }
    return t;
  }();
  return table.data();
}

// ---------------------------------------------------------------------------
// Section

ProceduralSection::ProceduralSection(CSkarnDoc& doc, uint64_t start)
    : BglSection(doc, start), handlers_(CommandHandlers()) {
  SetName("OBJ");
}

ProceduralSection::~ProceduralSection() = default;

HeaderRead ReadObjectHeader(const ByteReader& img, uint64_t p, ObjectHeader& h) {
  if (!img.Has(p, 1)) return HeaderRead::kBadSize;
  const uint8_t type = img.U8(p);
  if (type == 0) return HeaderRead::kEndOfList;
  if (type < 0x04 || type > 0x0E) return HeaderRead::kUnknownType;

  // Types 4 to 0x0C come in threes: an 8-, 16- or 32-bit size field. 0x0D
  // moves the area parameter and the 16-bit size one byte on (and is written
  // as area letter B); 0x0E has a 32-bit size.
  unsigned paramAt = 9;
  unsigned sizeAt = 10;
  unsigned sizeWidth = 4;
  if (type == 0x0D) {
    paramAt = 10;
    sizeAt = 11;
    sizeWidth = 2;
    h.areaLetter = 'B';
  } else if (type == 0x0E) {
    h.areaLetter = 'E';
  } else {
    sizeWidth = 1u << ((type - 4u) % 3u);
    h.areaLetter = type < 0x0A ? static_cast<char>('0' + type) : static_cast<char>('A' + (type - 0x0A));
  }
  h.codeStart = sizeAt + sizeWidth;
  if (!img.Has(p, h.codeStart)) return HeaderRead::kBadSize;

  h.lat = img.I32(p + 1);
  h.lon = img.I32(p + 5);
  h.areaParam = img.U8(p + paramAt);
  h.size = sizeWidth == 1 ? img.U8(p + sizeAt) : sizeWidth == 2 ? img.U16(p + sizeAt) : img.U32(p + sizeAt);
  // A size of 0 would make the next header this one again, for ever. A size
  // that ends inside the header leaves the object without a program, and the
  // next header starts at its end like any other.
  if (h.size == 0) return HeaderRead::kBadSize;
  return HeaderRead::kObject;
}

uint64_t ProceduralSection::Allowance() const {
  // Every object costs at least its header, so the allowance also keeps the
  // object numbers of one run within the index's range.
  constexpr uint64_t kMinObject = 11;
  return std::min(kReadFactor * static_cast<uint64_t>(img_.size()), kMinObject * ObjectIndex::kMaxNumber);
}

bool ProceduralSection::Read(uint64_t n) { return budget_.Take(n); }

bool ProceduralSection::ReadObject(uint64_t p, const ObjectHeader& h) {
  // The header lies in the file, so an object costs at least its header, even
  // one whose size ends inside it.
  const uint64_t rest = p < img_.size() ? img_.size() - p : 0;
  return Read(std::max<uint64_t>(1, std::min<uint64_t>(std::max<uint64_t>(h.size, h.codeStart), rest)));
}

std::string ProceduralSection::OverReadText(const char* prefix, const char* what) const {
  return Format("%sProc Section band lists overlap (more than %llu bytes read); %s", prefix,
                static_cast<unsigned long long>(budget_.allowance()), what);
}

void ProceduralSection::Summarize(std::vector<std::string>& lines) {
  lines.emplace_back("Procedural Scenery Section:");
  budget_.Start(Allowance());
  SummarizeBandTable(0, lines,
                     {"   ", "Error: Proc Section LatBand table at Offset",
                      "Error: unknown ID in Proc Section, LatBand table at Offset"},
                     [this](uint32_t records, std::string& line) {
                       Appendf(line, ": %d objects", CountObjects(records));
                     });
}

int ProceduralSection::CountObjects(uint32_t offset) {
  int count = 0;
  uint64_t p = data_ + offset;
  for (;;) {
    if (budget_.spent()) return count;
    ObjectHeader h;
    switch (ReadObjectHeader(img_, p, h)) {
      case HeaderRead::kEndOfList:
        return count;
      case HeaderRead::kUnknownType:
        doc().Report(Format("Error: unknown ID in Procedural Section, Object Header at 0x%X", LabelOf(p)), p);
        return count;
      case HeaderRead::kBadSize:
        doc().Report(Format("Error: bad object size in Procedural Section at 0x%X", LabelOf(p)), p);
        return count;
      case HeaderRead::kObject:
        if (!ReadObject(p, h)) {
          doc().Report(OverReadText("Error: ", "the remaining objects are not counted"), p);
          return count;
        }
        ++count;
        p += h.size;
        break;
    }
  }
}

void ProceduralSection::Describe(FileAccount& account) {
  AccountSection& section = account.current();
  section.detailed = true;
  budget_.Start(Allowance());
  DescribeBandTable(0, section, [&](uint32_t records, AccountBand& band) {
    band.offset = data_ + records;
    band.count = DescribeObjects(records, account);
    section.Count("objects", band.count);
  });
}

int64_t ProceduralSection::DescribeObjects(uint32_t offset, FileAccount& account) {
  int64_t count = 0;
  for (uint64_t p = data_ + offset; !budget_.spent();) {
    ObjectHeader h;
    if (ReadObjectHeader(img_, p, h) != HeaderRead::kObject || !ReadObject(p, h)) break;
    ++count;
    if (AccountFeature* f = account.Add("object", p)) {
      // As the Area statement gives it: the latitude unfolded.
      f->lat = h.lat * GeoText::kMetreLatitude;
      f->lon = GeoText::Lon32(h.lon);
      f->Text("area", std::string(1, h.areaLetter)).Number("radius", h.areaParam).Number("size", h.size);
    }
    p += h.size;
  }
  return count;
}

void ProceduralSection::WriteSource() {
  out_.WriteNewline();
  out_.WriteSeparator();
  out_.WriteText("; Procedural scenery\n");
  out_.WriteSeparator();
  listOnly_ = false;
  objectCounter_ = 0;
  index_.Clear();
  budget_.Start(Allowance());
  BandWalk(data_, *this);
  out_.WriteText("; sorted list of objects\n");
  index_.Print(out_, img_);
}

void ProceduralSection::ListBitmaps() {
  listOnly_ = true;
  objectCounter_ = 0;
  budget_.Start(Allowance());
  BandWalk(data_, *this);
}

void ProceduralSection::WriteBand(uint32_t offset) {
  uint64_t p = data_ + offset;
  int n = objectCounter_;
  for (;;) {
    if (budget_.spent()) return;
    ObjectHeader h;
    switch (ReadObjectHeader(img_, p, h)) {
      case HeaderRead::kEndOfList:
        return;
      case HeaderRead::kUnknownType:
        // No line end: the next band's blank line closes the comment.
        out_.Row<"; Error: unknown ID in Procedural Section, Object Header at %X">(LabelOf(p));
        return;
      case HeaderRead::kBadSize:
        out_.Row<"; Error: bad object size at offset %X\n">(LabelOf(p));
        return;
      case HeaderRead::kObject:
        break;
    }
    if (!ReadObject(p, h)) {
      out_.WriteText(OverReadText("; Error: ", "the remaining objects are skipped\n"));
      return;
    }
    // The program's end is what the size says, even past the end of the
    // file: the walker stops at the first command that leaves the image.
    const uint64_t end = p + h.size;
    ++n;
    if (!listOnly_) {
      out_.WriteSeparator();
      out_.Row<"; Object # %d, offset: 0x%.4X size: %d bytes (0x%.4X) \n">(n, LabelOf(p), static_cast<int32_t>(h.size), h.size);
      out_.Row<";; Lat: %.09Xh Lon: %.09Xh\n">(static_cast<uint32_t>(h.lat), static_cast<uint32_t>(h.lon));
      out_.WriteSeparator();
      index_.Insert(p, h);
      out_.Row<"Area( %c%s%s %d )\n">(h.areaLetter, geo_.Lat32Text(h.lat), geo_.Lon32Text(h.lon), h.areaParam);
    }
    labels_.Clear();
    // A size that ends inside the header leaves nothing to walk.
    WalkCode(p + h.codeStart, end);
    p = end;
    if (!listOnly_) out_.WriteText("EndA\n\n");
    objectCounter_ = n;
    // A command that ran on past the object printed the bytes after it too.
    if (!Read(Overrun())) {
      out_.WriteText(OverReadText("; Error: ", "the remaining objects are skipped\n"));
      return;
    }
  }
}

// ---------------------------------------------------------------------------
// Walker

void ProceduralSection::WalkCode(uint64_t start, uint64_t end) {
  stretchEnd_ = end;
  // A stretch that ends before it starts (a header longer than its object)
  // is empty: nothing is read beyond it.
  reach_ = std::min(start, end);
  pass_ = 0;
  RunPass(start);
  if (listOnly_) return;
  pass_ = 1;
  RunPass(start);
}

void ProceduralSection::RunPass(uint64_t start) {
  const bool print = printing();
  // Besides the print pass only the bitmap list writes (from the collect pass).
  const bool mayWrite = print || listOnly_;
  uint64_t p = start;
  bool areaSkipped = false;
  while (p < stretchEnd_) {
    // A data area is handled before the byte there is taken as a command:
    // data after an unconditional transfer may hold any byte at all.
    if (print) {
      // An unknown command number where no data area starts ends the walk
      // before any label line is written.
      if (img_.Has(p) && img_.U8(p) >= kCommandCount && labels_.DataAreaEnd(LabelOf(p)) == 0) {
        out_.Row<"; Error: unexpected ID %x at offset %.4X\n">(static_cast<unsigned>(img_.U8(p)), LabelOf(p));
        return;
      }
      int64_t areaEnd = 0;
      if (const char* text = labels_.TakeLabelsAt(LabelOf(p), &areaEnd)) {
        out_.WriteText(text);
        if (areaEnd != 0) {
          // The area ends at the next label, but never beyond the program:
          // the bytes after it belong to whatever follows.
          const uint64_t to = areaEnd < 0 ? stretchEnd_
                                          : std::min(data_ + static_cast<uint64_t>(areaEnd), stretchEnd_);
          out_.WriteText("; unreachable code, possibly data area\n");
          WriteDataRows(p, to);
          if (areaEnd < 0 || to <= p) return;
          p = to;
          continue;
        }
      }
    } else if (!areaSkipped) {
      // One area at a time: the command where a skipped area ends is decoded
      // even when a marked label stands there as well.
      const int64_t areaEnd = labels_.DataAreaEnd(LabelOf(p));
      if (areaEnd < 0) return;
      if (areaEnd != 0) {
        const uint64_t to = data_ + static_cast<uint64_t>(areaEnd);
        if (to <= p) return;
        p = to;
        areaSkipped = true;
        continue;
      }
    }
    areaSkipped = false;

    img_.ClearError();
    const uint8_t c = img_.U8(p);
    if (img_.failed()) {
      if (print) out_.Row<"; Error: command at offset %.4X runs past the end of the file\n">(LabelOf(p));
      return;
    }
    if (c >= kCommandCount) {
      if (print) out_.Row<"; Error: unexpected ID %x at offset %.4X\n">(static_cast<unsigned>(c), LabelOf(p));
      return;
    }

    // A command that reads outside the file is not written at all: its
    // half-printed text is taken back. One that read all it printed inside
    // the file but claims more bytes than the file has (a file cut short)
    // keeps its lines; the walk ends with it.
    const size_t mark = mayWrite ? out_.Hold() : 0;
    const int64_t length = handlers_[c](*this, p);
    const bool readOutside = img_.failed();
    const bool cutShort = !readOutside && length > 0 && !img_.Has(p, static_cast<uint64_t>(length));
    if (mayWrite) {
      if (readOutside) {
        out_.Rollback(mark);
      } else {
        out_.Release();
      }
    }
    // What a kept command printed beyond the object counts as read.
    if (cutShort) reach_ = std::max<uint64_t>(reach_, img_.size());
    if (readOutside || cutShort) {
      if (print) out_.Row<"; Error: command at offset %.4X runs past the end of the file\n">(LabelOf(p));
      return;
    }
    // A length built from a count in the data may be zero or negative; the
    // walk could never leave the command.
    if (length <= 0) {
      if (print) {
        out_.Row<"; Error: command at offset %.4X has length %lld, walk stopped\n">(LabelOf(p),
                    static_cast<long long>(length));
      }
      return;
    }
    p += static_cast<uint64_t>(length);
    reach_ = std::max(reach_, p);
    if (p > stretchEnd_ && print) out_.WriteText("; Error: object end overrun\n");
  }
}

void ProceduralSection::WriteDataRows(uint64_t from, uint64_t to) {
  // Rows never read past the file.
  to = std::min<uint64_t>(to, img_.size());
  std::string& row = out_.line;
  unsigned inRow = 0;
  for (uint64_t q = from; q < to; ++q) {
    if (inRow == 0) row.assign("\tDbx( ");
    Appendf(row, "%.2X ", static_cast<unsigned>(img_.U8(q)));
    if (++inRow == kBytesPerRow) {
      row += " )\n";
      out_.FlushLine();
      inRow = 0;
    }
  }
  if (inRow != 0) {
    row += " )\n";
    out_.FlushLine();
  }
}

// ---------------------------------------------------------------------------
// Services for the command handlers

int ProceduralSection::LibraryCallForm() {
  if (libraryCallForm_ == 0) libraryCallForm_ = host().AskYesNo("Is this a FS2000/2002 .bgl-file?") ? 1 : -1;
  return libraryCallForm_;
}

std::string ProceduralSection::BitmapName(uint64_t p) const {
  std::string name;
  for (uint64_t i = 0; i < 12; ++i) {
    const uint8_t b = img_.U8(p + i);
    if (b == 0) break;
    if (b != ' ') name.push_back(static_cast<char>(b));
  }
  return name;
}

std::string_view ProceduralSection::CText(uint64_t p, uint64_t maxLength) const {
  // A text that reaches the end of the file without its terminator sets the
  // reader's error flag (the read of the missing byte), so the command that
  // holds it is reported as running past the end.
  bool terminated = false;
  const std::string_view text = img_.Text(p, maxLength, &terminated);
  if (!terminated && text.size() < maxLength) img_.U8(p + text.size());
  return text;
}

}  // namespace skarn
