#include "engine/process/demosaic/DemosaicMethod.h"

#include <gtest/gtest.h>

#include <string>

#include "DemosaicTestSupport.h"

namespace kyp {
namespace {

using test::MakeColourField;
using test::MakeMosaic;
using test::OwnedImage;

// Name, border, tile size and channels; unknown numbers take the best method.
TEST(CreateDemosaicMethod, ChoosesTheMethodByNumber) {
    const std::pair<uint16_t, const char*> cases[] = {
        {0, "Raw CCD Pattern 0 896x21 3"},        {1, "Bilinear 1 138x138 3"},
        {7, "Luminance Grayscale 2 112x112 1"},   {8, "Luminance/gradient 4 112x112 3"},
        {2, "Luminance/gradient 4 112x112 3"},    {6, "Luminance/gradient 4 112x112 3"},
        {9, "Luminance/gradient 4 112x112 3"},    {65535, "Luminance/gradient 4 112x112 3"}};
    for (const auto& [number, expected] : cases) {
        const auto m = CreateDemosaicMethod(number);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(std::string(m->Name()) + ' ' + std::to_string(m->Border()) + ' ' + std::to_string(m->TileWidth()) +
                      'x' + std::to_string(m->TileHeight()) + ' ' + std::to_string(m->Channels()),
                  expected);
        EXPECT_EQ(m->Number(), number);
    }
}

TEST(DemosaicMethod, ProcessTileRefusesTilesOutsideTheMosaicOrStorage) {
    const auto mosaic = test::MakeScene(200, 200, 1);
    std::vector<uint16_t> output(200 * 200 * 3);
    for (const uint16_t number : {0, 1, 7, 8}) {
        const auto method = CreateDemosaicMethod(number);
        const uint32_t rowLength = (200 - 2 * method->Border()) * method->Channels();
        EXPECT_FALSE(method->ProcessTile(output.data(), rowLength, mosaic.view(), 190, 0, 11, 11));
        EXPECT_FALSE(method->ProcessTile(output.data(), rowLength, mosaic.view(), 0, 0, method->TileWidth() + 1, 20));
        EXPECT_FALSE(method->ProcessTile(nullptr, rowLength, mosaic.view(), 0, 0, 10, 10));
        EXPECT_TRUE(method->ProcessTile(output.data(), rowLength, mosaic.view(), 4, 4, 10, 10));
    }
}

// Each pixel carries its site's sample in its colour's channel, 0 in the
// others, over several 896 x 21 tiles of odd size.
TEST(DemosaicRawPattern, ShowsTheFilterPattern) {
    const auto mosaic = MakeMosaic(901, 45, [](uint32_t x, uint32_t y) { return (x * 7 + y * 13) % 1024; });
    OwnedImage out;
    test::Demosaic(0, mosaic, out);
    int wrong = 0;
    for (uint32_t y = 0; y < 45; ++y)
        for (uint32_t x = 0; x < 901; ++x)
            for (uint32_t c = 0; c < 3; ++c)
                wrong += out.at(x, y, c) != (static_cast<int>(c) == SiteColour(x, y) ? mosaic.samples[y * 901 + x] : 0);
    EXPECT_EQ(wrong, 0);
}

// One bright red site in a dark field: the site keeps 1001, its orthogonal
// greens take (0 + 1001 + 1) >> 1 = 501 as red, its diagonal blues
// (1001 + 2) >> 2 = 250. Output (x, y) is site (x + 1, y + 1).
TEST(DemosaicBilinear, OneBrightSiteByHand) {
    auto mosaic = MakeMosaic(6, 6, [](auto, auto) { return 0; });
    mosaic.at(2, 2) = 1001;
    mosaic.at(3, 4) = 7;  // a green on a red row
    OwnedImage out;
    test::Demosaic(1, mosaic, out);
    const int expectedRed[4][4] = {{250, 501, 250, 0}, {501, 1001, 501, 0}, {250, 501, 250, 0}, {0, 0, 0, 0}};
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(out.at(x, y, 0), expectedRed[y][x]) << x << ',' << y;
    EXPECT_EQ(out.at(1, 1, 1), 0);
    EXPECT_EQ(out.at(1, 1, 2), 0);
    EXPECT_EQ(out.at(2, 3, 1), 7);
    EXPECT_EQ(out.at(1, 3, 1), 2);  // site (2, 4), red: (7 + 2) >> 2
    EXPECT_EQ(out.at(2, 2, 1), 2);  // site (3, 3), blue
}

// A linear ramp comes back exactly: every channel equals the site's sample.
// A colour field of odd size keeps its three colours; results stop at 1023.
TEST(DemosaicBilinear, RampsFieldsAndClamp) {
    OwnedImage ramp;
    test::Demosaic(1, MakeMosaic(141, 139, [](uint32_t x, uint32_t y) { return 2 * x + 4 * y; }), ramp);
    int wrong = 0;
    for (uint32_t y = 0; y < ramp.image.height; ++y)
        for (uint32_t x = 0; x < ramp.image.width; ++x)
            for (uint32_t c = 0; c < 3; ++c) wrong += ramp.at(x, y, c) != 2 * (x + 1) + 4 * (y + 1);
    EXPECT_EQ(wrong, 0);

    OwnedImage field;
    test::Demosaic(1, MakeColourField(141, 143, 601, 300, 100), field);
    EXPECT_EQ(field.CountOtherThan(601, 300, 100), (std::array{0, 0, 0}));

    OwnedImage bright;  // samples above 1023 never come from the raw stage
    test::Demosaic(1, MakeMosaic(5, 5, [](auto, auto) { return 4000; }), bright);
    EXPECT_EQ(bright.CountOtherThan(1023, 1023, 1023), (std::array{0, 0, 0}));
}

}  // namespace
}  // namespace kyp
