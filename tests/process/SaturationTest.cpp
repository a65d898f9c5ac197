#include "engine/process/Saturation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "ToneTestSupport.h"

namespace kyp {
namespace {

TEST(Saturation, MatrixRowsMatchTheWeightsTruncated) {
    EXPECT_EQ(BuildSaturationMatrix(1.0f), (SaturationMatrix{4096, 0, 0, 0, 4096, 0, 0, 0, 4096}));
    EXPECT_EQ(BuildSaturationMatrix(0.0f), (SaturationMatrix{870, 2929, 295, 870, 2929, 295, 870, 2929, 295}));
    // Negative weights truncate toward zero, not down.
    EXPECT_EQ(BuildSaturationMatrix(1.2f),
              (SaturationMatrix{4741, -585, -59, -174, 4329, -59, -174, -585, 4856}));
}

TEST(Saturation, OneIsIdentityAndZeroIsGrey) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 11, 3, 3);
    test::FillPattern(s);
    const std::vector<uint16_t> before = s;
    ApplySaturation(image, 1.0f);
    EXPECT_EQ(s, before);

    ApplySaturation(image, 0.0f);
    for (size_t i = 0; i < s.size(); i += 3) {
        ASSERT_EQ(s[i], s[i + 1]);
        ASSERT_EQ(s[i], s[i + 2]);
    }
    // (870 + 2929 + 295) * 1023 >> 12 = 1022: the truncated weights lose a little.
    s.assign(s.size(), 1023);
    ApplySaturation(image, 0.0f);
    EXPECT_EQ(s[0], 1022);
}

TEST(Saturation, ClampsAndSurvivesTheLargestAcceptedFactor) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 2, 1, 3);
    s = {1000, 100, 100, 1000, 1000, 1000};
    ApplySaturation(image, 1.2f);
    // (4741*1000 - 585*100 - 59*100) >> 12 = 1141 -> 1023; green (-174000 + 432900 - 5900) >> 12 = 61.
    EXPECT_EQ(s[0], 1023);
    EXPECT_EQ(s[1], 61);
    EXPECT_EQ(s[2], 61);

    // At 1000 the row sums pass 2^31; a grey pixel must stay (nearly) grey.
    s = {1000, 1000, 1000, 600, 500, 500};
    ApplySaturation(image, 1000.0f);
    for (int c = 0; c < 3; ++c) EXPECT_LE(std::abs(s[c] - 1000), 2) << c;
    EXPECT_EQ(s[3], 1023);
    EXPECT_EQ(s[4], 0);

    // Nonsense factors never reach undefined conversions.
    s = {300, 200, 100, 0, 0, 0};
    ApplySaturation(image, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(s, (std::vector<uint16_t>{300, 200, 100, 0, 0, 0}));
    ApplySaturation(image, std::numeric_limits<float>::infinity());
    EXPECT_EQ(s[0], 1023);
    EXPECT_EQ(s[2], 0);
}

TEST(Saturation, GreyImageUnchanged) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 3, 1, 1);
    s = {100, 200, 300};
    ApplySaturation(image, 0.0f);
    EXPECT_EQ(s, (std::vector<uint16_t>{100, 200, 300}));
}

}  // namespace
}  // namespace kyp
