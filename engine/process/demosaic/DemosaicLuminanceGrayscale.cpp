#include "engine/process/demosaic/DemosaicLuminanceGrayscale.h"

#include <algorithm>

#include "engine/core/KernelTargets.h"
#include "engine/settings/ImportSettings.h"

namespace kyp {
namespace {

using luminance::HalfRow;
using luminance::HalfSpan;
using luminance::kHalfRow;

// (435 R + 1464 G + 147 B) >> 21: luminance, leaving the x1024 domain.
KYP_ALWAYS_INLINE uint16_t Grey(int32_t r, int32_t g, int32_t b) {
    const int32_t grey = (luminance::kRedWeight * r + luminance::kGreenWeight * g + luminance::kBlueWeight * b) >> 21;
    return static_cast<uint16_t>(std::clamp(grey, 0, 1023));
}

KYP_ALWAYS_INLINE void GrayscaleTile(int32_t* samples, int32_t* red, int32_t* blue, uint16_t* output,
                                     uint32_t outputRowLength, const RawMosaic& mosaic, uint32_t tileColumn,
                                     uint32_t tileRow, uint32_t tileColumns, uint32_t tileRows) {
    luminance::LoadSamples(samples, mosaic, tileColumn, tileRow, tileColumns, tileRows);
    luminance::InterpolateDiagonalColour(samples, red, blue, tileColumn, tileRow, tileColumns, tileRows);

    // The estimates of rows and columns 2 to n-3 go straight to the image,
    // each half row through a row of grey values that is then interleaved.
    // Tile site (x, y) is output pixel (tileColumn + x - 2, tileRow + y - 2).
    uint16_t greyRows[2][kHalfRow];
    for (uint32_t y = 2; y + 2 < tileRows; ++y) {
        const uint32_t c = luminance::ColourHalf(tileColumn, tileRow, y);
        luminance::EstimateRow(samples, red, blue, y, c, tileColumns, greyRows[c], greyRows[c ^ 1],
                               [](int32_t r, int32_t g, int32_t b) __attribute__((always_inline)) { return Grey(r, g, b); });
        uint16_t* __restrict target =
            output + static_cast<size_t>(tileRow + y - 2) * outputRowLength + tileColumn;
        for (uint32_t x = 2; x + 2 < tileColumns; ++x) target[x - 2] = greyRows[x & 1][x >> 1];
    }
}

KYP_KERNEL_VARIANTS(GrayscaleTileFor, GrayscaleTile,
                    (int32_t* samples, int32_t* red, int32_t* blue, uint16_t* output, uint32_t outputRowLength,
                     const RawMosaic& mosaic, uint32_t tileColumn, uint32_t tileRow, uint32_t tileColumns,
                     uint32_t tileRows),
                    (samples, red, blue, output, outputRowLength, mosaic, tileColumn, tileRow, tileColumns,
                     tileRows))

}  // namespace

DemosaicLuminanceGrayscale::DemosaicLuminanceGrayscale()
    : DemosaicMethod(method::grayscale), kernel_(PickGrayscaleTileFor(KernelTargetInUse())) {}

bool DemosaicLuminanceGrayscale::ProcessTile(uint16_t* output, uint32_t outputRowLength,
                                             const RawMosaic& mosaic, uint32_t tileColumn,
                                             uint32_t tileRow, uint32_t tileColumns, uint32_t tileRows) {
    if (output == nullptr || !TileFits(mosaic, tileColumn, tileRow, tileColumns, tileRows)) {
        return false;
    }
    kernel_(samples_.data(), red_.data(), blue_.data(), output, outputRowLength, mosaic, tileColumn, tileRow,
           tileColumns, tileRows);
    return true;
}

}  // namespace kyp
