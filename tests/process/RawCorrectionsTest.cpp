#include "engine/process/RawCorrections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "engine/core/KernelTargets.h"
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

TEST(RawCorrections, RawCurvesAloneBuildTheMasterTable) {
    std::array<uint16_t, kToneTableSize> rev{};
    for (uint16_t i = 0; i < kToneTableSize; ++i) rev[i] = kToneTableMax - i;
    RawTables tables;
    const uint16_t* masterOnly[4] = {rev.data(), nullptr, nullptr, nullptr};
    BuildRawTables({.options = opt::rawcurves}, masterOnly, 256, 256, tables);  // alone: the master table
    EXPECT_TRUE(tables.table[0] && tables.table[0][1] == 1022 && !tables.table[1] && !tables.table[2]);
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

namespace kyp {

// The raw tables gathered sixteen sites at a time give what the site-by-site
// lookup gives: rows that do not divide into sixteen, both row parities, and
// samples above 1023 (looked up at 1023), for the colour tables and the master.
TEST(RawCorrections, GatheredTablesMatchTheLookup) {
    constexpr uint32_t kWidth = 37, kHeight = 6;
    std::mt19937 random(7);
    Samples mosaic(kWidth * kHeight);
    for (uint16_t& v : mosaic) v = static_cast<uint16_t>(random() % 8 == 0 ? 1024 + random() % 60000 : random() % 1024);
    RawTables colours, master;
    for (uint32_t i = 0; i < kToneTableSize; ++i) {
        for (int t = 0; t < 4; ++t) colours.storage[t][i] = static_cast<uint16_t>((i * (t + 3) + 17 * t) % 1024);
        master.storage[RawTables::kMaster][i] = static_cast<uint16_t>(1023 - i);
    }
    for (int t = RawTables::kRed; t <= RawTables::kBlue; ++t) colours.table[t] = colours.storage[t];
    master.table[RawTables::kMaster] = master.storage[RawTables::kMaster];
    for (const RawTables* tables : {&colours, &master}) {
        Samples looked = mosaic, gathered = mosaic;
        (void)SetKernelTargetLimit(KernelTarget::baseline);
        RawMosaic plain{looked.data(), kWidth, kHeight};
        ASSERT_TRUE(ApplyRawTables(plain, *tables, nullptr));
        (void)SetKernelTargetLimit(KernelTarget::avx512);
        RawMosaic fast{gathered.data(), kWidth, kHeight};
        ASSERT_TRUE(ApplyRawTables(fast, *tables, nullptr));
        EXPECT_EQ(gathered, looked);
        // Each site through its colour's table (or the master).
        for (uint32_t i = 0; i < mosaic.size(); ++i) {
            const int colour = SiteColour(i % kWidth, i / kWidth) + RawTables::kRed;
            const uint16_t* table = tables == &master ? tables->table[RawTables::kMaster] : tables->table[colour];
            ASSERT_EQ(looked[i], table[std::min<uint16_t>(mosaic[i], 1023)]) << "site " << i;
        }
    }
}

}  // namespace kyp
