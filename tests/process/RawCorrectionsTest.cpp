#include "engine/process/RawCorrections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "process/ProcessTestSupport.h"

namespace kyp {

using Samples = std::vector<uint16_t>;

TEST(RawCorrections, BlackPointIndexesBySiteAndStopsAtZero) {
    Samples s = {100, 100, 100, 5, 20, 100};  // 3 x 2: the last column is an even one
    RawMosaic mosaic{s.data(), 3, 2};
    const uint16_t black[4] = {10, 20, 30, 40};
    SubtractBlackPoint(mosaic, black);
    EXPECT_EQ(s, (Samples{90, 80, 90, 0, 0, 70}));
}

TEST(RawCorrections, ScaleTableTruncatesClampsAndNeverWraps) {
    Samples t(kToneTableSize);
    ScaleTable(t, true, 255, 256);
    ScaleTable(t, false, 3, 2);  // on top: 1 -> 0 -> 0, 256 -> 255 -> 382, 1023 -> 1019 -> 1023
    EXPECT_EQ(Samples({t[1], t[256], t[1023]}), Samples({0, 382, 1023}));
    ScaleTable(t, true, 65535, 1);  // 1000 * 65535 in 16 bits would wrap to 64536
    EXPECT_EQ(t[1000], 1023);
    ScaleTable(t, true, 5, 0);  // no divisor: 1/1
    EXPECT_EQ(t[700], 700);
}

TEST(RawCorrections, StepsFoldInOrderWithAClampAfterEach) {
    RawTables tables;
    // Green 9/0 has no divisor and blue 7/7 is equal: neither builds a table.
    BuildRawTables({.options = opt::scale, .redScale = 1u << 16 | 2, .greenScale = 9u << 16,
                    .blueScale = 7u << 16 | 7}, nullptr, 256, 256, tables);
    EXPECT_TRUE(tables.table[1] && !tables.table[2] && !tables.table[3]);

    BuildRawTables({.options = opt::wb | opt::fudge | opt::scale, .redScale = 1u << 16 | 2,
                    .greenScale = 3u << 16 | 2, .blueScale = 7u << 16 | 7}, nullptr, 512, 300, tables);
    const uint16_t* const* t = tables.table;
    // Red 600: 1200 -> 1023, fudge 999, halved; red 1: 2, fudge 1.95 -> 1, halved.
    // Green is built fresh by fudge (100 -> 104), then x3/2. Blue: 117, then 115.
    EXPECT_EQ(Samples({t[1][600], t[1][1], t[2][100], t[2][1000], t[3][100]}), Samples({499, 0, 156, 1023, 115}));
    EXPECT_EQ(t[RawTables::kMaster], nullptr);
}

TEST(RawCorrections, RawCurvesComposeChannelThenMaster) {
    std::array<uint16_t, kToneTableSize> rev{}, half{};
    for (uint16_t i = 0; i < kToneTableSize; ++i) { rev[i] = kToneTableMax - i; half[i] = i / 2; }
    RawTables tables;
    const uint16_t* masterOnly[4] = {rev.data(), nullptr, nullptr, nullptr};
    BuildRawTables({.options = opt::rawcurves}, masterOnly, 256, 256, tables);  // alone: the master table
    EXPECT_TRUE(tables.table[0] && tables.table[0][1] == 1022 && !tables.table[1] && !tables.table[2]);

    // With white balance each channel takes M after its own table; green takes M itself.
    BuildRawTables({.options = opt::wb | opt::rawcurves}, masterOnly, 512, 256, tables);
    EXPECT_EQ(tables.table[RawTables::kMaster], nullptr);
    EXPECT_EQ(tables.table[RawTables::kRed][600], 0);
    EXPECT_EQ(tables.table[RawTables::kGreen][100], 923);

    // Red: M(half(200)); green: M(half(100)); blue: M(100).
    const uint16_t* both[4] = {rev.data(), half.data(), half.data(), nullptr};
    BuildRawTables({.options = opt::wb | opt::rawcurves}, both, 512, 256, tables);
    const uint16_t* const* t = tables.table;
    EXPECT_EQ(Samples({t[1][100], t[2][100], t[3][100]}), Samples({923, 973, 923}));
}

TEST(RawCorrections, MasterPathTicksBeforeEveryHundredthBlockFromTheEnd) {
    RawTables tables;
    for (uint16_t i = 0; i < kToneTableSize; ++i) tables.storage[0][i] = i + 1;
    tables.table[RawTables::kMaster] = tables.storage[0];
    Samples s(4005, 7);  // 250 blocks and 5: ticks where 200, 100 and 0 blocks remain
    RawMosaic mosaic{s.data(), 4005, 1};
    test::Recorder all, cancel(1);
    ASSERT_TRUE(ApplyRawTables(mosaic, tables, &all));
    EXPECT_EQ(all.ticks, 3);
    EXPECT_EQ(std::count(s.begin(), s.end(), 8), 4005);
    std::fill(s.begin(), s.end(), 7);
    EXPECT_FALSE(ApplyRawTables(mosaic, tables, &cancel));  // before block 49
    EXPECT_EQ(std::count(s.begin(), s.begin() + 49 * 16, 8), 49 * 16);
    EXPECT_EQ(std::count(s.begin(), s.end(), 8), 49 * 16);
}

TEST(RawCorrections, ChannelPathTicksEveryHundredRowsAndMapsOnlyTabledSites) {
    RawTables tables;
    std::fill(std::begin(tables.storage[3]), std::end(tables.storage[3]), 900);
    tables.table[RawTables::kBlue] = tables.storage[3];
    Samples s(5 * 250, 1);
    RawMosaic mosaic{s.data(), 5, 250};
    test::Recorder all, cancel(2);
    ASSERT_TRUE(ApplyRawTables(mosaic, tables, &all));
    EXPECT_EQ(all.ticks, 3);
    for (uint32_t i = 0; i < s.size(); ++i) ASSERT_EQ(s[i], SiteColour(i % 5, i / 5) == 2 ? 900 : 1) << i;
    std::fill(s.begin(), s.end(), 1);
    EXPECT_FALSE(ApplyRawTables(mosaic, tables, &cancel));  // before row 100
    EXPECT_EQ(s[99 * 5 + 1], 900);
    EXPECT_EQ(s[101 * 5 + 1], 1);
}

TEST(RawCorrections, RgbBalanceTruncatesClampsAndSkipsGrey) {
    Samples s = {1000, 512, 1};
    ProcessedImage image{1, 1, 3, 16, 6, s.data()};
    ApplyRgbBalance(image, 300, 256, 65535);
    EXPECT_EQ(s, (Samples{1023, 512, 255}));
    image.channels = 1;
    ApplyRgbBalance(image, 128, 128, 128);
    EXPECT_EQ(s[0], 1023);
}

}  // namespace kyp
