#pragma once
// Steps shared by the two luminance methods (Luminance/gradient and Luminance
// Grayscale). Planes are tile-local and hold samples x 1024 so that averages
// and colour differences keep ten fractional bits until the final shift.
//
// Layout. Each plane row is split by column parity: local column x of row y
// lives at y * kLumaTileSize + (x & 1) * kHalfRow + x / 2. Along a row the
// sites alternate between green and the row's colour (red or blue), so each
// half row holds sites of one kind only, and every step becomes a plain loop
// over a half row whose neighbours are contiguous runs of the other half row
// or of the rows above and below: no branch per site, and loops the compiler
// turns into vector code. For a site at index j of half h, the west and east
// neighbours are indices j + h - 1 and j + h of the other half.
//
// Site colours come from the absolute column and row (tile origin plus local
// position), and every step visits every site of its kind inside its window.
// For the even tile origins and even tile widths that a mosaic of even width
// produces, this is the same as counting column parity from the tile's first
// column. For mosaics of odd width (an odd-width last tile, or a last tile
// moved back to an odd column) it keeps the filter pattern right and fills the
// last colour column of the tile, so every tile computes the same value for a
// pixel it shares with another tile and nothing outside the tile is read.
//
// Every function here is inlined into the method's tile function, which is
// compiled once per instruction set (see engine/core/KernelTargets.h).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/core/KernelTargets.h"
#include "engine/process/RobustAverage4.h"
#include "engine/raw/RawMosaic.h"

namespace kyp::luminance {

inline constexpr uint32_t kLumaTileSize = 112;
inline constexpr uint32_t kHalfRow = kLumaTileSize / 2;
inline constexpr size_t kPlaneSize = static_cast<size_t>(kLumaTileSize) * kLumaTileSize;
inline constexpr int kFractionBits = 10;

// Rec. 709 luma weights x 2048, truncated (they sum to 2046).
inline constexpr int32_t kRedWeight = 435;
inline constexpr int32_t kGreenWeight = 1464;
inline constexpr int32_t kBlueWeight = 147;

KYP_ALWAYS_INLINE int32_t Luminance(int32_t red, int32_t green, int32_t blue) {
    return (kRedWeight * red + kGreenWeight * green + kBlueWeight * blue) >> 11;
}

// The indices j of half h (local column 2j + h) inside columns [from, to).
// Signed, so that j - 1 indexes the element before a run's start.
struct HalfSpan {
    int first;
    int end;
};
KYP_ALWAYS_INLINE HalfSpan Span(uint32_t from, uint32_t to, uint32_t half) {
    // from >= 1 >= half in every use.
    return {static_cast<int>((from + 1 - half) >> 1), static_cast<int>(to > half ? (to - half + 1) >> 1 : 0)};
}

// Half row `half` of row y.
KYP_ALWAYS_INLINE int32_t* HalfRow(int32_t* plane, uint32_t y, uint32_t half) {
    return plane + static_cast<size_t>(y) * kLumaTileSize + half * kHalfRow;
}
KYP_ALWAYS_INLINE const int32_t* HalfRow(const int32_t* plane, uint32_t y, uint32_t half) {
    return plane + static_cast<size_t>(y) * kLumaTileSize + half * kHalfRow;
}

// Which half of row y holds its colour (red or blue) sites; the other holds greens.
KYP_ALWAYS_INLINE uint32_t ColourHalf(uint32_t tileColumn, uint32_t tileRow, uint32_t y) {
    return ((tileRow + y) ^ tileColumn) & 1;
}

// Runs body for j over a span in blocks of kBlock indices, each block a loop
// of constant length that becomes whole vector operations. A span that does
// not divide into blocks ends with a block that overlaps the one before it:
// its first values are computed twice, to the same result, since every
// step's loop writes only values that it does not read. Spans shorter than
// a block (narrow tiles) run one index at a time.
inline constexpr int kBlock = 16;
#define KYP_FOR_SPAN(span, j, ...)                                                     \
    do {                                                                               \
        const ::kyp::luminance::HalfSpan kypSpan = (span);                             \
        if (kypSpan.end - kypSpan.first < ::kyp::luminance::kBlock) {                  \
            for (int j = kypSpan.first; j < kypSpan.end; ++j) { __VA_ARGS__ }          \
        } else {                                                                       \
            for (int kypBlock = kypSpan.first;; kypBlock += ::kyp::luminance::kBlock) { \
                if (kypBlock + ::kyp::luminance::kBlock > kypSpan.end) {               \
                    kypBlock = kypSpan.end - ::kyp::luminance::kBlock;                 \
                }                                                                      \
                for (int j = kypBlock; j < kypBlock + ::kyp::luminance::kBlock; ++j) { \
                    __VA_ARGS__                                                        \
                }                                                                      \
                if (kypBlock + ::kyp::luminance::kBlock >= kypSpan.end) break;         \
            }                                                                          \
        }                                                                              \
    } while (false)

// out[j] = robust average of the four diagonal neighbours of a site, for j
// in the span: above[j - 1], above[j], below[j - 1], below[j]. The
// pointers never overlap (the written half row is not read).
KYP_ALWAYS_INLINE void DiagonalAverages(int32_t* __restrict out, const int32_t* __restrict above,
                                        const int32_t* __restrict below, HalfSpan span) {
    KYP_FOR_SPAN(span, j, out[j] = RobustAverage4(above[j - 1], above[j], below[j - 1], below[j]););
}

// Step 1: samples << 10. A sample above 1023 is out of the mosaic's range and
// is taken as 1023, which keeps every sum of the later steps inside 32 bits.
KYP_ALWAYS_INLINE void LoadSamples(int32_t* samples, const RawMosaic& mosaic, uint32_t tileColumn, uint32_t tileRow,
                                   uint32_t tileColumns, uint32_t tileRows) {
    const uint32_t evens = (tileColumns + 1) / 2;
    const uint32_t odds = tileColumns / 2;
    for (uint32_t y = 0; y < tileRows; ++y) {
        const uint16_t* __restrict source =
            mosaic.samples + static_cast<size_t>(tileRow + y) * mosaic.width + tileColumn;
        int32_t* __restrict even = HalfRow(samples, y, 0);
        int32_t* __restrict odd = HalfRow(samples, y, 1);
        for (uint32_t j = 0; j < evens; ++j) {
            even[j] = static_cast<int32_t>(std::min<uint32_t>(source[2 * j], 1023)) << kFractionBits;
        }
        for (uint32_t j = 0; j < odds; ++j) {
            odd[j] = static_cast<int32_t>(std::min<uint32_t>(source[2 * j + 1], 1023)) << kFractionBits;
        }
    }
}

// Step 2 on one half row: the colour sites keep their own sample in the own
// plane and take the robust mean of their four diagonal neighbours (sites of
// the other colour) in the opposite plane.
KYP_ALWAYS_INLINE void DiagonalColourRow(int32_t* __restrict ownPlane, int32_t* __restrict oppositePlane,
                                         const int32_t* __restrict own, const int32_t* __restrict above,
                                         const int32_t* __restrict below, HalfSpan span) {
    if (span.end > span.first) {
        std::memcpy(ownPlane + span.first, own + span.first, static_cast<size_t>(span.end - span.first) * 4);
    }
    KYP_FOR_SPAN(span, j, oppositePlane[j] = RobustAverage4(above[j - 1], above[j], below[j - 1], below[j]););
}

// Step 2: red and blue at the red and blue sites of rows and columns 1 to n-2.
// A red site keeps its red and takes the robust mean of its four diagonal
// (blue) neighbours as blue; a blue site the other way round.
KYP_ALWAYS_INLINE void InterpolateDiagonalColour(const int32_t* samples, int32_t* red, int32_t* blue,
                                                 uint32_t tileColumn, uint32_t tileRow, uint32_t tileColumns,
                                                 uint32_t tileRows) {
    for (uint32_t y = 1; y + 1 < tileRows; ++y) {
        const uint32_t c = ColourHalf(tileColumn, tileRow, y);
        const bool redRow = ((tileRow + y) & 1) == 0;
        DiagonalColourRow(HalfRow(redRow ? red : blue, y, c), HalfRow(redRow ? blue : red, y, c),
                          HalfRow(samples, y, c), HalfRow(samples, y - 1, c ^ 1) + c,
                          HalfRow(samples, y + 1, c ^ 1) + c, Span(1, tileColumns - 1, c));
    }
}

// Step 3 at the colour sites of a half row: red and blue are the planes'
// values, green the robust mean of the four orthogonal samples (north,
// south, and west / east at across[j - 1] / across[j]); out[j] =
// Convert(red, green, blue).
template <class Out, class Convert>
KYP_ALWAYS_INLINE void EstimateColourSites(Out* __restrict out, const int32_t* __restrict red,
                                           const int32_t* __restrict blue, const int32_t* __restrict north,
                                           const int32_t* __restrict south, const int32_t* __restrict across,
                                           HalfSpan span, Convert convert) {
    KYP_FOR_SPAN(span, j,
                 out[j] = convert(red[j], RobustAverage4(north[j], south[j], across[j - 1], across[j]), blue[j]););
}

// Step 3 at the green sites of a half row: green is the sample, red and blue
// the robust means of the four orthogonal neighbours in their planes.
template <class Out, class Convert>
KYP_ALWAYS_INLINE void EstimateGreenSites(Out* __restrict out, const int32_t* __restrict green,
                                          const int32_t* __restrict northR, const int32_t* __restrict southR,
                                          const int32_t* __restrict acrossR, const int32_t* __restrict northB,
                                          const int32_t* __restrict southB, const int32_t* __restrict acrossB,
                                          HalfSpan span, Convert convert) {
    KYP_FOR_SPAN(span, j,
                 out[j] = convert(RobustAverage4(northR[j], southR[j], acrossR[j - 1], acrossR[j]), green[j],
                                  RobustAverage4(northB[j], southB[j], acrossB[j - 1], acrossB[j])););
}

// Step 3 for row y (2 to n-3), columns 2 to n-3: full red, green and blue
// estimates, converted into colourOut for the colour half c and greenOut for
// the green half. A green site keeps its green and takes red and blue from
// its four orthogonal neighbours' planes; a red or blue site takes its green
// from its four orthogonal samples.
template <class Out, class Convert>
KYP_ALWAYS_INLINE void EstimateRow(const int32_t* samples, const int32_t* red, const int32_t* blue, uint32_t y,
                                   uint32_t c, uint32_t tileColumns, Out* colourOut, Out* greenOut, Convert convert) {
    const uint32_t h = c ^ 1;
    EstimateColourSites(colourOut, HalfRow(red, y, c), HalfRow(blue, y, c), HalfRow(samples, y - 1, c),
                        HalfRow(samples, y + 1, c), HalfRow(samples, y, h) + c, Span(2, tileColumns - 2, c),
                        convert);
    EstimateGreenSites(greenOut, HalfRow(samples, y, h), HalfRow(red, y - 1, h), HalfRow(red, y + 1, h),
                       HalfRow(red, y, c) + h, HalfRow(blue, y - 1, h), HalfRow(blue, y + 1, h),
                       HalfRow(blue, y, c) + h, Span(2, tileColumns - 2, h), convert);
}

}  // namespace kyp::luminance
