// The simulator's synthetic scene: a back wall, a floor and a box that
// moves from frame to frame, with a few pixels of no distance.
#pragma once

#include <cstdint>

const int kSceneWidth = 320;
const int kSceneHeight = 24;

// Fills both blocks in wire order (block row, block column) for frame
// number `frameIndex`.
void renderScene(int frameIndex, uint16_t *distance, uint16_t *amplitude);

// Samples as they go on the wire, least significant byte first.
void packBlock(const uint16_t *samples, unsigned char *bytes);
