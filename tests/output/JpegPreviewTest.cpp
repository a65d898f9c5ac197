#include "engine/output/JpegPreview.h"

#include <gtest/gtest.h>

#include "engine/output/Bitmap.h"
#include "engine/output/JpegWriter.h"
#include "engine/raw/TiffDocument.h"
#include "output/OutputTestSupport.h"
#include "tools/sample-orf/SampleOrf.h"

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
// results in PictureDumpTest.)
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

// A generated ORF file: its thumbnail directory points at a 48 × 32 preview.
class EmbeddedPreview : public ::testing::Test {
protected:
    void SetUp() override {
        sample::SampleOrfOptions o;
        o.width = 96;
        o.height = 64;
        o.previewWidth = 48;
        o.minimumFileSize = 0;
        ASSERT_TRUE(sample::BuildSampleOrf(o, bytes_));
        ASSERT_TRUE(reopen());
    }
    bool reopen() { return document_.openMemory(ByteView(bytes_.data(), bytes_.size())) && document_.parse(); }
    // Overwrites bytes of the record of tag (tag at +0, value at +8) and parses again.
    bool patch(uint16_t tag, size_t at, uint32_t value) {
        const TiffEntry* entry = document_.findEntryAnywhere(tag);
        if (!entry) return false;
        const size_t p = entry->position + at;
        const int bytes = at == 0 ? 2 : 4;
        for (int i = 0; i < bytes; ++i) bytes_[p + i] = static_cast<uint8_t>(value >> (8 * (bytes - 1 - i)));
        return reopen();
    }
    std::vector<uint8_t> bytes_;
    TiffDocument document_;
    MessageCapture messages_;
};

TEST_F(EmbeddedPreview, FoundThroughTags513And514) {
    uint32_t offset = 0, length = 0;
    ASSERT_TRUE(findEmbeddedPreview(document_, offset, length));
    EXPECT_EQ(bytes_[offset], 0xFF);
    EXPECT_EQ(bytes_[offset + 1], 0xD8);
    EXPECT_EQ(bytes_[offset + length - 1], 0xD9);
    Bitmap bitmap;
    ASSERT_TRUE(decodeEmbeddedPreview(bitmap, document_));
    EXPECT_EQ(bitmap.width(), 48);
    EXPECT_EQ(bitmap.height(), 32);
    EXPECT_EQ(bitmap.bitsPerPixel(), 24);
    EXPECT_EQ(MessageCapture::count, 0);
}

TEST_F(EmbeddedPreview, PointersOutsideTheFileAreNotDecoded) {
    uint32_t offset = 0, length = 0;
    ASSERT_TRUE(findEmbeddedPreview(document_, offset, length));
    const auto size = static_cast<uint32_t>(bytes_.size());
    JpegPreviewImage out;
    ASSERT_TRUE(patch(514, 8, size - offset + 1));  // one byte past the end
    EXPECT_FALSE(decodeEmbeddedPreview(out, document_));
    ASSERT_TRUE(patch(514, 8, size - offset));  // up to the end exactly: inside
    EXPECT_TRUE(findEmbeddedPreview(document_, offset, length));
    ASSERT_TRUE(patch(514, 8, 0xFFFFFFFFu));  // offset + length beyond 32 bits
    EXPECT_FALSE(decodeEmbeddedPreview(out, document_));
    ASSERT_TRUE(patch(514, 8, 100));
    ASSERT_TRUE(patch(513, 8, size));  // starts at the end
    EXPECT_FALSE(decodeEmbeddedPreview(out, document_));
    EXPECT_EQ(MessageCapture::count, 0);  // refused before the library sees anything
    ASSERT_TRUE(patch(514, 0, 515));  // 513 without 514
    EXPECT_FALSE(findEmbeddedPreview(document_, offset, length));
}

}  // namespace
}  // namespace kyp
