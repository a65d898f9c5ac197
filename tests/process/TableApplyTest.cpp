#include "engine/process/TableApply.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "engine/core/KernelTargets.h"
#include "engine/process/Levels.h"
#include "engine/process/ToneTable.h"
#include "process/ProcessTestSupport.h"

namespace kyp {

using Table = std::array<uint16_t, kToneTableSize>;

static Table Offset(uint32_t offset) {  // entry i = min(i + offset, 1023)
    Table t{};
    for (uint32_t i = 0; i < kToneTableSize; ++i) t[i] = static_cast<uint16_t>(std::min(i + offset, 1023u));
    return t;
}

// The table looked up, and the levels ramp computed in its place: the same
// ticks, the same cancel point, the remainder after the last block mapped.
TEST(TableApply, OneTableTicksPerPixelBlockAndCancelLeavesTheRest) {
    const Table plus1 = Offset(1);
    Table ramp{};
    BuildLevelsTable(ramp, 37, 900);
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 1601 * 16 + 7, 1, 3);
    for (const bool computed : {false, true}) {
        const uint16_t expected = computed ? ramp[500] : plus1[500];
        const auto apply = [&](test::Recorder& progress) {
            return computed ? ApplyLevelsTable(image, ramp.data(), 37, 900, &progress)
                            : ApplyTable(image, plus1.data(), &progress);
        };
        test::Recorder all, cancel(2);
        std::fill(s.begin(), s.end(), 500);
        ASSERT_TRUE(apply(all));  // 1600, 800 and 0 blocks left
        EXPECT_EQ(all.ticks, 3);
        EXPECT_EQ(std::count(s.begin(), s.end(), expected), static_cast<long>(s.size())) << computed;

        std::fill(s.begin(), s.end(), 500);
        EXPECT_FALSE(apply(cancel));  // before block 800
        EXPECT_EQ(std::count(s.begin(), s.end(), expected), 800 * 16 * 3) << computed;
        EXPECT_EQ(s[800 * 16 * 3 - 1], expected);
    }

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
    test::Recorder progress, cancel(1);
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

// The computed ramp against the looked-up table: every divisor with every
// numerator (all sample values against low 0 and a spread of highs), points
// beyond the table and in either order, stray samples above 1023, an odd size,
// on every instruction set.
TEST(TableApply, LevelsRampEqualsItsTableForAnyPoints) {
    std::vector<std::pair<uint16_t, uint16_t>> points;
    for (uint16_t high = 0; high <= 1024; ++high) points.push_back({0, high});
    for (uint16_t low : {1, 3, 100, 511, 1022, 1023, 1024, 2000})
        for (uint16_t high : {0, 1, 2, 5, 512, 1000, 1023, 1024, 1025, 4000, 65535}) points.push_back({low, high});
    std::vector<uint16_t> base;
    const ProcessedImage shape = test::MakeImage(base, 1031, 1, 1);  // every value, a remainder block
    for (uint32_t i = 0; i < 1024; ++i) base[i] = static_cast<uint16_t>(i);
    base[1024] = 1024;
    base[1025] = 65535;
    base[1026] = 40000;
    for (KernelTarget target : {KernelTarget::baseline, KernelTarget::avx2, KernelTarget::avx512}) {
        (void)SetKernelTargetLimit(target);
        for (const auto& [a, b] : points) {
            Table table{};
            BuildLevelsTable(table, a, b);
            std::vector<uint16_t> looked = base, computed = base;
            ProcessedImage one = shape, two = shape;
            one.samples = looked.data();
            two.samples = computed.data();
            ASSERT_TRUE(LevelsRampMatchesTable(table.data(), a, b)) << a << ' ' << b;
            ASSERT_TRUE(ApplyTable(one, table.data(), nullptr));
            ASSERT_TRUE(ApplyLevelsTable(two, table.data(), a, b, nullptr));
            ASSERT_EQ(looked, computed) << a << ' ' << b << ' ' << static_cast<int>(target);
        }
    }
    (void)SetKernelTargetLimit(KernelTarget::avx512);

    // A table that is not the ramp of the given points is looked up as it is.
    const Table plus1 = Offset(1);
    EXPECT_FALSE(LevelsRampMatchesTable(plus1.data(), 0, 1023));
    std::vector<uint16_t> s = base;
    ProcessedImage image = shape;
    image.samples = s.data();
    ASSERT_TRUE(ApplyLevelsTable(image, plus1.data(), 0, 1023, nullptr));
    for (size_t i = 0; i < s.size(); ++i) ASSERT_EQ(s[i], plus1[std::min<uint16_t>(base[i], 1023)]) << i;
}

}  // namespace kyp
