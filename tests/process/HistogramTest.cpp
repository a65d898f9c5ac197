#include "engine/process/Histogram.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ToneTestSupport.h"

namespace kyp {
namespace {

std::unique_ptr<HistogramRecord> NewRecord() { return std::make_unique<HistogramRecord>(); }

TEST(Histogram, CountsRgbPixelsOnceWithRec709Luminance) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 3, 1, 3);
    s = {100, 200, 300, 1023, 1023, 1023, 100, 0, 0};
    auto record = NewRecord();
    ASSERT_TRUE(ComputeHistogram(image, record.get(), nullptr));
    EXPECT_EQ(record->total, 3u);
    const auto& lum = record->blocks[HistogramRecord::kLuminance];
    EXPECT_EQ(lum.bins[185], 1u);   // (13933*100 + 46871*200 + 4732*300) >> 16
    EXPECT_EQ(lum.bins[1023], 1u);  // the weights sum to 65536
    EXPECT_EQ(lum.bins[21], 1u);    // 13933*100 >> 16
    EXPECT_EQ(record->blocks[HistogramRecord::kRed].bins[100], 2u);
    EXPECT_EQ(record->blocks[HistogramRecord::kGreen].bins[0], 1u);
    EXPECT_EQ(record->blocks[HistogramRecord::kBlue].bins[300], 1u);
    EXPECT_EQ(record->blocks[HistogramRecord::kRed].mean, (100u + 1023 + 100) / 3);
}

TEST(Histogram, UniformGreyImageStatistics) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 7, 5, 1);
    std::fill(s.begin(), s.end(), 500);
    auto record = NewRecord();
    ASSERT_TRUE(ComputeHistogram(image, record.get(), nullptr));
    EXPECT_EQ(record->total, 35u);
    const auto& lum = record->blocks[HistogramRecord::kLuminance];
    EXPECT_EQ(lum.lowestValue, 500u);
    EXPECT_EQ(lum.highestValue, 500u);
    EXPECT_EQ(lum.mean, 500u);
    EXPECT_EQ(lum.largestCount, 35u);
    EXPECT_EQ(lum.smallestCount, 0u);  // empty bins above the highest value count

    // A grey image leaves the colour blocks empty.
    const auto& red = record->blocks[HistogramRecord::kRed];
    EXPECT_EQ(red.lowestValue, 1024u);
    EXPECT_EQ(red.highestValue, 1024u);
    EXPECT_EQ(red.smallestCount, 0xFFFFFFFFu);
    EXPECT_EQ(red.largestCount, 0u);
    EXPECT_EQ(red.mean, 0u);
}

TEST(Histogram, StatisticsRangeRunsFromLowestValueToTheTop) {
    auto record = NewRecord();
    *record = {};
    auto& block = record->blocks[HistogramRecord::kGreen];
    block.bins[0] = 0;
    block.bins[1022] = 2;
    block.bins[1023] = 5;
    ComputeHistogramStatistics(*record, HistogramRecord::kGreen);
    EXPECT_EQ(block.lowestValue, 1022u);
    EXPECT_EQ(block.highestValue, 1023u);
    EXPECT_EQ(block.smallestCount, 2u);  // bins below the lowest value do not count
    EXPECT_EQ(block.largestCount, 5u);
    EXPECT_EQ(block.mean, 1022u);  // 7159 / 7 truncated

    // Counts whose weighted sum passes 2^32 still average correctly.
    block = {};
    block.bins[1000] = 0xFFFFFFF0u;
    block.bins[1] = 0xFFFFFFF0u;
    ComputeHistogramStatistics(*record, HistogramRecord::kGreen);
    EXPECT_EQ(block.mean, 500u);

    ComputeHistogramStatistics(*record, 4);  // no such block: ignored
}

TEST(Histogram, TicksEvery800BlocksOfPixels) {
    // 801 blocks of 16 RGB pixels plus 3: ticks where 800 and 0 blocks remain.
    std::vector<uint16_t> s;
    ProcessedImage rgb = test::MakeImage(s, 801 * 16 + 3, 1, 3);
    auto record = NewRecord();
    test::CountingProgress progress;
    ASSERT_TRUE(ComputeHistogram(rgb, record.get(), &progress));
    EXPECT_EQ(progress.ticks, 2);
    EXPECT_EQ(record->total, 801u * 16 + 3);

    // A grey image counts blocks of samples: 1601 blocks tick three times.
    std::vector<uint16_t> g;
    ProcessedImage grey = test::MakeImage(g, 1601 * 16, 1, 1);
    test::CountingProgress greyProgress;
    ASSERT_TRUE(ComputeHistogram(grey, record.get(), &greyProgress));
    EXPECT_EQ(greyProgress.ticks, 3);
}

TEST(Histogram, FailsOnCancelMissingRecordOrEmptyImage) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 1000, 20, 3);
    std::fill(s.begin(), s.end(), 10);
    auto record = NewRecord();
    test::CountingProgress cancel(1);
    EXPECT_FALSE(ComputeHistogram(image, record.get(), &cancel));
    EXPECT_EQ(cancel.ticks, 1);
    EXPECT_EQ(record->blocks[0].lowestValue, 0u);  // statistics not computed
    EXPECT_FALSE(ComputeHistogram(image, nullptr, nullptr));

    ProcessedImage empty;
    EXPECT_FALSE(ComputeHistogram(empty, record.get(), nullptr));
}

TEST(Histogram, OutOfRangeSamplesCountAsTheTopValue) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 2, 1, 3);
    s = {65535, 4096, 1024, 1023, 1023, 1023};
    auto record = NewRecord();
    ASSERT_TRUE(ComputeHistogram(image, record.get(), nullptr));
    EXPECT_EQ(record->blocks[HistogramRecord::kRed].bins[1023], 2u);
    EXPECT_EQ(record->blocks[HistogramRecord::kLuminance].bins[1023], 2u);
}

}  // namespace
}  // namespace kyp
