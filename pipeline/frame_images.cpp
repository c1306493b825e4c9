#include "pipeline/frame_images.h"

#include <cstdint>
#include <cstring>

#include <opencv2/calib3d.hpp>

FrameImages frameImages;

namespace {
// cy must be this exact double; its shortest decimal form is 8.222378399999997.
double doubleFromBits(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof(value));
  return value;
}
}  // namespace

void buildUndistortMaps() {
  cv::Mat &k = frameImages.cameraMatrix;
  k.at<double>(0, 0) = 150.2220801;
  k.at<double>(0, 1) = -0.108434946;
  k.at<double>(0, 2) = 162.2812846;
  k.at<double>(1, 1) = 150.6335141;
  k.at<double>(1, 2) = doubleFromBits(0x402071DB94E6AC70ull);

  cv::Mat &d = frameImages.distCoeffs;
  d.at<double>(0) = -0.335407997;
  d.at<double>(1) = 0.115186431;
  d.at<double>(2) = -0.000201873;
  d.at<double>(3) = 0.0000252497;
  d.at<double>(4) = -0.018024688;

  frameImages.principalX = (float)k.at<double>(0, 2);
  frameImages.principalY = (float)k.at<double>(1, 2);

  cv::Mat noRectification;
  cv::initUndistortRectifyMap(k, d, noRectification, k, kImageSize, CV_32FC1,
                              frameImages.mapX, frameImages.mapY);
  noRectification.release();
}
