#pragma once

#include <opencv2/core.hpp>

// Bilinear remap of a 16-bit distance image that never blends a 0 (no
// distance) into a valid value: where any of the four neighbours is 0 the
// nearest of them is taken instead. Positions whose neighbourhood leaves the
// source give 0.
void remapNonZero(const cv::Mat &source, const cv::Mat &mapX, const cv::Mat &mapY,
                  cv::Mat &destination);
