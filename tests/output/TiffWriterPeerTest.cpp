// Written TIFF files against independent readers: libtiff's tiffinfo and
// tiffdump, netpbm's tifftopnm for the pixels, and exiftool for the carried
// tags of a generated ORF file. Each check is skipped when its tool is not
// installed.
#include "engine/output/TiffWriter.h"

#include <gtest/gtest.h>

#include "output/OutputTestSupport.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

class TiffWriterPeerTest : public ::testing::Test {
protected:
    void SetUp() override {
        sourceBytes_ = test::CameraSourceBytes();
        ASSERT_TRUE(source_.openMemory(ByteView(sourceBytes_.data(), sourceBytes_.size())) && source_.parse());
        output_.tx = output_.ta = true;
        output_.artist = "Ann Example";
        output_.copyright = "(c) 2024 Zed";
    }

    std::string WriteVariant(bool sixteen, bool gray, const TiffDocument* source = nullptr) {
        output_.t16 = sixteen;
        ImportSettings settings;
        settings.options = gray ? opt::gray : 0;
        const std::string path = folder_ / (std::string(sixteen ? "s16" : "s8") + (gray ? "g" : "c") + ".tif");
        EXPECT_TRUE(writeTiff(path, source ? source : &source_, image_.image, settings, output_)) << path;
        return path;
    }

    // exiftool's "-n -S" lines for the EXIF-group tags named.
    static std::string Exif(const std::string& path, std::initializer_list<const char*> names, int* status = nullptr) {
        std::string command = "exiftool -n -S";
        for (const char* name : names) command += std::string(" -EXIF:") + name;
        return test::RunCommand(command + " '" + path + "'", status);
    }

    static constexpr uint32_t kWidth = 13;  // odd, so no row is a multiple of 4 bytes
    static constexpr uint32_t kHeight = 6;
    test::TestFolder folder_;
    std::vector<uint8_t> sourceBytes_;
    TiffDocument source_;
    test::OwnedImage image_ = test::MakeImage(kWidth, kHeight, 3, [](size_t i) { return (i * 37 + i / 7) % 1024; });
    OutputSettings output_;
};

TEST_F(TiffWriterPeerTest, LibtiffReadsTheFilesWithoutComplaintAndNetpbmSeesTheSamePixels) {
    if (!test::HasTool("tiffinfo") || !test::HasTool("tiffdump") || !test::HasTool("tifftopnm"))
        GTEST_SKIP() << "libtiff-tools or netpbm are not installed";
    for (const bool sixteen : {false, true})
        for (const bool gray : {false, true}) {
            const std::string path = WriteVariant(sixteen, gray);
            int status = 0;
            // -D reads the image data too; anything on the error stream is a warning.
            EXPECT_EQ(test::RunCommand("tiffinfo -D '" + path + "' 2>&1 >/dev/null", &status), "") << path;
            EXPECT_EQ(status, 0) << path;
            EXPECT_EQ(test::RunCommand("tiffdump '" + path + "' 2>&1 >/dev/null", &status), "") << path;
            EXPECT_EQ(status, 0) << path;
            const std::string text = test::RunCommand("tiffinfo '" + path + "' 2>/dev/null");
            EXPECT_NE(text.find(sixteen ? "Bits/Sample: 16" : "Bits/Sample: 8"), std::string::npos) << text;
            EXPECT_NE(text.find(gray ? "min-is-black" : "RGB color"), std::string::npos) << text;

            // -byrow keeps all 16 bits.
            test::Pnm pnm;
            ASSERT_TRUE(test::ParsePnm(test::RunCommand("tifftopnm -byrow '" + path + "' 2>/dev/null", &status), pnm));
            ASSERT_EQ(status, 0) << path;
            ASSERT_EQ(pnm.width, static_cast<int>(kWidth));
            ASSERT_EQ(pnm.height, static_cast<int>(kHeight));
            ASSERT_EQ(pnm.channels, gray ? 1 : 3);
            ASSERT_EQ(pnm.maxval, sixteen ? 65535 : 255);
            for (size_t p = 0; p < size_t{kWidth} * kHeight; ++p)
                for (int c = 0; c < pnm.channels; ++c) {
                    const uint16_t s = image_.samples[p * 3 + (gray ? 1 : c)];
                    const uint32_t expected = sixteen ? s * 64u : std::min((s + 2u) / 4u, 255u);
                    ASSERT_EQ(pnm.samples[p * pnm.channels + c], expected) << path << " pixel " << p << " c" << c;
                }
        }
}

// exiftool reads the same carried values from a written file as from a
// generated ORF file (big-endian, with a maker note, an Interoperability
// directory and tags that are not carried), and our own tags as written.
TEST_F(TiffWriterPeerTest, ExiftoolReadsTheCarriedTagsWithTheSourceValues) {
    if (!test::HasTool("exiftool")) GTEST_SKIP() << "exiftool is not installed";
    SampleOrfOptions options;
    options.width = 64;
    options.height = 48;
    options.writePreview = false;
    options.minimumFileSize = 0;
    options.exposureBias[0] = -2;
    options.lightSource = 3;
    const std::string orf = folder_ / "P6140001.ORF";
    ASSERT_TRUE(WriteSampleOrf(orf, options));
    TiffDocument document;
    ASSERT_TRUE(document.open(orf) && document.parse());
    const std::string path = WriteVariant(false, false, &document);

    // EXIF: keeps exiftool from preferring the maker note's tags of the same names.
    const auto carried = {"Make",     "Model",       "ExposureTime", "FNumber",   "ExposureProgram",
                          "ISO",      "ExifVersion", "DateTimeOriginal", "CreateDate", "ExposureCompensation",
                          "MaxApertureValue", "MeteringMode", "Flash", "FocalLength", "ColorSpace"};
    int status = 0;
    const std::string fromOrf = Exif(orf, carried, &status);
    ASSERT_EQ(status, 0);
    // Every listed tag is present in the source, so the comparison covers all of them.
    EXPECT_EQ(std::count(fromOrf.begin(), fromOrf.end(), '\n'), 15) << fromOrf;
    EXPECT_EQ(Exif(path, carried), fromOrf);
    EXPECT_EQ(test::RunCommand("exiftool -S -Software -Artist -Copyright -MakerNote -ExifByteOrder -Warning '" + path + "'"),
              "Software: KypSuite\nArtist: Ann Example\nCopyright: (c) 2024 Zed\nExifByteOrder: Little-endian (Intel, II)\n");

    // A grey file drops ColorSpace and keeps the rest.
    std::string expected = fromOrf;
    const size_t at = expected.find("ColorSpace: ");
    ASSERT_NE(at, std::string::npos);
    expected.erase(at, expected.find('\n', at) + 1 - at);
    EXPECT_EQ(Exif(WriteVariant(true, true, &document), carried), expected);

    // Left behind: the maker note and its Olympus tags, LightSource, the
    // pixel dimensions, the Interoperability directory.
    EXPECT_EQ(test::RunCommand("exiftool -S -MakerNote* -Olympus:all -LightSource -ExifImageWidth -InteropIndex -Warning '" +
                               path + "'"),
              "");
    const std::string kept = test::RunCommand("exiftool -S -LightSource -InteropIndex '" + orf + "'");
    EXPECT_NE(kept.find("LightSource"), std::string::npos) << kept;
}

}  // namespace
}  // namespace kyp
