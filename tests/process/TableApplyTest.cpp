#include "engine/process/TableApply.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "ToneTestSupport.h"
#include "engine/process/ToneTable.h"

namespace kyp {
namespace {

using Table = std::array<uint16_t, kToneTableSize>;

// entry i = min(i + offset, 1023)
Table Offset(uint32_t offset) {
    Table t{};
    for (uint32_t i = 0; i < kToneTableSize; ++i) t[i] = static_cast<uint16_t>(std::min(i + offset, 1023u));
    return t;
}

TEST(TableApply, OneTableMapsEverySampleOfEitherLayout) {
    const Table plus5 = Offset(5);
    for (uint16_t channels : {uint16_t{1}, uint16_t{3}}) {
        std::vector<uint16_t> s;
        ProcessedImage image = test::MakeImage(s, 37, 3, channels);  // not a multiple of 16
        test::FillPattern(s, channels);
        const std::vector<uint16_t> before = s;
        ASSERT_TRUE(ApplyTable(image, plus5.data(), nullptr));
        for (size_t i = 0; i < s.size(); ++i) ASSERT_EQ(s[i], plus5[before[i]]) << i;
    }
}

TEST(TableApply, TicksEvery800BlocksOfPixelsAndCancelLeavesTheRestAlone) {
    const Table plus1 = Offset(1);
    // 1601 blocks of 16 RGB pixels: ticks where 1600, 800 and 0 blocks remain.
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 1601 * 16 + 7, 1, 3);
    test::CountingProgress all;
    ASSERT_TRUE(ApplyTable(image, plus1.data(), &all));
    EXPECT_EQ(all.ticks, 3);
    EXPECT_TRUE(std::all_of(s.begin(), s.end(), [](uint16_t v) { return v == 1; }));

    // Cancel at the second tick, before block 800: blocks 0..799 are done.
    std::fill(s.begin(), s.end(), 0);
    test::CountingProgress cancel(2);
    EXPECT_FALSE(ApplyTable(image, plus1.data(), &cancel));
    const size_t done = 800 * 16 * 3;
    EXPECT_EQ(std::count(s.begin(), s.begin() + done, 1), static_cast<long>(done));
    EXPECT_EQ(std::count(s.begin() + done, s.end(), 0), static_cast<long>(s.size() - done));
}

TEST(TableApply, ChannelTablesMapTheirOwnChannel) {
    const Table red = Offset(1), green = Offset(2), blue = Offset(3);
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 801 * 16 + 1, 1, 3);
    test::FillPattern(s);
    const std::vector<uint16_t> before = s;
    test::CountingProgress progress;
    ASSERT_TRUE(ApplyChannelTables(s.data(), image.width, red.data(), green.data(), blue.data(), &progress));
    EXPECT_EQ(progress.ticks, 2);
    for (size_t i = 0; i < s.size(); i += 3) {
        ASSERT_EQ(s[i], red[before[i]]);
        ASSERT_EQ(s[i + 1], green[before[i + 1]]);
        ASSERT_EQ(s[i + 2], blue[before[i + 2]]);
    }

    test::CountingProgress cancel(1);
    s = before;
    EXPECT_FALSE(ApplyChannelTables(s.data(), image.width, red.data(), green.data(), blue.data(), &cancel));
    EXPECT_EQ(s, before);  // the first tick comes before any work
}

TEST(TableApply, EveryCombinationOfPresentTablesTouchesOnlyItsChannels) {
    const Table red = Offset(1), green = Offset(2), blue = Offset(3);
    std::vector<uint16_t> before(3 * 21);
    test::FillPattern(before, 7);
    for (int mask = 0; mask < 8; ++mask) {
        const uint16_t* tables[3] = {(mask & 4) ? red.data() : nullptr, (mask & 2) ? green.data() : nullptr,
                                     (mask & 1) ? blue.data() : nullptr};
        std::vector<uint16_t> s = before;
        ApplyPresentChannelTables(s.data(), 21, tables[0], tables[1], tables[2]);
        for (size_t i = 0; i < s.size(); ++i) {
            const uint16_t* t = tables[i % 3];
            ASSERT_EQ(s[i], t != nullptr ? t[before[i]] : before[i]) << "mask " << mask << " sample " << i;
        }
    }
}

TEST(TableApply, StraySamplesIndexTheLastEntry) {
    Table marker{};
    marker[1023] = 77;
    std::vector<uint16_t> s = {1024, 65535, 3};
    ApplyTableToSamples(s.data(), s.size(), marker.data());
    EXPECT_EQ(s, (std::vector<uint16_t>{77, 77, 0}));

    // A null table is the identity.
    std::vector<uint16_t> image;
    ProcessedImage grey = test::MakeImage(image, 4, 1, 1);
    image = {1, 2, 3, 4};
    EXPECT_TRUE(ApplyTable(grey, nullptr, nullptr));
    EXPECT_EQ(image, (std::vector<uint16_t>{1, 2, 3, 4}));
}

}  // namespace
}  // namespace kyp
