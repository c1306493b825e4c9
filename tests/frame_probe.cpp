// Prints what the viewer should show for a frame of the simulator's scene,
// for the end-to-end tests to compare against.
//   frame_probe pixel FRAME ROW COLUMN   raw and undistorted distance
//   frame_probe sections FRAME           the Amp and Rawdist sections, mirrored
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "device/protocol.h"
#include "pipeline/color_map.h"
#include "pipeline/frame_images.h"
#include "pipeline/remap.h"
#include "tools/scene.h"

int main(int argc, char **argv) {
  static uint16_t distance[kFrameWidth * kFrameHeight], amplitude[kFrameWidth * kFrameHeight];
  if (argc == 5 && strcmp(argv[1], "pixel") == 0) {
    renderScene(atoi(argv[2]), distance, amplitude);
    packBlock(distance, distanceBlock);
    buildUndistortMaps();
    decodeFrame();
    remapNonZero(frameImages.rawDistance, frameImages.mapX, frameImages.mapY, frameImages.undistortedDistance);
    const int row = atoi(argv[3]), column = atoi(argv[4]);
    printf("%d %d\n", frameImages.rawDistance.at<uint16_t>(row, column),
           frameImages.undistortedDistance.at<uint16_t>(row, column));
    return 0;
  }
  if (argc == 3 && strcmp(argv[1], "sections") == 0) {
    renderScene(atoi(argv[2]), distance, amplitude);
    const struct { const char *title; const uint16_t *samples; } sections[] = {
        {"Amp:", amplitude}, {"Rawdist:", distance}};
    for (const auto &section : sections) {
      printf("%s\n", section.title);
      for (int r = 0; r < kFrameHeight; r++) {
        for (int k = kFrameWidth - 1; k >= 0; k--) printf("%u ", section.samples[r * kFrameWidth + k]);
        printf("\n");
      }
    }
    return 0;
  }
  fprintf(stderr, "usage: frame_probe pixel FRAME ROW COLUMN | frame_probe sections FRAME\n");
  return 2;
}
