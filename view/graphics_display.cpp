#include "view/graphics_display.h"

#include "runtime/qob.h"
#include "toolkit/ui_app_context.h"

static Display* own_display = nullptr;

static bool from_context() { return AppContext != nullptr && AppContext->graphics_display != nullptr; }

Display* graphics_display() {
  if (from_context()) return AppContext->graphics_display;
  if (own_display == nullptr) {
    own_display = XOpenDisplay(nullptr);
    if (own_display == nullptr) halt("Unable to open the graphics display");
  }
  return own_display;
}

void close_graphics_display() {
  if (own_display != nullptr) XCloseDisplay(own_display);
  own_display = nullptr;
}

int graphics_display_width() { return DisplayWidth(graphics_display(), DefaultScreen(graphics_display())); }
int graphics_display_height() { return DisplayHeight(graphics_display(), DefaultScreen(graphics_display())); }

int graphics_display_width_mm() {
  if (from_context()) return int(AppContext->get_graphics_display_width_mm());
  return DisplayWidthMM(graphics_display(), DefaultScreen(graphics_display()));
}

int graphics_display_height_mm() {
  if (from_context()) return int(AppContext->get_graphics_display_height_mm());
  return DisplayHeightMM(graphics_display(), DefaultScreen(graphics_display()));
}
