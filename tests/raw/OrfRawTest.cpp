#include "engine/raw/OrfRaw.h"

#include <gtest/gtest.h>

#include <random>


namespace kyp {
namespace {

// (What is read from maker notes is compared with recorded results in
// DocumentDumpTest.)
TEST(OrfRawTest, UnpackTakesTheUpperTenBitsOfBigEndianWords) {
    const uint8_t bytes[6] = {0xFF, 0xC0, 0x00, 0x3F, 0x80, 0x00};
    uint16_t out[3];
    unpack(out, bytes, 3);
    EXPECT_EQ(out[0], 1023);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 512);

    // Any count: the passes of 16 and the rest agree with the formula, and
    // nothing past count is written.
    std::mt19937 random(7);
    std::vector<uint8_t> source(2 * 40);
    for (uint8_t& b : source) b = static_cast<uint8_t>(random());
    for (size_t count = 0; count <= 40; ++count) {
        std::vector<uint16_t> destination(41, 0xABCD);
        unpack(destination.data(), source.data(), count);
        for (size_t i = 0; i < count; ++i) ASSERT_EQ(destination[i], (source[2 * i] * 256 + source[2 * i + 1]) >> 6);
        EXPECT_EQ(destination[count], 0xABCD) << count;
    }
}

}  // namespace
}  // namespace kyp
