#pragma once
#include <array>
#include <cstdint>

#include "engine/process/demosaic/DemosaicMethod.h"

namespace kyp {

// Method 1: each missing colour is the rounded mean of the nearest sites of
// that colour (two orthogonal, four orthogonal or four diagonal ones). Border 1.
class DemosaicBilinear final : public DemosaicMethod {
public:
    static constexpr uint32_t kTileSize = 138;
    static constexpr uint32_t kInnerSize = kTileSize - 2;

    DemosaicBilinear();

    [[nodiscard]] uint32_t Border() const override { return 1; }
    [[nodiscard]] uint32_t TileWidth() const override { return kTileSize; }
    [[nodiscard]] uint32_t TileHeight() const override { return kTileSize; }
    [[nodiscard]] uint16_t Channels() const override { return 3; }
    [[nodiscard]] bool ProcessTile(uint16_t* output, uint32_t outputRowLength, const RawMosaic& mosaic,
                                   uint32_t tileColumn, uint32_t tileRow, uint32_t tileColumns,
                                   uint32_t tileRows) override;
    [[nodiscard]] const char* Name() const override { return "Bilinear"; }

private:
    std::array<uint16_t, kTileSize * kTileSize> input_{};
    std::array<uint16_t, kInnerSize * kInnerSize * 3> pixels_{};
};

}  // namespace kyp
