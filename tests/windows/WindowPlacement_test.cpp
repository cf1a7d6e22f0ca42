#include "windows/WindowPlacement.h"

#include <gtest/gtest.h>

TEST(WindowPlacement, WindowsBeyondTheRightOrBottomEdgeComeBack)
{
    struct Case
    {
        QPoint stored;
        QPoint expected;
    };
    const QSize screen(1920, 1080);
    const Case cases[] = {
        {{100, 100}, {100, 100}},
        {{1870, 100}, {1870, 100}},  // width - 50 stays
        {{1871, 100}, {960, 100}},   // width - 49 moves
        {{100, 1031}, {100, 540}},
        {{5000, 5000}, {960, 540}},
        {{-300, -200}, {-300, -200}}, // left of or above the screen stays
    };
    for (const Case &c : cases)
        EXPECT_EQ(clampWindowPosition(c.stored, screen), c.expected);
    EXPECT_EQ(clampWindowPosition({1000, 10}, QSize(1001, 801)), QPoint(500, 10)); // integer half
}
