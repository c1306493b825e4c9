#include "viewer/cloud_point.h"

#include <cmath>

#include "pipeline/frame_images.h"

// Each step keeps the precision it has on screen: the ray slopes are
// divided in double and rounded to float, the range-to-depth quotient is
// float, its root is taken in double.
CloudPoint cloudPoint(int row, int column, uint16_t distance, const uint8_t *bgr) {
  const double fx = frameImages.cameraMatrix.at<double>(0, 0);
  const double fy = frameImages.cameraMatrix.at<double>(1, 1);
  const float d = (float)distance;
  const float slopeX = (float)((double)(frameImages.principalX - (float)column) / fx);
  const float slopeY = (float)((double)(frameImages.principalY - (float)row) / fy);
  const float q = (d * d) / ((slopeY * slopeY + 1.0f) + slopeX * slopeX);
  const float t = (float)std::sqrt((double)q);
  CloudPoint point;
  point.x = slopeX * t;
  point.y = (slopeY * t) * 3.0f;
  point.z = t - 100.0f;
  point.red = (float)(bgr[2] / 255.0);
  point.green = (float)(bgr[1] / 255.0);
  point.blue = (float)(bgr[0] / 255.0);
  return point;
}
