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

// Appends v as "%.*f" would, with the given precision (correctly rounded).
void AppendFixed(std::string& out, double v, int precision);

}  // namespace skarn
