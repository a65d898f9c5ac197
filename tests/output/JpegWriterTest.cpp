#include "engine/output/JpegWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "engine/output/JpegExifSegment.h"
#include "engine/output/JpegPreview.h"
#include "engine/raw/TiffDocument.h"
#include "output/OutputTestSupport.h"
#include "raw/TiffBytes.h"

namespace kyp {
namespace {

using test::Gradient;
using test::MessageCapture;
using test::ReadDirectory;
using test::Segment;
using test::Segments;

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

// (Converted files, their Exif segment and comments included, are checked by
// their digests in the console tests.)
class JpegWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::CameraSource(bytes_, source_)); }
    std::vector<Segment> SegmentsOf(const ProcessedImage& image, const OutputSettings* settings,
                                    const TiffDocument* source = nullptr) {
        return Segments(Encode(image, source ? source : &source_, settings).bytes);
    }
    std::vector<uint8_t> bytes_;
    TiffDocument source_;
    MessageCapture messages_;
};

TEST_F(JpegWriterTest, WhenExifOrTextsAreLeftOut) {
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
    // With ja off no text: no comment segment, no Exif entry.
    settings.artist = "Ann";
    settings.ja = false;
    const std::vector<Segment> off = SegmentsOf(in.image, &settings);
    EXPECT_EQ(ReadDirectory(ExifTiff(off[2]), 8).size(), 3u);  // Software, DateTime, ExifIFD
    EXPECT_NE(off[3].marker, 0xFE);
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
    settings.copyright = "";  // empty: a segment of its zero byte, no Exif entry
    const Encoded e = Encode(in.image, &source_, &settings);
    ASSERT_TRUE(e.ok);
    const std::vector<Segment> s = Segments(e.bytes);
    ASSERT_EQ(s[3].marker, 0xFE);
    EXPECT_EQ(s[3].data.size(), 65532u);  // 65531 bytes of whole characters and the zero
    EXPECT_EQ(std::string(s[3].data.begin(), s[3].data.end() - 1), accents.substr(0, 65531));
    ASSERT_EQ(s[4].marker, 0xFE);
    EXPECT_EQ(s[4].data, std::vector<uint8_t>{0});
    ASSERT_EQ(s[5].marker, 0xFE);
    EXPECT_EQ(s[5].data.size(), kJpegMaxSegmentData);
    EXPECT_EQ(s[5].data.back(), 0);
    const std::vector<test::WrittenEntry> first = ReadDirectory(ExifTiff(s[2]), 8);
    ASSERT_EQ(first.size(), 5u);
    EXPECT_EQ(first[0].count, kExifMaxTextBytes + 1);  // description
    EXPECT_EQ(first[3].count, kExifMaxTextBytes + 1);  // artist: 16383 ends a character
    JpegPreviewImage out;
    EXPECT_TRUE(decodeEmbeddedPreview(out, e.bytes.data(), e.bytes.size()));
    EXPECT_EQ(MessageCapture::count, 0);
}

// (Images the writers refuse are in OutputWriterTest.)
TEST_F(JpegWriterTest, LibraryErrorsAreReportedOnceAndPassOn) {
    const test::OwnedImage in = Gradient(8, 8, 3);
    const OutputSettings settings = PlainSettings();
    ProcessedImage empty = in.image;
    empty.width = 0;
    EXPECT_FALSE(Encode(empty, &source_, &settings).ok);  // the library refuses an empty image
    EXPECT_EQ(MessageCapture::count, 1);
    EXPECT_EQ(MessageCapture::caption, "JPEG Library Error");
    EXPECT_FALSE(MessageCapture::last.empty());
    // The next write is unaffected.
    EXPECT_TRUE(Encode(in.image, &source_, &settings).ok);
    EXPECT_EQ(MessageCapture::count, 1);
}

}  // namespace
}  // namespace kyp
