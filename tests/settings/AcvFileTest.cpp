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

// (The bytes written and what damaged data reads as are compared with recorded
// results in SettingsDumpTest.)
TEST(AcvFile, FileRoundTrip) {
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

TEST(AcvFile, LargestCurvesAndUnwritableOnes) {
    std::vector<int> words = {1, 1, 65535};
    for (int i = 0; i < 65535; ++i) words.insert(words.end(), {i & 255, i % 256});
    CurveArray curves;
    ASSERT_TRUE(Read(Words(words), curves));
    EXPECT_EQ(curves[0].Count(), 65535u);
    curves[0].AddPoint(1, 1);  // one more point than the count field holds
    EXPECT_TRUE(WriteAcvData(curves).empty());
    EXPECT_FALSE(ReadAcvData(nullptr, 10, curves));
    CurveArray outside;
    outside[curve::green].ReadText("2:0,0 256,255");  // the reader would reject it
    EXPECT_TRUE(WriteAcvData(outside).empty());
}

}  // namespace
}  // namespace kyp
