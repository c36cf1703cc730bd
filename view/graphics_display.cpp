#include "view/graphics_display.h"

#include "runtime/qob.h"

static Display* display = nullptr;

Display* graphics_display() {
  if (display == nullptr) {
    display = XOpenDisplay(nullptr);
    if (display == nullptr) halt("Unable to open the graphics display");
  }
  return display;
}

void close_graphics_display() {
  if (display != nullptr) XCloseDisplay(display);
  display = nullptr;
}

int graphics_display_width() { return DisplayWidth(graphics_display(), DefaultScreen(graphics_display())); }
int graphics_display_height() { return DisplayHeight(graphics_display(), DefaultScreen(graphics_display())); }
int graphics_display_width_mm() { return DisplayWidthMM(graphics_display(), DefaultScreen(graphics_display())); }
int graphics_display_height_mm() { return DisplayHeightMM(graphics_display(), DefaultScreen(graphics_display())); }
