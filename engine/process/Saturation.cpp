#include "engine/process/Saturation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "engine/process/ToneTable.h"

namespace kyp {
namespace {

// The programs accept saturations up to 1000; anything beyond this bound
// (infinity included) already saturates every coloured pixel, and the bound
// keeps 4096 * s well inside 32 bits.
constexpr float kSaturationLimit = 100000.0f;

int32_t Coefficient(double value) { return static_cast<int32_t>(std::trunc(4096.0 * value)); }

}  // namespace

SaturationMatrix BuildSaturationMatrix(float saturation) {
    if (std::isnan(saturation)) saturation = 1.0f;
    saturation = std::clamp(saturation, -kSaturationLimit, kSaturationLimit);
    // The weights are single-precision constants; k and the red weight are held
    // in single precision, the rest is carried in double.
    const float k = 1.0f - saturation;
    const float wR = k * 0.2126f;
    const double wG = static_cast<double>(k) * static_cast<double>(0.7152f);
    const double wB = static_cast<double>(k) * static_cast<double>(0.0722f);
    const double s = saturation;
    const double r = wR;
    return SaturationMatrix{Coefficient(r + s), Coefficient(wG), Coefficient(wB),
                            Coefficient(r), Coefficient(wG + s), Coefficient(wB),
                            Coefficient(r), Coefficient(wG), Coefficient(wB + s)};
}

void ApplySaturation(ProcessedImage& image, float saturation) {
    if (image.channels != 3 || image.samples == nullptr) return;
    const SaturationMatrix m = BuildSaturationMatrix(saturation);
    // Saturations up to 1000 give coefficients of about 4.1e6; with samples up
    // to 1023 a row sum can pass 2^31, so it is carried in 64 bits.
    const int64_t m0 = m[0], m1 = m[1], m2 = m[2], m3 = m[3], m4 = m[4], m5 = m[5], m6 = m[6], m7 = m[7],
                  m8 = m[8];
    const size_t pixels = static_cast<size_t>(image.width) * image.height;
    uint16_t* p = image.samples;
    for (size_t i = 0; i < pixels; ++i, p += 3) {
        const int64_t r = ClampTableIndex(p[0]);
        const int64_t g = ClampTableIndex(p[1]);
        const int64_t b = ClampTableIndex(p[2]);
        p[0] = ClampToToneRange((m0 * r + m1 * g + m2 * b) >> 12);
        p[1] = ClampToToneRange((m3 * r + m4 * g + m5 * b) >> 12);
        p[2] = ClampToToneRange((m6 * r + m7 * g + m8 * b) >> 12);
    }
}

}  // namespace kyp
