#pragma once
#include <array>
#include <cstdint>

#include "engine/process/demosaic/DemosaicMethod.h"

namespace kyp {

// Method 0: no interpolation. Each site's sample goes into the channel of its
// colour and the other two channels stay 0, so the image shows the filter
// pattern itself. Border 0: the image has the mosaic's size.
class DemosaicRawPattern final : public DemosaicMethod {
public:
    static constexpr uint32_t kTileWidth = 896;
    static constexpr uint32_t kTileHeight = 21;

    DemosaicRawPattern();

    [[nodiscard]] uint32_t Border() const override { return 0; }
    [[nodiscard]] uint32_t TileWidth() const override { return kTileWidth; }
    [[nodiscard]] uint32_t TileHeight() const override { return kTileHeight; }
    [[nodiscard]] uint16_t Channels() const override { return 3; }
    [[nodiscard]] bool ProcessTile(uint16_t* output, uint32_t outputRowLength, const RawMosaic& mosaic,
                                   uint32_t tileColumn, uint32_t tileRow, uint32_t tileColumns,
                                   uint32_t tileRows) override;
    [[nodiscard]] const char* Name() const override { return "Raw CCD Pattern"; }

private:
    std::array<uint16_t, kTileWidth * kTileHeight> input_{};
    std::array<uint16_t, kTileWidth * kTileHeight * 3> pixels_{};
};

}  // namespace kyp
