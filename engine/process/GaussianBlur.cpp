#include "engine/process/GaussianBlur.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/core/KernelTargets.h"
#include "engine/process/FixedDivisor.h"
#include "platform/Parallel.h"

namespace kyp {

namespace {

// Progress rhythm of both passes, in rows or columns still to do.
constexpr size_t kTickLines = 20;
// Rows per unit of work of the horizontal pass.
constexpr size_t kGrainRows = 8;
constexpr uint32_t kMaxSample = 1023;

// The vertical pass works on strips of whole pixel columns about this many samples
// wide: a strip is copied out (its rows are short contiguous runs), and each output
// row of the strip is a weighted sum of strip rows, so the inner loops run along
// rows. Per column the arithmetic is exactly that of ConvolveLine on the column.
constexpr size_t kStripSamples = 192;

// Horizontal pass over one row; rows are independent of each other.
void BlurRow(uint16_t* destination, const ProcessedImage& image, const GaussianKernel& kernel, size_t y) {
    const size_t rowSamples = size_t{image.width} * image.channels;
    ConvolveLine(destination + y * rowSamples, image.samples + y * rowSamples, image.width, kernel, image.channels);
}

// Output row y of a strip: the strip rows under the taps that fall inside the
// column, divided by those taps' weight sum. Needs a regular kernel.
KYP_ALWAYS_INLINE void BlurStripRowBody(uint16_t* out, const uint16_t* strip, size_t stripSamples, size_t height,
                                        size_t y, const GaussianKernel& kernel) {
    const auto half = static_cast<ptrdiff_t>(kernel.halfWidth());
    const int32_t* weights = kernel.weights.data() + half;
    const auto row = static_cast<ptrdiff_t>(y);
    const ptrdiff_t first = std::max(-half, -row);
    const ptrdiff_t last = std::min(half, static_cast<ptrdiff_t>(height) - 1 - row);

    int32_t accumulator[kStripSamples];
    const uint16_t* centre = strip + y * stripSamples;
    uint32_t weightSum = static_cast<uint32_t>(weights[0]);
    for (size_t k = 0; k < stripSamples; ++k) accumulator[k] = weights[0] * centre[k];
    if (first == -half && last == half) {
        // Every tap inside: pair the symmetric taps.
        for (ptrdiff_t j = 1; j <= half; ++j) {
            const int32_t weight = weights[j];
            const uint16_t* above = centre - j * static_cast<ptrdiff_t>(stripSamples);
            const uint16_t* below = centre + j * static_cast<ptrdiff_t>(stripSamples);
            for (size_t k = 0; k < stripSamples; ++k) accumulator[k] += weight * (above[k] + below[k]);
            weightSum += 2 * static_cast<uint32_t>(weight);
        }
    } else {
        for (ptrdiff_t j = first; j <= last; ++j) {
            if (j == 0) continue;
            const int32_t weight = weights[j];
            const uint16_t* source = centre + j * static_cast<ptrdiff_t>(stripSamples);
            for (size_t k = 0; k < stripSamples; ++k) accumulator[k] += weight * source[k];
            weightSum += static_cast<uint32_t>(weight);
        }
    }
    if (weightSum == 0) {  // only a zero centre tap inside: keep the column
        std::memcpy(out, centre, stripSamples * sizeof(uint16_t));
        return;
    }
    const FixedDivisor divisor(weightSum);
    for (size_t k = 0; k < stripSamples; ++k)
        out[k] = static_cast<uint16_t>(std::min<uint32_t>(divisor.Divide(accumulator[k]), kMaxSample));
}

KYP_KERNEL_VARIANTS(BlurStripRowFor, BlurStripRowBody,
                    (uint16_t* out, const uint16_t* strip, size_t stripSamples, size_t height, size_t y,
                     const GaussianKernel& kernel),
                    (out, strip, stripSamples, height, y, kernel))

void BlurStripRow(uint16_t* out, const uint16_t* strip, size_t stripSamples, size_t height, size_t y,
                  const GaussianKernel& kernel) {
    PickBlurStripRowFor(KernelTargetInUse())(out, strip, stripSamples, height, y, kernel);
}

}  // namespace

int GaussianBlur(uint16_t* destination, const ProcessedImage& image, float radius, ProgressCallback* progress,
                 BlurBuffers& buffers) {
    if (!BuildGaussianKernel(buffers.kernel, radius) || buffers.kernel.taps() < 3) return blur::kNotNeeded;
    if (image.channels != 1 && image.channels != 3) return blur::kFailed;

    const size_t width = image.width;
    const size_t height = image.height;
    const size_t channels = image.channels;
    if (width == 0 || height == 0) return blur::kBlurred;
    if (destination == nullptr || image.samples == nullptr) return blur::kFailed;

    // The kernel comes from BuildGaussianKernel, so it is regular; the check keeps
    // the strip arithmetic's bounds true whatever happens to that function.
    if (!IsRegularKernel(buffers.kernel)) return blur::kFailed;
    const size_t stripColumns = std::clamp<size_t>(kStripSamples / channels, 1, width);
    // One strip buffer per thread.
    const size_t stripBlock = stripColumns * channels * height;
    const unsigned threads = ParallelThreads();
    if (stripBlock > SIZE_MAX / threads || !buffers.columns.Reserve(stripBlock * threads)) return blur::kFailed;
    uint16_t* const strips = buffers.columns.Data();

    // Horizontal pass: image rows into destination rows.
    if (!TickedRanges(height, kTickLines, CountdownPhase(height, kTickLines), progress, kGrainRows,
                      [&](size_t first, size_t end, unsigned) {
                          for (size_t y = first; y < end; ++y) BlurRow(destination, image, buffers.kernel, y);
                      })) {
        return blur::kFailed;
    }

    // Vertical pass: the destination's columns, a strip at a time, in place.
    // The ticks of a strip's columns come before the strip is handed out.
    const size_t rowSamples = width * channels;
    const size_t stripCount = (width + stripColumns - 1) / stripColumns;
    const size_t started = ParallelForGated(
        stripCount,
        [&](size_t index) {
            const size_t first = index * stripColumns;
            const size_t count = std::min(stripColumns, width - first);
            for (size_t x = first; x < first + count; ++x)
                if ((width - 1 - x) % kTickLines == 0 && !Tick(progress)) return false;
            return true;
        },
        [&](size_t index, unsigned slot) {
            const size_t first = index * stripColumns;
            const size_t count = std::min(stripColumns, width - first);
            const size_t stripSamples = count * channels;
            uint16_t* strip = strips + slot * stripBlock;
            uint16_t* columns = destination + first * channels;
            for (size_t y = 0; y < height; ++y)
                std::memcpy(strip + y * stripSamples, columns + y * rowSamples, stripSamples * sizeof(uint16_t));
            for (size_t y = 0; y < height; ++y)
                BlurStripRow(columns + y * rowSamples, strip, stripSamples, height, y, buffers.kernel);
        });
    return started == stripCount ? blur::kBlurred : blur::kFailed;
}

int GaussianBlur(uint16_t* destination, const ProcessedImage& image, float radius, ProgressCallback* progress) {
    BlurBuffers buffers;
    return GaussianBlur(destination, image, radius, progress, buffers);
}

}  // namespace kyp
