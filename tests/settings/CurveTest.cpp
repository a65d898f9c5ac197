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

}  // namespace
}  // namespace kyp
