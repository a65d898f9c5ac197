#include "engine/process/Histogram.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "process/ProcessTestSupport.h"

namespace kyp {

using Stats = std::vector<uint32_t>;

static Stats StatsOf(const HistogramBlock& b) {
    return {b.smallestCount, b.largestCount, b.lowestValue, b.highestValue, b.mean};
}

TEST(Histogram, StatisticsOfUniformEmptyAndTopHeavyBlocks) {
    std::vector<uint16_t> s(35, 500);
    ProcessedImage grey{7, 5, 1, 16, 70, s.data()};
    auto record = std::make_unique<HistogramRecord>();
    ASSERT_TRUE(ComputeHistogram(grey, record.get(), nullptr));
    // Smallest count 0: empty bins above the highest value take part.
    EXPECT_EQ(StatsOf(record->blocks[HistogramRecord::kLuminance]), Stats({0, 35, 500, 500, 500}));
    EXPECT_EQ(StatsOf(record->blocks[HistogramRecord::kRed]), Stats({0xFFFFFFFF, 0, 1024, 1024, 0}));

    auto& green = record->blocks[HistogramRecord::kGreen];
    green.bins[1022] = 2;
    green.bins[1023] = 5;
    ComputeHistogramStatistics(*record, HistogramRecord::kGreen);
    EXPECT_EQ(StatsOf(green), Stats({2, 5, 1022, 1023, 1022}));  // 7159 / 7
    green.bins[1] = green.bins[1023] = 0xFFFFFFF0u;  // weighted sum far beyond 32 bits
    green.bins[1022] = 0;
    ComputeHistogramStatistics(*record, HistogramRecord::kGreen);
    EXPECT_EQ(green.mean, 512u);
}

TEST(Histogram, TicksEvery800BlocksFromTheEndAndStopsOnCancel) {
    std::vector<uint16_t> s;
    auto record = std::make_unique<HistogramRecord>();
    ProcessedImage rgb = test::MakeImage(s, 801 * 16 + 3, 1, 3);  // blocks of 16 pixels, not samples
    test::Recorder progress, cancel(1);
    ASSERT_TRUE(ComputeHistogram(rgb, record.get(), &progress));
    EXPECT_EQ(progress.ticks, 2);

    ProcessedImage grey = test::MakeImage(s, 1250 * 16, 1, 1);
    std::fill(s.begin(), s.end(), 10);
    EXPECT_FALSE(ComputeHistogram(grey, record.get(), &cancel));  // first tick before block 449
    EXPECT_EQ(record->blocks[HistogramRecord::kLuminance].bins[10], 449u * 16);
    EXPECT_EQ(record->blocks[HistogramRecord::kLuminance].lowestValue, 0u);  // no statistics
    EXPECT_FALSE(ComputeHistogram(grey, nullptr, nullptr));
    EXPECT_FALSE(ComputeHistogram(ProcessedImage{}, record.get(), nullptr));
}

// The luminance-only count against the full one on an image with stray
// samples and a remainder after the last block: the luminance block, the
// total and the ticks agree, the colour blocks stay empty; a cancel keeps the
// same partial luminance bins.
TEST(Histogram, LuminanceOnlyCountEqualsTheLuminanceOfTheFullCount) {
    HistogramRecord empty{};
    for (int i = 1; i < 4; ++i) ComputeHistogramStatistics(empty, i);
    for (int cancelAt : {0, 1, 3}) {  // 1701 blocks: ticks before blocks 100, 900 and 1700
        std::vector<uint16_t> s;
        const ProcessedImage image = test::MakeImage(s, 1601, 17, 3, 11);
        for (size_t i = 0; i < s.size(); i += 97) s[i] = static_cast<uint16_t>(1024 + i % 64000);
        auto full = std::make_unique<HistogramRecord>();
        auto luminance = std::make_unique<HistogramRecord>();
        test::Recorder fullTicks(cancelAt), luminanceTicks(cancelAt);
        const bool fullDone = ComputeHistogram(image, full.get(), &fullTicks);
        EXPECT_EQ(ComputeLuminanceHistogram(image, luminance.get(), &luminanceTicks), fullDone);
        EXPECT_EQ(fullDone, cancelAt == 0);
        EXPECT_EQ(luminanceTicks.ticks, fullTicks.ticks);
        EXPECT_EQ(luminance->total, full->total);
        EXPECT_EQ(std::memcmp(&luminance->blocks[0], &full->blocks[0], sizeof full->blocks[0]), 0) << cancelAt;
        for (int i = 1; i < 4; ++i) {
            const HistogramBlock& expected = cancelAt == 0 ? empty.blocks[i] : HistogramBlock{};
            EXPECT_EQ(std::memcmp(&luminance->blocks[i], &expected, sizeof expected), 0) << i;
        }
    }
}

}  // namespace kyp
