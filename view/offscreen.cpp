#include "view/offscreen.h"

// Not built yet: nothing is ever rendered offscreen.
bool get_offscreen_rendering() { return false; }
unsigned get_offscreen_alias() { return 1; }
float get_offscreen_scale() { return 1; }
unsigned get_offscreen_frame(int) { return 15; }
long get_offscreen_background() { return -1; }
