#include <gtest/gtest.h>

#include "DemosaicTestSupport.h"
#include "engine/process/DemosaicMethod.h"
#include "engine/process/DemosaicTiled.h"

namespace kyp {
namespace {

using test::MakeColourField;
using test::MakeMosaic;
using test::MakeScene;
using test::OwnedImage;

constexpr uint16_t kGradient = 8;
constexpr uint16_t kGrayscale = 7;

void Demosaic(uint16_t number, const test::TestMosaic& mosaic, OwnedImage& out) {
    auto method = CreateDemosaicMethod(number);
    ASSERT_NE(method, nullptr);
    ASSERT_TRUE(DemosaicTiled(mosaic.view(), out.image, *method, nullptr, nullptr, nullptr));
}

int CountPixelsOtherThan(const OwnedImage& out, uint16_t red, uint16_t green, uint16_t blue) {
    int other = 0;
    for (uint32_t y = 0; y < out.image.height; ++y)
        for (uint32_t x = 0; x < out.image.width; ++x)
            other += out.at(x, y, 0) != red || out.at(x, y, 1) != green || out.at(x, y, 2) != blue;
    return other;
}

// A field with red 601, green 300, blue 100 at every site of that colour.
// In the x1024 domain r = 615424, g = 307200, b = 102400, and everywhere
// Y = (435 r + 1464 g + 147 b) >> 11 = 732503040 >> 11 = 357667 (the exact
// value ends in .5). Colour differences are r - Y and b - Y everywhere, so
// red and blue come back as 601 and 100, while green is
// (2048 Y - 435 r - 147 b) / 1464 = 449739776 / 1464 = 307199, >> 10 = 299.
TEST(DemosaicLuminanceGradient, ColourFieldByHand) {
    OwnedImage out;
    Demosaic(kGradient, MakeColourField(9, 9, 601, 300, 100), out);
    ASSERT_EQ(out.image.width, 1u);
    ASSERT_EQ(out.image.height, 1u);
    EXPECT_EQ(out.at(0, 0, 0), 601);
    EXPECT_EQ(out.at(0, 0, 1), 299);
    EXPECT_EQ(out.at(0, 0, 2), 100);

    // Same everywhere in a multi-tile mosaic of odd size, moved-back tiles
    // included (a wrong colour phase in any tile would swap red and blue).
    for (const auto& [width, height] : {std::pair{213u, 219u}, {301u, 120u}, {216u, 213u}}) {
        OwnedImage field;
        Demosaic(kGradient, MakeColourField(width, height, 601, 300, 100), field);
        EXPECT_EQ(CountPixelsOtherThan(field, 601, 299, 100), 0) << width << 'x' << height;
    }
}

// Flat field v: every plane value is v x 1024, Y = 2046 v x 1024 / 2048, the
// differences are v x 1024 - Y and the output is v again in all channels.
TEST(DemosaicLuminanceGradient, FlatFieldsStayFlat) {
    for (const uint16_t value : {0, 1, 512, 1023}) {
        OwnedImage out;
        Demosaic(kGradient, MakeMosaic(20, 17, [&](uint32_t, uint32_t) { return value; }), out);
        EXPECT_EQ(CountPixelsOtherThan(out, value, value, value), 0) << value;
    }
}

// One hot red site (1000) at (4, 4) of a 9 x 9 field of 100s. The robust
// averages keep it out of every neighbour's estimate, so:
//   Y(4,4) = (435 x 1024000 + 1611 x 102400) >> 11 = 298050
//   red difference = 1024000 - 298050 = 725950, blue difference = 102400 -
//   102300 = 100 (taken from the diagonal blue sites, where Y = 102300)
//   red = 1024000 >> 10 = 1000, blue = 298150 >> 10 = 291,
//   green = (2048 x 298050 - 435 x 1024000 - 147 x 298150) / 1464
//         = 121138350 / 1464 = 82744, >> 10 = 80.
TEST(DemosaicLuminanceGradient, HotRedSiteByHand) {
    auto mosaic = MakeMosaic(9, 9, [](uint32_t, uint32_t) { return uint16_t{100}; });
    mosaic.at(4, 4) = 1000;
    OwnedImage out;
    Demosaic(kGradient, mosaic, out);
    EXPECT_EQ(out.at(0, 0, 0), 1000);
    EXPECT_EQ(out.at(0, 0, 1), 80);
    EXPECT_EQ(out.at(0, 0, 2), 291);

    // The hot site touches no other pixel's output in a larger field.
    auto larger = MakeMosaic(17, 17, [](uint32_t, uint32_t) { return uint16_t{100}; });
    larger.at(8, 8) = 1000;
    OwnedImage wide;
    Demosaic(kGradient, larger, wide);
    EXPECT_EQ(CountPixelsOtherThan(wide, 100, 100, 100), 1);
    EXPECT_EQ(wide.at(4, 4, 0), 1000);
}

// Grayscale of a flat field v is (2046 v x 1024) >> 21: the weights sum to
// 2046, so 100 gives 99 and 1023 gives 1022; the colour field above gives
// 732503040 >> 21 = 349.
TEST(DemosaicLuminanceGrayscale, FieldsByHand) {
    const struct {
        uint16_t red, green, blue, grey;
    } cases[] = {{0, 0, 0, 0}, {100, 100, 100, 99}, {512, 512, 512, 511}, {1023, 1023, 1023, 1022},
                 {601, 300, 100, 349}};
    for (const auto& c : cases) {
        OwnedImage out;
        Demosaic(kGrayscale, MakeColourField(119, 115, c.red, c.green, c.blue), out);
        ASSERT_EQ(out.image.channels, 1);
        int other = 0;
        for (uint32_t i = 0; i < out.image.sampleCount(); ++i) other += out.image.samples[i] != c.grey;
        EXPECT_EQ(other, 0) << c.grey;
    }
}

// A hot green site (1000) at (3, 2) of a 7 x 7 field of 100s: its own output
// is (435 x 102400 + 1464 x 1024000 + 147 x 102400) >> 21 = 1558732800 >> 21
// = 743; its red and blue neighbours leave it out of their green estimate, so
// every other pixel is the flat field's 99.
TEST(DemosaicLuminanceGrayscale, HotGreenSiteByHand) {
    auto mosaic = MakeMosaic(7, 7, [](uint32_t, uint32_t) { return uint16_t{100}; });
    mosaic.at(3, 2) = 1000;
    OwnedImage out;
    Demosaic(kGrayscale, mosaic, out);
    ASSERT_EQ(out.image.width, 3u);
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 3; ++x) EXPECT_EQ(out.at(x, y), x == 1 && y == 0 ? 743 : 99) << x << ',' << y;
}

// Odd widths: colours come from absolute columns and every colour site of a
// tile is filled, so a mosaic of odd width W gives exactly the first W - 2
// Border columns that the same mosaic with one more column gives. The widths
// cover an odd-width last tile and a last tile moved back to an odd column;
// odd heights are checked the same way.
TEST(DemosaicLuminance, OddSizesMatchTheNextEvenSize) {
    const auto scene = MakeScene(302, 222, 9);
    const auto crop = [&](uint32_t width, uint32_t height) {
        return MakeMosaic(width, height, [&](uint32_t x, uint32_t y) { return scene.samples[y * 302 + x]; });
    };
    const struct {
        uint16_t number;
        uint32_t width, height;
    } cases[] = {
        {kGradient, 301, 40},  // last tile 93 wide
        {kGradient, 213, 40},  // last tile moved back to column 203
        {kGradient, 111, 40},  // one tile, 111 wide
        {kGradient, 40, 213},  // last tile moved back to row 203
        {kGrayscale, 219, 30}, // last tile moved back to column 213
        {kGrayscale, 221, 30}, // last tile 5 wide
        {kGrayscale, 30, 219},
    };
    for (const auto& c : cases) {
        OwnedImage odd;
        OwnedImage even;
        const bool oddWidth = (c.width & 1) != 0;
        Demosaic(c.number, crop(c.width, c.height), odd);
        Demosaic(c.number, crop(c.width + (oddWidth ? 1 : 0), c.height + (oddWidth ? 0 : 1)), even);
        int mismatches = 0;
        for (uint32_t y = 0; y < odd.image.height; ++y)
            for (uint32_t x = 0; x < odd.image.width; ++x)
                for (uint32_t ch = 0; ch < odd.image.channels; ++ch) mismatches += odd.at(x, y, ch) != even.at(x, y, ch);
        EXPECT_EQ(mismatches, 0) << c.number << ' ' << c.width << 'x' << c.height;
    }
}

}  // namespace
}  // namespace kyp
