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
