#include "engine/process/Histogram.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "engine/process/Parallel.h"

namespace kyp {
namespace {

constexpr size_t kBlockPixels = 16;
constexpr size_t kBlocksPerTick = 800;
// Blocks per unit of work handed to a thread (a unit also ends at a tick).
constexpr size_t kGrainBlocks = 2048;

// The bins of one thread's share of the pixels, in two copies: neighbouring
// pixels often fall into the same bin, and alternating between copies lets
// one increment start before the previous one to that bin has finished.
// Everything is added up at the end.
struct PartialBins {
    uint32_t bins[2][4][kToneTableSize];
};

// Counts `pixels` RGB pixels into the luminance, red, green and blue bins.
void CountPixels(PartialBins& partial, const uint16_t* p, size_t pixels) {
    auto count = [p](uint32_t (&bins)[4][kToneTableSize], size_t k) __attribute__((always_inline)) {
        const uint32_t r = ClampTableIndex(p[3 * k]);
        const uint32_t g = ClampTableIndex(p[3 * k + 1]);
        const uint32_t b = ClampTableIndex(p[3 * k + 2]);
        ++bins[HistogramRecord::kLuminance][PixelLuminance(r, g, b)];
        ++bins[HistogramRecord::kRed][r];
        ++bins[HistogramRecord::kGreen][g];
        ++bins[HistogramRecord::kBlue][b];
    };
    size_t k = 0;
    for (; k + 1 < pixels; k += 2) {
        count(partial.bins[0], k);
        count(partial.bins[1], k + 1);
    }
    if (k < pixels) count(partial.bins[0], k);
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

}  // namespace

bool ComputeHistogram(const ProcessedImage& image, HistogramRecord* record, ProgressCallback* progress) {
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
        const uint16_t* p = image.samples + begin * unitSamples;
        if (colour) {
            CountPixels(bins, p, end - begin);
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
    std::unique_ptr<PartialBins[]> partial(new (std::nothrow) PartialBins[threads]);
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
                             count(partial[slot], begin * kBlockPixels, end * kBlockPixels);
                         });
        if (done) count(partial[0], blocks * kBlockPixels, units);
        // A cancelled count keeps what was counted before the cancelling tick.
        for (unsigned t = 0; t < threads; ++t) addUp(partial[t]);
        if (!done) return false;
    }
    record->total = static_cast<uint32_t>(units);

    for (int block = 0; block < 4; ++block) ComputeHistogramStatistics(*record, block);
    return true;
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
