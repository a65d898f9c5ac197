#include "engine/output/BitmapWriter.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "engine/output/BitmapRender.h"
#include "output/BitmapTestSupport.h"
#include "platform/AtomicFile.h"

namespace kyp {
namespace {

using testing::Le16;
using testing::Le32;
using testing::ReadFile;
using testing::TempFolder;

TEST(BitmapWriter, GreyFileHasPaletteAndPaddedRows) {
    TempFolder folder;
    const std::vector<uint16_t> s = {0, 4, 1020, 1023};  // 2 × 2
    Bitmap b;
    ASSERT_TRUE(renderGray(b, s.data(), 2, 2, nullptr));
    const std::string path = folder.file("grey.bmp");
    ASSERT_TRUE(writeBmp(b, path));
    const std::vector<uint8_t> f = ReadFile(path);

    ASSERT_EQ(f.size(), 1086u);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(Le32(f, 2), 1086u);
    EXPECT_EQ(Le32(f, 6), 0u);
    EXPECT_EQ(Le32(f, 10), 1078u);
    const std::vector<uint8_t> info(f.begin() + 14, f.begin() + 54);
    const std::vector<uint8_t> expectedInfo = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0,
                                               0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(info, expectedInfo);
    for (size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(f[54 + i * 4], i);
        ASSERT_EQ(f[55 + i * 4], i);
        ASSERT_EQ(f[56 + i * 4], i);
        ASSERT_EQ(f[57 + i * 4], 0);
    }
    // The bottom image row comes first, each row padded to 4 bytes.
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 1078, f.end()), (std::vector<uint8_t>{255, 255, 0, 0, 0, 1, 0, 0}));
}

TEST(BitmapWriter, ColourFileHasNoPalette) {
    TempFolder folder;
    const std::vector<uint16_t> s = {1023, 512, 0, 8, 16, 24, 0, 0, 1023};  // 3 × 1
    Bitmap b;
    ASSERT_TRUE(renderColour(b, s.data(), 3, 1, false, nullptr));
    const std::string path = folder.file("colour.bmp");
    ASSERT_TRUE(writeBmp(b, path));
    const std::vector<uint8_t> f = ReadFile(path);
    ASSERT_EQ(f.size(), 54u + 12);
    EXPECT_EQ(Le32(f, 2), 66u);
    EXPECT_EQ(Le32(f, 10), 54u);
    EXPECT_EQ(Le32(f, 18), 3u);
    EXPECT_EQ(Le32(f, 22), 1u);
    EXPECT_EQ(Le16(f, 28), 24u);
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 54, f.end()),
              (std::vector<uint8_t>{0, 128, 255, 6, 4, 2, 255, 0, 0, 0, 0, 0}));
}

TEST(BitmapWriter, FailuresLeaveNoFileAndKeepTheOldOne) {
    TempFolder folder;
    Bitmap empty;
    EXPECT_FALSE(writeBmp(empty, folder.file("none.bmp")));
    EXPECT_TRUE(folder.names().empty());

    Bitmap b;
    ASSERT_TRUE(b.create(64, 64, 3));
    EXPECT_FALSE(writeBmp(b, folder.file("missing/x.bmp")));

    const std::string path = folder.file("old.bmp");
    std::ofstream(path) << "previous picture";
    AtomicFile::InjectWriteFailureAfter(1000);  // the disk fills inside the pixels
    EXPECT_FALSE(writeBmp(b, path));
    AtomicFile::InjectWriteFailureAfter(-1);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"old.bmp"});
    const std::vector<uint8_t> kept = ReadFile(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "previous picture");
}

// bmptopnm (netpbm) reads the files back with the same pixels.
TEST(BitmapWriter, PeerReaderSeesTheSamePixels) {
    const std::string tool = testing::FindTool("bmptopnm");
    if (tool.empty()) GTEST_SKIP() << "bmptopnm (netpbm) is not installed";
    TempFolder folder;
    const int32_t w = 7;
    const int32_t h = 5;
    std::vector<uint16_t> s(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<uint16_t>((i * 37) % 1024);

    for (const bool grey : {false, true}) {
        Bitmap b;
        ASSERT_TRUE(renderColour(b, s.data(), w, h, grey, nullptr));
        const std::string path = folder.file(grey ? "g.bmp" : "c.bmp");
        ASSERT_TRUE(writeBmp(b, path));
        int status = 0;
        const std::string pnm = testing::RunCommand(tool + " '" + path + "' 2>/dev/null", status);
        ASSERT_EQ(status, 0) << path;
        int pw = 0, ph = 0, channels = 0, maxval = 0;
        std::vector<uint16_t> read;
        ASSERT_TRUE(testing::ParsePnm(pnm, pw, ph, channels, maxval, read));
        ASSERT_EQ(pw, w);
        ASSERT_EQ(ph, h);
        ASSERT_EQ(maxval, 255);
        // netpbm writes a paletted grey file as grey (P5) or as colour (P6).
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                const uint16_t* px = &s[(static_cast<size_t>(y) * w + x) * 3];
                const size_t at = (static_cast<size_t>(y) * w + x) * channels;
                for (int c = 0; c < channels; ++c) {
                    const uint16_t sample = grey ? px[1] : px[c];
                    ASSERT_EQ(read[at + c], SampleTo8Bit(sample)) << x << "," << y << " c" << c;
                }
            }
    }
}

}  // namespace
}  // namespace kyp
