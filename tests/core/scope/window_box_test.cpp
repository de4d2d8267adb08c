#include "scope/window_box.h"

#include <gtest/gtest.h>

#include <climits>

namespace quillon {
namespace {

const WindowBox kScreen{0, 0, 1280, 1024};

TEST(WindowBoxTest, ABoxOffTheScreenIsBroughtOnItAndOneOnItStays) {
  EXPECT_EQ(FitOnScreen({40, 40, 640, 300}, kScreen, 200, 100), (WindowBox{40, 40, 640, 300}));
  // Far to the right and below: moved in, size kept.
  EXPECT_EQ(FitOnScreen({30000, 20000, 640, 300}, kScreen, 200, 100), (WindowBox{640, 724, 640, 300}));
  // Left of and above the screen.
  EXPECT_EQ(FitOnScreen({-5000, -70, 640, 300}, kScreen, 200, 100), (WindowBox{0, 0, 640, 300}));
  // Larger than the screen: shrunk to it; smaller than the minimum: grown to it.
  EXPECT_EQ(FitOnScreen({10, 10, 5000, 4000}, kScreen, 200, 100), (WindowBox{0, 0, 1280, 1024}));
  EXPECT_EQ(FitOnScreen({10, 10, 0, -3}, kScreen, 200, 100), (WindowBox{10, 10, 200, 100}));
  // A second screen's area that does not start at 0, and values at the ends of the range.
  EXPECT_EQ(FitOnScreen({INT_MIN, INT_MAX, INT_MAX, 50}, {1280, 0, 1920, 1080}, 200, 100),
            (WindowBox{1280, 980, 1920, 100}));
}

}  // namespace
}  // namespace quillon
