// The process-wide images and lens calibration shared by the pipeline, the
// windows and the recorder. Allocated once, overwritten in place per frame.
#pragma once

#include <opencv2/core.hpp>

#include "device/protocol.h"

const cv::Size kImageSize(kFrameWidth, kFrameHeight);

struct FrameImages {
  // Creation order matters: the images first, then the calibration.
  cv::Mat rawColor = cv::Mat::zeros(kImageSize, CV_8UC3);
  cv::Mat undistortedColor = cv::Mat::zeros(kImageSize, CV_8UC3);
  cv::Mat rawDistance = cv::Mat::zeros(kImageSize, CV_16UC1);
  cv::Mat undistortedDistance = cv::Mat::zeros(kImageSize, CV_16UC1);
  cv::Mat cameraMatrix = cv::Mat::eye(3, 3, CV_64FC1);
  cv::Mat distCoeffs = cv::Mat::zeros(5, 1, CV_64FC1);
  cv::Mat mapX;
  cv::Mat mapY;
  float principalX = 0;
  float principalY = 0;
};

extern FrameImages frameImages;

// Writes the built-in calibration and computes mapX and mapY once.
void buildUndistortMaps();
