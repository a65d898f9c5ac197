#include "engine/process/Levels.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <memory>

namespace kyp {

using Table = std::array<uint16_t, kToneTableSize>;

static std::unique_ptr<HistogramRecord> Grey(std::initializer_list<std::pair<uint32_t, uint32_t>> counts) {
    auto record = std::make_unique<HistogramRecord>();
    *record = {};
    for (const auto& [value, count] : counts) {
        record->blocks[HistogramRecord::kLuminance].bins[value] += count;
        record->total += count;
    }
    return record;
}

static Table Levels(uint16_t a, uint16_t b) {
    Table table{};
    BuildLevelsTable(table, a, b);
    return table;
}

static void ExpectPoints(const HistogramRecord& r, int32_t dark, int32_t bright, int low, int high) {
    const LevelPoints p = FindLevelPoints(HistogramRecord::kLuminance, r, dark, bright);
    EXPECT_EQ((std::pair<int, int>(p.low, p.high)), (std::pair<int, int>(low, high))) << dark << "," << bright;
}

TEST(Levels, PointsOfUniformUnclippedTopAndRoundedTargets) {
    ExpectPoints(*Grey({{500, 40}}), 0, 0, 500, 500);
    EXPECT_EQ(Levels(500, 500)[499], 0);  // hard threshold
    EXPECT_EQ(Levels(500, 500)[500], 1023);
    ExpectPoints(*Grey({{10, 5}, {900, 5}}), -1, INT32_MIN, 0, 1023);
    ExpectPoints(*Grey({{1023, 10}}), 0, 0, 1023, 1023);
    // 1 per mille of 1500 pixels is 1.5, rounded to 2; of 1499 it is 1; of 499, 0 (no clipping).
    ExpectPoints(*Grey({{100, 1}, {200, 1}, {300, 1497}, {800, 1}}), 1, -1, 200, 1023);
    ExpectPoints(*Grey({{100, 1}, {200, 1}, {300, 1496}, {800, 1}}), 1, -1, 100, 1023);
    ExpectPoints(*Grey({{100, 200}, {700, 299}}), 1, 1, 0, 1023);
}

TEST(Levels, HighPointStopsAtTheLowPointAndUnreachableTargetsBlank) {
    const auto record = Grey({{100, 5}, {900, 3}, {1000, 2}});
    ExpectPoints(*record, 500, 300, 100, 900);  // targets 5 and 3
    ExpectPoints(*record, 0, 800, 100, 100);    // 8 never lies above the low point
    const auto wide = Grey({{10, 500}, {900, 500}});
    for (int32_t t : {1001, 2000, INT32_MAX}) ExpectPoints(*wide, t, 0, 1024, 1023);
    ExpectPoints(*wide, 1000, -1, 900, 1023);
    EXPECT_EQ(Levels(1024, 1023), Table{});
    EXPECT_EQ(Levels(5000, 65535), Table{});
}

TEST(Levels, TableRampsBetweenPointsGivenInEitherOrder) {
    const Table table = Levels(300, 100);
    EXPECT_EQ((std::array{table[100], table[200], table[299], table[300]}), (std::array<uint16_t, 4>{0, 512, 1018, 1023}));
    EXPECT_EQ(Levels(100, 300), table);
    const Table identity = Levels(0, 1023);
    for (uint32_t i = 0; i < kToneTableSize; ++i) ASSERT_EQ(identity[i], i);
    auto record = Grey({});
    record->blocks[HistogramRecord::kBlue].bins[700] = record->total = 4;
    EXPECT_EQ(FindLevelPoints(HistogramRecord::kBlue, *record, 0, 0).low, 700);
    EXPECT_EQ(FindLevelPoints(7, *record, 0, 0).high, 1023);  // no such block: unclipped
}

}  // namespace kyp
