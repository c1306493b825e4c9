#include "viewer/point_cloud.h"

#include <GL/freeglut.h>
#include <GL/glu.h>

#include "app/run_state.h"
#include "console/keyboard.h"
#include "pipeline/frame_images.h"
#include "viewer/cloud_point.h"
#include "viewer/redraw.h"
#include "viewer/view_state.h"

namespace {
bool windowOpen = false;

}  // namespace

bool pointCloudWindowOpen() { return windowOpen; }

void createPointCloudWindow(int *argc, char **argv) {
  glutInit(argc, argv);
  glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGB);
  glutInitWindowPosition(300, 500);
  glutInitWindowSize(920, 360);
  // freeglut would otherwise end the process when the window is closed, and
  // the sensor would never be told to stop.
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
  glutCreateWindow("Point Cloud");
  windowOpen = true;
  glutDisplayFunc(renderPointCloud);
  glutReshapeFunc(onReshape);
  glutKeyboardFunc(onKeyboard);
  glutMouseFunc(onMouse);
  glutMotionFunc(onMotion);
  glutMouseWheelFunc(onMouseWheel);
  glutCloseFunc(onPointCloudClose);
}

// Also called by freeglut while it shuts down at process exit, when
// clearing the run flag no longer matters.
void onPointCloudClose() {
  windowOpen = false;
  running = 0;
}

void renderPointCloud() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  wrapViewAngles();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(0, 0, -1, 0, 0, 0, 0, 1, 0);
  glRotatef(viewState.rotX, 1, 0, 0);
  glRotatef(viewState.rotY, 0, -1, 0);
  glScalef(viewState.zoom, viewState.zoom, viewState.zoom);

  glPointSize(5);
  glColor3f(1, 0, 0);
  glBegin(GL_POINTS);
  glVertex3f(0, 0, -100);
  glEnd();

  glPointSize(3);
  glBegin(GL_POINTS);
  for (int r = 0; r < kFrameHeight; r++) {
    const uint16_t *distanceRow = frameImages.undistortedDistance.ptr<uint16_t>(r);
    const uint8_t *colorRow = frameImages.undistortedColor.ptr<uint8_t>(r);
    for (int c = 0; c < kFrameWidth; c++) {
      const CloudPoint p = cloudPoint(r, c, distanceRow[c], colorRow + 3 * c);
      glColor3f(p.red, p.green, p.blue);
      glVertex3f(p.x, p.y, p.z);
    }
  }
  glEnd();
  glFlush();
  glutSwapBuffers();
}

void onReshape(int width, int height) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  viewState.dragX = 0;
  viewState.dragY = 0;
  viewState.lastY = -1;
  viewState.lastX = -1;
  viewState.rotX = 0;
  viewState.rotY = 0;
  glViewport(0, 0, width, height);
  glOrtho(-200, 200, -200, 200, -200, 1000);
  requestPointCloudRedraw();
}
