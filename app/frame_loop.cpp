#include "app/frame_loop.h"

#include <GL/freeglut.h>
#include <opencv2/highgui.hpp>

#include "app/run_state.h"
#include "console/keyboard.h"
#include "console/recorder.h"
#include "device/protocol.h"
#include "device/transport.h"
#include "pipeline/color_map.h"
#include "pipeline/frame_images.h"
#include "pipeline/remap.h"
#include "viewer/image_windows.h"
#include "viewer/redraw.h"

bool receiveFrame(SOCKET s) {
  if (!receiveAll(s, (char *)distanceBlock, kBlockBytes)) return false;
  if (!receiveAll(s, (char *)amplitudeBlock, kBlockBytes)) return false;
  receiveAll(s, (char *)replyBytes, kTrailerBytes);
  return true;
}

void processFrame() {
  decodeFrame();
  remapNonZero(frameImages.rawDistance, frameImages.mapX, frameImages.mapY,
               frameImages.undistortedDistance);
  colorizeImage(frameImages.undistortedDistance, frameImages.undistortedColor);
  if (recording) writeFrameRecord();
}

void presentFrame() {
  showImages();
  requestPointCloudRedraw();
  glutMainLoopEvent();
}

void handleImageWindowKeys() {
  const int key = cv::waitKey(kKeyWaitMs);
  onKeyboard((unsigned char)(key & 0xFF), 0, 0);
  // Closing an image window ends the run the way Q does.
  if (imageWindowClosed()) running = 0;
}

void runFrameLoop(SOCKET s) {
  while (running) {
    if (!receiveFrame(s)) break;
    processFrame();
    presentFrame();
    handleImageWindowKeys();
  }
}
