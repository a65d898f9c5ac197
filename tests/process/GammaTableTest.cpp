#include "engine/process/GammaTable.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>

namespace kyp {
namespace {

using Table = std::array<uint16_t, kToneTableSize>;

Table Gamma(float exponent) {
    Table t{};
    BuildGammaTable(t, exponent);
    return t;
}

TEST(GammaTable, DefaultExponentHasTheLinearToe) {
    const Table t = Gamma(kDefaultGammaExponent);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[1], 4);
    EXPECT_EQ(t[2], 9);
    EXPECT_EQ(t[18], 81);   // last entry below x = 0.018
    EXPECT_EQ(t[19], 86);   // first on the power curve
    EXPECT_EQ(t[512], 722);
    EXPECT_EQ(t[1023], 1023);
    for (uint32_t i = 1; i < kToneTableSize; ++i) ASSERT_LE(t[i - 1], t[i]);

    // Smaller exponents keep the toe; from just above 0.451 it is gone.
    EXPECT_EQ(Gamma(0.3f)[1], 4);
    EXPECT_EQ(Gamma(0.46f)[1], 0);
    EXPECT_EQ(Gamma(0.46f)[19], 78);
}

TEST(GammaTable, LinearExponentClampsTheNegativeStart) {
    const Table t = Gamma(1.0f);
    for (uint32_t i = 0; i <= 92; ++i) ASSERT_EQ(t[i], 0) << i;
    EXPECT_EQ(t[93], 1);
    EXPECT_EQ(t[1023], 1022);
}

TEST(GammaTable, ExponentsFromBadGammaValuesStayInRange) {
    const float odd[] = {0.0f, -0.5f, 1e30f, std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
    for (float e : odd) {
        const Table t = Gamma(e);
        for (uint32_t i = 0; i < kToneTableSize; ++i) ASSERT_LE(t[i], 1023) << e;
    }
    EXPECT_EQ(Gamma(0.0f)[1023], 1023);
    EXPECT_EQ(Gamma(-0.5f)[100], 1023);
    EXPECT_EQ(Gamma(std::numeric_limits<float>::quiet_NaN())[512], 0);
}

TEST(GammaTable, EightBitTableFollowsTheSameCurve) {
    std::array<uint8_t, 256> t{};
    BuildGammaTable8(t, kDefaultGammaExponent);
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[1], 4);
    EXPECT_EQ(t[4], 18);
    EXPECT_EQ(t[5], 22);
    EXPECT_EQ(t[128], 180);
    EXPECT_EQ(t[255], 255);

    BuildGammaTable8(t, 1.0f);
    EXPECT_EQ(t[23], 0);   // 1.099 * 23/256 < 0.099
    EXPECT_EQ(t[255], 254);
}

}  // namespace
}  // namespace kyp
