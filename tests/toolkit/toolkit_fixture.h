// One application context for the whole test program, X error checks, and
// windows whose pixels are read back from the X server.
#pragma once

#include <gtest/gtest.h>  // before X11, whose macros clash with its names
#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <vector>

#include "toolkit/ui_app_context.h"
#include "toolkit/ui_top_object.h"
#include "toolkit/ui_window.h"

// Number of X errors seen so far; any X error is a fault.
int synced_x_error_count();

// A widget whose drawing is given by the test.
class TestWidget : public UITopObject {
 public:
  TestWidget(UIWindow* window, short x, short y, unsigned short w, unsigned short h,
             void (*enter)(long) = nullptr, long id = 0)
      : UITopObject(window, id, enter) {
    this->x = x;
    this->y = y;
    width = w;
    height = h;
  }
  bool handle_event(const XEvent* event) override {
    events.push_back(event->type);
    return true;
  }
  void draw() override {
    if (paint) paint(*this);
    UIObject::draw();
  }
  std::function<void(const TestWidget&)> paint;
  std::vector<int> events;

  using UIObject::fill;
};

// A shown top-level window of the full visual, mapped and exposed.
class ShownWindow {
 public:
  ShownWindow(unsigned short width, unsigned short height, unsigned long background = 0xFFFFFF,
              const char* name = "TestWindow", long id = 1);
  ~ShownWindow();
  // Handles the window's queued events until none is left.
  void pump();
  // 0xRRGGBB pixels, row by row.
  std::vector<uint32_t> read_pixels() const;
  uint32_t pixel(int x, int y) const { return read_pixels()[size_t(y) * window.width + x]; }

  UIWindow window;
};

void finish_gl();
