#pragma once

#include "device/socket_layer.h"

const int kKeyWaitMs = 30;
const int kStopPauseMs = 100;

// Stage 1: the distance block, the amplitude block and the trailer. False
// when a block receive failed; a failed trailer receive only prints.
bool receiveFrame(SOCKET s);
// Stages 2 to 4: decode, undistort, colour, and record while recording.
void processFrame();
// Stages 5 and 6: show the images and let freeglut redraw the cloud.
void presentFrame();
// Stage 7: wait for a key in the image windows and dispatch it.
void handleImageWindowKeys();
// Passes until running is cleared or a block receive fails.
void runFrameLoop(SOCKET s);
