// Reads record files: blocks of 75 lines ("Distance:", 24 value lines,
// "Amp:", 24, "Rawdist:", 24), each value line 320 decimal values from 0 to
// 65535 followed by spaces. Accepts CR LF and LF line ends. Stops at the
// first fault with the line number and what was expected, after handing
// out every whole frame before it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

const int kRecordWidth = 320;
const int kRecordHeight = 24;
const int kRecordBlockLines = 75;

// One frame as the file holds it: rows in order, columns as on screen.
struct RecordFrame {
  uint16_t distance[kRecordHeight][kRecordWidth];   // undistorted
  uint16_t amplitude[kRecordHeight][kRecordWidth];
  uint16_t raw[kRecordHeight][kRecordWidth];
};

struct RecordReader {
  const char *data;
  size_t size;
  size_t position;
  long line;          // number of the line read last, 1-based
  long errorLine;     // the line of the fault
  std::string error;  // what was expected there; empty unless the file is malformed
};

RecordReader openRecord(const char *data, size_t size);
// Fills `frame` with the next whole frame. False at the clean end of the
// file, or on a fault, which leaves its one-line description in `error`.
bool readRecordFrame(RecordReader &reader, RecordFrame &frame);
// Counts the whole frames without keeping them; stops at a fault like readRecordFrame.
long countRecordFrames(const char *data, size_t size);

bool readWholeFile(const char *path, std::string &contents, std::string &error);
