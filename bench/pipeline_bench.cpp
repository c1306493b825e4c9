#include <benchmark/benchmark.h>

#include <opencv2/imgproc.hpp>

#include "device/protocol.h"
#include "pipeline/color_map.h"
#include "pipeline/frame_images.h"
#include "pipeline/remap.h"
#include "bench/scene_frame.h"

namespace {

void decodeFrameBench(benchmark::State &state) {
  loadSceneFrame();
  for (auto _ : state) {
    decodeFrame();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(decodeFrameBench)->Name("decodeFrame");

void remapNonZeroBench(benchmark::State &state) {
  loadSceneFrame();
  for (auto _ : state) {
    remapNonZero(frameImages.rawDistance, frameImages.mapX, frameImages.mapY, frameImages.undistortedDistance);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(remapNonZeroBench)->Name("remapNonZero");

void colorizeImageBench(benchmark::State &state) {
  loadSceneFrame();
  for (auto _ : state) {
    colorizeImage(frameImages.undistortedDistance, frameImages.undistortedColor);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(colorizeImageBench)->Name("colorizeImage");

// The yardstick: the library's own bilinear remap on the same image and maps.
void cvRemapBench(benchmark::State &state) {
  loadSceneFrame();
  cv::Mat out(kImageSize, CV_16UC1);
  for (auto _ : state) {
    cv::remap(frameImages.rawDistance, out, frameImages.mapX, frameImages.mapY, cv::INTER_LINEAR);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(cvRemapBench)->Name("cv::remap INTER_LINEAR");

}  // namespace
