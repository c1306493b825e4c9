#include <benchmark/benchmark.h>

#include "bench/ratio_reporter.h"

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter({
      {"remapNonZero / cv::remap", {"remapNonZero"}, "cv::remap INTER_LINEAR", 1.0},
      {"decode + remap + colorize / cv::remap",
       {"decodeFrame", "remapNonZero", "colorizeImage"}, "cv::remap INTER_LINEAR", 2.0},
      {"writeFrameRecord / preformatted line writes (floor)",
       {"writeFrameRecord"}, "preformatted line writes", 2.0},
      {"renderPointCloud / 30 ms key wait", {"renderPointCloud"}, "30 ms key wait/iterations:20", 0},
      {"frame pass without key wait / 30 ms key wait", {"frame pass without key wait"}, "30 ms key wait/iterations:20", 0},
  });
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
