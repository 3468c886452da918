// Qt's top-left screen coordinates and the OS's bottom-left ones, both ways.

#include <gtest/gtest.h>

#include "platform/linux/QtScreenCoordinates.h"

namespace {

TEST(QtScreenCoordinates, YIsFlippedAtThePrimaryScreensBottomEdge) {
    const QRect primary(0, 0, 1280, 800);
    const QRect besideAbove(1280, -200, 1024, 768);  // a second screen, higher up
    EXPECT_EQ(platform::screenPointFromQt(QPointF(10, 0), primary), (platform::Point{10, 800}));
    EXPECT_EQ(platform::screenPointFromQt(QPointF(1300, -200), primary),
              (platform::Point{1300, 1000}));
    EXPECT_EQ(platform::screenRectFromQt(QRect(1200, 0, 24, 24), primary),
              (platform::Rect{{1200, 776}, {24, 24}}));
    EXPECT_EQ(platform::screenRectFromQt(besideAbove, primary),
              (platform::Rect{{1280, 232}, {1024, 768}}));
    for (const QPoint p : {QPoint(0, 0), QPoint(640, 799), QPoint(2000, -150)})
        EXPECT_EQ(platform::qtPointFromScreen(platform::screenPointFromQt(p, primary), primary), p);
}

}  // namespace
