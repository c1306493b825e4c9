#include "pipeline/remap.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define REMAP_WITH_SSE2 1
#endif

namespace {

struct Source {
  const uchar *data;
  size_t step;
  float lastX, lastY;  // positions must stay below these: ix + 1 and iy + 1 are read
};

// One output pixel. The floats are compared before any conversion, which
// also turns NaN and negative positions away; the integer parts are then
// truncations toward zero.
inline uint16_t remapPixel(const Source &source, float x, float y) {
  if (!(x >= 0.0f && y >= 0.0f && x < source.lastX && y < source.lastY)) return 0;
  const int ix = (int)x;
  const int iy = (int)y;
  const uint16_t *top = (const uint16_t *)(source.data + (size_t)iy * source.step) + ix;
  const uint16_t *bottom = (const uint16_t *)((const uchar *)top + source.step);
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
    result = (float)(fy < 0.5f ? (fx < 0.5f ? tl : tr) : (fx < 0.5f ? bl : br));
  }
  return (uint16_t)(int)result;
}

#ifdef REMAP_WITH_SSE2
inline __m128i selectInt(__m128i mask, __m128i ifSet, __m128i ifClear) {
  return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

inline __m128i loadPair(const uchar *at) {
  int32_t pair;
  std::memcpy(&pair, at, sizeof(pair));
  return _mm_cvtsi32_si128(pair);
}

inline __m128i gatherPairs(const uchar *a, const uchar *b, const uchar *c, const uchar *d) {
  return _mm_unpacklo_epi64(_mm_unpacklo_epi32(loadPair(a), loadPair(b)),
                            _mm_unpacklo_epi32(loadPair(c), loadPair(d)));
}

// Four output pixels at once, with the same single-precision operations in
// the same order as remapPixel, so the results are identical to the bit.
inline void remapFour(const Source &source, const float *mapX, const float *mapY, uint16_t *out) {
  const __m128 zero = _mm_setzero_ps();
  __m128 x = _mm_loadu_ps(mapX);
  __m128 y = _mm_loadu_ps(mapY);
  const __m128 inside = _mm_and_ps(_mm_and_ps(_mm_cmpge_ps(x, zero), _mm_cmpge_ps(y, zero)),
                                   _mm_and_ps(_mm_cmplt_ps(x, _mm_set1_ps(source.lastX)),
                                              _mm_cmplt_ps(y, _mm_set1_ps(source.lastY))));
  // Positions outside read pixel (0, 0) instead and are zeroed at the end.
  x = _mm_and_ps(x, inside);
  y = _mm_and_ps(y, inside);
  const __m128i ix = _mm_cvttps_epi32(x);
  const __m128i iy = _mm_cvttps_epi32(y);
  const __m128 fx = _mm_sub_ps(x, _mm_cvtepi32_ps(ix));
  const __m128 fy = _mm_sub_ps(y, _mm_cvtepi32_ps(iy));

  alignas(16) int32_t columns[4], rows[4];
  _mm_store_si128((__m128i *)columns, ix);
  _mm_store_si128((__m128i *)rows, iy);
  // Each pair of neighbours is one 32-bit load (x86 is little-endian: the
  // left sample in the low half). The vectors are built in registers: a
  // vector load of four small stores would stall on store forwarding.
  const uchar *top0 = source.data + (size_t)rows[0] * source.step + 2 * (size_t)columns[0];
  const uchar *top1 = source.data + (size_t)rows[1] * source.step + 2 * (size_t)columns[1];
  const uchar *top2 = source.data + (size_t)rows[2] * source.step + 2 * (size_t)columns[2];
  const uchar *top3 = source.data + (size_t)rows[3] * source.step + 2 * (size_t)columns[3];
  const __m128i tops = gatherPairs(top0, top1, top2, top3);
  const __m128i bottoms = gatherPairs(top0 + source.step, top1 + source.step, top2 + source.step,
                                      top3 + source.step);
  const __m128i lowHalf = _mm_set1_epi32(0xFFFF);
  const __m128i TL = _mm_and_si128(tops, lowHalf), TR = _mm_srli_epi32(tops, 16);
  const __m128i BL = _mm_and_si128(bottoms, lowHalf), BR = _mm_srli_epi32(bottoms, 16);

  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 gx = _mm_sub_ps(one, fx), gy = _mm_sub_ps(one, fy);
  const __m128 wTR = _mm_mul_ps(gy, fx), wTL = _mm_mul_ps(gx, gy);
  const __m128 wBL = _mm_mul_ps(gx, fy), wBR = _mm_mul_ps(fy, fx);
  const __m128 bilinear = _mm_add_ps(
      _mm_add_ps(_mm_add_ps(_mm_mul_ps(wTR, _mm_cvtepi32_ps(TR)), _mm_mul_ps(wTL, _mm_cvtepi32_ps(TL))),
                 _mm_mul_ps(wBL, _mm_cvtepi32_ps(BL))),
      _mm_mul_ps(wBR, _mm_cvtepi32_ps(BR)));

  const __m128i nearLeft = _mm_castps_si128(_mm_cmplt_ps(fx, _mm_set1_ps(0.5f)));
  const __m128i nearTop = _mm_castps_si128(_mm_cmplt_ps(fy, _mm_set1_ps(0.5f)));
  const __m128i nearest = selectInt(nearTop, selectInt(nearLeft, TL, TR), selectInt(nearLeft, BL, BR));
  const __m128i zeroInt = _mm_setzero_si128();
  const __m128i anyZero = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi32(TL, zeroInt), _mm_cmpeq_epi32(TR, zeroInt)),
                                       _mm_or_si128(_mm_cmpeq_epi32(BL, zeroInt), _mm_cmpeq_epi32(BR, zeroInt)));
  const __m128i truncated = _mm_cvttps_epi32(bilinear);
  const __m128i result = _mm_and_si128(selectInt(anyZero, nearest, truncated), _mm_castps_si128(inside));

  alignas(16) int32_t values[4];
  _mm_store_si128((__m128i *)values, result);
  for (int k = 0; k < 4; k++) out[k] = (uint16_t)values[k];
}
#endif

}  // namespace

void remapNonZero(const cv::Mat &source, const cv::Mat &mapX, const cv::Mat &mapY,
                  cv::Mat &destination) {
  if (destination.dims > 2 || destination.rows != source.rows ||
      destination.cols != source.cols || destination.type() != source.type() ||
      destination.empty()) {
    destination.create(source.rows, source.cols, source.type());
  }
  const Source from = {source.data, source.step, (float)(source.cols - 1), (float)(source.rows - 1)};
  const int rows = destination.rows, cols = destination.cols;
  // Maps smaller than the destination leave the rest without distance.
  const int mappedRows = std::min(rows, std::min(mapX.rows, mapY.rows));
  const int mappedCols = std::min(cols, std::min(mapX.cols, mapY.cols));

  for (int r = 0; r < rows; r++) {
    uint16_t *out = destination.ptr<uint16_t>(r);
    if (r >= mappedRows) {
      std::fill(out, out + cols, (uint16_t)0);
      continue;
    }
    const float *rowX = mapX.ptr<float>(r);
    const float *rowY = mapY.ptr<float>(r);
    int c = 0;
#ifdef REMAP_WITH_SSE2
    for (; c + 4 <= mappedCols; c += 4) remapFour(from, rowX + c, rowY + c, out + c);
#endif
    for (; c < mappedCols; c++) out[c] = remapPixel(from, rowX[c], rowY[c]);
    std::fill(out + mappedCols, out + cols, (uint16_t)0);
  }
}
