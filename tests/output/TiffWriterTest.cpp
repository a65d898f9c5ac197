#include "engine/output/TiffWriter.h"

#include <gtest/gtest.h>

#include <ctime>

#include "engine/output/ExifCarry.h"
#include "output/OutputTestSupport.h"
#include "raw/TiffBytes.h"

namespace kyp {
namespace {

using test::FindWritten;
using test::Le16;
using test::MakeImage;
using test::ReadDirectory;
using test::WrittenEntry;

class TiffWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::CameraSource(sourceBytes_, source_));
        output_.tx = output_.ta = true;
        output_.t16 = false;
    }

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

// (The layout of converted files is checked by their digests in the console
// tests.) Samples beyond 1023 are written as 1023 instead of wrapping; grey
// files take the green samples.
TEST_F(TiffWriterTest, SamplesAreClampedNotWrapped) {
    const uint16_t s[9] = {1023, 1021, 1, 2, 0, 512, 4000, 65535, 3};
    const test::OwnedImage in = MakeImage(3, 1, 3, [&](size_t i) { return s[i]; });
    const struct {
        bool t16;
        uint32_t options;
        std::vector<uint32_t> expected;
    } cases[] = {{true, 0, {65472, 65344, 64, 128, 0, 32768, 65472, 65472, 192}},
                 {false, 0, {255, 255, 0, 1, 0, 128, 255, 255, 1}},
                 {true, opt::gray, {65344, 0, 65472}},
                 {false, opt::gray, {255, 0, 255}}};
    for (const auto& c : cases) {
        output_.t16 = c.t16;
        settings_.options = c.options;
        const std::vector<uint8_t> f = Write(in);
        const std::vector<WrittenEntry> main = ReadDirectory(f, 8);
        ASSERT_FALSE(main.empty());
        const uint32_t offset = FindWritten(main, 273)->value;
        const size_t bytes = c.expected.size() * (c.t16 ? 2 : 1);
        EXPECT_EQ(offset % 16, 0u);
        EXPECT_EQ(FindWritten(main, 279)->value, bytes);
        ASSERT_EQ(f.size(), offset + bytes);
        for (size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ(c.t16 ? Le16(f, offset + 2 * i) : f[offset + i], c.expected[i]) << i << " " << c.t16;
    }
}

// Annotation texts are written only with ta, and only when not empty.
TEST_F(TiffWriterTest, AnnotationsNeedTaAndText) {
    const test::OwnedImage in = MakeImage(1, 1, 3, [](size_t) { return 0; });
    for (const bool ta : {true, false}) {
        output_.ta = ta;
        output_.artist = output_.copyright = output_.description = ta ? "" : "x";
        const std::vector<uint8_t> f = Write(in);
        const std::vector<WrittenEntry> main = ReadDirectory(f, 8);
        ASSERT_FALSE(main.empty());
        for (const uint16_t absent : {270, 315, 33432}) EXPECT_EQ(FindWritten(main, absent), nullptr) << absent;
    }
}

// A source without Exif, or whose Exif directory holds none of the carried
// tags (a directory of no entries is not valid TIFF), gives no Exif directory;
// a source without a main directory gives no file.
TEST_F(TiffWriterTest, NoExifDirectoryWithoutCarriedTagsAndNoFileWithoutASource) {
    const test::OwnedImage in = MakeImage(2, 1, 3, [](size_t) { return 500; });
    for (const bool withExif : {false, true}) {
        test::TiffBytes bare(true);
        bare.header(8);
        std::vector<test::TiffBytes::Record> records = {bare.longRecord(271, 2, 2, 0x58000000u)};  // Make "X"
        if (withExif) records.push_back(bare.longRecord(34665, 4, 1, 40));
        bare.directory(8, records);
        bare.directory(40, {bare.longRecord(37500, 7, 4, 0x6E6F7465u)});  // a maker note only
        TiffDocument plain;
        ASSERT_TRUE(plain.openMemory(bare.view()) && plain.parse());
        const std::vector<uint8_t> f = Write(in, &plain);
        const std::vector<WrittenEntry> main = ReadDirectory(f, 8);
        ASSERT_FALSE(main.empty()) << withExif;
        EXPECT_EQ(FindWritten(main, 34665), nullptr) << withExif;
        EXPECT_EQ(FindWritten(main, 272), nullptr);  // the source has no Model
        ASSERT_NE(FindWritten(main, 271), nullptr);
        EXPECT_EQ(FindWritten(main, 271)->value, 0x58u);  // "X\0", inline
    }
    // A source without a main directory is refused: no file.
    TiffDocument closed;
    EXPECT_FALSE(writeTiff(folder_ / "a.tif", nullptr, in.image, settings_, output_));
    EXPECT_FALSE(writeTiff(folder_ / "a.tif", &closed, in.image, settings_, output_));
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{"out.tif"});
}

// The written DateTime is the time of writing, in local time with a
// twenty-four hour clock.
TEST_F(TiffWriterTest, DateTimeIsTheTimeOfWriting) {
    const std::time_t before = std::time(nullptr);
    const std::vector<uint8_t> f = Write(MakeImage(5, 3, 3, [](size_t i) { return i; }));
    const std::time_t after = std::time(nullptr);
    const std::vector<WrittenEntry> entries = ReadDirectory(f, 8);
    const WrittenEntry* dateTime = FindWritten(entries, 306);
    ASSERT_TRUE(dateTime && dateTime->count == 20u);
    const std::string written = test::WrittenText(f, *dateTime);
    char low[20], high[20];
    ASSERT_TRUE(formatTiffDateTime(before, low) && formatTiffDateTime(after, high));
    EXPECT_GE(written, std::string(low, 20));
    EXPECT_LE(written, std::string(high, 20));

    char text[20];
    for (const auto& [zone, when, expected] : {std::tuple{"UTC0", std::time_t{0}, "1970:01:01 00:00:00"},
                                               {"UTC0", std::time_t{1700000000 + 13 * 3600}, "2023:11:15 11:13:20"},
                                               {"EST5", std::time_t{0}, "1969:12:31 19:00:00"}}) {
        const test::ScopedEnv tz("TZ", zone);
        ::tzset();
        EXPECT_TRUE(formatTiffDateTime(when, text));
        EXPECT_STREQ(text, expected);
    }
    ::tzset();
}

}  // namespace
}  // namespace kyp
