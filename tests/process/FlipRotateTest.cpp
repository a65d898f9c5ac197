#include "engine/process/FlipRotate.h"

#include <gtest/gtest.h>

#include <vector>

namespace kyp {
namespace {

// An image whose every sample is distinct: pixel (x, y) channel c holds
// (y * width + x) * channels + c.
struct TestImage {
    std::vector<uint16_t> samples;
    ProcessedImage image;

    TestImage(uint32_t width, uint32_t height, uint16_t channels, size_t spare = 0)
        : samples(size_t{width} * height * channels + spare) {
        for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint16_t>(i);
        image.width = width;
        image.height = height;
        image.channels = channels;
        image.bitsPerSample = 16;
        image.byteSize = static_cast<int32_t>(samples.size() * 2);
        image.samples = samples.data();
    }
    TestImage(TestImage&&) = default;
    TestImage& operator=(TestImage&&) = default;
    [[nodiscard]] uint16_t at(uint32_t x, uint32_t y, uint32_t c = 0) const {
        return image.samples[(size_t{y} * image.width + x) * image.channels + c];
    }
};

// The destination as the session prepares it: a block as large as the source's,
// the source's header.
TestImage Rotated(const TestImage& source, int q) {
    TestImage destination(source.image.width, source.image.height, source.image.channels);
    std::fill(destination.samples.begin(), destination.samples.end(), 0xFFFF);
    EXPECT_TRUE(RotateImage(destination.image, source.image, q)) << q;
    return destination;
}

std::vector<uint16_t> Pixels(const TestImage& test) {
    return {test.image.samples, test.image.samples + test.image.sampleCount()};
}

TEST(RotateImage, EveryQuarterTurnOnNonSquareImages) {
    for (uint16_t channels : {1, 3}) {
        const TestImage source(5, 3, channels);
        const uint32_t w = 5, h = 3;
        for (int q = -4; q <= 4; ++q) {
            const TestImage turned = Rotated(source, q);
            const int clockwise = ((q % 4) + 4) % 4;
            EXPECT_EQ(turned.image.width, clockwise % 2 ? h : w) << q;
            EXPECT_EQ(turned.image.height, clockwise % 2 ? w : h) << q;
            EXPECT_EQ(turned.image.byteSize, source.image.byteSize);
            EXPECT_EQ(turned.image.channels, channels);
            for (uint32_t y = 0; y < h; ++y)
                for (uint32_t x = 0; x < w; ++x)
                    for (uint32_t c = 0; c < channels; ++c) {
                        uint16_t moved = 0;
                        switch (clockwise) {
                            case 0: moved = turned.at(x, y, c); break;
                            case 1: moved = turned.at(h - 1 - y, x, c); break;
                            case 2: moved = turned.at(w - 1 - x, h - 1 - y, c); break;
                            default: moved = turned.at(y, w - 1 - x, c); break;
                        }
                        ASSERT_EQ(moved, source.at(x, y, c)) << "q " << q << " pixel " << x << "," << y;
                    }
        }
        // A clockwise turn puts the top-left pixel top-right, a counter-clockwise one bottom-left.
        EXPECT_EQ(Rotated(source, 1).at(h - 1, 0), source.at(0, 0));
        EXPECT_EQ(Rotated(source, 3).at(0, w - 1), source.at(0, 0));
    }
}

TEST(RotateImage, TurnsComposeToIdentity) {
    for (auto [w, h] : {std::pair{7u, 4u}, {1u, 9u}, {130u, 67u}}) {
        const TestImage source(w, h, 3);
        for (int q = -4; q <= 4; ++q) {
            const TestImage back = Rotated(Rotated(source, q), -q);
            EXPECT_EQ(back.image.width, w);
            EXPECT_EQ(Pixels(back), Pixels(source)) << q;
        }
        TestImage turned = Rotated(source, 1);
        for (int i = 0; i < 3; ++i) turned = Rotated(turned, 1);
        EXPECT_EQ(Pixels(turned), Pixels(source));
    }
}

TEST(RotateImage, RefusesWithoutTouchingTheDestination) {
    const TestImage source(4, 3, 3);
    TestImage destination(4, 3, 3);
    const ProcessedImage header = destination.image;
    EXPECT_FALSE(RotateImage(destination.image, source.image, 5));
    EXPECT_FALSE(RotateImage(destination.image, source.image, -5));
    destination.image.byteSize -= 2;  // one sample short
    EXPECT_FALSE(RotateImage(destination.image, source.image, 1));
    destination.image = header;
    TestImage lying(4, 3, 3);
    lying.image.byteSize -= 2;  // does not cover its own pixels
    EXPECT_FALSE(RotateImage(destination.image, lying.image, 2));
    EXPECT_FALSE(RotateImage(destination.image, destination.image, 1));  // onto itself
    EXPECT_EQ(destination.image.width, header.width);
    EXPECT_EQ(destination.image.byteSize, header.byteSize);
    EXPECT_EQ(Pixels(destination), Pixels(TestImage(4, 3, 3)));

    // A larger block is fine; the header follows the source.
    TestImage roomy(2, 2, 3, 100);
    EXPECT_TRUE(RotateImage(roomy.image, source.image, 3));
    EXPECT_EQ(roomy.image.width, 3u);
    EXPECT_EQ(roomy.image.height, 4u);
    EXPECT_EQ(roomy.image.byteSize, source.image.byteSize);
}

TEST(FlipImage, MirrorsAndRestores) {
    TestImage test(3, 3, 1);
    EXPECT_FALSE(FlipImage(test.image, false, false));
    ASSERT_TRUE(FlipImage(test.image, true, true));
    EXPECT_EQ(test.samples, (std::vector<uint16_t>{8, 7, 6, 5, 4, 3, 2, 1, 0}));
    TestImage wide(4, 2, 3);
    ASSERT_TRUE(FlipImage(wide.image, true, false));
    EXPECT_EQ(wide.at(0, 1, 2), 23);  // pixel (3, 1) blue
    ASSERT_TRUE(FlipImage(wide.image, false, true));
    EXPECT_EQ(wide.at(0, 0, 0), 21);  // pixel (3, 1) red

    for (auto [w, h] : {std::pair{5u, 4u}, {4u, 5u}, {1u, 7u}, {7u, 1u}, {19u, 3u}}) {
        const TestImage original(w, h, 3);
        for (auto [horizontal, vertical] : {std::pair{true, false}, {false, true}, {true, true}}) {
            TestImage flipped(w, h, 3);
            ASSERT_TRUE(FlipImage(flipped.image, horizontal, vertical));
            if ((horizontal && !vertical && w == 1) || (vertical && !horizontal && h == 1)) {
                EXPECT_EQ(flipped.samples, original.samples) << w << "x" << h;
            }
            ASSERT_TRUE(FlipImage(flipped.image, horizontal, vertical));
            EXPECT_EQ(flipped.samples, original.samples) << w << "x" << h;
        }
        // Both flips at once are a half turn and the two flips one after the other.
        TestImage both(w, h, 3), oneByOne(w, h, 3);
        ASSERT_TRUE(FlipImage(both.image, true, true));
        ASSERT_TRUE(FlipImage(oneByOne.image, true, false));
        ASSERT_TRUE(FlipImage(oneByOne.image, false, true));
        EXPECT_EQ(both.samples, oneByOne.samples);
        EXPECT_EQ(Pixels(both), Pixels(Rotated(original, 2)));
    }
}

}  // namespace
}  // namespace kyp
