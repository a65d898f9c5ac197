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

// (Flips, turns, channels and pixel reads are compared with recorded results
// in PictureDumpTest.) Rows padded to 4 bytes and stored bottom up; the block is kept until too
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

}  // namespace
}  // namespace kyp
