#include "engine/process/DemosaicMethod.h"

#include <new>

#include "engine/process/DemosaicBilinear.h"
#include "engine/process/DemosaicLuminanceGradient.h"
#include "engine/process/DemosaicLuminanceGrayscale.h"
#include "engine/process/DemosaicRawPattern.h"
#include "engine/settings/ImportSettings.h"

namespace kyp {

bool DemosaicMethod::TileFits(const RawMosaic& mosaic, uint32_t tileColumn, uint32_t tileRow,
                              uint32_t tileColumns, uint32_t tileRows) const {
    const uint64_t inner = 2 * static_cast<uint64_t>(Border()) + 1;
    return mosaic.samples != nullptr && tileColumns >= inner && tileRows >= inner &&
           tileColumns <= TileWidth() && tileRows <= TileHeight() &&
           static_cast<uint64_t>(tileColumn) + tileColumns <= mosaic.width &&
           static_cast<uint64_t>(tileRow) + tileRows <= mosaic.height;
}

std::unique_ptr<DemosaicMethod> CreateDemosaicMethod(uint16_t methodNumber) {
    // The methods hold up to 200 KB of tile storage; running out of memory is
    // answered with null, which stops the pipeline before the demosaic.
    try {
        switch (methodNumber) {
            case method::raw:
                return std::make_unique<DemosaicRawPattern>();
            case method::bilinear:
                return std::make_unique<DemosaicBilinear>();
            case method::grayscale:
                return std::make_unique<DemosaicLuminanceGrayscale>();
            default:
                return std::make_unique<DemosaicLuminanceGradient>(methodNumber);
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace kyp
