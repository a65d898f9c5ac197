#include "platform/MappedFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TiffBytes.h"

namespace kyp {
namespace {

std::string WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = test::TestPath(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
}

TEST(MappedFileTest, MapsARegularFileAndReadsInTheChosenByteOrder) {
    const std::string path = WriteFile("mapped.bin", {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC});
    MappedFile file;
    ASSERT_TRUE(file.open(path));
    EXPECT_EQ(file.size(), 6u);
    EXPECT_EQ(file.path(), path);

    uint16_t s = 0;
    uint32_t l = 0;
    file.setByteOrder(true);
    ASSERT_TRUE(file.readShort(s));
    ASSERT_TRUE(file.readLong(l));
    EXPECT_EQ(s, 0x1234);
    EXPECT_EQ(l, 0x56789ABCu);

    file.setByteOrder(false);
    ASSERT_TRUE(file.seek(0));
    ASSERT_TRUE(file.readShort(s));
    ASSERT_TRUE(file.readLong(l));
    EXPECT_EQ(s, 0x3412);
    EXPECT_EQ(l, 0xBC9A7856u);

    file.close();
    file.close();  // twice is harmless
    EXPECT_FALSE(file.isOpen());
    EXPECT_TRUE(file.path().empty());
    EXPECT_FALSE(file.seek(0));
    std::filesystem::remove(path);
}

TEST(MappedFileTest, SeekAcceptsTheEndAndReadsThatDoNotFitLeaveTheCursor) {
    const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
    MappedFile file;
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

TEST(MappedFileTest, RefusesWhatIsNotANonEmptyRegularFile) {
    MappedFile file;
    EXPECT_FALSE(file.open(""));
    EXPECT_FALSE(file.open(test::TestPath("does-not-exist")));
    const std::string folder = test::TestPath("a-folder");
    std::filesystem::create_directories(folder);
    EXPECT_FALSE(file.open(folder));
    const std::string empty = WriteFile("empty.bin", {});
    EXPECT_FALSE(file.open(empty));
    EXPECT_FALSE(file.open(std::string(5000, 'x')));
    EXPECT_FALSE(file.isOpen());
    std::filesystem::remove(folder);
    std::filesystem::remove(empty);
}

}  // namespace
}  // namespace kyp
