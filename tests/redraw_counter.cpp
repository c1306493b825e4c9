#include "tests/redraw_counter.h"
#include "viewer/redraw.h"

int redrawRequests = 0;

void requestPointCloudRedraw() { redrawRequests++; }
