#pragma once

#include <cstdint>

struct CloudPoint {
  float x, y, z;
  float red, green, blue;
};

// Back-projects pixel (row, column) of the undistorted distance image onto
// its ray at `distance` from the sensor, which sits at (0, 0, -100); the
// vertical axis is stretched by 3. `bgr` is the pixel's colour.
CloudPoint cloudPoint(int row, int column, uint16_t distance, const uint8_t *bgr);
