#include "engine/output/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

namespace kyp {
namespace {

// A 24-bit picture whose pixel (x, y) (from the top) is (10x + y, 100 + x, 200 + y).
Bitmap Numbered(int32_t w, int32_t h) {
    Bitmap b;
    EXPECT_TRUE(b.create(w, h, 3));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = b.row(y) + x * 3;
            p[2] = static_cast<uint8_t>(10 * x + y);
            p[1] = static_cast<uint8_t>(100 + x);
            p[0] = static_cast<uint8_t>(200 + y);
        }
    return b;
}

// An 8-bit picture whose pixel (x, y) is y * w + x.
Bitmap NumberedGrey(int32_t w, int32_t h) {
    Bitmap b;
    EXPECT_TRUE(b.create(w, h, 1));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) b.row(y)[x] = static_cast<uint8_t>(y * w + x);
    return b;
}

// Every pixel of a picture, rows from the top, as red, green, blue triples.
std::vector<PixelRgb> Pixels(const Bitmap& b) {
    std::vector<PixelRgb> out;
    for (int32_t y = 0; y < b.height(); ++y)
        for (int32_t x = 0; x < b.width(); ++x) out.push_back(b.pixelAt(x, y));
    return out;
}

// Rows padded to 4 bytes and stored bottom up; the block is kept until too
// small; empty or oversized pictures are refused.
TEST(Bitmap, CreateLayoutReuseAndRefusals) {
    Bitmap b;
    EXPECT_EQ(b.size(), 0u);
    ASSERT_TRUE(b.create(3, 2, 3));
    EXPECT_EQ(b.stride(), 12u);
    EXPECT_EQ(b.size(), 24u);
    EXPECT_EQ(b.bitsPerPixel(), 24);
    EXPECT_EQ(b.row(0), b.pixels() + 12);  // the top row is stored last
    EXPECT_EQ(b.row(1), b.pixels());
    // (The header fields and the grey palette are checked in the written files.)
    ASSERT_TRUE(b.create(10, 10, 3));
    const uint8_t* block = b.pixels();
    ASSERT_TRUE(b.create(5, 3, 1));
    EXPECT_EQ(b.stride(), 8u);
    EXPECT_EQ(b.bitsPerPixel(), 8);
    EXPECT_EQ(b.pixels(), block);
    ASSERT_TRUE(b.create(10, 10, 7));  // any channel count but 1 is 24-bit
    EXPECT_EQ(b.bitsPerPixel(), 24);
    EXPECT_EQ(b.pixels(), block);
    ASSERT_TRUE(b.create(11, 11, 3));
    EXPECT_EQ(b.size(), 36u * 11);

    for (const auto& [w, h, c] : {std::tuple{0, 5, 3}, {5, -1, 1}, {0x7FFFFFFF, 0x7FFFFFFF, 3} /* wraps 32 bits */,
                                  {40000, 20000, 3} /* 2.4 GB: beyond a .BMP file */}) {
        EXPECT_FALSE(b.create(w, h, c)) << w << 'x' << h;
        EXPECT_FALSE(b.hasPixels());
        EXPECT_EQ(b.size(), 0u);
    }
}

TEST(Bitmap, TakeOverMovesThePixelsAndEmptiesTheSource) {
    Bitmap a = Numbered(3, 2);
    const uint8_t* block = a.pixels();
    Bitmap b;
    ASSERT_TRUE(b.create(1, 1, 1));
    b.takeOver(a);
    EXPECT_EQ(b.pixels(), block);
    EXPECT_EQ(b.width(), 3);
    EXPECT_EQ(b.stride(), 12u);
    EXPECT_EQ(b.pixelAt(2, 1), (PixelRgb{21, 102, 201}));
    EXPECT_FALSE(a.hasPixels());
    EXPECT_EQ(a.size(), 0u);
}

TEST(Bitmap, PixelAtClampsAndAverageAtClips) {
    const Bitmap b = Numbered(4, 3);
    EXPECT_EQ(b.pixelAt(1, 2), (PixelRgb{12, 101, 202}));
    EXPECT_EQ(b.pixelAt(-5, 99), (PixelRgb{2, 100, 202}));  // clamped to (0, 2)
    EXPECT_EQ(Bitmap().pixelAt(0, 0), PixelRgb{});

    // Red over the 2 × 2 area at (1, 0): 10, 20, 11, 21 -> 62 / 4 = 15 (truncated).
    EXPECT_EQ(b.averageAt(1, 0, 2, 2), (PixelRgb{15, 101, 200}));
    // Only the part inside counts: (3, 2) alone.
    EXPECT_EQ(b.averageAt(3, 2, 5, 5), (PixelRgb{32, 103, 202}));
    EXPECT_EQ(b.averageAt(4, 0, 1, 1), PixelRgb{});
    EXPECT_EQ(b.averageAt(0, 0, 0, 1), PixelRgb{});
    EXPECT_EQ(b.averageAt(0x7FFFFFF0, 0, 0x7FFFFFF0, 1), PixelRgb{});

    Bitmap grey;
    ASSERT_TRUE(grey.create(2, 1, 1));
    grey.row(0)[0] = 9;
    grey.row(0)[1] = 4;
    EXPECT_EQ(grey.pixelAt(1, 0), (PixelRgb{4, 4, 4}));
    EXPECT_EQ(grey.averageAt(0, 0, 2, 1), (PixelRgb{6, 6, 6}));
}

TEST(Bitmap, FlipMirrorsInPlace) {
    Bitmap b = Numbered(3, 2);
    EXPECT_FALSE(b.flip(false, false));
    ASSERT_TRUE(b.flip(true, false));
    EXPECT_EQ(b.pixelAt(0, 0), (PixelRgb{20, 102, 200}));
    EXPECT_EQ(b.pixelAt(2, 1), (PixelRgb{1, 100, 201}));
    ASSERT_TRUE(b.flip(false, true));
    EXPECT_EQ(b.pixelAt(0, 0), (PixelRgb{21, 102, 201}));
    ASSERT_TRUE(b.flip(true, true));
    EXPECT_EQ(Pixels(b), Pixels(Numbered(3, 2)));

    Bitmap grey = NumberedGrey(3, 3);
    ASSERT_TRUE(grey.flip(true, true));
    EXPECT_EQ(grey.pixelAt(0, 0).red, 8);
    EXPECT_EQ(grey.pixelAt(1, 1).red, 4);
    EXPECT_EQ(grey.pixelAt(2, 0).red, 6);
}

TEST(Bitmap, QuarterTurnsMoveCornersTheRightWay) {
    const Bitmap b = Numbered(3, 2);  // top-left red 0, top-right 20, bottom-left 1
    Bitmap ccw;
    ASSERT_TRUE(ccw.create(2, 3, 3));
    std::memset(ccw.pixels(), 0xAB, ccw.size());  // stale padding must not survive
    ASSERT_TRUE(b.rotate(1, ccw));
    ASSERT_EQ(ccw.width(), 2);
    ASSERT_EQ(ccw.height(), 3);
    // Counter-clockwise: the top edge becomes the left edge, top-right goes top-left.
    EXPECT_EQ(ccw.pixelAt(0, 0).red, 20);
    EXPECT_EQ(ccw.pixelAt(0, 2).red, 0);
    EXPECT_EQ(ccw.pixelAt(1, 2).red, 1);
    EXPECT_EQ(ccw.stride(), 8u);
    EXPECT_EQ(ccw.pixels()[6] | ccw.pixels()[7], 0);  // padding of the stored bottom row

    // Clockwise is -1 or 3 and undoes counter-clockwise; a half turn flips
    // both ways; 4 copies; beyond that, or without pixels, nothing.
    Bitmap cw, cw3, back, half, copy;
    ASSERT_TRUE(b.rotate(-1, cw) && b.rotate(3, cw3) && ccw.rotate(-1, back) && b.rotate(2, half) && b.rotate(4, copy));
    EXPECT_EQ(cw.pixelAt(1, 2).red, 20);
    EXPECT_EQ(Pixels(cw3), Pixels(cw));
    EXPECT_EQ(Pixels(back), Pixels(b));
    Bitmap flipped = Numbered(3, 2);
    ASSERT_TRUE(flipped.flip(true, true));
    EXPECT_EQ(Pixels(half), Pixels(flipped));
    EXPECT_EQ(Pixels(copy), Pixels(b));
    EXPECT_FALSE(b.rotate(5, copy));
    EXPECT_FALSE(b.rotate(-5, copy));
    EXPECT_FALSE(Bitmap().rotate(1, copy));
}

TEST(Bitmap, RotateInPlaceAndGreyPictures) {
    Bitmap grey = NumberedGrey(5, 2);
    grey.palette()[4 * 7] = 99;  // a custom palette travels with the picture
    ASSERT_TRUE(grey.rotateInPlace(1));
    EXPECT_EQ(grey.width(), 2);
    EXPECT_EQ(grey.height(), 5);
    EXPECT_EQ(grey.bitsPerPixel(), 8);
    EXPECT_EQ(grey.palette()[4 * 7], 99);
    EXPECT_EQ(grey.pixelAt(0, 0).red, 4);
    EXPECT_EQ(grey.pixelAt(1, 4).red, 5);
    for (int turn = 0; turn < 3; ++turn) ASSERT_TRUE(grey.rotateInPlace(1));
    EXPECT_EQ(grey.width(), 5);
    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(grey.pixelAt(x, 1).red, 5 + x);
}

TEST(Bitmap, ExtractChannel) {
    Bitmap white;
    ASSERT_TRUE(white.create(1, 1, 3));
    std::memset(white.pixels(), 255, 3);
    Bitmap lum;
    ASSERT_TRUE(white.extractChannel(0, lum));
    EXPECT_EQ(lum.bitsPerPixel(), 8);
    EXPECT_EQ(lum.pixelAt(0, 0).red, 255);

    const Bitmap b = Numbered(3, 2);
    Bitmap one;
    // Channel 0 is luminance: (21 × 19595 + 102 × 38470 + 201 × 7471) >> 16 = 89.
    for (const auto& [channel, value] : {std::pair{1, 21}, {2, 102}, {3, 201}, {0, 89}}) {
        ASSERT_TRUE(b.extractChannel(channel, one));
        EXPECT_EQ(one.pixelAt(2, 1).red, value) << channel;
    }
    EXPECT_EQ(one.pixels()[3], 0);  // padding

    // An unknown channel creates the picture and fills nothing.
    std::memset(one.pixels(), 7, one.size());
    ASSERT_TRUE(b.extractChannel(9, one));
    EXPECT_EQ(one.pixelAt(0, 0).red, 7);

    // An 8-bit source is copied whatever the channel; in place works too.
    ASSERT_TRUE(b.extractChannel(1, one));
    Bitmap copy;
    ASSERT_TRUE(one.extractChannel(3, copy));
    EXPECT_EQ(Pixels(copy), Pixels(one));
    Bitmap self = Numbered(3, 2);
    ASSERT_TRUE(self.extractChannel(1, self));
    EXPECT_EQ(Pixels(self), Pixels(one));
}

}  // namespace
}  // namespace kyp
