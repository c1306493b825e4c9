// rangeview-export: turns a record file into standard formats, one file per
// frame: 16-bit PNG of the undistorted and raw distances, a PLY point cloud
// of the undistorted distances, and optionally CSV.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <opencv2/imgcodecs.hpp>

#include "pipeline/color_map.h"
#include "pipeline/frame_images.h"
#include "tools/record_reader.h"
#include "viewer/cloud_point.h"

namespace {

struct ExportOptions {
  const char *input = nullptr;
  std::string outDir;
  bool png = false, ply = false, csv = false;
};

void usage(FILE *to) {
  fprintf(to,
          "usage: rangeview-export FILE --out DIR [--png] [--ply] [--csv]\n"
          "Writes each frame of a record file to DIR, numbered from 000001:\n"
          "  --png  frame_NNNNNN_undistorted.png and frame_NNNNNN_raw.png, 16-bit, values unchanged\n"
          "  --ply  frame_NNNNNN.ply, the undistorted distances as points in the sensor's unit\n"
          "         (sensor at the origin looking along +z, y up), pixels without distance left out\n"
          "  --csv  frame_NNNNNN.csv, one line per pixel: row,column,undistorted,amplitude,raw\n"
          "Without a format option, --png and --ply.\n");
}

bool parse(int argc, char **argv, ExportOptions &options) {
  for (int i = 1; i < argc; i++) {
    const std::string arg = argv[i];
    if (arg == "--help") { usage(stdout); exit(0); }
    else if (arg == "--out" && i + 1 < argc) options.outDir = argv[++i];
    else if (arg == "--png") options.png = true;
    else if (arg == "--ply") options.ply = true;
    else if (arg == "--csv") options.csv = true;
    else if (arg[0] != '-' && options.input == nullptr) options.input = argv[i];
    else {
      fprintf(stderr, "rangeview-export: unexpected argument %s\n", arg.c_str());
      return false;
    }
  }
  if (options.input == nullptr || options.outDir.empty()) return false;
  if (!options.png && !options.ply && !options.csv) options.png = options.ply = true;
  return true;
}

std::string framePath(const ExportOptions &options, long number, const char *suffix) {
  char name[64];
  snprintf(name, sizeof(name), "frame_%06ld%s", number, suffix);
  return (std::filesystem::path(options.outDir) / name).string();
}

bool writePng(const std::string &path, const uint16_t (*rows)[kRecordWidth]) {
  const cv::Mat image(kRecordHeight, kRecordWidth, CV_16UC1, const_cast<uint16_t *>(&rows[0][0]));
  return cv::imwrite(path, image);
}

bool writePly(const std::string &path, const RecordFrame &frame) {
  long count = 0;
  for (int r = 0; r < kRecordHeight; r++)
    for (int c = 0; c < kRecordWidth; c++) count += frame.distance[r][c] != 0;
  FILE *out = fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  fprintf(out,
          "ply\nformat ascii 1.0\ncomment rangeview frame, undistorted distances in the sensor's unit\n"
          "element vertex %ld\nproperty float x\nproperty float y\nproperty float z\n"
          "property uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n",
          count);
  for (int r = 0; r < kRecordHeight; r++) {
    for (int c = 0; c < kRecordWidth; c++) {
      const uint16_t distance = frame.distance[r][c];
      if (distance == 0) continue;
      const RayPoint ray = rayPoint(r, c, distance);
      uint8_t red, green, blue;
      distanceToColor(distance, &red, &green, &blue);
      fprintf(out, "%.9g %.9g %.9g %u %u %u\n", ray.slopeX * ray.depth, ray.slopeY * ray.depth, ray.depth,
              red, green, blue);
    }
  }
  return fclose(out) == 0;
}

bool writeCsv(const std::string &path, const RecordFrame &frame) {
  FILE *out = fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  fprintf(out, "row,column,undistorted,amplitude,raw\n");
  for (int r = 0; r < kRecordHeight; r++)
    for (int c = 0; c < kRecordWidth; c++)
      fprintf(out, "%d,%d,%u,%u,%u\n", r, c, frame.distance[r][c], frame.amplitude[r][c], frame.raw[r][c]);
  return fclose(out) == 0;
}

}  // namespace

int main(int argc, char **argv) {
  ExportOptions options;
  if (!parse(argc, argv, options)) {
    usage(stderr);
    return 2;
  }
  std::string contents, error;
  if (!readWholeFile(options.input, contents, error)) {
    fprintf(stderr, "rangeview-export: %s\n", error.c_str());
    return 1;
  }
  std::error_code made;
  std::filesystem::create_directories(options.outDir, made);
  if (made) {
    fprintf(stderr, "rangeview-export: cannot create %s: %s\n", options.outDir.c_str(), made.message().c_str());
    return 1;
  }
  buildUndistortMaps();

  const long total = countRecordFrames(contents.data(), contents.size());
  const bool showProgress = total >= 20;
  RecordReader reader = openRecord(contents.data(), contents.size());
  static RecordFrame frame;
  long done = 0, files = 0;
  while (readRecordFrame(reader, frame)) {
    const long number = done + 1;
    bool written = true;
    if (options.png) {
      written = written && writePng(framePath(options, number, "_undistorted.png"), frame.distance) &&
                writePng(framePath(options, number, "_raw.png"), frame.raw);
      files += 2;
    }
    if (options.ply) {
      written = written && writePly(framePath(options, number, ".ply"), frame);
      files++;
    }
    if (options.csv) {
      written = written && writeCsv(framePath(options, number, ".csv"), frame);
      files++;
    }
    if (!written) {
      fprintf(stderr, "\nrangeview-export: writing frame %ld to %s failed: %s\n", number, options.outDir.c_str(),
              std::strerror(errno));
      return 1;
    }
    done++;
    if (showProgress && (done % 10 == 0 || done == total)) fprintf(stderr, "\rexported %ld of %ld frames", done, total);
  }
  if (showProgress) fprintf(stderr, "\n");
  printf("exported %ld frame%s of %s to %s: %ld files\n", done, done == 1 ? "" : "s", options.input,
         options.outDir.c_str(), files);
  if (!reader.error.empty()) {
    fprintf(stderr, "rangeview-export: %s:%ld: %s\n", options.input, reader.errorLine, reader.error.c_str());
    return 1;
  }
  return 0;
}
