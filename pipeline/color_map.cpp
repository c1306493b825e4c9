#include "pipeline/color_map.h"

#include "device/protocol.h"
#include "pipeline/frame_images.h"

// Channels are computed in double and truncated toward zero, so 59 gives
// blue 250 (250.75) and the range ends give pure colours.
void distanceToColor(uint16_t value, uint8_t *red, uint8_t *green, uint8_t *blue) {
  unsigned v = value;
  if (v == 0) {
    *red = 0, *green = 0, *blue = 0;
  } else if (v <= 60) {
    *red = 0, *green = 0, *blue = (uint8_t)(int)((double)(int)v * 4.25);
  } else if (v <= 120) {
    *red = 0, *green = (uint8_t)(int)((double)(int)(v - 60) * 4.25), *blue = 255;
  } else if (v <= 180) {
    *red = 0, *green = 255, *blue = (uint8_t)(int)(255.0 - (double)(int)(v - 120) * 4.25);
  } else if (v <= 240) {
    *red = (uint8_t)(int)((double)(int)(v - 180) * 4.25), *green = 255, *blue = 0;
  } else if (v <= 300) {
    *red = 255, *green = (uint8_t)(int)(255.0 - (double)(int)(v - 240) * 4.25), *blue = 0;
  } else {
    *red = 255, *green = 0, *blue = 0;
  }
}

namespace {
// Every value above 300 is red, so the ramp is tabulated once for 0 to 301
// from distanceToColor itself, as blue, green, red.
struct ColorTable {
  uint8_t bgr[302][3];
  ColorTable() {
    for (int v = 0; v < 302; v++) distanceToColor((uint16_t)v, &bgr[v][2], &bgr[v][1], &bgr[v][0]);
  }
};
const ColorTable &colorTable() {
  static const ColorTable table;
  return table;
}

inline void putColor(const ColorTable &table, uint16_t value, uint8_t *pixel) {
  const uint8_t *color = table.bgr[value < 301 ? value : 301];
  pixel[0] = color[0];
  pixel[1] = color[1];
  pixel[2] = color[2];
}
}  // namespace

void decodeFrame() {
  const ColorTable &table = colorTable();
  for (int r = 0; r < kFrameHeight; r++) {
    uint16_t *distanceRow = frameImages.rawDistance.ptr<uint16_t>(r);
    uint8_t *colorRow = frameImages.rawColor.ptr<uint8_t>(r);
    for (int c = 0; c < kFrameWidth; c++) {
      uint16_t v = blockSample(distanceBlock, r, kFrameWidth - 1 - c);
      distanceRow[c] = v;
      putColor(table, v, colorRow + 3 * c);
    }
  }
}

void colorizeImage(const cv::Mat &distance, cv::Mat &color) {
  const ColorTable &table = colorTable();
  for (int r = 0; r < distance.rows; r++) {
    const uint16_t *distanceRow = distance.ptr<uint16_t>(r);
    uint8_t *colorRow = color.ptr<uint8_t>(r);
    for (int c = 0; c < distance.cols; c++) {
      putColor(table, distanceRow[c], colorRow + 3 * c);
    }
  }
}
