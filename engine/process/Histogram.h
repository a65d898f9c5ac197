#pragma once
#include <cstdint>
#include <span>

#include "engine/core/ProgressCallback.h"
#include "engine/process/BandStep.h"
#include "engine/process/ProcessedImage.h"
#include "engine/process/ToneTable.h"

namespace kyp {

// One channel of a histogram: a count per sample value and the statistics
// drawn from it.
struct HistogramBlock {
    uint32_t bins[kToneTableSize];
    uint32_t smallestCount;  // over bins lowestValue..1023; 0xFFFFFFFF when empty
    uint32_t largestCount;   // same range; 0 when empty
    uint32_t lowestValue;    // first occupied value; 1024 when empty
    uint32_t highestValue;   // last occupied value; 1024 when empty
    uint32_t mean;           // truncated; 0 when empty
};

// Pixel count and four blocks: luminance, red, green, blue. A 1-channel image
// fills only the luminance block.
struct HistogramRecord {
    enum Block { kLuminance = 0, kRed = 1, kGreen = 2, kBlue = 3 };
    uint32_t total;
    HistogramBlock blocks[4];
};

// Luminance of a pixel: Rec. 709 weights scaled by 65536 (they sum to 65536).
[[nodiscard]] inline constexpr uint32_t PixelLuminance(uint32_t red, uint32_t green, uint32_t blue) {
    return (13933 * red + 46871 * green + 4732 * blue) >> 16;
}

// Clears the record and counts every pixel of the image (a 3-channel pixel
// once in the total and once in each block; any other layout counts every
// sample as one grey pixel). Pixels go in blocks of 16; with a callback,
// Tick(1) comes before each block after which a multiple of 800 blocks remain.
// False when the image has no samples, record is null or the callback cancels
// (the statistics are then not computed).
[[nodiscard]] bool ComputeHistogram(const ProcessedImage& image, HistogramRecord* record,
                                    ProgressCallback* progress);

// ComputeHistogram for callers that need only the luminance block (the
// all-channel levels): a 3-channel image leaves the red, green and blue
// blocks empty. Everything else, the ticks included, is the same.
[[nodiscard]] bool ComputeLuminanceHistogram(const ProcessedImage& image, HistogramRecord* record,
                                             ProgressCallback* progress);

// ComputeHistogram (coloursToo) or ComputeLuminanceHistogram of the image as
// the steps leave it: each range of blocks goes through the steps in order
// and is then counted, so the image crosses memory once for both. The image
// holds the steps' results afterwards (partly, when cancelled).
[[nodiscard]] bool ApplyAndCountHistogram(ProcessedImage& image, std::span<const BandStep> steps, bool coloursToo,
                                          HistogramRecord* record, ProgressCallback* progress);

// Fills the five statistics of block 0..3 (other numbers are ignored).
void ComputeHistogramStatistics(HistogramRecord& record, int block);

}  // namespace kyp
