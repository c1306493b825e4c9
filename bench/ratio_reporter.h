#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

// Console output as usual, then the ratios of chosen pairs, all measured
// side by side in this one run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  struct Ratio {
    std::string label;
    std::vector<std::string> numerator;  // summed
    std::string denominator;
    double goal;                         // 0: no goal
  };

  explicit RatioReporter(std::vector<Ratio> ratios) : ratios_(std::move(ratios)) {}

  void ReportRuns(const std::vector<Run> &runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
      // Seconds per iteration, whatever time unit each benchmark displays.
      if (run.run_type == Run::RT_Iteration && run.iterations > 0)
        times_[run.benchmark_name()] = run.real_accumulated_time / (double)run.iterations;
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    printf("\nRatios (same run, real time):\n");
    for (const Ratio &ratio : ratios_) {
      double sum = 0;
      bool complete = times_.count(ratio.denominator) > 0;
      for (const std::string &name : ratio.numerator) {
        complete = complete && times_.count(name) > 0;
        if (complete) sum += times_[name];
      }
      if (!complete) continue;
      const double value = sum / times_[ratio.denominator];
      printf("  %-58s %7.3f", ratio.label.c_str(), value);
      if (ratio.goal > 0) printf("   (goal <= %.2f: %s)", ratio.goal, value <= ratio.goal ? "met" : "MISSED");
      printf("\n");
    }
  }

 private:
  std::vector<Ratio> ratios_;
  std::map<std::string, double> times_;
};
