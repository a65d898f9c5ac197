#include "engine/output/OutputWriter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <iterator>

#include "engine/output/BitmapRender.h"
#include "engine/output/BitmapWriter.h"
#include "engine/raw/TiffDocument.h"
#include "output/OutputTestSupport.h"
#include "platform/AtomicFile.h"

namespace kyp {
namespace {

class OutputWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::CameraSource(sourceBytes_, source_)); }
    void TearDown() override { AtomicFile::InjectWriteFailureAfter(-1); }

    OutputResult Write(const std::string& path, uint32_t outputFormat, const test::OwnedImage& in,
                       bool checkTargetFirst = false, const Bitmap* rendering = nullptr) {
        OutputImage picture{in.image, &source_, settings_};
        picture.rendering = rendering;
        return writeOutput(path, outputFormat, output_, picture, checkTargetFirst);
    }

    test::TestFolder folder_;
    std::vector<uint8_t> sourceBytes_;
    TiffDocument source_;
    ImportSettings settings_;
    OutputSettings output_;
};

// Every format reports a file it cannot write with the errno value and the
// system's text for it, and leaves nothing behind: a file already at the
// target keeps its bytes whether the disk fills in the header or in the
// pixels. An empty rendering is refused before any file is opened.
TEST_F(OutputWriterTest, FileFailuresCarryTheSystemReasonAndKeepTheOldFile) {
    const test::OwnedImage image = test::Gradient(64, 48, 3);
    const std::string notAFolder = folder_.Write("plain");
    const struct {
        std::string path;
        int64_t failAfter;  // bytes the disk takes, -1: no limit; below -1: that many bytes short of the whole file
        int error;
        const char* reason;
    } cases[] = {
        {folder_ / "missing/out", -1, ENOENT, "No such file or directory"},
        {notAFolder + "/out", -1, ENOTDIR, "Not a directory"},
        {folder_ / "out", 100, ENOSPC, "No space left on device"},
        {folder_ / "out", -20, ENOSPC, "No space left on device"},
    };
    for (const auto& c : cases) {
        for (const uint32_t outputFormat : {format::tiff, format::bitmap, format::jpeg}) {
            const std::string path = c.path + FormatExtension(outputFormat);
            SCOPED_TRACE(path + " format " + std::to_string(outputFormat) + " fails after " + std::to_string(c.failAfter));
            int64_t failAfter = c.failAfter;
            if (failAfter < -1) {
                ASSERT_TRUE(Write(path, outputFormat, image).ok());
                failAfter += static_cast<int64_t>(test::ReadBytes(path).size());
            }
            const bool old = c.failAfter != -1;
            if (old) folder_.Write(std::string("out") + FormatExtension(outputFormat), "old");
            AtomicFile::InjectWriteFailureAfter(failAfter);
            const OutputResult result = Write(path, outputFormat, image);
            AtomicFile::InjectWriteFailureAfter(-1);
            EXPECT_FALSE(result.ok());
            EXPECT_EQ(result.status, OutputStatus::fileFailed);
            EXPECT_EQ(result.error, c.error);
            EXPECT_EQ(result.reason(), c.reason);
            if (old) {
                EXPECT_EQ(test::ReadFile(path), "old");
                std::remove(path.c_str());
            }
            EXPECT_EQ(folder_.Names(), std::vector<std::string>{"plain"});
        }
    }
    const Bitmap empty;
    const OutputResult result = Write(folder_ / "empty.bmp", format::bitmap, image, false, &empty);
    EXPECT_EQ(result.status, OutputStatus::fileFailed);
    EXPECT_EQ(result.error, EINVAL);
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{"plain"});
}

// Images no writer can take: each says so in its own way and creates nothing.
TEST_F(OutputWriterTest, ImagesTheWritersRefuse) {
    const test::OwnedImage image = test::Gradient(4, 4, 3);
    const test::MessageCapture messages;
    ProcessedImage bad[5] = {image.image, image.image, image.image, image.image, image.image};
    bad[0].channels = 2;
    bad[1].samples = nullptr;
    bad[2].height = 0;
    bad[3].width = 0;
    bad[4].width = bad[4].height = 0x10000;  // 65536 × 65536 × 3 bytes: beyond a 32-bit file
    for (size_t i = 0; i < std::size(bad); ++i) {
        const struct {
            uint32_t outputFormat;
            OutputStatus status;
            int error;
        } expected[] = {{format::tiff, OutputStatus::fileFailed, i == 4 ? EFBIG : EINVAL},
                        {format::bitmap, OutputStatus::notRendered, 0},
                        {format::jpeg, OutputStatus::notEncoded, 0}};
        for (const auto& e : expected) {
            // Without a source the JPEG writer makes no Exif segment, whose own
            // checks would hide the encoder's.
            const OutputImage picture{bad[i], e.outputFormat == format::tiff ? &source_ : nullptr, settings_};
            const int before = test::MessageCapture::count;
            const OutputResult result = writeOutput(folder_ / "a" + FormatExtension(e.outputFormat), e.outputFormat,
                                                    output_, picture, false);
            EXPECT_EQ(result.status, e.status) << "image " << i << " format " << e.outputFormat;
            EXPECT_EQ(result.error, e.error) << "image " << i << " format " << e.outputFormat;
            // Only the library's own refusal of an empty image is said aloud.
            const bool empty = e.outputFormat == format::jpeg && (i == 2 || i == 3);
            EXPECT_EQ(test::MessageCapture::count - before, empty ? 1 : 0) << "image " << i << " format " << e.outputFormat;
        }
    }
    EXPECT_EQ(test::MessageCapture::caption, "JPEG Library Error");
    EXPECT_FALSE(test::MessageCapture::last.empty());
    EXPECT_TRUE(folder_.Names().empty());
}

// A picture the format cannot hold is said to be so, without touching the
// file; checking the target first puts an unwritable target before that.
TEST_F(OutputWriterTest, PicturesThatCannotBeMadeAndTheTargetCheck) {
    const test::OwnedImage tooWide = test::Gradient(65501, 1, 3);  // beyond the JPEG limit of 65500
    const test::OwnedImage twoChannels = test::MakeImage(4, 4, 2, [](size_t i) { return i; });

    OutputResult result = Write(folder_ / "wide.jpg", format::jpeg, tooWide);
    EXPECT_EQ(result.status, OutputStatus::notEncoded);
    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(result.reason(), "JPEG not encoded (out of memory or too large)");
    result = Write(folder_ / "two.bmp", format::bitmap, twoChannels);
    EXPECT_EQ(result.status, OutputStatus::notRendered);
    EXPECT_EQ(result.reason(), "Bitmap not made (out of memory or too large)");

    // Unchecked, the encoding fails before the missing folder is met; checked,
    // the folder is.
    EXPECT_EQ(Write(folder_ / "missing/wide.jpg", format::jpeg, tooWide).status, OutputStatus::notEncoded);
    result = Write(folder_ / "missing/wide.jpg", format::jpeg, tooWide, true);
    EXPECT_EQ(result.status, OutputStatus::fileFailed);
    EXPECT_EQ(result.reason(), "No such file or directory");
    // A writable target is only checked: the file comes from the writer.
    EXPECT_TRUE(Write(folder_ / "ok.tif", format::tiff, test::Gradient(8, 8, 1), true).ok());

    // No writer for the format: nothing at all.
    result = Write(folder_ / "x.tif", format::jpeg + 1, twoChannels);
    EXPECT_EQ(result.status, OutputStatus::noWriter);
    EXPECT_EQ(result.reason(), "");
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{"ok.tif"});
}

// A rendering given by the caller is the bitmap written; without one the
// image is rendered, grey when the grayscale step ran.
TEST_F(OutputWriterTest, BitmapFromTheGivenRenderingOrRenderedHere) {
    const test::OwnedImage image = test::Gradient(16, 8, 3);
    const test::OwnedImage other = test::Gradient(5, 3, 1);
    Bitmap given;
    ASSERT_TRUE(renderImage(given, other.image, false, nullptr));
    ASSERT_TRUE(writeBmp(given, folder_ / "given-ref.bmp"));
    ASSERT_TRUE(Write(folder_ / "given.bmp", format::bitmap, image, false, &given).ok());
    EXPECT_EQ(test::ReadBytes(folder_ / "given.bmp"), test::ReadBytes(folder_ / "given-ref.bmp"));

    settings_.options |= opt::gray;
    Bitmap grey;
    ASSERT_TRUE(renderImage(grey, image.image, true, nullptr));
    ASSERT_TRUE(writeBmp(grey, folder_ / "grey-ref.bmp"));
    ASSERT_TRUE(Write(folder_ / "grey.bmp", format::bitmap, image).ok());
    EXPECT_EQ(test::ReadBytes(folder_ / "grey.bmp"), test::ReadBytes(folder_ / "grey-ref.bmp"));
}

}  // namespace
}  // namespace kyp
