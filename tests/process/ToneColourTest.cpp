// Edges of the tone and colour operations; their usual work shows in the
// output digests.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "engine/process/ColourBalance.h"
#include "engine/process/ColourMatrix.h"
#include "engine/process/Curves.h"
#include "engine/process/GammaTable.h"
#include "engine/process/Grayscale.h"
#include "engine/process/Saturation.h"
#include "engine/settings/ImportSettings.h"
#include "process/ProcessTestSupport.h"

namespace kyp {

using Samples = std::vector<uint16_t>;
using Table = std::array<uint16_t, kToneTableSize>;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Sums past 16 bits clamp, 255/256 and 257/256 of 1 truncate to 0 and 1, and
// a grey image is refused.
TEST(ColourMatrix, TruncatesClampsAndRefusesGrey) {
    Samples s = {1000, 1000, 1000, 1, 0, 0};
    ProcessedImage image{2, 1, 3, 16, 12, s.data()};
    const int16_t hot[9] = {300, 0, 0, 257, -32768, 0, 255, 32767, -32768};
    ASSERT_TRUE(ApplyColourMatrix(image, hot));
    EXPECT_EQ(s, (Samples{1023, 0, 992, 1, 1, 0}));
    image.channels = 1;
    EXPECT_FALSE(ApplyColourMatrix(image, hot));
    EXPECT_EQ(s[0], 1023);
}

TEST(Curves, ChannelCurvesComeBeforeTheMasterAndGreyUsesOnlyTheMaster) {
    Table half{}, rev{};
    for (uint16_t i = 0; i < kToneTableSize; ++i) { half[i] = i / 2; rev[i] = kToneTableMax - i; }
    const uint16_t* curves[4] = {rev.data(), half.data(), nullptr, nullptr};
    Samples s = {100, 100, 100};
    ProcessedImage image{1, 1, 3, 16, 6, s.data()};
    ApplyCurves(image, curves);
    EXPECT_EQ(s, (Samples{973, 923, 923}));  // master first would give red 461
    image.channels = 1;
    const uint16_t* channelsOnly[4] = {nullptr, half.data(), half.data(), half.data()};
    ApplyCurves(image, channelsOnly);
    EXPECT_EQ(s[0], 973);
    ApplyCurves(image, curves);
    EXPECT_EQ(s[0], 50);
}

TEST(ColourBalance, MovesChannelMeansToTheLuminanceMean) {
    Table r{}, g{}, b{};
    BuildColourBalanceTable(r, 500, 250);
    EXPECT_EQ(Samples({r[3], r[511], r[512]}), Samples({6, 1022, 1023}));
    BuildColourBalanceTable(r, 65535, 1);  // 1023 * 65535 must not wrap
    EXPECT_EQ(r[1023], 1023);
    auto record = std::make_unique<HistogramRecord>();
    Samples s = {0, 600, 300, 0, 400, 100};  // luminance 450 and 293: mean 371; green mean 500
    ProcessedImage image{2, 1, 3, 16, 12, s.data()};
    ASSERT_TRUE(ApplyColourBalance(image, *record, r, g, b, nullptr));
    EXPECT_EQ(s, (Samples{0, 445, 300 * 371 / 200, 0, 296, 100 * 371 / 200}));  // red mean 0: identity
    for (uint32_t i = 0; i < kToneTableSize; ++i) ASSERT_EQ(r[i], i);

    image = test::MakeImage(s, 16, 1, 3);  // one block, one tick: in the histogram
    const Samples before = s;
    test::Recorder cancel(1);
    EXPECT_FALSE(ApplyColourBalance(image, *record, r, g, b, &cancel));
    EXPECT_EQ(s, before);
}

TEST(Saturation, ExtremeFactorsAndGrey) {
    Samples s = {1000, 1000, 1000, 1000, 1000, 1000, 600, 500, 500};
    ProcessedImage image{3, 1, 3, 16, 18, s.data()};
    ApplySaturation(image, 1000.0f);  // row sums pass 2^31: grey must stay (nearly) grey
    EXPECT_LE(std::abs(s[0] - 1000) + std::abs(s[1] - 1000) + std::abs(s[2] - 1000), 6)
        << s[0] << ' ' << s[1] << ' ' << s[2];
    EXPECT_EQ(Samples(s.begin() + 6, s.end()), (Samples{1023, 0, 0}));
    s = {300, 200, 100, 0, 0, 0, 0, 0, 0};
    ApplySaturation(image, kNaN);
    EXPECT_EQ(Samples(s.begin(), s.begin() + 3), (Samples{300, 200, 100}));  // a NaN factor changes nothing
    ApplySaturation(image, kInf);
    EXPECT_EQ(Samples(s.begin(), s.begin() + 3), (Samples{1023, 0, 0}));
    image.channels = 1;  // grey images stay as they are
    ApplySaturation(image, 0.0f);
    EXPECT_EQ(s[0], 1023);
}

TEST(Grayscale, PacksLuminanceAtTheStartAndBecomesOneChannel) {
    Samples s = {100, 200, 300, 1023, 1023, 1023, 0, 0, 1023};
    ProcessedImage image{3, 1, 3, 16, 18, s.data()};
    ConvertToGrayscale(image);
    EXPECT_EQ(image.channels, 1);
    EXPECT_EQ(image.byteSize, 6);
}

static Table Gamma(float exponent) {
    Table t{};
    BuildGammaTable(t, exponent);
    return t;
}

TEST(GammaTable, LinearToeOnlyUpToTheStandardExponent) {
    EXPECT_EQ(Gamma(0.3f)[1], 4);
    EXPECT_EQ(Gamma(0.46f)[1], 0);
    EXPECT_EQ(Gamma(0.46f)[19], 78);
    const Table linear = Gamma(1.0f);
    EXPECT_EQ(Samples({linear[92], linear[93], linear[1023]}), Samples({0, 1, 1022}));
    for (float e : {0.0f, -0.5f, 1e30f, kInf, -kInf, kNaN}) {  // exponents of gamma values let through
        const Table odd = Gamma(e);
        EXPECT_LE(*std::max_element(odd.begin(), odd.end()), 1023) << e;
    }
    std::array<uint8_t, 256> t8{};
    BuildGammaTable8(t8, kDefaultGammaExponent);
    EXPECT_EQ(Samples({t8[1], t8[4], t8[5], t8[128], t8[255]}), Samples({4, 18, 22, 180, 255}));
    BuildGammaTable8(t8, 1.0f);
    EXPECT_EQ(Samples({t8[23], t8[24], t8[255]}), Samples({0, 1, 254}));
}

}  // namespace kyp
