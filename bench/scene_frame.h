#pragma once

// Builds the maps once and puts frame 10 of the simulator's scene through
// the pipeline, so every benchmark works on the same realistic frame.
void loadSceneFrame();
