#include <gtest/gtest.h>

#include "gui/ScreenCentring.h"

namespace onarim {
namespace {

// Frames the offscreen platform does not draw.
TEST(ScreenCentringTest, FrameIsCentredOnTheWholeScreen) {
    struct Case {
        const char* name;
        QMargins frame; // left, top, right, bottom
        QRect screen;
        QPoint clientAt; // of a 426 by 244 client area
    } cases[] = {
        // The frame, 428 by 273, from (746, 403): lower by half the title bar than a centred
        // client area.
        {"title bar and borders", {1, 28, 1, 1}, {0, 0, 1920, 1080}, {747, 431}},
        {"a second screen, odd differences rounded up and left", {}, {1920, 0, 1281, 1023},
         {1920 + 427, 389}},
        {"a screen smaller than the frame keeps the title bar on it", {1, 28, 1, 1},
         {0, 0, 320, 240}, {1, 28}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CentredClientGeometry({426, 244}, c.frame, c.screen),
                  QRect(c.clientAt, QSize(426, 244)));
    }
}

} // namespace
} // namespace onarim
