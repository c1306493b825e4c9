#include "tools/scene.h"

#include <cmath>

void renderScene(int frameIndex, uint16_t *distance, uint16_t *amplitude) {
  const double boxCenter = 160 + 110 * std::sin(frameIndex * 0.06);
  for (int r = 0; r < kSceneHeight; r++) {
    for (int k = 0; k < kSceneWidth; k++) {
      // Wall from yellow to red across the image, floor coming closer
      // towards the bottom rows.
      double d = 235 + 80.0 * k / (kSceneWidth - 1);
      if (r >= 15) d = std::fmin(d, 290 - (r - 14) * 19.0);
      const bool inBox = std::fabs(k - boxCenter) < 28 && r >= 6 && r <= 19;
      if (inBox) d = 45 + std::fabs(k - boxCenter) * 0.8 + (r - 6) * 1.5;
      // Dropouts: the sensor reports no distance on a sparse pattern and
      // along the box's edges.
      const bool dropout = (k * 7 + r * 13 + frameIndex) % 89 == 0 ||
                           (std::fabs(std::fabs(k - boxCenter) - 28) < 1 && r >= 6 && r <= 19);
      const uint16_t value = dropout ? 0 : (uint16_t)std::lround(d);
      distance[r * kSceneWidth + k] = value;
      const double amp = dropout ? 12 : 4000 - 9 * d + ((k / 8 + r / 4) % 2) * 350 + (frameIndex % 50);
      amplitude[r * kSceneWidth + k] = (uint16_t)std::lround(std::fmax(amp, 0));
    }
  }
}

void packBlock(const uint16_t *samples, unsigned char *bytes) {
  for (int i = 0; i < kSceneWidth * kSceneHeight; i++) {
    bytes[2 * i] = (unsigned char)(samples[i] & 0xFF);
    bytes[2 * i + 1] = (unsigned char)(samples[i] >> 8);
  }
}
