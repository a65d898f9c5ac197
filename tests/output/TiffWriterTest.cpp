#include "engine/output/TiffWriter.h"

#include <gtest/gtest.h>

#include <ctime>
#include <tuple>

#include "engine/output/ExifCarry.h"
#include "output/OutputTestSupport.h"

namespace kyp {
namespace {

class TiffWriterTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::CameraSource(sourceBytes_, source_)); }

    test::TestFolder folder_;
    std::vector<uint8_t> sourceBytes_;
    TiffDocument source_;
    ImportSettings settings_;
    OutputSettings output_;
};

// (The layout and tags of written files are checked whole in WriterDump and
// by the digests of converted files in the console tests.)
// The written DateTime is the time of writing, in local time with a
// twenty-four hour clock.
TEST_F(TiffWriterTest, DateTimeIsTheTimeOfWriting) {
    const std::time_t before = std::time(nullptr);
    const test::OwnedImage in = test::MakeImage(5, 3, 3, [](size_t i) { return i; });
    ASSERT_TRUE(writeTiff(folder_ / "out.tif", &source_, in.image, settings_, output_));
    const std::time_t after = std::time(nullptr);
    const std::vector<uint8_t> f = test::ReadBytes(folder_ / "out.tif");
    const std::vector<test::WrittenEntry> entries = test::ReadDirectory(f, 8);
    const test::WrittenEntry* dateTime = test::FindWritten(entries, 306);
    ASSERT_TRUE(dateTime && dateTime->count == 20u);
    const std::string written = test::WrittenText(f, *dateTime);
    char low[20], high[20];
    ASSERT_TRUE(formatTiffDateTime(before, low) && formatTiffDateTime(after, high));
    EXPECT_GE(written, std::string(low, 20));
    EXPECT_LE(written, std::string(high, 20));

    char text[20];
    for (const auto& [zone, when, expected] : {std::tuple{"UTC0", std::time_t{0}, "1970:01:01 00:00:00"},
                                               {"UTC0", std::time_t{1700000000 + 13 * 3600}, "2023:11:15 11:13:20"},
                                               {"EST5", std::time_t{0}, "1969:12:31 19:00:00"}}) {
        const test::ScopedEnv tz("TZ", zone);
        ::tzset();
        EXPECT_TRUE(formatTiffDateTime(when, text));
        EXPECT_STREQ(text, expected);
    }
    ::tzset();
}

}  // namespace
}  // namespace kyp
