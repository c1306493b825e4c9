#pragma once

// Initialises freeglut, creates the "Point Cloud" window and registers its
// callbacks. Closing the window ends the run like Q.
void createPointCloudWindow(int *argc, char **argv);
void renderPointCloud();
void onReshape(int width, int height);
void onPointCloudClose();
// Whether the window is still there to be redrawn.
bool pointCloudWindowOpen();
