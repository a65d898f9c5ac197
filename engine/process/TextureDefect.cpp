#include "engine/process/TextureDefect.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "engine/core/KernelTargets.h"
#include "platform/Parallel.h"

namespace kyp {

namespace {

// Both the measure and the correction give the progress callback a chance every
// this many mosaic rows.
constexpr uint32_t kTickRows = 50;

inline int32_t AbsDiff(int32_t a, int32_t b) { return a > b ? a - b : b - a; }

// The four diagonal neighbours of a green are greens of the other phase. Of the six
// pairwise differences, the pairs that agree better than the midpoint between the
// smallest and largest difference are averaged; this follows an edge instead of
// smearing across it. With no such pair (or all differences tiny) the plain rounded
// mean of the four is used.
inline uint16_t Estimate(const uint16_t* site, ptrdiff_t rowLength) {
    const int32_t nw = site[-rowLength - 1];
    const int32_t ne = site[-rowLength + 1];
    const int32_t sw = site[rowLength - 1];
    const int32_t se = site[rowLength + 1];

    struct Pair { int32_t a, b, difference; };
    const Pair pairs[6] = {
        {ne, sw, AbsDiff(ne, sw)}, {nw, se, AbsDiff(nw, se)},  // diagonals
        {nw, ne, AbsDiff(nw, ne)}, {sw, se, AbsDiff(sw, se)},  // top, bottom
        {nw, sw, AbsDiff(nw, sw)}, {ne, se, AbsDiff(ne, se)},  // left, right
    };
    int32_t lowest = pairs[0].difference;
    int32_t highest = pairs[0].difference;
    for (const Pair& pair : pairs) {
        lowest = std::min(lowest, pair.difference);
        highest = std::max(highest, pair.difference);
    }
    const int32_t midpoint = lowest + (highest - lowest) / 2;
    if (midpoint != 0) {
        int32_t sum = 0;
        int32_t count = 0;
        for (const Pair& pair : pairs) {
            if (pair.difference < midpoint) {
                sum += pair.a + pair.b;
                count += 2;
            }
        }
        if (count != 0) return static_cast<uint16_t>(sum / count);
    }
    return static_cast<uint16_t>((nw + ne + sw + se + 2) >> 2);
}

// Estimate for `count` sites two samples apart along one row, written without
// branches so it vectorises; agrees with Estimate site by site. `above` and `below`
// point at the samples directly over and under the first site.
KYP_ALWAYS_INLINE void EstimateRowBody(uint16_t* sites, const uint16_t* above, const uint16_t* below, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        // Signed: the neighbours at x - 1 lie before the pointers for the first site.
        const ptrdiff_t x = ptrdiff_t{i} * 2;
        const int32_t nw = above[x - 1], ne = above[x + 1], sw = below[x - 1], se = below[x + 1];
        const int32_t diagonal1 = AbsDiff(ne, sw), diagonal2 = AbsDiff(nw, se);
        const int32_t top = AbsDiff(nw, ne), bottom = AbsDiff(sw, se);
        const int32_t left = AbsDiff(nw, sw), right = AbsDiff(ne, se);
        const int32_t lowest = std::min(std::min(std::min(diagonal1, diagonal2), std::min(top, bottom)),
                                        std::min(left, right));
        const int32_t highest = std::max(std::max(std::max(diagonal1, diagonal2), std::max(top, bottom)),
                                         std::max(left, right));
        const int32_t midpoint = lowest + (highest - lowest) / 2;
        const int32_t sum = (diagonal1 < midpoint ? ne + sw : 0) + (diagonal2 < midpoint ? nw + se : 0) +
                            (top < midpoint ? nw + ne : 0) + (bottom < midpoint ? sw + se : 0) +
                            (left < midpoint ? nw + sw : 0) + (right < midpoint ? ne + se : 0);
        const int32_t pairs = (diagonal1 < midpoint) + (diagonal2 < midpoint) + (top < midpoint) +
                              (bottom < midpoint) + (left < midpoint) + (right < midpoint);
        // sum / (2 x pairs), truncated. Float division rounds correctly: an exact
        // quotient stays exact, and an inexact one lies at least 1/12 below the next
        // integer, far beyond float's error for sums below 2^20.
        const auto mean = static_cast<int32_t>(static_cast<float>(sum) / static_cast<float>(2 * std::max(pairs, 1)));
        const int32_t rounded = (nw + ne + sw + se + 2) >> 2;
        sites[x] = static_cast<uint16_t>(midpoint != 0 && pairs != 0 ? mean : rounded);
    }
}

KYP_KERNEL_VARIANTS(EstimateRowFor, EstimateRowBody,
                    (uint16_t* sites, const uint16_t* above, const uint16_t* below, uint32_t count),
                    (sites, above, below, count))

void EstimateRow(uint16_t* sites, const uint16_t* above, const uint16_t* below, uint32_t count) {
    PickEstimateRowFor(KernelTargetInUse())(sites, above, below, count);
}

}  // namespace

uint16_t EstimateGreenFromDiagonals(const uint16_t* site, size_t rowLength) {
    return Estimate(site, static_cast<ptrdiff_t>(rowLength));
}

int MeasureTextureDefect(const RawMosaic& mosaic, uint32_t columns, uint32_t rows, int32_t threshold,
                         int32_t* measure, ProgressCallback* progress) {
    if (measure != nullptr) *measure = 0;
    if (mosaic.samples == nullptr) return texture::kNoDefect;
    columns = std::min(columns, mosaic.width);
    rows = std::min(rows, mosaic.height);
    // A row's level divides by columns / 2 and the measure by rows / 2; a region
    // too small for either has nothing to compare.
    const int64_t greensPerRow = columns / 2;
    const int64_t pairCount = rows / 2;
    if (greensPerRow == 0 || pairCount == 0) return texture::kNoDefect;

    // Sum over row pairs (0,1), (2,3), ... of odd-row level minus even-row level.
    // With an odd row count the last examined row pairs with row `rows`, whose
    // level counts as 0.
    const size_t rowLength = mosaic.width;
    int64_t differenceSum = 0;
    int64_t evenLevel = 0;
    for (uint32_t y = 0; y < rows; ++y) {
        if (y % kTickRows == 0 && !Tick(progress)) return texture::kCancelled;
        const uint16_t* row = mosaic.samples + static_cast<size_t>(y) * rowLength;
        int64_t sum = 0;
        for (uint32_t x = (y & 1) ? 0 : 1; x < columns; x += 2) sum += row[x];
        const int64_t level = sum / greensPerRow;
        if ((y & 1) == 0) {
            evenLevel = level;
        } else {
            differenceSum += level - evenLevel;
        }
    }
    if ((rows & 1) != 0) differenceSum -= evenLevel;
    if (!Tick(progress)) return texture::kCancelled;

    // Levels are bounded by twice the largest sample, so the mean fits easily.
    const auto result = static_cast<int32_t>(differenceSum / pairCount);
    if (measure != nullptr) *measure = result;
    return std::abs(static_cast<int64_t>(result)) > threshold ? 1 : 0;
}

int CorrectTextureDefect(const RawMosaic& mosaic, int phase, ProgressCallback* progress) {
    if (progress != nullptr) progress->SetText("Texture defect: Correcting...");
    if (mosaic.samples == nullptr || mosaic.width < 3 || mosaic.height < 3) return texture::kRepaired;

    // Phase 0: greens of even rows (odd columns); phase 1: greens of odd rows (even
    // columns). Their diagonal neighbours belong to the other phase and are never
    // written, so rows can be done in any order.
    const uint32_t firstRow = phase == 0 ? 2 : 1;
    const uint32_t firstColumn = phase == 0 ? 1 : 2;
    const uint32_t sitesPerRow = phase == 0 ? (mosaic.width - 1) / 2 : (mosaic.width - 2) / 2;
    const auto rowLength = static_cast<ptrdiff_t>(mosaic.width);
    // Row k of the phase is mosaic row firstRow + 2k; ticks come before the
    // rows whose number is a multiple of kTickRows (even rows only, so none
    // for phase 1).
    const size_t rows = (mosaic.height - 1 - firstRow + 1) / 2;
    const size_t period = firstRow % 2 == 0 ? kTickRows / 2 : 0;
    const size_t tickPhase = period == 0 ? 0 : (firstRow / 2) % period;
    const size_t grain = std::max<size_t>(1, 32768 / mosaic.width);
    if (!TickedRanges(rows, period, tickPhase, progress, grain, [&](size_t first, size_t end, unsigned) {
            for (size_t k = first; k < end; ++k) {
                uint16_t* sites = mosaic.samples + (firstRow + 2 * k) * mosaic.width + firstColumn;
                EstimateRow(sites, sites - rowLength, sites + rowLength, sitesPerRow);
            }
        })) {
        return texture::kCancelled;
    }
    return texture::kRepaired;
}

int RepairTextureDefect(const RawMosaic& mosaic, const ImportSettings* settings, ProgressCallback* progress,
                        const TextureConfirmation& confirm) {
    if (settings != nullptr && (settings->options & opt::tt) == 0) return texture::kOff;
    if (progress != nullptr) progress->SetText("Texture defect: Analyzing...");

    const int32_t threshold = settings != nullptr ? settings->textureThreshold : kDefaultTextureThreshold;
    int32_t measure = 0;
    const int found =
        MeasureTextureDefect(mosaic, mosaic.width / 3, mosaic.height / 3, threshold, &measure, progress);
    if (found != 1) return found;

    const bool ask = settings == nullptr || (settings->options & opt::asktt) != 0;
    if (confirm && ask && !confirm(measure, threshold)) return texture::kDeclined;

    // A positive measure means the odd rows' greens are brighter: rebuild those.
    return CorrectTextureDefect(mosaic, measure > 0 ? 1 : 0, progress);
}

}  // namespace kyp
