#include "engine/process/DemosaicTiled.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "DemosaicTestSupport.h"
#include "engine/process/DemosaicMethod.h"

namespace kyp {
namespace {

using test::CountingMemory;
using test::MakeMosaic;
using test::MakeScene;
using test::OwnedImage;

// Records the driver's calls: ticks and tiles in the order they came.
struct Recorder : ProgressCallback {
    std::vector<std::string> texts;
    std::vector<std::string> events;
    int cancelAtTick = 0;  // 1-based; 0 never
    int ticks = 0;
    void SetText(const char* text) override { texts.emplace_back(text); }
    void Begin(int32_t) override {}
    bool Tick(int32_t count) override {
        EXPECT_EQ(count, 1);
        events.emplace_back("tick");
        return ++ticks != cancelAtTick;
    }
    void End() override {}
};

// A method that only records the tiles it is given.
class TileLog final : public DemosaicMethod {
public:
    TileLog(uint32_t border, uint32_t tileWidth, uint32_t tileHeight, Recorder* recorder = nullptr)
        : DemosaicMethod(99), border_(border), width_(tileWidth), height_(tileHeight), recorder_(recorder) {}
    uint32_t Border() const override { return border_; }
    uint32_t TileWidth() const override { return width_; }
    uint32_t TileHeight() const override { return height_; }
    uint16_t Channels() const override { return 1; }
    const char* Name() const override { return "Log"; }
    bool ProcessTile(uint16_t*, uint32_t rowLength, const RawMosaic& mosaic, uint32_t column, uint32_t row,
                     uint32_t columns, uint32_t rows) override {
        EXPECT_EQ(rowLength, mosaic.width - 2 * border_);
        EXPECT_TRUE(TileFits(mosaic, column, row, columns, rows));
        tiles.emplace_back(column, row, columns, rows);
        if (recorder_ != nullptr) recorder_->events.emplace_back("tile");
        return true;
    }
    std::vector<std::tuple<uint32_t, uint32_t, uint32_t, uint32_t>> tiles;

private:
    uint32_t border_, width_, height_;
    Recorder* recorder_;
};

std::vector<std::pair<uint32_t, uint32_t>> Columns(const TileLog& log) {
    std::vector<std::pair<uint32_t, uint32_t>> columns;
    for (const auto& [column, row, width, height] : log.tiles)
        if (row == 0) columns.emplace_back(column, width);
    return columns;
}

std::vector<std::pair<uint32_t, uint32_t>> Rows(const TileLog& log) {
    std::vector<std::pair<uint32_t, uint32_t>> rows;
    for (const auto& [column, row, width, height] : log.tiles)
        if (column == 0) rows.emplace_back(row, height);
    return rows;
}

using Spans = std::vector<std::pair<uint32_t, uint32_t>>;

TEST(DemosaicTiled, WalksOverlappingTilesRowByRow) {
    const auto mosaic = MakeMosaic(300, 150, [](uint32_t, uint32_t) { return uint16_t{0}; });
    OwnedImage out;

    // Bilinear's geometry: tile 138, border 1, step 136.
    TileLog bilinear(1, 138, 138);
    ASSERT_TRUE(DemosaicTiled(mosaic.view(), out.image, bilinear, nullptr, nullptr, nullptr));
    EXPECT_EQ(Columns(bilinear), (Spans{{0, 138}, {136, 138}, {272, 28}}));
    EXPECT_EQ(Rows(bilinear), (Spans{{0, 138}, {136, 14}}));
    ASSERT_EQ(bilinear.tiles.size(), 6u);
    EXPECT_EQ(bilinear.tiles[2], std::make_tuple(272u, 0u, 28u, 138u));  // left to right first
    EXPECT_EQ(bilinear.tiles[3], std::make_tuple(0u, 136u, 138u, 14u));

    // Luminance/gradient's geometry: tile 112, border 4, step 104.
    TileLog gradient(4, 112, 112);
    ASSERT_TRUE(DemosaicTiled(mosaic.view(), out.image, gradient, nullptr, nullptr, nullptr));
    EXPECT_EQ(Columns(gradient), (Spans{{0, 112}, {104, 112}, {208, 92}}));
    EXPECT_EQ(Rows(gradient), (Spans{{0, 112}, {104, 46}}));
}

TEST(DemosaicTiled, MovesTheLastTileBackWhenOnlyTheBorderRemains) {
    OwnedImage out;
    // 274 = 2 x 136 + 2: the third column of tiles would hold 2 sites, all
    // border; it starts at 274 - 2 - 2 instead, 4 sites wide.
    const auto mosaic = MakeMosaic(274, 141, [](uint32_t, uint32_t) { return uint16_t{0}; });
    TileLog bilinear(1, 138, 138);
    ASSERT_TRUE(DemosaicTiled(mosaic.view(), out.image, bilinear, nullptr, nullptr, nullptr));
    EXPECT_EQ(Columns(bilinear), (Spans{{0, 138}, {136, 138}, {270, 4}}));
    EXPECT_EQ(Rows(bilinear), (Spans{{0, 138}, {136, 5}}));

    // 216 = 2 x 104 + 8 for the gradient geometry; odd 213 moves back to an
    // odd column.
    const auto even = MakeMosaic(216, 20, [](uint32_t, uint32_t) { return uint16_t{0}; });
    TileLog gradient(4, 112, 112);
    ASSERT_TRUE(DemosaicTiled(even.view(), out.image, gradient, nullptr, nullptr, nullptr));
    EXPECT_EQ(Columns(gradient), (Spans{{0, 112}, {104, 112}, {206, 10}}));
    const auto odd = MakeMosaic(213, 20, [](uint32_t, uint32_t) { return uint16_t{0}; });
    TileLog gradientOdd(4, 112, 112);
    ASSERT_TRUE(DemosaicTiled(odd.view(), out.image, gradientOdd, nullptr, nullptr, nullptr));
    EXPECT_EQ(Columns(gradientOdd), (Spans{{0, 112}, {104, 109}, {203, 10}}));

    // A mosaic narrower than a tile is one column of tiles of its width.
    const auto narrow = MakeMosaic(50, 300, [](uint32_t, uint32_t) { return uint16_t{0}; });
    TileLog narrowLog(4, 112, 112);
    ASSERT_TRUE(DemosaicTiled(narrow.view(), out.image, narrowLog, nullptr, nullptr, nullptr));
    EXPECT_EQ(Columns(narrowLog), (Spans{{0, 50}}));
    EXPECT_EQ(Rows(narrowLog), (Spans{{0, 112}, {104, 112}, {208, 92}}));
}

TEST(DemosaicTiled, TicksBeforeEveryTileAndNamesTheStep) {
    const auto mosaic = MakeMosaic(300, 150, [](uint32_t, uint32_t) { return uint16_t{0}; });
    OwnedImage out;
    Recorder progress;
    TileLog log(1, 138, 138, &progress);
    ASSERT_TRUE(DemosaicTiled(mosaic.view(), out.image, log, &progress, nullptr, nullptr));
    EXPECT_EQ(progress.texts, std::vector<std::string>{"Log ..."});
    ASSERT_EQ(progress.events.size(), 12u);
    for (size_t i = 0; i < progress.events.size(); ++i)
        EXPECT_EQ(progress.events[i], i % 2 == 0 ? "tick" : "tile") << i;
}

TEST(DemosaicTiled, ShapesTheImageForEachMethod) {
    const auto mosaic = MakeScene(31, 17, 1);
    const struct {
        uint16_t number;
        uint32_t width, height;
        uint16_t channels;
    } cases[] = {{0, 31, 17, 3}, {1, 29, 15, 3}, {7, 27, 13, 1}, {8, 23, 9, 3}};
    for (const auto& c : cases) {
        auto method = CreateDemosaicMethod(c.number);
        ASSERT_NE(method, nullptr);
        OwnedImage out;
        ASSERT_TRUE(DemosaicTiled(mosaic.view(), out.image, *method, nullptr, nullptr, nullptr));
        EXPECT_EQ(out.image.width, c.width) << c.number;
        EXPECT_EQ(out.image.height, c.height) << c.number;
        EXPECT_EQ(out.image.channels, c.channels) << c.number;
        EXPECT_EQ(out.image.bitsPerSample, 16);
        EXPECT_EQ(out.image.byteSize, static_cast<int32_t>(2 * c.channels * c.width * c.height));
    }
}

TEST(DemosaicTiled, KeepsALargeEnoughBlockAndReplacesASmallOne) {
    const auto mosaic = MakeScene(40, 30, 2);
    auto method = CreateDemosaicMethod(1);  // 38 x 28 x 3 x 2 = 6384 bytes
    CountingMemory::Reset();

    OwnedImage out;
    out.image.samples = static_cast<uint16_t*>(std::malloc(8000));
    out.image.byteSize = 8000;
    uint16_t* const big = out.image.samples;
    ASSERT_TRUE(DemosaicTiled(mosaic.view(), out.image, *method, nullptr, CountingMemory::Allocate,
                              CountingMemory::Release));
    EXPECT_EQ(out.image.samples, big);
    EXPECT_EQ(out.image.byteSize, 6384);
    EXPECT_EQ(CountingMemory::allocations + CountingMemory::releases, 0);

    const auto larger = MakeScene(60, 30, 3);  // 58 x 28 x 6 = 9744 bytes
    ASSERT_TRUE(DemosaicTiled(larger.view(), out.image, *method, nullptr, CountingMemory::Allocate,
                              CountingMemory::Release));
    EXPECT_EQ(CountingMemory::allocations, 1);
    EXPECT_EQ(CountingMemory::releases, 1);
    EXPECT_EQ(out.image.byteSize, 9744);
}

TEST(DemosaicTiled, CancellingReleasesTheImageBlock) {
    const auto mosaic = MakeScene(300, 150, 4);
    auto method = CreateDemosaicMethod(8);
    CountingMemory::Reset();
    Recorder progress;
    progress.cancelAtTick = 3;
    OwnedImage out;
    EXPECT_FALSE(DemosaicTiled(mosaic.view(), out.image, *method, &progress, CountingMemory::Allocate,
                               CountingMemory::Release));
    EXPECT_EQ(progress.ticks, 3);
    EXPECT_EQ(CountingMemory::allocations, 1);
    EXPECT_EQ(CountingMemory::releases, 1);
    EXPECT_EQ(out.image.samples, nullptr);
    EXPECT_EQ(out.image.byteSize, 0);
    EXPECT_EQ(out.image.width * out.image.height, 0u);
}

TEST(DemosaicTiled, RefusesWhatItCannotDemosaic) {
    auto bilinear = CreateDemosaicMethod(1);
    const auto mosaic = MakeScene(20, 20, 5);

    // Failed allocation: no block, empty image.
    CountingMemory::Reset();
    CountingMemory::fail = true;
    OwnedImage out;
    EXPECT_FALSE(DemosaicTiled(mosaic.view(), out.image, *bilinear, nullptr, CountingMemory::Allocate,
                               CountingMemory::Release));
    EXPECT_EQ(out.image.samples, nullptr);
    EXPECT_EQ(out.image.byteSize, 0);
    CountingMemory::Reset();

    // No samples: image untouched.
    out.image.width = 5;
    EXPECT_FALSE(DemosaicTiled(RawMosaic{nullptr, 20, 20}, out.image, *bilinear, nullptr, nullptr, nullptr));
    EXPECT_EQ(out.image.width, 5u);

    // A method whose tile is all border would never advance.
    TileLog allBorder(4, 9, 112);
    EXPECT_FALSE(DemosaicTiled(mosaic.view(), out.image, allBorder, nullptr, nullptr, nullptr));
    EXPECT_TRUE(allBorder.tiles.empty());
}

// Mosaics with no pixel inside the border are refused with the image left as
// it was; the smallest that have one give a single pixel. Raw CCD Pattern has
// no border and takes anything.
TEST(DemosaicTiled, TinyMosaics) {
    const struct {
        uint16_t number;
        uint32_t smallest;
    } methods[] = {{0, 1}, {1, 3}, {7, 5}, {8, 9}};
    for (const auto& m : methods) {
        auto method = CreateDemosaicMethod(m.number);
        const uint32_t sizes[][2] = {{1, 1}, {2, 2}, {1, 40}, {40, 1}, {m.smallest - 1, 40},
                                     {40, m.smallest - 1}};
        for (const auto& size : sizes) {
            if (size[0] == 0 || size[1] == 0) continue;
            const auto mosaic = MakeScene(size[0], size[1], 6);
            OwnedImage out;
            const bool fits = size[0] >= m.smallest && size[1] >= m.smallest;
            EXPECT_EQ(DemosaicTiled(mosaic.view(), out.image, *method, nullptr, nullptr, nullptr), fits)
                << m.number << ' ' << size[0] << 'x' << size[1];
            if (!fits) {
                EXPECT_EQ(out.image.samples, nullptr);
            }
        }
        for (const uint32_t other : {m.smallest, m.smallest + 1, 200u}) {
            const auto mosaic = MakeScene(m.smallest, other, 7);
            OwnedImage out;
            ASSERT_TRUE(DemosaicTiled(mosaic.view(), out.image, *method, nullptr, nullptr, nullptr));
            EXPECT_EQ(out.image.width, 1u);
            EXPECT_EQ(out.image.height, other - (m.smallest - 1));
        }
    }
}

// Every tile depends only on the mosaic around it: the demosaic of a region
// cut at even coordinates from a larger mosaic (small enough to be one tile)
// equals the same region of the larger mosaic's demosaic. The regions below
// straddle the seams between tiles of every method.
TEST(DemosaicTiled, TilesAgreeWithASingleTileRun) {
    const auto scene = MakeScene(310, 240, 8);
    for (const uint16_t number : {0, 1, 7, 8}) {
        auto method = CreateDemosaicMethod(number);
        OwnedImage whole;
        ASSERT_TRUE(DemosaicTiled(scene.view(), whole.image, *method, nullptr, nullptr, nullptr));
        const uint32_t channels = method->Channels();
        const uint32_t regions[][4] = {{0, 0, 112, 112}, {60, 10, 100, 21}, {96, 96, 20, 20},
                                       {200, 130, 110, 110}, {258, 2, 52, 90}, {2, 210, 96, 30}};
        for (const auto& r : regions) {
            const auto part = MakeMosaic(r[2], r[3], [&](uint32_t x, uint32_t y) {
                return scene.samples[(y + r[1]) * scene.width + x + r[0]];
            });
            OwnedImage single;
            ASSERT_TRUE(DemosaicTiled(part.view(), single.image, *method, nullptr, nullptr, nullptr));
            int mismatches = 0;
            for (uint32_t y = 0; y < single.image.height; ++y)
                for (uint32_t x = 0; x < single.image.width; ++x)
                    for (uint32_t c = 0; c < channels; ++c)
                        mismatches += single.at(x, y, c) != whole.at(x + r[0], y + r[1], c);
            EXPECT_EQ(mismatches, 0) << "method " << number << " region " << r[0] << ',' << r[1];
        }
    }
}

}  // namespace
}  // namespace kyp
