#include "engine/process/RawCorrections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "ToneTestSupport.h"

namespace kyp {
namespace {

RawMosaic MosaicOver(std::vector<uint16_t>& samples, uint32_t width, uint32_t height) {
    samples.resize(static_cast<size_t>(width) * height);
    return RawMosaic{samples.data(), width, height};
}

ImportSettings WithOptions(uint32_t options) {
    ImportSettings settings;
    settings.options = options;
    return settings;
}

// A curve table that is easy to recognise: entry i = 1023 - i.
std::array<uint16_t, kToneTableSize> ReversedCurve() {
    std::array<uint16_t, kToneTableSize> curve{};
    for (uint32_t i = 0; i < kToneTableSize; ++i) curve[i] = static_cast<uint16_t>(kMaxSample - i);
    return curve;
}

TEST(RawCorrections, BlackPointIndexesBySiteAndStopsAtZero) {
    std::vector<uint16_t> s;
    RawMosaic mosaic = MosaicOver(s, 3, 2);  // odd width: the last column is an even one
    s = {100, 100, 100, 100, 100, 100};
    const uint16_t black[4] = {10, 20, 30, 40};
    SubtractBlackPoint(mosaic, black);
    EXPECT_EQ(s, (std::vector<uint16_t>{90, 80, 90, 70, 60, 70}));

    s = {5, 20, 9, 29, 39, 0};
    SubtractBlackPoint(mosaic, black);
    EXPECT_EQ(s, (std::vector<uint16_t>{0, 0, 0, 0, 0, 0}));  // never wraps below zero
}

TEST(RawCorrections, ScaleTableTruncatesClampsAndNeverWraps) {
    std::vector<uint16_t> table(kToneTableSize);
    ScaleTable(table, true, 255, 256);
    EXPECT_EQ(table[1], 0);
    EXPECT_EQ(table[256], 255);
    EXPECT_EQ(table[1023], 1019);  // 1023 * 255 / 256 = 1019.0039

    ScaleTable(table, false, 3, 2);  // on top of the previous contents
    EXPECT_EQ(table[256], 382);
    EXPECT_EQ(table[1023], 1023);

    // 1000 * 65535 wraps to 64536 in 16 bits and to 63 after dividing; the
    // result must saturate instead.
    ScaleTable(table, true, 65535, 1);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[1], 1023);
    EXPECT_EQ(table[1000], 1023);

    // No divisor: the ratio counts as 1/1.
    ScaleTable(table, true, 5, 0);
    for (uint32_t i = 0; i < kToneTableSize; ++i) ASSERT_EQ(table[i], i);
}

TEST(RawCorrections, WhiteBalanceAtUnityLeavesTheMosaicAlone) {
    RawTables tables;
    BuildRawTables(WithOptions(opt::wb), nullptr, 256, 256, tables);
    EXPECT_EQ(tables.table[RawTables::kMaster], nullptr);
    EXPECT_EQ(tables.table[RawTables::kGreen], nullptr);
    ASSERT_NE(tables.table[RawTables::kRed], nullptr);
    ASSERT_NE(tables.table[RawTables::kBlue], nullptr);

    std::vector<uint16_t> s;
    RawMosaic mosaic = MosaicOver(s, 17, 5);
    test::FillPattern(s);
    const std::vector<uint16_t> before = s;
    ASSERT_TRUE(ApplyRawTables(mosaic, tables, nullptr));
    EXPECT_EQ(s, before);
}

TEST(RawCorrections, FudgeScalesEachSiteColour) {
    RawTables tables;
    BuildRawTables(WithOptions(opt::fudge), nullptr, 256, 256, tables);
    std::vector<uint16_t> s;
    RawMosaic mosaic = MosaicOver(s, 2, 2);
    s = {1000, 1000, 1000, 1000};  // red, green / green, blue
    ASSERT_TRUE(ApplyRawTables(mosaic, tables, nullptr));
    EXPECT_EQ(s, (std::vector<uint16_t>{976, 1023, 1023, 984}));
}

TEST(RawCorrections, StepsFoldInOrderWithAClampAfterEach) {
    ImportSettings settings = WithOptions(opt::wb | opt::fudge | opt::scale);
    settings.redScale = (1u << 16) | 2;      // halve red
    settings.greenScale = (3u << 16) | 2;    // green * 3/2 on top of fudge
    settings.blueScale = (7u << 16) | 7;     // equal numbers: no work
    RawTables tables;
    BuildRawTables(settings, nullptr, 512, 300, tables);

    const uint16_t* red = tables.table[RawTables::kRed];
    const uint16_t* green = tables.table[RawTables::kGreen];
    const uint16_t* blue = tables.table[RawTables::kBlue];
    // Red 600: x2 clamps to 1023 before fudge, then 1023 * 250/256 = 999, halved 499.
    // Folding the ratios first would give 585.
    EXPECT_EQ(red[600], 499);
    // Red 1: wb 2, fudge 1 (1.95 truncated), halved 0.
    EXPECT_EQ(red[1], 0);
    // Green was first built by fudge (fresh), then scaled: 100 -> 104 -> 156.
    EXPECT_EQ(green[100], 156);
    // Blue: wb 300/256 then fudge; the 7/7 ratio is skipped. 100 -> 117 -> 115.
    EXPECT_EQ(blue[100], 115);
    EXPECT_EQ(tables.table[RawTables::kMaster], nullptr);
}

TEST(RawCorrections, ScaleSkipsEqualAndDivisorlessRatios) {
    ImportSettings settings = WithOptions(opt::scale);
    settings.redScale = (3u << 16) | 3;
    settings.greenScale = (9u << 16) | 0;
    settings.blueScale = (1u << 16) | 4;
    RawTables tables;
    BuildRawTables(settings, nullptr, 256, 256, tables);
    EXPECT_EQ(tables.table[RawTables::kRed], nullptr);
    EXPECT_EQ(tables.table[RawTables::kGreen], nullptr);
    ASSERT_NE(tables.table[RawTables::kBlue], nullptr);
    EXPECT_EQ(tables.table[RawTables::kBlue][1023], 255);
}

TEST(RawCorrections, MasterCurveAloneBecomesTheMasterTable) {
    const auto reversed = ReversedCurve();
    const uint16_t* curves[4] = {reversed.data(), nullptr, nullptr, nullptr};
    RawTables tables;
    BuildRawTables(WithOptions(opt::rawcurves), curves, 256, 256, tables);
    ASSERT_NE(tables.table[RawTables::kMaster], nullptr);
    for (int c = 1; c < 4; ++c) EXPECT_EQ(tables.table[c], nullptr);

    std::vector<uint16_t> s;
    RawMosaic mosaic = MosaicOver(s, 3, 3);
    s = {0, 1, 2, 3, 4, 5, 6, 7, 1023};
    ASSERT_TRUE(ApplyRawTables(mosaic, tables, nullptr));
    EXPECT_EQ(s, (std::vector<uint16_t>{1023, 1022, 1021, 1020, 1019, 1018, 1017, 1016, 0}));

    // Without the option, or without a curve set, the curves are ignored.
    BuildRawTables(WithOptions(0), curves, 256, 256, tables);
    EXPECT_EQ(tables.table[RawTables::kMaster], nullptr);
    BuildRawTables(WithOptions(opt::rawcurves), nullptr, 256, 256, tables);
    EXPECT_EQ(tables.table[RawTables::kMaster], nullptr);
}

TEST(RawCorrections, MasterCurveFollowsEveryChannelTable) {
    const auto reversed = ReversedCurve();
    std::array<uint16_t, kToneTableSize> half{};
    for (uint32_t i = 0; i < kToneTableSize; ++i) half[i] = static_cast<uint16_t>(i / 2);

    // White balance builds red and blue; green has no table and takes M itself.
    const uint16_t* masterOnly[4] = {reversed.data(), nullptr, nullptr, nullptr};
    RawTables tables;
    BuildRawTables(WithOptions(opt::wb | opt::rawcurves), masterOnly, 512, 256, tables);
    EXPECT_EQ(tables.table[RawTables::kMaster], nullptr);
    EXPECT_EQ(tables.table[RawTables::kRed][100], 1023 - 200);
    EXPECT_EQ(tables.table[RawTables::kRed][600], 0);  // 1200 clamps to 1023 first
    EXPECT_EQ(tables.table[RawTables::kGreen][100], 923);
    EXPECT_EQ(tables.table[RawTables::kBlue][100], 923);

    // A channel curve composes onto a built table and is copied onto an empty
    // one; the master curve then follows both.
    const uint16_t* both[4] = {reversed.data(), half.data(), half.data(), nullptr};
    BuildRawTables(WithOptions(opt::wb | opt::rawcurves), both, 512, 256, tables);
    EXPECT_EQ(tables.table[RawTables::kRed][100], 1023 - 100);   // M(half(200))
    EXPECT_EQ(tables.table[RawTables::kGreen][100], 1023 - 50);  // M(half(100))
    EXPECT_EQ(tables.table[RawTables::kBlue][100], 1023 - 100);  // M(100)
}

TEST(RawCorrections, MasterPathTicksEveryHundredBlocksAndStopsOnCancel) {
    RawTables tables;
    for (uint32_t i = 0; i < kToneTableSize; ++i) tables.storage[0][i] = static_cast<uint16_t>(i + 1);
    tables.table[RawTables::kMaster] = tables.storage[0];

    // 250 whole blocks and a remainder of 5: ticks before the blocks that leave
    // 200, 100 and 0 blocks after them.
    std::vector<uint16_t> s;
    RawMosaic mosaic = MosaicOver(s, 4005, 1);
    std::fill(s.begin(), s.end(), 7);
    test::CountingProgress all;
    ASSERT_TRUE(ApplyRawTables(mosaic, tables, &all));
    EXPECT_EQ(all.ticks, 3);
    EXPECT_EQ(std::count(s.begin(), s.end(), 8), 4005);

    // Cancelling at the first tick leaves the 49 blocks before it mapped.
    std::fill(s.begin(), s.end(), 7);
    test::CountingProgress cancel(1);
    EXPECT_FALSE(ApplyRawTables(mosaic, tables, &cancel));
    EXPECT_EQ(cancel.ticks, 1);
    EXPECT_EQ(std::count(s.begin(), s.begin() + 49 * 16, 8), 49 * 16);
    EXPECT_EQ(std::count(s.begin() + 49 * 16, s.end(), 7), 4005 - 49 * 16);
}

TEST(RawCorrections, ChannelPathTicksEveryHundredRowsAndMapsOnlyTabledSites) {
    RawTables tables;
    for (uint32_t i = 0; i < kToneTableSize; ++i) tables.storage[RawTables::kBlue][i] = 900;
    tables.table[RawTables::kBlue] = tables.storage[RawTables::kBlue];

    std::vector<uint16_t> s;
    RawMosaic mosaic = MosaicOver(s, 5, 250);
    std::fill(s.begin(), s.end(), 1);
    test::CountingProgress all;
    ASSERT_TRUE(ApplyRawTables(mosaic, tables, &all));
    EXPECT_EQ(all.ticks, 3);  // rows 0, 100, 200
    for (uint32_t y = 0; y < 250; ++y) {
        for (uint32_t x = 0; x < 5; ++x) {
            ASSERT_EQ(s[y * 5 + x], SiteColour(x, y) == 2 ? 900 : 1) << x << "," << y;
        }
    }

    // Cancel on the second tick: rows 0..99 mapped, row 100 onward untouched.
    std::fill(s.begin(), s.end(), 1);
    test::CountingProgress cancel(2);
    EXPECT_FALSE(ApplyRawTables(mosaic, tables, &cancel));
    EXPECT_EQ(s[99 * 5 + 1], 900);
    EXPECT_EQ(s[101 * 5 + 1], 1);
}

TEST(RawCorrections, NoTablesMeansNoWorkAndNoTicks) {
    RawTables tables;
    std::vector<uint16_t> s;
    RawMosaic mosaic = MosaicOver(s, 8, 300);
    test::CountingProgress progress(1);
    EXPECT_TRUE(ApplyRawTables(mosaic, tables, &progress));
    EXPECT_EQ(progress.ticks, 0);
}

TEST(RawCorrections, RgbBalanceTruncatesAndClamps) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 1, 1, 3);
    s = {1000, 512, 1};
    ApplyRgbBalance(image, 300, 256, 65535);
    EXPECT_EQ(s, (std::vector<uint16_t>{1023, 512, 255}));

    std::vector<uint16_t> grey;
    ProcessedImage greyImage = test::MakeImage(grey, 3, 1, 1);
    grey = {1000, 10, 20};
    ApplyRgbBalance(greyImage, 128, 128, 128);
    EXPECT_EQ(grey, (std::vector<uint16_t>{1000, 10, 20}));
}

}  // namespace
}  // namespace kyp
