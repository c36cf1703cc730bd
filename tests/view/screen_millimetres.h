// The graphics display's default screen as X reports it: the views take their
// millimetres per pixel from it (Xvfb's own size, or wine's 96 dpi).
#pragma once

#include "view/graphics_display.h"

struct ScreenMillimetres {
  float width, height;              // of the whole screen
  float per_pixel_x, per_pixel_y;
};

inline ScreenMillimetres screen_millimetres() {
  Display* d = graphics_display();
  const int s = DefaultScreen(d);
  const float width = float(DisplayWidthMM(d, s)), height = float(DisplayHeightMM(d, s));
  return {width, height, width / float(DisplayWidth(d, s)), height / float(DisplayHeight(d, s))};
}
