#pragma once
#include <cstdint>

namespace kyp {

// a * b / c with the product in 64 bits, rounded half away from zero.
// Returns -1 when c is 0 or the result does not fit in 32 bits, like the
// Win32 call the stored formats and dialog arithmetic were designed around.
[[nodiscard]] int32_t MulDiv(int32_t a, int32_t b, int32_t c);

}  // namespace kyp
