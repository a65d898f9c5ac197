#include "engine/raw/OrfRaw.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/raw/TiffDocument.h"
#include "platform/TestFolder.h"
#include "raw/TiffBytes.h"

namespace kyp {
namespace {

using test::TiffBytes;

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

TEST(OrfRawTest, WhiteBalanceModeAndNames) {
    // (first, second value of the maker-note entry) -> mode: 1 is auto (0), 3 Quick
    // Reference (1), otherwise a preset 2..8 or else auto.
    const int cases[][3] = {{2, 5, 5}, {2, 9, 0}, {3, 7, 1}, {1, 5, 0}, {0, 8, 8}, {0, 1, 0}};
    for (const auto& c : cases) EXPECT_EQ(WhiteBalanceModeFrom(c[0], c[1]), c[2]) << c[0] << "," << c[1];
    EXPECT_STREQ(WhiteBalanceName(1), "Quick Reference");
    EXPECT_STREQ(WhiteBalanceName(5), "4500K");
    EXPECT_STREQ(WhiteBalanceName(8), "7500K");
    EXPECT_STREQ(WhiteBalanceName(9), "Auto");
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

// A small ORF-like document: main directory, Exif directory, maker note at 300.
TiffBytes MakerNoteDocument(bool big, const std::vector<TiffBytes::Record>& noteRecords, uint32_t noteCount = 200) {
    TiffBytes t(big);
    t.header(8, 0x4F52);
    t.directory(8, {t.longRecord(256, kTiffShort, 1, 0), t.longRecord(257, kTiffLong, 1, 3),
                    t.longRecord(273, kTiffLong, 1, 1000), t.longRecord(34665, kTiffLong, 1, 100)});
    t.u16(8 + 2 + 8, 4);  // width as an inline SHORT
    t.directory(100, {t.longRecord(37500, kTiffUndefined, noteCount, 300)});
    const char signature[8] = {'O', 'L', 'Y', 'M', 'P', 0, 1, 0};
    for (size_t i = 0; i < 8; ++i) t.u8(300 + i, static_cast<uint8_t>(signature[i]));
    t.directory(308, noteRecords);
    t.bytes.resize(1200);
    return t;
}

TEST(OrfRawTest, ReadRawInfoTakesGeometryAndMakerNoteValues) {
    for (bool big : {true, false}) {
        TiffBytes t(big);
        t = MakerNoteDocument(big, {});
        const std::vector<TiffBytes::Record> records = {
            t.longRecord(0x1011, kTiffSShort, 9, 500), t.longRecord(0x1012, kTiffShort, 4, 520),
            t.shortRecord(0x1015, kTiffShort, 2, 2, 5), t.longRecord(0x1017, kTiffLong, 1, 0x12345),
            t.shortRecord(0x1018, kTiffShort, 2, 300, 64)};
        t = MakerNoteDocument(big, records);
        const int16_t matrix[9] = {300, -20, -24, -70, 380, -54, 10, -150, 396};
        for (uint32_t i = 0; i < 9; ++i) t.u16(500 + 2 * i, static_cast<uint16_t>(matrix[i]));
        for (uint32_t i = 0; i < 4; ++i) t.u16(520 + 2 * i, static_cast<uint16_t>(60 + i));

        TiffDocument document;
        ASSERT_TRUE(document.openMemory(t.view()) && document.parse());
        RawInfo info;
        ASSERT_TRUE(readRawInfo(document, info));
        EXPECT_EQ(info.width, 4u);
        EXPECT_EQ(info.height, 3u);
        EXPECT_EQ(info.rawOffset, 1000u);
        EXPECT_EQ(info.raw, t.bytes.data() + 1000);
        EXPECT_EQ(info.camera.whiteBalanceMode, 5);
        EXPECT_EQ(info.camera.redBalance, 0x2345);  // cut to 16 bits
        EXPECT_EQ(info.camera.blueBalance, 300);
        EXPECT_EQ(std::vector<int16_t>(info.camera.colourMatrix, info.camera.colourMatrix + 9),
                  std::vector<int16_t>(matrix, matrix + 9));
        EXPECT_EQ(std::vector<uint16_t>(info.camera.blackLevels, info.camera.blackLevels + 4),
                  (std::vector<uint16_t>{60, 61, 62, 63}));

        // Too few values: identity matrix and zero black levels; LONG values are not 16-bit values.
        t.u32(308 + 2 + 4, 8);
        t.u16(308 + 2 + 12 + 2, kTiffLong);
        ASSERT_TRUE(document.openMemory(t.view()) && document.parse());
        ASSERT_TRUE(readRawInfo(document, info));
        EXPECT_EQ(info.camera.colourMatrix[0], 256);
        EXPECT_EQ(info.camera.colourMatrix[1], 0);
        EXPECT_EQ(info.camera.blackLevels[0], 0);
        EXPECT_EQ(info.camera.blueBalance, 300);
    }
}

TEST(OrfRawTest, MissingOrForeignMakerNotesLeaveTheDefaults) {
    TiffBytes t(true);
    t = MakerNoteDocument(true, {t.longRecord(0x1017, kTiffShort, 1, 0x01230000)});  // red 0x0123
    const CameraSettings defaults;
    const auto check = [&](const TiffBytes& bytes, uint16_t red, const char* what) {
        TiffDocument document;
        ASSERT_TRUE(document.openMemory(bytes.view()) && document.parse()) << what;
        RawInfo info;
        ASSERT_TRUE(readRawInfo(document, info)) << what;
        EXPECT_EQ(info.camera.redBalance, red) << what;
        EXPECT_EQ(info.camera.blueBalance, defaults.blueBalance) << what;
        EXPECT_EQ(info.camera.colourMatrix[4], 256) << what;
    };
    check(t, 0x0123, "valid");
    TiffBytes variant = t;
    variant.u8(300, 'N');
    check(variant, 256, "foreign signature");
    variant = t;
    variant.u32(100 + 2 + 4, 8);  // no longer than its header
    check(variant, 256, "count 8");
    variant = t;
    variant.u32(100 + 2 + 4, 9);  // maker note at the very end: its directory lies outside
    variant.u32(100 + 2 + 8, 1200 - 9);
    for (size_t i = 0; i < 6; ++i) variant.u8(1200 - 9 + i, static_cast<uint8_t>("OLYMP"[i]));
    check(variant, 256, "directory outside the file");
    variant = t;
    variant.u16(100 + 2, 37501);  // no MakerNote
    check(variant, 256, "no maker note");

    // Without width, height or strip offsets there is no raw image.
    for (uint16_t gone : {256, 257, 273}) {
        variant = t;
        const size_t record = 8 + 2 + 12 * static_cast<size_t>(gone == 256 ? 0 : gone == 257 ? 1 : 2);
        variant.u16(record + 2, 13);  // unknown type: dropped
        TiffDocument document;
        ASSERT_TRUE(document.openMemory(variant.view()) && document.parse());
        RawInfo info;
        EXPECT_FALSE(readRawInfo(document, info)) << gone;
    }
}

}  // namespace
}  // namespace kyp
