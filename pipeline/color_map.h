#pragma once

#include <cstdint>

#include <opencv2/core.hpp>

// The false-colour ramp: 0 black, then blue, cyan, green, yellow and red in
// steps of 60 units; above 300 red.
void distanceToColor(uint16_t value, uint8_t *red, uint8_t *green, uint8_t *blue);

// distanceBlock mirrored left to right into rawDistance, coloured into rawColor.
void decodeFrame();

void colorizeImage(const cv::Mat &distance, cv::Mat &color);
