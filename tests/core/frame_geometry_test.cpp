#include "app/frame_geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameGeometry, DisplayExactly600HighGivesAMaximisedLowerFrame)
{
    const FrameGeometry geometry = FrameGeometryFor(600);
    EXPECT_EQ(geometry.width, 800);
    EXPECT_EQ(geometry.height, 570);
    EXPECT_TRUE(geometry.maximized);
}

TEST(FrameGeometry, OtherDisplaysGiveThePlainFrame)
{
    for (const int height : {599, 601, 768, 1024}) {
        const FrameGeometry geometry = FrameGeometryFor(height);
        EXPECT_EQ(geometry.width, 800) << height;
        EXPECT_EQ(geometry.height, 600) << height;
        EXPECT_FALSE(geometry.maximized) << height;
    }
}

} // namespace
