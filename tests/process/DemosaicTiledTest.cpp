#include "engine/process/demosaic/DemosaicTiled.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

using test::CountingMemory;
using test::MakeMosaic;
using test::MakeScene;
using test::OwnedImage;
using Spans = std::vector<std::pair<uint32_t, uint32_t>>;  // origin, length

using test::Recorder;

// Records the tiles it is given, with a chosen geometry.
class TileLog final : public DemosaicMethod {
public:
    TileLog(uint32_t border, uint32_t tile, Recorder* recorder = nullptr)
        : DemosaicMethod(99), border_(border), tile_(tile), recorder_(recorder) {}
    uint32_t Border() const override { return border_; }
    uint32_t TileWidth() const override { return tile_; }
    uint32_t TileHeight() const override { return tile_; }
    uint16_t Channels() const override { return 1; }
    const char* Name() const override { return "Log"; }
    bool ProcessTile(uint16_t*, uint32_t, const RawMosaic& mosaic, uint32_t column, uint32_t row, uint32_t columns,
                     uint32_t rows) override {
        EXPECT_TRUE(TileFits(mosaic, column, row, columns, rows));
        if (row == 0) columnSpans.emplace_back(column, columns);
        if (column == 0) rowSpans.emplace_back(row, rows);
        if (recorder_ != nullptr) recorder_->log += "p";
        return true;
    }
    Spans columnSpans, rowSpans;

private:
    uint32_t border_, tile_;
    Recorder* recorder_;
};

struct Walked {
    Spans columnSpans, rowSpans;
};

Walked Walk(uint32_t border, uint32_t tile, uint32_t width, uint32_t height) {
    TileLog log(border, tile);
    OwnedImage out;
    EXPECT_TRUE(DemosaicTiled(MakeMosaic(width, height, [](auto, auto) { return 0; }).view(), out.image, log, nullptr,
                              nullptr, nullptr));
    return {log.columnSpans, log.rowSpans};
}

TEST(DemosaicTiled, TileWalk) {
    // Bilinear (tile 138, border 1, step 136) and Luminance/gradient (112, 4, 104).
    EXPECT_EQ(Walk(1, 138, 300, 150).columnSpans, (Spans{{0, 138}, {136, 138}, {272, 28}}));
    EXPECT_EQ(Walk(1, 138, 300, 150).rowSpans, (Spans{{0, 138}, {136, 14}}));
    EXPECT_EQ(Walk(4, 112, 300, 20).columnSpans, (Spans{{0, 112}, {104, 112}, {208, 92}}));
    // A remainder of at most 2 border sites moves the last tile back to end at
    // the edge, 2 border + 2 sites long (to an odd origin for an odd width).
    EXPECT_EQ(Walk(1, 138, 274, 141).columnSpans, (Spans{{0, 138}, {136, 138}, {270, 4}}));
    EXPECT_EQ(Walk(1, 138, 274, 141).rowSpans, (Spans{{0, 138}, {136, 5}}));
    EXPECT_EQ(Walk(4, 112, 216, 20).columnSpans, (Spans{{0, 112}, {104, 112}, {206, 10}}));
    EXPECT_EQ(Walk(4, 112, 213, 20).columnSpans, (Spans{{0, 112}, {104, 109}, {203, 10}}));
    // Narrower than a tile: one column of tiles of the mosaic's width.
    EXPECT_EQ(Walk(4, 112, 50, 300).columnSpans, (Spans{{0, 50}}));
    // A tile that is all border would never advance.
    OwnedImage out;
    TileLog allBorder(4, 9);
    EXPECT_FALSE(DemosaicTiled(MakeScene(20, 20, 1).view(), out.image, allBorder, nullptr, nullptr, nullptr));
}

TEST(DemosaicTiled, TicksBeforeEachTileAndCancels) {
    const auto mosaic = MakeScene(300, 150, 2);
    OwnedImage out;
    Recorder progress;
    TileLog log(1, 138, &progress);
    ASSERT_TRUE(DemosaicTiled(mosaic.view(), out.image, log, &progress, nullptr, nullptr));
    EXPECT_EQ(progress.log, "SLog ...|#p#p#p#p#p#p");

    // Cancelling at the third tile releases the block and empties the image.
    const auto method = CreateDemosaicMethod(8);
    CountingMemory::Reset();
    Recorder cancelling(3);
    EXPECT_FALSE(DemosaicTiled(mosaic.view(), out.image, *method, &cancelling, CountingMemory::Allocate,
                               CountingMemory::Release));
    EXPECT_EQ(cancelling.ticks, 3);
    EXPECT_EQ(CountingMemory::releases, 2);  // the block of the first run, then the new one
    EXPECT_EQ(CountingMemory::allocations, 1);
    EXPECT_EQ(out.image.samples, nullptr);
    EXPECT_EQ(out.image.byteSize, 0);
}

TEST(DemosaicTiled, BlockReuseAndRefusals) {
    const auto mosaic = MakeScene(31, 17, 3);
    // A block already large enough is kept; a smaller one is replaced.
    const auto bilinear = CreateDemosaicMethod(1);  // 29 x 15 x 6 = 2610 bytes
    CountingMemory::Reset();
    OwnedImage out;
    out.image.samples = static_cast<uint16_t*>(std::malloc(2610));
    out.image.byteSize = 2610;
    uint16_t* const kept = out.image.samples;
    ASSERT_TRUE(DemosaicTiled(mosaic.view(), out.image, *bilinear, nullptr, CountingMemory::Allocate,
                              CountingMemory::Release));
    EXPECT_EQ(out.image.samples, kept);
    EXPECT_EQ(out.image.bitsPerSample, 16);
    EXPECT_EQ(CountingMemory::allocations, 0);
    EXPECT_EQ(CountingMemory::releases, 0);
    ASSERT_TRUE(DemosaicTiled(MakeScene(32, 17, 3).view(), out.image, *bilinear, nullptr, CountingMemory::Allocate,
                              CountingMemory::Release));
    EXPECT_EQ(CountingMemory::allocations, 1);
    EXPECT_EQ(CountingMemory::releases, 1);

    // Failed allocation leaves no block; a missing mosaic changes nothing.
    CountingMemory::fail = true;
    EXPECT_FALSE(DemosaicTiled(MakeScene(40, 40, 3).view(), out.image, *bilinear, nullptr, CountingMemory::Allocate,
                               CountingMemory::Release));
    EXPECT_EQ(out.image.samples, nullptr);
    out.image.width = 5;
    EXPECT_FALSE(DemosaicTiled(RawMosaic{nullptr, 20, 20}, out.image, *bilinear, nullptr, nullptr, nullptr));
    EXPECT_EQ(out.image.width, 5u);
    CountingMemory::Reset();
}

// Mosaics with no site inside the border are refused, image untouched; the
// smallest that have one give one pixel per row. Raw CCD Pattern takes all.
TEST(DemosaicTiled, TinyMosaics) {
    for (const auto& [number, smallest] : {std::pair<uint16_t, uint32_t>{0, 1}, {1, 3}, {7, 5}, {8, 9}}) {
        const auto method = CreateDemosaicMethod(number);
        const uint32_t sizes[][2] = {{1, 1}, {2, 2}, {1, 40}, {40, 1}, {smallest - 1, 40}, {40, smallest - 1}};
        for (const auto& size : sizes) {
            if (size[0] * size[1] == 0) continue;
            OwnedImage out;
            const bool fits = size[0] >= smallest && size[1] >= smallest;
            EXPECT_EQ(DemosaicTiled(MakeScene(size[0], size[1], 4).view(), out.image, *method, nullptr, nullptr,
                                    nullptr),
                      fits)
                << number << ' ' << size[0] << 'x' << size[1];
            EXPECT_EQ(out.image.samples != nullptr, fits);
        }
        for (const uint32_t height : {smallest, smallest + 1, 200u}) {
            OwnedImage out;
            test::Demosaic(number, MakeScene(smallest, height, 5), out);
            EXPECT_EQ(out.image.width, 1u);
            EXPECT_EQ(out.image.height, height - (smallest - 1));
        }
    }
}

}  // namespace
}  // namespace kyp
