#include "engine/raw/TiffDocument.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace kyp {
namespace {

std::vector<uint16_t> Tags(const TiffDirectory& directory) {
    std::vector<uint16_t> tags;
    for (const TiffEntry& e : directory.entries) tags.push_back(e.tag);
    return tags;
}

TEST(TiffEntryTest, IntValueDataSizeAndClone) {
    TiffEntry e = TiffEntry::makeShort(1, 0xBEEF);
    EXPECT_EQ(e.intValue(), 0xBEEFu);
    e.type = kTiffSShort;
    EXPECT_EQ(e.intValue(), 0xBEEFu);  // zero-extended
    const uint8_t bytes[4] = {0xF0, 2, 3, 4};
    e = TiffEntry::makeBytes(2, kTiffSByte, bytes);
    EXPECT_EQ(e.intValue(), 0xF0u);
    EXPECT_EQ(TiffEntry::makeLong(3, 0xFFFFFFFF).intValue(), 0xFFFFFFFFu);
    const uint32_t pair[2] = {1, 2};
    EXPECT_EQ(TiffEntry::makeRationals(4, pair).intValue(), 0u);

    // Out-of-line bytes: none when inline or of an unknown type; 64-bit, so 4 Gi rationals do not wrap.
    const std::tuple<uint16_t, uint32_t, uint64_t> sizes[] = {{kTiffShort, 2, 0},  {kTiffShort, 3, 6}, {kTiffAscii, 5, 5},
                                                             {kTiffFloat, 1, 0},  {kTiffDouble, 1, 8}, {99, 100, 0},
                                                             {kTiffSRational, 0xFFFFFFFF, 0xFFFFFFFFull * 8}};
    for (auto [type, count, size] : sizes) EXPECT_EQ(TiffEntry::create(0, type, count, 0).dataSize(), size) << type;

    const uint16_t shorts[5] = {1, 2, 3, 4, 5};
    uint16_t s = 0;
    EXPECT_TRUE(TiffEntry::makeShorts(20, shorts).shortAt(4, s) && s == 5);
    EXPECT_FALSE(TiffEntry::makeShorts(20, shorts).shortAt(5, s));
    auto directory = TiffDirectory::create(0);
    directory->add(TiffEntry::makeShorts(20, shorts));
    directory->add(TiffEntry::makeAscii(10, "text"));
    EXPECT_EQ(Tags(*directory), (std::vector<uint16_t>{10, 20}));
    std::optional<TiffEntry> copy = TiffEntry::cloneFrom(*directory, 20);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->count, 5u);
    EXPECT_EQ(copy->data, directory->find(20)->data);
    EXPECT_NE(copy->data.data(), directory->find(20)->data.data());
    EXPECT_FALSE(TiffEntry::cloneFrom(*directory, 30));
    EXPECT_FALSE(TiffEntry::create(5, kTiffDouble, 1, 0, std::vector<uint8_t>(8)).clone());
}

// (What the reader makes of documents is compared with recorded results in
// DocumentDumpTest.) The writers' layout in the usual case shows in the output
// digests.
TEST(TiffDocumentTest, LayoutHeadersAndRefusals) {
    TiffDocument document;
    EXPECT_FALSE(document.openMemory(ByteView()) && document.parse());
    EXPECT_FALSE(document.open("/nonexistent/missing.tif"));
    document.close();
    EXPECT_FALSE(document.parse());
    document.initHeader(kByteOrderMotorola, 42);
    EXPECT_EQ(document.headerBytes(), (std::array<uint8_t, 8>{'M', 'M', 0, 42, 0, 0, 0, 8}));
    document.initHeader(kByteOrderIntel, 42);
    EXPECT_EQ(document.headerBytes(), (std::array<uint8_t, 8>{'I', 'I', 42, 0, 8, 0, 0, 0}));

    auto directory = TiffDirectory::create(0);
    directory->add(TiffEntry::makeAscii(270, "abcde"));
    document.startLayout();
    ASSERT_TRUE(document.placeDirectory(*directory));
    ASSERT_TRUE(document.placeData(directory->entries[0]));
    const uint32_t end = document.layoutCursor();
    uint32_t offset = 0;
    EXPECT_FALSE(document.reserve(0xFFFFFFFFull, 1, offset));
    EXPECT_EQ(document.layoutCursor(), end);
    std::vector<uint8_t> out(end), small(end - 1);
    EXPECT_TRUE(TiffDocument::writeDirectoryData(out, *directory));
    EXPECT_FALSE(TiffDocument::writeDirectoryData(small, *directory));
}

}  // namespace
}  // namespace kyp
