#include "engine/output/JpegWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "engine/output/JpegExifSegment.h"
#include "engine/output/JpegPreview.h"
#include "engine/output/TiffWriter.h"
#include "engine/raw/TiffDocument.h"
#include "output/JpegTestSupport.h"
#include "raw/TiffBytes.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

using namespace jpegtest;

// A small generated ORF: its Exif directory holds the copied tags but
// FlashpixVersion and FileSource, and others that are not copied (LightSource,
// MakerNote, pixel dimensions, the Interoperability pointer).
std::vector<uint8_t> sourceBytes() {
    sample::SampleOrfOptions o;
    o.width = 64;
    o.height = 48;
    o.previewWidth = 16;
    o.minimumFileSize = 0;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(sample::BuildSampleOrf(o, bytes));
    return bytes;
}

struct Encoded {
    bool ok = false;
    std::vector<uint8_t> bytes;
};

Encoded encode(const ProcessedImage& image, const TiffDocument* source, const OutputSettings* settings) {
    JpegOutputBuffer buffer;
    Encoded e;
    e.ok = writeJpeg(image, source, settings, buffer);
    e.bytes = buffer.contiguous();
    return e;
}

OutputSettings plainSettings(int quality = 95) {
    OutputSettings s;
    s.jx = false;
    s.ja = false;
    s.jpegQuality = quality;
    return s;
}

class JpegWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        bytes_ = sourceBytes();
        ASSERT_TRUE(source_.openMemory(ByteView(bytes_.data(), bytes_.size())) && source_.parse());
    }
    std::vector<uint8_t> bytes_;
    TiffDocument source_;
    MessageCapture messages_;
};

// The first directory's entry i of the TIFF structure inside an APP1 segment.
struct Entry12 {
    uint16_t tag, type;
    uint32_t count, value;
};
Entry12 entryAt(const uint8_t* tiff, uint32_t directory, int i) {
    const uint8_t* p = tiff + directory + 2 + 12 * i;
    return {le16(p), le16(p + 2), le32(p + 4), le32(p + 8)};
}

TEST_F(JpegWriterTest, RoundTripKeepsTheSamplesClose) {
    for (uint16_t channels : {uint16_t{1}, uint16_t{3}}) {
        OwnedImage in = gradient(67, 45, channels);
        const OutputSettings settings = plainSettings(95);
        const Encoded e = encode(in.image, nullptr, &settings);
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
                    const uint16_t s = in.samples[(size_t(y) * 67 + x) * channels + c];
                    const int expected = std::min(255, (s + 2) / 4);
                    // Stored blue, green, red.
                    const int got = out.row(y)[x * channels + (channels == 3 ? 2 - c : 0)];
                    worst = std::max(worst, std::abs(got - expected));
                    total += std::abs(got - expected);
                }
        EXPECT_LE(worst, 10) << channels;
        EXPECT_LT(double(total) / (67.0 * 45 * channels), 2.0) << channels;
    }
    EXPECT_EQ(MessageCapture::count(), 0);
}

TEST_F(JpegWriterTest, SegmentOrderAndComments) {
    OwnedImage in = gradient(8, 8, 3);
    OutputSettings settings;
    settings.artist = "Ann";
    settings.copyright = "(c) Ann";
    settings.description = "Dunes";
    const Encoded e = encode(in.image, &source_, &settings);
    ASSERT_TRUE(e.ok);
    const std::vector<Segment> s = segments(e.bytes);
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
    const uint8_t* tiff = s[2].data.data() + 6;
    ASSERT_EQ(le16(tiff + 8), 6);
    const uint16_t tags[] = {270, 305, 306, 315, 33432, 34665};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(entryAt(tiff, 8, i).tag, tags[i]);
    EXPECT_EQ(entryAt(tiff, 8, 0).count, 6u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tiff + entryAt(tiff, 8, 0).value)), "Dunes");
    EXPECT_EQ(entryAt(tiff, 8, 3).value, 0x006E6E41u);  // "Ann\0", inline


    // Empty texts still give a segment each but stay out of the Exif directory; absent ones give none.
    settings.artist = "";
    settings.copyright = "";
    settings.description = "";
    std::vector<Segment> empty = segments(encode(in.image, &source_, &settings).bytes);
    ASSERT_GE(empty.size(), 6u);
    for (int i = 3; i < 6; ++i) EXPECT_EQ(empty[i].data, std::vector<uint8_t>{0});
    EXPECT_EQ(le16(empty[2].data.data() + 6 + 8), 3);
    settings.artist.reset();
    settings.copyright.reset();
    settings.description.reset();
    for (const Segment& seg : segments(encode(in.image, &source_, &settings).bytes)) EXPECT_NE(seg.marker, 0xFE);
    // ja off: neither comments nor texts in the Exif directory.
    settings.artist = "Ann";
    settings.ja = false;
    const std::vector<Segment> off = segments(encode(in.image, &source_, &settings).bytes);
    EXPECT_EQ(le16(off[2].data.data() + 6 + 8), 3);
    EXPECT_NE(off[3].marker, 0xFE);
}

TEST_F(JpegWriterTest, ExifSegmentStructure) {
    OwnedImage in = gradient(8, 8, 3);
    OutputSettings settings;  // jx, ja set; texts absent
    const std::time_t before = std::time(nullptr);
    const Encoded e = encode(in.image, &source_, &settings);
    ASSERT_TRUE(e.ok);
    const std::vector<Segment> s = segments(e.bytes);
    ASSERT_EQ(s[2].marker, 0xE1);
    const std::vector<uint8_t>& app1 = s[2].data;
    const uint8_t* tiff = app1.data() + 6;
    const uint32_t tiffSize = static_cast<uint32_t>(app1.size() - 6);
    EXPECT_EQ(std::vector<uint8_t>(tiff, tiff + 8), (std::vector<uint8_t>{'I', 'I', 42, 0, 8, 0, 0, 0}));

    // First directory: Software, DateTime, ExifIFD.
    ASSERT_EQ(le16(tiff + 8), 3);
    const Entry12 software = entryAt(tiff, 8, 0), date = entryAt(tiff, 8, 1), pointer = entryAt(tiff, 8, 2);
    EXPECT_EQ(software.tag, 305);
    EXPECT_EQ(software.type, 2);
    EXPECT_EQ(software.count, 9u);
    EXPECT_EQ(date.tag, 306);
    EXPECT_EQ(date.count, 20u);
    EXPECT_EQ(pointer.tag, 34665);
    EXPECT_EQ(pointer.type, 4);
    EXPECT_EQ(le32(tiff + 8 + 2 + 36), 0u);  // next directory
    const uint32_t exif = 8 + 2 + 12 * 3 + 4;
    EXPECT_EQ(pointer.value, exif);

    // Exif directory: the copied entries in order; LightSource, the maker note,
    // the pixel dimensions and the Interoperability pointer left out.
    const uint16_t expectedTags[] = {33434, 33437, 34850, 34855, 36864, 36867, 36868,
                                     37380, 37381, 37383, 37385, 37386, 40961};
    ASSERT_EQ(le16(tiff + exif), 13);
    for (int i = 0; i < 13; ++i) EXPECT_EQ(entryAt(tiff, exif, i).tag, expectedTags[i]);
    // ExposureProgram: one SHORT, repeated in the second half of the value field.
    const uint8_t* program = tiff + exif + 2 + 12 * 2 + 8;
    EXPECT_EQ(std::vector<uint8_t>(program, program + 4), (std::vector<uint8_t>{2, 0, 2, 0}));
    EXPECT_EQ(entryAt(tiff, exif, 3).value, 100u);  // ISO, inline, now little-endian

    // Values: first directory's, then the Exif directory's, in entry order.
    const uint32_t dataStart = exif + 2 + 12 * 13 + 4;
    EXPECT_EQ(software.value, dataStart);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tiff + software.value), 9), std::string("KypSuite\0", 9));
    EXPECT_EQ(date.value, dataStart + 9);
    const std::string stamp(reinterpret_cast<const char*>(tiff + date.value), 19);
    EXPECT_EQ(tiff[date.value + 19], 0);
    const std::time_t after = std::time(nullptr);
    char first[20], last[20];
    ASSERT_TRUE(FormatTiffDateTime(before, first) && FormatTiffDateTime(after, last));
    EXPECT_TRUE(stamp == first || stamp == last) << stamp;
    const Entry12 time = entryAt(tiff, exif, 0), aperture = entryAt(tiff, exif, 1), original = entryAt(tiff, exif, 5);
    EXPECT_EQ(time.value, (date.value + 20 + 3) / 4 * 4);  // RATIONAL data is 4-aligned
    EXPECT_EQ(le32(tiff + time.value), 10u);
    EXPECT_EQ(le32(tiff + time.value + 4), 1250u);
    EXPECT_EQ(aperture.value, time.value + 8);
    EXPECT_EQ(original.value, aperture.value + 8);  // ExifVersion's four bytes are inline
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tiff + original.value)), "2003:06:14 10:31:07");
    EXPECT_EQ(tiffSize, entryAt(tiff, exif, 11).value + 8);  // FocalLength's rational comes last
    // The segment length counts itself, "Exif\0\0" and the TIFF structure.
    EXPECT_EQ(app1.size() + 2, tiffSize + 8);

    // One channel: no ColorSpace.
    OwnedImage grey = gradient(8, 8, 1);
    const std::vector<Segment> g = segments(encode(grey.image, &source_, &settings).bytes);
    ASSERT_EQ(g[2].marker, 0xE1);
    const uint8_t* gtiff = g[2].data.data() + 6;
    const uint32_t gexif = entryAt(gtiff, 8, 2).value;
    ASSERT_EQ(le16(gtiff + gexif), 12);
    EXPECT_EQ(entryAt(gtiff, gexif, 11).tag, 37386);
}

TEST_F(JpegWriterTest, WhenThereIsNoExifSegment) {
    OwnedImage in = gradient(8, 8, 3);
    OutputSettings settings;
    settings.jx = false;
    EXPECT_NE(segments(encode(in.image, &source_, &settings).bytes)[2].marker, 0xE1);
    settings.jx = true;
    EXPECT_NE(segments(encode(in.image, nullptr, &settings).bytes)[2].marker, 0xE1);
    test::TiffBytes bare(true);
    bare.header(8);
    bare.directory(8, {bare.longRecord(256, 4, 1, 8)});
    TiffDocument noExif;
    ASSERT_TRUE(noExif.openMemory(bare.view()) && noExif.parse());
    EXPECT_NE(segments(encode(in.image, &noExif, &settings).bytes)[2].marker, 0xE1);
    // Without settings: the Exif segment and no comments.
    const std::vector<Segment> s = segments(encode(in.image, &source_, nullptr).bytes);
    EXPECT_EQ(s[2].marker, 0xE1);
    EXPECT_NE(s[3].marker, 0xFE);
}

// The first value of the first quantisation table (the DC step of luminance).
int firstQuantStep(const std::vector<uint8_t>& jpeg) {
    for (const Segment& s : segments(jpeg))
        if (s.marker == 0xDB && s.data.size() >= 2) return s.data[1];
    return -1;
}

TEST_F(JpegWriterTest, QualityScalesTheBaselineTables) {
    OwnedImage in = gradient(16, 16, 3);
    // The standard luminance DC step 16 scaled by 5000 / q (q < 50) or 200 − 2q.
    const std::pair<int, int> cases[] = {{50, 16}, {90, 3}, {95, 2}, {100, 1}, {10, 80}, {0, 255}, {250, 1}};
    for (auto [quality, step] : cases) {
        const OutputSettings settings = plainSettings(quality);
        EXPECT_EQ(firstQuantStep(encode(in.image, nullptr, &settings).bytes), step) << quality;
    }
    EXPECT_EQ(firstQuantStep(encode(in.image, nullptr, nullptr).bytes), 3);  // 90 without settings
}

TEST_F(JpegWriterTest, OversizedTextsAreCutToFitTheirSegments) {
    OwnedImage in = gradient(16, 16, 3);
    OutputSettings settings;
    settings.description = std::string(100 * 1024, 'd');
    // Two-byte characters at odd offsets: the comment cut at 65532 would split one.
    std::string accents = "x";
    for (int i = 0; i < 50000; ++i) accents += "\xC3\xA9";
    settings.artist = accents;
    const Encoded e = encode(in.image, &source_, &settings);
    ASSERT_TRUE(e.ok);
    const std::vector<Segment> s = segments(e.bytes);
    ASSERT_EQ(s[3].marker, 0xFE);
    EXPECT_EQ(s[3].data.size(), 65532u);  // 65531 bytes of whole characters and the zero
    EXPECT_EQ(std::string(s[3].data.begin(), s[3].data.end() - 1), accents.substr(0, 65531));
    ASSERT_EQ(s[4].marker, 0xFE);  // no copyright text: no segment
    EXPECT_EQ(s[4].data.size(), kJpegMaxSegmentData);
    EXPECT_EQ(s[4].data.back(), 0);

    const uint8_t* tiff = s[2].data.data() + 6;
    EXPECT_EQ(entryAt(tiff, 8, 0).count, kExifMaxTextBytes + 1);        // description
    EXPECT_EQ(entryAt(tiff, 8, 3).count, kExifMaxTextBytes + 1);        // artist: 16383 ends a character
    JpegPreviewImage out;
    EXPECT_TRUE(decodeEmbeddedPreview(out, e.bytes.data(), e.bytes.size()));
    EXPECT_EQ(MessageCapture::count(), 0);
}

TEST_F(JpegWriterTest, FailuresReportFalse) {
    OwnedImage in = gradient(8, 8, 3);
    const OutputSettings settings = plainSettings();
    ProcessedImage empty = in.image;
    empty.width = 0;
    EXPECT_FALSE(encode(empty, &source_, &settings).ok);  // the library refuses an empty image
    EXPECT_EQ(MessageCapture::count(), 1);
    EXPECT_EQ(MessageCapture::caption(), "JPEG Library Error");
    EXPECT_FALSE(MessageCapture::last().empty());

    ProcessedImage two = in.image;
    two.channels = 2;
    EXPECT_FALSE(encode(two, nullptr, &settings).ok);
    ProcessedImage none = in.image;
    none.samples = nullptr;
    EXPECT_FALSE(encode(none, nullptr, &settings).ok);
    ProcessedImage wide = in.image;
    wide.width = 70000;
    EXPECT_FALSE(encode(wide, nullptr, &settings).ok);
    // The next write is unaffected.
    EXPECT_TRUE(encode(in.image, &source_, &settings).ok);
    EXPECT_EQ(MessageCapture::count(), 1);
}

// ---- independent tools ----

std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char chunk[4096];
        size_t n = 0;
        while ((n = std::fread(chunk, 1, sizeof chunk, p)) > 0) out.append(chunk, n);
        pclose(p);
    }
    return out;
}

bool haveTool(const char* name) { return !run(std::string("command -v ") + name + " 2>/dev/null").empty(); }

std::string tempPath(const char* name) { return test::TestPath(name); }

TEST_F(JpegWriterTest, ExiftoolReadsTheExifAndComments) {
    if (!haveTool("exiftool")) GTEST_SKIP() << "exiftool not installed";
    OwnedImage in = gradient(32, 24, 3);
    OutputSettings settings;
    settings.artist = "Ann";
    settings.copyright = "(c) Ann";
    settings.description = "Dunes";
    JpegOutputBuffer buffer;
    ASSERT_TRUE(writeJpeg(in.image, &source_, &settings, buffer));
    const std::string path = tempPath("exif.jpg");
    ASSERT_TRUE(writeBufferToFile(path, buffer));
    const std::string out = run("exiftool -a -s -s -G1 -Software -ModifyDate -ExposureTime -FNumber -ISO "
                                "-ExposureProgram -DateTimeOriginal -ColorSpace -Artist -Comment -Warning '" + path + "'");
    EXPECT_NE(out.find("[IFD0] Software: KypSuite"), std::string::npos) << out;
    EXPECT_NE(out.find("[IFD0] ModifyDate: "), std::string::npos) << out;
    EXPECT_NE(out.find("[IFD0] Artist: Ann"), std::string::npos) << out;
    EXPECT_NE(out.find("[ExifIFD] ExposureTime: 1/125"), std::string::npos) << out;
    EXPECT_NE(out.find("[ExifIFD] FNumber: 2.8"), std::string::npos) << out;
    EXPECT_NE(out.find("[ExifIFD] ISO: 100"), std::string::npos) << out;
    EXPECT_NE(out.find("[ExifIFD] ExposureProgram: Program AE"), std::string::npos) << out;
    EXPECT_NE(out.find("[ExifIFD] DateTimeOriginal: 2003:06:14 10:31:07"), std::string::npos) << out;
    EXPECT_NE(out.find("[ExifIFD] ColorSpace: sRGB"), std::string::npos) << out;
    EXPECT_NE(out.find("Comment: Ann"), std::string::npos) << out;
    EXPECT_NE(out.find("Comment: (c) Ann"), std::string::npos) << out;
    EXPECT_NE(out.find("Comment: Dunes"), std::string::npos) << out;
    EXPECT_EQ(out.find("Warning"), std::string::npos) << out;
}

TEST_F(JpegWriterTest, DjpegDecodesTheStream) {
    if (!haveTool("djpeg")) GTEST_SKIP() << "djpeg not installed";
    OwnedImage in = gradient(33, 17, 3);
    JpegOutputBuffer buffer;
    ASSERT_TRUE(writeJpeg(in.image, &source_, nullptr, buffer));
    const std::string path = tempPath("djpeg.jpg");
    ASSERT_TRUE(writeBufferToFile(path, buffer));
    const std::string ppm = run("djpeg -pnm '" + path + "' 2>&1");
    ASSERT_EQ(ppm.substr(0, 13), "P6\n33 17\n255\n") << ppm.substr(0, 200);
    ASSERT_EQ(ppm.size(), 13 + 33 * 17 * 3u);
    int worst = 0;
    for (size_t i = 0; i < 33 * 17 * 3u; ++i)
        worst = std::max(worst, std::abs(int(uint8_t(ppm[13 + i])) - std::min(255, (in.samples[i] + 2) / 4)));
    EXPECT_LE(worst, 10);
}

}  // namespace
}  // namespace kyp
