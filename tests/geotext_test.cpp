// GeoText: the stored encodings of positions, angles and names, and their texts.
#include "core/GeoText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

namespace {

using skarn::GeoText;

constexpr double kMetre = 8.998425275576774e-06;  // 90 / 10001750, printed to 16 digits
constexpr double kFine = 1.3730507317469443e-10;

TEST(GeoTextConstants, MatchTheirPrintedValues) {
  EXPECT_EQ(GeoText::kQuarterMeridian, 10001750.0);
  EXPECT_EQ(GeoText::kMetreLatitude, kMetre);
  EXPECT_EQ(GeoText::kFineMetreLatitude, kFine);
  EXPECT_EQ(GeoText::kCircle32, 8.381903171539307e-08);
  EXPECT_EQ(GeoText::kCircle48, 1.2789769243681803e-12);
  EXPECT_EQ(GeoText::kCircle24, 2.1457672119140625e-05);
  EXPECT_EQ(GeoText::kCircle16, 0.0054931640625);
  EXPECT_EQ(GeoText::kCircle8, 1.40625);
}

// ---------------------------------------------------------------------------
// Latitudes and longitudes as numbers

TEST(GeoTextLatitude, ZeroQuarterMeridianAndFold) {
  EXPECT_EQ(GeoText::Lat32(0), 0.0);
  EXPECT_EQ(GeoText::Lat32(10001750), 90.0);  // exactly 90: not folded
  const double above = GeoText::Lat32(10001751);
  EXPECT_EQ(above, 10001751 * kMetre - 180.0);  // just above 90, folded
  EXPECT_LT(above, -89.99999);
  EXPECT_GT(above, -90.0);
  EXPECT_EQ(GeoText::Lat32(-10001751), -10001751 * kMetre);  // negative: never folded
  EXPECT_EQ(GeoText::Lat32(11112500), 11112500 * kMetre - 180.0);
  EXPECT_EQ(GeoText::Lat32(INT32_MAX), INT32_MAX * kMetre - 180.0);  // folded once only
  EXPECT_EQ(GeoText::Lat32(INT32_MIN), INT32_MIN * kMetre);
}

TEST(GeoTextLatitude, FineUnits) {
  EXPECT_EQ(GeoText::Lat32Fine(0), 0.0);
  EXPECT_EQ(GeoText::Lat32Fine(10001750 * 128), 90.0);
  EXPECT_EQ(GeoText::Lat32Fine(128), kMetre);
  EXPECT_EQ(GeoText::Lat32Fine(10001750 * 128 + 1), (10001750 * 128 + 1) * (kMetre / 128) - 180.0);
  EXPECT_EQ(GeoText::Lat32Fine(-64), -kMetre / 2);
}

TEST(GeoTextLatitude, BandUnitsOf512Metres) {
  EXPECT_EQ(GeoText::Lat16(20), 20 * 512 * 8.998425275576774e-06);
  EXPECT_NEAR(GeoText::Lat16(20), 0.0921, 0.0001);
  EXPECT_EQ(GeoText::Lat16(-20), -20 * 512 * kMetre);
  EXPECT_EQ(GeoText::Lat16(INT16_MIN), INT16_MIN * 512 * kMetre);  // about -151, no fold
  EXPECT_EQ(GeoText::Lat16(INT16_MAX), INT16_MAX * 512 * kMetre - 180.0);  // about 151, folded
}

TEST(GeoTextLatitude, SignExtensionOf24Bits) {
  EXPECT_EQ(GeoText::Lat24(0), 0.0);
  EXPECT_EQ(GeoText::Lat24(1000), 1000 * 2 * kMetre);
  EXPECT_EQ(GeoText::Lat24(0x00FFFFFF), -2 * kMetre);
  EXPECT_EQ(GeoText::Lat24(0xFFFFFFFF), -2 * kMetre);  // the high byte is ignored
  EXPECT_EQ(GeoText::Lat24(0xAB0003E8), 1000 * 2 * kMetre);
  EXPECT_EQ(GeoText::Lat24(0x00800000), -8388608 * 2 * kMetre);
  EXPECT_EQ(GeoText::Lat24(0x007FFFFF), 8388607 * 2 * kMetre - 180.0);  // folded
  EXPECT_EQ(GeoText::Lat24(5000875), 90.0);                              // 10001750 m
}

TEST(GeoTextLatitude, SignExtensionOf48Bits) {
  EXPECT_EQ(GeoText::Lat48(0), 0.0);
  EXPECT_EQ(GeoText::Lat48(65536), kFine * 65536);
  EXPECT_EQ(GeoText::Lat48(0x0000FFFFFFFFFFFFull), -kFine);
  EXPECT_EQ(GeoText::Lat48(0xFFFFFFFFFFFFFFFFull), -kFine);  // the high 16 bits are ignored
  EXPECT_EQ(GeoText::Lat48(0x1234000000010000ull), kFine * 65536);
  EXPECT_EQ(GeoText::Lat48(0x0000800000000000ull), -140737488355328.0 * kFine);
  // 100 degrees: folded to about -80.
  const auto units = static_cast<int64_t>(100.0 / kFine);
  EXPECT_EQ(GeoText::Lat48(static_cast<uint64_t>(units)), static_cast<double>(units) * kFine - 180.0);
}

// Splits (units << 16) into the two halves Lat64/Lon64/Fixed64 take.
void Split64(int64_t units, uint32_t& low, uint32_t& high) {
  const auto raw = static_cast<uint64_t>(units) << 16;
  low = static_cast<uint32_t>(raw);
  high = static_cast<uint32_t>(raw >> 32);
}

TEST(GeoTextLatitude, SixtyFourBitsShiftedAndNotFolded) {
  uint32_t low = 0;
  uint32_t high = 0;
  const auto units = static_cast<int64_t>(100.0 / kFine);
  Split64(units, low, high);
  EXPECT_EQ(GeoText::Lat64(low, high), static_cast<double>(units) * kFine);  // about 100
  EXPECT_GT(GeoText::Lat64(low, high), 90.0);
  Split64(-units, low, high);
  EXPECT_EQ(GeoText::Lat64(low, high), -static_cast<double>(units) * kFine);
  // The low 16 bits are shifted out; the shift keeps the sign.
  EXPECT_EQ(GeoText::Lat64(0x0000FFFF, 0), 0.0);
  EXPECT_EQ(GeoText::Lat64(0xFFFFFFFF, 0xFFFFFFFF), -kFine);
  EXPECT_EQ(GeoText::Lat64(0x00010000, 0), kFine);
  EXPECT_EQ(GeoText::Lat64(0, 0x80000000), -140737488355328.0 * kFine);
}

TEST(GeoTextLongitude, Encodings) {
  EXPECT_EQ(GeoText::Lon32(0), 0.0);
  EXPECT_EQ(GeoText::Lon32(0x40000000), 90.0);
  EXPECT_EQ(GeoText::Lon32(INT32_MIN), -180.0);
  EXPECT_EQ(GeoText::Lon32(INT32_MAX), INT32_MAX * GeoText::kCircle32);  // just below 180
  EXPECT_EQ(GeoText::Lon32(-1), -GeoText::kCircle32);
  EXPECT_EQ(GeoText::Lon16(16384), 90.0);
  EXPECT_EQ(GeoText::Lon16(INT16_MIN), -180.0);
  EXPECT_EQ(GeoText::Lon16(-1), -360.0 / 65536);
  EXPECT_EQ(GeoText::Lon24(0x00400000), 90.0);
  EXPECT_EQ(GeoText::Lon24(0x00800000), -180.0);
  EXPECT_EQ(GeoText::Lon24(0xFF00FFFF), 65535 * GeoText::kCircle24);  // high byte ignored
  EXPECT_EQ(GeoText::Lon24(0x00FFFFFF), -GeoText::kCircle24);
  EXPECT_EQ(GeoText::Lon48(0x0000400000000000ull), 90.0);
  EXPECT_EQ(GeoText::Lon48(0xFFFF800000000000ull), -180.0);
  EXPECT_EQ(GeoText::Lon48(0x0000FFFFFFFFFFFFull), -GeoText::kCircle48);
}

TEST(GeoTextLongitude, SixtyFourBitsShifted) {
  // The shifted value has 48 significant bits, so it stays within -180..180
  // like the 48-bit form and agrees with it.
  const int64_t units = INT64_C(150) * (INT64_C(1) << 48) / 360;
  uint32_t low = 0;
  uint32_t high = 0;
  Split64(units, low, high);
  EXPECT_EQ(GeoText::Lon64(low, high), static_cast<double>(units) * GeoText::kCircle48);
  EXPECT_EQ(GeoText::Lon64(low, high), GeoText::Lon48(static_cast<uint64_t>(units)));
  EXPECT_NEAR(GeoText::Lon64(low, high), 150.0, 1e-9);
  Split64(-units, low, high);
  EXPECT_EQ(GeoText::Lon64(low, high), -static_cast<double>(units) * GeoText::kCircle48);
  EXPECT_EQ(GeoText::Lon64(0xFFFF0000, 0xFFFFFFFF), -GeoText::kCircle48);
  EXPECT_EQ(GeoText::Lon64(0xFFFFFFFF, 0xFFFFFFFF), -GeoText::kCircle48);
  EXPECT_EQ(GeoText::Lon64(0x0000FFFF, 0), 0.0);
  EXPECT_EQ(GeoText::Lon64(0, 0x80000000), -180.0);
  EXPECT_EQ(GeoText::Lon64(0, 0x40000000), 90.0);
}

TEST(GeoTextAngles, AnglesAndFixedPoint) {
  EXPECT_EQ(GeoText::Angle8(255), 358.59375);
  EXPECT_EQ(GeoText::Angle16(65535), 359.9945068359375);
  EXPECT_EQ(GeoText::SignedAngle16(-32768), -180.0);
  EXPECT_EQ(GeoText::Angle32(0x80000000u), 180.0);
  EXPECT_EQ(GeoText::SignedAngle32(INT32_MIN), -180.0);

  EXPECT_EQ(GeoText::Fixed24(0x00000100), 1.0);
  EXPECT_EQ(GeoText::Fixed24(0xAB000180), 1.5);  // high byte ignored
  EXPECT_EQ(GeoText::Fixed24(0x00FFFFFF), -1.0 / 256);
  EXPECT_EQ(GeoText::Fixed24(0x00800000), -32768.0);
  EXPECT_EQ(GeoText::Fixed24(0x007FFFFF), 8388607.0 / 256);

  EXPECT_EQ(GeoText::Fixed48(0x0000000000018000ull), 1.5);
  EXPECT_EQ(GeoText::Fixed48(0xFFFF000000010000ull), 1.0);  // high 16 bits ignored
  EXPECT_EQ(GeoText::Fixed48(0x0000FFFFFFFFFFFFull), -1.0 / 65536);
  EXPECT_EQ(GeoText::Fixed48(0x0000800000000000ull), -2147483648.0);
  EXPECT_EQ(GeoText::Fixed48(0x00007FFFFFFFFFFFull), 140737488355327.0 / 65536);

  EXPECT_EQ(GeoText::Fixed64(0, 0x00010000), 65536.0);
  EXPECT_EQ(GeoText::Fixed64(0x80000000, 0x00000001), 1.5);  // (0x180000000 >> 16) / 65536
  EXPECT_EQ(GeoText::Fixed64(0x0000FFFF, 0), 0.0);            // low 16 bits shifted out
  EXPECT_EQ(GeoText::Fixed64(0xFFFF0000, 0xFFFFFFFF), -1.0 / 65536);
  EXPECT_EQ(GeoText::Fixed64(0xFFFFFFFF, 0xFFFFFFFF), -1.0 / 65536);  // sign kept by the shift
  EXPECT_EQ(GeoText::Fixed64(0, 0x80000000), -2147483648.0);
}

// ---------------------------------------------------------------------------
// Position texts

TEST(GeoTextPosition, WorkedExamples) {
  GeoText geo;
  EXPECT_STREQ(geo.LatText(47.5), " N47:30:00.00");
  EXPECT_STREQ(geo.LatText(-33.25), " S33:15:00.00");
  EXPECT_STREQ(geo.LonText(8.5), " E008:30:00.00");
  EXPECT_STREQ(geo.LonText(-122.5), " W122:30:00.00");
  EXPECT_STREQ(geo.Lat32Text(11112500), " N99:59:42.00");  // unfolded
  EXPECT_STREQ(geo.LatText(GeoText::Lat32(11112500)), " S80:00:18.00");
  EXPECT_STREQ(geo.LatText(GeoText::Lat16(20)), " N00:05:31.72");
  EXPECT_STREQ(geo.LatText(47.999999), " N48:00:00.00");  // degree-level carry
  EXPECT_STREQ(geo.LatText(47.9999), " N47:59:59.64");
}

TEST(GeoTextPosition, HemisphereLettersAtZero) {
  GeoText geo;
  EXPECT_STREQ(geo.LatText(0.0), " S00:00:00.00");
  EXPECT_STREQ(geo.LatText(-0.0), " S00:00:00.00");
  EXPECT_STREQ(geo.LonText(0.0), " W000:00:00.00");
  EXPECT_STREQ(geo.LonText(-0.0), " W000:00:00.00");
  EXPECT_STREQ(geo.LatText(1e-9), " N00:00:00.00");  // positive: N even when it prints 0
  EXPECT_STREQ(geo.LonText(1e-9), " E000:00:00.00");
  EXPECT_STREQ(geo.LatText(-1e-9), " S00:00:00.00");
  EXPECT_STREQ(geo.Lat32Text(0), " S00:00:00.00");
  EXPECT_STREQ(geo.Lon32Text(0), " W000:00:00.00");
  EXPECT_STREQ(geo.Lon32Text(-1), " W000:00:00.00");
  EXPECT_STREQ(geo.Lat24Text(0xFF000000), " S00:00:00.00");
  EXPECT_STREQ(geo.Lon24Text(0xFF000000), " W000:00:00.00");
}

TEST(GeoTextPosition, CarriesGoOneLevelOnly) {
  GeoText geo;
  // Minutes raised to 60 by the minute step.
  EXPECT_STREQ(geo.LatText(47.999985), " N47:60:00.00");
  EXPECT_STREQ(geo.LatText(-47.999985), " S47:60:00.00");
  EXPECT_STREQ(geo.LonText(8.99999985), " E008:60:00.00");
  // Seconds raised to 60 by the seconds step.
  EXPECT_STREQ(geo.LonText(8.0 + 30.0 / 60.0 + 59.97 / 3600.0), " E008:30:60.00");
  // For latitudes the minute step (0.999) comes first: 59.97 seconds raise the
  // minutes, and the latitude seconds never reach 60.
  EXPECT_STREQ(geo.LatText(47.0 + 30.0 / 60.0 + 59.97 / 3600.0), " N47:31:00.00");
  EXPECT_STREQ(geo.LatText(47.0 + 30.0 / 60.0 + 59.93 / 3600.0), " N47:30:59.93");
  // Seconds fractions above 0.95 go to the next whole second, others are rounded.
  EXPECT_STREQ(geo.LatText(47.0 + 30.0 / 60.0 + 12.97 / 3600.0), " N47:30:13.00");
  EXPECT_STREQ(geo.LatText(47.0 + 30.0 / 60.0 + 12.94 / 3600.0), " N47:30:12.94");
  EXPECT_STREQ(geo.LatText(47.0 + 30.0 / 60.0 + 12.5 / 3600.0), " N47:30:12.50");
  // A longitude minute fraction above 0.99999 raises the minutes, not the degrees.
  EXPECT_STREQ(geo.LonText(8.0 + 30.999995 / 60.0), " E008:31:00.00");
  EXPECT_STREQ(geo.LonText(-(8.0 + 30.999995 / 60.0)), " W008:31:00.00");
  // Degree-level carry of longitudes.
  EXPECT_STREQ(geo.LonText(8.99999995), " E009:00:00.00");
  EXPECT_STREQ(geo.LonText(179.99999995), " E180:00:00.00");
}

TEST(GeoTextPosition, LatitudeAndLongitudeLimitsDiffer) {
  GeoText geo;
  // Degree fraction 0.000005: below the latitude limit, above the longitude one.
  EXPECT_STREQ(geo.LatText(47.000005), " N47:00:00.00");
  EXPECT_STREQ(geo.LonText(8.000005), " E008:00:00.02");
  EXPECT_STREQ(geo.LonText(8.00000005), " E008:00:00.00");
  // Minute fraction 0.0009: below the latitude limit, above the longitude one.
  EXPECT_STREQ(geo.LatText(47.5 + 0.0009 / 60.0), " N47:30:00.00");
  EXPECT_STREQ(geo.LonText(8.5 + 0.0009 / 60.0), " E008:30:00.05");
  // Minute fraction 0.9995: above the latitude limit, below the longitude one
  // (whose seconds step then raises 59.97 seconds to 60).
  EXPECT_STREQ(geo.LatText(47.0 + 30.9995 / 60.0), " N47:31:00.00");
  EXPECT_STREQ(geo.LonText(8.0 + 30.9995 / 60.0), " E008:30:60.00");
  EXPECT_STREQ(geo.LonText(8.0 + 30.999 / 60.0), " E008:30:59.94");
  // Degree fraction 0.999995: above the latitude limit, below the longitude one.
  EXPECT_STREQ(geo.LatText(12.999995), " N13:00:00.00");
  EXPECT_STREQ(geo.LonText(12.999995), " E012:59:60.00");
  EXPECT_STREQ(geo.LonText(12.9999), " E012:59:59.64");
}

TEST(GeoTextPosition, FoldsOfTheTextOperations) {
  GeoText geo;
  // Lat32Text does not fold, Lon32Text uses the folded Lon32.
  EXPECT_STREQ(geo.Lat32Text(10001751), " N90:00:00.00");
  EXPECT_STREQ(geo.Lat32Text(-11112500), " S99:59:42.00");
  EXPECT_STREQ(geo.Lon32Text(INT32_MIN), " W180:00:00.00");
  EXPECT_STREQ(geo.Lon32Text(0x40000000), " E090:00:00.00");
  EXPECT_STREQ(geo.Lon32Text(INT32_MAX), " E180:00:00.00");  // 179.99999992, carried
  // Lat24Text folds: 0x7FFFFF is about 150.97 degrees, written about 29.03 south.
  const std::string folded = geo.LatText(8388607 * 2 * kMetre - 180.0);
  EXPECT_STREQ(geo.Lat24Text(0x007FFFFF), folded.c_str());
  EXPECT_EQ(folded.substr(0, 5), " S29:");
  EXPECT_STREQ(geo.Lat24Text(0xAB000000 | 5000875), " N90:00:00.00");
  EXPECT_STREQ(geo.Lat24Text(0x00800000), geo.LatText(-8388608 * 2 * kMetre));
  EXPECT_STREQ(geo.Lon24Text(0x00400000), " E090:00:00.00");
  EXPECT_STREQ(geo.Lon24Text(0xFFC00000), " W090:00:00.00");
  EXPECT_STREQ(geo.Lon24Text(0x00800000), " W180:00:00.00");
}

TEST(GeoTextPosition, StorageBelongsToTheObject) {
  GeoText geo;
  const char* first = geo.LatText(47.5);
  const char* second = geo.LatText(-33.25);
  EXPECT_EQ(first, second);  // the same storage: only the second text is left
  EXPECT_STREQ(first, " S33:15:00.00");
  const char* lon = geo.LonText(8.5);
  EXPECT_NE(lon, first);
  EXPECT_STREQ(first, " S33:15:00.00");  // a longitude leaves the latitude alone
  EXPECT_EQ(geo.Lat32Text(0), first);
  EXPECT_EQ(geo.Lat24Text(0), first);
  EXPECT_EQ(geo.Lon32Text(0), lon);
  EXPECT_EQ(geo.Lon24Text(0), lon);
  GeoText other;
  EXPECT_NE(other.LatText(1.0), first);
  EXPECT_STREQ(first, " S00:00:00.00");
}

TEST(GeoTextPosition, OutsideTheDataModelStaysDefined) {
  GeoText geo;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(std::string(geo.LatText(nan)).substr(0, 2), " S");
  EXPECT_EQ(std::string(geo.LonText(1e300)).substr(0, 2), " E");
  EXPECT_LT(std::strlen(geo.LonText(-std::numeric_limits<double>::infinity())), 50u);
  EXPECT_STREQ(geo.LatText(19000.5), " N19000:30:00.00");  // Lat64 reaches about 19324
}

// ---------------------------------------------------------------------------
// Frequencies and names

TEST(GeoTextFrequency, PackedDecimalHalves) {
  const uint8_t ndb[] = {0x45, 0x03, 0x50};
  EXPECT_EQ(GeoText::FreqText3(ndb), "345.05 ");
  const uint8_t ndb2[] = {0x90, 0x01, 0x05};
  EXPECT_EQ(GeoText::FreqText3(ndb2), "190.50 ");
  const uint8_t com[] = {0x50, 0x13};
  EXPECT_EQ(GeoText::FreqText2(com), " 113.50 ");
  const uint8_t com2[] = {0x05, 0x27};
  EXPECT_EQ(GeoText::FreqText2(com2), " 127.05 ");
  // Halves above 9 print as two-digit numbers.
  const uint8_t odd3[] = {0xAB, 0xFC, 0xDE};
  EXPECT_EQ(GeoText::FreqText3(odd3), "121011.1413 ");
  const uint8_t odd2[] = {0xAF, 0xCB};
  EXPECT_EQ(GeoText::FreqText2(odd2), " 11211.1015 ");
  const uint8_t zero[] = {0, 0, 0};
  EXPECT_EQ(GeoText::FreqText3(zero), "000.00 ");
  EXPECT_EQ(GeoText::FreqText2(zero), " 100.00 ");
}

std::string Name(const char* bytes, size_t length) {
  return GeoText::NameText(reinterpret_cast<const uint8_t*>(bytes), length);
}

TEST(GeoTextName, CutTrimAndReplace) {
  EXPECT_EQ(Name("AB C(1)   \0\0", 12), "AB_C{1}");
  EXPECT_EQ(Name("ABCDEFGH", 8), "ABCDEFGH");          // no 0 byte: the whole field
  EXPECT_EQ(Name("ABCDEFGHIJ", 4), "ABCD");            // never past the length
  EXPECT_EQ(Name("AB\0CD  ", 7), "AB");                // bytes after the 0 are ignored
  EXPECT_EQ(Name("\0ABC", 4), "");
  EXPECT_EQ(Name("    ", 4), "");                      // only blanks
  EXPECT_EQ(Name("  A B", 5), "__A_B");                // leading blanks are kept
  EXPECT_EQ(Name("A\tB \t\r\n\v\f", 10), "A\tB");      // interior tab kept, trailing space gone
  EXPECT_EQ(Name("(x) ((y))", 9), "{x}_{{y}}");
  EXPECT_EQ(Name("M\xFC" "nchen ", 8), "M\xFC" "nchen");  // other bytes unchanged
  EXPECT_EQ(GeoText::NameText(nullptr, 0), "");
}

}  // namespace
