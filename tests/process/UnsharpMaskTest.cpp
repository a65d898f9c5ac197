#include "engine/process/UnsharpMask.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <random>

#include "process/KernelsTestProgress.h"

namespace kyp {
namespace {

// An image record over a vector the test owns.
struct TestImage {
    std::vector<uint16_t> samples;
    ProcessedImage image;

    TestImage(uint32_t width, uint32_t height, uint16_t channels, uint16_t fill = 0)
        : samples(size_t{width} * height * channels, fill) {
        image.width = width;
        image.height = height;
        image.channels = channels;
        image.bitsPerSample = 16;
        image.byteSize = static_cast<int32_t>(samples.size() * 2);
        image.samples = samples.data();
    }
    void Set(const std::vector<uint16_t>& values) { std::copy(values.begin(), values.end(), samples.begin()); }
    void Randomise(unsigned seed, int maximum = 1023) {
        std::mt19937 random(seed);
        for (uint16_t& sample : samples) sample = static_cast<uint16_t>(random() % (maximum + 1));
    }
};

std::vector<uint16_t> Sharpened(const std::vector<uint16_t>& row, int32_t amount, int32_t threshold) {
    TestImage test(static_cast<uint32_t>(row.size()), 1, 1);
    test.Set(row);
    EXPECT_TRUE(UnsharpMask(test.image, amount, 0.1001f, threshold, nullptr));
    return test.samples;
}

TEST(UnsharpMask, ThresholdAndAmountOnAHandComputedRow) {
    // Blurred with 77 289 292 289 77 (renormalised at the ends): 101 103 102 103 101,
    // so the differences are -1 -3 8 -3 -1.
    const std::vector<uint16_t> row{100, 100, 110, 100, 100};
    EXPECT_EQ(Sharpened(row, 100, 0), (std::vector<uint16_t>{99, 97, 118, 97, 99}));
    EXPECT_EQ(Sharpened(row, 100, 1), (std::vector<uint16_t>{100, 97, 118, 97, 100}));
    EXPECT_EQ(Sharpened(row, 100, 4), row);  // |8| is not above 2 x 4
    EXPECT_EQ(Sharpened(row, 0, 0), (std::vector<uint16_t>{101, 103, 102, 103, 101}));
    EXPECT_EQ(Sharpened(row, 150, 0), (std::vector<uint16_t>{98, 94, 126, 94, 98}));
}

TEST(UnsharpMask, LeavesImageAloneWhenItShould) {
    TestImage test(23, 17, 3);
    test.Randomise(1);
    const std::vector<uint16_t> original = test.samples;
    EXPECT_TRUE(UnsharpMask(test.image, 50, 2.5f, 0, nullptr));  // amount 50 is neutral
    EXPECT_EQ(test.samples, original);
    EXPECT_TRUE(UnsharpMask(test.image, 300, 2.5f, 1023, nullptr));  // nothing differs by 2046
    EXPECT_EQ(test.samples, original);
    test::RecordingProgress progress;
    EXPECT_TRUE(UnsharpMask(test.image, 300, 0.1f, 0, &progress));  // below the smallest radius
    EXPECT_TRUE(UnsharpMask(test.image, 300, -4.0f, 0, &progress));
    EXPECT_TRUE(UnsharpMask(test.image, 300, std::numeric_limits<float>::quiet_NaN(), 0, &progress));
    EXPECT_EQ(test.samples, original);
    EXPECT_EQ(progress.ticks, 0);

    for (uint32_t width : {1u, 2u, 9u, 40u}) {
        TestImage flat(width, 11, 3, 517);
        EXPECT_TRUE(UnsharpMask(flat.image, 500, 5.0f, 0, nullptr));
        EXPECT_EQ(flat.samples, std::vector<uint16_t>(flat.samples.size(), 517)) << width;
    }
}

TEST(UnsharpMask, ExtremeParametersStayInRange) {
    // A 0/1023 checker under the widest kernel, the largest amount and beyond.
    for (int32_t amount : {500, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
        for (uint32_t width : {1u, 3u, 7u}) {
            TestImage test(width, 5, 3);
            for (size_t i = 0; i < test.samples.size(); ++i) test.samples[i] = (i / 3) % 2 ? 1023 : 0;
            EXPECT_TRUE(UnsharpMask(test.image, amount, 250.0f, 0, nullptr));
            bool low = false, high = false;
            for (uint16_t sample : test.samples) {
                ASSERT_LE(sample, 1023);
                low = low || sample == 0;
                high = high || sample == 1023;
            }
            EXPECT_TRUE(low && high) << amount << " " << width;
        }
    }
    // Radii past the widest kernel behave like it.
    TestImage a(9, 4, 1), b(9, 4, 1);
    a.Randomise(3);
    b.Set(a.samples);
    EXPECT_TRUE(UnsharpMask(a.image, 200, 250.0f, 2, nullptr));
    EXPECT_TRUE(UnsharpMask(b.image, 200, std::numeric_limits<float>::infinity(), 2, nullptr));
    EXPECT_EQ(a.samples, b.samples);
}

TEST(UnsharpMask, GreyImageSharpensLikeEachColourChannel) {
    TestImage grey(31, 19, 1);
    grey.Randomise(4);
    TestImage colour(31, 19, 3);
    for (size_t i = 0; i < grey.samples.size(); ++i)
        for (size_t c = 0; c < 3; ++c) colour.samples[i * 3 + c] = grey.samples[i];
    EXPECT_TRUE(UnsharpMask(grey.image, 180, 1.7f, 3, nullptr));
    EXPECT_TRUE(UnsharpMask(colour.image, 180, 1.7f, 3, nullptr));
    for (size_t i = 0; i < grey.samples.size(); ++i)
        for (size_t c = 0; c < 3; ++c) ASSERT_EQ(colour.samples[i * 3 + c], grey.samples[i]) << i;
}

// Blur against rows then columns done one line at a time with ConvolveLine; widths
// that are not a multiple of the column strip and thin images included.
TEST(GaussianBlur, IsRowsThenColumns) {
    GaussianKernel kernel;
    ASSERT_TRUE(BuildGaussianKernel(kernel, 1.1f));
    for (auto [width, height, channels] : {std::tuple{37u, 23u, 3}, {150u, 30u, 3}, {1u, 9u, 3}, {12u, 1u, 1}, {1u, 1u, 1}, {400u, 12u, 1}}) {
        TestImage test(width, height, static_cast<uint16_t>(channels));
        test.Randomise(width * 100 + height);
        std::vector<uint16_t> blurred(test.samples.size(), 0xFFFF);
        ASSERT_EQ(GaussianBlur(blurred.data(), test.image, 1.1f, nullptr), blur::kBlurred);

        const size_t rowSamples = size_t{width} * channels;
        std::vector<uint16_t> rows(test.samples.size());
        for (size_t y = 0; y < height; ++y)
            ConvolveLine(rows.data() + y * rowSamples, test.samples.data() + y * rowSamples, width, kernel, channels);
        for (size_t x = 0; x < width; ++x) {
            std::vector<uint16_t> column(size_t{height} * channels), out(column.size());
            for (size_t y = 0; y < height; ++y)
                for (int c = 0; c < channels; ++c) column[y * channels + c] = rows[y * rowSamples + x * channels + c];
            ConvolveLine(out.data(), column.data(), height, kernel, channels);
            for (size_t y = 0; y < height; ++y)
                for (int c = 0; c < channels; ++c)
                    ASSERT_EQ(blurred[y * rowSamples + x * channels + c], out[y * channels + c])
                        << width << "x" << height << " at " << x << "," << y;
        }
    }
}

TEST(GaussianBlur, ResultsAndTickRhythm) {
    TestImage test(30, 45, 3);
    test.Randomise(5);
    std::vector<uint16_t> blurred(test.samples.size(), 0xFFFF);
    EXPECT_EQ(GaussianBlur(blurred.data(), test.image, std::numeric_limits<float>::quiet_NaN(), nullptr),
              blur::kNotNeeded);
    EXPECT_EQ(blurred, std::vector<uint16_t>(blurred.size(), 0xFFFF));

    // Rows 4, 24, 44 of 45 and columns 9, 29 of 30 have a multiple of 20 after them.
    test::RecordingProgress progress;
    EXPECT_EQ(GaussianBlur(blurred.data(), test.image, 1.1f, &progress), blur::kBlurred);
    EXPECT_EQ(progress.ticks, 5);
    // The sharpening pass adds one tick per 20 rows the same way.
    test::RecordingProgress sharpening;
    EXPECT_TRUE(UnsharpMask(test.image, 100, 1.1f, 0, &sharpening));
    EXPECT_EQ(sharpening.ticks, 8);

    TestImage odd(3, 3, 2);
    EXPECT_EQ(GaussianBlur(blurred.data(), odd.image, 1.1f, nullptr), blur::kFailed);
}

TEST(UnsharpMask, CancellationAndMemoryFailure) {
    TestImage test(30, 45, 3);
    test.Randomise(6);
    const std::vector<uint16_t> original = test.samples;
    // Cancelled in either blur pass: untouched.
    for (int cancelAt : {1, 3, 4, 5}) {
        test::RecordingProgress progress(cancelAt);
        EXPECT_FALSE(UnsharpMask(test.image, 100, 1.1f, 0, &progress));
        EXPECT_EQ(progress.ticks, cancelAt);
        EXPECT_EQ(test.samples, original);
    }
    // Cancelled at the final pass's second tick (before row 24): rows 0..23 sharpened.
    TestImage reference(30, 45, 3);
    reference.Set(original);
    ASSERT_TRUE(UnsharpMask(reference.image, 100, 1.1f, 0, nullptr));
    test::RecordingProgress late(7);
    EXPECT_FALSE(UnsharpMask(test.image, 100, 1.1f, 0, &late));
    const size_t split = 24 * 30 * 3;
    EXPECT_TRUE(std::equal(test.samples.begin(), test.samples.begin() + split, reference.samples.begin()));
    EXPECT_TRUE(std::equal(test.samples.begin() + split, test.samples.end(), original.begin() + split));

    // No memory for the blurred copy: false, unchanged.
    test.Set(original);
    SharpenBuffers starved([](size_t) -> void* { return nullptr; }, [](void*) {});
    EXPECT_FALSE(UnsharpMask(test.image, 100, 1.1f, 0, nullptr, starved));
    EXPECT_EQ(test.samples, original);
}

int allocations = 0;

TEST(UnsharpMask, ReusedBuffersAllocateOnceAndAgree) {
    allocations = 0;
    SharpenBuffers buffers(
        [](size_t bytes) -> void* {
            ++allocations;
            return std::malloc(bytes);
        },
        [](void* block) { std::free(block); });
    TestImage first(50, 21, 3), second(50, 21, 3), fresh(50, 21, 3);
    first.Randomise(8);
    second.Randomise(9);
    fresh.Set(second.samples);
    EXPECT_TRUE(UnsharpMask(first.image, 120, 2.0f, 1, nullptr, buffers));
    const int afterFirst = allocations;
    EXPECT_EQ(afterFirst, 2);  // blurred copy and column strips
    EXPECT_TRUE(UnsharpMask(second.image, 120, 2.0f, 1, nullptr, buffers));
    EXPECT_EQ(allocations, afterFirst);
    EXPECT_TRUE(UnsharpMask(fresh.image, 120, 2.0f, 1, nullptr));
    EXPECT_EQ(second.samples, fresh.samples);
}

}  // namespace
}  // namespace kyp
