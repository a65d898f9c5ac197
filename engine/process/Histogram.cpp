#include "engine/process/Histogram.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "engine/core/KernelTargets.h"
#include "platform/LargeBlock.h"
#include "platform/Parallel.h"

namespace kyp {
namespace {

constexpr size_t kBlockPixels = 16;
constexpr size_t kBlocksPerTick = 800;
// Blocks per unit of work handed to a thread (a unit also ends at a tick).
constexpr size_t kGrainBlocks = 2048;

// The bins of one thread's share of the pixels. A grey image counts into two
// copies of its bins: runs of equal samples are common, and alternating
// between copies lets one increment start before the previous one to that
// bin has finished (RGB pixels already spread over four blocks of bins).
// Everything is added up at the end.
struct PartialBins {
    uint32_t bins[2][4][kToneTableSize];
};

// Luminance of `count` RGB pixels (ClampTableIndex applied to each sample):
// a plain loop that the compiler turns into vector code.
KYP_ALWAYS_INLINE void LuminanceOfPixelsBody(const uint16_t* __restrict p, uint16_t* __restrict out, size_t count) {
    for (size_t k = 0; k < count; ++k) {
        out[k] = static_cast<uint16_t>(
            PixelLuminance(ClampTableIndex(p[3 * k]), ClampTableIndex(p[3 * k + 1]), ClampTableIndex(p[3 * k + 2])));
    }
}

KYP_KERNEL_VARIANTS(LuminanceOfPixels, LuminanceOfPixelsBody,
                    (const uint16_t* __restrict p, uint16_t* __restrict out, size_t count), (p, out, count))

// Counts `pixels` RGB pixels into the luminance, red, green and blue bins:
// luminance a batch at a time in vector code, then the increments.
void CountPixels(PartialBins& partial, const uint16_t* p, size_t pixels) {
    constexpr size_t kBatch = 256;
    const auto luminanceOf = PickLuminanceOfPixels(KernelTargetInUse());
    uint16_t luminance[kBatch];
    for (size_t start = 0; start < pixels; start += kBatch) {
        const size_t count = std::min(kBatch, pixels - start);
        const uint16_t* batch = p + 3 * start;
        luminanceOf(batch, luminance, count);
        auto count1 = [&](uint32_t (&bins)[4][kToneTableSize], size_t k) __attribute__((always_inline)) {
            ++bins[HistogramRecord::kLuminance][luminance[k]];
            ++bins[HistogramRecord::kRed][ClampTableIndex(batch[3 * k])];
            ++bins[HistogramRecord::kGreen][ClampTableIndex(batch[3 * k + 1])];
            ++bins[HistogramRecord::kBlue][ClampTableIndex(batch[3 * k + 2])];
        };
        for (size_t k = 0; k < count; ++k) count1(partial.bins[0], k);
    }
}

// Counts `pixels` RGB pixels into the luminance bins only, alternating
// between the two copies as CountSamples does.
void CountPixelLuminance(PartialBins& partial, const uint16_t* p, size_t pixels) {
    constexpr size_t kBatch = 256;
    const auto luminanceOf = PickLuminanceOfPixels(KernelTargetInUse());
    uint16_t luminance[kBatch];
    uint32_t* __restrict even = partial.bins[0][HistogramRecord::kLuminance];
    uint32_t* __restrict odd = partial.bins[1][HistogramRecord::kLuminance];
    for (size_t start = 0; start < pixels; start += kBatch) {
        const size_t count = std::min(kBatch, pixels - start);
        luminanceOf(p + 3 * start, luminance, count);
        size_t k = 0;
        for (; k + 1 < count; k += 2) {
            ++even[luminance[k]];
            ++odd[luminance[k + 1]];
        }
        if (k < count) ++even[luminance[k]];
    }
}

void CountSamples(PartialBins& partial, const uint16_t* p, size_t samples) {
    uint32_t* __restrict even = partial.bins[0][HistogramRecord::kLuminance];
    uint32_t* __restrict odd = partial.bins[1][HistogramRecord::kLuminance];
    size_t k = 0;
    for (; k + 1 < samples; k += 2) {
        ++even[ClampTableIndex(p[k])];
        ++odd[ClampTableIndex(p[k + 1])];
    }
    if (k < samples) ++even[ClampTableIndex(p[k])];
}

// Counts the image into the record as ComputeHistogram describes; an RGB
// image's colour blocks only with coloursToo.
bool CountImage(const ProcessedImage& image, HistogramRecord* record, ProgressCallback* progress,
                bool coloursToo, std::span<const BandStep> first = {}) {
    if (record == nullptr) return false;
    std::memset(record, 0, sizeof(*record));
    const size_t samples = ImageSampleCount(image.channels, image.width, image.height);
    if (image.samples == nullptr || samples == 0) return false;

    // Each thread counts into bins of its own; the counts are added up at the
    // end, so the totals are those of one pass in any order.
    const bool colour = image.channels == 3;
    const size_t units = colour ? samples / 3 : samples;
    const size_t unitSamples = colour ? 3 : 1;
    const size_t blocks = units / kBlockPixels;
    auto count = [&](PartialBins& bins, size_t begin, size_t end) {
        uint16_t* const p = image.samples + begin * unitSamples;
        for (const BandStep& step : first) step(p, (end - begin) * unitSamples);
        if (colour) {
            if (coloursToo) {
                CountPixels(bins, p, end - begin);
            } else {
                CountPixelLuminance(bins, p, end - begin);
            }
        } else {
            CountSamples(bins, p, end - begin);
        }
    };
    auto addUp = [&](const PartialBins& bins) {
        for (const auto& copy : bins.bins)
            for (int block = 0; block < 4; ++block)
                for (uint32_t v = 0; v < kToneTableSize; ++v) record->blocks[block].bins[v] += copy[block][v];
    };

    const unsigned threads = ParallelThreads();
    // From the large-block heap: its pages arrive at once, not a fault each.
    struct Release {
        void operator()(PartialBins* bins) const { ReleaseLargeBlock(bins); }
    };
    std::unique_ptr<PartialBins, Release> partial(
        static_cast<PartialBins*>(AllocateLargeBlock(sizeof(PartialBins) * threads)));
    if (partial == nullptr) {
        // No memory for the threads' bins: count alone, on the stack.
        PartialBins alone{};
        for (size_t block = 0; block < blocks; ++block) {
            if (progress != nullptr && (blocks - 1 - block) % kBlocksPerTick == 0 && !progress->Tick(1)) {
                addUp(alone);
                return false;
            }
            count(alone, block * kBlockPixels, (block + 1) * kBlockPixels);
        }
        count(alone, blocks * kBlockPixels, units);
        addUp(alone);
    } else {
        std::memset(partial.get(), 0, sizeof(PartialBins) * threads);
        const bool done =
            TickedRanges(blocks, kBlocksPerTick, CountdownPhase(blocks, kBlocksPerTick), progress, kGrainBlocks,
                         [&](size_t begin, size_t end, unsigned slot) {
                             count(partial.get()[slot], begin * kBlockPixels, end * kBlockPixels);
                         });
        if (done) count(partial.get()[0], blocks * kBlockPixels, units);
        // A cancelled count keeps what was counted before the cancelling tick.
        for (unsigned t = 0; t < threads; ++t) addUp(partial.get()[t]);
        if (!done) return false;
    }
    record->total = static_cast<uint32_t>(units);

    for (int block = 0; block < 4; ++block) ComputeHistogramStatistics(*record, block);
    return true;
}

}  // namespace

bool ComputeHistogram(const ProcessedImage& image, HistogramRecord* record, ProgressCallback* progress) {
    return CountImage(image, record, progress, true);
}

bool ComputeLuminanceHistogram(const ProcessedImage& image, HistogramRecord* record, ProgressCallback* progress) {
    return CountImage(image, record, progress, false);
}

bool ApplyAndCountHistogram(ProcessedImage& image, std::span<const BandStep> steps, bool coloursToo,
                            HistogramRecord* record, ProgressCallback* progress) {
    return CountImage(image, record, progress, coloursToo, steps);
}

void ComputeHistogramStatistics(HistogramRecord& record, int block) {
    if (block < 0 || block > 3) return;
    HistogramBlock& b = record.blocks[block];

    uint32_t lowest = kToneTableSize;
    uint32_t highest = kToneTableSize;
    uint64_t weighted = 0;
    uint64_t counted = 0;
    for (uint32_t v = 0; v < kToneTableSize; ++v) {
        if (b.bins[v] == 0) continue;
        if (lowest == kToneTableSize) lowest = v;
        highest = v;
        weighted += static_cast<uint64_t>(v) * b.bins[v];
        counted += b.bins[v];
    }

    // Bin counts are compared from the lowest value up to the top of the
    // range, so empty bins above the highest value take part.
    uint32_t smallest = 0xFFFFFFFFu;
    uint32_t largest = 0;
    for (uint32_t v = lowest; v < kToneTableSize; ++v) {
        if (b.bins[v] < smallest) smallest = b.bins[v];
        if (b.bins[v] > largest) largest = b.bins[v];
    }

    b.smallestCount = smallest;
    b.largestCount = largest;
    b.lowestValue = lowest;
    b.highestValue = highest;
    b.mean = counted == 0 ? 0 : static_cast<uint32_t>(weighted / counted);
}

}  // namespace kyp
