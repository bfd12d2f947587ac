// printf-compatible text composition without the C library's printf family
// and without the locale (see Format.h).
//
// Integers are converted with shifts (octal, hexadecimal) or with divisions by
// the constant 100 (decimal), which the compiler turns into multiplications.
// Floats ("%f") are converted from the exact binary value of the double:
//   v = m * 2^e with m odd (trailing zero bits removed).
//   e >= 0:        v is an integer; printed from 64 bits, or from a big integer
//                  of at most 1024 bits (repeated division by 10^9).
//   1 <= -e <= 60: integer part m >> -e, fraction bits in one 64-bit word; one
//                  multiplication by 10 per fraction digit (the common case).
//   -e > 60:       v < 2^-8, the integer part is 0 and the fraction is a big
//                  integer of at most 1074 + 30 bits, multiplied by 10^9 per
//                  nine digits.
// A binary fraction of k bits has exactly k decimal digits, so every digit up
// to min(precision, k) is exact, the rest are zeros, and the rounding decision
// compares the remaining fraction bits with one half (ties to even), which is
// what glibc does in the default rounding mode. No heap allocation besides the
// growth of the output string: the text is collected in a stack buffer and
// appended in pieces of up to 256 bytes.
//
// Conversions not listed in Format.h (also c and s with l, ll, z, j or t) are
// copied literally from the '%' to the conversion character and read no
// argument; a format that ends inside a directive copies the rest.
// As in glibc: a null "%s" argument prints "(null)" unless the precision is
// below 6 (then nothing), "%5%" prints "%", inf and nan are never zero padded,
// and a nan with the sign bit prints "-nan".
#include "core/Format.h"

#include "core/Digits.h"

#include <bit>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

namespace skarn {
namespace {

static_assert(sizeof(long long) <= 8 && sizeof(intmax_t) <= 8 && sizeof(size_t) <= 8 &&
                  sizeof(ptrdiff_t) <= 8,
              "integer arguments are converted through 64 bits");
static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559,
              "doubles are IEEE 754 binary64");

constexpr char kHexLower[] = "0123456789abcdef";
constexpr char kHexUpper[] = "0123456789ABCDEF";

constexpr uint32_t kPow10[10] = {1,      10,      100,      1000,      10000,
                                 100000, 1000000, 10000000, 100000000, 1000000000};

// Writes exactly count decimal digits of v (v < 10^count) at p, with leading zeros.
inline void FixedDigits(uint32_t v, int count, char* p) {
  char* end = p + count;
  while (end - p >= 2) {
    const uint32_t r = v % 100;
    v /= 100;
    end -= 2;
    std::memcpy(end, digits::kPairs + 2 * r, 2);
  }
  if (end != p) *--end = static_cast<char>('0' + v % 10);
}

// Collects the output in a stack buffer and appends it to the string in
// large pieces: one append per call for the usual short lines.
class Sink {
 public:
  explicit Sink(std::string& out) : out_(out) {}
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;

  void append(const char* p, size_t n) {
    if (n > kSize - used_) {
      Flush();
      if (n > kSize) {
        out_.append(p, n);
        return;
      }
    }
    std::memcpy(buf_ + used_, p, n);
    used_ += n;
  }
  void append(size_t n, char c) {
    if (n > kSize - used_) {
      Flush();
      if (n > kSize) {
        out_.append(n, c);
        return;
      }
    }
    std::memset(buf_ + used_, c, n);
    used_ += n;
  }
  void push_back(char c) {
    if (used_ == kSize) Flush();
    buf_[used_++] = c;
  }
  void Flush() {
    out_.append(buf_, used_);
    used_ = 0;
  }

 private:
  static constexpr size_t kSize = 256;
  std::string& out_;
  size_t used_ = 0;
  char buf_[kSize];
};

// Writes into memory the caller has made room in.
class RawSink {
 public:
  explicit RawSink(char* out) : p_(out) {}
  void append(const char* p, size_t n) {
    std::memcpy(p_, p, n);
    p_ += n;
  }
  void append(size_t n, char c) {
    std::memset(p_, c, n);
    p_ += n;
  }
  void push_back(char c) { *p_++ = c; }
  char* end() const { return p_; }

 private:
  char* p_;
};

struct Directive {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alt = false;
  bool zero = false;
  size_t width = 0;
  int precision = -1;  // -1: not given
};

enum class Length { kNone, kHH, kH, kL, kLL, kZ, kJ, kT };

// Appends [prefix][zeros][body][trailing_zeros], padded to the width of dir.
// zero_pad: whether the '0' flag may pad (numbers without precision).
template <class Out>
void EmitPadded(Out& out, const Directive& dir, const char* prefix, size_t prefix_len,
                size_t zeros, const char* body, size_t body_len, size_t trailing_zeros,
                bool zero_pad) {
  const size_t len = prefix_len + zeros + body_len + trailing_zeros;
  size_t pad = dir.width > len ? dir.width - len : 0;
  if (pad != 0 && !dir.left) {
    if (zero_pad && dir.zero) {
      zeros += pad;
    } else {
      out.append(pad, ' ');
    }
    pad = 0;
  }
  if (prefix_len != 0) out.append(prefix, prefix_len);
  if (zeros != 0) out.append(zeros, '0');
  out.append(body, body_len);
  if (trailing_zeros != 0) out.append(trailing_zeros, '0');
  if (pad != 0) out.append(pad, ' ');
}

void EmitInteger(Sink& out, const Directive& dir, char conv, uint64_t magnitude,
                 bool negative) {
  char buf[24];
  char* const end = buf + sizeof buf;
  char* p = end;
  if (magnitude != 0) {
    switch (conv) {
      case 'o':
        do {
          *--p = static_cast<char>('0' + (magnitude & 7));
          magnitude >>= 3;
        } while (magnitude != 0);
        break;
      case 'x':
      case 'X': {
        const char* digits = conv == 'x' ? kHexLower : kHexUpper;
        do {
          *--p = digits[magnitude & 15];
          magnitude >>= 4;
        } while (magnitude != 0);
        break;
      }
      default:
        p = digits::Decimal(magnitude, end);
        break;
    }
  }
  const auto ndigits = static_cast<size_t>(end - p);
  const auto min_digits = static_cast<size_t>(dir.precision < 0 ? 1 : dir.precision);
  size_t zeros = min_digits > ndigits ? min_digits - ndigits : 0;

  char prefix[2];
  size_t prefix_len = 0;
  if (conv == 'd' || conv == 'i') {
    if (negative) {
      prefix[prefix_len++] = '-';
    } else if (dir.plus) {
      prefix[prefix_len++] = '+';
    } else if (dir.space) {
      prefix[prefix_len++] = ' ';
    }
  } else if (dir.alt) {
    if (conv == 'o') {
      // The first digit must be 0; a non-zero value never starts with 0.
      if (zeros == 0) zeros = 1;
    } else if (conv != 'u' && p != end) {
      prefix[prefix_len++] = '0';
      prefix[prefix_len++] = conv;
    }
  }
  if (dir.width == 0) {  // the usual case
    if (prefix_len != 0) out.append(prefix, prefix_len);
    if (zeros != 0) out.append(zeros, '0');
    out.append(p, ndigits);
    return;
  }
  EmitPadded(out, dir, prefix, prefix_len, zeros, p, ndigits, 0, dir.precision < 0);
}

// ---------------------------------------------------------------------------
// Exact fixed-point conversion of doubles.

// Largest text: 309 integer digits, one carry digit, the point and at most
// 1074 fraction digits (the rest are zeros counted separately).
constexpr size_t kFixedBufferSize = 1400;

struct FixedResult {
  char* begin;            // first character
  char* end;              // one past the last character written
  size_t trailing_zeros;  // zeros that follow end
};

// Adds one unit in the last place to the digits [begin, end) (a '.' is skipped).
// Returns the new beginning (one character earlier when a '1' is carried out).
char* RoundUp(char* begin, char* end) {
  char* q = end;
  while (q != begin) {
    --q;
    if (*q == '.') continue;
    if (*q != '9') {
      ++*q;
      return begin;
    }
    *q = '0';
  }
  *--begin = '1';
  return begin;
}

// Big integer with 32-bit limbs, little-endian, fixed capacity.
struct BigInt {
  static constexpr int kCapacity = 40;  // 1280 bits
  uint32_t limb[kCapacity];
  int size = 0;  // limbs in use; limb[size - 1] != 0 unless size == 0

  void MulSmall(uint32_t factor) {
    uint64_t carry = 0;
    for (int i = 0; i < size; ++i) {
      const uint64_t t = static_cast<uint64_t>(limb[i]) * factor + carry;
      limb[i] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    if (carry != 0) limb[size++] = static_cast<uint32_t>(carry);
  }

  // Divides by divisor in place, returns the remainder.
  uint32_t DivSmall(uint32_t divisor) {
    uint64_t rem = 0;
    for (int i = size - 1; i >= 0; --i) {
      const uint64_t cur = (rem << 32) | limb[i];
      limb[i] = static_cast<uint32_t>(cur / divisor);
      rem = cur % divisor;
    }
    while (size > 0 && limb[size - 1] == 0) --size;
    return static_cast<uint32_t>(rem);
  }

  bool Bit(int k) const {
    const int q = k >> 5;
    return q < size && ((limb[q] >> (k & 31)) & 1u) != 0;
  }

  // Whether any bit below position k is set.
  bool AnyBelow(int k) const {
    const int q = k >> 5;
    for (int i = 0; i < q && i < size; ++i) {
      if (limb[i] != 0) return true;
    }
    if (q < size && (limb[q] & ((1u << (k & 31)) - 1u)) != 0) return true;
    return false;
  }

  // Removes and returns the bits from position k upwards (fewer than 33 of them).
  uint32_t TakeAbove(int k) {
    const int q = k >> 5;
    const int r = k & 31;
    if (q >= size) return 0;
    uint64_t hi = limb[q] >> r;
    if (q + 1 < size) hi |= static_cast<uint64_t>(limb[q + 1]) << (32 - r);
    limb[q] &= r == 0 ? 0u : (1u << r) - 1u;
    size = q + 1;
    while (size > 0 && limb[size - 1] == 0) --size;
    return static_cast<uint32_t>(hi);
  }
};

// Writes the decimal digits of m * 2^e (an integer of up to 1024 bits) so that
// they start at p; returns the end.
char* BigIntegerDigits(uint64_t m, int e, char* p) {
  BigInt n;
  const int q = e >> 5;
  const int r = e & 31;
  for (int i = 0; i < q; ++i) n.limb[i] = 0;
  // m < 2^53, shifted by r < 32: fits in 85 bits, three limbs.
  const uint64_t lo = m << r;
  const uint64_t hi = r == 0 ? 0 : m >> (64 - r);
  n.limb[q] = static_cast<uint32_t>(lo);
  n.limb[q + 1] = static_cast<uint32_t>(lo >> 32);
  n.limb[q + 2] = static_cast<uint32_t>(hi);
  n.size = q + 3;
  while (n.size > 0 && n.limb[n.size - 1] == 0) --n.size;

  uint32_t chunks[40];  // base 10^9, least significant first
  int count = 0;
  while (n.size > 0) chunks[count++] = n.DivSmall(1000000000u);
  char tmp[10];
  char* const tmp_end = tmp + sizeof tmp;
  char* first = digits::Decimal(chunks[count - 1], tmp_end);
  const auto first_len = static_cast<size_t>(tmp_end - first);
  std::memcpy(p, first, first_len);
  p += first_len;
  for (int i = count - 2; i >= 0; --i) {
    FixedDigits(chunks[i], 9, p);
    p += 9;
  }
  return p;
}

// Converts a finite non-negative double (its sign bit is ignored) to the text
// of "%.{precision}f" without sign. buf has kFixedBufferSize bytes.
FixedResult ConvertFixed(uint64_t bits, int precision, bool force_point, char* buf) {
  const auto prec = static_cast<size_t>(precision);
  char* const begin = buf + 1;  // room for a carried '1'
  char* p = begin;

  const int biased = static_cast<int>((bits >> 52) & 0x7FF);
  uint64_t m = bits & ((uint64_t{1} << 52) - 1);
  int e;
  if (biased == 0) {
    e = -1074;
  } else {
    m |= uint64_t{1} << 52;
    e = biased - 1075;
  }

  if (m == 0) {  // zero
    *p++ = '0';
    if (prec != 0 || force_point) *p++ = '.';
    return {begin, p, prec};
  }
  const int tz = std::countr_zero(m);
  m >>= tz;
  e += tz;

  if (e >= 0) {  // an integer
    if (static_cast<int>(std::bit_width(m)) + e <= 64) {
      char tmp[24];
      char* const tmp_end = tmp + sizeof tmp;
      char* first = digits::Decimal(m << e, tmp_end);
      const auto len = static_cast<size_t>(tmp_end - first);
      std::memcpy(p, first, len);
      p += len;
    } else {
      p = BigIntegerDigits(m, e, p);
    }
    if (prec != 0 || force_point) *p++ = '.';
    return {begin, p, prec};
  }

  const int k = -e;  // fraction bits; m is odd, so the fraction has k digits
  const size_t ndigits = prec < static_cast<size_t>(k) ? prec : static_cast<size_t>(k);
  bool round_up = false;
  if (k <= 60) {
    const uint64_t mask = (uint64_t{1} << k) - 1;
    const uint64_t int_part = m >> k;
    uint64_t frac = m & mask;
    char tmp[24];
    char* const tmp_end = tmp + sizeof tmp;
    char* first = digits::Decimal(int_part, tmp_end);
    const auto len = static_cast<size_t>(tmp_end - first);
    std::memcpy(p, first, len);
    p += len;
    if (prec != 0 || force_point) *p++ = '.';
    for (size_t i = 0; i < ndigits; ++i) {
      frac *= 10;
      *p++ = static_cast<char>('0' + (frac >> k));
      frac &= mask;
    }
    if (ndigits < static_cast<size_t>(k)) {
      const uint64_t half = uint64_t{1} << (k - 1);
      if (frac > half) {
        round_up = true;
      } else if (frac == half) {
        const char last = ndigits != 0 ? p[-1] : static_cast<char>('0' + (int_part & 1));
        round_up = ((last - '0') & 1) != 0;
      }
    }
  } else {
    // v < 2^53 / 2^61: the integer part is 0.
    *p++ = '0';
    if (prec != 0 || force_point) *p++ = '.';
    BigInt f;
    f.limb[0] = static_cast<uint32_t>(m);
    f.limb[1] = static_cast<uint32_t>(m >> 32);
    f.size = f.limb[1] != 0 ? 2 : 1;
    size_t remaining = ndigits;
    while (remaining != 0) {
      const int count = remaining < 9 ? static_cast<int>(remaining) : 9;
      f.MulSmall(kPow10[count]);
      FixedDigits(f.TakeAbove(k), count, p);
      p += count;
      remaining -= static_cast<size_t>(count);
    }
    if (ndigits < static_cast<size_t>(k) && f.Bit(k - 1)) {
      if (f.AnyBelow(k - 1)) {
        round_up = true;
      } else {
        const char last = ndigits != 0 ? p[-1] : '0';
        round_up = ((last - '0') & 1) != 0;
      }
    }
  }
  char* start = begin;
  if (round_up) start = RoundUp(begin, p);
  return {start, p, prec - ndigits};
}

template <class Out>
void EmitFloat(Out& out, const Directive& dir, bool upper, double v) {
  const uint64_t bits = std::bit_cast<uint64_t>(v);
  const bool negative = (bits >> 63) != 0;
  char sign[1];
  size_t sign_len = 0;
  if (negative) {
    sign[sign_len++] = '-';
  } else if (dir.plus) {
    sign[sign_len++] = '+';
  } else if (dir.space) {
    sign[sign_len++] = ' ';
  }
  if (((bits >> 52) & 0x7FF) == 0x7FF) {  // inf or nan: never zero padded
    const bool is_nan = (bits & ((uint64_t{1} << 52) - 1)) != 0;
    const char* text = is_nan ? (upper ? "NAN" : "nan") : (upper ? "INF" : "inf");
    EmitPadded(out, dir, sign, sign_len, 0, text, 3, 0, false);
    return;
  }
  const int precision = dir.precision < 0 ? 6 : dir.precision;
  char buf[kFixedBufferSize];
  const FixedResult r = ConvertFixed(bits, precision, dir.alt, buf);
  EmitPadded(out, dir, sign, sign_len, 0, r.begin, static_cast<size_t>(r.end - r.begin),
             r.trailing_zeros, true);
}

void EmitText(Sink& out, const Directive& dir, const char* text, size_t len) {
  if (dir.width <= len) {
    out.append(text, len);
    return;
  }
  EmitPadded(out, dir, nullptr, 0, 0, text, len, 0, false);
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number, saturating at INT_MAX.
inline int ParseNumber(const char*& p) {
  int v = 0;
  while (IsDigit(*p)) {
    const int d = *p++ - '0';
    v = v > (INT_MAX - d) / 10 ? INT_MAX : v * 10 + d;
  }
  return v;
}

}  // namespace

void VAppendf(std::string& text, const char* fmt, va_list args) {
  Sink out(text);
  va_list ap;
  va_copy(ap, args);
  const char* p = fmt;
  for (;;) {
    const char* percent = p;
    while (*percent != '%' && *percent != '\0') ++percent;
    if (percent != p) out.append(p, static_cast<size_t>(percent - p));
    if (*percent == '\0') break;
    const char* const directive_start = percent;
    p = percent + 1;

    // One pass over the conversion directive; '*' arguments are read
    // only once the conversion is known to be supported.
    Directive dir;
    for (;; ++p) {
      const char c = *p;
      if (c == '-') {
        dir.left = true;
      } else if (c == '+') {
        dir.plus = true;
      } else if (c == ' ') {
        dir.space = true;
      } else if (c == '#') {
        dir.alt = true;
      } else if (c == '0') {
        dir.zero = true;
      } else {
        break;
      }
    }
    bool width_star = false;
    int width = 0;
    if (*p == '*') {
      width_star = true;
      ++p;
    } else {
      width = ParseNumber(p);
    }
    bool precision_star = false;
    if (*p == '.') {
      ++p;
      if (*p == '*') {
        precision_star = true;
        ++p;
      } else {
        dir.precision = ParseNumber(p);
      }
    }
    Length length = Length::kNone;
    switch (*p) {
      case 'h':
        ++p;
        if (*p == 'h') {
          ++p;
          length = Length::kHH;
        } else {
          length = Length::kH;
        }
        break;
      case 'l':
        ++p;
        if (*p == 'l') {
          ++p;
          length = Length::kLL;
        } else {
          length = Length::kL;
        }
        break;
      case 'z':
        ++p;
        length = Length::kZ;
        break;
      case 'j':
        ++p;
        length = Length::kJ;
        break;
      case 't':
        ++p;
        length = Length::kT;
        break;
      default:
        break;
    }
    const char conv = *p;
    bool supported;
    switch (conv) {
      case 'd':
      case 'i':
      case 'u':
      case 'o':
      case 'x':
      case 'X':
      case 'f':
      case 'F':
      case '%':
        supported = true;
        break;
      case 'c':
      case 's':  // wide characters and strings are not supported
        supported = length == Length::kNone || length == Length::kH || length == Length::kHH;
        break;
      default:
        supported = false;
        break;
    }
    if (!supported) {  // copied literally, no argument is read
      if (conv == '\0') {
        out.append(directive_start, std::strlen(directive_start));
        break;
      }
      ++p;
      out.append(directive_start, static_cast<size_t>(p - directive_start));
      continue;
    }
    ++p;
    if (conv == '%') {
      out.push_back('%');
      continue;
    }
    if (width_star) {
      const int w = va_arg(ap, int);
      if (w < 0) {
        dir.left = true;
        dir.width = static_cast<size_t>(-static_cast<int64_t>(w));
      } else {
        dir.width = static_cast<size_t>(w);
      }
    } else {
      dir.width = static_cast<size_t>(width);
    }
    if (precision_star) {
      const int pr = va_arg(ap, int);
      dir.precision = pr < 0 ? -1 : pr;
    }

    switch (conv) {
      case 'd':
      case 'i': {
        int64_t v;
        switch (length) {
          case Length::kHH:
            v = static_cast<signed char>(va_arg(ap, int));
            break;
          case Length::kH:
            v = static_cast<short>(va_arg(ap, int));
            break;
          case Length::kL:
            v = va_arg(ap, long);
            break;
          case Length::kLL:
            v = va_arg(ap, long long);
            break;
          case Length::kZ:
            v = va_arg(ap, std::make_signed_t<size_t>);
            break;
          case Length::kJ:
            v = va_arg(ap, intmax_t);
            break;
          case Length::kT:
            v = va_arg(ap, ptrdiff_t);
            break;
          case Length::kNone:
          default:
            v = va_arg(ap, int);
            break;
        }
        const bool negative = v < 0;
        const uint64_t magnitude =
            negative ? uint64_t{0} - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        EmitInteger(out, dir, conv, magnitude, negative);
        break;
      }
      case 'u':
      case 'o':
      case 'x':
      case 'X': {
        uint64_t v;
        switch (length) {
          case Length::kHH:
            v = static_cast<unsigned char>(va_arg(ap, unsigned));
            break;
          case Length::kH:
            v = static_cast<unsigned short>(va_arg(ap, unsigned));
            break;
          case Length::kL:
            v = va_arg(ap, unsigned long);
            break;
          case Length::kLL:
            v = va_arg(ap, unsigned long long);
            break;
          case Length::kZ:
            v = va_arg(ap, size_t);
            break;
          case Length::kJ:
            v = va_arg(ap, uintmax_t);
            break;
          case Length::kT:
            v = static_cast<std::make_unsigned_t<ptrdiff_t>>(va_arg(ap, ptrdiff_t));
            break;
          case Length::kNone:
          default:
            v = va_arg(ap, unsigned);
            break;
        }
        EmitInteger(out, dir, conv, v, false);
        break;
      }
      case 'f':
      case 'F':
        EmitFloat(out, dir, conv == 'F', va_arg(ap, double));
        break;
      case 'c': {
        const char c = static_cast<char>(static_cast<unsigned char>(va_arg(ap, int)));
        EmitText(out, dir, &c, 1);
        break;
      }
      case 's': {
        const char* s = va_arg(ap, const char*);
        if (s == nullptr) {  // as glibc
          s = dir.precision < 0 || dir.precision >= 6 ? "(null)" : "";
        }
        size_t len;
        if (dir.precision < 0) {
          len = std::strlen(s);
        } else {
          const auto max = static_cast<size_t>(dir.precision);
          const void* nul = std::memchr(s, 0, max);
          len = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - s) : max;
        }
        EmitText(out, dir, s, len);
        break;
      }
      default:
        break;
    }
  }
  va_end(ap);
  out.Flush();
}

void Appendf(std::string& out, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  VAppendf(out, fmt, args);
  va_end(args);
}

std::string Format(const char* fmt, ...) {
  std::string out;
  va_list args;
  va_start(args, fmt);
  VAppendf(out, fmt, args);
  va_end(args);
  return out;
}

char* WriteFloat(char* out, double v, const FloatLayout& layout) {
  RawSink sink(out);
  Directive dir;
  dir.left = layout.left;
  dir.plus = layout.plus;
  dir.space = layout.space;
  dir.alt = layout.alt;
  dir.zero = layout.zero;
  dir.width = static_cast<size_t>(layout.width);
  dir.precision = layout.precision;
  EmitFloat(sink, dir, layout.upper, v);
  return sink.end();
}

void AppendFixed(std::string& text, double v, int precision) {
  Sink out(text);
  Directive dir;
  dir.precision = precision < 0 ? 6 : precision;
  EmitFloat(out, dir, false, v);
  out.Flush();
}

}  // namespace skarn
