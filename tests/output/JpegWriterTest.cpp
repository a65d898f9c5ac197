#include "engine/output/JpegWriter.h"

#include <gtest/gtest.h>

#include "output/OutputTestSupport.h"

namespace kyp {
namespace {

using test::MessageCapture;

// (Images the writers refuse are in OutputWriterTest, the segments of written
// files in WriterDump, converted files in the console tests' digests.)
TEST(JpegWriterTest, LibraryErrorsAreReportedOnceAndPassOn) {
    const MessageCapture messages;
    std::vector<uint8_t> bytes;
    TiffDocument source;
    ASSERT_TRUE(test::CameraSource(bytes, source));
    const test::OwnedImage in = test::Gradient(8, 8, 3);
    OutputSettings settings;
    settings.jx = settings.ja = false;
    ProcessedImage empty = in.image;
    empty.width = 0;
    JpegOutputBuffer refused;
    EXPECT_FALSE(writeJpeg(empty, &source, &settings, refused));  // the library refuses an empty image
    EXPECT_EQ(MessageCapture::count, 1);
    EXPECT_EQ(MessageCapture::caption, "JPEG Library Error");
    EXPECT_FALSE(MessageCapture::last.empty());
    // The next write is unaffected.
    JpegOutputBuffer written;
    EXPECT_TRUE(writeJpeg(in.image, &source, &settings, written));
    EXPECT_EQ(MessageCapture::count, 1);
}

}  // namespace
}  // namespace kyp
