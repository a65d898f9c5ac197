#include "engine/process/DemosaicTiled.h"

#include <algorithm>
#include <string>

#include "engine/process/DemosaicImageBlock.h"

namespace kyp {
namespace {

struct TileSpan {
    uint32_t origin;
    uint32_t length;
};

// The tile starting at `origin` along one axis: a whole tile, or what is left
// of the mosaic. A remainder of at most 2 border sites has no pixel of its own
// inside the border, so that last tile is moved back to end at the mosaic's
// edge with 2 border + 2 sites, recomputing a few pixels the previous tile
// already wrote (with the same values: tiles do not depend on each other).
TileSpan Span(uint32_t origin, uint32_t extent, uint32_t tile, uint32_t border) {
    const uint32_t remaining = extent - origin;
    if (remaining <= 2 * border) {
        const uint32_t length = 2 * border + 2;
        return {extent - length, length};
    }
    return {origin, std::min(tile, remaining)};
}

}  // namespace

bool DemosaicTiled(const RawMosaic& mosaic, ProcessedImage& image, DemosaicMethod& method,
                   ProgressCallback* progress, AllocateFunction allocate, ReleaseFunction release) {
    if (mosaic.samples == nullptr) return false;
    const uint32_t border = method.Border();
    const uint32_t tileWidth = method.TileWidth();
    const uint32_t tileHeight = method.TileHeight();
    const uint16_t channels = method.Channels();

    // The walk needs tiles with room for a moved-back tile (2 border + 2) and
    // a mosaic with at least one pixel inside the border; a 1 x N mosaic has
    // nothing to give a method that interpolates from neighbours.
    const uint64_t lost = 2 * static_cast<uint64_t>(border);
    if (tileWidth < lost + 2 || tileHeight < lost + 2 || mosaic.width <= lost || mosaic.height <= lost) {
        return false;
    }
    const uint32_t outputWidth = mosaic.width - 2 * border;
    const uint32_t outputHeight = mosaic.height - 2 * border;
    if (!ShapeDemosaicImage(image, outputWidth, outputHeight, channels, allocate, release)) return false;

    if (progress != nullptr) {
        const std::string text = std::string(method.Name()) + " ...";
        progress->SetText(text.c_str());
    }

    // Rows of tiles from the top, tiles left to right; neighbours overlap by
    // 2 border sites so every output pixel is inside some tile's border.
    // Tiles do not depend on each other or on their order (shared pixels get
    // the same values from both tiles), so a row of tiles could be handed to
    // workers, one method object each, with Tick kept on this thread.
    const uint32_t rowLength = channels * outputWidth;
    const uint32_t stepX = tileWidth - 2 * border;
    const uint32_t stepY = tileHeight - 2 * border;
    for (uint32_t y = 0; y < mosaic.height; y += stepY) {
        const TileSpan rows = Span(y, mosaic.height, tileHeight, border);
        for (uint32_t x = 0; x < mosaic.width; x += stepX) {
            const TileSpan columns = Span(x, mosaic.width, tileWidth, border);
            if (!Tick(progress, 1)) {
                ReleaseDemosaicImage(image, allocate, release);
                return false;
            }
            if (!method.ProcessTile(image.samples, rowLength, mosaic, columns.origin, rows.origin,
                                    columns.length, rows.length)) {
                return false;
            }
            if (mosaic.width - x <= stepX) break;  // keeps x + stepX from wrapping
        }
        if (mosaic.height - y <= stepY) break;
    }
    return true;
}

}  // namespace kyp
