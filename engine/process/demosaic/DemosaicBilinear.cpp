#include "engine/process/demosaic/DemosaicBilinear.h"

#include <algorithm>
#include <cstring>

#include "engine/settings/ImportSettings.h"

namespace kyp {
namespace {

constexpr uint32_t kMaxSample = 1023;

inline uint16_t Clamp(uint32_t value) { return static_cast<uint16_t>(std::min(value, kMaxSample)); }

}  // namespace

DemosaicBilinear::DemosaicBilinear() : DemosaicMethod(method::bilinear) {}

bool DemosaicBilinear::ProcessTile(uint16_t* output, uint32_t outputRowLength, const RawMosaic& mosaic,
                                   uint32_t tileColumn, uint32_t tileRow, uint32_t tileColumns,
                                   uint32_t tileRows) {
    if (output == nullptr || !TileFits(mosaic, tileColumn, tileRow, tileColumns, tileRows)) {
        return false;
    }
    constexpr size_t stride = kTileSize;
    constexpr size_t pixelStride = kInnerSize * 3;

    // Gather the tile, rows kTileSize apart.
    for (uint32_t y = 0; y < tileRows; ++y) {
        const uint16_t* source = mosaic.samples + static_cast<size_t>(tileRow + y) * mosaic.width + tileColumn;
        std::memcpy(input_.data() + y * stride, source, tileColumns * sizeof(uint16_t));
    }

    // Interpolate every site but the tile's outer ring. On an even row the
    // colour sites are red (even columns) and the greens have red to the west
    // and east, blue to the north and south; on an odd row the colour sites
    // are blue (odd columns) and the roles of red and blue swap.
    for (uint32_t y = 1; y + 1 < tileRows; ++y) {
        const uint16_t* north = input_.data() + (y - 1) * stride;
        const uint16_t* centre = north + stride;
        const uint16_t* south = centre + stride;
        uint16_t* pixel = pixels_.data() + (y - 1) * pixelStride;
        const uint32_t rowParity = (tileRow + y) & 1;
        const int own = rowParity == 0 ? 0 : 2;  // channel of this row's colour sites
        const int other = 2 - own;
        for (uint32_t x = 1; x + 1 < tileColumns; ++x, pixel += 3) {
            const uint32_t n = north[x];
            const uint32_t s = south[x];
            const uint32_t w = centre[x - 1];
            const uint32_t e = centre[x + 1];
            if (((tileColumn + x) & 1) == rowParity) {
                const uint32_t diagonal = north[x - 1] + north[x + 1] + south[x - 1] + south[x + 1];
                pixel[own] = Clamp(centre[x]);
                pixel[1] = Clamp((n + s + w + e + 2) >> 2);
                pixel[other] = Clamp((diagonal + 2) >> 2);
            } else {
                pixel[own] = Clamp((w + e + 1) >> 1);
                pixel[1] = Clamp(centre[x]);
                pixel[other] = Clamp((n + s + 1) >> 1);
            }
        }
    }

    // Place the inner pixels at output (tileColumn, tileRow).
    const size_t rowBytes = static_cast<size_t>(tileColumns - 2) * 3 * sizeof(uint16_t);
    for (uint32_t y = 0; y + 2 < tileRows; ++y) {
        uint16_t* target = output + static_cast<size_t>(tileRow + y) * outputRowLength + static_cast<size_t>(tileColumn) * 3;
        std::memcpy(target, pixels_.data() + y * pixelStride, rowBytes);
    }
    return true;
}

}  // namespace kyp
