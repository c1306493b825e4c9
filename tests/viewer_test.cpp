#include <gtest/gtest.h>

#include <cmath>

#include "pipeline/frame_images.h"
#include "tests/redraw_counter.h"
#include "viewer/cloud_point.h"
#include "viewer/image_windows.h"
#include "viewer/view_state.h"

namespace {

struct CloudPointTest : ::testing::Test {
  static void SetUpTestSuite() { buildUndistortMaps(); }
};

TEST_F(CloudPointTest, ZeroDistanceLandsOnTheMarker) {
  const uint8_t black[3] = {0, 0, 0};
  for (int r : {0, 8, 23})
    for (int c : {0, 162, 319}) {
      const CloudPoint p = cloudPoint(r, c, 0, black);
      EXPECT_EQ(p.x, 0.0f);
      EXPECT_EQ(p.y, 0.0f);
      EXPECT_EQ(p.z, -100.0f);
    }
}

TEST_F(CloudPointTest, PointsLieOnTheirPixelRayAtTheirDistance) {
  const double fx = frameImages.cameraMatrix.at<double>(0, 0);
  const double fy = frameImages.cameraMatrix.at<double>(1, 1);
  const uint8_t bgr[3] = {10, 128, 255};
  for (uint16_t d : {1, 100, 300, 4000, 65535}) {
    for (int r : {0, 7, 23}) {
      for (int c : {0, 100, 319}) {
        const CloudPoint p = cloudPoint(r, c, d, bgr);
        const double x = p.x, y = p.y / 3.0, z = p.z + 100.0;  // undo the stretch and the shift
        EXPECT_NEAR(std::sqrt(x * x + y * y + z * z), d, d * 1e-5);  // single precision
        EXPECT_NEAR(x / z, (frameImages.principalX - c) / fx, 1e-5);
        EXPECT_NEAR(y / z, (frameImages.principalY - r) / fy, 1e-5);
        EXPECT_GT(z, 0);
      }
    }
  }
  const CloudPoint p = cloudPoint(0, 0, 100, bgr);
  EXPECT_EQ(p.red, (float)(255 / 255.0));
  EXPECT_EQ(p.green, (float)(128 / 255.0));
  EXPECT_EQ(p.blue, (float)(10 / 255.0));
  EXPECT_GT(p.x, 0) << "column 0 is left of the principal point: larger x in model space";
  EXPECT_GT(p.y, 0) << "row 0 is above the principal point";
}

struct ViewTest : ::testing::Test {
  void SetUp() override {
    viewState = ViewState();
    redrawRequests = 0;
  }
};

TEST_F(ViewTest, AnglesWrapByAtMostOneTurn) {
  const struct { float in, out; } cases[] = {
      {-90, 270}, {-400, -40}, {800, 440}, {0, 0}, {360, 360}, {360.5f, 0.5f}, {-0.0f, 0}};
  for (const auto &c : cases) {
    viewState.rotX = c.in;
    viewState.rotY = c.in;
    wrapViewAngles();
    EXPECT_EQ(viewState.rotX, c.out) << c.in;
    EXPECT_EQ(viewState.rotY, c.out) << c.in;
  }
}

TEST_F(ViewTest, ZoomStepsRoundThroughDouble) {
  zoomIn();
  zoomOut();
  EXPECT_EQ(viewState.zoom, 0.99f);
  EXPECT_NE(viewState.zoom, 1.0f);
  viewState.zoom = 1;
  for (int i = 0; i < 10; i++) zoomIn();
  for (int i = 0; i < 10; i++) zoomOut();
  EXPECT_NEAR(viewState.zoom, 0.904, 0.001);
  EXPECT_EQ(redrawRequests, 22);
}

TEST_F(ViewTest, PresetsSetTheTableAndOneRedrawEach) {
  const struct { void (*op)(); float rotX, rotY, dragX, dragY; } cases[] = {
      {setTopView, -90, 0, 0, -320},
      {setLeftSideView, 0, -90, -320, 0},
      {setObliqueView, -45, -45, -160, -160},
      {resetView, 0, 0, 0, 0},
  };
  for (const auto &c : cases) {
    viewState.zoom = 2.5f;
    viewState.lastX = 17;
    redrawRequests = 0;
    c.op();
    EXPECT_EQ(viewState.rotX, c.rotX);
    EXPECT_EQ(viewState.rotY, c.rotY);
    EXPECT_EQ(viewState.dragX, c.dragX);
    EXPECT_EQ(viewState.dragY, c.dragY);
    EXPECT_EQ(viewState.zoom, 1.0f);
    EXPECT_EQ(viewState.lastX, 17) << "presets leave the pointer anchor alone";
    EXPECT_EQ(redrawRequests, 1);
    // The drag invariant holds, so a drag continues from the preset.
    EXPECT_EQ(viewState.rotY, viewState.dragX / 320 * 90);
    EXPECT_EQ(viewState.rotX, viewState.dragY / 320 * 90);
  }
}

TEST_F(ViewTest, DragsTurnByQuarterPer320Pixels) {
  onMouse(0, 0, 100, 50);  // left press anchors only
  EXPECT_EQ(redrawRequests, 0);
  EXPECT_EQ(viewState.lastX, 100);
  onMotion(420, 50);
  EXPECT_EQ(viewState.rotY, 90);
  EXPECT_EQ(redrawRequests, 1);
  onMotion(420, 370);
  EXPECT_EQ(viewState.rotX, 90);
  onMotion(100, 370);  // back left
  EXPECT_EQ(viewState.rotY, 0);

  setTopView();
  onMouse(0, 0, 10, 10);
  onMotion(10, 330);
  EXPECT_EQ(viewState.rotX, 0) << "a drag down from the top view returns to level";
}

TEST_F(ViewTest, ButtonsAndWheel) {
  viewState.rotX = 33;
  viewState.dragX = 50;
  onMouse(0, 1, 5, 5);  // release
  onMouse(1, 0, 5, 5);  // middle press
  EXPECT_EQ(redrawRequests, 0);
  EXPECT_EQ(viewState.rotX, 33);
  onMouse(2, 0, 5, 5);  // right press resets
  EXPECT_EQ(viewState.rotX, 0);
  EXPECT_EQ(viewState.dragX, 0);
  EXPECT_EQ(redrawRequests, 1);

  redrawRequests = 0;
  onMouseWheel(0, 1, 0, 0);
  EXPECT_EQ(viewState.zoom, (float)1.1);
  onMouseWheel(0, -1, 0, 0);
  EXPECT_EQ(viewState.zoom, (float)((double)(float)1.1 * 0.9));
  const float before = viewState.zoom;
  onMouseWheel(0, 3, 0, 0);
  EXPECT_EQ(viewState.zoom, before);
  EXPECT_EQ(redrawRequests, 3);
}

TEST(ImageMouse, PrintsPositionAndValueOnlyForLeftPressesOnTheImage) {
  frameImages.rawDistance.at<uint16_t>(5, 12) = 65535;
  frameImages.undistortedDistance.at<uint16_t>(5, 12) = 321;
  int original = 0, undistorted = 1;
  const struct { int event, x, y; int *tag; const char *out; } cases[] = {
      {1, 12, 5, &original, "Select point: (12, 5)\n  Original data: 65535\n"},
      {1, 12, 5, &undistorted, "Select point: (12, 5)\n  Undistorted data: 321\n"},
      {2, 12, 5, &original, ""},   // right press
      {3, 12, 5, &original, ""},   // middle press
      {0, 12, 5, &original, ""},   // move
      {4, 12, 5, &original, ""},   // left release
      {1, 320, 5, &original, ""},  // off the image
      {1, -1, 5, &original, ""},
      {1, 12, 24, &undistorted, ""},
  };
  for (const auto &c : cases) {
    testing::internal::CaptureStdout();
    onImageMouse(c.event, c.x, c.y, 0, c.tag);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out) << c.event << " " << c.x << "," << c.y;
  }
}

}  // namespace
