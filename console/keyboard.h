#pragma once

// The one key dispatcher, fed by the point-cloud window's keyboard callback
// and by the image windows' key wait. x and y are ignored.
void onKeyboard(unsigned char key, int x, int y);
void printKeyHelp();
