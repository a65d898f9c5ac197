#include "engine/output/BitmapWriter.h"

#include <gtest/gtest.h>

#include "engine/output/BitmapRender.h"
#include "output/OutputTestSupport.h"
#include "platform/AtomicFile.h"

namespace kyp {
namespace {

using test::Le16;
using test::Le32;

// Renders samples (1 or 3 channels) and writes them; the file's bytes.
std::vector<uint8_t> Written(const test::TestFolder& folder, const std::vector<uint16_t>& s, int32_t w, int32_t h,
                             bool grey) {
    Bitmap b;
    const bool rendered = grey ? renderGray(b, s.data(), w, h, nullptr) : renderColour(b, s.data(), w, h, false, nullptr);
    if (!rendered || !writeBmp(b, folder / "out.bmp")) return {};
    return test::ReadBytes(folder / "out.bmp");
}

TEST(BitmapWriter, GreyFileHasPaletteAndPaddedRows) {
    test::TestFolder folder;
    const std::vector<uint8_t> f = Written(folder, {0, 4, 1020, 1023}, 2, 2, true);
    ASSERT_EQ(f.size(), 1086u);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 2), "BM");
    EXPECT_EQ(Le32(f, 2), 1086u);
    EXPECT_EQ(Le32(f, 6), 0u);
    EXPECT_EQ(Le32(f, 10), 1078u);
    const std::vector<uint8_t> expectedInfo = {40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0,
                                               0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 14, f.begin() + 54), expectedInfo);
    for (uint32_t i = 0; i < 256; ++i) ASSERT_EQ(Le32(f, 54 + i * 4), i * 0x010101u) << i;
    // The bottom image row comes first, each row padded to 4 bytes.
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 1078, f.end()), (std::vector<uint8_t>{255, 255, 0, 0, 0, 1, 0, 0}));
}

TEST(BitmapWriter, ColourFileHasNoPalette) {
    test::TestFolder folder;
    const std::vector<uint8_t> f = Written(folder, {1023, 512, 0, 8, 16, 24, 0, 0, 1023}, 3, 1, false);
    ASSERT_EQ(f.size(), 54u + 12);
    EXPECT_EQ(Le32(f, 2), 66u);
    EXPECT_EQ(Le32(f, 10), 54u);
    EXPECT_EQ(Le32(f, 18), 3u);
    EXPECT_EQ(Le32(f, 22), 1u);
    EXPECT_EQ(Le16(f, 28), 24u);
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 54, f.end()), (std::vector<uint8_t>{0, 128, 255, 6, 4, 2, 255, 0, 0, 0, 0, 0}));
}

TEST(BitmapWriter, FailuresLeaveNoFileAndKeepTheOldOne) {
    test::TestFolder folder;
    EXPECT_FALSE(writeBmp(Bitmap(), folder / "none.bmp"));
    EXPECT_TRUE(folder.Names().empty());
    Bitmap b;
    ASSERT_TRUE(b.create(64, 64, 3));
    EXPECT_FALSE(writeBmp(b, folder / "missing/x.bmp"));

    const std::string path = folder.Write("old.bmp", "previous picture");
    AtomicFile::InjectWriteFailureAfter(1000);  // the disk fills inside the pixels
    EXPECT_FALSE(writeBmp(b, path));
    AtomicFile::InjectWriteFailureAfter(-1);
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"old.bmp"});
    EXPECT_EQ(test::ReadFile(path), "previous picture");
}

// bmptopnm (netpbm) reads the files back with the same pixels.
TEST(BitmapWriter, PeerReaderSeesTheSamePixels) {
    if (!test::HasTool("bmptopnm")) GTEST_SKIP() << "bmptopnm (netpbm) is not installed";
    test::TestFolder folder;
    const int32_t w = 7, h = 5;
    const test::OwnedImage in = test::MakeImage(w, h, 3, [](size_t i) { return (i * 37) % 1024; });
    for (const bool grey : {false, true}) {
        Bitmap b;
        ASSERT_TRUE(renderColour(b, in.samples.data(), w, h, grey, nullptr));
        ASSERT_TRUE(writeBmp(b, folder / "p.bmp"));
        int status = 0;
        test::Pnm pnm;
        ASSERT_TRUE(test::ParsePnm(test::RunCommand("bmptopnm '" + folder / "p.bmp" + "' 2>/dev/null", &status), pnm));
        ASSERT_EQ(status, 0);
        ASSERT_EQ(pnm.width, w);
        ASSERT_EQ(pnm.height, h);
        ASSERT_EQ(pnm.maxval, 255);
        // netpbm writes a paletted grey file as grey (P5) or as colour (P6).
        for (size_t p = 0; p < size_t{w} * h; ++p)
            for (int c = 0; c < pnm.channels; ++c)
                ASSERT_EQ(pnm.samples[p * pnm.channels + c], SampleTo8Bit(in.samples[p * 3 + (grey ? 1 : c)]))
                    << "pixel " << p << " c" << c << (grey ? " grey" : "");
    }
}

}  // namespace
}  // namespace kyp
