#include "engine/output/JpegPreview.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "engine/output/Bitmap.h"
#include "engine/output/JpegWriter.h"
#include "engine/raw/TiffDocument.h"
#include "output/JpegTestSupport.h"
#include "raw/CameraInfoTestTiff.h"
#include "tools/sample-orf/SampleOrf.h"

namespace kyp {
namespace {

using namespace jpegtest;
namespace tt = testtiff;

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
    buffer.clear();
    EXPECT_EQ(buffer.size(), 0u);
    EXPECT_EQ(buffer.blockCount(), 0u);
}

class JpegFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("KYP_TEST_TMP");
        dir_ = std::filesystem::path(tmp ? tmp : "/tmp") / "jpeg-preview-test";
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    static std::string slurp(const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    size_t entries() const { return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir_), {})); }
    std::filesystem::path dir_;
};

TEST_F(JpegFiles, WriteBufferToFileReplacesWholeOrNotAtAll) {
    JpegOutputBuffer buffer;
    std::string text(5000, 'a');
    ASSERT_TRUE(buffer.append(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    const std::filesystem::path target = dir_ / "out.jpg";
    std::ofstream(target) << "previous";
    ASSERT_TRUE(writeBufferToFile(target.string(), buffer));
    EXPECT_EQ(slurp(target), text);
    EXPECT_EQ(entries(), 1u);  // no temporary file left beside it

    EXPECT_FALSE(writeBufferToFile((dir_ / "missing" / "out.jpg").string(), buffer));
    // A target that cannot be replaced (a folder) stays as it was, and so does the folder's content.
    std::filesystem::create_directory(dir_ / "folder.jpg");
    EXPECT_FALSE(writeBufferToFile((dir_ / "folder.jpg").string(), buffer));
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / "folder.jpg"));
    EXPECT_EQ(entries(), 2u);
    EXPECT_FALSE(writeBufferToFile((dir_ / "").string(), buffer));
}

TEST(JpegPreview, RowsAreStoredBottomUpInBlueGreenRed) {
    MessageCapture messages;
    OwnedImage in = gradient(16, 16, 3);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x) {
            uint16_t* p = &in.samples[(y * 16 + x) * 3];
            p[0] = y < 8 ? 1023 : 0;  // red top half
            p[1] = 0;
            p[2] = y < 8 ? 0 : 1023;  // blue bottom half
        }
    const std::vector<uint8_t> jpeg = encoded(in.image, 100);
    JpegPreviewImage out;
    ASSERT_TRUE(decodeEmbeddedPreview(out, jpeg.data(), jpeg.size()));
    EXPECT_EQ(out.stride, 48u);
    const uint8_t* bottomStored = out.storedRow(0);  // the picture's last row: blue
    const uint8_t* topStored = out.storedRow(15);    // the picture's first row: red
    EXPECT_GT(bottomStored[0], 240);
    EXPECT_LT(bottomStored[2], 15);
    EXPECT_LT(topStored[0], 15);
    EXPECT_GT(topStored[2], 240);

    OwnedImage grey = gradient(5, 3, 1);
    const std::vector<uint8_t> g = encoded(grey.image);
    ASSERT_TRUE(decodeEmbeddedPreview(out, g.data(), g.size()));
    EXPECT_EQ(out.channels, 1);
    EXPECT_EQ(out.stride, 8u);  // 5 rounded up to a multiple of 4
    EXPECT_EQ(out.pixels.size(), 24u);
    EXPECT_EQ(messages.count(), 0);
}

TEST(JpegPreview, IntoABitmap) {
    MessageCapture messages;
    OwnedImage in = gradient(16, 16, 3);
    for (uint32_t i = 0; i < 16 * 16; ++i) {
        const bool top = i < 16 * 8;
        in.samples[i * 3] = top ? 1023 : 0;
        in.samples[i * 3 + 1] = 0;
        in.samples[i * 3 + 2] = top ? 0 : 1023;
    }
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
    OwnedImage grey = gradient(5, 3, 1);
    const std::vector<uint8_t> g = encoded(grey.image);
    ASSERT_TRUE(decodeEmbeddedPreview(bitmap, g.data(), g.size()));
    EXPECT_EQ(bitmap.bitsPerPixel(), 8);
    ASSERT_EQ(bitmap.stride(), 8u);
    for (int y = 0; y < 3; ++y)
        for (int x = 5; x < 8; ++x) EXPECT_EQ(bitmap.row(y)[x], 0);
    EXPECT_FALSE(decodeEmbeddedPreview(bitmap, g.data(), 10));
}

TEST(JpegPreview, StreamsThatEndEarly) {
    MessageCapture messages;
    OwnedImage in = gradient(256, 256, 3);
    const std::vector<uint8_t> jpeg = encoded(in.image);
    // Cut inside the entropy-coded data: the picture decodes, with a warning.
    JpegPreviewImage out;
    ASSERT_TRUE(decodeEmbeddedPreview(out, jpeg.data(), jpeg.size() / 2));
    EXPECT_EQ(out.width, 256);
    EXPECT_EQ(out.height, 256);
    EXPECT_EQ(messages.count(), 1);
    EXPECT_NE(messages.last().find("Premature end"), std::string::npos) << messages.last();
    // Its top rows are those of the picture.
    const int expected = (in.samples[3 * 10] + 2) / 4;  // red of pixel (10, 0)
    EXPECT_NEAR(out.row(0)[3 * 10 + 2], expected, 10);

    // Cut inside the header, or nothing at all: no picture.
    for (size_t cut : {size_t{1}, size_t{2}, size_t{20}, size_t{200}, size_t{400}}) {
        EXPECT_FALSE(decodeEmbeddedPreview(out, jpeg.data(), cut)) << cut;
    }
    EXPECT_FALSE(decodeEmbeddedPreview(out, jpeg.data(), 0));
    EXPECT_FALSE(decodeEmbeddedPreview(out, nullptr, 100));
}

TEST(JpegPreview, GarbageAndHostileHeaders) {
    MessageCapture messages;
    std::mt19937 random(7);
    std::vector<uint8_t> junk(4096);
    for (uint8_t& b : junk) b = static_cast<uint8_t>(random());
    JpegPreviewImage out;
    EXPECT_FALSE(decodeEmbeddedPreview(out, junk.data(), junk.size()));
    junk[0] = 0xFF;
    junk[1] = 0xD8;
    EXPECT_FALSE(decodeEmbeddedPreview(out, junk.data(), junk.size()));

    // A small stream whose frame header claims 60000 × 60000 pixels.
    OwnedImage in = gradient(16, 16, 1);
    std::vector<uint8_t> jpeg = encoded(in.image);
    size_t sof = 2;
    while (sof + 4 < jpeg.size() && jpeg[sof + 1] != 0xC0) sof += 2 + (size_t{jpeg[sof + 2]} << 8 | jpeg[sof + 3]);
    ASSERT_LT(sof + 9, jpeg.size());
    for (size_t at : {sof + 5, sof + 7}) {
        jpeg[at] = 60000 >> 8;
        jpeg[at + 1] = 60000 & 0xFF;
    }
    messages.count() = 0;
    EXPECT_FALSE(decodeEmbeddedPreview(out, jpeg.data(), jpeg.size()));
    EXPECT_EQ(messages.last(), "JPEG preview is too large");
}

// An ORF-like structure whose main directory points at an embedded preview.
class EmbeddedPreview : public ::testing::Test {
protected:
    bool open(const tt::File& f) {
        bytes_ = tt::build(f);
        return document_.openMemory(ByteView(bytes_.data(), bytes_.size())) && document_.parse();
    }
    tt::File withPreview() {
        tt::File f;
        f.main = {tt::ascii(271, "OLYMPUS")};
        f.exif = {tt::rational(33437, 28, 10)};
        OwnedImage in = gradient(40, 30, 3);
        f.blob = encoded(in.image);
        return f;
    }
    std::vector<uint8_t> bytes_;
    TiffDocument document_;
    MessageCapture messages_;
};

TEST_F(EmbeddedPreview, FoundThroughTags513And514) {
    tt::File f = withPreview();
    ASSERT_TRUE(open(f));
    uint32_t offset = 0, length = 0;
    ASSERT_TRUE(findEmbeddedPreview(document_, offset, length));
    EXPECT_EQ(length, f.blob.size());
    EXPECT_EQ(offset + length, bytes_.size());
    JpegPreviewImage out;
    ASSERT_TRUE(decodeEmbeddedPreview(out, document_));
    EXPECT_EQ(out.width, 40);
    EXPECT_EQ(out.height, 30);
}

TEST_F(EmbeddedPreview, GeneratedOrfPreview) {
    sample::SampleOrfOptions options;
    options.width = 96;
    options.height = 64;
    options.previewWidth = 48;
    options.minimumFileSize = 0;
    std::vector<uint8_t> file;
    ASSERT_TRUE(sample::BuildSampleOrf(options, file));
    ASSERT_TRUE(document_.openMemory(ByteView(file.data(), file.size())) && document_.parse());
    Bitmap bitmap;
    ASSERT_TRUE(decodeEmbeddedPreview(bitmap, document_));
    EXPECT_EQ(bitmap.width(), 48);
    EXPECT_EQ(bitmap.height(), 32);
    EXPECT_EQ(bitmap.bitsPerPixel(), 24);
    EXPECT_EQ(messages_.count(), 0);
}

TEST_F(EmbeddedPreview, PointersOutsideTheFileAreNotDecoded) {
    tt::File f = withPreview();
    f.blobLengthExtra = 1;  // runs one byte past the end
    ASSERT_TRUE(open(f));
    JpegPreviewImage out;
    EXPECT_FALSE(decodeEmbeddedPreview(out, document_));
    f.blobLengthExtra = 0xFFFFFFFFu - static_cast<uint32_t>(f.blob.size());  // offset + length overflows 32 bits
    ASSERT_TRUE(open(f));
    EXPECT_FALSE(decodeEmbeddedPreview(out, document_));
    f.blobLengthExtra = 0;
    f.blobOffsetShift = 1 << 20;
    ASSERT_TRUE(open(f));
    EXPECT_FALSE(decodeEmbeddedPreview(out, document_));
    EXPECT_EQ(messages_.count(), 0);  // refused before the library sees anything

    // 513 without 514 in the same directory.
    tt::File lone = withPreview();
    lone.blob.clear();
    lone.main.push_back(tt::longs(513, {8}));
    ASSERT_TRUE(open(lone));
    uint32_t offset = 0, length = 0;
    EXPECT_FALSE(findEmbeddedPreview(document_, offset, length));
}

}  // namespace
}  // namespace kyp
