#include "engine/process/FlipRotate.h"

#include <gtest/gtest.h>

#include <tuple>

#include "process/ProcessTestSupport.h"

namespace kyp {
namespace {

using test::TestImage;

// The destination as the session prepares it: a block as large as the source's and
// the source's header.
TestImage Rotated(const TestImage& source, int q) {
    TestImage destination(source.image.width, source.image.height, source.image.channels);
    std::fill(destination.samples.begin(), destination.samples.end(), 0xFFFF);
    EXPECT_TRUE(RotateImage(destination.image, source.image, q)) << q;
    return destination;
}

// Small, and across several 64-pixel tiles each way.
TEST(RotateImage, EveryQuarterTurnOnNonSquareImages) {
    for (auto [w, h, channels] : {std::tuple{5u, 3u, 1}, {5u, 3u, 3}, {130u, 67u, 3}}) {
        const TestImage source(w, h, static_cast<uint16_t>(channels));
        for (int q = -4; q <= 4; ++q) {
            const TestImage turned = Rotated(source, q);
            const int clockwise = ((q % 4) + 4) % 4;  // -1 turns counter-clockwise
            EXPECT_EQ(turned.image.width, clockwise % 2 ? h : w) << q;
            EXPECT_EQ(turned.image.byteSize, source.image.byteSize);
            for (uint32_t y = 0; y < h; ++y)
                for (uint32_t x = 0; x < w; ++x)
                    for (uint32_t c = 0; c < static_cast<uint32_t>(channels); ++c) {
                        const uint16_t moved = clockwise == 0   ? turned.at(x, y, c)
                                               : clockwise == 1 ? turned.at(h - 1 - y, x, c)
                                               : clockwise == 2 ? turned.at(w - 1 - x, h - 1 - y, c)
                                                                : turned.at(y, w - 1 - x, c);
                        ASSERT_EQ(moved, source.at(x, y, c)) << "q " << q << " pixel " << x << "," << y;
                    }
        }
        // Clockwise the top-left pixel goes top-right, counter-clockwise bottom-left.
        EXPECT_EQ(Rotated(source, 1).at(h - 1, 0), source.at(0, 0));
        EXPECT_EQ(Rotated(source, 3).at(0, w - 1), source.at(0, 0));
    }
}

TEST(RotateImage, RefusesWithoutTouchingTheDestination) {
    const TestImage source(4, 3, 3);
    TestImage destination(4, 3, 3), lying(4, 3, 3);
    const ProcessedImage header = destination.image;
    EXPECT_FALSE(RotateImage(destination.image, source.image, 5));
    EXPECT_FALSE(RotateImage(destination.image, source.image, -5));
    lying.image.byteSize -= 2;  // one sample short of its own pixels
    EXPECT_FALSE(RotateImage(destination.image, lying.image, 2));
    EXPECT_FALSE(RotateImage(destination.image, destination.image, 1));  // onto its own block
    destination.image.byteSize -= 2;  // smaller than the source
    EXPECT_FALSE(RotateImage(destination.image, source.image, 1));
    EXPECT_EQ(destination.image.width, header.width);
    EXPECT_EQ(destination.samples, TestImage(4, 3, 3).samples);

    TestImage roomy(2, 2, 3, 100);  // a larger block is fine; the header follows the source
    EXPECT_TRUE(RotateImage(roomy.image, source.image, 3));
    EXPECT_EQ(roomy.image.width, 3u);
    EXPECT_EQ(roomy.image.height, 4u);
    EXPECT_EQ(roomy.image.byteSize, source.image.byteSize);
}

TEST(FlipImage, MirrorsAndRestores) {
    TestImage test(3, 3, 1);
    EXPECT_FALSE(FlipImage(test.image, false, false));
    for (auto [w, h] : {std::pair{5u, 4u}, {4u, 5u}, {1u, 7u}, {7u, 1u}, {19u, 3u}}) {
        const TestImage original(w, h, 3);
        for (auto [horizontal, vertical] : {std::pair{true, false}, {false, true}, {true, true}}) {
            TestImage flipped(w, h, 3);
            ASSERT_TRUE(FlipImage(flipped.image, horizontal, vertical));
            const bool unchanged = (!vertical && w == 1) || (!horizontal && h == 1);
            EXPECT_EQ(flipped.samples == original.samples, unchanged) << w << "x" << h;
            ASSERT_TRUE(FlipImage(flipped.image, horizontal, vertical));
            EXPECT_EQ(flipped.samples, original.samples) << w << "x" << h;
        }
        // Both at once equal one after the other, and a half turn.
        TestImage both(w, h, 3), oneByOne(w, h, 3);
        ASSERT_TRUE(FlipImage(both.image, true, true));
        ASSERT_TRUE(FlipImage(oneByOne.image, true, false));
        ASSERT_TRUE(FlipImage(oneByOne.image, false, true));
        EXPECT_EQ(both.samples, oneByOne.samples);
        EXPECT_EQ(both.samples, Rotated(original, 2).samples);
    }
}

}  // namespace
}  // namespace kyp
