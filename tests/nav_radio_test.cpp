// The radio navigation sections: VOR/ILS stations, NDB beacons and ATIS
// broadcasts, from their bytes to the exact summary and source text.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "BglBuilder.h"
#include "FakeHost.h"
#include "TestUtil.h"
#include "core/Commands.h"
#include "core/SkarnDoc.h"

namespace skarn::test {
namespace {

constexpr size_t kVorField = 0x12;
constexpr size_t kComField = 0x4A;
constexpr size_t kNdbField = 0x4E;

const std::string kVorHead = "\n" + kSep + "; VOR/ILS Section\n" + kSep;
const std::string kNdbHead = "\n" + kSep + "; ADF section\n" + kSep;
const std::string kComHead = "\n" + kSep + "; ATIS section\n" + kSep;
// The band of latitudes 0 and 20 (x 512 m), as the band walker heads it.
const std::string kBand = "\n; LatRange(  S00:00:00.00  N00:05:31.72 )\n" + kSep;

// Coordinates with short exact texts: latitude 18 degrees (2 m units) and
// longitudes of 45 and -90 degrees (2^24 to the circle).
constexpr int32_t kN18 = 1000175;
constexpr int32_t kE45 = 2097152;
constexpr int32_t kW90 = -4194304;

struct SectionRun {
  std::vector<std::string> summary;  // the section's own lines
  std::vector<std::string> messages;
  std::string source;  // what WriteSource writes, with LF line ends
};

// Analyses a file holding one section, then writes that section's source.
SectionRun RunSection(size_t field, const Bytes& body, int16_t firstChannel = 0, int16_t lastChannel = -1) {
  BglBuilder b;
  b.Set(hdr::kFirstVorChannel, static_cast<uint16_t>(firstChannel), 2);
  b.Set(hdr::kLastVorChannel, static_cast<uint16_t>(lastChannel), 2);
  b.Section(field, body);
  const int slot = field == kVorField ? 0 : field == kComField ? 13 : 14;
  const SectionSource s = WriteSectionSource(b.Build(), slot, "radio.bgl");
  EXPECT_TRUE(s.opened);
  SectionRun run;
  run.summary = SectionLines(s.summary);
  run.source = s.source;
  run.messages = s.messages;
  return run;
}

// ---- VOR/ILS records ----

struct Station {
  uint8_t id = 4;
  uint8_t byte1 = 0;
  uint16_t angle = 0;
  uint8_t flags = 0;
  int32_t lat = 0;
  int32_t lon = 0;
  int16_t alt = 0;
  uint16_t heading = 0;
  std::string ident;
  std::string name;
  // ILS and ILS2 only
  int32_t slopeLat = 0;
  int32_t slopeLon = 0;
  int16_t slopeAlt = 0;
  int16_t slopeAngle = 0;
  int16_t extra = 0;  // ILS2 only
};

Bytes StationRecord(const Station& s) {
  Bytes b;
  b.u8(s.id).u8(s.byte1).u16(s.angle).u8(s.flags);
  b.i24(s.lat);
  b.i24(s.lon);
  b.i16(s.alt).u16(s.heading).text(s.ident, 5).text(s.name, 24);
  if (s.id == 4) return b;
  b.i24(s.slopeLat);
  b.i24(s.slopeLon);
  b.i16(s.slopeAlt).i16(s.slopeAngle);
  if (s.id == 6) b.i16(s.extra);
  return b;
}

Bytes DmePos(uint16_t value, int32_t lat, int32_t lon, int16_t alt) {
  Bytes b;
  b.u8(0x14).raw({0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}).u16(value);
  b.i24(lat);
  b.i24(lon);
  return b.i16(alt);
}

// A VOR section whose channels (first channel upward) each have one band of
// latitudes 0 to 20 holding the given list, or no station for an empty list.
Bytes VorSectionOf(const std::vector<Bytes>& lists) {
  Bytes table;
  Bytes rest;
  const uint32_t base = static_cast<uint32_t>(5 * lists.size());
  for (const Bytes& list : lists) {
    if (list.size() == 0) {
      table.u8(1).u32(0);
      continue;
    }
    const uint32_t at = base + static_cast<uint32_t>(rest.size());
    table.u8(1).u32(at);
    rest.append(BandTable({{0, 20, at + 10}})).append(list);
  }
  return table.append(rest);
}

// The first statement line of a one-VOR section.
std::string FirstLine(const Station& s) {
  const std::string src = RunSection(kVorField, VorSectionOf({Cat({StationRecord(s), Bytes{0}})}), 0, 0).source;
  const size_t at = src.find(kBand);
  if (at == std::string::npos) return src;
  const size_t from = at + kBand.size();
  return src.substr(from, src.find('\n', from) - from);
}

TEST(NavRadioVor, EveryRecordKindInOneBand) {
  Station vor{.id = 4, .byte1 = 7, .angle = 0x071C, .flags = 0xAB, .lat = kN18, .lon = kE45, .alt = 250,
              .heading = 0x4000, .ident = "ABC", .name = "ABC (X)"};
  Station ils{.id = 5, .byte1 = 0, .angle = 0x8000, .flags = 0x0F, .lat = -kN18, .lon = kW90, .alt = -12,
              .heading = 0xC000, .ident = "IZRH", .name = "ZURICH 14  ", .slopeLat = kN18, .slopeLon = kE45,
              .slopeAlt = 1300, .slopeAngle = 6880};
  Station ils2{.id = 6, .byte1 = 255, .angle = 63716, .flags = 0, .heading = 0x4000, .ident = "12345",
               .name = "ABCDEFGHIJKLMNOPQRSTUVWX", .slopeAlt = 5, .slopeAngle = -32768, .extra = -7};
  const Bytes list = Cat({StationRecord(vor), StationRecord(ils), StationRecord(ils2),
                          DmePos(65535, kN18, kE45, -3), Bytes{0}});
  const SectionRun run = RunSection(kVorField, VorSectionOf({Bytes(), list, Bytes()}), 10, 12);
  EXPECT_EQ(run.summary, (std::vector<std::string>{
                             "VOR/ILS Section:", "   frequency 108.55",
                             "      Latitude Band  S00:00:00.00 to  N00:05:31.72: 3 VOR/ILS entries"}));
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(run.source, kVorHead + "\n; frequency 108.55\n\n" + kBand +
                            "VOR( 108.55 7 AB 10.00 ABC ABC_{X}\n"
                            "\t N18:00:00.00  E045:00:00.00 250 0 )\n"
                            "ILS( 108.55 0 F 180.00 IZRH ZURICH_14\n"
                            "\t S18:00:00.00  W090:00:00.00 -12  270.00\n"
                            "\t N18:00:00.00  E045:00:00.00 1300  3.01 )\n"
                            "ILS2( 108.55 255 0 10.00 12345 ABCDEFGHIJKLMNOPQRSTUVWX\n"
                            "\t S00:00:00.00  W000:00:00.00 0   90.00\n"
                            "\t S00:00:00.00  W000:00:00.00 5 -14.48 -7)\n"
                            "DMEPos( 108.55 65535  N18:00:00.00  E045:00:00.00 -3 )\n");
}

TEST(NavRadioVor, StationAngleFoldsAbove180AndHeadingDoesNot) {
  const struct {
    uint16_t angle;
    const char* text;
  } folded[] = {{0, " 0.00"},      {0x071C, "10.00"}, {63716, "10.00"}, {0x4000, "90.00"},
                {0x8000, "180.00"}, {0x8001, "179.99"}, {0xFFFF, " 0.01"}};
  for (const auto& c : folded) {
    EXPECT_EQ(FirstLine(Station{.angle = c.angle, .ident = "V"}), std::string("VOR( 108.00 0 0 ") + c.text + " V ")
        << c.angle;
  }
  Station ils{.id = 5, .heading = 0xFFFF};
  const std::string src = RunSection(kVorField, VorSectionOf({Cat({StationRecord(ils), Bytes{0}})}), 0, 0).source;
  EXPECT_NE(src.find("\t S00:00:00.00  W000:00:00.00 0  359.99\n"), std::string::npos) << src;
}

TEST(NavRadioVor, GlideSlopeAngleIsTheArcsineOfTheStoredSine) {
  const struct {
    int16_t value;
    const char* text;
  } cases[] = {{6880, " 3.01"}, {-6880, "-3.01"}, {0, " 0.00"}, {32767, "14.48"}, {-32768, "-14.48"}};
  for (const auto& c : cases) {
    const Station ils{.id = 5, .slopeAlt = 9, .slopeAngle = c.value};
    const std::string src = RunSection(kVorField, VorSectionOf({Cat({StationRecord(ils), Bytes{0}})}), 0, 0).source;
    EXPECT_NE(src.find(std::string("\t S00:00:00.00  W000:00:00.00 9 ") + c.text + " )\n"), std::string::npos)
        << c.value << "\n" << src;
  }
}

TEST(NavRadioVor, ChannelNumbersGiveTheFrequency) {
  // Channel 199: the summary and every statement of its bands say 117.95.
  std::vector<Bytes> lists(200);
  lists[0] = Cat({StationRecord(Station{.ident = "LOW"}), Bytes{0}});
  lists[199] = Cat({StationRecord(Station{.ident = "A"}), StationRecord(Station{.ident = "B"}), Bytes{0}});
  const SectionRun run = RunSection(kVorField, VorSectionOf(lists), 0, 199);
  ASSERT_EQ(run.summary.size(), 5u);
  EXPECT_EQ(run.summary[1], "   frequency 108.00");
  EXPECT_EQ(run.summary[3], "   frequency 117.95");
  EXPECT_NE(run.source.find("\n; frequency 108.00\n"), std::string::npos);
  EXPECT_NE(run.source.find("\n; frequency 117.95\n\n" + kBand + "VOR( 117.95 0 0  0.00 A \n"), std::string::npos);
  EXPECT_NE(run.source.find("VOR( 117.95 0 0  0.00 B \n"), std::string::npos);
  EXPECT_NE(run.source.find("VOR( 108.00 0 0  0.00 LOW \n"), std::string::npos);

  // Channels below 0 lie below 108 MHz.
  EXPECT_EQ(RunSection(kVorField, VorSectionOf({Cat({StationRecord(Station{}), Bytes{0}})}), -40, -40).summary[1],
            "   frequency 106.00");

  // An empty channel range, and channels without stations, write nothing.
  const SectionRun none = RunSection(kVorField, VorSectionOf({Bytes()}), 5, 4);
  EXPECT_EQ(none.summary, std::vector<std::string>{"VOR/ILS Section:"});
  EXPECT_EQ(none.source, kVorHead);
  const SectionRun empty = RunSection(kVorField, VorSectionOf({Bytes(), Bytes()}), 5, 6);
  EXPECT_EQ(empty.summary, std::vector<std::string>{"VOR/ILS Section:"});
  EXPECT_EQ(empty.source, kVorHead);
}

TEST(NavRadioVor, DmePositionsAreWrittenButNotCounted) {
  const SectionRun run = RunSection(kVorField, VorSectionOf({Cat({DmePos(7, 0, 0, 0), Bytes{0}})}), 0, 0);
  EXPECT_EQ(run.summary.back(), "      Latitude Band  S00:00:00.00 to  N00:05:31.72: 0 VOR/ILS entries");
  EXPECT_EQ(run.source, kVorHead + "\n; frequency 108.00\n\n" + kBand +
                            "DMEPos( 108.00 7  S00:00:00.00  W000:00:00.00 0 )\n");
}

TEST(NavRadioVor, NameFieldsEndAtTheirZeroByte) {
  Bytes rec = StationRecord(Station{.ident = "AB", .name = "FIRST"});
  rec.patch(20 + 8, 'Z', 1);  // after the 0 that ends FIRST
  EXPECT_EQ(FirstLine(Station{.ident = "AB\tC", .name = "NAME\t \t"}), "VOR( 108.00 0 0  0.00 AB\tC NAME");
  const std::string src = RunSection(kVorField, VorSectionOf({Cat({rec, Bytes{0}})}), 0, 0).source;
  EXPECT_NE(src.find("VOR( 108.00 0 0  0.00 AB FIRST\n"), std::string::npos) << src;
}

TEST(NavRadioVor, UnknownIdsEndTheirListOrTable) {
  // Two VORs, then an unknown record: the band counts 2; the comment has no
  // line end of its own.
  const Bytes list = Cat({StationRecord(Station{}), StationRecord(Station{}), Bytes{7}});
  SectionRun run = RunSection(kVorField, VorSectionOf({list, list}), 0, 1);
  EXPECT_EQ(run.summary[2], "      Latitude Band  S00:00:00.00 to  N00:05:31.72: 2 VOR/ILS entries");
  EXPECT_EQ(run.messages, (std::vector<std::string>{"Error: unknown ID in VOR Section at 6C",
                                                    "Error: unknown ID in VOR Section at CF"}));
  const std::string vor = "VOR( 108.00 0 0  0.00  \n\t S00:00:00.00  W000:00:00.00 0 0 )\n";
  EXPECT_NE(run.source.find(kBand + vor + vor + "; Error: unknown ID in VOR Section at 6C\n; frequency 108.05\n"),
            std::string::npos)
      << run.source;

  // A frequency table entry with id 2 ends the section.
  Bytes s = VorSectionOf({Cat({StationRecord(Station{}), Bytes{0}}), Bytes(), Bytes()});
  s.patch(5, 2, 1);
  run = RunSection(kVorField, s, 0, 2);
  EXPECT_EQ(run.summary.size(), 3u);
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: unknown ID in VOR section, frequency table, channel 1"});
  EXPECT_TRUE(EndsWith(run.source, vor + "; Error: unknown ID in VOR section, frequency table, channel 1\n"));

  // A bad band entry ends that channel's bands; the next channel follows.
  s = VorSectionOf({list, list});
  s.patch(10, 0x16, 1);
  run = RunSection(kVorField, s, 0, 1);
  EXPECT_EQ(run.summary.size(), 4u);
  EXPECT_EQ(run.messages.front(), "Error: unknown ID in VOR Section, LatBand table at Offset A");
  EXPECT_NE(run.source.find("\n; frequency 108.00\n\n; Error: unknown ID in LatBand table at 0\n; frequency 108.05\n"),
            std::string::npos);
}

// ---- NDB ----

Bytes Beacon(std::initializer_list<uint8_t> freq, int32_t lat, int32_t lon, int16_t alt, uint8_t byte12,
             const std::string& ident, const std::string& name) {
  Bytes b;
  b.u8(4).raw(freq);
  b.i24(lat);
  b.i24(lon);
  return b.i16(alt).u8(byte12).text(ident, 5).text(name, 24);
}

TEST(NavRadioNdb, BandsAndBeacons) {
  Bytes s = BandTable({{0, 20, 19}, {20, 0, 104}});
  s.append(Beacon({0x45, 0x03, 0x50}, kN18, kE45, 400, 50, "AB", "SOME (BEACON)  "));
  s.append(Beacon({0x23, 0x01, 0x05}, -kN18, kW90, -5, 0, "X", "NAME WITH BLANKS XXXXXXX"));
  s.u8(0).u8(0);
  const SectionRun run = RunSection(kNdbField, s);
  EXPECT_EQ(run.summary, (std::vector<std::string>{
                             "ADF Section:", "   Latitude Band  S00:00:00.00 to  N00:05:31.72: 2 NDB entries",
                             "   Latitude Band  N00:05:31.72 to  S00:00:00.00: 0 NDB entries"}));
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(run.source, kNdbHead + "\n" + kBand +
                            "NDB( 345.05  50 AB SOME_{BEACON}  N18:00:00.00  E045:00:00.00 400 )\n"
                            "NDB( 123.50  0 X NAME_WITH_BLANKS_XXXXXXX  S18:00:00.00  W090:00:00.00 -5 )\n"
                            "\n; LatRange(  N00:05:31.72  S00:00:00.00 )\n" + kSep);

  const SectionRun empty = RunSection(kNdbField, Bytes{0});
  EXPECT_EQ(empty.summary, std::vector<std::string>{"ADF Section:"});
  EXPECT_EQ(empty.source, kNdbHead + "\n");
}

TEST(NavRadioNdb, UnknownRecordCountsTheBandAsEmpty) {
  Bytes s = BandTable({{0, 20, 10}});
  for (int i = 0; i < 3; ++i) s.append(Beacon({0x45, 0x03, 0x50}, 0, 0, 0, 1, "I", "N"));
  s.u8(5);
  const SectionRun run = RunSection(kNdbField, s);
  EXPECT_EQ(run.summary.back(), "   Latitude Band  S00:00:00.00 to  N00:05:31.72: 0 NDB entries");
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: unknown ID in ADF Section at Offset 88"});
  const std::string ndb = "NDB( 345.05  1 I N  S00:00:00.00  W000:00:00.00 0 )\n";
  EXPECT_EQ(run.source,
            kNdbHead + "\n" + kBand + ndb + ndb + ndb + "; Error: unknown ID in ADF Section at Offset 88\n");

  // A bad band entry ends the summary.
  Bytes t = BandTable({{0, 20, 28}, {0, 20, 28}, {0, 20, 28}});
  t.patch(9, 0x14, 1).u8(0);
  const SectionRun bad = RunSection(kNdbField, t);
  EXPECT_EQ(bad.summary.size(), 2u);
  EXPECT_EQ(bad.messages, std::vector<std::string>{"Error: unknown ID in ADF Section at Offset 9"});
}

// ---- COM ----

Bytes Atis(uint16_t freq, int32_t lat, int32_t lon, uint8_t byte9, std::initializer_list<uint8_t> runways,
           const Bytes& text, size_t padding = 0) {
  Bytes b;
  b.u8(4).u16(freq);
  b.i24(lat);
  b.i24(lon);
  b.u8(byte9).i16(static_cast<int32_t>(16 + text.size() + 1 + padding)).raw(runways).append(text).u8(0);
  return b.zeros(padding);
}

Bytes Chars(const std::string& s) { return Bytes().chars(s); }

TEST(NavRadioCom, RecordsRunwaysAndTextEscapes) {
  Bytes s = BandTable({{0, 20, 10}});
  s.append(Atis(0x1825, kN18, kE45, 11, {0x5B, 0x09, 0xC0, 0x8C}, Chars("WIND (CALM)")));
  s.append(Atis(0x0000, 0, 0, 0, {0, 0, 0, 0}, Chars("A").raw({0x80, 0x85, 0x93, 0x94, 0xFF, ' ', '%'}), 3));
  s.append(Atis(0x9999, 0, 0, 127, {0x3F, 0x7F, 0xBF, 0xFF}, Bytes())).u8(0);
  const SectionRun run = RunSection(kComField, s);
  EXPECT_EQ(run.summary, (std::vector<std::string>{
                             "COM Section:", "   Latitude Band  S00:00:00.00 to  N00:05:31.72: 3 COM entries"}));
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(run.source, kComHead + "\n" + kBand +
                            "ATIS( 22 N18:00:00.00 E045:00:00.00 118.25 27L 9  0C 12R\n"
                            "WIND_{CALM} )\n"
                            "ATIS( 0 S00:00:00.00 W000:00:00.00 100.00 0  0  0  0 \n"
                            "A%A%F%T\x94\xFF_% )\n"
                            "ATIS( 254 S00:00:00.00 W000:00:00.00 199.99 63  63L 63R 63C\n"
                            " )\n");
}

TEST(NavRadioCom, UnknownRecordKeepsTheCountSoFar) {
  Bytes s = BandTable({{0, 20, 10}});
  s.append(Atis(0x2000, 0, 0, 1, {1, 2, 3, 4}, Chars("X")));
  s.append(Atis(0x2000, 0, 0, 1, {1, 2, 3, 4}, Chars("Y")));
  s.u8(3);
  const SectionRun run = RunSection(kComField, s);
  EXPECT_EQ(run.summary.back(), "   Latitude Band  S00:00:00.00 to  N00:05:31.72: 2 COM entries");
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: unknown ID in COM Section at Offset 2E"});
  EXPECT_EQ(run.source, kComHead + "\n" + kBand + "ATIS( 2 S00:00:00.00 W000:00:00.00 120.00 1  2  3  4 \nX )\n" +
                            "ATIS( 2 S00:00:00.00 W000:00:00.00 120.00 1  2  3  4 \nY )\n" +
                            "; Error: unknown ID in COM Section at Offset 2E\n");
}

// ---- hostile sections: every walk ends, with a message or a comment ----

TEST(NavRadioHostile, ComRecordLengthOfZeroOrLessEndsTheList) {
  for (int16_t length : {int16_t{0}, int16_t{-28}}) {
    Bytes s = BandTable({{0, 20, 10}});
    s.append(Atis(0x2000, 0, 0, 1, {1, 2, 3, 4}, Chars("X")));
    s.patch(10 + 10, static_cast<uint16_t>(length), 2).u8(0);
    const SectionRun run = RunSection(kComField, s);
    const std::string error =
        "Error: COM Section record at Offset A has length " + std::to_string(length) + ", list ended";
    EXPECT_EQ(run.summary.back(), "   Latitude Band  S00:00:00.00 to  N00:05:31.72: 1 COM entries");
    EXPECT_EQ(run.messages, std::vector<std::string>{error});
    EXPECT_EQ(run.source, kComHead + "\n" + kBand + "ATIS( 2 S00:00:00.00 W000:00:00.00 120.00 1  2  3  4 \nX )\n; " +
                              error + "\n");
  }
}

TEST(NavRadioHostile, ListsAndTablesThatLeaveTheFile) {
  // COM: a text without its terminator; a record cut short; a band table cut short.
  Bytes text = BandTable({{0, 20, 10}});
  text.append(Atis(0x2000, 0, 0, 1, {1, 2, 3, 4}, Chars("ENDLESS")));
  text.vec().pop_back();
  SectionRun run = RunSection(kComField, text);
  const std::string comPast = "Error: COM Section record at Offset A runs past the end of the file";
  EXPECT_EQ(run.messages, std::vector<std::string>{comPast});
  EXPECT_EQ(run.source, kComHead + "\n" + kBand + "; " + comPast + "\n");
  run = RunSection(kComField, Cat({BandTable({{0, 20, 10}}), Bytes{4, 0, 0, 0}}));
  EXPECT_EQ(run.messages, std::vector<std::string>{comPast});
  run = RunSection(kComField, Bytes{0x15, 0, 0, 0, 0});
  EXPECT_EQ(run.messages,
            std::vector<std::string>{"Error: COM Section LatBand table at Offset 0 runs past the end of the file"});
  EXPECT_EQ(run.source, kComHead + "\n; Error: LatBand table at 0 runs past the end of the file\n");

  // NDB: a list without its 0 after one beacon; a band offset past the file.
  Bytes ndb = BandTable({{0, 20, 10}});
  ndb.append(Beacon({0x45, 0x03, 0x50}, 0, 0, 0, 1, "I", "N"));
  run = RunSection(kNdbField, ndb);
  EXPECT_EQ(run.summary.back(), "   Latitude Band  S00:00:00.00 to  N00:05:31.72: 1 NDB entries");
  EXPECT_EQ(run.messages,
            std::vector<std::string>{"Error: ADF Section record at Offset 34 runs past the end of the file"});
  EXPECT_TRUE(EndsWith(run.source, " 0 )\n; Error: ADF Section record at Offset 34 runs past the end of the file\n"));
  run = RunSection(kNdbField, BandTable({{0, 20, 0x7FFFFFF0}}));
  EXPECT_EQ(run.messages,
            std::vector<std::string>{"Error: ADF Section record at Offset 7FFFFFF0 runs past the end of the file"});

  // VOR: a channel range longer than the file, a band table before the
  // file's start, a station cut short.
  run = RunSection(kVorField, VorSectionOf({Bytes(), Bytes()}), 0, 30000);
  EXPECT_EQ(run.messages,
            std::vector<std::string>{"Error: VOR section, frequency table, channel 2 runs past the end of the file"});
  EXPECT_EQ(run.source, kVorHead + "; Error: VOR section, frequency table, channel 2 runs past the end of the file\n");
  run = RunSection(kVorField, Bytes{1, 0x00, 0xF0, 0xFF, 0xFF}, 0, 0);
  EXPECT_EQ(run.messages,
            std::vector<std::string>{
                "Error: VOR Section, LatBand table at Offset FFFFF000 runs past the end of the file"});
  EXPECT_EQ(run.source,
            kVorHead + "\n; frequency 108.00\n\n; Error: LatBand table at 0 runs past the end of the file\n");
  Bytes cut = VorSectionOf({Cat({StationRecord(Station{}), StationRecord(Station{.id = 5})})});
  cut.vec().resize(cut.size() - 20);
  run = RunSection(kVorField, cut, 0, 0);
  EXPECT_EQ(run.summary.back(), "      Latitude Band  S00:00:00.00 to  N00:05:31.72: 1 VOR/ILS entries");
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: VOR Section record at 3B runs past the end of the file"});
  EXPECT_TRUE(EndsWith(run.source, " 0 )\n; Error: VOR Section record at 3B runs past the end of the file\n"));
}

// Bands (and channels) that all point at one list: each list is written as
// often as it is referred to, until the section has read as many records as
// the file has bytes; then one error and nothing more.
TEST(NavRadioHostile, SharedListsAreReadBoundedTimes) {
  // Two bands sharing one list is nothing unusual: both are written.
  const Bytes beacon = Beacon({0x45, 0x03, 0x50}, 0, 0, 0, 1, "I", "N");
  SectionRun run = RunSection(kNdbField, Cat({BandTable({{0, 20, 19}, {0, 20, 19}}), beacon, Bytes{0}}));
  EXPECT_TRUE(run.messages.empty());
  EXPECT_EQ(Count(run.source, "NDB( "), 2);

  // NDB: 100 bands on one list of 20 beacons; the file has 128 + 1742 =
  // 1870 bytes, each band reads 21 records (the final 0 too): 89 bands in
  // full, the 90th reads one beacon, the rest nothing.
  Bytes ndb;
  for (int i = 0; i < 100; ++i) ndb.u8(0x15).i16(0).i16(20).u32(901);
  ndb.u8(0);
  for (int i = 0; i < 20; ++i) ndb.append(beacon);
  ndb.u8(0);
  run = RunSection(kNdbField, ndb);
  const std::string ndbError =
      "Error: ADF Section lists are shared too often (more than 1870 records read); no more records are read";
  EXPECT_EQ(run.messages, std::vector<std::string>{ndbError});
  ASSERT_EQ(run.summary.size(), 101u);
  const std::string band = "   Latitude Band  S00:00:00.00 to  N00:05:31.72: ";
  EXPECT_EQ(run.summary[89], band + "20 NDB entries");
  EXPECT_EQ(run.summary[90], band + "1 NDB entries");
  EXPECT_EQ(run.summary[91], band + "0 NDB entries");
  EXPECT_EQ(Count(run.source, "NDB( "), 89 * 20 + 1);
  EXPECT_EQ(Count(run.source, "; LatRange("), 100);
  EXPECT_NE(run.source.find("0 )\n; " + ndbError + "\n\n; LatRange("), std::string::npos);

  // VOR: 100 channels on one table of 20 bands on one list of 5 stations
  // (1030 bytes; 120 reads a channel): channel 8 ends in its 12th band.
  Bytes vor;
  for (int i = 0; i < 100; ++i) vor.u8(1).u32(500);
  for (int i = 0; i < 20; ++i) vor.u8(0x15).i16(0).i16(20).u32(681);
  vor.u8(0);
  for (int i = 0; i < 5; ++i) vor.append(StationRecord(Station{}));
  vor.u8(0);
  run = RunSection(kVorField, vor, 0, 99);
  const std::string vorError =
      "Error: VOR Section lists are shared too often (more than 1030 records read); no more records are read";
  EXPECT_EQ(run.messages, std::vector<std::string>{vorError});
  ASSERT_EQ(run.summary.size(), 1u + 9 * 21);
  EXPECT_EQ(run.summary[169], "   frequency 108.40");
  EXPECT_EQ(run.summary[180], "      Latitude Band  S00:00:00.00 to  N00:05:31.72: 5 VOR/ILS entries");
  EXPECT_EQ(run.summary[181], "      Latitude Band  S00:00:00.00 to  N00:05:31.72: 4 VOR/ILS entries");
  EXPECT_EQ(run.summary[182], "      Latitude Band  S00:00:00.00 to  N00:05:31.72: 0 VOR/ILS entries");
  EXPECT_EQ(Count(run.source, "VOR( "), 8 * 100 + 11 * 5 + 4);
  EXPECT_EQ(Count(run.source, "; " + vorError + "\n"), 1);
  EXPECT_EQ(run.source.find("; frequency 108.45"), std::string::npos);

  // COM: texts that run on through the records after their own (length
  // 276, no 0 before the list's end) count by the byte: the first record
  // reads 3298 of the 3451, the second runs out searching for its end.
  Bytes com = BandTable({{0, 20, 10}});
  for (int i = 0; i < 12; ++i) {
    com.u8(4).raw({0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x01}).u16(276).raw({1, 1, 1, 1});
    com.chars(std::string(260, 'A'));
  }
  com.u8(0);
  run = RunSection(kComField, com);
  const std::string comError =
      "Error: COM Section lists are shared too often (more than 3451 bytes read); no more records are read";
  EXPECT_EQ(run.messages, std::vector<std::string>{comError});
  EXPECT_EQ(run.summary.back(), "   Latitude Band  S00:00:00.00 to  N00:05:31.72: 1 COM entries");
  EXPECT_EQ(Count(run.source, "ATIS( "), 1);
  EXPECT_TRUE(EndsWith(run.source, std::string(260, 'A') + " )\n; " + comError + "\n"));
}

TEST(NavRadioHostile, FrequencyTableIdComesBeforeItsLength) {
  // The file ends inside the second entry, whose id is already wrong.
  const SectionRun run = RunSection(kVorField, Bytes{1, 0, 0, 0, 0, 2, 0}, 0, 1);
  EXPECT_EQ(run.messages, std::vector<std::string>{"Error: unknown ID in VOR section, frequency table, channel 1"});
  EXPECT_EQ(run.source, kVorHead + "; Error: unknown ID in VOR section, frequency table, channel 1\n");
}

TEST(NavRadioHostile, RandomSectionsAlwaysEnd) {
  // Bytes drawn mostly from the ids and small offsets these sections use, so
  // that the walks get deep before they go wrong.
  std::mt19937 rng(20240611);
  const uint8_t common[] = {0, 1, 4, 5, 6, 0x14, 0x15, 10, 20, 0xFF};
  for (int round = 0; round < 600; ++round) {
    Bytes body;
    const size_t n = 1 + rng() % 160;
    for (size_t i = 0; i < n; ++i) {
      body.u8(rng() % 3 != 0 ? common[rng() % sizeof common] : static_cast<uint8_t>(rng()));
    }
    const size_t field = round % 3 == 0 ? kVorField : round % 3 == 1 ? kNdbField : kComField;
    const auto first = static_cast<int16_t>(static_cast<int>(rng() % 20) - 5);
    const SectionRun run = RunSection(field, body, first, static_cast<int16_t>(first + static_cast<int>(rng() % 40)));
    EXPECT_FALSE(run.summary.empty());
  }
}

TEST(NavRadioDocument, SectionsInTheirSlotOrder) {
  FakeHost host;
  CSkarnDoc doc(host);
  BglBuilder b;
  b.Set(hdr::kFirstVorChannel, 3, 2).Set(hdr::kLastVorChannel, 3, 2);
  b.Section(kNdbField, Bytes{0});
  b.Section(kComField, Bytes{0});
  b.Section(kVorField, VorSectionOf({Cat({StationRecord(Station{}), Bytes{0}})}));
  ASSERT_TRUE(doc.OpenImage(b.Build(), "radio.bgl"));
  EXPECT_EQ(std::vector<std::string>(doc.summary().begin() + 2, doc.summary().end()),
            (std::vector<std::string>{"VOR/ILS Section:", "   frequency 108.15",
                                      "      Latitude Band  S00:00:00.00 to  N00:05:31.72: 1 VOR/ILS entries",
                                      "COM Section:", "ADF Section:"}));
  ASSERT_EQ(Disassemble(doc), CommandResult::kWritten);
  const std::string src = UnixText(host.output);
  const size_t vor = src.find(kVorHead);
  const size_t com = src.find(kComHead);
  const size_t ndb = src.find(kNdbHead);
  ASSERT_NE(vor, std::string::npos);
  EXPECT_LT(vor, com);
  EXPECT_LT(com, ndb);
  EXPECT_NE(src.find("VOR( 108.15 0 0  0.00  \n"), std::string::npos);
}

}  // namespace
}  // namespace skarn::test
