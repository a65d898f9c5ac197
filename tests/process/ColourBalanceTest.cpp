#include "engine/process/ColourBalance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "ToneTestSupport.h"

namespace kyp {
namespace {

using Table = std::array<uint16_t, kToneTableSize>;

TEST(ColourBalance, TableScalesByTargetOverMeanWithClamp) {
    Table t{};
    BuildColourBalanceTable(t, 500, 250);
    EXPECT_EQ(t[3], 6);
    EXPECT_EQ(t[511], 1022);
    EXPECT_EQ(t[512], 1023);
    EXPECT_EQ(t[1023], 1023);

    BuildColourBalanceTable(t, 65535, 1);  // 1023 * 65535 must not wrap
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[1023], 1023);

    BuildColourBalanceTable(t, 100, 300);
    EXPECT_EQ(t[2], 0);  // 200 / 300 truncates
    EXPECT_EQ(t[1023], 341);

    BuildColourBalanceTable(t, 700, 0);  // no mean: identity
    for (uint32_t i = 0; i < kToneTableSize; ++i) ASSERT_EQ(t[i], i);
}

TEST(ColourBalance, MovesEachChannelMeanToTheLuminanceMean) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 1, 1, 3);
    s = {400, 200, 100};  // luminance 235
    auto record = std::make_unique<HistogramRecord>();
    Table r{}, g{}, b{};
    ASSERT_TRUE(ApplyColourBalance(image, *record, r, g, b, nullptr));
    EXPECT_EQ(s, (std::vector<uint16_t>{235, 235, 235}));
}

TEST(ColourBalance, ZeroRedMeanLeavesRedAlone) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 2, 1, 3);
    s = {0, 600, 300, 0, 400, 100};
    auto record = std::make_unique<HistogramRecord>();
    Table r{}, g{}, b{};
    ASSERT_TRUE(ApplyColourBalance(image, *record, r, g, b, nullptr));
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[3], 0);
    // Luminance of the two pixels: 450 and 293, mean 371; green mean 500.
    EXPECT_EQ(s[1], 445);
    EXPECT_EQ(s[4], 296);
}

TEST(ColourBalance, GreyImageUntouchedAndCancelReported) {
    std::vector<uint16_t> grey;
    ProcessedImage greyImage = test::MakeImage(grey, 2, 1, 1);
    grey = {10, 20};
    auto record = std::make_unique<HistogramRecord>();
    Table r{}, g{}, b{};
    EXPECT_TRUE(ApplyColourBalance(greyImage, *record, r, g, b, nullptr));
    EXPECT_EQ(grey, (std::vector<uint16_t>{10, 20}));

    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 64, 1, 3);
    test::FillPattern(s);
    const std::vector<uint16_t> before = s;
    test::CountingProgress cancelHistogram(1);
    EXPECT_FALSE(ApplyColourBalance(image, *record, r, g, b, &cancelHistogram));
    EXPECT_EQ(s, before);
    // Four blocks of 16 pixels: the histogram ticks once, the table pass ticks
    // before its last block and stops there with three blocks mapped.
    test::CountingProgress cancelApply(2);
    EXPECT_FALSE(ApplyColourBalance(image, *record, r, g, b, &cancelApply));
    EXPECT_EQ(cancelApply.ticks, 2);
    EXPECT_TRUE(std::equal(s.begin() + 48 * 3, s.end(), before.begin() + 48 * 3));
    EXPECT_FALSE(std::equal(s.begin(), s.begin() + 48 * 3, before.begin()));
}

}  // namespace
}  // namespace kyp
