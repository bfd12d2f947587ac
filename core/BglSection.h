// Base class of every section decoder.
//
// The document creates one object per section present in the header, in its
// slot of the 22-slot section table. A section knows the file offset of its
// first byte and reaches the image, the output writer and the host through its
// document; it never copies or owns the image.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/ByteReader.h"
#include "core/FileAccount.h"
#include "core/GeoText.h"
#include "core/SourceWriter.h"

namespace skarn {

class CSkarnDoc;
class Host;

class BglSection {
 public:
  BglSection(CSkarnDoc& doc, uint64_t start);
  virtual ~BglSection();
  BglSection(const BglSection&) = delete;
  BglSection& operator=(const BglSection&) = delete;

  // Appends the section's summary lines.
  virtual void Summarize(std::vector<std::string>& lines) = 0;
  // Writes the section's source text through the document's writer.
  virtual void WriteSource() = 0;
  // Writes the records of one latitude band (offset from the section start).
  virtual void WriteBand(uint32_t offset);
  // Adds what the section holds to the account, whose last section entry is
  // this section's: its bands, counts and features. Writes no text and shows
  // no message (the summary has reported the faults already). The default
  // adds nothing, and the entry stays marked as not detailed.
  virtual void Describe(FileAccount& account);
  // Whether the bitmap list consults this section: true for the sections
  // whose scenery command programs name bitmaps.
  virtual bool ListsBitmaps() const { return false; }
  // Writes, for the bitmap list, the bitmap names its programs use, in the
  // order met (the procedural section adds its band comments). The default
  // writes nothing.
  virtual void ListBitmaps() {}

  // Walks a latitude-band table (9-byte entries: id 0x15, two 16-bit band
  // latitudes in 512 m units, a 32-bit records offset; a 0 byte ends it),
  // writing a LatRange comment per band and calling target.WriteBand.
  void BandWalk(uint64_t table, BglSection& target);

  uint64_t start() const { return data_; }
  const char* name() const { return name_; }

 protected:
  const ByteReader& img() const { return img_; }
  SourceWriter& out() const { return out_; }
  Host& host() const;
  CSkarnDoc& doc() const { return doc_; }
  // Sets the short section name (at most 7 characters are kept).
  void SetName(const char* name);

  // File offset of rel, a signed offset from the section start as the file
  // stores it; an offset outside the image when rel points before the file's
  // first byte.
  uint64_t At(int64_t rel) const;
  // An offset from the section start as messages show it: its low 32 bits,
  // as the file's own offsets are.
  static unsigned Low32(int64_t rel) { return static_cast<uint32_t>(static_cast<uint64_t>(rel)); }
  // A fixed-width name field at p as the source writes it ("" when the field
  // does not lie inside the image).
  std::string NameAt(uint64_t p, size_t length) const;

  // What the summary of a latitude-band table says, where sections differ.
  // Both error texts end in "at Offset"; the entry's offset follows.
  struct BandSummaryTexts {
    const char* indent;     // in front of "Latitude Band"
    const char* pastEnd;    // an entry runs past the end of the file
    const char* unknownId;  // an entry's id is neither 0x15 nor the final 0
  };
  // Summarises the band table at table (from the section start): a line per
  // band, "<indent>Latitude Band <lat1> to <lat2>", to which count appends
  // what the band's records (at the entry's offset) hold. A table that leaves
  // the image or holds an unknown id is reported and ends there.
  void SummarizeBandTable(int64_t table, std::vector<std::string>& lines, const BandSummaryTexts& texts,
                          const std::function<void(uint32_t records, std::string& line)>& count);
  // The same table for the account: a band entry per table entry, whose
  // offset and count describe(records, band) fills in. Silent: a fault ends
  // the table.
  void DescribeBandTable(int64_t table, AccountSection& section,
                         const std::function<void(uint32_t records, AccountBand& band)>& describe);
  enum class BandTableEnd { kEnd, kPastEnd, kUnknownId };
  // Calls band(lat1, lat2, records) for each entry of the table (table from
  // the section start) up to its final 0 or a fault; *at gets the
  // offset of the entry that ended it.
  BandTableEnd WalkBandTable(int64_t table, int64_t* at,
                             const std::function<void(double lat1, double lat2, uint32_t records)>& band) const;

  CSkarnDoc& doc_;
  const ByteReader& img_;
  SourceWriter& out_;
  uint64_t data_;  // file offset of the section's first byte
  char name_[8] = {};
  GeoText geo_;
};

}  // namespace skarn
