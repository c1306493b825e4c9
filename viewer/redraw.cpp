#include "viewer/redraw.h"

#include <GL/freeglut.h>

#include "viewer/point_cloud.h"

// freeglut aborts the process on a redraw request with no window, so a view
// key typed after the window was closed must not make one.
void requestPointCloudRedraw() {
  if (pointCloudWindowOpen()) glutPostRedisplay();
}
