#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "console/recorder.h"
#include "bench/scene_frame.h"

namespace {

const char kBenchFile[] = "/tmp/rangeview-bench-record.txt";

// Each iteration writes one frame block over the same place of the file.
void writeFrameRecordBench(benchmark::State &state) {
  loadSceneFrame();
  recordFile = fopen(kBenchFile, "wb");
  recording = 1;
  for (auto _ : state) {
    fseek(recordFile, 0, SEEK_SET);
    writeFrameRecord();
  }
  fclose(recordFile);
  recordFile = nullptr;
  recording = 0;
}
BENCHMARK(writeFrameRecordBench)->Name("writeFrameRecord");

// The floor: the same 75 lines, formatted beforehand, one write and flush each.
void preformattedBench(benchmark::State &state) {
  loadSceneFrame();
  recordFile = fopen(kBenchFile, "wb");
  recording = 1;
  writeFrameRecord();
  fclose(recordFile);
  recordFile = nullptr;
  recording = 0;
  std::vector<std::string> lines;
  {
    FILE *in = fopen(kBenchFile, "rb");
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), in)) > 0) text.append(buffer, n);
    fclose(in);
    for (size_t start = 0; start < text.size();) {
      const size_t end = text.find("\r\n", start) + 2;
      lines.push_back(text.substr(start, end - start));
      start = end;
    }
  }
  FILE *out = fopen(kBenchFile, "wb");
  for (auto _ : state) {
    fseek(out, 0, SEEK_SET);
    for (const std::string &line : lines) {
      fwrite(line.data(), 1, line.size(), out);
      fflush(out);
    }
  }
  fclose(out);
  remove(kBenchFile);
}
BENCHMARK(preformattedBench)->Name("preformatted line writes");

}  // namespace
