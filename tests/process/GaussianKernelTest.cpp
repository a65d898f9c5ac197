#include "engine/process/GaussianKernel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace kyp {
namespace {

std::vector<int32_t> Weights(float radius) {
    GaussianKernel kernel;
    EXPECT_TRUE(BuildGaussianKernel(kernel, radius));
    return kernel.weights;
}

std::vector<uint16_t> Convolve(const std::vector<uint16_t>& in, std::vector<int32_t> weights, int channels) {
    GaussianKernel kernel{std::move(weights)};
    std::vector<uint16_t> out(in.size(), 0xFFFF);
    const int perPixel = channels == 3 ? 3 : 1;
    ConvolveLine(out.data(), in.data(), static_cast<uint32_t>(in.size() / perPixel), kernel, channels);
    return out;
}

TEST(GaussianKernel, MatchesKnownKernels) {
    EXPECT_EQ(Weights(0.1001f), (std::vector<int32_t>{77, 289, 292, 289, 77}));
    EXPECT_EQ(Weights(1.1f), (std::vector<int32_t>{27, 76, 132, 185, 185, 185, 132, 76, 27}));
    EXPECT_EQ(Weights(1.0f).size(), 9u);
    EXPECT_EQ(Weights(5.0f).size(), 25u);
    // Only the magnitude of the radius counts.
    EXPECT_EQ(Weights(-1.1f), Weights(1.1f));
}

TEST(GaussianKernel, ExtremeRadiiStayBounded) {
    const std::vector<int32_t> widest = Weights(kMaxGaussianRadius);
    ASSERT_EQ(widest.size(), 1005u);
    EXPECT_GT(widest[502], 0);  // the centre never rounds away
    EXPECT_EQ(Weights(1e30f), widest);
    EXPECT_EQ(Weights(std::numeric_limits<float>::infinity()), widest);
    EXPECT_EQ(Weights(std::numeric_limits<float>::quiet_NaN()), (std::vector<int32_t>{1024}));
}

TEST(ConvolveLine, RenormalisesAtTheEnds) {
    // Kernel 1 2 1: the ends see only 2 + 1 of the weight.
    EXPECT_EQ(Convolve({10, 20, 40, 80}, {1, 2, 1}, 1), (std::vector<uint16_t>{13, 22, 45, 66}));
    // Longer than the line: a 2-pixel line under the 9-tap kernel uses taps 0 and +-1.
    const std::vector<int32_t> wide = Weights(1.1f);
    EXPECT_EQ(Convolve({100, 200}, wide, 1), (std::vector<uint16_t>{150, 150}));
    EXPECT_EQ(Convolve({777}, wide, 1), (std::vector<uint16_t>{777}));
    // Interleaved channels are convolved separately.
    EXPECT_EQ(Convolve({10, 0, 1000, 20, 0, 1000, 40, 0, 1000, 80, 3, 1000}, {1, 2, 1}, 3),
              (std::vector<uint16_t>{13, 0, 1000, 22, 0, 1000, 45, 0, 1000, 66, 2, 1000}));
    // A uniform line stays uniform whatever the length.
    for (size_t length : {1u, 3u, 8u, 9u, 40u}) {
        const std::vector<uint16_t> flat(length, 613);
        EXPECT_EQ(Convolve(flat, wide, 1), flat) << length;
    }
}

TEST(ConvolveLine, ClampsAndSurvivesOddKernels) {
    // Negative side taps overshoot: the ends go below 0, the middle above 1023.
    EXPECT_EQ(Convolve({0, 600, 0}, {-1, 3, -1}, 1), (std::vector<uint16_t>{0, 1023, 0}));
    // Covered weights adding up to 0 keep the input sample (middle pixels).
    EXPECT_EQ(Convolve({5, 6, 7}, {1, -2, 1}, 1), (std::vector<uint16_t>{4, 6, 8}));
    // An empty kernel copies.
    EXPECT_EQ(Convolve({1, 2, 3}, {}, 1), (std::vector<uint16_t>{1, 2, 3}));
    // Samples above the range come out clamped.
    EXPECT_EQ(Convolve({4000, 4000, 4000}, {1, 2, 1}, 1), (std::vector<uint16_t>{1023, 1023, 1023}));
}

// The interior is computed tap-major with a reciprocal multiply; it must agree with
// the plain formula, including divisors that are not powers of two and sums near 2^31.
TEST(ConvolveLine, InteriorAgreesWithPlainFormula) {
    std::mt19937 random(7);
    for (const std::vector<int32_t>& weights :
         {Weights(1.1f), Weights(3.7f), std::vector<int32_t>{8191, 16385, 8191}, std::vector<int32_t>{3, 1, 3}}) {
        const int half = static_cast<int>(weights.size() / 2);
        for (int channels : {1, 3}) {
            std::vector<uint16_t> in(static_cast<size_t>(97 * channels));
            for (uint16_t& sample : in) sample = static_cast<uint16_t>(random() % 65536);
            const std::vector<uint16_t> out = Convolve(in, weights, channels);
            const int pixels = 97;
            for (int i = 0; i < pixels; ++i)
                for (int c = 0; c < channels; ++c) {
                    int64_t sum = 0, weightSum = 0;
                    for (int j = -half; j <= half; ++j) {
                        if (i + j < 0 || i + j >= pixels) continue;
                        sum += int64_t{weights[static_cast<size_t>(j + half)]} * in[static_cast<size_t>((i + j) * channels + c)];
                        weightSum += weights[static_cast<size_t>(j + half)];
                    }
                    const int64_t expected = std::min<int64_t>(sum / weightSum, 1023);
                    ASSERT_EQ(out[static_cast<size_t>(i * channels + c)], expected)
                        << "taps " << weights.size() << " channels " << channels << " pixel " << i;
                }
        }
    }
}

}  // namespace
}  // namespace kyp
