#include "engine/raw/OrfRaw.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/InputFile.h"
#include "platform/TestFolder.h"

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

TEST(OrfRawTest, OrfFileTestChecksSizeAndSignature) {
    test::TestFolder folder;
    // A sparse file of size bytes that starts with head.
    const auto sparse = [&](const char* name, std::string_view head, uint64_t size) {
        const std::string path = folder.Write(name, head);
        std::filesystem::resize_file(path, size);
        return path;
    };
    const uint64_t minimum = kOrfMinimumFileSize;
    EXPECT_FALSE(isOrfFile(sparse("short.orf", "MMOR", minimum - 1)));
    EXPECT_TRUE(isOrfFile(sparse("exact.orf", "MMOR", minimum)));
    EXPECT_TRUE(isOrfFile(sparse("longer.orf", "MMOR", minimum + 1)));
    EXPECT_FALSE(isOrfFile(sparse("intel.orf", "IIRO", minimum + 1)));
    EXPECT_FALSE(isOrfFile(sparse("tiff.orf", std::string_view("MM\0*", 4), minimum + 1)));
    EXPECT_FALSE(isOrfFile(sparse("empty.orf", "", 0)));
    EXPECT_FALSE(isOrfFile(folder / "missing.orf"));
    EXPECT_FALSE(isOrfFile(folder.path()));
    // 4 GiB + the minimum: its low 32 bits would pass, but no 32-bit offset reaches its end.
    const std::string huge = sparse("huge.orf", "MMOR", 0x100000000ull + minimum);
    EXPECT_FALSE(isOrfFile(huge));
    InputFile file;
    EXPECT_FALSE(file.open(huge));
}

}  // namespace
}  // namespace kyp
