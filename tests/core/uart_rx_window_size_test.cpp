#include "uart/rx_window_size.h"

#include <gtest/gtest.h>

TEST(RxWindowSize, GrowsWithTheViewsAreaAndNeverShrinks)
{
    EXPECT_EQ(RxWindowCharsFor(8192, 320, 281, 320, 281), 8192u);
    EXPECT_EQ(RxWindowCharsFor(8192, 320, 281, 640, 562), 4u * 8192);
    EXPECT_EQ(RxWindowCharsFor(8192, 320, 281, 640, 200), 2u * 8192) << "a lower view keeps the design height";
    EXPECT_EQ(RxWindowCharsFor(8192, 320, 281, 100, 100), 8192u);
    EXPECT_EQ(RxWindowCharsFor(8192, 0, 281, 640, 562), 8192u);
}

TEST(RxWindowSize, ScreenCharsAreRowsTimesColumnsAndHalfAgain)
{
    EXPECT_EQ(RxScreenChars(320, 300, 7, 17), 45u * 17 * 3 / 2);
    EXPECT_EQ(RxScreenChars(6, 300, 7, 17), 0u) << "no whole column";
    EXPECT_EQ(RxScreenChars(320, 300, 0, 17), 0u);
}
