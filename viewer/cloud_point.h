#pragma once

#include <cstdint>

// Pixel (row, column) of the undistorted distance image on its ray: the
// point is (slopeX * depth, slopeY * depth, depth) in the sensor's unit,
// with the sensor at the origin looking along +z and `distance` taken as
// the straight-line range.
struct RayPoint {
  float slopeX, slopeY, depth;
};
RayPoint rayPoint(int row, int column, uint16_t distance);

struct CloudPoint {
  float x, y, z;
  float red, green, blue;
};

// The point as the point-cloud window draws it: vertical axis stretched by
// 3, shifted so the sensor sits at (0, 0, -100). `bgr` is the pixel's colour.
CloudPoint cloudPoint(int row, int column, uint16_t distance, const uint8_t *bgr);
