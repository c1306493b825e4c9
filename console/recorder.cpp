#include "console/recorder.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "device/protocol.h"
#include "pipeline/frame_images.h"

unsigned char recording = 0;
FILE *recordFile = nullptr;
char recordFileName[64];
int64_t recordStartTime = 0;

namespace {

// The two colons of the name are U+FF1A FULLWIDTH COLON, in the encoding
// the platform's file names use.
#ifdef _WIN32
#define FULLWIDTH_COLON "\243\272"
#else
#define FULLWIDTH_COLON "\xEF\xBC\x9A"
#endif

const int kMaxNameAttempts = 1000;
const char kLineEnd[] = "\r\n";

bool toLocalTime(int64_t seconds, std::tm *local) {
  const std::time_t t = (std::time_t)seconds;
#ifdef _WIN32
  return localtime_s(local, &t) == 0;
#else
  return localtime_r(&t, local) != nullptr;
#endif
}

// One value line: 320 decimal values each followed by a space, then CR LF.
char lineBuffer[kFrameWidth * 6 + sizeof(kLineEnd)];

// "00" to "99": the digits of a value are written two at a time.
struct DigitPairs {
  char text[200];
  DigitPairs() {
    for (int i = 0; i < 100; i++) {
      text[2 * i] = (char)('0' + i / 10);
      text[2 * i + 1] = (char)('0' + i % 10);
    }
  }
};
const DigitPairs digitPairs;

inline char *appendPair(char *out, unsigned pair) {
  std::memcpy(out, digitPairs.text + 2 * pair, 2);
  return out + 2;
}

// Plain decimal, no leading zeros: 0, 7, 65535.
char *appendDecimal(char *out, unsigned value) {
  if (value < 10) {
    *out++ = (char)('0' + value);
  } else if (value < 100) {
    out = appendPair(out, value);
  } else if (value < 1000) {
    *out++ = (char)('0' + value / 100);
    out = appendPair(out, value % 100);
  } else if (value < 10000) {
    out = appendPair(out, value / 100);
    out = appendPair(out, value % 100);
  } else {
    *out++ = (char)('0' + value / 10000);
    out = appendPair(out, value / 100 % 100);
    out = appendPair(out, value % 100);
  }
  return out;
}

void stopAfterWriteFailure() {
  const int error = errno;
  printf("WARN:\n");
  printf("  Writing to file %s failed: %s. Record was stopped.\n", recordFileName,
         std::strerror(error));
  fclose(recordFile);
  recordFile = nullptr;
  recording = 0;
}

// Writes one whole line and flushes it, so at most one line is ever pending.
bool writeLine(const char *text, size_t length) {
  return fwrite(text, 1, length, recordFile) == length && fflush(recordFile) == 0;
}

bool writeSectionTitle(const char *title) {
  const size_t length = std::strlen(title);
  std::memcpy(lineBuffer, title, length);
  std::memcpy(lineBuffer + length, kLineEnd, 2);
  return writeLine(lineBuffer, length + 2);
}

template <typename ValueAt>
bool writeSection(const char *title, ValueAt valueAt) {
  if (!writeSectionTitle(title)) return false;
  for (int r = 0; r < kFrameHeight; r++) {
    char *out = lineBuffer;
    for (int c = 0; c < kFrameWidth; c++) {
      out = appendDecimal(out, valueAt(r, c));
      *out++ = ' ';
    }
    *out++ = '\r';
    *out++ = '\n';
    if (!writeLine(lineBuffer, (size_t)(out - lineBuffer))) return false;
  }
  return true;
}

}  // namespace

void formatRecordFileName(char *buffer, size_t size, int64_t startTime, int attempt) {
  int year = 0, month = 0, day = 0, hour = -1, minute = -1, second = -1;
  std::tm local;
  if (toLocalTime(startTime, &local)) {
    year = local.tm_year + 1900;
    month = local.tm_mon + 1;
    day = local.tm_mday;
    hour = local.tm_hour;
    minute = local.tm_min;
    second = local.tm_sec;
  }
  char suffix[16] = "";
  if (attempt > 1) snprintf(suffix, sizeof(suffix), "_%d", attempt);
  snprintf(buffer, size, "%.4d-%.2d-%.2d %.2d" FULLWIDTH_COLON "%.2d" FULLWIDTH_COLON "%.2d%s.txt",
           year, month, day, hour, minute, second, suffix);
}

void startRecording() {
  if (recordFile != nullptr) {
    printf("WARN:\n");
    printf("  Data is being written into file: %s.\n", recordFileName);
    printf("  If you want to record data in other files, please press [P] to stop current record.\n");
    return;
  }
  recordStartTime = (int64_t)std::time(nullptr);
  // Never truncate an earlier recording: O, P and O within one second give
  // the same time-based name, so a taken name gets a numbered suffix.
  for (int attempt = 1; attempt <= kMaxNameAttempts; attempt++) {
    formatRecordFileName(recordFileName, sizeof(recordFileName), recordStartTime, attempt);
    recordFile = fopen(recordFileName, "wbx");
    if (recordFile != nullptr || errno != EEXIST) break;
  }
  if (recordFile == nullptr) {
    const int error = errno;
    printf("WARN:\n");
    printf("  Cannot create file %s: %s.\n", recordFileName, std::strerror(error));
    return;
  }
  recording = 1;
  printf("Writing data to file: %s ...\n", recordFileName);
}

void pauseRecording() {
  recording = 0;
  if (recordFile != nullptr) {
    fclose(recordFile);
    recordFile = nullptr;
  }
  printf("Record was paused.\n");
}

void writeFrameRecord() {
  const cv::Mat &undistorted = frameImages.undistortedDistance;
  const cv::Mat &raw = frameImages.rawDistance;
  // Amplitude rows are mirrored like rawDistance, so all three sections
  // share one orientation.
  const bool written =
      writeSection("Distance:", [&](int r, int c) { return (unsigned)undistorted.at<uint16_t>(r, c); }) &&
      writeSection("Amp:", [](int r, int c) { return (unsigned)blockSample(amplitudeBlock, r, kFrameWidth - 1 - c); }) &&
      writeSection("Rawdist:", [&](int r, int c) { return (unsigned)raw.at<uint16_t>(r, c); });
  if (!written) stopAfterWriteFailure();
}
