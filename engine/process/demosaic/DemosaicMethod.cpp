#include "engine/process/demosaic/DemosaicMethod.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "engine/process/demosaic/DemosaicBilinear.h"
#include "engine/process/demosaic/DemosaicLuminanceGradient.h"
#include "engine/process/demosaic/DemosaicLuminanceGrayscale.h"
#include "engine/process/demosaic/DemosaicRawPattern.h"
#include "engine/settings/ImportSettings.h"
#include "platform/LargeBlock.h"

namespace kyp {

bool DemosaicMethod::TileFits(const RawMosaic& mosaic, uint32_t tileColumn, uint32_t tileRow,
                              uint32_t tileColumns, uint32_t tileRows) const {
    const uint64_t inner = 2 * static_cast<uint64_t>(Border()) + 1;
    return mosaic.samples != nullptr && tileColumns >= inner && tileRows >= inner &&
           tileColumns <= TileWidth() && tileRows <= TileHeight() &&
           static_cast<uint64_t>(tileColumn) + tileColumns <= mosaic.width &&
           static_cast<uint64_t>(tileRow) + tileRows <= mosaic.height;
}

namespace {

void* AllocateMethod(std::size_t bytes, std::size_t alignment) {
    alignment = std::max<std::size_t>(alignment, alignof(std::max_align_t));
    if (bytes > SIZE_MAX - alignment) throw std::bad_alloc();
    // aligned_alloc wants a multiple of the alignment.
    const std::size_t rounded = (bytes + alignment - 1) / alignment * alignment;
    void* block = std::aligned_alloc(alignment, rounded);
    if (block == nullptr) throw std::bad_alloc();
    if (rounded >= kPresentBlockThreshold) MakePagesPresent(block, rounded);
    return block;
}

}  // namespace

void* DemosaicMethod::operator new(std::size_t bytes) { return AllocateMethod(bytes, 0); }
void* DemosaicMethod::operator new(std::size_t bytes, std::align_val_t alignment) {
    return AllocateMethod(bytes, static_cast<std::size_t>(alignment));
}
void DemosaicMethod::operator delete(void* block) noexcept { std::free(block); }
void DemosaicMethod::operator delete(void* block, std::align_val_t) noexcept { std::free(block); }

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
