#pragma once

extern const char *const kOriginalWindow;
extern const char *const kUndistortedWindow;

void createImageWindows(int *originalTag, int *undistortedTag);
void showImages();
void onImageMouse(int event, int x, int y, int flags, void *userData);
// True once the operator has closed either image window.
bool imageWindowClosed();
