#include "engine/process/DemosaicMethod.h"

#include <gtest/gtest.h>

#include <string>

#include "DemosaicTestSupport.h"
#include "engine/process/DemosaicTiled.h"

namespace kyp {
namespace {

using test::MakeColourField;
using test::MakeMosaic;
using test::MakeScene;
using test::OwnedImage;

void Demosaic(uint16_t number, const test::TestMosaic& mosaic, OwnedImage& out) {
    auto method = CreateDemosaicMethod(number);
    ASSERT_NE(method, nullptr);
    ASSERT_TRUE(DemosaicTiled(mosaic.view(), out.image, *method, nullptr, nullptr, nullptr));
}

TEST(CreateDemosaicMethod, ChoosesTheMethodByNumber) {
    const struct {
        uint16_t number;
        const char* name;
        uint32_t border, tileWidth, tileHeight;
        uint16_t channels;
    } cases[] = {{0, "Raw CCD Pattern", 0, 896, 21, 3},  {1, "Bilinear", 1, 138, 138, 3},
                 {7, "Luminance Grayscale", 2, 112, 112, 1}, {8, "Luminance/gradient", 4, 112, 112, 3},
                 {2, "Luminance/gradient", 4, 112, 112, 3},  {6, "Luminance/gradient", 4, 112, 112, 3},
                 {9, "Luminance/gradient", 4, 112, 112, 3},  {65535, "Luminance/gradient", 4, 112, 112, 3}};
    for (const auto& c : cases) {
        auto method = CreateDemosaicMethod(c.number);
        ASSERT_NE(method, nullptr);
        EXPECT_EQ(std::string(method->Name()), c.name) << c.number;
        EXPECT_EQ(method->Border(), c.border) << c.number;
        EXPECT_EQ(method->TileWidth(), c.tileWidth) << c.number;
        EXPECT_EQ(method->TileHeight(), c.tileHeight) << c.number;
        EXPECT_EQ(method->Channels(), c.channels) << c.number;
        EXPECT_EQ(method->Number(), c.number);
    }
}

TEST(DemosaicMethod, ProcessTileRefusesTilesOutsideTheMosaicOrStorage) {
    const auto mosaic = MakeScene(200, 200, 1);
    std::vector<uint16_t> output(200 * 200 * 3);
    for (const uint16_t number : {0, 1, 7, 8}) {
        auto method = CreateDemosaicMethod(number);
        const uint32_t b = method->Border();
        const uint32_t rowLength = (200 - 2 * b) * method->Channels();
        EXPECT_FALSE(method->ProcessTile(output.data(), rowLength, mosaic.view(), 190, 0, 11, 11)) << number;
        EXPECT_FALSE(method->ProcessTile(output.data(), rowLength, mosaic.view(), 0, 0,
                                         method->TileWidth() + 1, 10)) << number;
        EXPECT_FALSE(method->ProcessTile(nullptr, rowLength, mosaic.view(), 0, 0, 10, 10)) << number;
        if (b > 0) {
            EXPECT_FALSE(method->ProcessTile(output.data(), rowLength, mosaic.view(), 0, 0, 2 * b, 10));
        }
        EXPECT_TRUE(method->ProcessTile(output.data(), rowLength, mosaic.view(), 4, 4, 10, 10)) << number;
    }
}

// Raw CCD Pattern: each pixel carries its site's sample in its colour's
// channel and 0 in the others; checked over a mosaic of several tiles with
// odd sizes (896 x 21 tiles).
TEST(DemosaicRawPattern, ShowsTheFilterPattern) {
    const auto mosaic = MakeMosaic(901, 45, [](uint32_t x, uint32_t y) {
        return static_cast<uint16_t>((x * 7 + y * 13) % 1024);
    });
    OwnedImage out;
    Demosaic(0, mosaic, out);
    ASSERT_EQ(out.image.width, 901u);
    ASSERT_EQ(out.image.height, 45u);
    int wrong = 0;
    for (uint32_t y = 0; y < 45; ++y)
        for (uint32_t x = 0; x < 901; ++x)
            for (uint32_t c = 0; c < 3; ++c) {
                const uint16_t expected = static_cast<int>(c) == SiteColour(x, y) ? mosaic.samples[y * 901 + x] : 0;
                wrong += out.at(x, y, c) != expected;
            }
    EXPECT_EQ(wrong, 0);
}

// Bilinear around one bright site in a dark field, by the table of means:
// the site keeps its value, orthogonal greens take (0 + 1000 + 1) >> 1 = 500,
// diagonal sites of the other colour (0 + 0 + 0 + 1000 + 2) >> 2 = 250.
TEST(DemosaicBilinear, SpreadsOneBrightSiteByItsMeans) {
    auto mosaic = MakeMosaic(6, 6, [](uint32_t, uint32_t) { return uint16_t{0}; });
    mosaic.at(2, 2) = 1000;  // red
    OwnedImage red;
    Demosaic(1, mosaic, red);
    ASSERT_EQ(red.image.width, 4u);
    // Output (x, y) is site (x + 1, y + 1).
    EXPECT_EQ(red.at(1, 1, 0), 1000);
    EXPECT_EQ(red.at(1, 1, 1), 0);
    EXPECT_EQ(red.at(1, 1, 2), 0);
    EXPECT_EQ(red.at(0, 1, 0), 500);  // site (1, 2): green on a red row, red from west/east
    EXPECT_EQ(red.at(2, 1, 0), 500);
    EXPECT_EQ(red.at(1, 0, 0), 500);  // site (2, 1): green on a blue row, red from north/south
    EXPECT_EQ(red.at(1, 2, 0), 500);
    for (const auto& [x, y] : {std::pair{0, 0}, {2, 0}, {0, 2}, {2, 2}}) {
        EXPECT_EQ(red.at(x, y, 0), 250) << x << ',' << y;  // blue sites, red from the diagonals
    }
    EXPECT_EQ(red.at(3, 1, 0), 0);  // site (4, 2): another red site
    EXPECT_EQ(red.at(3, 3, 0), 0);

    auto blueMosaic = MakeMosaic(6, 6, [](uint32_t, uint32_t) { return uint16_t{0}; });
    blueMosaic.at(3, 3) = 999;  // blue
    OwnedImage blue;
    Demosaic(1, blueMosaic, blue);
    EXPECT_EQ(blue.at(2, 2, 2), 999);
    EXPECT_EQ(blue.at(1, 2, 2), 500);  // site (2, 3): green on a blue row, blue from west/east
    EXPECT_EQ(blue.at(2, 1, 2), 500);  // site (3, 2): green on a red row, blue from north/south
    EXPECT_EQ(blue.at(1, 1, 2), 250);  // site (2, 2): red, blue from (999 + 2) >> 2
    EXPECT_EQ(blue.at(1, 1, 1), 0);

    auto greenMosaic = MakeMosaic(6, 6, [](uint32_t, uint32_t) { return uint16_t{0}; });
    greenMosaic.at(3, 2) = 7;  // green on a red row
    OwnedImage green;
    Demosaic(1, greenMosaic, green);
    EXPECT_EQ(green.at(2, 1, 1), 7);
    EXPECT_EQ(green.at(1, 1, 1), 2);  // site (2, 2): (7 + 2) >> 2
    EXPECT_EQ(green.at(2, 2, 1), 2);  // site (3, 3) blue
    EXPECT_EQ(green.at(0, 1, 1), 0);  // site (1, 2): a green site keeps its own 0
}

// A linear ramp is reproduced exactly wherever the means are exact: every
// channel of every pixel equals the site's own sample.
TEST(DemosaicBilinear, ReproducesALinearRamp) {
    const auto mosaic = MakeMosaic(141, 139, [](uint32_t x, uint32_t y) {
        return static_cast<uint16_t>(2 * x + 4 * y);
    });
    OwnedImage out;
    Demosaic(1, mosaic, out);
    int wrong = 0;
    for (uint32_t y = 0; y < out.image.height; ++y)
        for (uint32_t x = 0; x < out.image.width; ++x)
            for (uint32_t c = 0; c < 3; ++c) wrong += out.at(x, y, c) != 2 * (x + 1) + 4 * (y + 1);
    EXPECT_EQ(wrong, 0);
}

TEST(DemosaicBilinear, FlatFieldsStayFlatAndResultsStopAt1023) {
    for (const uint16_t value : {0, 1, 512, 1023}) {
        OwnedImage out;
        Demosaic(1, MakeMosaic(9, 7, [&](uint32_t, uint32_t) { return value; }), out);
        for (uint32_t i = 0; i < out.image.sampleCount(); ++i) ASSERT_EQ(out.image.samples[i], value);
    }
    // Out-of-range samples (never produced by the raw stage) are cut at 1023.
    OwnedImage out;
    Demosaic(1, MakeMosaic(5, 5, [](uint32_t, uint32_t) { return uint16_t{4000}; }), out);
    for (uint32_t i = 0; i < out.image.sampleCount(); ++i) ASSERT_EQ(out.image.samples[i], 1023);
}

TEST(DemosaicBilinear, ColourFieldOfOddSize) {
    OwnedImage out;
    Demosaic(1, MakeColourField(141, 143, 601, 300, 100), out);
    int wrong = 0;
    for (uint32_t y = 0; y < out.image.height; ++y)
        for (uint32_t x = 0; x < out.image.width; ++x)
            wrong += out.at(x, y, 0) != 601 || out.at(x, y, 1) != 300 || out.at(x, y, 2) != 100;
    EXPECT_EQ(wrong, 0);
}

}  // namespace
}  // namespace kyp
