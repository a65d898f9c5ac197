// Written TIFF files against independent readers: libtiff's tiffinfo and
// tiffdump, netpbm's tifftopnm for the pixels, and exiftool for the carried
// tags. Each check is skipped when its tool is not installed.
#include "engine/output/TiffWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "output/TiffWriterTestSupport.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

using namespace testing;

class TiffWriterPeerTest : public ::testing::Test {
protected:
    void SetUp() override {
        sourceBytes_ = CameraSourceBytes();
        ASSERT_TRUE(source_.openMemory(ByteView(sourceBytes_.data(), sourceBytes_.size())));
        ASSERT_TRUE(source_.parse());
        samples_ = MakeSamples(kWidth, kHeight, 3, [](size_t i) { return (i * 37 + i / 7) % 1024; });
        output_.tx = true;
        output_.ta = true;
        output_.artist = "Ann Example";
        output_.copyright = "(c) 2024 Zed";
    }

    std::string WriteVariant(bool sixteen, bool gray) {
        output_.t16 = sixteen;
        ImportSettings settings;
        settings.options = gray ? opt::gray : 0;
        const std::string path = folder_.file(std::string(sixteen ? "s16" : "s8") + (gray ? "g" : "c") + ".tif");
        const ProcessedImage image = ImageOf(samples_, kWidth, kHeight, 3);
        EXPECT_TRUE(writeTiff(path, &source_, image, settings, output_)) << path;
        return path;
    }

    static constexpr uint32_t kWidth = 13;  // odd, so no row is a multiple of 4 bytes
    static constexpr uint32_t kHeight = 6;
    TempFolder folder_;
    std::vector<uint8_t> sourceBytes_;
    TiffDocument source_;
    std::vector<uint16_t> samples_;
    OutputSettings output_;
};

TEST_F(TiffWriterPeerTest, LibtiffReadsTheFilesWithoutComplaint) {
    const std::string tiffinfo = FindTool("tiffinfo");
    const std::string tiffdump = FindTool("tiffdump");
    if (tiffinfo.empty() || tiffdump.empty()) GTEST_SKIP() << "tiffinfo/tiffdump (libtiff-tools) are not installed";
    for (const bool sixteen : {false, true})
        for (const bool gray : {false, true}) {
            const std::string path = WriteVariant(sixteen, gray);
            int status = 0;
            // -D reads the image data too; anything on the error stream is a warning.
            const std::string info = RunCommand(tiffinfo + " -D '" + path + "' 2>&1 >/dev/null", status);
            EXPECT_EQ(status, 0) << path;
            EXPECT_EQ(info, "") << path;
            const std::string dump = RunCommand(tiffdump + " '" + path + "' 2>&1 >/dev/null", status);
            EXPECT_EQ(status, 0) << path;
            EXPECT_EQ(dump, "") << path;
            const std::string text = RunCommand(tiffinfo + " '" + path + "' 2>/dev/null", status);
            EXPECT_NE(text.find(sixteen ? "Bits/Sample: 16" : "Bits/Sample: 8"), std::string::npos) << text;
            EXPECT_NE(text.find(gray ? "min-is-black" : "RGB color"), std::string::npos) << text;
        }
}

TEST_F(TiffWriterPeerTest, NetpbmSeesTheSamePixels) {
    const std::string tifftopnm = FindTool("tifftopnm");
    if (tifftopnm.empty()) GTEST_SKIP() << "tifftopnm (netpbm) is not installed";
    for (const bool sixteen : {false, true})
        for (const bool gray : {false, true}) {
            const std::string path = WriteVariant(sixteen, gray);
            int status = 0;
            // -byrow keeps all 16 bits.
            const std::string pnm = RunCommand(tifftopnm + " -byrow '" + path + "' 2>/dev/null", status);
            ASSERT_EQ(status, 0) << path;
            int w = 0, h = 0, channels = 0, maxval = 0;
            std::vector<uint16_t> read;
            ASSERT_TRUE(ParsePnm(pnm, w, h, channels, maxval, read)) << path;
            ASSERT_EQ(w, static_cast<int>(kWidth));
            ASSERT_EQ(h, static_cast<int>(kHeight));
            ASSERT_EQ(channels, gray ? 1 : 3);
            ASSERT_EQ(maxval, sixteen ? 65535 : 255);
            for (size_t p = 0; p < size_t{kWidth} * kHeight; ++p)
                for (int c = 0; c < channels; ++c) {
                    const uint16_t s = samples_[p * 3 + (gray ? 1 : c)];
                    const uint32_t expected = sixteen ? s * 64u : std::min((s + 2u) / 4u, 255u);
                    ASSERT_EQ(read[p * channels + c], expected) << path << " pixel " << p << " c" << c;
                }
        }
}

// exiftool reads the same values from the written file as from the camera file.
TEST_F(TiffWriterPeerTest, ExiftoolReadsTheCarriedTagsWithTheSourceValues) {
    const std::string exiftool = FindTool("exiftool");
    if (exiftool.empty()) GTEST_SKIP() << "exiftool is not installed";
    const std::string sourcePath = folder_.file("source.orf");
    std::ofstream(sourcePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(sourceBytes_.data()), static_cast<std::streamsize>(sourceBytes_.size()));
    std::string tags = " -n -S";
    for (const char* name : {"Make", "Model", "ImageDescription", "ExposureTime", "FNumber", "ExposureProgram", "ISO",
                             "ExifVersion", "DateTimeOriginal", "ExposureCompensation", "MeteringMode", "ColorSpace",
                             "FileSource"})
        tags += std::string(" -EXIF:") + name;
    tags += " ";
    int status = 0;
    const std::string fromSource = RunCommand(exiftool + tags + "'" + sourcePath + "'", status);
    ASSERT_EQ(status, 0);
    // Every listed tag is present in the source, so the comparison covers all of them.
    EXPECT_EQ(std::count(fromSource.begin(), fromSource.end(), '\n'), 13) << fromSource;

    const std::string written = WriteVariant(false, false);
    const std::string fromWritten = RunCommand(exiftool + tags + "'" + written + "'", status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(fromWritten, fromSource);

    const std::string own = RunCommand(
        exiftool + " -S -Software -Artist -Copyright -MakerNote -ExifByteOrder -Warning '" + written + "'", status);
    EXPECT_EQ(own, "Software: KypSuite\nArtist: Ann Example\nCopyright: (c) 2024 Zed\nExifByteOrder: Little-endian (Intel, II)\n");

    // A grey file drops ColorSpace and keeps the rest.
    const std::string grey = WriteVariant(true, true);
    const std::string fromGrey = RunCommand(exiftool + tags + "'" + grey + "'", status);
    std::string expected = fromSource;
    const size_t at = expected.find("ColorSpace: ");
    ASSERT_NE(at, std::string::npos);
    expected.erase(at, expected.find('\n', at) + 1 - at);
    EXPECT_EQ(fromGrey, expected);
}

// The same on a generated ORF file: big-endian, with a maker note, an
// Interoperability directory and tags that are not carried.
TEST_F(TiffWriterPeerTest, ExiftoolAgreesOnAGeneratedOrf) {
    const std::string exiftool = FindTool("exiftool");
    if (exiftool.empty()) GTEST_SKIP() << "exiftool is not installed";
    SampleOrfOptions options;
    options.width = 64;
    options.height = 48;
    options.writePreview = false;
    options.minimumFileSize = 0;
    options.exposureBias[0] = -2;
    options.lightSource = 3;
    std::vector<uint8_t> orf;
    ASSERT_TRUE(sample::BuildSampleOrf(options, orf));
    const std::string orfPath = folder_.file("P6140001.ORF");
    std::ofstream(orfPath, std::ios::binary)
        .write(reinterpret_cast<const char*>(orf.data()), static_cast<std::streamsize>(orf.size()));
    TiffDocument document;
    ASSERT_TRUE(document.open(orfPath));
    ASSERT_TRUE(document.parse());

    const std::string path = folder_.file("P6140001.tif");
    const ProcessedImage image = ImageOf(samples_, kWidth, kHeight, 3);
    ASSERT_TRUE(writeTiff(path, &document, image, ImportSettings{}, output_));

    // EXIF: keeps exiftool from preferring the maker note's tags of the same names.
    std::string carried = " -n -S";
    for (const char* name : {"Make", "Model", "ExposureTime", "FNumber", "ExposureProgram", "ISO", "ExifVersion",
                             "DateTimeOriginal", "CreateDate", "ExposureCompensation", "MaxApertureValue",
                             "MeteringMode", "Flash", "FocalLength", "ColorSpace"})
        carried += std::string(" -EXIF:") + name;
    carried += " ";
    int status = 0;
    const std::string fromOrf = RunCommand(exiftool + carried + "'" + orfPath + "'", status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(std::count(fromOrf.begin(), fromOrf.end(), '\n'), 15) << fromOrf;
    EXPECT_EQ(RunCommand(exiftool + carried + "'" + path + "'", status), fromOrf);

    // Left behind: the maker note and its Olympus tags, LightSource, the
    // pixel dimensions, the Interoperability directory.
    const std::string dropped = RunCommand(exiftool + " -S -MakerNote* -Olympus:all -LightSource -ExifImageWidth"
                                                      " -InteropIndex -Warning '" + path + "'", status);
    EXPECT_EQ(dropped, "");
    const std::string kept = RunCommand(exiftool + " -S -LightSource -InteropIndex '" + orfPath + "'", status);
    EXPECT_NE(kept.find("LightSource"), std::string::npos) << kept;
}

}  // namespace
}  // namespace kyp
