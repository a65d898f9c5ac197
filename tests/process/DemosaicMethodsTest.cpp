#include "engine/process/demosaic/DemosaicMethod.h"

#include <gtest/gtest.h>

#include <string>

#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

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

// Samples above 1023 never come from the raw stage; results stop at 1023.
TEST(DemosaicBilinear, ResultsStopAt1023) {
    OwnedImage bright;
    test::Demosaic(1, MakeMosaic(5, 5, [](auto, auto) { return 4000; }), bright);
    EXPECT_EQ(bright.CountOtherThan(1023, 1023, 1023), (std::array{0, 0, 0}));
}

}  // namespace
}  // namespace kyp
