#include "engine/raw/RawLoad.h"

#include <gtest/gtest.h>

#include "engine/raw/OrfRaw.h"
#include "engine/raw/TiffDocument.h"
#include "platform/TestFolder.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

// Camera values unlike the generator's defaults, so a reader that falls back
// to defaults or mixes fields up cannot pass.
SampleOrfOptions Unusual() {
    SampleOrfOptions o;
    o.whiteBalance[0] = 3;
    o.whiteBalance[1] = 7;
    o.redBalance = 300;
    o.blueBalance = 511;
    const int16_t matrix[9] = {1, -2, 3, -4, 5, -6, 7, -8, 9};
    std::copy(matrix, matrix + 9, o.colourMatrix);
    const uint16_t black[4] = {11, 12, 13, 14};
    std::copy(black, black + 4, o.blackLevels);
    return o;
}

// Big-endian 32-bit store into a generated file.
void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

TEST(RawLoadTest, LoadsTheGeneratedMosaicAndCameraSettings) {
    const SampleOrfOptions options = Unusual();
    test::TestFolder folder;
    const std::string path = folder / "load.orf";
    ASSERT_TRUE(WriteSampleOrf(path, options));
    std::vector<uint16_t> expected;
    ASSERT_TRUE(sample::RenderSampleMosaic(options, expected));

    TiffDocument document;
    RawSampleBlock block;
    RawMosaic mosaic;
    CameraSettings camera;
    ASSERT_TRUE(LoadRaw(path, document, block, mosaic, camera));
    ASSERT_EQ(mosaic.width, options.width);
    ASSERT_EQ(mosaic.height, options.height);
    EXPECT_EQ(mosaic.samples, block.samples());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), mosaic.samples));
    EXPECT_EQ(camera.whiteBalanceMode, 1);
    EXPECT_EQ(camera.redBalance, 300);
    EXPECT_EQ(camera.blueBalance, 511);
    EXPECT_TRUE(std::equal(camera.colourMatrix, camera.colourMatrix + 9, options.colourMatrix));
    EXPECT_TRUE(std::equal(camera.blackLevels, camera.blackLevels + 4, options.blackLevels));
    // The document stays open for the writers, which copy its Exif tags.
    EXPECT_NE(document.findDirectory(DirectoryKind::Exif), nullptr);
}

TEST(RawLoadTest, SampleBlockIsReusedOnlyForTheSameSampleCount) {
    SampleOrfOptions first;
    first.writePreview = false;
    SampleOrfOptions other = first;
    other.width = 2000;
    other.height = 1904;
    test::TestFolder folder;
    const std::string a = folder / "a.orf", b = folder / "b.orf", c = folder / "c.orf";
    ASSERT_TRUE(WriteSampleOrf(a, first));
    first.redBalance = 100;  // same size, other content
    ASSERT_TRUE(WriteSampleOrf(b, first));
    ASSERT_TRUE(WriteSampleOrf(c, other));

    TiffDocument document;
    RawSampleBlock block;
    RawMosaic mosaic;
    CameraSettings camera;
    ASSERT_TRUE(LoadRaw(a, document, block, mosaic, camera));
    const uint16_t* kept = block.samples();
    ASSERT_TRUE(LoadRaw(b, document, block, mosaic, camera));
    EXPECT_EQ(block.samples(), kept);
    EXPECT_EQ(camera.redBalance, 100);
    ASSERT_TRUE(LoadRaw(c, document, block, mosaic, camera));
    EXPECT_EQ(block.count(), 2000u * 1904u);
    EXPECT_EQ(mosaic.width, 2000u);
}

TEST(RawLoadTest, FailuresFreeTheBlockAndReportFalse) {
    SampleOrfOptions options;
    options.writePreview = false;
    std::vector<uint8_t> good;
    ASSERT_TRUE(sample::BuildSampleOrf(options, good));
    TiffDocument probe;
    ASSERT_TRUE(probe.openMemory(ByteView(good.data(), good.size())) && probe.parse());
    const TiffEntry* strips = probe.root()->find(tag::kStripOffsets);
    ASSERT_NE(strips, nullptr);
    const size_t firstStrip = strips->value;  // the array of offsets
    const size_t widthRecord = probe.root()->find(tag::kImageWidth)->position;
    probe.close();

    test::TestFolder folder;
    const std::string first = folder.Write("first.orf", good);
    const auto loads = [&](const std::vector<uint8_t>& bytes) {
        const std::string path = folder.Write("bad.orf", bytes);
        TiffDocument document;
        RawSampleBlock block;
        RawMosaic mosaic;
        CameraSettings camera;
        EXPECT_TRUE(LoadRaw(first, document, block, mosaic, camera));
        EXPECT_FALSE(block.empty());
        const bool ok = LoadRaw(path, document, block, mosaic, camera);
        if (!ok) {
            EXPECT_TRUE(block.empty());
            EXPECT_EQ(mosaic.samples, nullptr);
            EXPECT_EQ(mosaic.width, 0u);
            EXPECT_FALSE(document.isOpen());
        }
        return ok;
    };
    EXPECT_TRUE(loads(good));

    std::vector<uint8_t> bad = good;
    Put32(bad, firstStrip, static_cast<uint32_t>(good.size() - 100));  // raw data would pass the end
    EXPECT_FALSE(loads(bad));
    bad = good;
    Put32(bad, widthRecord + 8, 0xFFFFFFFF);  // width × height × 2 far beyond the file
    EXPECT_FALSE(loads(bad));
    bad = good;
    bad.resize(kOrfMinimumFileSize - 1);  // truncated
    EXPECT_FALSE(loads(bad));
    bad = good;
    Put32(bad, 4, static_cast<uint32_t>(good.size()) + 1);  // first directory beyond the file
    EXPECT_FALSE(loads(bad));
    bad = good;
    bad[2] = 'R';  // not "MMOR"
    EXPECT_FALSE(loads(bad));
}

}  // namespace
}  // namespace kyp
