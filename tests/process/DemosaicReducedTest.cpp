#include "engine/process/demosaic/DemosaicReduced.h"

#include <gtest/gtest.h>

#include "engine/process/BlockAverage.h"
#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

using test::CountingMemory;
using test::MakeColourField;
using test::MakeMosaic;
using test::OwnedImage;

std::array<int, 3> Average(const test::TestMosaic& mosaic, uint32_t column, uint32_t row, uint32_t columns,
                           uint32_t rows) {
    uint16_t red = 9999, green = 9999, blue = 9999;
    BlockAverage(mosaic.view(), column, row, columns, rows, &red, &green, &blue);
    return {red, green, blue};
}

// Samples x squared; the block of columns 3-5, rows 0-2 holds red 16, 16,
// green 9, 25, 16, 9, 25 (84 / 5 = 16.8, truncated) and blue 9, 25.
TEST(BlockAverage, MeansByHand) {
    const auto squares = MakeMosaic(8, 8, [](uint32_t x, uint32_t) { return x * x; });
    EXPECT_EQ(Average(squares, 3, 0, 3, 3), (std::array{16, 16, 17}));
    const auto field = MakeColourField(5, 5, 601, 300, 100);
    EXPECT_EQ(Average(field, 1, 1, 3, 2), (std::array{601, 300, 100}));  // starts on a blue site
    // A colour without a site in the block reads 0 rather than dividing by
    // zero; blocks are cut at the mosaic's edges.
    EXPECT_EQ(Average(field, 2, 2, 1, 1), (std::array{601, 0, 0}));
    EXPECT_EQ(Average(field, 3, 3, 100, 100), (std::array{601, 300, 100}));
    EXPECT_EQ(Average(field, 5, 0, 2, 2), (std::array{0, 0, 0}));
    // Means above 1023 are cut; result places may be null.
    uint16_t green = 0;
    BlockAverage(MakeMosaic(4, 4, [](auto, auto) { return 5000; }).view(), 0, 0, 4, 4, nullptr, &green, nullptr);
    EXPECT_EQ(green, 1023);
}

TEST(DemosaicReduced, ShapeAndValues) {
    const auto field = MakeColourField(100, 100, 601, 300, 100);
    OwnedImage colour;
    ASSERT_TRUE(DemosaicReduced(field.view(), colour.image, false, 3, nullptr, nullptr));
    EXPECT_EQ(colour.image.width, 33u);  // the last row and column are left out
    EXPECT_EQ(colour.image.height, 33u);
    EXPECT_EQ(colour.image.channels, 3);
    EXPECT_EQ(colour.image.byteSize, 33 * 33 * 3 * 2);
    EXPECT_EQ(colour.CountOtherThan(601, 300, 100), (std::array{0, 0, 0}));

    // (13933 x 601 + 46871 x 300 + 4732 x 100) >> 16 = 22908233 >> 16 = 349.
    OwnedImage grey;
    ASSERT_TRUE(DemosaicReduced(field.view(), grey.image, true, 12, nullptr, nullptr));
    EXPECT_EQ(grey.image.width, 8u);
    EXPECT_EQ(grey.image.channels, 1);
    EXPECT_EQ(grey.CountOtherThan(349, 0, 0)[0], 0);

    OwnedImage squares;  // pixel (1, 0) is the block of BlockAverage.MeansByHand
    ASSERT_TRUE(DemosaicReduced(MakeMosaic(9, 6, [](uint32_t x, uint32_t) { return x * x; }).view(), squares.image,
                                false, 3, nullptr, nullptr));
    EXPECT_EQ(squares.image.width * squares.image.height, 6u);
    EXPECT_EQ((std::array<int, 3>{squares.at(1, 0, 0), squares.at(1, 0, 1), squares.at(1, 0, 2)}),
              (std::array{16, 16, 17}));
}

TEST(DemosaicReduced, RefusalsAndBlockReuse) {
    const auto field = MakeColourField(120, 96, 10, 20, 30);
    OwnedImage out;
    for (const int32_t factor : {1, 0, -3, 97}) {
        EXPECT_FALSE(DemosaicReduced(field.view(), out.image, false, factor, nullptr, nullptr)) << factor;
    }
    EXPECT_FALSE(DemosaicReduced(MakeColourField(1, 50, 1, 2, 3).view(), out.image, false, 2, nullptr, nullptr));
    EXPECT_FALSE(DemosaicReduced(RawMosaic{nullptr, 10, 10}, out.image, false, 2, nullptr, nullptr));
    EXPECT_EQ(out.image.samples, nullptr);

    CountingMemory::Reset();
    ASSERT_TRUE(DemosaicReduced(field.view(), out.image, false, 6, CountingMemory::Allocate, CountingMemory::Release));
    uint16_t* const block = out.image.samples;
    ASSERT_TRUE(DemosaicReduced(field.view(), out.image, true, 12, CountingMemory::Allocate, CountingMemory::Release));
    EXPECT_EQ(out.image.samples, block);
    EXPECT_EQ(out.image.byteSize, 10 * 8 * 2);
    CountingMemory::fail = true;
    EXPECT_FALSE(DemosaicReduced(field.view(), out.image, false, 2, CountingMemory::Allocate, CountingMemory::Release));
    EXPECT_EQ(out.image.samples, nullptr);
    EXPECT_EQ(CountingMemory::allocations, 1);
    EXPECT_EQ(CountingMemory::releases, 1);
    CountingMemory::Reset();
}

}  // namespace
}  // namespace kyp
