#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <opencv2/imgcodecs.hpp>

#include "tools/record_reader.h"

namespace {

std::string valueLine(int seed, const char *end) {
  std::string line;
  for (int c = 0; c < kRecordWidth; c++) line += std::to_string((seed * 7 + c * 13) % 65536) + " ";
  return line + end;
}

// A block whose section s, row r, column c holds (seed * 7 + c * 13) % 65536
// with seed = 1000 * frame + 100 * s + r.
std::string block(int frame, const char *end = "\r\n") {
  std::string text;
  const char *titles[] = {"Distance:", "Amp:", "Rawdist:"};
  for (int s = 0; s < 3; s++) {
    text += std::string(titles[s]) + end;
    for (int r = 0; r < kRecordHeight; r++) text += valueLine(1000 * frame + 100 * s + r, end);
  }
  return text;
}

uint16_t expected(int frame, int section, int row, int column) {
  return (uint16_t)(((1000 * frame + 100 * section + row) * 7 + column * 13) % 65536);
}

struct Outcome {
  long frames;
  long errorLine;
  std::string error;
};

Outcome readAll(const std::string &text) {
  RecordReader reader = openRecord(text.data(), text.size());
  static RecordFrame frame;
  Outcome outcome{0, 0, ""};
  while (readRecordFrame(reader, frame)) {
    EXPECT_EQ(frame.distance[3][5], expected((int)outcome.frames, 0, 3, 5));
    EXPECT_EQ(frame.amplitude[23][319], expected((int)outcome.frames, 1, 23, 319));
    EXPECT_EQ(frame.raw[0][0], expected((int)outcome.frames, 2, 0, 0));
    outcome.frames++;
  }
  outcome.errorLine = reader.errorLine;
  outcome.error = reader.error;
  return outcome;
}

TEST(RecordReader, ReadsCrLfAndLfFilesAndTheEmptyFile) {
  EXPECT_EQ(readAll(block(0) + block(1) + block(2)).frames, 3);
  EXPECT_EQ(readAll(block(0, "\n") + block(1, "\n")).frames, 2);
  const Outcome empty = readAll("");
  EXPECT_EQ(empty.frames, 0);
  EXPECT_EQ(empty.error, "");
}

std::string replaceLine(std::string text, int lineNumber, const std::string &with) {
  size_t start = 0;
  for (int i = 1; i < lineNumber; i++) start = text.find('\n', start) + 1;
  const size_t end = text.find('\n', start);
  return text.replace(start, end - start, with);
}

TEST(RecordReader, MalformedFilesNameTheLineAndWhatWasExpected) {
  const std::string two = block(0) + block(1);
  std::string longLine = valueLine(0, "");
  const struct { std::string text; long frames, line; std::string error; } cases[] = {
      {replaceLine(two, 76, "Distanse:\r"), 1, 76, "expected \"Distance:\", found \"Distanse:\""},
      {replaceLine(two, 101, "amp:\r"), 1, 101, "expected \"Amp:\", found \"amp:\""},
      {replaceLine(two, 50, "Rawdist:\r"), 0, 50, "expected a digit in value 1, found \"R\""},
      {replaceLine(two, 26, valueLine(5, "\r")), 0, 26, "expected \"Amp:\", found \"35 48 61 74 87 100 113 126 139 152 165 1...\""},
      {replaceLine(two, 80, "1 2 3\r"), 1, 80, "expected 320 values, found 3"},
      {replaceLine(two, 80, longLine + "5 \r"), 1, 80, "expected 320 values, found more"},
      {replaceLine(two, 3, "65536 " + longLine.substr(2) + "\r"), 0, 3, "value 1 is 65536, above 65535"},
      {replaceLine(two, 3, "123456 " + longLine.substr(2) + "\r"), 0, 3, "value 1 has more than 5 digits"},
      {replaceLine(two, 4, "1 -2 " + longLine.substr(4) + "\r"), 0, 4, "expected a digit in value 2, found \"-\""},
      {replaceLine(two, 4, "1  2 " + longLine.substr(4) + "\r"), 0, 4, "expected a digit in value 2, found \" \""},
      {replaceLine(two, 4, "1,2 " + longLine.substr(4) + "\r"), 0, 4, "expected a space after value 1, found \",\""},
      {two.substr(0, two.size() - 30), 1, 150, "expected a line of 320 values ending in a line end, the line is cut short"},
      {two.substr(0, two.size() - 2000), 1, 149, "expected a line of 320 values ending in a line end, the line is cut short"},
      {block(0) + "Distance:\r\n", 1, 77, "expected a line of 320 values, the file ends (a frame block cut short)"},
      {block(0) + "Distance:", 1, 76, "expected a line end after \"Distance:\" (a frame block cut short)"},
      {block(0) + "\r\n", 1, 76, "expected \"Distance:\", found \"\""},
      {std::string("\xEF\xBB\xBF") + two, 0, 1, "expected \"Distance:\", found \"\\xEF\\xBB\\xBFDistance:\""},
      {replaceLine(two, 2, std::string("1\0", 2) + "2\r"), 0, 2, "expected a space after value 1, found \"\\x00\""},
  };
  for (const auto &c : cases) {
    const Outcome got = readAll(c.text);
    EXPECT_EQ(got.frames, c.frames) << c.error;
    EXPECT_EQ(got.errorLine, c.line) << c.error;
    EXPECT_EQ(got.error, c.error);
  }
}

TEST(RecordReader, CountMatchesTheFramesRead) {
  const std::string text = block(0) + block(1) + block(2).substr(0, 5000);
  EXPECT_EQ(countRecordFrames(text.data(), text.size()), 2);
}

// rangeview-export on a two-frame file: the PNGs read back with OpenCV hold
// the values unchanged, the CSV lines carry all three sections.
TEST(Export, PngAndCsvHoldTheRecordedValues) {
  char dir[] = "/tmp/rangeview-export-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  // A name as recorded on Windows, its colons in GB2312.
  const std::string record = std::string(dir) + "/2019-03-05 14\xA3\xBA" "07\xA3\xBA" "09.txt";
  std::ofstream(record, std::ios::binary) << block(0) + block(1);
  const std::string command = std::string(RANGEVIEW_EXPORT) + " '" + record + "' --out '" + dir +
                              "/out' --png --csv > '" + dir + "/summary' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::ifstream summary(std::string(dir) + "/summary");
  std::string line;
  std::getline(summary, line);
  EXPECT_EQ(line, "exported 2 frames of " + record + " to " + dir + "/out: 6 files");
  for (int frame = 0; frame < 2; frame++) {
    const std::string stem = std::string(dir) + "/out/frame_00000" + std::to_string(frame + 1);
    const cv::Mat undistorted = cv::imread(stem + "_undistorted.png", cv::IMREAD_UNCHANGED);
    const cv::Mat raw = cv::imread(stem + "_raw.png", cv::IMREAD_UNCHANGED);
    ASSERT_EQ(undistorted.type(), CV_16UC1);
    ASSERT_EQ(raw.type(), CV_16UC1);
    ASSERT_EQ(undistorted.size(), cv::Size(kRecordWidth, kRecordHeight));
    for (int r = 0; r < kRecordHeight; r++)
      for (int c = 0; c < kRecordWidth; c++) {
        ASSERT_EQ(undistorted.at<uint16_t>(r, c), expected(frame, 0, r, c));
        ASSERT_EQ(raw.at<uint16_t>(r, c), expected(frame, 2, r, c));
      }
    std::ifstream csv(stem + ".csv");
    std::getline(csv, line);
    EXPECT_EQ(line, "row,column,undistorted,amplitude,raw");
    long rows = 0;
    while (std::getline(csv, line)) {
      const int r = (int)(rows / kRecordWidth), c = (int)(rows % kRecordWidth);
      ASSERT_EQ(line, std::to_string(r) + "," + std::to_string(c) + "," + std::to_string(expected(frame, 0, r, c)) +
                          "," + std::to_string(expected(frame, 1, r, c)) + "," +
                          std::to_string(expected(frame, 2, r, c)));
      rows++;
    }
    EXPECT_EQ(rows, kRecordWidth * kRecordHeight);
  }
  std::system(("rm -rf '" + std::string(dir) + "'").c_str());
}

TEST(Export, MalformedFileExportsTheWholeFramesBeforeAndFails) {
  char dir[] = "/tmp/rangeview-export-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string record = std::string(dir) + "/cut.txt";
  const std::string text = block(0) + block(1) + block(2);
  std::ofstream(record, std::ios::binary) << text.substr(0, text.size() - 1000);
  const std::string command = std::string(RANGEVIEW_EXPORT) + " '" + record + "' --out '" + dir + "/out' 2> '" +
                              dir + "/errors' > /dev/null";
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  std::ifstream errors(std::string(dir) + "/errors");
  std::string line;
  std::getline(errors, line);
  EXPECT_EQ(line, "rangeview-export: " + record +
                      ":225: expected a line of 320 values ending in a line end, the line is cut short");
  EXPECT_FALSE(cv::imread(std::string(dir) + "/out/frame_000002_raw.png", cv::IMREAD_UNCHANGED).empty());
  EXPECT_FALSE(std::ifstream(std::string(dir) + "/out/frame_000003_raw.png").good());
  std::system(("rm -rf '" + std::string(dir) + "'").c_str());
}

}  // namespace
