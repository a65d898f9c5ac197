#include "engine/output/TiffWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>

#include "engine/output/ExifCarry.h"
#include "output/TiffWriterTestSupport.h"
#include "platform/AtomicFile.h"

namespace kyp {
namespace {

using namespace testing;

class TiffWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        sourceBytes_ = CameraSourceBytes();
        ASSERT_TRUE(source_.openMemory(ByteView(sourceBytes_.data(), sourceBytes_.size())));
        ASSERT_TRUE(source_.parse());
        output_.tx = true;
        output_.ta = true;
        output_.t16 = false;
    }
    void TearDown() override { AtomicFile::InjectWriteFailureAfter(-1); }

    // Writes image and returns the file's bytes (empty when the write failed).
    std::vector<uint8_t> Write(std::vector<uint16_t>& samples, uint32_t w, uint32_t h, uint16_t channels,
                               const std::string& name = "out.tif") {
        const ProcessedImage image = ImageOf(samples, w, h, channels);
        if (!writeTiff(folder_.file(name), &source_, image, settings_, output_)) return {};
        return ReadFile(folder_.file(name));
    }

    TempFolder folder_;
    std::vector<uint8_t> sourceBytes_;
    TiffDocument source_;
    ImportSettings settings_;
    OutputSettings output_;
};

std::string Text(const std::vector<uint8_t>& f, const WrittenEntry& e) {
    const uint8_t* p = e.count <= 4 ? reinterpret_cast<const uint8_t*>(&e.value) : f.data() + e.value;
    return std::string(reinterpret_cast<const char*>(p), e.count);
}

// Every record and offset of a small RGB file, worked out by hand from the
// layout rules: directories first, then each entry's values at the next
// offset aligned for its type, then the pixels at a multiple of 16.
TEST_F(TiffWriterTest, LayoutOfASmallRgbFile) {
    output_.artist = "Ann";          // 4 bytes with its zero: inline
    output_.copyright = "(c) Zed";   // 8 bytes: out of line
    output_.description = "";        // empty: the source's description is kept
    auto s = MakeSamples(3, 2, 3, [](size_t i) { return i * 60; });
    const std::vector<uint8_t> f = Write(s, 3, 2, 3);
    ASSERT_EQ(f.size(), 594u);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 8), (std::vector<uint8_t>{'I', 'I', 42, 0, 8, 0, 0, 0}));

    const std::vector<WrittenEntry> main = ReadDirectory(f, 8);
    const std::vector<WrittenEntry> expected = {
        {256, 4, 1, 3},     {257, 4, 1, 2},       {258, 3, 3, 404},  {259, 3, 1, 1},     {262, 3, 1, 2},
        {270, 2, 23, 410},  {271, 2, 24, 433},    {272, 2, 7, 457},  {273, 4, 1, 576},   {274, 3, 1, 1},
        {277, 3, 1, 3},     {278, 4, 1, 2},       {279, 4, 1, 18},   {282, 5, 1, 464},   {283, 5, 1, 472},
        {284, 3, 1, 1},     {296, 3, 1, 2},       {305, 2, 9, 480},  {306, 2, 20, 489},  {315, 2, 4, 0x006E6E41},
        {33432, 2, 8, 509}, {34665, 4, 1, 278},
    };
    ASSERT_EQ(main.size(), expected.size());
    for (size_t i = 0; i < main.size(); ++i) {
        EXPECT_EQ(main[i].tag, expected[i].tag) << i;
        EXPECT_EQ(main[i].type, expected[i].type) << main[i].tag;
        EXPECT_EQ(main[i].count, expected[i].count) << main[i].tag;
        EXPECT_EQ(main[i].value, expected[i].value) << main[i].tag;
    }
    EXPECT_EQ(Le32(f, 8 + 2 + 22 * 12), 0u);  // no next directory

    // Exif: the carried tags the source has, in order, values now little-endian.
    const std::vector<WrittenEntry> exif = ReadDirectory(f, 278);
    const std::vector<WrittenEntry> expectedExif = {
        {33434, 5, 1, 520}, {33437, 5, 1, 528}, {34850, 3, 1, 2},   {34855, 3, 1, 100}, {36864, 7, 4, 0x30323230},
        {36867, 2, 20, 536}, {37380, 10, 1, 556}, {37383, 3, 1, 5}, {40961, 3, 1, 1},   {41728, 7, 1, 3},
    };
    ASSERT_EQ(exif.size(), expectedExif.size());
    for (size_t i = 0; i < exif.size(); ++i) {
        EXPECT_EQ(exif[i].tag, expectedExif[i].tag) << i;
        EXPECT_EQ(exif[i].type, expectedExif[i].type) << exif[i].tag;
        EXPECT_EQ(exif[i].count, expectedExif[i].count) << exif[i].tag;
        EXPECT_EQ(exif[i].value, expectedExif[i].value) << exif[i].tag;
    }
    EXPECT_EQ(Le32(f, 278 + 2 + 10 * 12), 0u);

    // Out-of-line values.
    EXPECT_EQ(Le16(f, 404), 8u);
    EXPECT_EQ(Le16(f, 406), 8u);
    EXPECT_EQ(Le16(f, 408), 8u);
    EXPECT_EQ(Text(f, main[5]), std::string("OLYMPUS DIGITAL CAMERA\0", 23));
    EXPECT_EQ(Text(f, main[6]), std::string("OLYMPUS OPTICAL CO.,LTD\0", 24));
    EXPECT_EQ(Text(f, main[7]), std::string("C5050Z\0", 7));
    EXPECT_EQ(Le32(f, 464), 144u);
    EXPECT_EQ(Le32(f, 468), 1u);
    EXPECT_EQ(Le32(f, 472), 144u);
    EXPECT_EQ(Text(f, main[17]), std::string("KypSuite\0", 9));
    EXPECT_EQ(f[489 + 19], 0);
    EXPECT_EQ(Text(f, main[20]), std::string("(c) Zed\0", 8));
    EXPECT_EQ(Le32(f, 520), 1u);
    EXPECT_EQ(Le32(f, 524), 125u);
    EXPECT_EQ(Le32(f, 528), 28u);
    EXPECT_EQ(Le32(f, 532), 10u);
    EXPECT_EQ(Text(f, exif[5]), std::string("2003:05:17 10:20:30\0", 20));
    EXPECT_EQ(Le32(f, 556), 0xFFFFFFFDu);
    EXPECT_EQ(Le32(f, 560), 10u);
    for (size_t gap = 564; gap < 576; ++gap) EXPECT_EQ(f[gap], 0) << gap;

    // Pixels: rows from the top, red, green, blue; (60i + 2) / 4 capped at 255.
    std::vector<uint8_t> pixels(f.begin() + 576, f.end());
    std::vector<uint8_t> expectedPixels;
    for (size_t i = 0; i < 18; ++i) expectedPixels.push_back(static_cast<uint8_t>(std::min<size_t>((i * 60 + 2) / 4, 255)));
    EXPECT_EQ(pixels, expectedPixels);
}

TEST_F(TiffWriterTest, SampleConversionAtBothDepths) {
    std::vector<uint16_t> s = {1023, 1021, 1, 2, 0, 512, 4000, 65535, 3};  // 3 × 1
    std::vector<uint8_t> f = Write(s, 3, 1, 3);
    ASSERT_FALSE(f.empty());
    uint32_t offset = FindWritten(ReadDirectory(f, 8), 273)->value;
    EXPECT_EQ(offset % 16, 0u);
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + offset, f.end()), (std::vector<uint8_t>{255, 255, 0, 1, 0, 128, 255, 255, 1}));

    output_.t16 = true;
    f = Write(s, 3, 1, 3);
    ASSERT_FALSE(f.empty());
    const std::vector<WrittenEntry> main = ReadDirectory(f, 8);
    offset = FindWritten(main, 273)->value;
    EXPECT_EQ(offset % 16, 0u);
    EXPECT_EQ(FindWritten(main, 279)->value, 18u);
    const uint32_t bits = FindWritten(main, 258)->value;
    EXPECT_EQ(Le16(f, bits), 16u);
    ASSERT_EQ(f.size(), offset + 18u);
    // × 64; values beyond 1023 are written as 1023 instead of wrapping.
    const uint32_t expected[9] = {65472, 65344, 64, 128, 0, 32768, 65472, 65472, 192};
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(Le16(f, offset + 2 * i), expected[i]) << i;
}

TEST_F(TiffWriterTest, GrayWritesTheGreenSamplesAsOneChannel) {
    settings_.options = opt::gray;
    auto s = MakeSamples(2, 2, 3, [](size_t i) { return i * 40 + 2; });
    const std::vector<uint8_t> f = Write(s, 2, 2, 3);
    ASSERT_FALSE(f.empty());
    const std::vector<WrittenEntry> main = ReadDirectory(f, 8);
    EXPECT_EQ(FindWritten(main, 277)->value, 1u);
    EXPECT_EQ(FindWritten(main, 262)->value, 1u);
    EXPECT_EQ(FindWritten(main, 258)->count, 1u);
    EXPECT_EQ(FindWritten(main, 258)->value, 8u);  // inline
    EXPECT_EQ(FindWritten(main, 279)->value, 4u);
    const std::vector<WrittenEntry> exif = ReadDirectory(f, FindWritten(main, 34665)->value);
    EXPECT_EQ(FindWritten(exif, 40961), nullptr);  // ColorSpace only with RGB
    EXPECT_NE(FindWritten(exif, 41728), nullptr);
    const uint32_t offset = FindWritten(main, 273)->value;
    // Green samples 42, 162, 282, 402 -> 11, 41, 71, 101.
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + offset, f.end()), (std::vector<uint8_t>{11, 41, 71, 101}));

    // A one-channel image is grey whatever the option.
    settings_.options = 0;
    output_.t16 = true;
    auto one = MakeSamples(1, 2, 1, [](size_t i) { return 1000 + i; });
    const std::vector<uint8_t> g = Write(one, 1, 2, 1);
    ASSERT_FALSE(g.empty());
    const std::vector<WrittenEntry> gm = ReadDirectory(g, 8);
    EXPECT_EQ(FindWritten(gm, 262)->value, 1u);
    EXPECT_EQ(FindWritten(gm, 258)->value, 16u);
    const uint32_t go = FindWritten(gm, 273)->value;
    EXPECT_EQ(Le16(g, go), 64000u);
    EXPECT_EQ(Le16(g, go + 2), 64064u);
}

TEST_F(TiffWriterTest, ExifAndAnnotationRules) {
    auto s = MakeSamples(2, 1, 3, [](size_t) { return 500; });
    output_.tx = false;
    output_.ta = false;
    output_.artist = "Someone";
    output_.copyright = "Mine";
    output_.description = "Replaced";
    std::vector<uint8_t> f = Write(s, 2, 1, 3);
    std::vector<WrittenEntry> main = ReadDirectory(f, 8);
    ASSERT_EQ(main.size(), 19u);  // no ExifIFD, Artist or Copyright
    EXPECT_EQ(FindWritten(main, 34665), nullptr);
    EXPECT_EQ(FindWritten(main, 315), nullptr);
    EXPECT_EQ(FindWritten(main, 33432), nullptr);
    EXPECT_EQ(Text(f, *FindWritten(main, 270)), std::string("OLYMPUS DIGITAL CAMERA\0", 23));
    // Nothing of the source's Exif data is in the file.
    EXPECT_EQ(std::search(f.begin(), f.end(), std::begin("2003:05"), std::end("2003:05") - 1), f.end());

    output_.ta = true;
    f = Write(s, 2, 1, 3);
    main = ReadDirectory(f, 8);
    EXPECT_EQ(Text(f, *FindWritten(main, 270)), std::string("Replaced\0", 9));
    EXPECT_EQ(Text(f, *FindWritten(main, 315)), std::string("Someone\0", 8));
    EXPECT_EQ(Text(f, *FindWritten(main, 33432)), std::string("Mine\0", 5));

    // A source without Exif gives no Exif directory even with tx.
    output_.tx = true;
    std::vector<uint8_t> bare = BuildBigEndianTiff({{271, 2, {}, std::string("X\0", 2)}}, {});
    TiffDocument plain;
    ASSERT_TRUE(plain.openMemory(ByteView(bare.data(), bare.size())));
    ASSERT_TRUE(plain.parse());
    const ProcessedImage image = ImageOf(s, 2, 1, 3);
    ASSERT_TRUE(writeTiff(folder_.file("plain.tif"), &plain, image, settings_, output_));
    f = ReadFile(folder_.file("plain.tif"));
    main = ReadDirectory(f, 8);
    EXPECT_EQ(FindWritten(main, 34665), nullptr);
    EXPECT_EQ(FindWritten(main, 272), nullptr);  // the source has no Model
    EXPECT_EQ(Text(f, *FindWritten(main, 270)), std::string("Replaced\0", 9));
    EXPECT_EQ(FindWritten(main, 271)->value & 0xFFFF, 'X');
}

TEST_F(TiffWriterTest, FailuresCreateNothingAndKeepTheOldFile) {
    auto s = MakeSamples(4, 4, 3, [](size_t i) { return i; });
    const ProcessedImage image = ImageOf(s, 4, 4, 3);
    EXPECT_FALSE(writeTiff(folder_.file("a.tif"), nullptr, image, settings_, output_));
    TiffDocument closed;
    EXPECT_FALSE(writeTiff(folder_.file("a.tif"), &closed, image, settings_, output_));
    EXPECT_FALSE(writeTiff(folder_.file("missing/a.tif"), &source_, image, settings_, output_));
    ProcessedImage odd = image;
    odd.channels = 2;
    EXPECT_FALSE(writeTiff(folder_.file("a.tif"), &source_, odd, settings_, output_));
    odd = image;
    odd.samples = nullptr;
    EXPECT_FALSE(writeTiff(folder_.file("a.tif"), &source_, odd, settings_, output_));
    odd = image;
    odd.height = 0;
    EXPECT_FALSE(writeTiff(folder_.file("a.tif"), &source_, odd, settings_, output_));
    odd = image;
    odd.width = 0x10000;  // 65536 × 65536 × 3 bytes: beyond a 32-bit file
    odd.height = 0x10000;
    EXPECT_FALSE(writeTiff(folder_.file("a.tif"), &source_, odd, settings_, output_));
    EXPECT_TRUE(folder_.names().empty());

    // The disk fills in the header, then in the pixels: the old file stays.
    const std::string path = folder_.file("old.tif");
    std::ofstream(path) << "old";
    for (const int64_t limit : {100, 560}) {
        AtomicFile::InjectWriteFailureAfter(limit);
        EXPECT_FALSE(writeTiff(path, &source_, image, settings_, output_)) << limit;
        EXPECT_EQ(folder_.names(), std::vector<std::string>{"old.tif"});
        const std::vector<uint8_t> kept = ReadFile(path);
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "old");
    }
    AtomicFile::InjectWriteFailureAfter(-1);
    EXPECT_TRUE(writeTiff(path, &source_, image, settings_, output_));
    EXPECT_EQ(ReadFile(path).size(), 544u + 48u);
}

TEST_F(TiffWriterTest, RepeatedWritesDifferOnlyInDateTime) {
    auto s = MakeSamples(5, 3, 3, [](size_t i) { return (i * 97) % 1024; });
    const std::time_t before = std::time(nullptr);
    std::vector<uint8_t> a = Write(s, 5, 3, 3, "a.tif");
    std::vector<uint8_t> b = Write(s, 5, 3, 3, "b.tif");
    const std::time_t after = std::time(nullptr);
    ASSERT_FALSE(a.empty());
    ASSERT_EQ(a.size(), b.size());
    const std::vector<WrittenEntry> main = ReadDirectory(a, 8);
    const WrittenEntry* dateTime = FindWritten(main, 306);
    ASSERT_NE(dateTime, nullptr);
    ASSERT_EQ(dateTime->count, 20u);
    const std::string written = Text(a, *dateTime);
    char low[20];
    char high[20];
    ASSERT_TRUE(FormatTiffDateTime(before, low));
    ASSERT_TRUE(FormatTiffDateTime(after, high));
    EXPECT_GE(written, std::string(low, 20));
    EXPECT_LE(written, std::string(high, 20));
    std::fill(a.begin() + dateTime->value, a.begin() + dateTime->value + 19, 0);
    std::fill(b.begin() + dateTime->value, b.begin() + dateTime->value + 19, 0);
    EXPECT_EQ(a, b);
}

TEST(TiffDateTime, FormatsLocalTimeWithTwentyFourHourClock) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    char text[20];
    EXPECT_TRUE(FormatTiffDateTime(0, text));
    EXPECT_STREQ(text, "1970:01:01 00:00:00");
    EXPECT_TRUE(FormatTiffDateTime(1700000000 + 13 * 3600, text));  // 2023-11-14 22:13:20 + 13 h
    EXPECT_STREQ(text, "2023:11:15 11:13:20");
    ::setenv("TZ", "EST5", 1);
    ::tzset();
    EXPECT_TRUE(FormatTiffDateTime(0, text));
    EXPECT_STREQ(text, "1969:12:31 19:00:00");
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

}  // namespace
}  // namespace kyp
