#include "engine/output/JpegWriter.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <tuple>

#include "engine/output/ExifCarry.h"
#include "engine/output/JpegExifSegment.h"
#include "engine/output/JpegPreview.h"
#include "engine/raw/TiffDocument.h"
#include "output/OutputTestSupport.h"
#include "raw/TiffBytes.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

using test::Gradient;
using test::Le16;
using test::Le32;
using test::MessageCapture;
using test::ReadDirectory;
using test::Segment;
using test::Segments;
using test::WrittenEntry;

struct Encoded {
    bool ok = false;
    std::vector<uint8_t> bytes;
};

Encoded Encode(const ProcessedImage& image, const TiffDocument* source, const OutputSettings* settings) {
    JpegOutputBuffer buffer;
    Encoded e;
    e.ok = writeJpeg(image, source, settings, buffer);
    e.bytes = buffer.contiguous();
    return e;
}

OutputSettings PlainSettings(int quality = 95) {
    OutputSettings s;
    s.jx = s.ja = false;
    s.jpegQuality = quality;
    return s;
}

// The TIFF structure inside an APP1 segment.
std::vector<uint8_t> ExifTiff(const Segment& app1) {
    return app1.data.size() > 6 ? std::vector<uint8_t>(app1.data.begin() + 6, app1.data.end()) : std::vector<uint8_t>{};
}

std::vector<uint16_t> TagsOf(const std::vector<WrittenEntry>& entries) {
    std::vector<uint16_t> tags;
    for (const WrittenEntry& e : entries) tags.push_back(e.tag);
    return tags;
}

// A small generated ORF: its Exif directory holds the copied tags but
// FlashpixVersion and FileSource, and others that are not copied (LightSource,
// MakerNote, pixel dimensions, the Interoperability pointer).
class JpegWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        sample::SampleOrfOptions o;
        o.width = 64;
        o.height = 48;
        o.previewWidth = 16;
        o.minimumFileSize = 0;
        ASSERT_TRUE(sample::BuildSampleOrf(o, bytes_));
        ASSERT_TRUE(source_.openMemory(ByteView(bytes_.data(), bytes_.size())) && source_.parse());
    }
    std::vector<Segment> SegmentsOf(const ProcessedImage& image, const OutputSettings* settings,
                                    const TiffDocument* source = nullptr) {
        return Segments(Encode(image, source ? source : &source_, settings).bytes);
    }
    std::vector<uint8_t> bytes_;
    TiffDocument source_;
    MessageCapture messages_;
};

TEST_F(JpegWriterTest, RoundTripKeepsTheSamplesClose) {
    for (uint16_t channels : {uint16_t{1}, uint16_t{3}}) {
        const test::OwnedImage in = Gradient(67, 45, channels);
        const OutputSettings settings = PlainSettings(95);
        const Encoded e = Encode(in.image, nullptr, &settings);
        ASSERT_TRUE(e.ok);
        JpegPreviewImage out;
        ASSERT_TRUE(decodeEmbeddedPreview(out, e.bytes.data(), e.bytes.size()));
        ASSERT_EQ(out.width, 67);
        ASSERT_EQ(out.height, 45);
        ASSERT_EQ(out.channels, channels);
        int worst = 0;
        long total = 0;
        for (int y = 0; y < out.height; ++y)
            for (int x = 0; x < out.width; ++x)
                for (int c = 0; c < channels; ++c) {
                    const int expected = std::min(255, (in.samples[(size_t(y) * 67 + x) * channels + c] + 2) / 4);
                    const int got = out.row(y)[x * channels + (channels == 3 ? 2 - c : 0)];  // stored blue, green, red
                    worst = std::max(worst, std::abs(got - expected));
                    total += std::abs(got - expected);
                }
        EXPECT_LE(worst, 10) << channels;
        EXPECT_LT(double(total) / (67.0 * 45 * channels), 2.0) << channels;
    }
    EXPECT_EQ(MessageCapture::count, 0);
}

TEST_F(JpegWriterTest, SegmentOrderAndComments) {
    const test::OwnedImage in = Gradient(8, 8, 3);
    OutputSettings settings;
    settings.artist = "Ann";
    settings.copyright = "(c) Ann";
    settings.description = "Dunes";
    const std::vector<Segment> s = SegmentsOf(in.image, &settings);
    ASSERT_GE(s.size(), 7u);
    EXPECT_EQ(s[0].marker, 0xD8);
    EXPECT_EQ(s[1].marker, 0xE0);
    EXPECT_EQ(std::string(s[1].data.begin(), s[1].data.begin() + 5), std::string("JFIF\0", 5));
    EXPECT_EQ(s[2].marker, 0xE1);
    EXPECT_EQ(std::string(s[2].data.begin(), s[2].data.begin() + 6), std::string("Exif\0\0", 6));
    const char* texts[] = {"Ann", "(c) Ann", "Dunes"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s[3 + i].marker, 0xFE);
        EXPECT_EQ(std::string(s[3 + i].data.begin(), s[3 + i].data.end()), std::string(texts[i]) + '\0');
    }
    EXPECT_NE(s[6].marker, 0xFE);
    // The texts also stand in the Exif segment's first directory.
    const std::vector<uint8_t> tiff = ExifTiff(s[2]);
    const std::vector<WrittenEntry> first = ReadDirectory(tiff, 8);
    EXPECT_EQ(TagsOf(first), (std::vector<uint16_t>{270, 305, 306, 315, 33432, 34665}));
    EXPECT_EQ(test::WrittenText(tiff, first[0]), std::string("Dunes\0", 6));
    EXPECT_EQ(first[3].value, 0x006E6E41u);  // "Ann\0", inline

    // Empty texts still give a segment each but stay out of the Exif directory;
    // absent ones give none; with ja off neither.
    settings.artist = settings.copyright = settings.description = "";
    const std::vector<Segment> empty = SegmentsOf(in.image, &settings);
    ASSERT_GE(empty.size(), 6u);
    for (int i = 3; i < 6; ++i) EXPECT_EQ(empty[i].data, std::vector<uint8_t>{0});
    EXPECT_EQ(ReadDirectory(ExifTiff(empty[2]), 8).size(), 3u);
    settings.artist.reset();
    settings.copyright.reset();
    settings.description.reset();
    for (const Segment& seg : SegmentsOf(in.image, &settings)) EXPECT_NE(seg.marker, 0xFE);
    settings.artist = "Ann";
    settings.ja = false;
    const std::vector<Segment> off = SegmentsOf(in.image, &settings);
    EXPECT_EQ(ReadDirectory(ExifTiff(off[2]), 8).size(), 3u);
    EXPECT_NE(off[3].marker, 0xFE);
}

TEST_F(JpegWriterTest, ExifSegmentStructure) {
    const OutputSettings settings;  // jx, ja set; texts absent
    const std::time_t before = std::time(nullptr);
    const std::vector<Segment> s = SegmentsOf(Gradient(8, 8, 3).image, &settings);
    const std::time_t after = std::time(nullptr);
    ASSERT_EQ(s[2].marker, 0xE1);
    const std::vector<uint8_t> tiff = ExifTiff(s[2]);
    EXPECT_EQ(std::vector<uint8_t>(tiff.begin(), tiff.begin() + 8), (std::vector<uint8_t>{'I', 'I', 42, 0, 8, 0, 0, 0}));
    // The segment length counts itself, "Exif\0\0" and the TIFF structure.
    EXPECT_EQ(s[2].data.size() + 2, tiff.size() + 8);

    // First directory: Software, DateTime, ExifIFD; the values follow both directories.
    const uint32_t exif = 8 + 2 + 12 * 3 + 4;
    const uint32_t dataStart = exif + 2 + 12 * 13 + 4;
    const std::vector<WrittenEntry> first = ReadDirectory(tiff, 8);
    EXPECT_EQ(first, (std::vector<WrittenEntry>{{305, 2, 9, dataStart}, {306, 2, 20, dataStart + 9}, {34665, 4, 1, exif}}));
    EXPECT_EQ(Le32(tiff, 8 + 2 + 36), 0u);  // next directory
    EXPECT_EQ(std::string(tiff.begin() + dataStart, tiff.begin() + dataStart + 9), std::string("KypSuite\0", 9));
    const std::string stamp(tiff.begin() + dataStart + 9, tiff.begin() + dataStart + 29);
    char earliest[20], latest[20];
    ASSERT_TRUE(formatTiffDateTime(before, earliest) && formatTiffDateTime(after, latest));
    EXPECT_TRUE(stamp == std::string(earliest, 20) || stamp == std::string(latest, 20)) << stamp;

    // Exif directory: the copied entries in order; LightSource, the maker note,
    // the pixel dimensions and the Interoperability pointer left out.
    const std::vector<WrittenEntry> entries = ReadDirectory(tiff, exif);
    EXPECT_EQ(TagsOf(entries), (std::vector<uint16_t>{33434, 33437, 34850, 34855, 36864, 36867, 36868, 37380, 37381,
                                                      37383, 37385, 37386, 40961}));
    ASSERT_EQ(entries.size(), 13u);
    EXPECT_EQ(entries[2].value, 0x00020002u);  // ExposureProgram: one SHORT, repeated in the second half
    EXPECT_EQ(entries[3].value, 100u);         // ISO, inline, now little-endian
    // Values in entry order; RATIONAL data is 4-aligned, ExifVersion's four bytes are inline.
    const uint32_t time = (dataStart + 29 + 3) / 4 * 4;
    EXPECT_EQ(entries[0].value, time);
    EXPECT_EQ(Le32(tiff, time), 10u);
    EXPECT_EQ(Le32(tiff, time + 4), 1250u);
    EXPECT_EQ(entries[1].value, time + 8);
    EXPECT_EQ(entries[5].value, time + 16);
    EXPECT_EQ(std::string(tiff.begin() + time + 16, tiff.begin() + time + 36), std::string("2003:06:14 10:31:07\0", 20));
    EXPECT_EQ(tiff.size(), entries[11].value + 8);  // FocalLength's rational comes last

    // One channel: no ColorSpace.
    const std::vector<uint8_t> grey = ExifTiff(SegmentsOf(Gradient(8, 8, 1).image, &settings)[2]);
    const std::vector<WrittenEntry> greyEntries = ReadDirectory(grey, ReadDirectory(grey, 8).at(2).value);
    ASSERT_EQ(greyEntries.size(), 12u);
    EXPECT_EQ(greyEntries.back().tag, 37386);
}

TEST_F(JpegWriterTest, WhenThereIsNoExifSegment) {
    const test::OwnedImage in = Gradient(8, 8, 3);
    OutputSettings settings;
    settings.jx = false;
    EXPECT_NE(SegmentsOf(in.image, &settings)[2].marker, 0xE1);
    settings.jx = true;
    EXPECT_NE(Segments(Encode(in.image, nullptr, &settings).bytes)[2].marker, 0xE1);
    test::TiffBytes bare(true);
    bare.header(8);
    bare.directory(8, {bare.longRecord(256, 4, 1, 8)});
    TiffDocument noExif;
    ASSERT_TRUE(noExif.openMemory(bare.view()) && noExif.parse());
    EXPECT_NE(SegmentsOf(in.image, &settings, &noExif)[2].marker, 0xE1);
    // Without settings: the Exif segment and no comments.
    const std::vector<Segment> s = SegmentsOf(in.image, nullptr);
    EXPECT_EQ(s[2].marker, 0xE1);
    EXPECT_NE(s[3].marker, 0xFE);
}

TEST_F(JpegWriterTest, QualityScalesTheBaselineTables) {
    const test::OwnedImage in = Gradient(16, 16, 3);
    // The first and last values of the first quantisation table: the
    // luminance steps 16 (DC) and 99 (highest frequency), in zigzag order.
    const auto steps = [&](const OutputSettings* settings) {
        for (const Segment& s : Segments(Encode(in.image, nullptr, settings).bytes))
            if (s.marker == 0xDB && s.data.size() >= 65) return std::pair<int, int>(s.data[1], s.data[64]);
        return std::pair<int, int>(-1, -1);
    };
    // Scaled by 5000 / q (q < 50) or 200 − 2q percent, rounded, kept in 1..255.
    const std::tuple<int, int, int> cases[] = {{50, 16, 99}, {90, 3, 20}, {95, 2, 10}, {99, 1, 2},
                                               {100, 1, 1},  {10, 80, 255}, {0, 255, 255}, {250, 1, 1}};
    for (auto [quality, dc, last] : cases) {
        const OutputSettings settings = PlainSettings(quality);
        EXPECT_EQ(steps(&settings), (std::pair<int, int>(dc, last))) << quality;
    }
    EXPECT_EQ(steps(nullptr), (std::pair<int, int>(3, 20)));  // 90 without settings
}

TEST_F(JpegWriterTest, OversizedTextsAreCutToFitTheirSegments) {
    const test::OwnedImage in = Gradient(16, 16, 3);
    OutputSettings settings;
    settings.description = std::string(100 * 1024, 'd');
    // Two-byte characters at odd offsets: the comment cut at 65532 would split one.
    std::string accents = "x";
    for (int i = 0; i < 50000; ++i) accents += "\xC3\xA9";
    settings.artist = accents;
    const Encoded e = Encode(in.image, &source_, &settings);
    ASSERT_TRUE(e.ok);
    const std::vector<Segment> s = Segments(e.bytes);
    ASSERT_EQ(s[3].marker, 0xFE);
    EXPECT_EQ(s[3].data.size(), 65532u);  // 65531 bytes of whole characters and the zero
    EXPECT_EQ(std::string(s[3].data.begin(), s[3].data.end() - 1), accents.substr(0, 65531));
    ASSERT_EQ(s[4].marker, 0xFE);  // no copyright text: no segment
    EXPECT_EQ(s[4].data.size(), kJpegMaxSegmentData);
    EXPECT_EQ(s[4].data.back(), 0);
    const std::vector<WrittenEntry> first = ReadDirectory(ExifTiff(s[2]), 8);
    ASSERT_EQ(first.size(), 5u);
    EXPECT_EQ(first[0].count, kExifMaxTextBytes + 1);  // description
    EXPECT_EQ(first[3].count, kExifMaxTextBytes + 1);  // artist: 16383 ends a character
    JpegPreviewImage out;
    EXPECT_TRUE(decodeEmbeddedPreview(out, e.bytes.data(), e.bytes.size()));
    EXPECT_EQ(MessageCapture::count, 0);
}

TEST_F(JpegWriterTest, FailuresReportFalse) {
    const test::OwnedImage in = Gradient(8, 8, 3);
    const OutputSettings settings = PlainSettings();
    ProcessedImage empty = in.image;
    empty.width = 0;
    EXPECT_FALSE(Encode(empty, &source_, &settings).ok);  // the library refuses an empty image
    EXPECT_EQ(MessageCapture::count, 1);
    EXPECT_EQ(MessageCapture::caption, "JPEG Library Error");
    EXPECT_FALSE(MessageCapture::last.empty());
    ProcessedImage bad[3] = {in.image, in.image, in.image};
    bad[0].channels = 2;
    bad[1].samples = nullptr;
    bad[2].width = 70000;
    for (const ProcessedImage& image : bad) EXPECT_FALSE(Encode(image, nullptr, &settings).ok);
    // The next write is unaffected.
    EXPECT_TRUE(Encode(in.image, &source_, &settings).ok);
    EXPECT_EQ(MessageCapture::count, 1);
}

// exiftool, a reader independent of ours, sees the Exif tags and the comments.
TEST_F(JpegWriterTest, ExiftoolReadsTheExifAndComments) {
    if (!test::HasTool("exiftool")) GTEST_SKIP() << "exiftool not installed";
    test::TestFolder folder;
    OutputSettings settings;
    settings.artist = "Ann";
    settings.copyright = "(c) Ann";
    settings.description = "Dunes";
    JpegOutputBuffer buffer;
    ASSERT_TRUE(writeJpeg(Gradient(32, 24, 3).image, &source_, &settings, buffer));
    ASSERT_TRUE(writeBufferToFile(folder / "exif.jpg", buffer));
    const std::string out = test::RunCommand("exiftool -a -s -s -G1 -Software -ModifyDate -ExposureTime -FNumber -ISO "
                                             "-ExposureProgram -DateTimeOriginal -ColorSpace -Artist -Comment -Warning '" +
                                             folder / "exif.jpg" + "'");
    for (const char* line : {"[IFD0] Software: KypSuite", "[IFD0] ModifyDate: ", "[IFD0] Artist: Ann",
                             "[ExifIFD] ExposureTime: 1/125", "[ExifIFD] FNumber: 2.8", "[ExifIFD] ISO: 100",
                             "[ExifIFD] ExposureProgram: Program AE", "[ExifIFD] DateTimeOriginal: 2003:06:14 10:31:07",
                             "[ExifIFD] ColorSpace: sRGB", "Comment: Ann", "Comment: (c) Ann", "Comment: Dunes"})
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    EXPECT_EQ(out.find("Warning"), std::string::npos) << out;
}

}  // namespace
}  // namespace kyp
