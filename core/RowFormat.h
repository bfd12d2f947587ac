// Formats read when the program is compiled.
//
// The rows that make up most of a source file (a point, a vertex number, a
// command with a few words) are written many millions of times with the same
// format. SourceWriter::Row<"\t\t%5d %4d %5d ; %3d\n">(x, y, z, i) parses its
// format once, at compile time, into literal pieces (line feeds already
// turned into CR LF) and conversions, checks the arguments against them, and
// writes each row straight into the output buffer. The text is the same as
// that of the run-time formats (Format.h) for the same format and arguments.
//
// Supported: flags "-+ #0", a width and a precision as numbers (no "*"), the
// length modifiers l, ll, z and j, and the conversions d i u o x X c s f F and
// "%%". An integer argument must have the size its length modifier names (int
// without one); it is read as signed for d and i, as unsigned otherwise, as
// printf reads it. A "%s" argument is a const char*, a std::string or a
// std::string_view; line feeds in it become CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "core/Digits.h"
#include "core/Format.h"

namespace skarn::fmt {

// A format as a template argument.
template <size_t N>
struct Text {
  char chars[N] = {};
  consteval Text(const char (&s)[N]) {  // NOLINT: implicit on purpose
    for (size_t i = 0; i < N; ++i) chars[i] = s[i];
  }
};

// A conversion: its flags, width and precision (as for a float), the size
// of an integer argument and the conversion character.
struct Conversion : FloatLayout {
  size_t size = sizeof(int);
  char conv = 0;
};

// N: the format's length with its 0. Literal pieces: piece i comes before
// conversion i, the last one after the last conversion.
template <size_t N>
struct Plan {
  char literal[2 * N] = {};
  size_t pieceStart[N + 1] = {};
  size_t pieceLength[N + 1] = {};
  Conversion conversion[N] = {};
  size_t count = 0;
  size_t literalBytes = 0;
  bool crlf = true;
};

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// crlf: every line feed becomes CR LF (the output file), or stays as it is
// (a text composed in a string).
template <size_t N>
consteval Plan<N> Parse(const char* f, bool crlf) {
  Plan<N> plan;
  plan.crlf = crlf;
  size_t out = 0;
  auto put = [&](char c) {
    if (c == '\n' && crlf) plan.literal[out++] = '\r';
    plan.literal[out++] = c;
  };
  auto number = [&](size_t& i) {
    int v = 0;
    while (IsDigit(f[i])) v = v * 10 + (f[i++] - '0');
    return v;
  };
  size_t i = 0;
  while (f[i] != '\0') {
    if (f[i] != '%') {
      put(f[i++]);
      continue;
    }
    if (f[i + 1] == '%') {
      put('%');
      i += 2;
      continue;
    }
    ++i;
    Conversion s;
    for (;; ++i) {
      if (f[i] == '-') {
        s.left = true;
      } else if (f[i] == '+') {
        s.plus = true;
      } else if (f[i] == ' ') {
        s.space = true;
      } else if (f[i] == '#') {
        s.alt = true;
      } else if (f[i] == '0') {
        s.zero = true;
      } else {
        break;
      }
    }
    if (f[i] == '*') throw "a compiled format takes no '*' width";
    s.width = number(i);
    if (f[i] == '.') {
      ++i;
      if (f[i] == '*') throw "a compiled format takes no '*' precision";
      s.precision = number(i);
    }
    if (f[i] == 'h') throw "a compiled format takes no h or hh";
    if (f[i] == 'l' && f[i + 1] == 'l') {
      s.size = sizeof(long long);
      i += 2;
    } else if (f[i] == 'l') {
      s.size = sizeof(long);
      ++i;
    } else if (f[i] == 'z') {
      s.size = sizeof(size_t);
      ++i;
    } else if (f[i] == 'j') {
      s.size = sizeof(intmax_t);
      ++i;
    }
    s.conv = f[i++];
    s.upper = s.conv == 'F';
    switch (s.conv) {
      case 'd': case 'i': case 'u': case 'o': case 'x': case 'X': case 'f': case 'F': break;
      case 'c': case 's':
        if (s.size != sizeof(int)) throw "no wide characters in a compiled format";
        break;
      default: throw "a conversion a compiled format does not know";
    }
    plan.pieceLength[plan.count] = out - plan.pieceStart[plan.count];
    plan.conversion[plan.count++] = s;
    plan.pieceStart[plan.count] = out;
  }
  plan.pieceLength[plan.count] = out - plan.pieceStart[plan.count];
  plan.literalBytes = out;
  return plan;
}

consteval size_t Length(const char* f) {
  size_t n = 0;
  while (f[n] != '\0') ++n;
  return n + 1;
}

// The plan of a format given as a literal, or as the address of a constexpr
// character array.
template <Text F, bool kCrLf = true>
struct Compiled {
  static constexpr Plan<sizeof(F.chars)> plan = Parse<sizeof(F.chars)>(F.chars, kCrLf);
};
template <const char* F>
struct CompiledArray {
  static constexpr Plan<Length(F)> plan = Parse<Length(F)>(F, true);
};

// ---- the conversions -------------------------------------------------------

template <class T>
constexpr bool kIsText = std::is_same_v<T, const char*> || std::is_same_v<T, char*> ||
                         std::is_same_v<T, std::string> || std::is_same_v<T, std::string_view>;

inline std::string_view TextOf(const char* s, int precision) {
  if (s == nullptr) return precision < 0 || precision >= 6 ? "(null)" : "";  // as glibc
  if (precision < 0) return s;
  const void* nul = std::memchr(s, 0, static_cast<size_t>(precision));
  return {s, nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - s) : static_cast<size_t>(precision)};
}
inline std::string_view TextOf(std::string_view s, int precision) {
  return precision >= 0 && static_cast<size_t>(precision) < s.size() ? s.substr(0, static_cast<size_t>(precision)) : s;
}

// The most bytes a conversion other than "%s" writes.
constexpr size_t ConversionRoom(const Conversion& s) {
  if (s.conv == 'f' || s.conv == 'F') return FloatRoom(s);
  const size_t digits = 24 + static_cast<size_t>(s.precision < 0 ? 0 : s.precision);
  return static_cast<size_t>(s.width) > digits ? static_cast<size_t>(s.width) : digits;
}

// The most bytes conversion I of plan H writes for arg.
template <class H, size_t I, class T>
size_t Room(const T& arg) {
  constexpr Conversion s = H::plan.conversion[I];
  if constexpr (s.conv == 's') {
    static_assert(kIsText<T>, "%s takes a const char*, a std::string or a std::string_view");
    return static_cast<size_t>(s.width) + 2 * TextOf(arg, s.precision).size();
  } else {
    return ConversionRoom(s);
  }
}

// Writes text padded to the width (in CR LF plans each line feed as CR LF).
template <class H, size_t I>
char* PutText(char* o, std::string_view text) {
  constexpr Conversion s = H::plan.conversion[I];
  const size_t pad = static_cast<size_t>(s.width) > text.size() ? static_cast<size_t>(s.width) - text.size() : 0;
  if (!s.left && pad != 0) {
    std::memset(o, ' ', pad);
    o += pad;
  }
  while (H::plan.crlf) {
    const void* nl = std::memchr(text.data(), '\n', text.size());
    if (nl == nullptr) break;
    const auto n = static_cast<size_t>(static_cast<const char*>(nl) - text.data());
    std::memcpy(o, text.data(), n);
    o += n;
    *o++ = '\r';
    *o++ = '\n';
    text.remove_prefix(n + 1);
  }
  std::memcpy(o, text.data(), text.size());
  o += text.size();
  if (s.left && pad != 0) {
    std::memset(o, ' ', pad);
    o += pad;
  }
  return o;
}

// The number of digits of a non-zero magnitude in the conversion's base.
template <char kConv>
size_t DigitCount(uint64_t v) {
  size_t n = 1;
  if constexpr (kConv == 'o') {
    while (v >= 8) {
      v >>= 3;
      ++n;
    }
  } else if constexpr (kConv == 'x' || kConv == 'X') {
    while (v >= 16) {
      v >>= 4;
      ++n;
    }
  } else {
    for (; v >= 10000; v /= 10000) n += 4;
    if (v >= 100) {
      v /= 100;
      n += 2;
    }
    if (v >= 10) ++n;
  }
  return n;
}

template <char kConv>
void PutDigits(uint64_t v, char* end) {
  if constexpr (kConv == 'o') {
    do {
      *--end = static_cast<char>('0' + (v & 7));
      v >>= 3;
    } while (v != 0);
  } else if constexpr (kConv == 'x' || kConv == 'X') {
    constexpr const char* kHex = kConv == 'x' ? "0123456789abcdef" : "0123456789ABCDEF";
    do {
      *--end = kHex[v & 15];
      v >>= 4;
    } while (v != 0);
  } else {
    digits::Decimal(v, end);
  }
}

template <class H, size_t I>
char* PutInteger(char* o, uint64_t magnitude, bool negative) {
  constexpr Conversion s = H::plan.conversion[I];
  const size_t ndigits = magnitude == 0 ? 0 : DigitCount<s.conv>(magnitude);
  constexpr auto kMinDigits = static_cast<size_t>(s.precision < 0 ? 1 : s.precision);
  size_t zeros = kMinDigits > ndigits ? kMinDigits - ndigits : 0;
  char prefix[2] = {0, 0};
  size_t prefixLength = 0;
  if constexpr (s.conv == 'd' || s.conv == 'i') {
    if (negative) {
      prefix[prefixLength++] = '-';
    } else if (s.plus) {
      prefix[prefixLength++] = '+';
    } else if (s.space) {
      prefix[prefixLength++] = ' ';
    }
  } else if constexpr (s.alt && s.conv == 'o') {
    if (zeros == 0) zeros = 1;  // the first digit must be 0
  } else if constexpr (s.alt && (s.conv == 'x' || s.conv == 'X')) {
    if (magnitude != 0) {
      prefix[prefixLength++] = '0';
      prefix[prefixLength++] = s.conv;
    }
  }
  size_t pad = 0;
  if constexpr (s.width != 0) {
    const size_t length = prefixLength + zeros + ndigits;
    pad = static_cast<size_t>(s.width) > length ? static_cast<size_t>(s.width) - length : 0;
    if constexpr (s.left) {
      // after the number
    } else if constexpr (s.zero && s.precision < 0) {
      zeros += pad;
      pad = 0;
    } else {
      std::memset(o, ' ', pad);
      o += pad;
      pad = 0;
    }
  }
  if (prefixLength != 0) {
    std::memcpy(o, prefix, prefixLength);
    o += prefixLength;
  }
  if (zeros != 0) {
    std::memset(o, '0', zeros);
    o += zeros;
  }
  if (ndigits != 0) {
    o += ndigits;
    PutDigits<s.conv>(magnitude, o);
  }
  if constexpr (s.left) {
    std::memset(o, ' ', pad);
    o += pad;
  }
  return o;
}

// Writes conversion I of plan H for arg at o; returns the end.
template <class H, size_t I, class T>
char* Convert(char* o, const T& arg) {
  constexpr Conversion s = H::plan.conversion[I];
  if constexpr (s.conv == 'f' || s.conv == 'F') {
    static_assert(std::is_floating_point_v<T>, "%f takes a floating-point argument");
    return WriteFloat(o, static_cast<double>(arg), s);
  } else if constexpr (s.conv == 's') {
    return PutText<H, I>(o, TextOf(arg, s.precision));
  } else {
    static_assert(std::is_integral_v<T>, "an integer conversion takes an integer");
    using Promoted = decltype(+arg);
    static_assert(sizeof(Promoted) == s.size, "the integer's size is the one the length modifier names");
    if constexpr (s.conv == 'c') {
      const char c = static_cast<char>(static_cast<unsigned char>(arg));
      return PutText<H, I>(o, std::string_view(&c, 1));
    } else if constexpr (s.conv == 'd' || s.conv == 'i') {
      const auto v = static_cast<std::make_signed_t<Promoted>>(arg);
      const bool negative = v < 0;
      const uint64_t magnitude = negative ? uint64_t{0} - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
      return PutInteger<H, I>(o, magnitude, negative);
    } else {
      return PutInteger<H, I>(o, static_cast<uint64_t>(static_cast<std::make_unsigned_t<Promoted>>(arg)), false);
    }
  }
}

// Copies literal piece I of plan H.
template <class H, size_t I>
char* Piece(char* o) {
  constexpr size_t n = H::plan.pieceLength[I];
  if constexpr (n != 0) std::memcpy(o, H::plan.literal + H::plan.pieceStart[I], n);
  return o + n;
}

// The most bytes plan H writes for these arguments.
template <class H, class... A>
size_t RoomFor(const A&... args) {
  static_assert(H::plan.count == sizeof...(A), "one argument for each conversion");
  return [&]<size_t... I>(std::index_sequence<I...>) {
    return H::plan.literalBytes + (size_t{0} + ... + Room<H, I>(args));
  }(std::index_sequence_for<A...>{});
}

// The same for a plan without "%s": a constant, for a buffer on the stack.
template <class H>
consteval size_t FixedRoom() {
  size_t room = H::plan.literalBytes;
  for (size_t i = 0; i < H::plan.count; ++i) {
    const Conversion s = H::plan.conversion[i];
    if (s.conv == 's') throw "a plan with %s has no fixed room";
    room += ConversionRoom(s);
  }
  return room;
}

// Writes the text of plan H at o, which has room for RoomFor<H>(args...)
// bytes; returns its end.
template <class H, class... A>
char* Write(char* o, const A&... args) {
  return [&]<size_t... I>(std::index_sequence<I...>) {
    o = Piece<H, 0>(o);
    ((o = Piece<H, I + 1>(Convert<H, I>(o, args))), ...);
    return o;
  }(std::index_sequence_for<A...>{});
}

// Appends the text to a string, line feeds as they are.
template <Text F, class... A>
void Append(std::string& out, const A&... args) {
  using H = Compiled<F, false>;
  const size_t old = out.size();
  out.resize(old + RoomFor<H>(args...));
  char* end = Write<H>(out.data() + old, args...);
  out.resize(static_cast<size_t>(end - out.data()));
}

}  // namespace skarn::fmt
