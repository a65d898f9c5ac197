#pragma once
#include <cstdint>

namespace kyp {

// a * b / c with the product in 64 bits, rounded half away from zero.
// Returns -1 when c is 0 or the result does not fit in 32 bits. The curve
// tables interpolate between their points with it, so this rounding is part
// of every table built from a stored curve.
[[nodiscard]] int32_t MulDiv(int32_t a, int32_t b, int32_t c);

}  // namespace kyp
