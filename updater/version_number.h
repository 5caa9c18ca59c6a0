// Versions and sizes are JSON numbers truncated toward zero to signed 64-bit integers.
#pragma once

#include <cstdint>
#include <limits>

namespace updater {

// NaN and magnitudes of 2^63 or more give the smallest int64 value (so such a version is
// refused); checked explicitly because an out-of-range cast is undefined.
inline int64_t TruncateToInt64(double value) {
  constexpr double kLimit = 9223372036854775808.0;  // 2^63
  if (!(value > -kLimit && value < kLimit)) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

}  // namespace updater
