#include "engine/process/demosaic/DemosaicRawPattern.h"

#include <algorithm>
#include <cstring>

#include "engine/settings/ImportSettings.h"

namespace kyp {

DemosaicRawPattern::DemosaicRawPattern() : DemosaicMethod(method::raw) {}

bool DemosaicRawPattern::ProcessTile(uint16_t* output, uint32_t outputRowLength,
                                     const RawMosaic& mosaic, uint32_t tileColumn, uint32_t tileRow,
                                     uint32_t tileColumns, uint32_t tileRows) {
    if (output == nullptr || !TileFits(mosaic, tileColumn, tileRow, tileColumns, tileRows)) {
        return false;
    }

    // Gather the tile, rows kTileWidth apart.
    for (uint32_t y = 0; y < tileRows; ++y) {
        const uint16_t* source = mosaic.samples + static_cast<size_t>(tileRow + y) * mosaic.width + tileColumn;
        std::memcpy(input_.data() + static_cast<size_t>(y) * kTileWidth, source, tileColumns * sizeof(uint16_t));
    }

    // Scatter each sample into its colour's channel. The channel depends on
    // the absolute site, so a tile may start on any column or row.
    for (uint32_t y = 0; y < tileRows; ++y) {
        const uint16_t* in = input_.data() + static_cast<size_t>(y) * kTileWidth;
        uint16_t* pixel = pixels_.data() + static_cast<size_t>(y) * kTileWidth * 3;
        std::fill(pixel, pixel + static_cast<size_t>(tileColumns) * 3, uint16_t{0});
        for (uint32_t x = 0; x < tileColumns; ++x) {
            pixel[3 * x + SiteColour(tileColumn + x, tileRow + y)] = in[x];
        }
    }

    // Place the tile's pixels in the image.
    for (uint32_t y = 0; y < tileRows; ++y) {
        uint16_t* target = output + static_cast<size_t>(tileRow + y) * outputRowLength + static_cast<size_t>(tileColumn) * 3;
        std::memcpy(target, pixels_.data() + static_cast<size_t>(y) * kTileWidth * 3,
                    static_cast<size_t>(tileColumns) * 3 * sizeof(uint16_t));
    }
    return true;
}

}  // namespace kyp
