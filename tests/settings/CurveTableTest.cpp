#include <gtest/gtest.h>

#include <vector>

#include "engine/settings/CurveTable.h"
#include "platform/MulDiv.h"

namespace kyp {
namespace {

std::vector<uint16_t> Table(const Curve& c, uint16_t fill = 0xBEEF) {
    std::vector<uint16_t> t(kCurveTableSize, fill);
    BuildCurveTable(t.data(), c);
    return t;
}

Curve Points(std::initializer_list<std::pair<int, int>> points) {
    Curve c;
    c.Clear();
    for (auto [x, y] : points) c.AddPoint(x, y);
    return c;
}

// (Lines through two points and the shape of Catmull-Rom segments are checked
// by the digests of converted files with curves.)
TEST(CurveTable, FirstAndLastPointsFillTheEnds) {
    // (64,32) scales to (256,128): entries 0..255 take 128.
    const auto t = Table(Points({{64, 32}, {192, 224}}));
    for (int x = 0; x < 256; ++x) ASSERT_EQ(t[x], 128);
    EXPECT_EQ(t[256], 128);
    // 192 and 224 scale to 770 and 898; from there on the last y.
    for (int x = 770; x < 1024; ++x) ASSERT_EQ(t[x], 898);
    EXPECT_EQ(t[769], MulDiv(769 - 256, 898 - 128, 770 - 256) + 128);
}

// Three rising points: every entry written, never falling; the first rounded
// step overwrites the start point. On the diagonal every entry is x.
TEST(CurveTable, CatmullRomSegmentsWriteEveryEntry) {
    const auto t = Table(Points({{0, 0}, {128, 200}, {255, 255}}));
    EXPECT_EQ(t[0], 1);
    EXPECT_EQ(t[1023], 1023);
    for (int x = 1; x < 1024; ++x) ASSERT_GE(t[x], t[x - 1]) << x;  // 0xBEEF left anywhere would break this
    const auto diagonal = Table(Points({{0, 0}, {30, 30}, {128, 128}, {200, 200}, {255, 255}}));
    for (int x = 0; x < 1024; ++x) ASSERT_EQ(diagonal[x], x);
}

TEST(CurveTable, UnreachedEntriesKeepTheirContents) {
    // Zig-zag points make one segment move faster than one entry per step
    // where no other segment passes; that entry is never written.
    const Curve zigzag = Points({{63, 94}, {0, 157}, {255, 148}, {0, 182}, {255, 141}, {118, 171}});
    const auto a = Table(zigzag, 0xBEEF);
    const auto b = Table(zigzag, 0x1234);
    int kept = 0;
    for (int x = 0; x < 1024; ++x) {
        if (a[x] == 0xBEEF) {
            ASSERT_EQ(b[x], 0x1234) << x;
            ++kept;
        } else {
            ASSERT_EQ(a[x], b[x]) << x;
            ASSERT_LE(a[x], 1023) << x;
        }
    }
    EXPECT_GE(kept, 1);
}

TEST(CurveTable, HostilePointsStayInsideTheTable) {
    for (const char* text : {"4:65535,65535 -1,-1 300,0 0,65535", "2:65535,65535 0,0"}) {
        Curve c;
        c.ReadText(text);
        for (auto v : Table(c)) ASSERT_LE(v, 1023) << text;
    }
    Curve one;
    one.ReadText("1:64,32");
    for (auto v : Table(one)) ASSERT_EQ(v, 128);
    Curve none;
    none.Clear();
    const auto identity = Table(none);
    for (int x = 0; x < 1024; ++x) ASSERT_EQ(identity[x], x);
}

TEST(CurveTable, CurveSet) {
    CurveArray curves;
    CurveSet set(curves);
    EXPECT_FALSE(set.Any());
    curves[curve::red] = Points({{0, 0}, {255, 128}});
    set.Build(curves);
    EXPECT_EQ(set.Table(curve::master), nullptr);
    ASSERT_NE(set.Table(curve::red), nullptr);
    EXPECT_EQ(set.Tables()[1][1023], 513);
    CurveSet copy = set;  // a copy points at its own tables
    set.Clear();
    ASSERT_NE(copy.Table(curve::red), nullptr);
    EXPECT_NE(copy.Table(curve::red), set.Table(curve::red));
    EXPECT_EQ(copy.Table(curve::red)[1023], 513);

    uint16_t red[kCurveTableSize];
    uint16_t* storage[kCurveCount] = {nullptr, red, nullptr, nullptr};
    const uint16_t* tables[kCurveCount] = {};
    curves[curve::master] = Points({{0, 255}, {255, 0}});
    BuildCurveSet(curves, storage, tables);
    EXPECT_EQ(tables[0], nullptr);  // no storage given
    EXPECT_EQ(tables[1], red);

    uint8_t display[256];
    BuildCurveTable8(display, curves[curve::red]);
    EXPECT_EQ(display[255], 128);
    EXPECT_EQ(display[100], MulDiv(100, 128, 255));
}

}  // namespace
}  // namespace kyp
