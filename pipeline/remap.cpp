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

  const uchar *sourceData = source.data;
  const size_t sourceStep = source.step;

  const int rows = destination.rows, cols = destination.cols;
  for (int r = 0; r < rows; r++) {
    uint16_t *out = destination.ptr<uint16_t>(r);
    if (r >= mappedRows) {
      std::fill(out, out + cols, (uint16_t)0);
      continue;
    }
    const float *rowX = mapX.ptr<float>(r);
    const float *rowY = mapY.ptr<float>(r);
    const int mappedEnd = std::min(cols, mappedCols);
    std::fill(out + mappedEnd, out + cols, (uint16_t)0);
    for (int c = 0; c < mappedEnd; c++) {
      const float x = rowX[c];
      const float y = rowY[c];
      if (!(x >= 0.0f && y >= 0.0f && x < lastX && y < lastY)) {
        out[c] = 0;
        continue;
      }
      const int ix = (int)x;
      const int iy = (int)y;
      const uint16_t *top = (const uint16_t *)(sourceData + (size_t)iy * sourceStep) + ix;
      const uint16_t *bottom = (const uint16_t *)((const uchar *)top + sourceStep);
      const unsigned tl = top[0], tr = top[1], bl = bottom[0], br = bottom[1];
      const float fx = x - (float)ix;
      const float fy = y - (float)iy;
      float result;
      if (tl != 0 && tr != 0 && bl != 0 && br != 0) {
        const float wTR = (1.0f - fy) * fx;
        const float wTL = (1.0f - fx) * (1.0f - fy);
        const float wBL = (1.0f - fx) * fy;
        const float wBR = fy * fx;
        result = ((wTR * (float)tr + wTL * (float)tl) + wBL * (float)bl) + wBR * (float)br;
      } else {
        // Nearest of the four; a fractional part of exactly 0.5 is the far side.
        const unsigned nearest = fy < 0.5f ? (fx < 0.5f ? tl : tr) : (fx < 0.5f ? bl : br);
        result = (float)nearest;
      }
      out[c] = (uint16_t)(int)result;
    }
  }
}
