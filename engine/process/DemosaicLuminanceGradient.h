#pragma once
#include <array>
#include <cstdint>

#include "engine/process/DemosaicLuminanceSteps.h"
#include "engine/process/DemosaicMethod.h"

namespace kyp {

// Method 8 (and every number without a method of its own): interpolates in a
// luminance / colour-difference space. Red and blue are first estimated at the
// colour sites, a luminance plane is built from full estimates, the measured
// red and blue minus luminance are spread with robust averages, and the output
// is colour difference plus luminance, green being solved from the luminance
// equation. Border 4.
class DemosaicLuminanceGradient final : public DemosaicMethod {
public:
    static constexpr uint32_t kTileSize = luminance::kLumaTileSize;

    explicit DemosaicLuminanceGradient(uint16_t number);

    [[nodiscard]] uint32_t Border() const override { return 4; }
    [[nodiscard]] uint32_t TileWidth() const override { return kTileSize; }
    [[nodiscard]] uint32_t TileHeight() const override { return kTileSize; }
    [[nodiscard]] uint16_t Channels() const override { return 3; }
    [[nodiscard]] bool ProcessTile(uint16_t* output, uint32_t outputRowLength, const RawMosaic& mosaic,
                                   uint32_t tileColumn, uint32_t tileRow, uint32_t tileColumns,
                                   uint32_t tileRows) override;
    [[nodiscard]] const char* Name() const override { return "Luminance/gradient"; }

private:
    // samples x 1024, luminance, red (later red - luminance), blue (later blue - luminance)
    std::array<int32_t, luminance::kPlaneSize> samples_{};
    std::array<int32_t, luminance::kPlaneSize> luma_{};
    std::array<int32_t, luminance::kPlaneSize> red_{};
    std::array<int32_t, luminance::kPlaneSize> blue_{};
};

}  // namespace kyp
