#include "engine/process/Histogram.h"

#include <cstddef>
#include <cstring>

namespace kyp {
namespace {

constexpr size_t kBlockPixels = 16;
constexpr size_t kBlocksPerTick = 800;

inline void CountPixel(HistogramRecord& record, const uint16_t* p) {
    const uint32_t r = ClampTableIndex(p[0]);
    const uint32_t g = ClampTableIndex(p[1]);
    const uint32_t b = ClampTableIndex(p[2]);
    ++record.blocks[HistogramRecord::kLuminance].bins[PixelLuminance(r, g, b)];
    ++record.blocks[HistogramRecord::kRed].bins[r];
    ++record.blocks[HistogramRecord::kGreen].bins[g];
    ++record.blocks[HistogramRecord::kBlue].bins[b];
}

}  // namespace

bool ComputeHistogram(const ProcessedImage& image, HistogramRecord* record, ProgressCallback* progress) {
    if (record == nullptr) return false;
    std::memset(record, 0, sizeof(*record));
    const size_t samples = ImageSampleCount(image.channels, image.width, image.height);
    if (image.samples == nullptr || samples == 0) return false;

    const uint16_t* p = image.samples;
    if (image.channels == 3) {
        const size_t pixels = samples / 3;
        for (size_t left = pixels / kBlockPixels; left-- > 0;) {
            if (progress != nullptr && left % kBlocksPerTick == 0 && !progress->Tick(1)) return false;
            for (size_t k = 0; k < kBlockPixels; ++k, p += 3) CountPixel(*record, p);
        }
        for (size_t k = pixels % kBlockPixels; k > 0; --k, p += 3) CountPixel(*record, p);
        record->total = static_cast<uint32_t>(pixels);
    } else {
        uint32_t* bins = record->blocks[HistogramRecord::kLuminance].bins;
        for (size_t left = samples / kBlockPixels; left-- > 0;) {
            if (progress != nullptr && left % kBlocksPerTick == 0 && !progress->Tick(1)) return false;
            for (size_t k = 0; k < kBlockPixels; ++k) ++bins[ClampTableIndex(p[k])];
            p += kBlockPixels;
        }
        for (size_t k = samples % kBlockPixels; k > 0; --k) ++bins[ClampTableIndex(*p++)];
        record->total = static_cast<uint32_t>(samples);
    }

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
