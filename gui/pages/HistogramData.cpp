#include "gui/pages/HistogramData.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gui/frame/Messages.h"

namespace kyp {

DisplayBins MakeDisplayBins(const HistogramBlock& block) {
    DisplayBins bins{};
    for (size_t i = 0; i < bins.size(); ++i) {
        // Four bins of at most the pixel count each; the sum saturates rather
        // than wrap on absurd counts.
        uint64_t sum = 0;
        for (size_t k = 0; k < 4; ++k) sum += block.bins[4 * i + k];
        bins[i] = static_cast<uint32_t>(std::min<uint64_t>(sum, UINT32_MAX));
    }
    return bins;
}

uint32_t LargestBin(const DisplayBins& bins) { return *std::max_element(bins.begin(), bins.end()); }

uint32_t DisplayScale(const DisplayBins& bins) {
    const uint32_t largest = LargestBin(bins);
    uint32_t scale = 0;
    for (uint32_t bin : bins) {
        if (bin < largest && bin > scale) scale = bin;
    }
    return scale;
}

int BarHeight(uint32_t bin, int height, uint32_t scale) {
    if (bin == 0 || height <= 0) return 0;
    if (scale == 0) return height;
    const uint64_t scaled = (static_cast<uint64_t>(bin) * static_cast<uint64_t>(height) + scale / 2) / scale;
    if (scaled >= static_cast<uint64_t>(height)) return height;
    return scaled == 0 ? 1 : static_cast<int>(scaled);
}

double ChannelStdDev(const HistogramBlock& block, int lo, int hi) {
    lo = std::clamp(lo, 0, 1023);
    hi = std::clamp(hi, lo, 1023);
    uint64_t counted = 0;
    uint64_t weighted = 0;
    for (int v = lo; v <= hi; ++v) {
        counted += block.bins[v];
        weighted += static_cast<uint64_t>(block.bins[v]) * static_cast<uint64_t>(v);
    }
    if (counted == 0) return 0.0;
    const int64_t mean = static_cast<int64_t>(weighted / counted);
    double squares = 0.0;
    for (int v = lo; v <= hi; ++v) {
        const double d = static_cast<double>(v - mean);
        squares += static_cast<double>(block.bins[v]) * d * d;
    }
    return std::sqrt(squares / static_cast<double>(counted));
}

bool ComputeRawHistogram(const RawMosaic& raw, HistogramRecord& record) {
    std::memset(&record, 0, sizeof(record));
    if (raw.samples == nullptr || raw.width == 0 || raw.height == 0) return false;
    uint64_t total = 0;
    for (uint32_t y = 0; y < raw.height; ++y) {
        const uint16_t* row = raw.samples + static_cast<size_t>(y) * raw.width;
        // Blocks 1 red, 2 green, 3 blue: the site colour plus one.
        uint32_t* even = record.blocks[1 + SiteColour(0, y)].bins;
        uint32_t* odd = record.blocks[1 + SiteColour(1, y)].bins;
        uint32_t x = 0;
        for (; x + 1 < raw.width; x += 2) {
            ++even[std::min<uint32_t>(row[x], 1023)];
            ++odd[std::min<uint32_t>(row[x + 1], 1023)];
        }
        if (x < raw.width) ++even[std::min<uint32_t>(row[x], 1023)];
        total += raw.width;
    }
    record.total = static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
    for (int block = 0; block < 4; ++block) ComputeHistogramStatistics(record, block);
    return true;
}

std::string StatisticsLine(const HistogramBlock& block, double stdDev) {
    return Format("%d - %d   Mean %d   Std Dev %.1f   Count %d - %d", static_cast<int>(block.lowestValue),
                  static_cast<int>(block.highestValue), static_cast<int>(block.mean), stdDev,
                  static_cast<int>(block.smallestCount), static_cast<int>(block.largestCount));
}

}  // namespace kyp
