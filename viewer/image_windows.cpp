#include "viewer/image_windows.h"

#include <cstdio>

#include <opencv2/highgui.hpp>

#include "pipeline/frame_images.h"

const char *const kOriginalWindow = "Original image";
const char *const kUndistortedWindow = "Undistorted image";

// A resizable window whose image stretches to fill it. WINDOW_GUI_NORMAL
// keeps the Qt backend from adding a toolbar and status bar that would
// squeeze the 24-row image into a strip; other backends ignore it.
const int kImageWindowFlags = cv::WINDOW_NORMAL | cv::WINDOW_FREERATIO | cv::WINDOW_GUI_NORMAL;

void createImageWindows(int *originalTag, int *undistortedTag) {
  cv::namedWindow(kOriginalWindow, kImageWindowFlags);
  cv::namedWindow(kUndistortedWindow, kImageWindowFlags);
  cv::resizeWindow(kOriginalWindow, 3 * kFrameWidth, 3 * kFrameHeight);
  cv::resizeWindow(kUndistortedWindow, 3 * kFrameWidth, 3 * kFrameHeight);
  cv::setMouseCallback(kOriginalWindow, onImageMouse, originalTag);
  cv::setMouseCallback(kUndistortedWindow, onImageMouse, undistortedTag);
}

void showImages() {
  cv::imshow(kOriginalWindow, frameImages.rawColor);
  cv::imshow(kUndistortedWindow, frameImages.undistortedColor);
}

void onImageMouse(int event, int x, int y, int, void *userData) {
  if (event != cv::EVENT_LBUTTONDOWN) return;
  // Another backend or a resized window may report points off the image.
  if (x < 0 || x >= kFrameWidth || y < 0 || y >= kFrameHeight) return;
  printf("Select point: (%d, %d)\n", x, y);
  const int tag = *static_cast<const int *>(userData);
  if (tag == 0) {
    printf("  Original data: %d\n", (int)frameImages.rawDistance.at<uint16_t>(y, x));
  } else if (tag == 1) {
    printf("  Undistorted data: %d\n", (int)frameImages.undistortedDistance.at<uint16_t>(y, x));
  }
}

// The Qt backend re-creates a closed window at the next imshow, so this is
// asked right after the key wait, before the next show.
bool imageWindowClosed() {
  return cv::getWindowProperty(kOriginalWindow, cv::WND_PROP_VISIBLE) < 1 ||
         cv::getWindowProperty(kUndistortedWindow, cv::WND_PROP_VISIBLE) < 1;
}
