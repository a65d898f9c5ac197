#include <gtest/gtest.h>

#include <vector>

#include "ToneTestSupport.h"
#include <cstring>

#include "engine/process/ColourMatrix.h"
#include "engine/process/GammaTable.h"
#include "engine/process/Histogram.h"
#include "engine/process/KernelTargets.h"
#include "engine/process/Saturation.h"
#include "engine/process/TableApply.h"

namespace kyp {
namespace {

// An RGB image of the given size with pseudo-random samples, some of them
// beyond the 10-bit range.
ProcessedImage Image(std::vector<uint16_t>& samples, uint32_t width, uint32_t height, uint32_t seed) {
    ProcessedImage image = test::MakeImage(samples, width, height, 3, seed);
    for (size_t i = 0; i < samples.size(); i += 97) samples[i] = static_cast<uint16_t>(1024 + i % 64000);
    if (!samples.empty()) samples.back() = 65535;
    return image;
}

}  // namespace

// The one-pass saturation and table against the two steps in turn: odd sizes
// (a remainder after the last block of 16, fewer pixels than a block), usual
// and extreme saturations (the 64-bit path), on every instruction set; the
// same ticks, and after a cancel the same image.
TEST(FusedPasses, SaturationThenTableEqualsTheTwoSteps) {
    uint16_t gamma[kToneTableSize];
    BuildGammaTable(gamma, 0.45f);
    struct Case {
        uint32_t width, height;
        float saturation;
    };
    const Case cases[] = {{1601, 17, 1.2f}, {37, 3, 0.0f}, {5, 3, 1.0f}, {333, 101, 1000.0f}, {129, 64, -3.5f}};
    for (KernelTarget target : {KernelTarget::baseline, KernelTarget::avx2, KernelTarget::avx512}) {
        (void)SetKernelTargetLimit(target);
        for (const Case& c : cases) {
            std::vector<uint16_t> a, b;
            ProcessedImage one = Image(a, c.width, c.height, c.width);
            ProcessedImage two = Image(b, c.width, c.height, c.width);
            test::CountingProgress stepsTicks, fusedTicks;
            ApplySaturation(one, c.saturation);
            ASSERT_TRUE(ApplyTable(one, gamma, &stepsTicks));
            ASSERT_TRUE(ApplySaturationAndTable(two, c.saturation, gamma, &fusedTicks));
            EXPECT_EQ(a, b) << c.width << 'x' << c.height << ' ' << c.saturation << ' ' << static_cast<int>(target);
            EXPECT_EQ(fusedTicks.ticks, stepsTicks.ticks);
        }
    }
    (void)SetKernelTargetLimit(KernelTarget::avx512);

    // 1601 x 17 pixels are 1701 blocks: ticks before blocks 100, 900 and 1700.
    for (int cancelAt : {1, 2, 3}) {
        std::vector<uint16_t> a, b;
        ProcessedImage one = Image(a, 1601, 17, 9);
        ProcessedImage two = Image(b, 1601, 17, 9);
        test::CountingProgress steps(cancelAt), fused(cancelAt);
        ApplySaturation(one, 1.3f);
        EXPECT_FALSE(ApplyTable(one, gamma, &steps));
        EXPECT_FALSE(ApplySaturationAndTable(two, 1.3f, gamma, &fused));
        EXPECT_EQ(a, b) << cancelAt;
        EXPECT_EQ(fused.ticks, steps.ticks);
    }

    // A grey image is not saturated; the table still applies.
    std::vector<uint16_t> a, b;
    ProcessedImage one = test::MakeImage(a, 40, 3, 1);
    ProcessedImage two = test::MakeImage(b, 40, 3, 1);
    ASSERT_TRUE(ApplyTable(one, gamma, nullptr));
    ASSERT_TRUE(ApplySaturationAndTable(two, 2.0f, gamma, nullptr));
    EXPECT_EQ(a, b);
}

// The one-pass matrix and histogram against the two steps in turn: the same
// image, the same record (bins and statistics) and ticks, on odd sizes, with
// stray samples and a matrix with negative and large coefficients; after a
// cancel the same image and the same partial bins.
TEST(FusedPasses, MatrixThenHistogramEqualsTheTwoSteps) {
    const int16_t matrix[9] = {420, -120, -44, -70, 380, -54, 12, -160, 404};
    const int16_t extreme[9] = {32767, -32768, 0, -1, 256, 1, 0, 0, 32767};
    struct Case {
        uint32_t width, height;
        const int16_t* m;
    };
    const Case cases[] = {{1601, 17, matrix}, {37, 3, matrix}, {5, 3, extreme}, {333, 101, extreme}};
    for (KernelTarget target : {KernelTarget::baseline, KernelTarget::avx2, KernelTarget::avx512}) {
        (void)SetKernelTargetLimit(target);
        for (const Case& c : cases) {
            const std::span<const int16_t, 9> m(c.m, 9);
            std::vector<uint16_t> a, b;
            ProcessedImage one = Image(a, c.width, c.height, c.height);
            ProcessedImage two = Image(b, c.width, c.height, c.height);
            HistogramRecord steps{}, fused{};
            test::CountingProgress stepsTicks, fusedTicks;
            ASSERT_TRUE(ApplyColourMatrix(one, m));
            ASSERT_TRUE(ComputeHistogram(one, &steps, &stepsTicks));
            ASSERT_TRUE(ApplyColourMatrixAndComputeHistogram(two, m, &fused, &fusedTicks));
            EXPECT_EQ(a, b) << c.width << 'x' << c.height << ' ' << static_cast<int>(target);
            EXPECT_EQ(std::memcmp(&steps, &fused, sizeof steps), 0) << c.width << 'x' << c.height;
            EXPECT_EQ(fusedTicks.ticks, stepsTicks.ticks);
        }
    }
    (void)SetKernelTargetLimit(KernelTarget::avx512);

    const std::span<const int16_t, 9> m(matrix, 9);
    for (int cancelAt : {1, 2, 3}) {  // ticks before blocks 100, 900 and 1700 of 1701
        std::vector<uint16_t> a, b;
        ProcessedImage one = Image(a, 1601, 17, 5);
        ProcessedImage two = Image(b, 1601, 17, 5);
        HistogramRecord steps{}, fused{};
        test::CountingProgress stepsTicks(cancelAt), fusedTicks(cancelAt);
        ASSERT_TRUE(ApplyColourMatrix(one, m));
        EXPECT_FALSE(ComputeHistogram(one, &steps, &stepsTicks));
        EXPECT_FALSE(ApplyColourMatrixAndComputeHistogram(two, m, &fused, &fusedTicks));
        EXPECT_EQ(a, b) << cancelAt;
        EXPECT_EQ(std::memcmp(steps.blocks, fused.blocks, sizeof steps.blocks), 0) << cancelAt;
        EXPECT_EQ(fusedTicks.ticks, stepsTicks.ticks);
    }

    // Without a record the matrix is still applied, and the count fails.
    std::vector<uint16_t> a, b;
    ProcessedImage one = Image(a, 20, 2, 3);
    ProcessedImage two = Image(b, 20, 2, 3);
    ASSERT_TRUE(ApplyColourMatrix(one, m));
    EXPECT_FALSE(ApplyColourMatrixAndComputeHistogram(two, m, nullptr, nullptr));
    EXPECT_EQ(a, b);
}

// The luminance-only count against the full one: the luminance block, the
// total and the ticks agree, the colour blocks stay empty; with and without
// the matrix in the same pass, completed and cancelled.
TEST(FusedPasses, LuminanceOnlyCountEqualsTheLuminanceOfTheFullCount) {
    const int16_t matrix[9] = {420, -120, -44, -70, 380, -54, 12, -160, 404};
    const std::span<const int16_t, 9> m(matrix, 9);
    HistogramRecord empty{};
    for (int i = 1; i < 4; ++i) ComputeHistogramStatistics(empty, i);
    for (int cancelAt : {0, 1, 3}) {
        for (bool withMatrix : {false, true}) {
            std::vector<uint16_t> a, b;
            ProcessedImage one = Image(a, 1601, 17, 11);
            ProcessedImage two = Image(b, 1601, 17, 11);
            HistogramRecord full{}, luminance{};
            test::CountingProgress fullTicks(cancelAt), luminanceTicks(cancelAt);
            bool fullDone, luminanceDone;
            if (withMatrix) {
                fullDone = ApplyColourMatrixAndComputeHistogram(one, m, &full, &fullTicks);
                luminanceDone = ApplyColourMatrixAndComputeHistogram(two, m, &luminance, &luminanceTicks, true);
            } else {
                fullDone = ComputeHistogram(one, &full, &fullTicks);
                luminanceDone = ComputeLuminanceHistogram(two, &luminance, &luminanceTicks);
            }
            EXPECT_EQ(fullDone, cancelAt == 0);
            EXPECT_EQ(luminanceDone, fullDone);
            EXPECT_EQ(luminanceTicks.ticks, fullTicks.ticks);
            EXPECT_EQ(a, b);
            EXPECT_EQ(luminance.total, full.total);
            EXPECT_EQ(std::memcmp(&luminance.blocks[0], &full.blocks[0], sizeof full.blocks[0]), 0)
                << cancelAt << ' ' << withMatrix;
            for (int i = 1; i < 4; ++i) {
                const HistogramBlock& expected = cancelAt == 0 ? empty.blocks[i] : HistogramBlock{};
                EXPECT_EQ(std::memcmp(&luminance.blocks[i], &expected, sizeof expected), 0) << i;
            }
        }
    }
}

}  // namespace kyp
