#include <benchmark/benchmark.h>

#include <cstdlib>

#include <GL/freeglut.h>
#include <opencv2/highgui.hpp>

#include "app/frame_loop.h"
#include "bench/scene_frame.h"
#include "viewer/image_windows.h"
#include "viewer/point_cloud.h"

namespace {

// The windows need a display (Xvfb will do); without one these are skipped.
bool openWindows() {
  static bool open = false;
  if (open) return true;
  if (getenv("DISPLAY") == nullptr || *getenv("DISPLAY") == '\0') return false;
  loadSceneFrame();
  static int originalTag = 0, undistortedTag = 1;
  createImageWindows(&originalTag, &undistortedTag);
  static int argc = 1;
  static char name[] = "rangeview_bench";
  static char *argv[] = {name, nullptr};
  createPointCloudWindow(&argc, argv);
  processFrame();
  presentFrame();
  cv::waitKey(30);
  open = true;
  return true;
}

void renderPointCloudBench(benchmark::State &state) {
  if (!openWindows()) return state.SkipWithError("no display");
  for (auto _ : state) {
    renderPointCloud();
    glFinish();
  }
}
BENCHMARK(renderPointCloudBench)->Name("renderPointCloud")->Unit(benchmark::kMicrosecond);

// Stages 2 to 6 of a pass: decode, undistort, colour, show, redraw.
void framePassBench(benchmark::State &state) {
  if (!openWindows()) return state.SkipWithError("no display");
  for (auto _ : state) {
    processFrame();
    presentFrame();
    glFinish();
  }
}
BENCHMARK(framePassBench)->Name("frame pass without key wait")->Unit(benchmark::kMicrosecond);

void keyWaitBench(benchmark::State &state) {
  if (!openWindows()) return state.SkipWithError("no display");
  for (auto _ : state) cv::waitKey(kKeyWaitMs);
}
BENCHMARK(keyWaitBench)->Name("30 ms key wait")->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
