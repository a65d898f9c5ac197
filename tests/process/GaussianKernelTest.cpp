#include "engine/process/GaussianKernel.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace kyp {
namespace {

using Samples = std::vector<uint16_t>;

std::vector<int32_t> Weights(float radius) {
    GaussianKernel kernel;
    EXPECT_TRUE(BuildGaussianKernel(kernel, radius));
    return kernel.weights;
}

Samples Convolve(const Samples& in, std::vector<int32_t> weights, int channels = 1) {
    Samples out(in.size(), 0xFFFF);
    const GaussianKernel kernel{std::move(weights)};
    ConvolveLine(out.data(), in.data(), static_cast<uint32_t>(in.size() / channels), kernel, channels);
    return out;
}

// The usual radii show in the output digests.
TEST(GaussianKernel, ExtremeRadii) {
    EXPECT_EQ(Weights(-1.1f), Weights(1.1f));
    const std::vector<int32_t> widest = Weights(kMaxGaussianRadius);
    ASSERT_EQ(widest.size(), 1005u);
    EXPECT_GT(widest[502], 0);  // the centre never rounds away
    EXPECT_EQ(Weights(1e30f), widest);
    EXPECT_EQ(Weights(std::numeric_limits<float>::quiet_NaN()), (std::vector<int32_t>{1024}));
}

TEST(ConvolveLine, RenormalisesAtTheEndsAndClamps) {
    // (Renormalised ends and channels: InteriorAgreesWithPlainFormula.)
    // Lines shorter than the 9-tap kernel: only the taps inside count.
    const std::vector<int32_t> wide = Weights(1.1f);
    EXPECT_EQ(Convolve({100, 200}, wide), (Samples{150, 150}));
    EXPECT_EQ(Convolve({777}, wide), (Samples{777}));
    for (size_t length : {3u, 8u, 9u, 40u}) EXPECT_EQ(Convolve(Samples(length, 613), wide), Samples(length, 613));
    // Overshoot clamps at both ends; covered weights adding up to 0 keep the sample.
    EXPECT_EQ(Convolve({0, 600, 0}, {-1, 3, -1}), (Samples{0, 1023, 0}));
    EXPECT_EQ(Convolve({4000, 4000, 4000}, {1, 2, 1}), (Samples{1023, 1023, 1023}));
    EXPECT_EQ(Convolve({5, 6, 7}, {1, -2, 1}), (Samples{4, 6, 8}));
    EXPECT_EQ(Convolve({1, 2, 3}, {}), (Samples{1, 2, 3}));
}

// The interior runs tap-major with a reciprocal multiply; it must agree with the
// plain formula, with divisors that are not powers of two and sums near 2^31.
TEST(ConvolveLine, InteriorAgreesWithPlainFormula) {
    std::mt19937 random(7);
    for (const std::vector<int32_t>& weights : {Weights(1.1f), Weights(3.7f), {8191, 16385, 8191}, {3, 1, 3}}) {
        const int half = static_cast<int>(weights.size() / 2);
        for (int channels : {1, 3}) {
            const int pixels = 97;
            Samples in(static_cast<size_t>(pixels * channels));
            for (uint16_t& sample : in) sample = static_cast<uint16_t>(random());
            const Samples out = Convolve(in, weights, channels);
            for (int i = 0; i < pixels * channels; ++i) {
                int64_t sum = 0, weightSum = 0;
                for (int j = std::max(-half, -i / channels); j <= std::min(half, pixels - 1 - i / channels); ++j) {
                    const int64_t weight = weights[static_cast<size_t>(j + half)];
                    sum += weight * in[static_cast<size_t>(i + j * channels)];
                    weightSum += weight;
                }
                ASSERT_EQ(out[static_cast<size_t>(i)], std::min<int64_t>(sum / weightSum, 1023))
                    << "taps " << weights.size() << " channels " << channels << " sample " << i;
            }
        }
    }
}

}  // namespace
}  // namespace kyp
