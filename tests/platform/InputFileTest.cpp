#include "platform/InputFile.h"

#include <gtest/gtest.h>

#include "platform/TestFolder.h"

namespace kyp {
namespace {

TEST(InputFileTest, MapsARegularFileAndReadsInTheChosenByteOrder) {
    test::TestFolder folder;
    const std::string path = folder.Write("mapped.bin", "\x12\x34\x56\x78\x9A\xBC");
    InputFile file;
    ASSERT_TRUE(file.open(path));
    EXPECT_EQ(file.size(), 6u);
    EXPECT_EQ(file.path(), path);
    for (const bool big : {true, false}) {
        uint16_t s = 0;
        uint32_t l = 0;
        file.setByteOrder(big);
        ASSERT_TRUE(file.seek(0) && file.readShort(s) && file.readLong(l));
        EXPECT_EQ(s, big ? 0x1234 : 0x3412);
        EXPECT_EQ(l, big ? 0x56789ABCu : 0xBC9A7856u);
    }
    file.close();
    file.close();  // twice is harmless
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(file.path().empty());
    EXPECT_FALSE(file.seek(0));
}

TEST(InputFileTest, SeekAcceptsTheEndAndReadsThatDoNotFitLeaveTheCursor) {
    const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
    InputFile file;
    ASSERT_TRUE(file.openMemory(ByteView(bytes, 6)));
    EXPECT_TRUE(file.seek(6));
    EXPECT_FALSE(file.seek(7));
    EXPECT_FALSE(file.seek(0x100000006ull));  // would wrap to 6 in 32 bits
    EXPECT_EQ(file.position(), 6u);

    ASSERT_TRUE(file.seek(3));
    uint32_t l = 0;
    uint16_t shorts[2];
    uint8_t out[4];
    EXPECT_FALSE(file.readLong(l));
    EXPECT_FALSE(file.readShorts(2, shorts));
    EXPECT_FALSE(file.readBytes(4, out));
    EXPECT_FALSE(file.readShorts(SIZE_MAX / 2 + 1, shorts));  // byte count overflows
    EXPECT_EQ(file.position(), 3u);
    EXPECT_TRUE(file.readBytes(3, out));
    EXPECT_EQ(file.position(), 6u);
}

}  // namespace
}  // namespace kyp
