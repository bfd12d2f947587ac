// printf-style text composition with the same bytes on every platform.
//
// The source text this program writes is assembled again by other tools, so a
// number must never depend on the C library or on the locale: a German desktop
// must not turn 0.12 into 0,12, and every float is rounded from its exact
// binary value with ties to even (0.125 with "%.2f" gives 0.12). The formats are
// the C ones: flags "-+ #0", width and precision (also "*"), the length
// modifiers hh h l ll z j t, and the conversions d i u o x X c s f F %.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

// The formats are checked as the GNU C library reads them, whatever the
// platform's own C library is: on Windows plain "printf" would mean the
// Microsoft runtime's dialect, which lacks %zu and %lld.
#if defined(__GNUC__) && defined(__MINGW32__) && !defined(__clang__)
#define SKARN_PRINTF(fmt_index, first_arg) __attribute__((format(gnu_printf, fmt_index, first_arg)))
#elif defined(__GNUC__)
#define SKARN_PRINTF(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))
#else
#define SKARN_PRINTF(fmt_index, first_arg)
#endif

namespace skarn {

// Appends the formatted text to out.
void Appendf(std::string& out, const char* fmt, ...) SKARN_PRINTF(2, 3);
void VAppendf(std::string& out, const char* fmt, va_list args);

// Returns the formatted text.
std::string Format(const char* fmt, ...) SKARN_PRINTF(1, 2);

// A "%f" or "%F" directive: flags, width and precision (-1: none given).
struct FloatLayout {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alt = false;
  bool zero = false;
  bool upper = false;
  int width = 0;
  int precision = -1;
};
// The most bytes WriteFloat writes for a layout: a sign, 309 integer digits
// and a carry, the point and the fraction digits, or the width.
constexpr size_t FloatRoom(const FloatLayout& layout) {
  const size_t text = 312 + static_cast<size_t>(layout.precision < 0 ? 6 : layout.precision);
  const auto width = static_cast<size_t>(layout.width);
  return width > text ? width : text;
}
// Writes v as the directive would at out, which has room for
// FloatRoom(layout) bytes; returns the end of the text.
char* WriteFloat(char* out, double v, const FloatLayout& layout);

// Appends v as "%.*f" would, with the given precision (correctly rounded).
void AppendFixed(std::string& out, double v, int precision);

}  // namespace skarn
