#include "engine/process/Grayscale.h"

#include <gtest/gtest.h>

#include <vector>

#include "ToneTestSupport.h"

namespace kyp {
namespace {

TEST(Grayscale, PacksLuminanceAtTheStartAndBecomesOneChannel) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 3, 1, 3);
    s = {100, 200, 300, 1023, 1023, 1023, 0, 0, 1023};
    ConvertToGrayscale(image);
    EXPECT_EQ(image.channels, 1);
    EXPECT_EQ(image.byteSize, 6);
    EXPECT_EQ(image.samples, s.data());  // same block
    EXPECT_EQ(s[0], 185);
    EXPECT_EQ(s[1], 1023);
    EXPECT_EQ(s[2], 73);  // 4732 * 1023 >> 16

    // Already grey: nothing changes.
    ConvertToGrayscale(image);
    EXPECT_EQ(image.channels, 1);
    EXPECT_EQ(s[0], 185);
}

}  // namespace
}  // namespace kyp
