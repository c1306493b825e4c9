#include "viewer/view_state.h"

#include "viewer/redraw.h"

ViewState viewState;

namespace {
const float kDragPerQuarterTurn = 320;

// Zoom steps are taken in double and rounded back, so zoomIn then zoomOut
// lands on the float nearest 0.99, not on 1.
void scaleZoom(double factor) { viewState.zoom = (float)((double)viewState.zoom * factor); }

// Presets keep rotY = dragX / 320 * 90 and rotX = dragY / 320 * 90, so a
// drag after a preset continues from it.
void setView(float rotX, float rotY, float dragX, float dragY) {
  viewState.rotX = rotX;
  viewState.rotY = rotY;
  viewState.zoom = 1;
  viewState.dragX = dragX;
  viewState.dragY = dragY;
  requestPointCloudRedraw();
}
}  // namespace

void zoomIn() {
  scaleZoom(1.1);
  requestPointCloudRedraw();
}

void zoomOut() {
  scaleZoom(0.9);
  requestPointCloudRedraw();
}

namespace {
float wrapAngle(float angle) {
  if (angle < 0) angle += 360;
  if (angle > 360) angle -= 360;
  return angle;
}
}  // namespace

void wrapViewAngles() {
  viewState.rotY = wrapAngle(viewState.rotY);
  viewState.rotX = wrapAngle(viewState.rotX);
}

void setTopView() { setView(-90, 0, 0, -320); }
void setLeftSideView() { setView(0, -90, -320, 0); }
void setObliqueView() { setView(-45, -45, -160, -160); }
void resetView() { setView(0, 0, 0, 0); }

namespace {
// GLUT's button and state codes.
const int kButtonDown = 0;
const int kLeftButton = 0;
const int kRightButton = 2;
}  // namespace

void onMouse(int button, int state, int x, int y) {
  if (state != kButtonDown) return;
  if (button == kLeftButton) {
    viewState.lastX = (float)x;
    viewState.lastY = (float)y;
  } else if (button == kRightButton) {
    resetView();
  }
}

void onMotion(int x, int y) {
  const float fx = (float)x, fy = (float)y;
  const float dx = fx - viewState.lastX;
  viewState.lastX = fx;
  const float dy = fy - viewState.lastY;
  viewState.lastY = fy;
  viewState.dragX = dx + viewState.dragX;
  viewState.dragY = dy + viewState.dragY;
  viewState.rotY = (viewState.dragX / kDragPerQuarterTurn) * 90.0f;
  viewState.rotX = (viewState.dragY / kDragPerQuarterTurn) * 90.0f;
  requestPointCloudRedraw();
}

void onMouseWheel(int, int direction, int, int) {
  if (direction == -1) scaleZoom(0.9);
  else if (direction == 1) scaleZoom(1.1);
  requestPointCloudRedraw();
}
