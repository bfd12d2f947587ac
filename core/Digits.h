// Decimal digits two at a time, shared by the run-time and the compiled
// formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace skarn::digits {

inline constexpr char kPairs[] =
    "00010203040506070809"
    "10111213141516171819"
    "20212223242526272829"
    "30313233343536373839"
    "40414243444546474849"
    "50515253545556575859"
    "60616263646566676869"
    "70717273747576777879"
    "80818283848586878889"
    "90919293949596979899";

// Writes the decimal digits of v so that they end just before end; returns
// the first digit. v == 0 writes "0".
inline char* Decimal(uint64_t v, char* end) {
  while (v >= 100) {
    const auto r = static_cast<size_t>(v % 100);
    v /= 100;
    end -= 2;
    std::memcpy(end, kPairs + 2 * r, 2);
  }
  if (v >= 10) {
    end -= 2;
    std::memcpy(end, kPairs + 2 * static_cast<size_t>(v), 2);
  } else {
    *--end = static_cast<char>('0' + v);
  }
  return end;
}

}  // namespace skarn::digits
