#include "engine/process/DemosaicLuminanceGrayscale.h"

#include <algorithm>

#include "engine/settings/ImportSettings.h"

namespace kyp {

DemosaicLuminanceGrayscale::DemosaicLuminanceGrayscale() : DemosaicMethod(method::grayscale) {}

bool DemosaicLuminanceGrayscale::ProcessTile(uint16_t* output, uint32_t outputRowLength,
                                             const RawMosaic& mosaic, uint32_t tileColumn,
                                             uint32_t tileRow, uint32_t tileColumns, uint32_t tileRows) {
    if (output == nullptr || !TileFits(mosaic, tileColumn, tileRow, tileColumns, tileRows)) {
        return false;
    }
    int32_t* const samples = samples_.data();
    int32_t* const red = red_.data();
    int32_t* const blue = blue_.data();

    luminance::LoadSamples(samples, mosaic, tileColumn, tileRow, tileColumns, tileRows);
    luminance::InterpolateDiagonalColour(samples, red, blue, tileColumn, tileRow, tileColumns, tileRows);

    // The estimates of rows and columns 2 to n-3 go straight to the image:
    // luminance with the extra >> 10 that leaves the x1024 domain.
    // Tile site (x, y) is output pixel (tileColumn + x - 2, tileRow + y - 2).
    uint16_t* const origin = output + static_cast<size_t>(tileRow) * outputRowLength + tileColumn;
    luminance::EstimateColour(
        samples, red, blue, tileColumn, tileRow, tileColumns, tileRows,
        [=](uint32_t x, uint32_t y, size_t, int32_t r, int32_t g, int32_t b) {
            const int32_t grey = (luminance::kRedWeight * r + luminance::kGreenWeight * g +
                                  luminance::kBlueWeight * b) >> 21;
            origin[static_cast<size_t>(y - 2) * outputRowLength + (x - 2)] =
                static_cast<uint16_t>(std::clamp(grey, 0, 1023));
        });
    return true;
}

}  // namespace kyp
