// skarn::Format against the C library's snprintf in the "C" locale: the test
// machines use glibc, whose output is the reference for every supported
// combination of flags, width, precision, length modifier and conversion.
#include "core/Format.h"
#include "core/RowFormat.h"
#include "core/SourceWriter.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <iomanip>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// The formats of this file are built at run time on purpose.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
#endif

namespace {

using skarn::Format;

// The reference text: vsnprintf, which may write 0 bytes (%c of 0).
std::string Reference(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list again;
  va_copy(again, args);
  char small[512];
  const int n = std::vsnprintf(small, sizeof small, fmt, args);
  va_end(args);
  std::string text;
  if (n < 0) {
    text = "<snprintf error>";
  } else if (static_cast<size_t>(n) < sizeof small) {
    text.assign(small, static_cast<size_t>(n));
  } else {
    std::vector<char> big(static_cast<size_t>(n) + 1);
    std::vsnprintf(big.data(), big.size(), fmt, again);
    text.assign(big.data(), static_cast<size_t>(n));
  }
  va_end(again);
  return text;
}

template <typename T>
void PrintArg(std::ostream& os, T v) {
  if constexpr (std::is_floating_point_v<T>) {
    os << std::setprecision(17) << v << " (" << std::hexfloat << v << std::defaultfloat << ")";
  } else if constexpr (std::is_pointer_v<T>) {
    if (v == nullptr) {
      os << "nullptr";
    } else {
      os << '"' << v << '"';
    }
  } else {
    os << +v;
  }
  os << ' ';
}

// The reference for the comparisons is the GNU C library's printf. Windows'
// C library writes some cases its own way (the sign of a NaN, "% u", a null
// string), so there the large grids compare a digest of the program's text
// with the one stored from the Linux build, where every line equals glibc's.
#if defined(_WIN32)
constexpr bool kGnuReference = false;
#else
constexpr bool kGnuReference = true;
#endif

// FNV-1a over the texts, each closed by a 0 byte.
uint64_t Digest(uint64_t h, const std::string& text) {
  for (const char c : text) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
  return (h ^ 0u) * 0x100000001B3ull;
}
constexpr uint64_t kDigestStart = 0xCBF29CE484222325ull;

// Compares one call; reports only the first failures of a grid.
class Checker {
 public:
  // Without the reference, only the digest is kept.
  explicit Checker(bool reference = true) : reference_(reference) {}
  ~Checker() {
    if (failures_ > kShown) ADD_FAILURE() << failures_ << " mismatches in all";
  }

  template <typename... Args>
  void operator()(const std::string& fmt, Args... args) {
    ++checks_;
    const std::string got = Format(fmt.c_str(), args...);
    digest_ = Digest(digest_, got);
    if (!reference_) return;
    const std::string want = Reference(fmt.c_str(), args...);
    if (want == got) return;
    if (++failures_ > kShown) return;
    std::ostringstream os;
    (PrintArg(os, args), ...);
    ADD_FAILURE() << "format \"" << fmt << "\" args " << os.str() << "\n  glibc: [" << want
                  << "]\n  skarn: [" << got << "]";
  }

  int checks() const { return checks_; }
  uint64_t digest() const { return digest_; }

 private:
  static constexpr int kShown = 20;
  int failures_ = 0;
  int checks_ = 0;
  uint64_t digest_ = kDigestStart;
  bool reference_;
};

// Every subset of the five flags, plus repeated and reordered ones.
std::vector<std::string> AllFlags() {
  const char flags[] = "-+ #0";
  std::vector<std::string> result;
  for (unsigned mask = 0; mask < 32; ++mask) {
    std::string f;
    for (unsigned i = 0; i < 5; ++i) {
      if ((mask >> i) & 1u) f += flags[i];
    }
    result.push_back(f);
  }
  result.push_back("0-");
  result.push_back("00+#");
  result.push_back(" +");
  return result;
}

std::vector<std::string> Directives(const std::vector<std::string>& widths,
                               const std::vector<std::string>& precisions) {
  std::vector<std::string> result;
  for (const std::string& f : AllFlags()) {
    for (const std::string& w : widths) {
      for (const std::string& p : precisions) result.push_back("%" + f + w + p);
    }
  }
  return result;
}

// ---------------------------------------------------------------------------
// Integers

const std::vector<std::string> kIntWidths = {"", "1", "2", "5", "12", "25"};
const std::vector<std::string> kIntPrecisions = {"", ".", ".0", ".1", ".2", ".3", ".5", ".9", ".20"};
const char* const kIntConversions[] = {"d", "i", "u", "o", "x", "X"};

// Runs the grid for one length modifier; S and U are the argument types that
// modifier reads for signed and unsigned conversions.
template <typename S, typename U>
void IntegerGrid(Checker& check, const std::string& length, const std::vector<int64_t>& values) {
  static const std::vector<std::string> directives = Directives(kIntWidths, kIntPrecisions);
  for (const std::string& directive : directives) {
    for (const char* conv : kIntConversions) {
      const std::string fmt = "<" + directive + length + conv + ">";
      const bool is_signed = conv[0] == 'd' || conv[0] == 'i';
      for (const int64_t v : values) {
        if (is_signed) {
          check(fmt, static_cast<S>(v));
        } else {
          check(fmt, static_cast<U>(static_cast<uint64_t>(v)));
        }
      }
    }
  }
}

const std::vector<int64_t> kIntValues = {
    0, 1, -1, 7, 8, 9, 10, 15, 16, 42, -42, 99, 100, 127, 128, -128, -129, 255, 256,
    1000, 4095, 32767, -32768, 65535, 65536, 99999, 123456789, -987654321,
    INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1};

const std::vector<int64_t> kWideValues = {
    0, 1, -1, 9, 10, 255, -256, 65535, INT_MAX, INT_MIN, int64_t{UINT_MAX},
    int64_t{UINT_MAX} + 1, 999999999999, -1000000000000000000, 1000000000000000000,
    INT64_MAX, INT64_MIN, INT64_MAX - 1, INT64_MIN + 1, 0x123456789ABCDEF,
    static_cast<int64_t>(UINT64_C(0xFEDCBA9876543210)), -7};

TEST(FormatInteger, GridAgainstSnprintf) {
  Checker check(kGnuReference);
  IntegerGrid<int, unsigned>(check, "", kIntValues);
  IntegerGrid<int, unsigned>(check, "hh", kIntValues);
  IntegerGrid<int, unsigned>(check, "h", kIntValues);
  IntegerGrid<long long, unsigned long long>(check, "ll", kWideValues);
  IntegerGrid<std::make_signed_t<size_t>, size_t>(check, "z", kWideValues);
  IntegerGrid<intmax_t, uintmax_t>(check, "j", kWideValues);
  IntegerGrid<ptrdiff_t, std::make_unsigned_t<ptrdiff_t>>(check, "t", kWideValues);
  EXPECT_GT(check.checks(), 1000000);
  EXPECT_EQ(check.digest(), 0x02D0396D318DB099ull);
  // long is as wide as long long on Linux, as int on Windows: no stored text.
  Checker longs(kGnuReference);
  IntegerGrid<long, unsigned long>(longs, "l", sizeof(long) == sizeof(long long) ? kWideValues : kIntValues);
}

TEST(FormatInteger, UnsignedExtremes) {
  Checker check;
  for (const char* fmt : {"%u", "%x", "%X", "%o", "%#o", "%#x", "%#X", "%20u", "%-20X|", "%.12x"}) {
    for (const unsigned v : {0u, 1u, UINT_MAX, UINT_MAX - 1, 0x80000000u, 0x7FFFFFFFu}) {
      check(fmt, v);
    }
  }
  for (const char* fmt : {"%llu", "%llx", "%llX", "%llo", "%#llo", "%#llx", "%30llu", "%-30llx|",
                          "%zu", "%zx", "%ju", "%jX", "%lu", "%lo"}) {
    for (const unsigned long long v :
         {0ull, 1ull, ULLONG_MAX, ULLONG_MAX - 1, 0x8000000000000000ull, 10000000000000000000ull}) {
      check(fmt, v);
    }
  }
}

TEST(FormatInteger, StarWidthAndPrecision) {
  Checker check;
  const int widths[] = {-30, -12, -5, -1, 0, 1, 3, 10};
  const int precisions[] = {-7, -1, 0, 1, 2, 7};
  for (const int w : widths) {
    for (const int v : {0, 5, -5, 123456, INT_MIN}) {
      check("[%*d]", w, v);
      check("[%-*d]", w, v);
      check("[%0*d]", w, v);
      check("[%#*x]", w, static_cast<unsigned>(v));
      for (const int p : precisions) {
        check("[%*.*d]", w, p, v);
        check("[%0*.*i]", w, p, v);
        check("[%-*.*X]", w, p, static_cast<unsigned>(v));
      }
    }
    for (const int p : precisions) {
      check("[%.*d]", p, 42);
      check("[%*.*f]", w, p, -2.5);
      check("[%0*.*f]", w, p, 0.125);
      check("[%*.*s]", w, p, "abcdefgh");
    }
  }
}

// ---------------------------------------------------------------------------
// Floats

const std::vector<std::string> kFloatWidths = {"", "1", "8", "15", "40"};
const std::vector<std::string> kFloatPrecisions = {"",   ".",   ".0",  ".1",  ".2",  ".3",
                                                   ".6", ".9", ".17", ".30", ".60"};

double FromBits(uint64_t bits) {
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

const std::vector<double> kFloatValues = {
    0.0, -0.0, 0.5, -0.5, 1.5, 2.5, -2.5, 3.5, 0.125, 0.375, -0.125, 0.625, 0.05, 0.005,
    0.015, 0.25, 0.1, 1.0 / 3.0, 2.0 / 3.0, 0.999, 0.9999999, 9.5, 99.5, 9.999, 59.995,
    31.717862394787, 47.5, 123456.789, 1e15 + 0.5, 4503599627370495.5, 9007199254740993.0,
    1e16, 1e22, 1e23, -1e23, 18446744073709549568.0, 18446744073709551616.0, 1e300, -1e300,
    1e308, DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN, DBL_TRUE_MIN, 4.9406564584124654e-324 * 3,
    2.2250738585072009e-308, 1e-7, 1.5e-10, 0.0625, 1e-5, 5e-7, 4.5e-6,
    std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
    FromBits(0x7FF0000000000001ull), FromBits(0xFFF8000000000123ull)};

TEST(FormatFloat, GridAgainstSnprintf) {
  Checker check(kGnuReference);
  const std::vector<std::string> directives = Directives(kFloatWidths, kFloatPrecisions);
  for (const std::string& directive : directives) {
    for (const char* conv : {"f", "F", "lf"}) {
      const std::string fmt = "<" + directive + conv + ">";
      for (const double v : kFloatValues) check(fmt, v);
    }
  }
  EXPECT_GT(check.checks(), 100000);
  EXPECT_EQ(check.digest(), 0xB82FDA769D408A09ull);
}

TEST(FormatFloat, RandomBitPatterns) {
  Checker check;
  std::mt19937_64 rng(20240611);
  std::vector<std::string> fmts;
  for (int p = 0; p <= 60; ++p) fmts.push_back("%." + std::to_string(p) + "f");
  fmts.push_back("%f");
  fmts.push_back("%+#20.0F");
  fmts.push_back("%-+25.4f|");
  fmts.push_back("% 030.8f");
  for (int i = 0; i < 3000; ++i) {
    const double v = FromBits(rng());
    for (const std::string& fmt : fmts) check(fmt, v);
  }
  // Random mantissas with exponents of the usual magnitudes (and tiny ones).
  std::uniform_int_distribution<int> exponent(-80, 80);
  for (int i = 0; i < 20000; ++i) {
    const uint64_t mantissa = rng() & ((uint64_t{1} << 52) - 1);
    const auto biased = static_cast<uint64_t>(1023 + exponent(rng));
    const double v = FromBits((rng() & (uint64_t{1} << 63)) | (biased << 52) | mantissa);
    for (const int p : {0, 1, 2, 3, 4, 5, 6, 8, 12, 16, 20, 30}) {
      check("%." + std::to_string(p) + "f", v);
    }
  }
  // Denormals.
  for (int i = 0; i < 500; ++i) {
    const double v = FromBits(rng() & ((uint64_t{1} << 52) - 1));
    for (const char* fmt : {"%f", "%.2f", "%.60f", "%.320f", "%.330f", "%.400f"}) check(fmt, v);
  }
}

TEST(FormatFloat, HalfwayCasesRoundToEven) {
  Checker check;
  std::mt19937_64 rng(7);
  // a / 2^j has exactly j decimals, the last one 5: precision j - 1 is a tie.
  for (int j = 1; j <= 40; ++j) {
    for (int i = 0; i < 200; ++i) {
      const auto a = static_cast<double>(rng() & ((uint64_t{1} << 30) - 1)) * 2.0 + 1.0;
      const double v = std::ldexp(a, -j);
      for (const int p : {j - 1, j - 2, j, j + 1}) {
        if (p < 0) continue;
        check("%." + std::to_string(p) + "f", v);
        check("%." + std::to_string(p) + "f", -v);
      }
    }
  }
  // Integers plus one half near 2^52 and 2^53.
  for (int i = 0; i < 2000; ++i) {
    const auto n = static_cast<double>(rng() & ((uint64_t{1} << 51) - 1));
    check("%.0f", n + 0.5);
    check("%.0f", -(n + 0.5));
    check("%.1f", n + 0.25);
    check("%.1f", n + 0.75);
  }
  // Ties whose decisive bit lies beyond the 64-bit fast path.
  for (int j = 55; j <= 75; ++j) {
    for (int i = 0; i < 20; ++i) {
      const double v = std::ldexp(static_cast<double>(rng() & ((uint64_t{1} << 20) - 1)) * 2.0 + 1.0, -j);
      for (int p = j - 30; p <= j + 1; ++p) check("%." + std::to_string(p) + "f", v);
    }
  }
}

TEST(FormatFloat, LargePrecisionIsExact) {
  Checker check;
  for (const double v : {DBL_TRUE_MIN, DBL_MIN, 0.1, 1.0 / 3.0, -2.0 / 3.0, DBL_MAX, 1e-300, 1e300,
                         0.5, 123.456, std::ldexp(1.0, -1074) * 12345}) {
    for (const int p : {61, 100, 330, 767, 1073, 1074, 1075, 1100, 1500}) {
      check("%." + std::to_string(p) + "f", v);
      check("%#60." + std::to_string(p) + "F", v);
    }
  }
}

TEST(FormatFloat, AppendFixedMatchesPrecisionStar) {
  Checker check;
  const double values[] = {0.0, -0.0, 0.125, 2.5, -2.5, 1e22, 59.995, 1e-9, DBL_MAX, DBL_TRUE_MIN,
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::quiet_NaN()};
  uint64_t digest = kDigestStart;
  for (const double v : values) {
    for (int p = 0; p <= 70; ++p) {
      std::string text = "x=";
      skarn::AppendFixed(text, v, p);
      digest = Digest(digest, text);
      if (kGnuReference) {
        EXPECT_EQ(text, "x=" + Reference("%.*f", p, v)) << "precision " << p;
      }
    }
  }
  EXPECT_EQ(digest, 0x15536AF28A239ED6ull);
  std::string text = "a";
  skarn::AppendFixed(text, 1.0 / 3.0, -1);  // as a negative "%.*f" precision: 6
  EXPECT_EQ(text, "a0.333333");
}

// ---------------------------------------------------------------------------
// Characters, strings, literal text

// Formats the compiler does not know, through a run-time string.
template <typename... Args>
std::string Unchecked(const std::string& fmt, Args... args) {
  return Format(fmt.c_str(), args...);
}

TEST(FormatText, StringsAndCharacters) {
  Checker check(kGnuReference);
  const std::vector<std::string> directives =
      Directives({"", "1", "3", "8", "20"}, {"", ".", ".0", ".1", ".3", ".5", ".6", ".7", ".40"});
  const char* null_text = nullptr;
  for (const std::string& directive : directives) {
    for (const char* s : {"", "a", "abc", "hello world", "(null)", null_text}) {
      check("[" + directive + "s]", s);
    }
    for (const int c : {int{'a'}, int{'Z'}, int{' '}, int{'%'}, 0, 0xE4, -1}) {
      check("[" + directive + "c]", c);
    }
  }
  EXPECT_EQ(check.digest(), 0x6B43EC122CCC65A6ull);
  // The precision never reads past its count: no terminating 0 needed.
  const char unterminated[3] = {'x', 'y', 'z'};
  EXPECT_EQ(Format("%.3s|%.2s", unterminated, unterminated), "xyz|xy");
  // h and hh are accepted and ignored, as glibc does.
  EXPECT_EQ(Unchecked("%hhc|%hc|%5hs|%-3hhs|", 'a', 'b', "cd", "e"), "a|b|   cd|e  |");
}

TEST(FormatText, LiteralTextAndPercent) {
  Checker check;
  check("");
  check("plain text, no conversions");
  check("%%");
  check("100%% sure %%%d%%", 5);
  check("%5%|%-5%|%05%");
  check("Area( %s %d %.2f ) ; %#x %c%c", "obj", -17, 47.125, 0xABCu, 'O', 'K');
  check("%s%s%s%d%d%d%.1f%.1f", "a", "bb", "ccc", 1, 22, 333, 0.25, 0.35);
  check("\tDwx %.4X ; %5d %-5d| %+d % d", 0xBEEFu, 42, 42, 7, 7);
  std::string out = "keep:";
  skarn::Appendf(out, "%d-%s", 12, "x");
  skarn::Appendf(out, "/%.3f", 2.0625);
  EXPECT_EQ(out, "keep:12-x/2.062");
}

TEST(FormatText, UnknownConversionsAreCopied) {
  EXPECT_EQ(Unchecked("a%kb"), "a%kb");
  EXPECT_EQ(Unchecked("%y%d", 5), "%y5");
  EXPECT_EQ(Unchecked("%-#08.3y|%d", 5), "%-#08.3y|5");
  EXPECT_EQ(Unchecked("%*y%d", 7), "%*y7");  // no argument is read for the copied text
  EXPECT_EQ(Unchecked("%Lq %d", 3), "%Lq 3");
  EXPECT_EQ(Unchecked("%ls %d", 3), "%ls 3");  // wide strings are not supported
  EXPECT_EQ(Unchecked("%lc %d", 3), "%lc 3");
  EXPECT_EQ(Unchecked("end%"), "end%");
  EXPECT_EQ(Unchecked("end%-5"), "end%-5");
  EXPECT_EQ(Unchecked("end%ll"), "end%ll");
}

// The behaviours the program's source text depends on, written out.
TEST(FormatText, DocumentedExamples) {
  EXPECT_EQ(Format("%#x", 0u), "0");
  EXPECT_EQ(Format("%#x", 255u), "0xff");
  EXPECT_EQ(Format("%#.8x", 0x1234u), "0x00001234");
  EXPECT_EQ(Format("%#8x", 0x1234u), "  0x1234");
  EXPECT_EQ(Format("%.2d", 5), "05");
  EXPECT_EQ(Format("%.3d", -7), "-007");
  EXPECT_EQ(Format("%05.2f", 1.5), "01.50");
  EXPECT_EQ(Format("%05.2f", 59.996), "60.00");
  EXPECT_EQ(Format("%03.0f", 7.5), "008");
  // GCC warns that the 0 flag is ignored here, hence the run-time format.
  EXPECT_EQ(Unchecked("%0.6X", 0xABCu), "000ABC");
  EXPECT_EQ(Unchecked("%08.6X", 0xABCu), "  000ABC");
  EXPECT_EQ(Format("%.0f", 2.5), "2");
  EXPECT_EQ(Format("%.0f", 3.5), "4");
  EXPECT_EQ(Format("%5.3f", 1.0), "1.000");
  EXPECT_EQ(Format("%f", 1.0), "1.000000");
  EXPECT_EQ(Format("%.09Xh", 0xFFu), "0000000FFh");
  EXPECT_EQ(Format("%-5d|", 42), "42   |");
  EXPECT_EQ(Format("%+d %+d", 3, -3), "+3 -3");
  EXPECT_EQ(Format("% d % d", 3, -3), " 3 -3");
  EXPECT_EQ(Format("[%.0d]", 0), "[]");
  EXPECT_EQ(Format("[%5.2s]", "abc"), "[   ab]");
  EXPECT_EQ(Format("%c%c", 'O', 'K'), "OK");
  EXPECT_EQ(Format("%.2f", -0.0), "-0.00");
  EXPECT_EQ(Format("%.2f", -0.001), "-0.00");
  EXPECT_EQ(Format("%f %f", std::numeric_limits<double>::infinity(),
                   -std::numeric_limits<double>::infinity()),
            "inf -inf");
  EXPECT_EQ(Format("%F %f %f", std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::quiet_NaN(),
                   -std::numeric_limits<double>::quiet_NaN()),
            "INF nan -nan");
  EXPECT_EQ(Format("%05f", std::numeric_limits<double>::infinity()), "  inf");
  EXPECT_EQ(Format("%.2f %.2f", 0.125, 0.375), "0.12 0.38");
  EXPECT_EQ(Format("%.2f", 1e300).size(), 301u + 3u);
  EXPECT_EQ(Format("%.0f", 1e22), "10000000000000000000000");
  EXPECT_EQ(Format("%.0f", 1e23), "99999999999999991611392");
  EXPECT_EQ(Format("%.3f", 0.0005), "0.001");  // 0.0005 is a little above the tie
  EXPECT_EQ(Format("%d %d", INT_MIN, INT_MAX), "-2147483648 2147483647");
  EXPECT_EQ(Format("%lld", LLONG_MIN), "-9223372036854775808");
  EXPECT_EQ(Format("%llu", ULLONG_MAX), "18446744073709551615");
  EXPECT_EQ(Unchecked("%hhd %hhu %hd", 200, 511u, 70000), "-56 255 4464");  // truncated
}

// ---------------------------------------------------------------------------
// Formats compiled into the program give the run-time formatter's text

// Each compiled format beside the same format read at run time, for every
// value in the list (given to each of its conversions).
template <skarn::fmt::Text F, class T>
void SameAsRuntime(const std::vector<T>& values) {
  constexpr size_t kCount = skarn::fmt::Compiled<F, false>::plan.count;
  for (const T v : values) {
    [&]<size_t... I>(std::index_sequence<I...>) {
      std::string compiled;
      skarn::fmt::Append<F>(compiled, (static_cast<void>(I), v)...);
      EXPECT_EQ(compiled, Format(F.chars, (static_cast<void>(I), v)...)) << F.chars;
    }(std::make_index_sequence<kCount>{});
  }
}

TEST(CompiledFormat, SameTextAsTheRuntimeFormatter) {
  const std::vector<int> ints = {INT_MIN, -32768, -100, -1, 0, 1, 7, 9, 10, 99, 100, 12345, 99999, INT_MAX};
  SameAsRuntime<"%d">(ints);
  SameAsRuntime<"<%5d>">(ints);
  SameAsRuntime<"<%-5d>">(ints);
  SameAsRuntime<"<%05d>">(ints);
  SameAsRuntime<"<%+d % d>">(ints);
  SameAsRuntime<"<%.3d>">(ints);
  SameAsRuntime<"<%8.3d>">(ints);
  SameAsRuntime<"<%-08.3d>">(ints);
  SameAsRuntime<"<%.0d>">(ints);
  SameAsRuntime<"<%i %2i>">(ints);
  const std::vector<unsigned> us = {0u, 1u, 9u, 15u, 16u, 255u, 0xABCDu, 0x80000000u, UINT_MAX};
  SameAsRuntime<"%u">(us);
  SameAsRuntime<"<%x>">(us);
  SameAsRuntime<"<%#x>">(us);
  SameAsRuntime<"<%#o %o>">(us);
  SameAsRuntime<"<%.4X>">(us);
  SameAsRuntime<"<%.09X>">(us);
  SameAsRuntime<"<%#08X>">(us);
  SameAsRuntime<"<%-#10x>">(us);
  SameAsRuntime<"<%.0x>">(us);
  SameAsRuntime<"<%c|%5c|%-3c>">(std::vector<int>{65, 10, 0, 255});
  SameAsRuntime<"<%lld %.2lld %25lld>">(std::vector<long long>{LLONG_MIN, -1LL, 0LL, 5LL, LLONG_MAX});
  SameAsRuntime<"<%zu %zx>">(std::vector<size_t>{size_t{0}, size_t{1} << 40, SIZE_MAX});
  SameAsRuntime<"<%f>">(std::vector<double>{0.0, -0.0, 0.125, 2.675, -1e300, 1e-7, std::nan(""), -HUGE_VAL});
  SameAsRuntime<"<%.0f %7.2f %-9.3f %+.1f % 05.2f %F %#.0f>">(std::vector<double>{0.5, 1.5, -2.5, 59.999, 123456.789, HUGE_VAL});
  SameAsRuntime<"<%s|%.2s|%8s|%-8s|%.0s>">(std::vector<const char*>{"", "a", "Bitmap", "a\nb", "long text of more than eight"});
  SameAsRuntime<"100%% %d%%">(std::vector<int>{3});
}

// In the output file every line feed becomes CR LF: the format's own, and
// those of a text put into it.
TEST(CompiledFormat, RowsWriteCrLfLikePrintf) {
  std::string compiled, runtime;
  skarn::SourceWriter a, b;
  ASSERT_TRUE(a.Open(std::make_unique<skarn::StringSink>(&compiled)));
  ASSERT_TRUE(b.Open(std::make_unique<skarn::StringSink>(&runtime)));
  for (int i = -3; i < 40000; i += 7) {
    a.Row<"\t\t%5d %4d ; %3d\n%s\n">(i, -i, i / 3, i % 2 == 0 ? "x\ny" : "");
    b.Printf("\t\t%5d %4d ; %3d\n%s\n", i, -i, i / 3, i % 2 == 0 ? "x\ny" : "");
  }
  a.Close();
  b.Close();
  EXPECT_EQ(compiled, runtime);
  EXPECT_EQ(compiled.substr(0, 22), "\t\t   -3    3 ;  -1\r\n\r\n");
}

// ---------------------------------------------------------------------------
// The locale has no effect

TEST(FormatLocale, GermanLocaleKeepsThePoint) {
#if defined(_WIN32)
  const char* const german = "German_Germany.1252";
#else
  const char* const german = "de_DE.UTF-8";
#endif
  if (std::setlocale(LC_ALL, german) == nullptr) {
    GTEST_SKIP() << "locale " << german << " is not installed";
  }
  struct RestoreC {
    ~RestoreC() { std::setlocale(LC_ALL, "C"); }
  } restore;
  // The C library now writes a decimal comma; the formatter does not.
  EXPECT_EQ(Reference("%.2f", 0.5), "0,50");
  EXPECT_EQ(Format("%.2f", 0.5), "0.50");
  EXPECT_EQ(Format("%08.3f|%d", -1234.5, 1234567), "-1234.500|1234567");
  std::string text;
  skarn::AppendFixed(text, 2.25, 1);
  EXPECT_EQ(text, "2.2");
}

}  // namespace
