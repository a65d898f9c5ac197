#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "engine/process/Histogram.h"
#include "engine/raw/RawMosaic.h"

namespace kyp {

// What the histogram page draws for one channel, built from one block of a
// histogram record, free of any widget.

// Display bin i (0..255) is the sum of bins 4i to 4i + 3.
using DisplayBins = std::array<uint32_t, 256>;
[[nodiscard]] DisplayBins MakeDisplayBins(const HistogramBlock& block);

// The scale of the plot: the largest display bin value that is smaller than
// the largest one, so one dominant spike does not flatten the rest; 0 when
// no smaller value exists (all nonzero bins equal, or none).
[[nodiscard]] uint32_t DisplayScale(const DisplayBins& bins);
[[nodiscard]] uint32_t LargestBin(const DisplayBins& bins);

// Height in pixels of a bar for bin on a plot of height pixels: bin * height
// / scale rounded to nearest, cut at height; a nonzero bin gets at least 1
// pixel. A scale of 0 draws every nonzero bin at full height; a height of 0
// (or below) gives 0.
[[nodiscard]] int BarHeight(uint32_t bin, int height, uint32_t scale);

// Standard deviation of the block's values between lo and hi (each limited to
// 0..1023, hi not below lo): the mean m over that range, truncated to an
// integer, then sqrt(sum count[v] (v - m)^2 / sum count[v]); 0 without counts.
[[nodiscard]] double ChannelStdDev(const HistogramBlock& block, int lo, int hi);

// Counts the raw mosaic: every sample once in the total and once in the
// block of its site's colour (even row and column red, odd row and column
// blue, the others green); the luminance block stays empty. Then the
// statistics of all four blocks. False without samples.
[[nodiscard]] bool ComputeRawHistogram(const RawMosaic& raw, HistogramRecord& record);

// "%d - %d   Mean %d   Std Dev %.1f   Count %d - %d": lowest and highest
// value, mean, standard deviation, smallest and largest bin count.
[[nodiscard]] std::string StatisticsLine(const HistogramBlock& block, double stdDev);

}  // namespace kyp
