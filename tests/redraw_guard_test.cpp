// Linked with the real redraw request, not the counting double: with no
// point-cloud window (never opened, or closed by the operator) a view key
// must not reach freeglut, which ends the process on a redraw request
// without a window.
#include <gtest/gtest.h>

#include "app/run_state.h"
#include "console/keyboard.h"
#include "viewer/point_cloud.h"
#include "viewer/view_state.h"

namespace {

TEST(RedrawGuard, ViewKeysWithoutThePointCloudWindowOnlyChangeTheView) {
  // freeglut is not even initialised: any request that reached it would
  // end this process with an error.
  ASSERT_FALSE(pointCloudWindowOpen());
  onKeyboard('d', 0, 0);
  onKeyboard('z', 0, 0);
  onMouseWheel(0, 1, 0, 0);
  EXPECT_EQ(viewState.rotX, -90);
  EXPECT_EQ(viewState.zoom, (float)1.1);
}

TEST(RedrawGuard, ClosingTheWindowStopsTheRun) {
  running = 1;
  onPointCloudClose();
  EXPECT_FALSE(pointCloudWindowOpen());
  EXPECT_EQ(running, 0);
}

}  // namespace
