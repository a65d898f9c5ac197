#include "engine/settings/AcvFile.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/TestFolder.h"

namespace kyp {
namespace {

// Big-endian 16-bit words, as .acv files hold them.
std::vector<uint8_t> Words(const std::vector<int>& words) {
    std::vector<uint8_t> out;
    for (int w : words) out.insert(out.end(), {static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w)});
    return out;
}

bool Read(const std::vector<uint8_t>& bytes, CurveArray& curves) { return ReadAcvData(bytes.data(), bytes.size(), curves); }

CurveArray Sample() {
    CurveArray curves;
    curves[curve::master].ReadText("3:0,10 128,140 255,250");
    curves[curve::blue].ReadText("2:5,0 250,255");
    return curves;
}

TEST(AcvFile, WrittenBytesAndFileRoundTrip) {
    // 22 + 4 * (3 + 2 + 2 + 2) points; y before x; a fifth identity curve.
    EXPECT_EQ(WriteAcvData(Sample()), Words({1, 5, 3, 10, 0, 140, 128, 250, 255, 2, 0, 0, 255, 255, 2, 0, 0, 255, 255,
                                             2, 0, 5, 255, 250, 2, 0, 0, 255, 255}));
    test::TestFolder folder;
    const std::string path = folder / "curves.acv";
    ASSERT_TRUE(WriteAcvFile(path, Sample()));
    CurveArray back;
    back[curve::red].AddPoint(1, 1);  // reading resets all four first
    ASSERT_TRUE(ReadAcvFile(path, back));
    EXPECT_EQ(back, Sample());
    EXPECT_FALSE(ReadAcvFile(folder / "missing.acv", back));
    EXPECT_EQ(back, Sample());  // a file that cannot be read changes nothing
    EXPECT_FALSE(WriteAcvFile(folder / "no/such/folder.acv", Sample()));

    // Two curves in a file: master and red change, the others are reset.
    CurveArray curves = Sample();
    ASSERT_TRUE(ReadAcvFile(folder.Write("two.acv", Words({1, 2, 2, 0, 0, 128, 255, 3, 0, 0, 200, 100, 255, 255})), curves));
    EXPECT_EQ(curves[curve::master].WriteText(), "2:0,0 255,128");
    EXPECT_EQ(curves[curve::red].WriteText(), "3:0,0 100,200 255,255");
    EXPECT_TRUE(curves[curve::green].IsIdentity() && curves[curve::blue].IsIdentity());
}

TEST(AcvFile, RejectsDamagedDataAndChangesNothing) {
    const CurveArray before = Sample();
    const std::vector<std::vector<uint8_t>> bad = {
        {},
        {0},
        Words({4, 1, 2, 0, 0, 255, 255}),  // version 4
        Words({1}),                        // no curve count
        Words({1, 1}),                     // count without the curve
        Words({1, 2, 2, 0, 0, 255, 255}),  // second curve missing
        Words({1, 1, 3, 0, 0, 255, 255}),  // fewer points than declared
        Words({1, 1, 65535, 0, 0}),        // 65535 points declared
        Words({1, 1, 0}),                  // a curve of no point
        Words({1, 1, 2, 0, 0, 256, 255}),  // a coordinate above 255
    };
    for (const auto& bytes : bad) {
        CurveArray curves = before;
        EXPECT_FALSE(Read(bytes, curves)) << bytes.size();
        EXPECT_EQ(curves, before);
    }
    CurveArray curves = before;
    EXPECT_FALSE(ReadAcvData(nullptr, 10, curves));
    // No curve at all is a valid file that changes nothing.
    EXPECT_TRUE(Read(Words({1, 0}), curves));
    EXPECT_EQ(curves, before);
    // An odd trailing byte and curves beyond the fourth are ignored.
    auto six = Words({1, 6, 2, 0, 0, 255, 255, 2, 0, 0, 255, 255, 2, 0, 0, 255, 255, 2, 0, 0, 255, 200});
    six.push_back(7);
    EXPECT_TRUE(Read(six, curves));
    EXPECT_EQ(curves[curve::blue].WriteText(), "2:0,0 200,255");
}

TEST(AcvFile, LargestCurvesAndUnwritableOnes) {
    std::vector<int> words = {1, 1, 65535};
    for (int i = 0; i < 65535; ++i) words.insert(words.end(), {i & 255, i % 256});
    CurveArray curves;
    ASSERT_TRUE(Read(Words(words), curves));
    EXPECT_EQ(curves[0].Count(), 65535u);
    curves[0].AddPoint(1, 1);  // one more point than the count field holds
    EXPECT_TRUE(WriteAcvData(curves).empty());
    CurveArray outside;
    outside[curve::green].ReadText("2:0,0 256,255");  // the reader would reject it
    EXPECT_TRUE(WriteAcvData(outside).empty());
}

}  // namespace
}  // namespace kyp
