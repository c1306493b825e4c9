#include "console/keyboard.h"

#include <cstdio>

#include "app/run_state.h"
#include "console/recorder.h"
#include "viewer/view_state.h"

void onKeyboard(unsigned char key, int, int) {
  switch (key) {
    case 'A': case 'a': zoomOut(); break;
    case 'D': case 'd': zoomIn(); break;
    case 'Z': case 'z': setTopView(); break;
    case 'X': case 'x': setLeftSideView(); break;
    case 'C': case 'c': setObliqueView(); break;
    case 'R': case 'r': resetView(); break;
    case 'H': case 'h': printKeyHelp(); break;
    case 'Q': case 'q': running = 0; break;
    case 'O': case 'o': startRecording(); break;
    case 'P': case 'p': pauseRecording(); break;
    default: break;
  }
}

void printKeyHelp() {
  printf("Key help:\n");
  printf("  [A]  Zoom out point cloud.\n");
  printf("  [D]  Zoom in point cloud.\n");
  printf("  [O]  Record distance and amp data.\n");
  printf("  [P]  Pause data record.\n");
  printf("  [H]  Print key help.\n");
  printf("  [Q]  Quit.\n");
  printf("Vision help:\n");
  printf("  [Z]  Top view.\n");
  printf("  [X]  Left side view.\n");
  printf("  [C]  Oblique view (from upper left).\n");
  printf("  [R]  Reset observation position (default is device's position).\n");
}
