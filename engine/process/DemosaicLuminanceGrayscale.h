#pragma once
#include <array>
#include <cstdint>

#include "engine/process/DemosaicLuminanceSteps.h"
#include "engine/process/DemosaicMethod.h"

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
    // samples x 1024, red, blue
    std::array<int32_t, luminance::kPlaneSize> samples_{};
    std::array<int32_t, luminance::kPlaneSize> red_{};
    std::array<int32_t, luminance::kPlaneSize> blue_{};
};

}  // namespace kyp
