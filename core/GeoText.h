// The file's encodings of positions, angles, fixed-point values, frequencies
// and names, as numbers and as the texts the summary and the source use.
//
// Latitudes are stored as distances from the equator (a quarter meridian is
// 10,001,750 m), longitudes as fractions of the full circle. Source text is
// assembled again, so the rounding steps of the texts below are part of the
// format: minutes or seconds that round up to 60 are written as 60, not
// carried on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace skarn {

class GeoText {
 public:
  GeoText() = default;
  virtual ~GeoText() = default;

  static constexpr double kQuarterMeridian = 10001750.0;
  static constexpr double kMetreLatitude = 90.0 / 10001750.0;
  static constexpr double kFineMetreLatitude = 90.0 / 10001750.0 / 65536.0;
  static constexpr double kCircle32 = 360.0 / 4294967296.0;
  static constexpr double kCircle48 = 360.0 / 281474976710656.0;
  static constexpr double kCircle24 = 360.0 / 16777216.0;
  static constexpr double kCircle16 = 360.0 / 65536.0;
  static constexpr double kCircle8 = 360.0 / 256.0;

  // Latitudes in degrees; "fold" means a result above 90 has 180 taken off.
  static double Lat32(int32_t metres);            // folded
  static double Lat32Fine(int32_t units128);      // 1/128 m, folded
  static double Lat16(int16_t units512);          // 512 m, folded
  static double Lat24(uint32_t raw);              // low 24 bits signed, 2 m, folded
  static double Lat48(uint64_t raw);              // low 48 bits signed, 1/65536 m, folded
  static double Lat64(uint32_t low, uint32_t high);  // (value >> 16) / 65536 m, not folded

  // Longitudes in degrees; "fold" means a result above 180 has 360 taken off.
  static double Lon32(int32_t v);
  static double Lon16(int16_t v);
  static double Lon24(uint32_t raw);
  static double Lon48(uint64_t raw);
  static double Lon64(uint32_t low, uint32_t high);  // not folded

  // Position texts: a blank, the hemisphere letter, then d:m:s. The returned
  // text lives in this object until the next call of the same kind (latitude
  // or longitude).
  const char* LatText(double degrees);
  const char* LonText(double degrees);
  const char* Lat32Text(int32_t metres);  // unfolded
  const char* Lon32Text(int32_t v);       // folded
  const char* Lat24Text(uint32_t raw);
  const char* Lon24Text(uint32_t raw);

  // Angles and fixed-point values.
  static double Angle8(uint8_t v) { return v * kCircle8; }
  static double Angle16(uint16_t v) { return v * kCircle16; }
  static double SignedAngle16(int16_t v) { return v * kCircle16; }
  static double Angle32(uint32_t v) { return v * kCircle32; }
  static double SignedAngle32(int32_t v) { return v * kCircle32; }
  static double Fixed24(uint32_t raw);               // low 24 bits signed / 256
  static double Fixed48(uint64_t raw);               // low 48 bits signed / 65536
  static double Fixed64(uint32_t low, uint32_t high);  // (value >> 16) / 65536

  // Packed decimal frequencies: FreqText3 of 45 03 50 is "345.05 ",
  // FreqText2 of 50 13 is " 113.50 " (the leading 1 is implied).
  static std::string FreqText3(const uint8_t* p);
  static std::string FreqText2(const uint8_t* p);
  // The same frequencies as numbers in MHz (345.05, 113.5).
  static double Freq3(const uint8_t* p);
  static double Freq2(const uint8_t* p);

  // A fixed-length name field: cut at the first 0 byte, trailing white space
  // removed, blanks become "_", parentheses become braces.
  static std::string NameText(const uint8_t* p, size_t length);

 private:
  char lat_[50] = {};
  char lon_[50] = {};
};

}  // namespace skarn
