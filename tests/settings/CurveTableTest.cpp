#include <gtest/gtest.h>

#include <vector>

#include "engine/settings/CurveTable.h"
#include "platform/MulDiv.h"

namespace kyp {
namespace {

Curve Points(std::initializer_list<std::pair<int, int>> points) {
    Curve c;
    c.Clear();
    for (auto [x, y] : points) c.AddPoint(x, y);
    return c;
}

// (Tables of single curves are compared with recorded results in SettingsDumpTest.)
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
