#include "engine/process/UnsharpMask.h"

#include <algorithm>
#include <cstddef>

#include "engine/core/KernelTargets.h"
#include "platform/Parallel.h"

namespace kyp {

namespace {

constexpr size_t kTickRows = 20;
constexpr int32_t kMaxSample = 1023;

// Pushes one row of samples away from their blurred values. Differences are at
// most 65535 in size, so d x 2 x amount fits 32 bits for amounts up to
// kNarrowAmount (every amount the Sharpen page offers); larger ones take 64 bits.
constexpr int32_t kNarrowAmount = 16383;

template <typename Wide>
inline __attribute__((always_inline)) void SharpenRow(uint16_t* samples, const uint16_t* blurred, size_t count,
                                                      Wide amount, int32_t limit) {
    for (size_t i = 0; i < count; ++i) {
        const int32_t difference = int32_t{samples[i]} - int32_t{blurred[i]};
        const int32_t magnitude = difference < 0 ? -difference : difference;
        const Wide value = blurred[i] + Wide{difference} * 2 * amount / 100;
        const auto sharpened = static_cast<uint16_t>(std::clamp<Wide>(value, 0, kMaxSample));
        samples[i] = magnitude > limit ? sharpened : samples[i];
    }
}

KYP_ALWAYS_INLINE void SharpenRowNarrowBody(uint16_t* samples, const uint16_t* blurred, size_t count, int32_t amount,
                                            int32_t limit) {
    SharpenRow<int32_t>(samples, blurred, count, amount, limit);
}

KYP_KERNEL_VARIANTS(SharpenRowNarrowFor, SharpenRowNarrowBody,
                    (uint16_t* samples, const uint16_t* blurred, size_t count, int32_t amount, int32_t limit),
                    (samples, blurred, count, amount, limit))

void SharpenRowNarrow(uint16_t* samples, const uint16_t* blurred, size_t count, int32_t amount, int32_t limit) {
    PickSharpenRowNarrowFor(KernelTargetInUse())(samples, blurred, count, amount, limit);
}

void SharpenRowWide(uint16_t* samples, const uint16_t* blurred, size_t count, int64_t amount, int32_t limit) {
    SharpenRow<int64_t>(samples, blurred, count, amount, limit);
}

}  // namespace

bool UnsharpMask(ProcessedImage& image, int32_t amount, float radius, int32_t threshold, ProgressCallback* progress,
                 SharpenBuffers& buffers) {
    // Written so that a radius that is not a number also does nothing.
    if (!(radius >= kMinUsmRadius)) return true;
    if (image.channels != 1 && image.channels != 3) return false;

    const size_t rowSamples = size_t{image.width} * image.channels;
    const size_t height = image.height;
    if (rowSamples == 0 || height == 0) return true;
    if (image.samples == nullptr) return false;
    if (rowSamples > SIZE_MAX / height || !buffers.blurred.Reserve(rowSamples * height)) return false;

    const int result = GaussianBlur(buffers.blurred.Data(), image, radius, progress, buffers.blur);
    if (result != blur::kBlurred) return result == blur::kNotNeeded;

    // Differences are at most 65535 in size, so a limit of 65535 already means
    // "never"; clamping keeps 2 x threshold from overflowing.
    const auto limit = static_cast<int32_t>(std::clamp<int64_t>(2 * int64_t{threshold}, -1, 65535));
    const bool narrow = amount >= -kNarrowAmount && amount <= kNarrowAmount;
    return TickedRanges(height, kTickRows, CountdownPhase(height, kTickRows), progress,
                        std::max<size_t>(1, 32768 / rowSamples), [&](size_t first, size_t end, unsigned) {
                            for (size_t y = first; y < end; ++y) {
                                uint16_t* row = image.samples + y * rowSamples;
                                const uint16_t* blurredRow = buffers.blurred.Data() + y * rowSamples;
                                if (narrow) {
                                    SharpenRowNarrow(row, blurredRow, rowSamples, amount, limit);
                                } else {
                                    SharpenRowWide(row, blurredRow, rowSamples, amount, limit);
                                }
                            }
                        });
}

bool UnsharpMask(ProcessedImage& image, int32_t amount, float radius, int32_t threshold,
                 ProgressCallback* progress) {
    SharpenBuffers buffers;
    return UnsharpMask(image, amount, radius, threshold, progress, buffers);
}

}  // namespace kyp
