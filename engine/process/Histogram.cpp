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

// The bins of one thread's share of the pixels; merged when all are counted.
struct PartialBins {
    uint32_t bins[4][kToneTableSize];
};

// Counts `pixels` RGB pixels into the luminance, red, green and blue bins.
void CountPixels(uint32_t* __restrict luminance, uint32_t* __restrict red, uint32_t* __restrict green,
                 uint32_t* __restrict blue, const uint16_t* p, size_t pixels) {
    for (size_t k = 0; k < pixels; ++k, p += 3) {
        const uint32_t r = ClampTableIndex(p[0]);
        const uint32_t g = ClampTableIndex(p[1]);
        const uint32_t b = ClampTableIndex(p[2]);
        ++luminance[PixelLuminance(r, g, b)];
        ++red[r];
        ++green[g];
        ++blue[b];
    }
}

void CountSamples(uint32_t* bins, const uint16_t* p, size_t samples) {
    for (size_t k = 0; k < samples; ++k) ++bins[ClampTableIndex(p[k])];
}

}  // namespace

bool ComputeHistogram(const ProcessedImage& image, HistogramRecord* record, ProgressCallback* progress) {
    if (record == nullptr) return false;
    std::memset(record, 0, sizeof(*record));
    const size_t samples = ImageSampleCount(image.channels, image.width, image.height);
    if (image.samples == nullptr || samples == 0) return false;

    // Each thread counts into bins of its own (the caller's thread into the
    // record); the counts are added up at the end, so the totals are those
    // of one pass in any order.
    const unsigned threads = ParallelThreads();
    std::unique_ptr<PartialBins[]> partial;
    if (threads > 1) partial.reset(new (std::nothrow) PartialBins[threads - 1]);
    if (partial != nullptr) std::memset(partial.get(), 0, sizeof(PartialBins) * (threads - 1));
    auto bins = [&](unsigned slot, int block) {
        return slot == 0 || partial == nullptr ? record->blocks[block].bins : partial[slot - 1].bins[block];
    };

    const bool colour = image.channels == 3;
    const size_t units = colour ? samples / 3 : samples;
    const size_t unitSamples = colour ? 3 : 1;
    const size_t blocks = units / kBlockPixels;
    auto count = [&](size_t begin, size_t end, unsigned slot) {
        const uint16_t* p = image.samples + begin * unitSamples;
        if (colour) {
            CountPixels(bins(slot, HistogramRecord::kLuminance), bins(slot, HistogramRecord::kRed),
                        bins(slot, HistogramRecord::kGreen), bins(slot, HistogramRecord::kBlue), p, end - begin);
        } else {
            CountSamples(bins(slot, HistogramRecord::kLuminance), p, end - begin);
        }
    };
    if (threads > 1 && partial == nullptr) {
        // No memory for the threads' bins: count alone.
        for (size_t block = 0; block < blocks; ++block) {
            if (progress != nullptr && (blocks - 1 - block) % kBlocksPerTick == 0 && !progress->Tick(1)) return false;
            count(block * kBlockPixels, (block + 1) * kBlockPixels, 0);
        }
    } else if (!TickedRanges(blocks, kBlocksPerTick, CountdownPhase(blocks, kBlocksPerTick), progress, kGrainBlocks,
                             [&](size_t begin, size_t end, unsigned slot) {
                                 count(begin * kBlockPixels, end * kBlockPixels, slot);
                             })) {
        return false;
    }
    count(blocks * kBlockPixels, units, 0);
    if (partial != nullptr) {
        for (unsigned t = 0; t + 1 < threads; ++t)
            for (int block = 0; block < 4; ++block)
                for (uint32_t v = 0; v < kToneTableSize; ++v) record->blocks[block].bins[v] += partial[t].bins[block][v];
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
