#include "dialogs/CenterOnScreen.h"

#include <gtest/gtest.h>

namespace {

TEST(CenterOnScreenTest, HalvesTruncateTowardZero) {
    // 1024 / 2 - 301 / 2 = 512 - 150.
    const CRect moved = CenterOnScreen({10, 20, 311, 121}, 1024, 767);
    EXPECT_EQ(moved.left, 362);
    EXPECT_EQ(moved.top, 383 - 50);
    EXPECT_EQ(moved.Width(), 301);
    EXPECT_EQ(moved.Height(), 101);
}

TEST(CenterOnScreenTest, WindowWiderThanTheScreenGetsANegativeEdge) {
    const CRect moved = CenterOnScreen({-5, 0, 1995, 100}, 1024, 768);
    EXPECT_EQ(moved.left, 512 - 1000);
    EXPECT_EQ(moved.right, 512 + 1000);
    EXPECT_EQ(moved.top, 384 - 50);
}

}  // namespace
