#include "engine/output/JpegPreview.h"

#include <gtest/gtest.h>

#include "engine/output/Bitmap.h"
#include "engine/output/JpegWriter.h"
#include "output/OutputTestSupport.h"

namespace kyp {
namespace {

using test::Gradient;
using test::MessageCapture;
using test::OwnedImage;

std::vector<uint8_t> encoded(const ProcessedImage& image, int quality = 95) {
    OutputSettings settings;
    settings.jx = false;
    settings.ja = false;
    settings.jpegQuality = quality;
    JpegOutputBuffer buffer;
    EXPECT_TRUE(writeJpeg(image, nullptr, &settings, buffer));
    return buffer.contiguous();
}

TEST(JpegOutputBuffer, AppendFillsTheLastBlockThenOpensOne) {
    std::vector<uint8_t> bytes(8000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
    JpegOutputBuffer buffer;
    ASSERT_TRUE(buffer.append(bytes.data(), 1000));
    ASSERT_TRUE(buffer.append(bytes.data() + 1000, 2000));  // 1048 fill block 0, 952 open block 1
    ASSERT_TRUE(buffer.append(bytes.data() + 3000, 5000));  // 1096 fill block 1, 3904 in a block of its size
    ASSERT_TRUE(buffer.append(bytes.data(), 0));
    EXPECT_EQ(buffer.size(), 8000u);
    ASSERT_EQ(buffer.blockCount(), 3u);
    EXPECT_EQ(buffer.blockSize(0), 2048u);
    EXPECT_EQ(buffer.blockSize(1), 2048u);
    EXPECT_EQ(buffer.blockSize(2), 3904u);
    EXPECT_EQ(buffer.contiguous(), bytes);

    // Written whole and in block order; a folder that does not exist fails.
    test::TestFolder folder;
    const std::string path = folder / "buffer.bin";
    ASSERT_TRUE(writeBufferToFile(path, buffer));
    EXPECT_EQ(test::ReadBytes(path), bytes);
    EXPECT_FALSE(writeBufferToFile(path + ".missing/out.jpg", buffer));
    buffer.clear();
    EXPECT_EQ(buffer.blockCount(), 0u);
}

// (Streams cut at every length and damaged ones are compared with recorded
// results in PictureDumpTest; previews found in ORF files in DocumentDumpTest.)
TEST(JpegPreview, IntoABitmap) {
    MessageCapture messages;
    // Red over blue: the top half (1023, 0, 0), the bottom half (0, 0, 1023).
    const OwnedImage in = test::MakeImage(16, 16, 3, [](size_t i) {
        const bool top = i / 3 < 16 * 8;
        return i % 3 == 1 ? 0 : (i % 3 == 0) == top ? 1023 : 0;
    });
    const std::vector<uint8_t> jpeg = encoded(in.image, 100);
    Bitmap bitmap;
    ASSERT_TRUE(decodeEmbeddedPreview(bitmap, jpeg.data(), jpeg.size()));
    EXPECT_EQ(bitmap.bitsPerPixel(), 24);
    const PixelRgb top = bitmap.pixelAt(3, 0), bottom = bitmap.pixelAt(3, 15);
    EXPECT_GT(top.red, 240);
    EXPECT_LT(top.blue, 15);
    EXPECT_LT(bottom.red, 15);
    EXPECT_GT(bottom.blue, 240);

    // Reused for a grey picture of 5 × 3: 8 bits, padding bytes zero.
    OwnedImage grey = Gradient(5, 3, 1);
    const std::vector<uint8_t> g = encoded(grey.image);
    ASSERT_TRUE(decodeEmbeddedPreview(bitmap, g.data(), g.size()));
    EXPECT_EQ(bitmap.bitsPerPixel(), 8);
    ASSERT_EQ(bitmap.stride(), 8u);
    for (int y = 0; y < 3; ++y)
        for (int x = 5; x < 8; ++x) EXPECT_EQ(bitmap.row(y)[x], 0);
    EXPECT_FALSE(decodeEmbeddedPreview(bitmap, g.data(), 10));
}

}  // namespace
}  // namespace kyp
