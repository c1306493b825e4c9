#include "viewer/cloud_point.h"

#include <cmath>

#include "pipeline/frame_images.h"

// Each step keeps the precision it has on screen: the ray slopes are
// divided in double and rounded to float, the range-to-depth quotient is
// float, its root is taken in double.
RayPoint rayPoint(int row, int column, uint16_t distance) {
  const double fx = frameImages.cameraMatrix.at<double>(0, 0);
  const double fy = frameImages.cameraMatrix.at<double>(1, 1);
  const float d = (float)distance;
  RayPoint ray;
  ray.slopeX = (float)((double)(frameImages.principalX - (float)column) / fx);
  ray.slopeY = (float)((double)(frameImages.principalY - (float)row) / fy);
  const float q = (d * d) / ((ray.slopeY * ray.slopeY + 1.0f) + ray.slopeX * ray.slopeX);
  ray.depth = (float)std::sqrt((double)q);
  return ray;
}

CloudPoint cloudPoint(int row, int column, uint16_t distance, const uint8_t *bgr) {
  const RayPoint ray = rayPoint(row, column, distance);
  CloudPoint point;
  point.x = ray.slopeX * ray.depth;
  point.y = (ray.slopeY * ray.depth) * 3.0f;
  point.z = ray.depth - 100.0f;
  point.red = (float)(bgr[2] / 255.0);
  point.green = (float)(bgr[1] / 255.0);
  point.blue = (float)(bgr[0] / 255.0);
  return point;
}
