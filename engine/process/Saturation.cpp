#include "engine/process/Saturation.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/core/KernelTargets.h"
#include "engine/process/ToneTable.h"
#include "platform/Parallel.h"

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

namespace {

constexpr size_t kGrainPixels = 16384;

// Row sums (m0 r + m1 g + m2 b) >> 12 for every pixel, in Wide arithmetic.
template <class Wide>
KYP_ALWAYS_INLINE void SaturatePixels(uint16_t* __restrict p, size_t pixels, const int32_t* __restrict matrix) {
    const Wide m0 = matrix[0], m1 = matrix[1], m2 = matrix[2], m3 = matrix[3], m4 = matrix[4], m5 = matrix[5],
               m6 = matrix[6], m7 = matrix[7], m8 = matrix[8];
    auto clamp = [](Wide v) __attribute__((always_inline)) {
        return static_cast<uint16_t>(v < 0 ? 0 : v > 1023 ? 1023 : v);
    };
    for (size_t i = 0; i < pixels; ++i) {
        const Wide r = static_cast<Wide>(ClampTableIndex(p[3 * i]));
        const Wide g = static_cast<Wide>(ClampTableIndex(p[3 * i + 1]));
        const Wide b = static_cast<Wide>(ClampTableIndex(p[3 * i + 2]));
        p[3 * i] = clamp((m0 * r + m1 * g + m2 * b) >> 12);
        p[3 * i + 1] = clamp((m3 * r + m4 * g + m5 * b) >> 12);
        p[3 * i + 2] = clamp((m6 * r + m7 * g + m8 * b) >> 12);
    }
}

KYP_ALWAYS_INLINE void SaturateNarrow(uint16_t* __restrict p, size_t pixels, const int32_t* __restrict matrix) {
    SaturatePixels<int32_t>(p, pixels, matrix);
}

KYP_KERNEL_VARIANTS(SaturateRun, SaturateNarrow,
                    (uint16_t* __restrict p, size_t pixels, const int32_t* __restrict matrix), (p, pixels, matrix))

// A row whose coefficients' magnitudes add up to at most this keeps every
// sum with samples up to 1023 inside 32 bits.
constexpr int64_t kNarrowRowLimit = INT32_MAX / 1023;

}  // namespace

SaturationBand::SaturationBand(float saturation) : kernel_(PickSaturateRun(KernelTargetInUse())) {
    const SaturationMatrix m = BuildSaturationMatrix(saturation);
    for (int row = 0; row < 3; ++row) {
        int64_t magnitude = 0;
        for (int column = 0; column < 3; ++column) {
            matrix_[3 * row + column] = m[3 * row + column];
            magnitude += std::abs(int64_t{m[3 * row + column]});
        }
        narrow_ = narrow_ && magnitude <= kNarrowRowLimit;
    }
}

void SaturationBand::operator()(uint16_t* samples, size_t pixels) const {
    // Saturations up to 1000 give coefficients of about 4.1e6; with samples up
    // to 1023 a row sum can then pass 2^31 and is carried in 64 bits. Usual
    // saturations take the 32-bit kernel, which gives the same sums.
    if (narrow_) {
        kernel_(samples, pixels, matrix_);
    } else {
        SaturatePixels<int64_t>(samples, pixels, matrix_);
    }
}

void ApplySaturation(ProcessedImage& image, float saturation) {
    if (image.channels != 3 || image.samples == nullptr) return;
    const SaturationBand band(saturation);
    uint16_t* const samples = image.samples;
    ParallelRanges(static_cast<size_t>(image.width) * image.height, kGrainPixels,
                   [&](size_t begin, size_t end, unsigned) { band(samples + 3 * begin, end - begin); });
}

}  // namespace kyp
