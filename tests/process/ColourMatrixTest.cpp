#include "engine/process/ColourMatrix.h"

#include <gtest/gtest.h>

#include <vector>

#include "ToneTestSupport.h"

namespace kyp {
namespace {

TEST(ColourMatrix, IdentityLeavesPixelsAlone) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 9, 4, 3);
    test::FillPattern(s);
    const std::vector<uint16_t> before = s;
    const int16_t identity[9] = {256, 0, 0, 0, 256, 0, 0, 0, 256};
    ASSERT_TRUE(ApplyColourMatrix(image, identity));
    EXPECT_EQ(s, before);
}

TEST(ColourMatrix, RowsUseTheOriginalPixelAndClampBothEnds) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 2, 1, 3);
    s = {10, 20, 30, 1000, 1000, 1000};
    // Red and green swapped (a pass that reused the new red would give 20, 20);
    // blue = 1.5 B - 0.75 G truncated.
    const int16_t m[9] = {0, 256, 0, 256, 0, 0, 0, -192, 384};
    ASSERT_TRUE(ApplyColourMatrix(image, m));
    EXPECT_EQ(s[0], 20);
    EXPECT_EQ(s[1], 10);
    EXPECT_EQ(s[2], 30);  // (-3840 + 11520) / 256 = 30
    EXPECT_EQ(s[5], 750);

    // A row summing past 256 saturates; strongly negative rows stop at 0.
    s = {1000, 1000, 1000, 1000, 0, 1000};
    const int16_t hot[9] = {300, 0, 0, 0, -32768, 0, 0, 32767, -32768};
    ASSERT_TRUE(ApplyColourMatrix(image, hot));
    EXPECT_EQ(s, (std::vector<uint16_t>{1023, 0, 0, 1023, 0, 0}));

    // Truncation: 255/256 of 1 is 0, 257/256 of 1 is 1, 257/256 of 1000 is 1003.
    s = {1, 0, 0, 1000, 0, 0};
    const int16_t near[9] = {255, 0, 0, 257, 0, 0, 0, 0, 256};
    ASSERT_TRUE(ApplyColourMatrix(image, near));
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[1], 1);
    EXPECT_EQ(s[3], 996);
    EXPECT_EQ(s[4], 1003);
}

TEST(ColourMatrix, GreyImageIsRefusedUnchanged) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 3, 1, 1);
    s = {100, 200, 300};
    const int16_t m[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(ApplyColourMatrix(image, m));
    EXPECT_EQ(s, (std::vector<uint16_t>{100, 200, 300}));
}

}  // namespace
}  // namespace kyp
