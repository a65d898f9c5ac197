#include "engine/process/DemosaicLuminanceGradient.h"

#include <algorithm>

namespace kyp {
namespace {

using luminance::FirstWithParity;
using luminance::kBlueWeight;
using luminance::kFractionBits;
using luminance::kGreenWeight;
using luminance::kRedWeight;

constexpr size_t kStride = luminance::kLumaTileSize;

inline uint16_t ClampSample(int32_t value) { return static_cast<uint16_t>(std::clamp(value, 0, 1023)); }

}  // namespace

DemosaicLuminanceGradient::DemosaicLuminanceGradient(uint16_t number) : DemosaicMethod(number) {}

bool DemosaicLuminanceGradient::ProcessTile(uint16_t* output, uint32_t outputRowLength,
                                            const RawMosaic& mosaic, uint32_t tileColumn,
                                            uint32_t tileRow, uint32_t tileColumns, uint32_t tileRows) {
    if (output == nullptr || !TileFits(mosaic, tileColumn, tileRow, tileColumns, tileRows)) {
        return false;
    }
    int32_t* const samples = samples_.data();
    int32_t* const luma = luma_.data();
    int32_t* const red = red_.data();
    int32_t* const blue = blue_.data();

    // Steps 1 to 3: samples, red and blue at the colour sites, then luminance
    // from full estimates over rows and columns 2 to n-3.
    luminance::LoadSamples(samples, mosaic, tileColumn, tileRow, tileColumns, tileRows);
    luminance::InterpolateDiagonalColour(samples, red, blue, tileColumn, tileRow, tileColumns, tileRows);
    luminance::EstimateColour(samples, red, blue, tileColumn, tileRow, tileColumns, tileRows,
                              [luma](uint32_t, uint32_t, size_t i, int32_t r, int32_t g, int32_t b) {
                                  luma[i] = luminance::Luminance(r, g, b);
                              });

    // Step 4: measured colour differences, red - luminance at red sites and
    // blue - luminance at blue sites. A separate pass: step 3 still reads the
    // neighbours' red and blue estimates.
    for (uint32_t y = 2; y + 2 < tileRows; ++y) {
        const uint32_t rowParity = (tileRow + y) & 1;
        int32_t* own = rowParity == 0 ? red : blue;
        const size_t row = y * kStride;
        for (uint32_t x = FirstWithParity(tileColumn, 2, rowParity); x + 2 < tileColumns; x += 2) {
            own[row + x] = samples[row + x] - luma[row + x];
        }
    }

    // Step 5: the opposite difference at each colour site, from its four
    // diagonal neighbours (sites of the other colour, measured in step 4).
    for (uint32_t y = 3; y + 3 < tileRows; ++y) {
        const uint32_t rowParity = (tileRow + y) & 1;
        int32_t* opposite = rowParity == 0 ? blue : red;
        const size_t row = y * kStride;
        for (uint32_t x = FirstWithParity(tileColumn, 3, rowParity); x + 3 < tileColumns; x += 2) {
            const size_t i = row + x;
            opposite[i] = RobustAverage4(opposite[i - kStride - 1], opposite[i - kStride + 1],
                                         opposite[i + kStride - 1], opposite[i + kStride + 1]);
        }
    }

    // Step 6: output over rows and columns 4 to n-5. Greens take both
    // differences from their orthogonal neighbours; green itself is always
    // solved from Y = (435 R + 1464 G + 147 B) / 2048.
    for (uint32_t y = 4; y + 4 < tileRows; ++y) {
        const size_t row = y * kStride;
        uint16_t* pixel = output + static_cast<size_t>(tileRow + y - 4) * outputRowLength + static_cast<size_t>(tileColumn) * 3;
        uint32_t greenParity = (tileColumn + 4 + tileRow + y) & 1;
        for (uint32_t x = 4; x + 4 < tileColumns; ++x, greenParity ^= 1, pixel += 3) {
            const size_t i = row + x;
            int32_t redDifference;
            int32_t blueDifference;
            if (greenParity != 0) {
                redDifference = RobustAverage4(red[i - kStride], red[i + kStride], red[i - 1], red[i + 1]);
                blueDifference = RobustAverage4(blue[i - kStride], blue[i + kStride], blue[i - 1], blue[i + 1]);
            } else {
                redDifference = red[i];
                blueDifference = blue[i];
            }
            const int32_t y1024 = luma[i];
            const int32_t r = redDifference + y1024;
            const int32_t b = blueDifference + y1024;
            const int32_t g = (2048 * y1024 - kRedWeight * r - kBlueWeight * b) / kGreenWeight;
            pixel[0] = ClampSample(r >> kFractionBits);
            pixel[1] = ClampSample(g >> kFractionBits);
            pixel[2] = ClampSample(b >> kFractionBits);
        }
    }
    return true;
}

}  // namespace kyp
