#include "tools/sample-orf/SampleOrf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "engine/raw/OrfRaw.h"
#include "engine/raw/TiffDocument.h"
#include "platform/TestFolder.h"

namespace kyp {
namespace {

// What the generator makes of an 8-bit sRGB value: linear light at 92 % of
// the 10-bit range.
uint32_t Scene(uint32_t encoded) {
    const double e = encoded / 255.0;
    const double linear = e <= 0.04045 ? e / 12.92 : std::pow((e + 0.055) / 1.055, 2.4);
    return static_cast<uint32_t>(std::lround(linear * 1023.0 * 0.92));
}

TEST(SampleOrfTest, PhotoMosaicFollowsBalanceAndBlackLevels) {
    // A 2 × 1 photo stretched over 4 × 2 sites: columns 0-1 from the first pixel.
    test::TestFolder folder;
    sample::SampleOrfOptions o;
    o.photo = folder.Write("photo.ppm", "P6\n# comment\n2 1\n255\n\xC8\x64\x32\xFF\xFF\xFF");  // 200 100 50, white
    o.width = 4;
    o.height = 2;
    o.redBalance = 512;  // red halved
    o.blueBalance = 128; // blue doubled (and clipped where it passes 1023)
    const uint16_t black[4] = {0, 10, 20, 30};
    std::copy(black, black + 4, o.blackLevels);
    std::vector<uint16_t> samples;
    ASSERT_TRUE(sample::RenderSampleMosaic(o, samples));
    ASSERT_EQ(samples.size(), 8u);

    const auto expect = [](uint32_t scene, uint32_t balance, uint32_t level) {
        return std::min<uint32_t>(1023, level + scene * 256 / balance * (1023 - level) / 1023);
    };
    EXPECT_EQ(samples[0], expect(Scene(200), 512, 0));   // red site, first pixel
    EXPECT_EQ(samples[1], expect(Scene(100), 256, 10));  // green on the red row
    EXPECT_EQ(samples[2], expect(Scene(255), 512, 0));   // red site, second pixel
    EXPECT_EQ(samples[4], expect(Scene(100), 256, 20));  // green on the blue row
    EXPECT_EQ(samples[5], expect(Scene(50), 128, 30));   // blue site
    EXPECT_EQ(samples[7], 1023);                         // white doubled: clipped

    o.photo = folder / "missing.ppm";
    EXPECT_FALSE(sample::RenderSampleMosaic(o, samples));
}

TEST(SampleOrfTest, StripsFollowEachOtherAndTheFileIsPadded) {
    sample::SampleOrfOptions o;
    o.width = 100;
    o.height = 70;  // two full strips of 32 rows and one of 6
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(sample::BuildSampleOrf(o, bytes));
    EXPECT_EQ(bytes.size(), kOrfMinimumFileSize);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "MMOR");

    TiffDocument document;
    ASSERT_TRUE(document.openMemory(ByteView(bytes.data(), bytes.size())) && document.parse());
    const TiffEntry* offsets = document.root()->find(tag::kStripOffsets);
    const TiffEntry* counts = document.root()->find(tag::kStripByteCounts);
    ASSERT_TRUE(offsets && counts);
    ASSERT_EQ(offsets->count, 3u);
    uint32_t at[3], size[3];
    for (uint32_t i = 0; i < 3; ++i) ASSERT_TRUE(offsets->valueAt(i, at[i]) && counts->valueAt(i, size[i]));
    EXPECT_EQ(size[0], 32u * 100 * 2);
    EXPECT_EQ(size[2], 6u * 100 * 2);
    EXPECT_EQ(at[1], at[0] + size[0]);
    EXPECT_EQ(at[2], at[1] + size[1]);

    // The samples stand in the upper 10 bits of each word.
    for (size_t i = 0; i < size_t{100} * 70; ++i) ASSERT_EQ(bytes[at[0] + 2 * i + 1] & 0x3F, 0) << i;
}

// The command line reaches every field it names (a sample of them here).
TEST(SampleOrfTest, CommandLineSetsTheOptions) {
    const std::string tool = std::string(KYP_BINARY_DIR) + "/make-sample-orf";
    if (!std::filesystem::exists(tool)) GTEST_SKIP() << "make-sample-orf not built";
    test::TestFolder folder;
    const std::string path = folder / "cli.orf";
    const std::string command = tool + " --width 640 --height 480 --red 333 --blue 444 --wb-mode 2,8"
                                       " --matrix 9,8,7,6,5,4,3,2,-1 --black 5,6,7,8 --model E-20 '" + path + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_NE(std::system((tool + " --width 0 /dev/null 2>/dev/null").c_str()), 0);
    TiffDocument document;
    ASSERT_TRUE(document.open(path) && document.parse());
    RawInfo info;
    ASSERT_TRUE(readRawInfo(document, info));
    EXPECT_EQ(info.width, 640u);
    EXPECT_EQ(info.height, 480u);
    EXPECT_EQ(info.camera.redBalance, 333);
    EXPECT_EQ(info.camera.blueBalance, 444);
    EXPECT_EQ(info.camera.whiteBalanceMode, 8);
    EXPECT_EQ(info.camera.colourMatrix[8], -1);
    EXPECT_EQ(info.camera.blackLevels[1], 6);
    EXPECT_EQ(document.findEntryAnywhere(tag::kModel)->text(), "E-20");
}

}  // namespace
}  // namespace kyp
