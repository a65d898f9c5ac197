#include "engine/process/ColourMatrix.h"

#include <cstddef>

#include "engine/core/KernelTargets.h"
#include "engine/process/ToneTable.h"
#include "platform/Parallel.h"

namespace kyp {
namespace {

// Pixels per unit of work handed to a thread.
constexpr size_t kGrainPixels = 16384;

KYP_ALWAYS_INLINE int32_t ClampSample(int32_t value) { return value < 0 ? 0 : value > 1023 ? 1023 : value; }

// |coefficient| <= 32768 and samples <= 1023, so a row sum stays within
// 3 * 32768 * 1023 (about 1.0e8): 32-bit arithmetic cannot overflow. Written
// as one loop over interleaved pixels that the compiler vectorises.
KYP_ALWAYS_INLINE void MatrixPixels(uint16_t* __restrict p, size_t pixels, const int32_t* __restrict m) {
    const int32_t m0 = m[0], m1 = m[1], m2 = m[2], m3 = m[3], m4 = m[4], m5 = m[5], m6 = m[6], m7 = m[7],
                  m8 = m[8];
    for (size_t i = 0; i < pixels; ++i) {
        const int32_t r = static_cast<int32_t>(ClampTableIndex(p[3 * i]));
        const int32_t g = static_cast<int32_t>(ClampTableIndex(p[3 * i + 1]));
        const int32_t b = static_cast<int32_t>(ClampTableIndex(p[3 * i + 2]));
        p[3 * i] = static_cast<uint16_t>(ClampSample((m0 * r + m1 * g + m2 * b) / 256));
        p[3 * i + 1] = static_cast<uint16_t>(ClampSample((m3 * r + m4 * g + m5 * b) / 256));
        p[3 * i + 2] = static_cast<uint16_t>(ClampSample((m6 * r + m7 * g + m8 * b) / 256));
    }
}

KYP_KERNEL_VARIANTS(MatrixRun, MatrixPixels, (uint16_t* __restrict p, size_t pixels, const int32_t* __restrict m),
                    (p, pixels, m))

}  // namespace

ColourMatrixBand::ColourMatrixBand(std::span<const int16_t, 9> matrix) : kernel_(PickMatrixRun(KernelTargetInUse())) {
    for (int i = 0; i < 9; ++i) matrix_[i] = matrix[i];
}

void ColourMatrixBand::operator()(uint16_t* samples, size_t pixels) const { kernel_(samples, pixels, matrix_); }

bool ApplyColourMatrix(ProcessedImage& image, std::span<const int16_t, 9> matrix) {
    if (image.channels != 3) return false;
    if (image.samples == nullptr) return true;
    const ColourMatrixBand band(matrix);
    uint16_t* const samples = image.samples;
    ParallelRanges(static_cast<size_t>(image.width) * image.height, kGrainPixels,
                   [&](size_t begin, size_t end, unsigned) { band(samples + 3 * begin, end - begin); });
    return true;
}

}  // namespace kyp
