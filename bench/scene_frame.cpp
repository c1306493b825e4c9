#include "bench/scene_frame.h"

#include "device/protocol.h"
#include "pipeline/color_map.h"
#include "pipeline/frame_images.h"
#include "pipeline/remap.h"
#include "tools/scene.h"

void loadSceneFrame() {
  static bool loaded = false;
  if (loaded) return;
  static uint16_t distance[kFrameWidth * kFrameHeight], amplitude[kFrameWidth * kFrameHeight];
  buildUndistortMaps();
  renderScene(10, distance, amplitude);
  packBlock(distance, distanceBlock);
  packBlock(amplitude, amplitudeBlock);
  decodeFrame();
  remapNonZero(frameImages.rawDistance, frameImages.mapX, frameImages.mapY, frameImages.undistortedDistance);
  colorizeImage(frameImages.undistortedDistance, frameImages.undistortedColor);
  loaded = true;
}
