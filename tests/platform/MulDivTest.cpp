#include "platform/MulDiv.h"

#include <gtest/gtest.h>

namespace kyp {

TEST(MulDiv, RoundsHalfAwayFromZero) {
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(3, -1, 2), -2);
    EXPECT_EQ(MulDiv(3, 1, -2), -2);
    EXPECT_EQ(MulDiv(-3, 1, -2), 2);
    EXPECT_EQ(MulDiv(5, 1, 3), 2);
    EXPECT_EQ(MulDiv(4, 1, 3), 1);
}

TEST(MulDiv, FailsOnZeroDivisorAndOverflow) {
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
    EXPECT_EQ(MulDiv(0x40000000, 4, 1), -1);
    EXPECT_EQ(MulDiv(0x40000000, 4, 2), -1);  // 2^31 does not fit
    EXPECT_EQ(MulDiv(0x40000000, 4, 4), 0x40000000);
    EXPECT_EQ(MulDiv(-0x40000000, 2, 1), INT32_MIN);
}

}  // namespace kyp
