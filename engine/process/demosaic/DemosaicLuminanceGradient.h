#pragma once
#include <array>
#include <cstdint>

#include "engine/process/demosaic/DemosaicLuminanceSteps.h"
#include "engine/process/demosaic/DemosaicMethod.h"

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
    using Kernel = void (*)(int32_t* samples, int32_t* luma, int32_t* red, int32_t* blue, uint16_t* output,
                            uint32_t outputRowLength, const RawMosaic& mosaic, uint32_t tileColumn,
                            uint32_t tileRow, uint32_t tileColumns, uint32_t tileRows);
    Kernel kernel_;  // the tile function for this processor's instruction set
    // samples x 1024, luminance, red (later red - luminance), blue (later blue - luminance)
    alignas(64) std::array<int32_t, luminance::kPlaneSize> samples_{};
    alignas(64) std::array<int32_t, luminance::kPlaneSize> luma_{};
    alignas(64) std::array<int32_t, luminance::kPlaneSize> red_{};
    alignas(64) std::array<int32_t, luminance::kPlaneSize> blue_{};
};

}  // namespace kyp
