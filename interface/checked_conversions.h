// Float-to-integer conversions with a defined result for every input.
//
// A C++ conversion of NaN or of a value outside the target range is undefined
// behaviour. These give the smallest integer of the target width instead, the
// value x86's truncating conversion instructions produce.
#pragma once

#include <cstdint>
#include <limits>

inline std::int32_t TruncateToInt32(double x) {
  if (x > -2147483649.0 && x < 2147483648.0) return static_cast<std::int32_t>(x);
  return std::numeric_limits<std::int32_t>::min();
}

inline std::int64_t TruncateToInt64(double x) {
  if (x >= -9223372036854775808.0 && x < 9223372036854775808.0) {
    return static_cast<std::int64_t>(x);
  }
  return std::numeric_limits<std::int64_t>::min();
}

// The low 32 bits of `x`, as a signed value.
inline std::int32_t LowWord(std::int64_t x) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(x)));
}
