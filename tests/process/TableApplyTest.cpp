#include "engine/process/TableApply.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "ToneTestSupport.h"
#include "engine/process/ToneTable.h"

namespace kyp {

using Table = std::array<uint16_t, kToneTableSize>;

static Table Offset(uint32_t offset) {  // entry i = min(i + offset, 1023)
    Table t{};
    for (uint32_t i = 0; i < kToneTableSize; ++i) t[i] = static_cast<uint16_t>(std::min(i + offset, 1023u));
    return t;
}

TEST(TableApply, OneTableTicksPerPixelBlockAndCancelLeavesTheRest) {
    const Table plus1 = Offset(1);
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 1601 * 16 + 7, 1, 3);
    std::fill(s.begin(), s.end(), 0);
    test::CountingProgress all, cancel(2);
    ASSERT_TRUE(ApplyTable(image, plus1.data(), &all));  // 1600, 800 and 0 blocks left
    EXPECT_EQ(all.ticks, 3);
    EXPECT_EQ(std::count(s.begin(), s.end(), 1), static_cast<long>(s.size()));

    std::fill(s.begin(), s.end(), 0);
    EXPECT_FALSE(ApplyTable(image, plus1.data(), &cancel));  // before block 800
    EXPECT_EQ(std::count(s.begin(), s.end(), 1), 800 * 16 * 3);
    EXPECT_EQ(s[800 * 16 * 3 - 1], 1);

    image = test::MakeImage(s, 37, 3, 1);  // grey, with a remainder and two stray samples
    s[0] = 1024;
    s[110] = 65535;
    const std::vector<uint16_t> before = s;
    ASSERT_TRUE(ApplyTable(image, plus1.data(), nullptr));
    for (size_t i = 0; i < s.size(); ++i) ASSERT_EQ(s[i], plus1[std::min<uint16_t>(before[i], 1023)]) << i;
}

TEST(TableApply, ChannelTablesInEveryCombination) {
    const Table t[3] = {Offset(1), Offset(2), Offset(3)};
    std::vector<uint16_t> s;
    const ProcessedImage image = test::MakeImage(s, 1000 * 16 + 1, 1, 3);
    const std::vector<uint16_t> before = s;
    test::CountingProgress progress, cancel(1);
    ASSERT_TRUE(ApplyChannelTables(s.data(), image.width, t[0].data(), t[1].data(), t[2].data(), &progress));
    EXPECT_EQ(progress.ticks, 2);  // before blocks 199 and 999
    for (size_t i = 0; i < s.size(); ++i) ASSERT_EQ(s[i], t[i % 3][before[i]]);
    s = before;
    EXPECT_FALSE(ApplyChannelTables(s.data(), image.width, t[0].data(), t[1].data(), t[2].data(), &cancel));
    EXPECT_TRUE(std::equal(s.begin() + 199 * 48, s.end(), before.begin() + 199 * 48));
    EXPECT_NE(s[199 * 48 - 1], before[199 * 48 - 1]);

    for (int mask = 0; mask < 8; ++mask) {
        const uint16_t* p[3] = {mask & 4 ? t[0].data() : nullptr, mask & 2 ? t[1].data() : nullptr,
                                mask & 1 ? t[2].data() : nullptr};
        s.assign(before.begin(), before.begin() + 63);
        ApplyPresentChannelTables(s.data(), 21, p[0], p[1], p[2]);
        for (size_t i = 0; i < s.size(); ++i) ASSERT_EQ(s[i], p[i % 3] ? p[i % 3][before[i]] : before[i]) << mask;
    }
}

}  // namespace kyp
