#include "pipeline/remap.h"

#include <algorithm>
#include <cstdint>

void remapNonZero(const cv::Mat &source, const cv::Mat &mapX, const cv::Mat &mapY,
                  cv::Mat &destination) {
  if (destination.dims > 2 || destination.rows != source.rows ||
      destination.cols != source.cols || destination.type() != source.type() ||
      destination.empty()) {
    destination.create(source.rows, source.cols, source.type());
  }
  // ix and iy are truncated toward zero and must leave room for ix + 1 and
  // iy + 1; comparing the floats first also turns NaN and negative
  // positions away before any conversion.
  const float lastX = (float)(source.cols - 1);
  const float lastY = (float)(source.rows - 1);
  const int mappedRows = std::min(destination.rows, std::min(mapX.rows, mapY.rows));
  const int mappedCols = std::min(destination.cols, std::min(mapX.cols, mapY.cols));

  for (int r = 0; r < destination.rows; r++) {
    uint16_t *out = destination.ptr<uint16_t>(r);
    if (r >= mappedRows) {
      std::fill(out, out + destination.cols, (uint16_t)0);
      continue;
    }
    const float *rowX = mapX.ptr<float>(r);
    const float *rowY = mapY.ptr<float>(r);
    for (int c = 0; c < destination.cols; c++) {
      if (c >= mappedCols) {
        out[c] = 0;
        continue;
      }
      const float x = rowX[c];
      const float y = rowY[c];
      if (!(x >= 0.0f && y >= 0.0f && x < lastX && y < lastY)) {
        out[c] = 0;
        continue;
      }
      const int ix = (int)x;
      const int iy = (int)y;
      const uint16_t *top = source.ptr<uint16_t>(iy) + ix;
      const uint16_t *bottom = source.ptr<uint16_t>(iy + 1) + ix;
      const float tl = top[0], tr = top[1], bl = bottom[0], br = bottom[1];
      const float fx = x - (float)ix;
      const float fy = y - (float)iy;
      float result;
      if (tl != 0.0f && tr != 0.0f && bl != 0.0f && br != 0.0f) {
        const float wTR = (1.0f - fy) * fx;
        const float wTL = (1.0f - fx) * (1.0f - fy);
        const float wBL = (1.0f - fx) * fy;
        const float wBR = fy * fx;
        result = ((wTR * tr + wTL * tl) + wBL * bl) + wBR * br;
      } else if (fy < 0.5f) {
        result = fx < 0.5f ? tl : tr;
      } else {
        result = fx < 0.5f ? bl : br;
      }
      out[c] = (uint16_t)(int)result;
    }
  }
}
