#include "engine/process/Levels.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <memory>

namespace kyp {
namespace {

// A grey histogram with the given counts at the given values.
std::unique_ptr<HistogramRecord> Grey(std::initializer_list<std::pair<uint32_t, uint32_t>> counts) {
    auto record = std::make_unique<HistogramRecord>();
    *record = {};
    for (const auto& [value, count] : counts) {
        record->blocks[HistogramRecord::kLuminance].bins[value] += count;
        record->total += count;
    }
    return record;
}

std::array<uint16_t, kToneTableSize> Table(uint16_t a, uint16_t b) {
    std::array<uint16_t, kToneTableSize> table{};
    BuildLevelsTable(table, a, b);
    return table;
}

TEST(Levels, UniformImageGivesAHardThreshold) {
    const auto record = Grey({{500, 40}});
    const LevelPoints points = FindLevelPoints(0, *record, 0, 0);
    EXPECT_EQ(points.low, 500);
    EXPECT_EQ(points.high, 500);
    const auto table = Table(points.low, points.high);
    EXPECT_EQ(table[499], 0);
    EXPECT_EQ(table[500], 1023);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[1023], 1023);
}

TEST(Levels, NegativeThresholdsLeaveBothEndsAndGiveIdentity) {
    const auto record = Grey({{10, 5}, {900, 5}});
    for (int32_t t : {-1, INT32_MIN}) {
        const LevelPoints points = FindLevelPoints(0, *record, t, t);
        EXPECT_EQ(points.low, 0);
        EXPECT_EQ(points.high, 1023);
    }
    const auto table = Table(0, 1023);
    for (uint32_t i = 0; i < kToneTableSize; ++i) ASSERT_EQ(table[i], i);
}

TEST(Levels, TargetsRoundToTheNearestPixel) {
    // 1 per mille of 1500 pixels is 1.5, rounded to 2; of 1499 it is 1.
    const auto big = Grey({{100, 1}, {200, 1}, {300, 1497}, {800, 1}});
    EXPECT_EQ(FindLevelPoints(0, *big, 1, -1).low, 200);
    const auto small = Grey({{100, 1}, {200, 1}, {300, 1496}, {800, 1}});
    EXPECT_EQ(FindLevelPoints(0, *small, 1, -1).low, 100);

    // Fewer than 500 pixels: the target rounds to 0 and nothing is clipped.
    const auto few = Grey({{100, 200}, {700, 299}});
    const LevelPoints points = FindLevelPoints(0, *few, 1, 1);
    EXPECT_EQ(points.low, 0);
    EXPECT_EQ(points.high, 1023);
}

TEST(Levels, HighPointSearchesDownButNotPastTheLowPoint) {
    const auto record = Grey({{100, 5}, {900, 3}, {1000, 2}});
    LevelPoints points = FindLevelPoints(0, *record, 500, 300);  // targets 5 and 3
    EXPECT_EQ(points.low, 100);
    EXPECT_EQ(points.high, 900);

    // The bright target needs more than lies above the low point.
    points = FindLevelPoints(0, *record, 0, 800);  // targets 1 and 8
    EXPECT_EQ(points.low, 100);
    EXPECT_EQ(points.high, 100);

    const auto top = Grey({{1023, 10}});
    points = FindLevelPoints(0, *top, 0, 0);
    EXPECT_EQ(points.low, 1023);
    EXPECT_EQ(points.high, 1023);
}

TEST(Levels, UnreachableDarkTargetBlanksTheTable) {
    const auto record = Grey({{10, 500}, {900, 500}});
    for (int32_t t : {1001, 2000, INT32_MAX}) {
        const LevelPoints points = FindLevelPoints(0, *record, t, 0);
        EXPECT_EQ(points.low, 1024);
        EXPECT_EQ(points.high, 1023);
        const auto table = Table(points.low, points.high);
        for (uint32_t i = 0; i < kToneTableSize; ++i) ASSERT_EQ(table[i], 0) << i;
    }
    // Exactly 1000 per mille still reaches the last occupied value.
    EXPECT_EQ(FindLevelPoints(0, *record, 1000, -1).low, 900);
}

TEST(Levels, TableRampsBetweenPointsGivenInEitherOrder) {
    const auto table = Table(300, 100);
    EXPECT_EQ(table[99], 0);
    EXPECT_EQ(table[100], 0);
    EXPECT_EQ(table[200], 512);
    EXPECT_EQ(table[299], 1018);  // 199 * 1024 / 200
    EXPECT_EQ(table[300], 1023);
    EXPECT_EQ(Table(100, 300), table);
    for (uint32_t i = 1; i < kToneTableSize; ++i) ASSERT_LE(table[i - 1], table[i]);

    // Points beyond the table never write past it.
    const auto far = Table(5000, 65535);
    for (uint32_t i = 0; i < kToneTableSize; ++i) ASSERT_EQ(far[i], 0);
}

TEST(Levels, ChannelBlocksAreSearchedSeparately) {
    auto record = std::make_unique<HistogramRecord>();
    *record = {};
    record->total = 4;
    record->blocks[HistogramRecord::kRed].bins[50] = 4;
    record->blocks[HistogramRecord::kBlue].bins[700] = 4;
    EXPECT_EQ(FindLevelPoints(HistogramRecord::kRed, *record, 0, 0).low, 50);
    EXPECT_EQ(FindLevelPoints(HistogramRecord::kBlue, *record, 0, 0).low, 700);
    const LevelPoints none = FindLevelPoints(7, *record, 0, 0);
    EXPECT_EQ(none.low, 0);
    EXPECT_EQ(none.high, 1023);
}

}  // namespace
}  // namespace kyp
