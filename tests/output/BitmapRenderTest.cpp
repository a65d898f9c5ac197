#include "engine/output/BitmapRender.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "output/OutputTestSupport.h"

namespace kyp {
namespace {

using test::RecordingProgress;

TEST(BitmapRender, EightBitConversion) {
    // The vectorisable form agrees with (s + 2) / 4 capped at 255 for every
    // 16-bit value, out-of-range ones included, through a renderer too.
    std::vector<uint16_t> all(65536);
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint16_t>(i);
    Bitmap b;
    ASSERT_TRUE(renderGray(b, all.data(), 256, 256, nullptr));
    for (uint32_t s = 0; s < 65536; ++s) {
        const uint32_t expected = std::min<uint32_t>((s + 2) / 4, 255);
        ASSERT_EQ(SampleTo8Bit(static_cast<uint16_t>(s)), expected) << s;
        ASSERT_EQ(b.row(static_cast<int32_t>(s / 256))[s % 256], expected) << s;
    }
}

TEST(BitmapRender, ColourRowsAreBlueGreenRedBottomUpWithZeroPadding) {
    // 3 × 2: top row (1023, 512, 0) (2, 6, 10) (0, 0, 0); bottom row all 1021.
    std::vector<uint16_t> s = {1023, 512, 0, 2, 6, 10, 0, 0, 0, 1021, 1021, 1021, 1021, 1021, 1021, 1021, 1021, 1021};
    Bitmap b;
    ASSERT_TRUE(b.create(3, 2, 3));
    std::memset(b.pixels(), 0xEE, b.size());
    const uint8_t* block = b.pixels();  // reused by every rendering below
    ASSERT_TRUE(renderColour(b, s.data(), 3, 2, false, nullptr));
    ASSERT_EQ(b.stride(), 12u);
    const std::vector<uint8_t> stored(b.pixels(), b.pixels() + b.size());
    const std::vector<uint8_t> expected = {
        255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0,  // bottom row first
        0, 128, 255, 3, 2, 1, 0, 0, 0, 0, 0, 0,
    };
    EXPECT_EQ(stored, expected);

    ASSERT_TRUE(renderColour(b, s.data(), 3, 2, true, nullptr));
    EXPECT_EQ(b.bitsPerPixel(), 8);
    const std::vector<uint8_t> green(b.pixels(), b.pixels() + b.size());
    EXPECT_EQ(green, (std::vector<uint8_t>{255, 255, 255, 0, 128, 2, 0, 0}));
    EXPECT_EQ(b.pixels(), block);
}

TEST(BitmapRender, GrayImage) {
    const std::vector<uint16_t> s = {4, 8, 12, 16, 20, 1000, 1023, 0, 3, 5};  // 5 × 2
    Bitmap b;
    ASSERT_TRUE(renderGray(b, s.data(), 5, 2, nullptr));
    ASSERT_EQ(b.stride(), 8u);
    const std::vector<uint8_t> stored(b.pixels(), b.pixels() + b.size());
    EXPECT_EQ(stored, (std::vector<uint8_t>{250, 255, 0, 1, 1, 0, 0, 0, 1, 2, 3, 4, 5, 0, 0, 0}));

    ProcessedImage image;
    image.width = 5;
    image.height = 2;
    image.channels = 1;
    image.samples = const_cast<uint16_t*>(s.data());
    Bitmap viaImage;
    ASSERT_TRUE(renderImage(viaImage, image, false, nullptr));
    EXPECT_EQ(std::vector<uint8_t>(viaImage.pixels(), viaImage.pixels() + viaImage.size()), stored);
    image.channels = 2;
    EXPECT_FALSE(renderImage(viaImage, image, false, nullptr));
    EXPECT_FALSE(renderGray(b, nullptr, 5, 2, nullptr));
    EXPECT_FALSE(renderGray(b, s.data(), 0, 2, nullptr));
}

TEST(BitmapRender, TallPicturesReportProgressEveryTenRows) {
    std::vector<uint16_t> s(static_cast<size_t>(2) * 3 * 501, 100);
    Bitmap b;
    RecordingProgress quiet;
    ASSERT_TRUE(renderColour(b, s.data(), 2, 400, false, &quiet));
    EXPECT_TRUE(quiet.calls.empty());
    EXPECT_EQ(quiet.ticks, 0);

    RecordingProgress colour;
    ASSERT_TRUE(renderColour(b, s.data(), 2, 401, false, &colour));
    EXPECT_EQ(colour.calls, (std::vector<std::string>{"text:Generating pixels...", "begin:401", "end"}));
    EXPECT_EQ(colour.ticks, 41);
    EXPECT_EQ(colour.tickTotal, 41);

    RecordingProgress grey;
    ASSERT_TRUE(renderGray(b, s.data(), 2, 500, &grey));
    EXPECT_EQ(grey.ticks, 0);
    ASSERT_TRUE(renderGray(b, s.data(), 2, 501, &grey));
    EXPECT_EQ(grey.ticks, 51);  // rows 0, 10, ..., 500
    EXPECT_EQ(grey.calls.back(), "end");

    // A first tick of true then false: the rendering stops, the pixels go.
    RecordingProgress cancel;
    cancel.cancelAfter = 1;
    EXPECT_FALSE(renderColour(b, s.data(), 2, 401, true, &cancel));
    EXPECT_EQ(cancel.ticks, 2);
    EXPECT_EQ(cancel.calls.back(), "end");
    EXPECT_FALSE(b.hasPixels());
}

}  // namespace
}  // namespace kyp
