#pragma once

// Asks freeglut to redraw the point-cloud window at its next event pass.
void requestPointCloudRedraw();
