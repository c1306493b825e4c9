#pragma once

// Counts redraw requests instead of asking freeglut, so view and key tests
// run without a window.
extern int redrawRequests;
