// Balloon help on the real server, on an X server of the test's own: the
// pointer over a label with a help text shows the balloon after the delay of
// predefined 92, by the pointer and inside the screen, in the ink and paper
// of predefined 93 and 94; a pointer that leaves before the delay shows none,
// and coming back onto the same label shows it again.
#include <gtest/gtest.h>

#include <X11/Xutil.h>

#include <chrono>
#include <optional>
#include <thread>

#include "tests/support/own_x_server.h"

namespace {

using namespace std::chrono_literals;
using yarl::Code;
using yarl::GLOBAL;
using yarl::make_ident;
using yarl::make_item;
using yarl::WINDOW_LOCAL;

constexpr int SCREEN_W = 1280, SCREEN_H = 1024;
constexpr int WINDOW_W = 120, WINDOW_H = 30;
const Rgb PAPER = {255, 0, 0}, INK = {0, 0, 255};

// A shown window of 120 x 30 at (x, y) with one label that has a help text.
void add_helped_window(yarl::YarlProgram& p, const char* name, int x, int y) {
  uint32_t init_at = yarl::add_window_geometry(p, x, y, WINDOW_W, WINDOW_H);
  menu_item label = make_item(ITEM_LABEL);
  label.value_kind = K_STRING;
  label.head8 = 9;
  label.flags = 1u << 7;  // a help text follows the value
  label.code_offset = p.code().offset();
  p.code().push_string("Point here for help").push_string("A balloon of help").release();
  yarl::add_shown_window(p, name, label, init_at);
}

struct Geometry {
  int x, y, width, height;
};

// The mapped balloon: the one pop-up (override-redirect) window on the screen.
std::optional<Geometry> balloon(Display* d) {
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  std::optional<Geometry> found;
  if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) return found;
  for (unsigned i = 0; i < n && !found; ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable && a.override_redirect)
      found = Geometry{a.x, a.y, a.width, a.height};
  }
  XFree(children);
  return found;
}

std::optional<Geometry> wait_for_balloon(Display* d, std::chrono::steady_clock::duration limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (auto g = balloon(d)) return g;
    std::this_thread::sleep_for(20ms);
  }
  return std::nullopt;
}

bool shows(const Screenshot& s, const Geometry& g, const Rgb& colour) {
  for (int row = g.y; row < g.y + g.height; ++row)
    for (int x = g.x; x < g.x + g.width; ++x)
      if (s.at(x, row) == colour) return true;
  return false;
}

// Both helped windows are mapped: two viewable top-level windows of their size.
bool both_windows_shown(Display* d, std::chrono::steady_clock::duration limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    Window root, parent, *children = nullptr;
    unsigned n = 0, shown = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
      for (unsigned i = 0; i < n; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable &&
            a.width == WINDOW_W && a.height == WINDOW_H)
          ++shown;
      }
      XFree(children);
    }
    if (shown == 2) return true;
    std::this_thread::sleep_for(20ms);
  }
  return false;
}

void warp(Display* d, int x, int y) {
  XWarpPointer(d, None, DefaultRootWindow(d), 0, 0, 0, 0, x, y);
  XSync(d, False);
}

TEST(BalloonHelp, ShowsByThePointerInsideTheScreenAndNotWhenThePointerLeftEarly) {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  Code& init = p.initial_code();
  init.push(5).assign(GLOBAL, 92);  // half a second
  init.push(0x0000FF).assign(GLOBAL, 93);
  init.push(0xFF0000).assign(GLOBAL, 94);
  add_helped_window(p, "open", 200, 200);
  add_helped_window(p, "corner", SCREEN_W - 60, SCREEN_H - WINDOW_H);
  TempDir dir;
  ASSERT_TRUE(p.write(dir.file("help.b")));
  ServerOnOwnDisplay run;
  ASSERT_TRUE(run.x_started()) << "Xvfb did not start";
  ASSERT_TRUE(run.start(dir.file("help.b"), dir));
  Display* d = run.display();
  ASSERT_TRUE(both_windows_shown(d, 60s));

  // Left early: the balloon never shows.
  warp(d, 205, 205);
  std::this_thread::sleep_for(50ms);
  warp(d, 600, 600);
  EXPECT_FALSE(wait_for_balloon(d, 1500ms).has_value());

  // In the open: left edge at the pointer, top 16 pixels below it.
  warp(d, 210, 207);
  std::optional<Geometry> open = wait_for_balloon(d, 10s);
  ASSERT_TRUE(open.has_value());
  EXPECT_EQ(open->x, 210);
  EXPECT_EQ(open->y, 207 + 16);
  bool drawn = poll_screen(d, 5s, [&](const Screenshot& shot) {
    return shows(shot, *open, PAPER) && shows(shot, *open, INK);
  });
  EXPECT_TRUE(drawn) << "the balloon in its paper and ink";

  // At the bottom right: moved left into the screen, its bottom 16 above the pointer.
  int px = SCREEN_W - 55, py = SCREEN_H - WINDOW_H + 5;
  warp(d, px, py);
  std::optional<Geometry> corner;
  for (int i = 0; i < 500 && (!corner || corner->y == open->y); ++i) {
    corner = balloon(d);
    std::this_thread::sleep_for(20ms);
  }
  ASSERT_TRUE(corner.has_value());
  ASSERT_GT(px + corner->width, SCREEN_W);
  EXPECT_EQ(corner->x, SCREEN_W - corner->width - 4);
  EXPECT_EQ(corner->y + corner->height, py - 16);

  const RunResult& result = run.finish();
  EXPECT_EQ(result.err.find("rror"), std::string::npos) << result.err;
}

}  // namespace
