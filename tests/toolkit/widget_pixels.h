// Pixel tables and pointer events for the widget tests.
#pragma once

#include <gtest/gtest.h>  // before X11, whose macros clash with its names
#include <X11/Xlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/toolkit/toolkit_fixture.h"

// Colours the widgets draw with, as read back from the 24-bit screen.
constexpr uint32_t black = 0x000000;
constexpr uint32_t white = 0xFFFFFF;
constexpr uint32_t light = 0xDBDBDB;    // grey 0.86
constexpr uint32_t paper = 0x336699;    // the test windows' background
constexpr uint32_t widget_bg = 0x99CC66;  // background word given to the widgets

struct Point {
  int x, y;
  uint32_t colour;
};

// Every listed window pixel has its colour; reports all mismatches at once.
inline void expect_points(const ShownWindow& shown, const std::vector<Point>& points) {
  auto pixels = shown.read_pixels();
  ASSERT_EQ(pixels.size(), size_t(shown.window.width) * shown.window.height);
  for (const Point& p : points) {
    uint32_t got = pixels[size_t(p.y) * shown.window.width + size_t(p.x)];
    EXPECT_EQ(got, p.colour) << "at (" << p.x << ", " << p.y << "): got " << std::hex << got
                             << ", want " << p.colour;
  }
}

// The window's pixels as letters, for diagnosing a failed table.
inline std::string pixel_map(const ShownWindow& shown) {
  auto pixels = shown.read_pixels();
  std::string s;
  for (int y = 0; y < shown.window.height; ++y) {
    for (int x = 0; x < shown.window.width; ++x) {
      uint32_t p = pixels[size_t(y) * shown.window.width + size_t(x)];
      s += p == black ? '#' : p == white ? 'w' : p == light ? ':' : p == paper ? '.'
           : p == widget_bg ? 'o' : '?';
    }
    s += '\n';
  }
  return s;
}

inline XEvent pointer_event(const UIWindow& window, int type, int x, int y,
                            unsigned button = Button1, unsigned state = 0) {
  XEvent e = {};
  e.type = type;
  e.xany.display = window.display;
  e.xany.window = window.x_window;
  if (type == MotionNotify) {
    e.xmotion.x = x;
    e.xmotion.y = y;
    e.xmotion.state = state;
  } else if (type == EnterNotify || type == LeaveNotify) {
    e.xcrossing.x = x;
    e.xcrossing.y = y;
    e.xcrossing.state = state;
  } else {
    e.xbutton.x = x;
    e.xbutton.y = y;
    e.xbutton.button = button;
    e.xbutton.state = state;
  }
  return e;
}

// Dispatches one pointer event through the window as the event intake does.
inline bool send(UIWindow& window, int type, int x, int y, unsigned button = Button1,
                 unsigned state = 0) {
  XEvent e = pointer_event(window, type, x, y, button, state);
  return window.handle_window_event(&e, true);
}

// Counts the callbacks of one test; reset by each test's fixture.
struct Calls {
  int activate = 0;
  int second = 0;
  int toggles = 0;
  long last_id = 0;
  bool last_checked = false;
};
inline Calls calls;
inline void count_activate(long id) { ++calls.activate; calls.last_id = id; }
inline void count_second(long id) { ++calls.second; calls.last_id = id; }
inline void count_toggle(long id, bool checked) {
  ++calls.toggles;
  calls.last_id = id;
  calls.last_checked = checked;
}

// Resets the callback counts; the windows' decorations are deleted by the tests.
class WidgetTest : public testing::Test {
 protected:
  void SetUp() override { calls = Calls{}; }
  void TearDown() override { EXPECT_EQ(synced_x_error_count(), 0); }
};
