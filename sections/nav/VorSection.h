// The VOR/ILS section: radio navigation stations on the VHF navigation band.
//
// The section is organised by frequency. It starts with a frequency table of
// 5-byte entries (id 1, s32 offset of a latitude-band table, 0 for an unused
// channel), one per channel from the header's first to its last channel
// number; channel n is n x 0.05 + 108 MHz. Each band of a channel points at a
// list of station records, each starting with its id byte, ended by a 0:
//   4  VOR     44 bytes
//   5  ILS     54 bytes (the VOR fields, then the glide slope)
//   6  ILS2    56 bytes (the ILS fields and one more value)
//   20 DMEPos  17 bytes (not counted in the summary, but written)
// Offsets count from the section start and are signed, as stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/BglSection.h"
#include "core/ReadBudget.h"

namespace skarn {

class VorSection : public BglSection {
 public:
  VorSection(CSkarnDoc& doc, uint64_t start, int32_t firstChannel, int32_t lastChannel);

  void Summarize(std::vector<std::string>& lines) override;
  void WriteSource() override;
  void WriteBand(uint32_t offset) override;
  // Bands by channel, and every station: VOR, ILS, ILS2 and DME positions.
  void Describe(FileAccount& account) override;

  // Frequency of a channel in MHz.
  static double ChannelFrequency(int64_t channel) { return static_cast<double>(channel) * 0.05 + 108.0; }
  // A station angle as written: degrees, with those above 180 mirrored to
  // 360 minus the angle.
  static double FoldedAngle(uint16_t value);
  // The glide-slope angle in degrees (the stored value is the sine x 131072).
  static double GlideSlopeAngle(int16_t value);

 private:
  enum class Channel { kEntry, kUnknown, kOutside };
  // Classifies the frequency table entry at entry (from the section start).
  // kOutside: the entry does not lie wholly inside the image.
  Channel ReadChannel(int64_t entry) const;
  enum class Record { kEnd, kStation, kDme, kUnknown, kOutside };
  // Classifies the record at rel (from the section start) and gives its size.
  // kOutside: the record does not lie wholly inside the image.
  Record ReadRecord(int64_t rel, uint64_t& size) const;
  bool Has(int64_t rel, uint64_t n) const { return img_.Has(At(rel), n); }
  int CountStations(int32_t list);
  void WriteStation(uint64_t p, uint8_t id);
  void DescribeStation(uint64_t p, uint8_t id, FileAccount& account);

  std::string OverReadText() const;

  int32_t firstChannel_;
  int32_t lastChannel_;
  double frequency_ = 0.0;  // of the channel whose bands are being written
  // Channels may share band tables and bands may share lists, so a small
  // file could make a walk read its records without end. One summary or
  // source run reads at most as many records (each list's final 0 included)
  // as the file has bytes, far more than a file holding each list once can
  // have.
  ReadBudget budget_;
};

}  // namespace skarn
