#pragma once
// Steps shared by the two luminance methods (Luminance/gradient and Luminance
// Grayscale). Planes are tile-local, kLumaTileSize values apart per row, and
// hold samples x 1024 so that averages and colour differences keep ten
// fractional bits until the final shift.
//
// Site colours come from the absolute column and row (tile origin plus local
// position), and every step visits every site of its kind inside its window.
// For the even tile origins and even tile widths that a mosaic of even width
// produces, this is the same as counting column parity from the tile's first
// column. For mosaics of odd width (an odd-width last tile, or a last tile
// moved back to an odd column) it keeps the filter pattern right and fills the
// last colour column of the tile, so every tile computes the same value for a
// pixel it shares with another tile and nothing outside the tile is read.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/process/RobustAverage4.h"
#include "engine/raw/RawMosaic.h"

namespace kyp::luminance {

inline constexpr uint32_t kLumaTileSize = 112;
inline constexpr size_t kPlaneSize = static_cast<size_t>(kLumaTileSize) * kLumaTileSize;
inline constexpr int kFractionBits = 10;

// Rec. 709 luma weights x 2048, truncated (they sum to 2046).
inline constexpr int32_t kRedWeight = 435;
inline constexpr int32_t kGreenWeight = 1464;
inline constexpr int32_t kBlueWeight = 147;

inline int32_t Luminance(int32_t red, int32_t green, int32_t blue) {
    return (kRedWeight * red + kGreenWeight * green + kBlueWeight * blue) >> 11;
}

// First local column at or after `from` whose absolute column has `parity`.
inline uint32_t FirstWithParity(uint32_t tileColumn, uint32_t from, uint32_t parity) {
    return ((tileColumn + from) & 1) == parity ? from : from + 1;
}

// Step 1: samples << 10. A sample above 1023 is out of the mosaic's range and
// is taken as 1023, which keeps every sum of the later steps inside 32 bits.
inline void LoadSamples(int32_t* samples, const RawMosaic& mosaic, uint32_t tileColumn,
                        uint32_t tileRow, uint32_t tileColumns, uint32_t tileRows) {
    for (uint32_t y = 0; y < tileRows; ++y) {
        const uint16_t* source = mosaic.samples + static_cast<size_t>(tileRow + y) * mosaic.width + tileColumn;
        int32_t* target = samples + static_cast<size_t>(y) * kLumaTileSize;
        for (uint32_t x = 0; x < tileColumns; ++x) {
            target[x] = static_cast<int32_t>(std::min<uint32_t>(source[x], 1023)) << kFractionBits;
        }
    }
}

// Step 2: red and blue at the red and blue sites of rows and columns 1 to n-2.
// A red site keeps its red and takes the robust mean of its four diagonal
// (blue) neighbours as blue; a blue site the other way round.
inline void InterpolateDiagonalColour(const int32_t* samples, int32_t* red, int32_t* blue,
                                      uint32_t tileColumn, uint32_t tileRow, uint32_t tileColumns,
                                      uint32_t tileRows) {
    constexpr size_t stride = kLumaTileSize;
    for (uint32_t y = 1; y + 1 < tileRows; ++y) {
        const uint32_t rowParity = (tileRow + y) & 1;
        int32_t* own = rowParity == 0 ? red : blue;
        int32_t* opposite = rowParity == 0 ? blue : red;
        const size_t row = y * stride;
        for (uint32_t x = FirstWithParity(tileColumn, 1, rowParity); x + 1 < tileColumns; x += 2) {
            const size_t i = row + x;
            own[i] = samples[i];
            opposite[i] = RobustAverage4(samples[i - stride - 1], samples[i - stride + 1],
                                         samples[i + stride - 1], samples[i + stride + 1]);
        }
    }
}

// Step 3: full red, green and blue estimates for rows and columns 2 to n-3,
// handed to sink(x, y, plane index, red, green, blue) in row order. A green site keeps its
// green and takes red and blue from its four orthogonal neighbours' planes; a
// red or blue site takes its green from its four orthogonal samples.
template <class Sink>
inline void EstimateColour(const int32_t* samples, const int32_t* red, const int32_t* blue,
                           uint32_t tileColumn, uint32_t tileRow, uint32_t tileColumns,
                           uint32_t tileRows, Sink&& sink) {
    constexpr size_t stride = kLumaTileSize;
    for (uint32_t y = 2; y + 2 < tileRows; ++y) {
        const size_t row = y * stride;
        uint32_t greenParity = ((tileColumn + 2 + tileRow + y) & 1);  // 1: column 2 is green
        for (uint32_t x = 2; x + 2 < tileColumns; ++x, greenParity ^= 1) {
            const size_t i = row + x;
            if (greenParity != 0) {
                sink(x, y, i,
                     RobustAverage4(red[i - stride], red[i + stride], red[i - 1], red[i + 1]),
                     samples[i],
                     RobustAverage4(blue[i - stride], blue[i + stride], blue[i - 1], blue[i + 1]));
            } else {
                sink(x, y, i, red[i],
                     RobustAverage4(samples[i - stride], samples[i + stride], samples[i - 1], samples[i + 1]),
                     blue[i]);
            }
        }
    }
}

}  // namespace kyp::luminance
