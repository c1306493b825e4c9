// The sensor's wire format: fixed 50-byte text commands, a 4-byte reply to
// the ROI command, then headerless frames of two 320 x 24 blocks of
// little-endian unsigned 16-bit samples and a 3-byte trailer.
#pragma once

#include <cstdint>

#ifndef RANGEVIEW_DEVICE_ADDRESS
#define RANGEVIEW_DEVICE_ADDRESS "127.0.0.1"
#endif

const int kFrameWidth = 320;
const int kFrameHeight = 24;

const char *const kDeviceAddress = RANGEVIEW_DEVICE_ADDRESS;
const unsigned short kDevicePort = 50660;
const int kCommandLength = 50;
const int kRoiReplyBytes = 4;
const int kBlockBytes = kFrameWidth * kFrameHeight * 2;
const int kTrailerBytes = 3;
const int kFrameBytes = 2 * kBlockBytes + kTrailerBytes;

// Each command is its text padded with spaces to exactly kCommandLength
// bytes; no NUL or line end goes on the wire.
extern const char kRoiCommand[kCommandLength + 1];
extern const char kStartCommand[kCommandLength + 1];
extern const char kStopCommand[kCommandLength + 1];
extern const char kDisconnectCommand[kCommandLength + 1];

extern unsigned char distanceBlock[kBlockBytes];
extern unsigned char amplitudeBlock[kBlockBytes];
extern unsigned char replyBytes[kRoiReplyBytes];

// Sample of block row `row`, block column `column`, least significant byte first.
inline uint16_t blockSample(const unsigned char *block, int row, int column) {
  const unsigned char *p = block + 2 * (row * kFrameWidth + column);
  return (uint16_t)(p[0] | (p[1] << 8));
}
