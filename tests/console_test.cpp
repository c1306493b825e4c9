#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/run_state.h"
#include "console/keyboard.h"
#include "console/recorder.h"
#include "device/protocol.h"
#include "pipeline/frame_images.h"
#include "tests/redraw_counter.h"
#include "viewer/view_state.h"

namespace {

const char kHelp[] =
    "Key help:\n"
    "  [A]  Zoom out point cloud.\n"
    "  [D]  Zoom in point cloud.\n"
    "  [O]  Record distance and amp data.\n"
    "  [P]  Pause data record.\n"
    "  [H]  Print key help.\n"
    "  [Q]  Quit.\n"
    "Vision help:\n"
    "  [Z]  Top view.\n"
    "  [X]  Left side view.\n"
    "  [C]  Oblique view (from upper left).\n"
    "  [R]  Reset observation position (default is device's position).\n";

std::string readFile(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Each test runs in a fresh directory of its own, with the recorder idle.
struct InTempDir : ::testing::Test {
  std::string dir;
  void SetUp() override {
    char pattern[] = "/tmp/rangeview-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    ASSERT_EQ(chdir(dir.c_str()), 0);
    if (recordFile) fclose(recordFile);
    recordFile = nullptr;
    recording = 0;
    recordFileName[0] = '\0';
    running = 1;
    viewState = ViewState();
    redrawRequests = 0;
  }
  void TearDown() override {
    if (recordFile) fclose(recordFile);
    recordFile = nullptr;
    recording = 0;
    chdir("/");
    std::system(("rm -rf '" + dir + "'").c_str());
  }
  std::string captured(void (*action)()) {
    testing::internal::CaptureStdout();
    action();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
  }
};

struct KeyTable : InTempDir {};

TEST_F(KeyTable, EveryCodeDoesItsCommandOrNothing) {
  for (int code = 0; code < 256; code++) {
    viewState = ViewState();
    viewState.zoom = 2;
    viewState.rotX = 10;
    redrawRequests = 0;
    running = 1;
    testing::internal::CaptureStdout();
    onKeyboard((unsigned char)code, 0, 0);
    fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    const char key = (char)std::toupper(code);
    const bool letter = std::isalpha(code) != 0;
    SCOPED_TRACE(code);
    if (letter && key == 'A') { EXPECT_EQ(viewState.zoom, (float)(2 * 0.9)); EXPECT_EQ(redrawRequests, 1); }
    else if (letter && key == 'D') { EXPECT_EQ(viewState.zoom, (float)(2 * 1.1)); EXPECT_EQ(redrawRequests, 1); }
    else if (letter && key == 'Z') { EXPECT_EQ(viewState.rotX, -90); EXPECT_EQ(redrawRequests, 1); }
    else if (letter && key == 'X') { EXPECT_EQ(viewState.rotY, -90); EXPECT_EQ(redrawRequests, 1); }
    else if (letter && key == 'C') { EXPECT_EQ(viewState.rotX, -45); EXPECT_EQ(redrawRequests, 1); }
    else if (letter && key == 'R') { EXPECT_EQ(viewState.rotX, 0); EXPECT_EQ(viewState.zoom, 1); EXPECT_EQ(redrawRequests, 1); }
    else if (letter && key == 'H') { EXPECT_EQ(out, kHelp); EXPECT_EQ(redrawRequests, 0); }
    else if (letter && key == 'Q') { EXPECT_EQ(running, 0); EXPECT_EQ(out, ""); }
    else if (letter && key == 'O') {
      EXPECT_EQ(recording, 1);
      EXPECT_EQ(out, std::string("Writing data to file: ") + recordFileName + " ...\n");
      pauseRecording();
    } else if (letter && key == 'P') { EXPECT_EQ(out, "Record was paused.\n"); }
    else {
      EXPECT_EQ(out, "");
      EXPECT_EQ(redrawRequests, 0);
      EXPECT_EQ(running, 1);
      EXPECT_EQ(viewState.zoom, 2);
      EXPECT_EQ(viewState.rotX, 10);
      EXPECT_EQ(recording, 0);
    }
    if (!(letter && key == 'Q')) {
      EXPECT_EQ(running, 1);
    }
  }
}

TEST_F(KeyTable, ImageWindowCodesAboveByteActAsTheirLowBits) {
  const int fromWaitKey = 0x100000 | 'q';
  onKeyboard((unsigned char)(fromWaitKey & 0xFF), 0, 0);
  EXPECT_EQ(running, 0);
  running = 1;
  onKeyboard((unsigned char)(-1 & 0xFF), 0, 0);  // no key
  EXPECT_EQ(running, 1);
  EXPECT_EQ(redrawRequests, 0);
}

struct Recorder : InTempDir {};

TEST(RecordFileName, LocalTimeWithLeadingZerosAndFullwidthColons) {
  setenv("TZ", "UTC0", 1);
  tzset();
  std::tm t = {};
  t.tm_year = 2019 - 1900, t.tm_mon = 2, t.tm_mday = 5, t.tm_hour = 4, t.tm_min = 7, t.tm_sec = 9;
  const int64_t moment = (int64_t)timegm(&t);
  char name[64];
  formatRecordFileName(name, sizeof(name), moment, 1);
  EXPECT_STREQ(name, "2019-03-05 04\xEF\xBC\x9A" "07\xEF\xBC\x9A" "09.txt");
  EXPECT_EQ(std::strlen(name), 27u);  // 25 bytes with the two-byte colon, 27 with UTF-8's three
  EXPECT_EQ(std::strchr(name, ':'), nullptr);
  formatRecordFileName(name, sizeof(name), moment, 3);
  EXPECT_STREQ(name, "2019-03-05 04\xEF\xBC\x9A" "07\xEF\xBC\x9A" "09_3.txt");
  setenv("TZ", "XST-8", 1);  // eight hours east of UTC
  tzset();
  formatRecordFileName(name, sizeof(name), moment, 1);
  EXPECT_STREQ(name, "2019-03-05 12\xEF\xBC\x9A" "07\xEF\xBC\x9A" "09.txt");
}

TEST_F(Recorder, StateTable) {
  EXPECT_EQ(captured(pauseRecording), "Record was paused.\n");
  const std::string started = captured(startRecording);
  ASSERT_EQ(recording, 1);
  const std::string name = recordFileName;
  EXPECT_EQ(started, "Writing data to file: " + name + " ...\n");
  EXPECT_EQ(captured(startRecording),
            "WARN:\n  Data is being written into file: " + name +
                ".\n  If you want to record data in other files, please press [P] to stop current record.\n");
  EXPECT_EQ(recording, 1);
  EXPECT_EQ(recordFileName, name);
  EXPECT_EQ(captured(pauseRecording), "Record was paused.\n");
  EXPECT_EQ(recording, 0);
  EXPECT_EQ(recordFile, nullptr);
  EXPECT_EQ(recordFileName, name) << "the name is kept after P";
}

TEST_F(Recorder, ATakenNameGetsASuffixAndTheEarlierFileStaysIntact) {
  // Take the plain names of the next seconds, as an earlier O, P within
  // the same second would have.
  const int64_t now = (int64_t)std::time(nullptr);
  char name[64];
  for (int64_t t = now; t < now + 3; t++) {
    formatRecordFileName(name, sizeof(name), t, 1);
    std::ofstream(name, std::ios::binary) << "earlier recording";
  }
  captured(startRecording);
  ASSERT_EQ(recording, 1);
  const std::string second = recordFileName;
  EXPECT_NE(second.find("_2.txt"), std::string::npos) << second;
  writeFrameRecord();
  captured(pauseRecording);
  formatRecordFileName(name, sizeof(name), recordStartTime, 1);
  EXPECT_EQ(readFile(name), "earlier recording");
  EXPECT_EQ(readFile(second).size(), 46251u);
}

TEST_F(Recorder, CannotCreateFileWarnsAndStaysIdle) {
  ASSERT_EQ(rmdir(dir.c_str()), 0);  // the working directory is gone
  const std::string out = captured(startRecording);
  EXPECT_EQ(recording, 0);
  EXPECT_EQ(recordFile, nullptr);
  EXPECT_EQ(out, std::string("WARN:\n  Cannot create file ") + recordFileName + ": No such file or directory.\n");
}

void fillFrame(uint16_t undistorted, uint16_t raw, uint16_t amplitude) {
  frameImages.undistortedDistance.setTo(undistorted);
  frameImages.rawDistance.setTo(raw);
  for (int i = 0; i < kFrameWidth * kFrameHeight; i++) {
    amplitudeBlock[2 * i] = (unsigned char)(amplitude & 0xFF);
    amplitudeBlock[2 * i + 1] = (unsigned char)(amplitude >> 8);
  }
}

std::string valueLine(const std::string &value) {
  std::string line;
  for (int c = 0; c < kFrameWidth; c++) line += value + " ";
  return line + "\r\n";
}

std::string uniformBlock(const std::string &u, const std::string &a, const std::string &r) {
  std::string block = "Distance:\r\n";
  for (int i = 0; i < kFrameHeight; i++) block += valueLine(u);
  block += "Amp:\r\n";
  for (int i = 0; i < kFrameHeight; i++) block += valueLine(a);
  block += "Rawdist:\r\n";
  for (int i = 0; i < kFrameHeight; i++) block += valueLine(r);
  return block;
}

TEST_F(Recorder, FrameBlocksByteForByte) {
  captured(startRecording);
  ASSERT_EQ(recording, 1);
  fillFrame(0, 0, 0);
  writeFrameRecord();
  fillFrame(65535, 65535, 65535);
  writeFrameRecord();
  fillFrame(7, 40000, 300);
  writeFrameRecord();
  const std::string name = recordFileName;
  captured(pauseRecording);
  const std::string zero = uniformBlock("0", "0", "0");
  const std::string full = uniformBlock("65535", "65535", "65535");
  EXPECT_EQ(zero.size(), 46251u);
  EXPECT_EQ(full.size(), 138411u);
  EXPECT_TRUE(readFile(name) == zero + full + uniformBlock("7", "300", "40000"));
}

TEST_F(Recorder, ValuesAtEveryDigitCountBoundary) {
  captured(startRecording);
  std::string want;
  for (unsigned v : {9u, 10u, 99u, 100u, 999u, 1000u, 9999u, 10000u, 12345u, 60000u}) {
    fillFrame((uint16_t)v, (uint16_t)v, (uint16_t)v);
    writeFrameRecord();
    want += uniformBlock(std::to_string(v), std::to_string(v), std::to_string(v));
  }
  const std::string name = recordFileName;
  captured(pauseRecording);
  EXPECT_TRUE(readFile(name) == want);
}

TEST_F(Recorder, AmplitudeRowsAreMirroredLikeTheDistances) {
  for (int r = 0; r < kFrameHeight; r++)
    for (int k = 0; k < kFrameWidth; k++) {
      const uint16_t v = (uint16_t)(r * 1000 + k);
      amplitudeBlock[2 * (r * kFrameWidth + k)] = (unsigned char)(v & 0xFF);
      amplitudeBlock[2 * (r * kFrameWidth + k) + 1] = (unsigned char)(v >> 8);
    }
  captured(startRecording);
  writeFrameRecord();
  const std::string name = recordFileName;
  captured(pauseRecording);
  std::istringstream lines(readFile(name));
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.back(), '\r') << "line " << number;
    const int ampRow = number - 26;
    if (ampRow >= 0 && ampRow < kFrameHeight) {
      // Line r runs from the last sample of received row r to its first.
      std::string want;
      for (int k = kFrameWidth - 1; k >= 0; k--) want += std::to_string(ampRow * 1000 + k) + " ";
      EXPECT_EQ(line, want + "\r") << "Amp line " << ampRow;
    }
    number++;
  }
  EXPECT_EQ(number, 75);
}

TEST_F(Recorder, WriteFailureWarnsOnceStopsAndKeepsWhatWasWritten) {
  signal(SIGXFSZ, SIG_IGN);
  rlimit previous;
  getrlimit(RLIMIT_FSIZE, &previous);
  rlimit small = previous;
  small.rlim_cur = 100000;  // two all-zero blocks fit, the third does not
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  captured(startRecording);
  ASSERT_EQ(recording, 1);
  const std::string name = recordFileName;
  fillFrame(0, 0, 0);
  testing::internal::CaptureStdout();
  for (int i = 0; i < 3 && recording; i++) writeFrameRecord();
  fflush(stdout);
  const std::string out = testing::internal::GetCapturedStdout();
  setrlimit(RLIMIT_FSIZE, &previous);
  EXPECT_EQ(out, "WARN:\n  Writing to file " + name + " failed: File too large. Record was stopped.\n");
  EXPECT_EQ(recording, 0);
  EXPECT_EQ(recordFile, nullptr);
  const std::string kept = readFile(name);
  const std::string zero = uniformBlock("0", "0", "0");
  ASSERT_GE(kept.size(), 2 * zero.size());
  EXPECT_TRUE(kept.compare(0, 2 * zero.size(), zero + zero) == 0);
  EXPECT_TRUE(kept.compare(2 * zero.size(), std::string::npos, zero, 0, kept.size() - 2 * zero.size()) == 0)
      << "the third block is kept up to the failure";
}

TEST_F(Recorder, FullDeviceWarnsWithTheSystemsReason) {
  recordFile = fopen("/dev/full", "wb");
  ASSERT_NE(recordFile, nullptr);
  recording = 1;
  std::strcpy(recordFileName, "full.txt");
  fillFrame(1, 2, 3);
  testing::internal::CaptureStdout();
  writeFrameRecord();
  fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "WARN:\n  Writing to file full.txt failed: No space left on device. Record was stopped.\n");
  EXPECT_EQ(recording, 0);
  EXPECT_EQ(recordFile, nullptr);
}

}  // namespace
