#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace forms {

// Real to integer, halves to the even neighbour (banker's rounding), as the
// stored geometry and every twip/pixel conversion expect. Out-of-range and NaN
// inputs saturate instead of invoking undefined behaviour.
inline std::int32_t CInt(double v) {
    if (std::isnan(v)) return 0;
    double r = std::floor(v);
    const double diff = v - r;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
    if (r >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (r <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

// Integer division of two reals: both operands rounded first, remainder dropped.
inline std::int32_t IntDiv(double a, double b) {
    const std::int64_t d = CInt(b);
    if (d == 0) return 0;
    return static_cast<std::int32_t>(static_cast<std::int64_t>(CInt(a)) / d);
}

} // namespace forms
