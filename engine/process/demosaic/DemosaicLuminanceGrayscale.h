#pragma once
#include <array>
#include <cstdint>

#include "engine/process/demosaic/DemosaicLuminanceSteps.h"
#include "engine/process/demosaic/DemosaicMethod.h"

namespace kyp {

// Method 7: the luminance of the Luminance/gradient method's first estimates,
// as a one-channel image. Border 2.
class DemosaicLuminanceGrayscale final : public DemosaicMethod {
public:
    static constexpr uint32_t kTileSize = luminance::kLumaTileSize;

    DemosaicLuminanceGrayscale();

    [[nodiscard]] uint32_t Border() const override { return 2; }
    [[nodiscard]] uint32_t TileWidth() const override { return kTileSize; }
    [[nodiscard]] uint32_t TileHeight() const override { return kTileSize; }
    [[nodiscard]] uint16_t Channels() const override { return 1; }
    [[nodiscard]] bool ProcessTile(uint16_t* output, uint32_t outputRowLength, const RawMosaic& mosaic,
                                   uint32_t tileColumn, uint32_t tileRow, uint32_t tileColumns,
                                   uint32_t tileRows) override;
    [[nodiscard]] const char* Name() const override { return "Luminance Grayscale"; }

private:
    using Kernel = void (*)(int32_t* samples, int32_t* red, int32_t* blue, uint16_t* output,
                            uint32_t outputRowLength, const RawMosaic& mosaic, uint32_t tileColumn,
                            uint32_t tileRow, uint32_t tileColumns, uint32_t tileRows);
    Kernel kernel_;  // the tile function for this processor's instruction set
    // samples x 1024, red, blue
    alignas(64) std::array<int32_t, luminance::kPlaneSize> samples_{};
    alignas(64) std::array<int32_t, luminance::kPlaneSize> red_{};
    alignas(64) std::array<int32_t, luminance::kPlaneSize> blue_{};
};

}  // namespace kyp
