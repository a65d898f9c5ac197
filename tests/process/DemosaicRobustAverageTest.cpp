#include "engine/process/RobustAverage4.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

namespace kyp {
namespace {

TEST(RobustAverage4, EqualValuesGiveTheirValue) {
    EXPECT_EQ(RobustAverage4(102400, 102400, 102400, 102400), 102400);
    EXPECT_EQ(RobustAverage4(-7, -7, -7, -7), -7);
}

TEST(RobustAverage4, LeavesOutAnOutlier) {
    // Disagreements 99000 x 3 and 297000: cut 165000, the outlier is dropped.
    EXPECT_EQ(RobustAverage4(1000, 1000, 1000, 100000), 1000);
    EXPECT_EQ(RobustAverage4(100000, 1000, 1000, 1000), 1000);
    // 105004, 105004, 105008, 315004: cut 175004; (5000 + 5001 + 5003) / 3.
    EXPECT_EQ(RobustAverage4(5000, 5001, 5003, -100000), 5001);
}

TEST(RobustAverage4, PlainMeanWhenTheCutIsSmallOrSelectsNothing) {
    // 300, 300, 300, 900: cut 500 is not above 1000; 300 / 4.
    EXPECT_EQ(RobustAverage4(0, 0, 0, 300), 75);
    // Four disagreements of 1200: nothing is strictly below the cut.
    EXPECT_EQ(RobustAverage4(0, 0, 600, 600), 300);
    EXPECT_EQ(RobustAverage4(0, 0, 10000, 10000), 5000);
    // Signed division truncates toward zero.
    EXPECT_EQ(RobustAverage4(-1, -1, -1, -2), -1);
    EXPECT_EQ(RobustAverage4(-3000, -3000, -3000, -3001), -3000);
}

// The definition written out plainly, as a check on the branch-free form.
int32_t Reference(const std::array<int32_t, 4>& v) {
    std::array<int32_t, 4> disagreement{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) disagreement[i] += std::abs(v[i] - v[j]);
    const int32_t low = *std::min_element(disagreement.begin(), disagreement.end());
    const int32_t high = *std::max_element(disagreement.begin(), disagreement.end());
    const int32_t cut = low + (high - low) / 3;
    const int32_t plain = (v[0] + v[1] + v[2] + v[3]) / 4;
    if (cut <= 1000) return plain;
    int32_t sum = 0;
    int32_t count = 0;
    for (int i = 0; i < 4; ++i) {
        if (disagreement[i] < cut) {
            sum += v[i];
            ++count;
        }
    }
    return count == 0 ? plain : sum / count;
}

TEST(RobustAverage4, MatchesTheDefinition) {
    std::mt19937 random(7);
    // Wide values, and clusters near the 1000 threshold, in the signed range of
    // the colour differences.
    std::uniform_int_distribution<int32_t> wide(-1047552, 1047552);
    std::uniform_int_distribution<int32_t> near(-400, 400);
    for (int round = 0; round < 200000; ++round) {
        std::array<int32_t, 4> v{};
        const int32_t centre = wide(random);
        for (auto& value : v) value = round % 2 == 0 ? wide(random) : centre + near(random);
        ASSERT_EQ(RobustAverage4(v[0], v[1], v[2], v[3]), Reference(v))
            << v[0] << ' ' << v[1] << ' ' << v[2] << ' ' << v[3];
    }
}

TEST(RobustAverage4, IgnoresArgumentOrderAndStaysWithinTheValues) {
    std::mt19937 random(11);
    std::uniform_int_distribution<int32_t> value(-1100000, 1100000);
    for (int round = 0; round < 2000; ++round) {
        std::array<int32_t, 4> v{value(random), value(random), value(random), value(random)};
        if (round % 3 == 0) v[1] = v[2] = v[0];
        const int32_t expected = RobustAverage4(v[0], v[1], v[2], v[3]);
        EXPECT_GE(expected, *std::min_element(v.begin(), v.end()));
        EXPECT_LE(expected, *std::max_element(v.begin(), v.end()));
        std::sort(v.begin(), v.end());
        do {
            ASSERT_EQ(RobustAverage4(v[0], v[1], v[2], v[3]), expected);
        } while (std::next_permutation(v.begin(), v.end()));
    }
}

}  // namespace
}  // namespace kyp
