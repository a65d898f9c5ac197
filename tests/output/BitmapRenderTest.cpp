#include "engine/output/BitmapRender.h"

#include <gtest/gtest.h>

#include <vector>

#include "output/OutputTestSupport.h"

namespace kyp {
namespace {

using test::RecordingProgress;

// (What the renderers make of samples is compared with recorded results in
// PictureDumpTest; converted files check the rows and padding of both kinds.)
TEST(BitmapRender, TallPicturesReportProgressEveryTenRows) {
    std::vector<uint16_t> s(static_cast<size_t>(2) * 3 * 501, 100);
    Bitmap b;
    RecordingProgress quiet;
    ASSERT_TRUE(renderColour(b, s.data(), 2, 400, false, &quiet));
    EXPECT_TRUE(quiet.calls.empty());
    EXPECT_EQ(quiet.ticks, 0);

    RecordingProgress colour;
    ASSERT_TRUE(renderColour(b, s.data(), 2, 401, false, &colour));
    EXPECT_EQ(colour.calls, (std::vector<std::string>{"text:Generating pixels...", "begin:401", "end"}));
    EXPECT_EQ(colour.ticks, 41);
    EXPECT_EQ(colour.tickTotal, 41);

    RecordingProgress grey;
    ASSERT_TRUE(renderGray(b, s.data(), 2, 500, &grey));
    EXPECT_EQ(grey.ticks, 0);
    ASSERT_TRUE(renderGray(b, s.data(), 2, 501, &grey));
    EXPECT_EQ(grey.ticks, 51);  // rows 0, 10, ..., 500
    EXPECT_EQ(grey.calls.back(), "end");

    // A first tick of true then false: the rendering stops, the pixels go.
    RecordingProgress cancel;
    cancel.cancelAfter = 1;
    EXPECT_FALSE(renderColour(b, s.data(), 2, 401, true, &cancel));
    EXPECT_EQ(cancel.ticks, 2);
    EXPECT_EQ(cancel.calls.back(), "end");
    EXPECT_FALSE(b.hasPixels());
}

}  // namespace
}  // namespace kyp
