#include "platform/MulDiv.h"

#include <limits>

namespace kyp {

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    int64_t num = static_cast<int64_t>(a) * b;
    int64_t den = c;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    if (num >= 0)
        num += den / 2;
    else
        num -= den / 2;
    const int64_t q = num / den;
    if (q > std::numeric_limits<int32_t>::max() || q < std::numeric_limits<int32_t>::min()) return -1;
    return static_cast<int32_t>(q);
}

}  // namespace kyp
