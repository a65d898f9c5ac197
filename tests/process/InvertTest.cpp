#include "engine/process/Invert.h"

#include <gtest/gtest.h>

#include <vector>

#include "ToneTestSupport.h"

namespace kyp {
namespace {

TEST(Invert, MirrorsSamplesAndTwiceRestores) {
    for (uint16_t channels : {uint16_t{1}, uint16_t{3}}) {
        std::vector<uint16_t> s;
        ProcessedImage image = test::MakeImage(s, 13, 5, channels);
        test::FillPattern(s, channels);
        s[0] = 0;
        s[1] = 1023;
        const std::vector<uint16_t> before = s;
        InvertImage(image);
        EXPECT_EQ(s[0], 1023);
        EXPECT_EQ(s[1], 0);
        for (size_t i = 0; i < s.size(); ++i) ASSERT_EQ(s[i] + before[i], 1023);
        InvertImage(image);
        EXPECT_EQ(s, before);
    }
}

TEST(Invert, StraySampleDoesNotWrap) {
    std::vector<uint16_t> s;
    ProcessedImage image = test::MakeImage(s, 1, 1, 1);
    s = {5000};
    InvertImage(image);
    EXPECT_EQ(s[0], 0);
}

}  // namespace
}  // namespace kyp
