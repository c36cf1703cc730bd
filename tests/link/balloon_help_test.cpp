// Balloon help on the real server, on an X server of the test's own: the
// pointer over a label with a help text shows the balloon after the delay of
// predefined 92, by the pointer and inside the screen, in the ink and paper
// of predefined 93 and 94; a pointer that leaves before the delay shows none,
// and coming back onto the same label shows it again.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
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

// The balloon as the screen shows it: the extent of its paper (the program
// gives it no border), or none. The screen is read rather than the window
// tree, which under Windows lists the test program's own windows only.
std::optional<Geometry> balloon(const Screenshot& s) {
  int left = s.width(), top = s.height(), right = -1, bottom = -1;
  for (int row = 0; row < s.height(); ++row)
    for (int x = 0; x < s.width(); ++x)
      if (s.at(x, row) == PAPER) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, row);
        bottom = std::max(bottom, row);
      }
  if (right < 0) return std::nullopt;
  return Geometry{left, top, right - left + 1, bottom - top + 1};
}

// The balloon once `accepted` takes it, or the last one seen (none) when
// the time ran out.
std::optional<Geometry> wait_for_balloon(Display* d, std::chrono::steady_clock::duration limit,
                                         const std::function<bool(const Geometry&)>& accepted = nullptr) {
  std::optional<Geometry> found;
  poll_screen(d, limit, [&](const Screenshot& s) {
    found = balloon(s);
    return found && (!accepted || accepted(*found));
  });
  return found;
}

bool shows(const Screenshot& s, const Geometry& g, const Rgb& colour) {
  for (int row = g.y; row < g.y + g.height; ++row)
    for (int x = g.x; x < g.x + g.width; ++x)
      if (s.at(x, row) == colour) return true;
  return false;
}

// Both helped windows are drawn: the screen differs from its empty middle
// where the pointer goes onto each.
bool both_windows_shown(Display* d, std::chrono::steady_clock::duration limit, int x1, int y1, int x2, int y2) {
  return poll_screen(d, limit, [&](const Screenshot& s) {
    Rgb empty = s.at(SCREEN_W / 2, SCREEN_H / 2);
    return s.lit_near(x1, y1, empty) && s.lit_near(x2, y2, empty);
  });
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
  init.push(0).assign(GLOBAL, 96);  // no border: the paper is the whole balloon
  add_helped_window(p, "open", 200, 200);
  add_helped_window(p, "corner", SCREEN_W - 60, SCREEN_H - WINDOW_H);
  TempDir dir;
  ASSERT_TRUE(p.write(dir.file("help.b")));
  ServerOnOwnDisplay run;
  ASSERT_TRUE(run.x_started()) << "Xvfb did not start";
  ASSERT_TRUE(run.start(dir.file("help.b"), dir));
  Display* d = run.display();
  // The corner window reaches past the screen's edges; where a system keeps
  // frames inside the screen, this point is on it still.
  int px = SCREEN_W - 55, py = SCREEN_H - WINDOW_H + 5;
  ASSERT_TRUE(both_windows_shown(d, 60s, 205, 205, px, py)) << run.finish().err;

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
  bool drawn = poll_screen(d, 5s, [&](const Screenshot& shot) { return shows(shot, *open, INK); });
  EXPECT_TRUE(drawn) << "the balloon's text in its ink";

  // At the bottom right: moved left into the screen, its bottom 16 above the pointer.
  warp(d, px, py);
  std::optional<Geometry> corner = wait_for_balloon(d, 10s, [&](const Geometry& g) { return g.y != open->y; });
  ASSERT_TRUE(corner.has_value());
  ASSERT_GT(px + corner->width, SCREEN_W);
  EXPECT_EQ(corner->x, SCREEN_W - corner->width - 4);
  EXPECT_EQ(corner->y + corner->height, py - 16);

  const RunResult& result = run.finish();
  EXPECT_EQ(result.err.find("rror"), std::string::npos) << result.err;
}

}  // namespace
