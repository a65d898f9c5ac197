#include <gtest/gtest.h>

#include "DemosaicTestSupport.h"

namespace kyp {
namespace {

using test::Demosaic;
using test::MakeColourField;
using test::MakeMosaic;
using test::OwnedImage;

constexpr uint16_t kGradient = 8;
constexpr uint16_t kGrayscale = 7;

int CountOtherThan(const OwnedImage& out, uint16_t red, uint16_t green, uint16_t blue) {
    return out.CountOtherThan(0, red) + out.CountOtherThan(1, green) + out.CountOtherThan(2, blue);
}

// Red 601, green 300, blue 100 at every site of that colour. In the x1024
// domain r = 615424, g = 307200, b = 102400 and everywhere Y = (435 r +
// 1464 g + 147 b) >> 11 = 732503040 >> 11 = 357667 (truncating .5). The
// differences are r - Y and b - Y everywhere, so red and blue come back as
// 601 and 100, but green is (2048 Y - 435 r - 147 b) / 1464 = 449739776 /
// 1464 = 307199, >> 10 = 299. Mosaics of odd size and with moved-back tiles
// give the same everywhere (a wrong colour phase in a tile would not).
TEST(DemosaicLuminanceGradient, ColourFieldByHand) {
    for (const auto& [width, height] : {std::pair{9u, 9u}, {213u, 219u}, {301u, 120u}, {216u, 213u}}) {
        OwnedImage field;
        Demosaic(kGradient, MakeColourField(width, height, 601, 300, 100), field);
        EXPECT_EQ(CountOtherThan(field, 601, 299, 100), 0) << width << 'x' << height;
    }
    // Flat fields stay flat: differences and luminance recombine exactly.
    for (const uint16_t value : {0, 1, 512, 1023}) {
        OwnedImage flat;
        Demosaic(kGradient, MakeMosaic(20, 17, [&](auto, auto) { return value; }), flat);
        EXPECT_EQ(CountOtherThan(flat, value, value, value), 0) << value;
    }
}

// A hot red site (1000) at (8, 8) of a field of 100s. The robust averages
// keep it out of every neighbour's estimate, so only its own pixel changes:
//   Y = (435 x 1024000 + 1611 x 102400) >> 11 = 298050;
//   red difference 1024000 - 298050, blue difference from the diagonal blue
//   sites 102400 - 102300 = 100;
//   red = 1024000 >> 10 = 1000, blue = 298150 >> 10 = 291,
//   green = (2048 x 298050 - 435 x 1024000 - 147 x 298150) / 1464
//         = 121138350 / 1464 = 82744, >> 10 = 80.
TEST(DemosaicLuminanceGradient, HotRedSiteByHand) {
    auto mosaic = MakeMosaic(17, 17, [](auto, auto) { return 100; });
    mosaic.at(8, 8) = 1000;
    OwnedImage out;
    Demosaic(kGradient, mosaic, out);
    EXPECT_EQ(out.at(4, 4, 0), 1000);
    EXPECT_EQ(out.at(4, 4, 1), 80);
    EXPECT_EQ(out.at(4, 4, 2), 291);
    EXPECT_EQ(CountOtherThan(out, 100, 100, 100), 3);  // the three samples above
}

// Grey of a flat field v is (2046 v x 1024) >> 21 (the weights sum to 2046):
// 100 gives 99, 1023 gives 1022; the colour field above 732503040 >> 21 = 349.
// A hot green site (1000) at (3, 2) of 100s gives (435 x 102400 + 1464 x
// 1024000 + 147 x 102400) >> 21 = 743 and touches no other pixel.
TEST(DemosaicLuminanceGrayscale, FieldsAndHotSiteByHand) {
    const int cases[][4] = {{0, 0, 0, 0}, {100, 100, 100, 99}, {512, 512, 512, 511}, {1023, 1023, 1023, 1022},
                            {601, 300, 100, 349}};
    for (const auto& c : cases) {
        OwnedImage out;
        Demosaic(kGrayscale, MakeColourField(119, 115, c[0], c[1], c[2]), out);
        ASSERT_EQ(out.image.channels, 1);
        EXPECT_EQ(out.CountOtherThan(0, static_cast<uint16_t>(c[3])), 0) << c[3];
    }
    auto mosaic = MakeMosaic(7, 7, [](auto, auto) { return 100; });
    mosaic.at(3, 2) = 1000;
    OwnedImage out;
    Demosaic(kGrayscale, mosaic, out);
    EXPECT_EQ(out.at(1, 0), 743);
    EXPECT_EQ(out.CountOtherThan(0, 99), 1);
}

// Odd sizes: colours come from absolute columns and every colour site of a
// tile is filled, so a mosaic of odd width W gives exactly the first W - 2
// Border columns that the mosaic with one more column gives (likewise rows).
TEST(DemosaicLuminance, OddSizesMatchTheNextEvenSize) {
    const auto scene = test::MakeScene(302, 222, 9);
    const auto crop = [&](uint32_t width, uint32_t height) {
        return MakeMosaic(width, height, [&](uint32_t x, uint32_t y) { return scene.samples[y * 302 + x]; });
    };
    const uint32_t cases[][3] = {
        {kGradient, 301, 40},   // last tile 93 wide
        {kGradient, 213, 40},   // last tile moved back to column 203
        {kGradient, 111, 40},   // a single tile 111 wide
        {kGradient, 40, 213},   // last tile moved back to row 203
        {kGrayscale, 219, 30},  // last tile moved back to column 213
        {kGrayscale, 221, 30},  // last tile 5 wide
        {kGrayscale, 30, 219},
    };
    for (const auto& [number, width, height] : cases) {
        OwnedImage odd;
        OwnedImage even;
        Demosaic(static_cast<uint16_t>(number), crop(width, height), odd);
        Demosaic(static_cast<uint16_t>(number), crop(width + width % 2, height + (1 - width % 2)), even);
        int mismatches = 0;
        for (uint32_t y = 0; y < odd.image.height; ++y)
            for (uint32_t x = 0; x < odd.image.width; ++x)
                for (uint32_t c = 0; c < odd.image.channels; ++c) mismatches += odd.at(x, y, c) != even.at(x, y, c);
        EXPECT_EQ(mismatches, 0) << number << ' ' << width << 'x' << height;
    }
}

}  // namespace
}  // namespace kyp
