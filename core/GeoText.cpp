// Position, angle, fixed-point, frequency and name texts.
#include "core/GeoText.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/Format.h"
#include "core/RowFormat.h"

namespace skarn {
namespace {

static_assert(GeoText::kMetreLatitude == 8.998425275576774e-06);
static_assert(GeoText::kFineMetreLatitude == 1.3730507317469443e-10);
static_assert(GeoText::kCircle32 == 8.381903171539307e-08);
static_assert(GeoText::kCircle48 == 1.2789769243681803e-12);
static_assert(GeoText::kCircle24 == 2.1457672119140625e-05);
static_assert(GeoText::kCircle16 == 0.0054931640625);
static_assert(GeoText::kCircle8 == 1.40625);

// 90 / (10001750 x 128): degrees per 1/128 metre.
constexpr double kMetreLatitude128 = 90.0 / (10001750.0 * 128.0);

double FoldLat(double degrees) { return degrees > 90.0 ? degrees - 180.0 : degrees; }
double FoldLon(double degrees) { return degrees > 180.0 ? degrees - 360.0 : degrees; }

// The low 24 bits as a signed number.
int32_t Signed24(uint32_t raw) {
  return static_cast<int32_t>((raw & 0xFFFFFFu) ^ 0x800000u) - 0x800000;
}

// The low 48 bits as a signed number (bit 47 is the sign).
int64_t Signed48(uint64_t raw) {
  constexpr uint64_t kSign = uint64_t{1} << 47;
  return static_cast<int64_t>((raw & ((uint64_t{1} << 48) - 1)) ^ kSign) -
         static_cast<int64_t>(kSign);
}

// The signed 64-bit value high:low shifted right by 16 with its sign.
int64_t Shifted64(uint32_t low, uint32_t high) {
  const auto v = static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
  return v >> 16;  // arithmetic since C++20
}

// Truncation toward zero as a conversion to a 32-bit int. Degrees whose
// integer part does not fit are outside the data model; they give INT32_MIN
// (as the x86 conversion does) instead of undefined behaviour.
int64_t Truncate(double v) {
  if (v > -2147483649.0 && v < 2147483648.0) return static_cast<int32_t>(v);
  return INT32_MIN;
}

// The text of LatText (latitude) or LonText (longitude) into dst.
const char* PositionText(char (&dst)[50], double degrees, bool longitude) {
  char letter = longitude ? 'E' : 'N';
  if (!(degrees > 0.0)) {
    letter = longitude ? 'W' : 'S';
    degrees = -degrees;
  }
  const double degree_low = longitude ? 0.0000001 : 0.00001;
  const double degree_high = longitude ? 0.9999999 : 0.99999;
  const double minute_low = longitude ? 0.00001 : 0.001;
  const double minute_high = longitude ? 0.99999 : 0.999;

  int64_t d = Truncate(degrees);
  const double f = degrees - static_cast<double>(d);
  int64_t m = 0;
  double s = 0.0;
  if (f < degree_low) {
    // m = 0, s = 0
  } else if (f > degree_high) {
    d += 1;
  } else {
    const double x = f * 60.0;
    m = Truncate(x);
    const double g = x - static_cast<double>(m);
    if (g < minute_low) {
      // s = 0
    } else if (g > minute_high) {
      m += 1;  // may become 60: not carried on
    } else {
      s = g * 60.0;
      const double whole = std::trunc(s);
      if (s - whole > 0.95) s = whole + 1.0;  // may become 60: not carried on
    }
  }

  // At most 14 characters for every position of the data model: the short
  // string buffer, no allocation.
  using Lon = fmt::Compiled<" %c%.3lld:%.2lld:%05.2f", false>;
  using Lat = fmt::Compiled<" %c%.2lld:%.2lld:%05.2f", false>;
  char text[fmt::FixedRoom<Lon>()];
  const auto dd = static_cast<long long>(d);
  const auto mm = static_cast<long long>(m);
  const char* end = longitude ? fmt::Write<Lon>(text, letter, dd, mm, s) : fmt::Write<Lat>(text, letter, dd, mm, s);
  const auto length = static_cast<size_t>(end - text);
  const size_t n = length < sizeof dst - 1 ? length : sizeof dst - 1;
  std::memcpy(dst, text, n);
  dst[n] = '\0';
  return dst;
}

}  // namespace

double GeoText::Lat32(int32_t metres) { return FoldLat(metres * kMetreLatitude); }

double GeoText::Lat32Fine(int32_t units128) { return FoldLat(units128 * kMetreLatitude128); }

double GeoText::Lat16(int16_t units512) {
  return FoldLat((static_cast<double>(units512) * 512.0) * kMetreLatitude);
}

double GeoText::Lat24(uint32_t raw) {
  return FoldLat((static_cast<double>(Signed24(raw)) * 2.0) * kMetreLatitude);
}

double GeoText::Lat48(uint64_t raw) {
  return FoldLat(static_cast<double>(Signed48(raw)) * kFineMetreLatitude);
}

double GeoText::Lat64(uint32_t low, uint32_t high) {
  return static_cast<double>(Shifted64(low, high)) * kFineMetreLatitude;
}

double GeoText::Lon32(int32_t v) { return FoldLon(v * kCircle32); }

double GeoText::Lon16(int16_t v) {
  return FoldLon((static_cast<double>(v) * 256.0) * kCircle24);
}

double GeoText::Lon24(uint32_t raw) {
  return FoldLon(static_cast<double>(Signed24(raw)) * kCircle24);
}

double GeoText::Lon48(uint64_t raw) {
  return FoldLon(static_cast<double>(Signed48(raw)) * kCircle48);
}

double GeoText::Lon64(uint32_t low, uint32_t high) {
  return static_cast<double>(Shifted64(low, high)) * kCircle48;
}

const char* GeoText::LatText(double degrees) { return PositionText(lat_, degrees, false); }

const char* GeoText::LonText(double degrees) { return PositionText(lon_, degrees, true); }

const char* GeoText::Lat32Text(int32_t metres) { return LatText(metres * kMetreLatitude); }

const char* GeoText::Lon32Text(int32_t v) { return LonText(Lon32(v)); }

const char* GeoText::Lat24Text(uint32_t raw) { return LatText(Lat24(raw)); }

const char* GeoText::Lon24Text(uint32_t raw) { return LonText(Lon24(raw)); }

double GeoText::Fixed24(uint32_t raw) { return Signed24(raw) / 256.0; }

double GeoText::Fixed48(uint64_t raw) { return static_cast<double>(Signed48(raw)) / 65536.0; }

double GeoText::Fixed64(uint32_t low, uint32_t high) {
  return static_cast<double>(Shifted64(low, high)) / 65536.0;
}

std::string GeoText::FreqText3(const uint8_t* p) {
  return Format("%d%d%d.%d%d ", p[1] & 0x0F, p[0] >> 4, p[0] & 0x0F, p[2] & 0x0F, p[2] >> 4);
}

std::string GeoText::FreqText2(const uint8_t* p) {
  return Format(" 1%d%d.%d%d ", p[1] >> 4, p[1] & 0x0F, p[0] >> 4, p[0] & 0x0F);
}

double GeoText::Freq3(const uint8_t* p) {
  const int hundredths = (p[1] & 0x0F) * 10000 + (p[0] >> 4) * 1000 + (p[0] & 0x0F) * 100 + (p[2] & 0x0F) * 10 +
                         (p[2] >> 4);
  return hundredths / 100.0;
}

double GeoText::Freq2(const uint8_t* p) {
  const int hundredths = 10000 + (p[1] >> 4) * 1000 + (p[1] & 0x0F) * 100 + (p[0] >> 4) * 10 + (p[0] & 0x0F);
  return hundredths / 100.0;
}

std::string GeoText::NameText(const uint8_t* p, size_t length) {
  if (length == 0) return {};
  const void* nul = std::memchr(p, 0, length);
  size_t n = nul != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - p) : length;
  // White space as in the C locale: blank, tab, line feed, vertical tab,
  // form feed, carriage return.
  while (n != 0 && (p[n - 1] == ' ' || (p[n - 1] >= '\t' && p[n - 1] <= '\r'))) --n;
  std::string text(reinterpret_cast<const char*>(p), n);
  for (char& c : text) {
    if (c == ' ') {
      c = '_';
    } else if (c == '(') {
      c = '{';
    } else if (c == ')') {
      c = '}';
    }
  }
  return text;
}

}  // namespace skarn
