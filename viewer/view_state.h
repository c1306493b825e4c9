// The point-cloud camera and everything that changes it: zoom steps, view
// presets and the pointer callbacks. Every change ends in one redraw request.
#pragma once

struct ViewState {
  float rotX = 0;   // degrees about x, applied after rotY
  float rotY = 0;   // degrees about -y
  float zoom = 1;
  float dragX = 0;  // accumulated pointer travel of all drags, window pixels
  float dragY = 0;
  float lastX = 0;  // pointer at the last left press or drag motion
  float lastY = 0;
};

extern ViewState viewState;

void zoomIn();
void zoomOut();
void setTopView();
void setLeftSideView();
void setObliqueView();
void resetView();

// Brings rotY, then rotX, back by at most one turn; 0 and 360 stay.
void wrapViewAngles();

void onMouse(int button, int state, int x, int y);
void onMotion(int x, int y);
void onMouseWheel(int wheel, int direction, int x, int y);
