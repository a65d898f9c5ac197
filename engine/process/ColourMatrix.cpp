#include "engine/process/ColourMatrix.h"

#include <cstddef>

#include "engine/process/ToneTable.h"

namespace kyp {
namespace {

// |coefficient| <= 32768 and samples <= 1023, so a row sum stays within
// 3 * 32768 * 1023 (about 1.0e8): 32-bit arithmetic cannot overflow.
inline uint16_t Row(int32_t a, int32_t b, int32_t c, int32_t r, int32_t g, int32_t bl) {
    return ClampToToneRange((a * r + b * g + c * bl) / 256);
}

}  // namespace

bool ApplyColourMatrix(ProcessedImage& image, std::span<const int16_t, 9> matrix) {
    if (image.channels != 3) return false;
    if (image.samples == nullptr) return true;
    const int32_t m0 = matrix[0], m1 = matrix[1], m2 = matrix[2];
    const int32_t m3 = matrix[3], m4 = matrix[4], m5 = matrix[5];
    const int32_t m6 = matrix[6], m7 = matrix[7], m8 = matrix[8];

    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    uint16_t* p = image.samples;
    for (size_t i = 0; i < pixels; ++i, p += 3) {
        const int32_t r = static_cast<int32_t>(ClampTableIndex(p[0]));
        const int32_t g = static_cast<int32_t>(ClampTableIndex(p[1]));
        const int32_t b = static_cast<int32_t>(ClampTableIndex(p[2]));
        p[0] = Row(m0, m1, m2, r, g, b);
        p[1] = Row(m3, m4, m5, r, g, b);
        p[2] = Row(m6, m7, m8, r, g, b);
    }
    return true;
}

}  // namespace kyp
