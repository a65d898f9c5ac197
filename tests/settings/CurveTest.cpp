#include <gtest/gtest.h>

#include "engine/settings/Curve.h"

namespace kyp {
namespace {

Curve FromText(const char* text) {
    Curve c;
    c.ReadText(text);
    return c;
}

TEST(Curve, IdentityAndText) {
    Curve c;
    EXPECT_TRUE(c.IsIdentity());
    EXPECT_EQ(c.WriteText(), "2:0,0 255,255");
    c.AddPoint(128, 200);
    EXPECT_FALSE(c.IsIdentity());
    EXPECT_EQ(c.Point(2), 200u << 16 | 128u);
    EXPECT_EQ(c.WriteText(), "3:0,0 255,255 128,200");  // kept in the order added
    c.Reset();
    EXPECT_TRUE(c.IsIdentity());
    c.Clear();
    EXPECT_EQ(c.WriteText(), "0:");
    EXPECT_FALSE(c.IsIdentity());
    // Text written is read back as the same curve.
    c.AddPoint(0, 10);
    c.AddPoint(64, 32);
    EXPECT_EQ(c.WriteText(), "2:0,10 64,32");
    EXPECT_EQ(FromText(c.WriteText().c_str()), c);
    EXPECT_TRUE(FromText("2:0,0 255,255").IsIdentity());
}

TEST(Curve, TolerantReader) {
    // Fewer points than the count: the points present.
    EXPECT_EQ(FromText("5:0,0 255,255").WriteText(), "2:0,0 255,255");
    EXPECT_EQ(FromText("5:0,0 255,255 ").WriteText(), "2:0,0 255,255");
    EXPECT_EQ(FromText("2147483647:1,2").WriteText(), "1:1,2");
    EXPECT_EQ(FromText("99999999999999999999:1,2").Count(), 1u);
    // Negative and huge coordinates are truncated to 16 bits.
    EXPECT_EQ(FromText("1:-1,70000").WriteText(), "1:65535,4464");
    EXPECT_EQ(FromText("-3:1,2").Count(), 0u);
    EXPECT_EQ(FromText("").Count(), 0u);
    EXPECT_EQ(FromText(nullptr).Count(), 0u);
    EXPECT_EQ(FromText("garbage").Count(), 0u);
}

}  // namespace
}  // namespace kyp
