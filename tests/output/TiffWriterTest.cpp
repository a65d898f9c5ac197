#include "engine/output/TiffWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

#include "engine/output/ExifCarry.h"
#include "output/OutputTestSupport.h"
#include "platform/AtomicFile.h"

namespace kyp {
namespace {

using test::FindWritten;
using test::Le16;
using test::Le32;
using test::MakeImage;
using test::ReadDirectory;
using test::WrittenEntry;
using test::WrittenText;

class TiffWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        sourceBytes_ = test::CameraSourceBytes();
        ASSERT_TRUE(source_.openMemory(ByteView(sourceBytes_.data(), sourceBytes_.size())));
        ASSERT_TRUE(source_.parse());
        output_.tx = output_.ta = true;
        output_.t16 = false;
    }
    void TearDown() override { AtomicFile::InjectWriteFailureAfter(-1); }

    // Writes the image and returns the file's bytes (empty when the write failed).
    std::vector<uint8_t> Write(const test::OwnedImage& in, const TiffDocument* source = nullptr) {
        if (!writeTiff(folder_ / "out.tif", source ? source : &source_, in.image, settings_, output_)) return {};
        return test::ReadBytes(folder_ / "out.tif");
    }

    test::TestFolder folder_;
    std::vector<uint8_t> sourceBytes_;
    TiffDocument source_;
    ImportSettings settings_;
    OutputSettings output_;
};

// Every record and offset of a small RGB file, worked out by hand from the
// layout rules: directories first, then each entry's values at the next
// offset aligned for its type, then the pixels at a multiple of 16.
TEST_F(TiffWriterTest, LayoutOfASmallRgbFile) {
    output_.artist = "Ann";         // 4 bytes with its zero: inline
    output_.copyright = "(c) Zed";  // 8 bytes: out of line
    output_.description = "";       // empty: the source's description is kept
    const std::vector<uint8_t> f = Write(MakeImage(3, 2, 3, [](size_t i) { return i * 60; }));
    ASSERT_EQ(f.size(), 594u);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 8), (std::vector<uint8_t>{'I', 'I', 42, 0, 8, 0, 0, 0}));

    const std::vector<WrittenEntry> main = ReadDirectory(f, 8);
    EXPECT_EQ(main, (std::vector<WrittenEntry>{
                        {256, 4, 1, 3},     {257, 4, 1, 2},      {258, 3, 3, 404},  {259, 3, 1, 1},    {262, 3, 1, 2},
                        {270, 2, 23, 410},  {271, 2, 24, 433},   {272, 2, 7, 457},  {273, 4, 1, 576},  {274, 3, 1, 1},
                        {277, 3, 1, 3},     {278, 4, 1, 2},      {279, 4, 1, 18},   {282, 5, 1, 464},  {283, 5, 1, 472},
                        {284, 3, 1, 1},     {296, 3, 1, 2},      {305, 2, 9, 480},  {306, 2, 20, 489}, {315, 2, 4, 0x006E6E41},
                        {33432, 2, 8, 509}, {34665, 4, 1, 278}}));
    EXPECT_EQ(Le32(f, 8 + 2 + 22 * 12), 0u);  // no next directory

    // Exif: the carried tags the source has, in order, values now little-endian.
    EXPECT_EQ(ReadDirectory(f, 278), (std::vector<WrittenEntry>{
                                          {33434, 5, 1, 520}, {33437, 5, 1, 528}, {34850, 3, 1, 2},
                                          {34855, 3, 1, 100}, {36864, 7, 4, 0x30323230}, {36867, 2, 20, 536},
                                          {37380, 10, 1, 556}, {37383, 3, 1, 5}, {40961, 3, 1, 1}, {41728, 7, 1, 3}}));
    EXPECT_EQ(Le32(f, 278 + 2 + 10 * 12), 0u);

    // Out-of-line values: BitsPerSample, the texts, the resolutions, the
    // rationals and the date, in entry order; zeros up to the pixels.
    std::vector<uint32_t> words;
    for (size_t at : {404, 406, 408}) words.push_back(Le16(f, at));
    for (size_t at : {464, 468, 472, 476, 520, 524, 528, 532, 556, 560}) words.push_back(Le32(f, at));
    EXPECT_EQ(words, (std::vector<uint32_t>{8, 8, 8, 144, 1, 144, 1, 1, 125, 28, 10, 0xFFFFFFFDu, 10}));
    const std::string texts(f.begin() + 410, f.begin() + 520);
    using namespace std::string_literals;
    EXPECT_EQ(texts.substr(0, 54), "OLYMPUS DIGITAL CAMERA\0OLYMPUS OPTICAL CO.,LTD\0C5050Z\0"s);
    EXPECT_EQ(texts.substr(480 - 410, 9), "KypSuite\0"s);
    EXPECT_EQ(texts[489 + 19 - 410], '\0');
    EXPECT_EQ(texts.substr(509 - 410), "(c) Zed\0\0\0\0"s);  // then the 4-byte alignment of the rational
    EXPECT_EQ(std::string(f.begin() + 536, f.begin() + 556), "2003:05:17 10:20:30\0"s);
    EXPECT_TRUE(std::all_of(f.begin() + 564, f.begin() + 576, [](uint8_t b) { return b == 0; }));

    // Pixels: rows from the top, red, green, blue; (60i + 2) / 4 capped at 255.
    for (size_t i = 0; i < 18; ++i) EXPECT_EQ(f[576 + i], std::min<size_t>((i * 60 + 2) / 4, 255)) << i;
}

// (8-bit samples are checked in the layout test above.)
TEST_F(TiffWriterTest, SixteenBitSamplesAreClampedNotWrapped) {
    output_.t16 = true;
    const std::vector<uint8_t> f = Write([] {
        const uint16_t s[9] = {1023, 1021, 1, 2, 0, 512, 4000, 65535, 3};
        return MakeImage(3, 1, 3, [&](size_t i) { return s[i]; });
    }());
    const std::vector<WrittenEntry> main = ReadDirectory(f, 8);
    ASSERT_FALSE(main.empty());
    const uint32_t offset = FindWritten(main, 273)->value;
    EXPECT_EQ(offset % 16, 0u);
    EXPECT_EQ(FindWritten(main, 279)->value, 18u);
    EXPECT_EQ(Le16(f, FindWritten(main, 258)->value), 16u);
    ASSERT_EQ(f.size(), offset + 18u);
    // × 64; values beyond 1023 are written as 1023 instead of wrapping.
    const uint32_t expected[9] = {65472, 65344, 64, 128, 0, 32768, 65472, 65472, 192};
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(Le16(f, offset + 2 * i), expected[i]) << i;
}

TEST_F(TiffWriterTest, GrayWritesTheGreenSamplesAsOneChannel) {
    settings_.options = opt::gray;
    const std::vector<uint8_t> f = Write(MakeImage(2, 2, 3, [](size_t i) { return i * 40 + 2; }));
    const std::vector<WrittenEntry> main = ReadDirectory(f, 8);
    ASSERT_FALSE(main.empty());
    EXPECT_EQ(*FindWritten(main, 258), (WrittenEntry{258, 3, 1, 8}));  // one inline BitsPerSample
    EXPECT_EQ(FindWritten(main, 262)->value, 1u);
    EXPECT_EQ(FindWritten(main, 277)->value, 1u);
    EXPECT_EQ(FindWritten(main, 279)->value, 4u);
    const std::vector<WrittenEntry> exif = ReadDirectory(f, FindWritten(main, 34665)->value);
    EXPECT_EQ(FindWritten(exif, 40961), nullptr);  // ColorSpace only with RGB
    EXPECT_NE(FindWritten(exif, 41728), nullptr);
    // Green samples 42, 162, 282, 402 -> 11, 41, 71, 101.
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + FindWritten(main, 273)->value, f.end()),
              (std::vector<uint8_t>{11, 41, 71, 101}));

    // A one-channel image is grey whatever the option.
    settings_.options = 0;
    output_.t16 = true;
    const std::vector<uint8_t> g = Write(MakeImage(1, 2, 1, [](size_t i) { return 1000 + i; }));
    const std::vector<WrittenEntry> gm = ReadDirectory(g, 8);
    ASSERT_FALSE(gm.empty());
    EXPECT_EQ(FindWritten(gm, 262)->value, 1u);
    EXPECT_EQ(FindWritten(gm, 258)->value, 16u);
    EXPECT_EQ(Le32(g, FindWritten(gm, 273)->value), 64000u | 64064u << 16);
}

TEST_F(TiffWriterTest, ExifAndAnnotationRules) {
    const test::OwnedImage in = MakeImage(2, 1, 3, [](size_t) { return 500; });
    output_.tx = output_.ta = false;
    output_.artist = "Someone";
    output_.copyright = "Mine";
    output_.description = "Replaced";
    std::vector<uint8_t> f = Write(in);
    std::vector<WrittenEntry> main = ReadDirectory(f, 8);
    ASSERT_EQ(main.size(), 19u);  // no ExifIFD, Artist or Copyright
    for (uint16_t absent : {34665, 315, 33432}) EXPECT_EQ(FindWritten(main, absent), nullptr) << absent;
    EXPECT_EQ(WrittenText(f, *FindWritten(main, 270)), std::string("OLYMPUS DIGITAL CAMERA\0", 23));
    // Nothing of the source's Exif data is in the file.
    EXPECT_EQ(std::string(f.begin(), f.end()).find("2003:05"), std::string::npos);

    output_.ta = true;
    f = Write(in);
    main = ReadDirectory(f, 8);
    EXPECT_EQ(WrittenText(f, *FindWritten(main, 270)), std::string("Replaced\0", 9));
    EXPECT_EQ(WrittenText(f, *FindWritten(main, 315)), std::string("Someone\0", 8));
    EXPECT_EQ(WrittenText(f, *FindWritten(main, 33432)), std::string("Mine\0", 5));

    // A source without Exif gives no Exif directory even with tx.
    output_.tx = true;
    const std::vector<uint8_t> bare = test::BuildBigEndianTiff({{271, 2, {}, std::string("X\0", 2)}}, {});
    TiffDocument plain;
    ASSERT_TRUE(plain.openMemory(ByteView(bare.data(), bare.size())) && plain.parse());
    f = Write(in, &plain);
    main = ReadDirectory(f, 8);
    EXPECT_EQ(FindWritten(main, 34665), nullptr);
    EXPECT_EQ(FindWritten(main, 272), nullptr);  // the source has no Model
    EXPECT_EQ(WrittenText(f, *FindWritten(main, 270)), std::string("Replaced\0", 9));
    EXPECT_EQ(WrittenText(f, *FindWritten(main, 271)), std::string("X\0", 2));

    // Nor does one whose Exif directory holds none of the carried tags (a
    // directory of no entries is not valid TIFF), and libtiff reads the file.
    const std::vector<uint8_t> foreign =
        test::BuildBigEndianTiff({{271, 2, {}, std::string("X\0", 2)}}, {{37500, 7, {}, std::string("note")}});
    ASSERT_TRUE(plain.openMemory(ByteView(foreign.data(), foreign.size())) && plain.parse());
    f = Write(in, &plain);
    EXPECT_EQ(FindWritten(ReadDirectory(f, 8), 34665), nullptr);
    if (test::HasTool("tiffinfo")) {
        int status = -1;
        const std::string info = test::RunCommand("tiffinfo '" + folder_ / "out.tif" + "' 2>&1", &status);
        EXPECT_EQ(status, 0) << info;
        EXPECT_EQ(info.find("rror"), std::string::npos) << info;
    }
}

TEST_F(TiffWriterTest, FailuresCreateNothingAndKeepTheOldFile) {
    const test::OwnedImage in = MakeImage(4, 4, 3, [](size_t i) { return i; });
    const ProcessedImage& image = in.image;
    EXPECT_FALSE(writeTiff(folder_ / "a.tif", nullptr, image, settings_, output_));
    TiffDocument closed;
    EXPECT_FALSE(writeTiff(folder_ / "a.tif", &closed, image, settings_, output_));
    EXPECT_FALSE(writeTiff(folder_ / "missing/a.tif", &source_, image, settings_, output_));
    ProcessedImage odd[5] = {image, image, image, image, image};
    odd[0].channels = 2;
    odd[1].samples = nullptr;
    odd[2].height = 0;
    odd[3].width = 0;
    odd[4].width = odd[4].height = 0x10000;  // 65536 × 65536 × 3 bytes: beyond a 32-bit file
    for (const ProcessedImage& bad : odd) EXPECT_FALSE(writeTiff(folder_ / "a.tif", &source_, bad, settings_, output_));
    EXPECT_TRUE(folder_.Names().empty());

    // The disk fills in the header, then in the pixels: the old file stays.
    const std::string path = folder_.Write("old.tif", "old");
    for (const int64_t limit : {100, 560}) {
        AtomicFile::InjectWriteFailureAfter(limit);
        EXPECT_FALSE(writeTiff(path, &source_, image, settings_, output_)) << limit;
        EXPECT_EQ(folder_.Names(), std::vector<std::string>{"old.tif"});
        EXPECT_EQ(test::ReadFile(path), "old");
    }
    AtomicFile::InjectWriteFailureAfter(-1);
    EXPECT_TRUE(writeTiff(path, &source_, image, settings_, output_));
    EXPECT_EQ(test::ReadFile(path).size(), 544u + 48u);
}

TEST_F(TiffWriterTest, RepeatedWritesDifferOnlyInDateTime) {
    const test::OwnedImage in = MakeImage(5, 3, 3, [](size_t i) { return (i * 97) % 1024; });
    const std::time_t before = std::time(nullptr);
    std::vector<uint8_t> a = Write(in);
    std::vector<uint8_t> b = Write(in);
    const std::time_t after = std::time(nullptr);
    ASSERT_EQ(a.size(), b.size());
    const std::vector<WrittenEntry> main = ReadDirectory(a, 8);
    const WrittenEntry* dateTime = FindWritten(main, 306);
    ASSERT_TRUE(dateTime && dateTime->count == 20u);
    const std::string written = WrittenText(a, *dateTime);
    char low[20], high[20];
    ASSERT_TRUE(formatTiffDateTime(before, low) && formatTiffDateTime(after, high));
    EXPECT_GE(written, std::string(low, 20));
    EXPECT_LE(written, std::string(high, 20));
    std::fill(a.begin() + dateTime->value, a.begin() + dateTime->value + 19, 0);
    std::fill(b.begin() + dateTime->value, b.begin() + dateTime->value + 19, 0);
    EXPECT_EQ(a, b);
}

TEST(TiffDateTime, FormatsLocalTimeWithTwentyFourHourClock) {
    char text[20];
    {
        test::ScopedEnv zone("TZ", "UTC0");
        ::tzset();
        EXPECT_TRUE(formatTiffDateTime(0, text));
        EXPECT_STREQ(text, "1970:01:01 00:00:00");
        EXPECT_TRUE(formatTiffDateTime(1700000000 + 13 * 3600, text));  // 2023-11-14 22:13:20 + 13 h
        EXPECT_STREQ(text, "2023:11:15 11:13:20");
    }
    {
        test::ScopedEnv zone("TZ", "EST5");
        ::tzset();
        EXPECT_TRUE(formatTiffDateTime(0, text));
        EXPECT_STREQ(text, "1969:12:31 19:00:00");
    }
    ::tzset();
}

}  // namespace
}  // namespace kyp
