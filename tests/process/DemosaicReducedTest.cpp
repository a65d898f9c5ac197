#include "engine/process/DemosaicReduced.h"

#include <gtest/gtest.h>

#include "DemosaicTestSupport.h"
#include "engine/process/BlockAverage.h"

namespace kyp {
namespace {

using test::CountingMemory;
using test::MakeColourField;
using test::MakeMosaic;
using test::OwnedImage;

struct Means {
    uint16_t red = 9999, green = 9999, blue = 9999;
};

Means Average(const test::TestMosaic& mosaic, uint32_t column, uint32_t row, uint32_t columns, uint32_t rows) {
    Means m;
    BlockAverage(mosaic.view(), column, row, columns, rows, &m.red, &m.green, &m.blue);
    return m;
}

// Samples x squared: the block of columns 3-5, rows 0-2 holds red 16, 16;
// green 9, 25, 16, 9, 25 (84 / 5 = 16.8, truncated to 16); blue 9, 25.
TEST(BlockAverage, MeansPerColourTruncated) {
    const auto squares = MakeMosaic(8, 8, [](uint32_t x, uint32_t) { return static_cast<uint16_t>(x * x); });
    const Means block = Average(squares, 3, 0, 3, 3);
    EXPECT_EQ(block.red, 16);
    EXPECT_EQ(block.green, 16);
    EXPECT_EQ(block.blue, 17);

    // Starting on an odd row and column: the first site is blue.
    const auto field = MakeColourField(8, 8, 601, 300, 100);
    const Means odd = Average(field, 1, 1, 3, 2);
    EXPECT_EQ(odd.red, 601);
    EXPECT_EQ(odd.green, 300);
    EXPECT_EQ(odd.blue, 100);

    // Missing places are skipped; means above 1023 are cut.
    const auto bright = MakeMosaic(4, 4, [](uint32_t, uint32_t) { return uint16_t{5000}; });
    uint16_t green = 0;
    BlockAverage(bright.view(), 0, 0, 4, 4, nullptr, &green, nullptr);
    EXPECT_EQ(green, 1023);
}

// A block with no site of some colour has no mean to divide out; those
// colours read 0. Blocks reaching past the mosaic are cut at its edges.
TEST(BlockAverage, EmptyColoursAndEdges) {
    const auto field = MakeColourField(5, 5, 601, 300, 100);
    const Means redSite = Average(field, 2, 2, 1, 1);
    EXPECT_EQ(redSite.red, 601);
    EXPECT_EQ(redSite.green, 0);
    EXPECT_EQ(redSite.blue, 0);
    const Means greens = Average(field, 1, 0, 1, 1);
    EXPECT_EQ(greens.green, 300);
    EXPECT_EQ(greens.red, 0);

    const Means edge = Average(field, 3, 3, 100, 100);  // sites (3..4, 3..4)
    EXPECT_EQ(edge.red, 601);
    EXPECT_EQ(edge.green, 300);
    EXPECT_EQ(edge.blue, 100);
    const Means outside = Average(field, 5, 0, 2, 2);
    EXPECT_EQ(outside.red + outside.green + outside.blue, 0);
}

TEST(DemosaicReduced, ColourAndGreyValues) {
    const auto field = MakeColourField(100, 100, 601, 300, 100);
    OwnedImage colour;
    ASSERT_TRUE(DemosaicReduced(field.view(), colour.image, false, 3, nullptr, nullptr));
    EXPECT_EQ(colour.image.width, 33u);  // the last row and column are left out
    EXPECT_EQ(colour.image.height, 33u);
    EXPECT_EQ(colour.image.channels, 3);
    EXPECT_EQ(colour.image.bitsPerSample, 16);
    EXPECT_EQ(colour.image.byteSize, 33 * 33 * 3 * 2);
    for (uint32_t y = 0; y < 33; ++y)
        for (uint32_t x = 0; x < 33; ++x) {
            ASSERT_EQ(colour.at(x, y, 0), 601);
            ASSERT_EQ(colour.at(x, y, 1), 300);
            ASSERT_EQ(colour.at(x, y, 2), 100);
        }

    // (13933 x 601 + 46871 x 300 + 4732 x 100) >> 16 = 22908233 >> 16 = 349.
    OwnedImage grey;
    ASSERT_TRUE(DemosaicReduced(field.view(), grey.image, true, 12, nullptr, nullptr));
    EXPECT_EQ(grey.image.width, 8u);
    EXPECT_EQ(grey.image.channels, 1);
    for (uint32_t i = 0; i < grey.image.sampleCount(); ++i) ASSERT_EQ(grey.image.samples[i], 349);

    // Pixel (1, 0) of the factor 3 reduction is the block at column 3.
    const auto squares = MakeMosaic(9, 6, [](uint32_t x, uint32_t) { return static_cast<uint16_t>(x * x); });
    OwnedImage reduced;
    ASSERT_TRUE(DemosaicReduced(squares.view(), reduced.image, false, 3, nullptr, nullptr));
    EXPECT_EQ(reduced.image.width, 3u);
    EXPECT_EQ(reduced.image.height, 2u);
    EXPECT_EQ(reduced.at(1, 0, 0), 16);
    EXPECT_EQ(reduced.at(1, 0, 1), 16);
    EXPECT_EQ(reduced.at(1, 0, 2), 17);
}

TEST(DemosaicReduced, RefusesSmallFactorsAndMosaicsSmallerThanABlock) {
    const auto field = MakeColourField(10, 10, 1, 2, 3);
    OwnedImage out;
    for (const int32_t factor : {1, 0, -3, 11}) {
        EXPECT_FALSE(DemosaicReduced(field.view(), out.image, false, factor, nullptr, nullptr)) << factor;
        EXPECT_EQ(out.image.samples, nullptr);
    }
    const auto line = MakeColourField(1, 50, 1, 2, 3);
    EXPECT_FALSE(DemosaicReduced(line.view(), out.image, false, 2, nullptr, nullptr));
    EXPECT_FALSE(DemosaicReduced(RawMosaic{nullptr, 10, 10}, out.image, false, 2, nullptr, nullptr));
    ASSERT_TRUE(DemosaicReduced(field.view(), out.image, true, 10, nullptr, nullptr));
    EXPECT_EQ(out.image.width * out.image.height, 1u);
}

TEST(DemosaicReduced, ReusesALargeEnoughBlock) {
    const auto field = MakeColourField(120, 96, 10, 20, 30);
    CountingMemory::Reset();
    OwnedImage out;
    ASSERT_TRUE(DemosaicReduced(field.view(), out.image, false, 6, CountingMemory::Allocate, CountingMemory::Release));
    uint16_t* const block = out.image.samples;
    ASSERT_TRUE(DemosaicReduced(field.view(), out.image, true, 12, CountingMemory::Allocate, CountingMemory::Release));
    EXPECT_EQ(out.image.samples, block);
    EXPECT_EQ(out.image.byteSize, 10 * 8 * 2);
    EXPECT_EQ(CountingMemory::allocations, 1);
    EXPECT_EQ(CountingMemory::releases, 0);
    CountingMemory::fail = true;
    ASSERT_FALSE(DemosaicReduced(field.view(), out.image, false, 2, CountingMemory::Allocate, CountingMemory::Release));
    EXPECT_EQ(CountingMemory::releases, 1);
    EXPECT_EQ(out.image.samples, nullptr);
    CountingMemory::Reset();
}

}  // namespace
}  // namespace kyp
