// A POINT manipulator on the real server, dragged with the real pointer on an
// X server of the test's own: xdotool goes to the pixel where the point
// projects in view 1, drags with button 1 or 2, and releases; the action
// reports x, y, z to the application and ends the server, which must end
// normally with the manipulator alive.
#include "tests/support/gui3d_session.h"

#include <X11/extensions/Xfixes.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace {

using namespace gui3d_session;

using namespace std::chrono_literals;

// The point's yellow cross, blended at its edges.
bool yellowish(const Rgb& c) { return c.r == c.g && c.r > 100 && c.b < 60; }

uint32_t bits(float f) {
  uint32_t b;
  memcpy(&b, &f, 4);
  return b;
}

// Waits for `until` to hold for the reports so far; they are returned either way.
std::vector<std::vector<float>> reports_until(const Session& s,
                                              const std::function<bool(const std::vector<std::vector<float>>&)>& until) {
  auto end = std::chrono::steady_clock::now() + 30s;
  std::vector<std::vector<float>> lines = s.reports();
  while (!until(lines) && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(50ms);
    lines = s.reports();
  }
  return lines;
}

// The reports up to the first one of a release (last number 0).
bool released(const std::vector<std::vector<float>>& lines) {
  for (const std::vector<float>& l : lines)
    if (!l.empty() && l.back() == 0) return true;
  return false;
}

// Whether a yellow cross shows around the model point (x, y, z).
std::function<bool(const Screenshot&)> cross_at(const Session& s, double x, double y, double z) {
  return [&s, x, y, z](const Screenshot& shot) {
    return find_pixels(shot, s.area, start_view_pixel(s.area, x, y, z), 20, yellowish).has_value();
  };
}

// The hot spot of the cursor the server shows.
std::pair<int, int> hot_spot(Display* d) {
  XSync(d, False);
  XFixesCursorImage* image = XFixesGetCursorImage(d);
  if (image == nullptr) return {-1, -1};
  std::pair<int, int> spot{image->xhot, image->yhot};
  XFree(image);
  return spot;
}

class Gui3dEndToEnd : public testing::Test, protected Session {
 protected:
  int x0 = 0, y0 = 0;  // the point's pixel in the graphics window

  // Starts the server on a POINT at the model origin and waits for its cross.
  void start(uint32_t flags = ITEM3D_ACTION, const std::function<void(yarl::Code&)>& on_change = {},
             bool assign_at_start = true) {
    ManipulatorScene program;
    ManipulatorItem point;
    point.start = {0, 0, 0};
    point.flags = flags;
    point.on_change = on_change;
    program.items.push_back(point);
    program.assign_at_start = assign_at_start;
    Session::start(program, [&](const Screenshot& s) {
      // The model origin is tek (2047.5, 1638) of view 1.
      x0 = area.width / 2, y0 = area.height / 2;
      return find_pixels(s, area, Pixel{double(x0), double(y0)}, 20, yellowish).has_value();
    });
  }

  void drag(const Drag& g) { Session::drag(Pixel{double(x0), double(y0)}, g); }
};

TEST_F(Gui3dEndToEnd, ButtonOneMovesXByTheTekMovement) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_NO_FATAL_FAILURE(drag({1, 60, 0}));
  std::optional<std::vector<float>> r = report(3);
  ASSERT_TRUE(r.has_value()) << "a report on the release";
  float moved = float(tek_x(x0 + 60, area.width) - tek_x(x0, area.width));
  EXPECT_NEAR((*r)[0], moved, 2);
  EXPECT_EQ((*r)[1], 0);
  EXPECT_EQ((*r)[2], 0);
  expect_normal_end();
}

TEST_F(Gui3dEndToEnd, ButtonTwoMovesXAndZ) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_NO_FATAL_FAILURE(drag({2, 60, -30}));
  std::optional<std::vector<float>> r = report(3);
  ASSERT_TRUE(r.has_value()) << "a report on the release";
  EXPECT_NEAR((*r)[0], float(tek_x(x0 + 60, area.width) - tek_x(x0, area.width)), 2);
  EXPECT_EQ((*r)[1], 0);
  EXPECT_NEAR((*r)[2], float(tek_y(y0 - 30, area.height) - tek_y(y0, area.height)), 2);
  expect_normal_end();
}

// Locals never assigned (the zero they start with) still bring the
// manipulator: the window's opening asks for the update pass.
TEST_F(Gui3dEndToEnd, APointOverLocalsNeverAssignedShowsAndDrags) {
  ASSERT_NO_FATAL_FAILURE(start(ITEM3D_ACTION, {}, false));
  ASSERT_NO_FATAL_FAILURE(drag({1, 60, 0}));
  std::optional<std::vector<float>> r = report(3);
  ASSERT_TRUE(r.has_value()) << "a report on the release";
  EXPECT_NEAR((*r)[0], float(tek_x(x0 + 60, area.width) - tek_x(x0, area.width)), 2);
  EXPECT_EQ((*r)[1], 0);
  EXPECT_EQ((*r)[2], 0);
  expect_normal_end();
}

// Over the point, without a button, the server shows access point 13's cursor.
TEST_F(Gui3dEndToEnd, TheCursorOverThePointHasItsHotSpot) {
  ASSERT_NO_FATAL_FAILURE(start());
  const std::string name = x_name();
  ASSERT_TRUE(xdotool(name, "mousemove " + std::to_string(area.x + x0 - 5) + " " + std::to_string(area.y + y0)));
  ASSERT_TRUE(xdotool(name, "mousemove " + std::to_string(area.x + x0) + " " + std::to_string(area.y + y0)));
  auto end = std::chrono::steady_clock::now() + 20s;
  std::pair<int, int> spot = hot_spot(run.display());
  while (spot != std::pair<int, int>{15, 16} && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(50ms);
    spot = hot_spot(run.display());
  }
  EXPECT_EQ(spot.first, 15);
  EXPECT_EQ(spot.second, 16);
  ASSERT_NO_FATAL_FAILURE(drag({1, 30, 0}));
  ASSERT_TRUE(report(3).has_value());
  expect_normal_end();
}

// With the action on change, every motion of the drag that moves the point
// reports, and the release reports the last position once more.
TEST_F(Gui3dEndToEnd, ChangesReportDuringTheDragAndTheReleaseAfterThem) {
  ASSERT_NO_FATAL_FAILURE(start(ITEM3D_ACTION | ITEM3D_ACTION_ON_CHANGE));
  ASSERT_NO_FATAL_FAILURE(drag({1, 60, 0}));
  std::vector<std::vector<float>> lines = reports_until(*this, released);
  ASSERT_TRUE(released(lines)) << "a report on the release";
  // A slow server takes motions that queued up as one.
  ASSERT_GE(lines.size(), 2u) << "a change at least, then the release";
  float last = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    ASSERT_EQ(lines[i].size(), 4u) << i;
    EXPECT_EQ(lines[i][3], i + 1 < lines.size() ? 1 : 0) << i << ": only the last line is the release";
    if (i + 1 < lines.size()) EXPECT_GT(lines[i][0], last) << i << ": every change moved x";
    else EXPECT_EQ(lines[i][0], last) << "the release where the last change left it";
    last = lines[i][0];
    EXPECT_EQ(lines[i][1], 0);
    EXPECT_EQ(lines[i][2], 0);
  }
  EXPECT_NEAR(last, float(tek_x(x0 + 60, area.width) - tek_x(x0, area.width)), 2);
  expect_normal_end();
}

// A press and release that move nothing change no value: the action on
// change never runs, the release's action does.
TEST_F(Gui3dEndToEnd, AClickThatMovesNothingActsOnlyOnTheRelease) {
  ASSERT_NO_FATAL_FAILURE(start(ITEM3D_ACTION | ITEM3D_ACTION_ON_CHANGE));
  ASSERT_NO_FATAL_FAILURE(drag({1, 0, 0}));
  std::vector<std::vector<float>> lines = reports_until(*this, released);
  ASSERT_EQ(lines.size(), 1u) << "no report of a change";
  EXPECT_EQ(lines[0], (std::vector<float>{0, 0, 0, 0}));
  expect_normal_end();
}

// The first change switches the manipulators off (109 = 0): no later motion
// reaches them, yet the release still ends the drag and starts the action.
TEST_F(Gui3dEndToEnd, WithManipulatorsOffTheReleaseStillEndsTheDrag) {
  ASSERT_NO_FATAL_FAILURE(
      start(ITEM3D_ACTION | ITEM3D_ACTION_ON_CHANGE, [](yarl::Code& c) { c.push(0).assign(yarl::GLOBAL, 109); }));
  ASSERT_NO_FATAL_FAILURE(drag({1, 60, 0}));
  std::vector<std::vector<float>> lines = reports_until(*this, released);
  ASSERT_EQ(lines.size(), 2u) << "one change, then the release";
  EXPECT_EQ(lines[0][3], 1);
  EXPECT_EQ(lines[1][3], 0);
  EXPECT_GT(lines[0][0], 0);
  EXPECT_GE(lines[1][0], lines[0][0]) << "the release takes its own position";
  expect_normal_end();
}

// The first change of a drag sets the local that the item's delete attribute
// reads; the next update pass destroys the manipulator under the held
// button. The rest of the drag and its release find none; a click on a
// second point then ends the server, which must end clean.
TEST_F(Gui3dEndToEnd, DeletingTheItemMidDragIsClean) {
  constexpr uint16_t GONE = 6;  // the local after both points' x, y, z
  ManipulatorScene program;
  // The delete attribute takes the REAL's bits: 0.0 is false, 1.0 true.
  ManipulatorItem doomed;
  doomed.start = {0, 0, 0};
  doomed.flags = ITEM3D_ACTION | ITEM3D_ACTION_ON_CHANGE | ITEM3D_DELETE;
  doomed.attributes = [](yarl::Code& c) { c.push_var(yarl::WINDOW_LOCAL, GONE); };
  doomed.on_change = [](yarl::Code& c) { c.push_long(bits(1)).assign(yarl::WINDOW_LOCAL, GONE); };
  program.items.push_back(doomed);
  ManipulatorItem other;
  other.start = {-300, 0, 0};
  program.items.push_back(other);
  program.extra = {0};
  ASSERT_NO_FATAL_FAILURE(Session::start(program, [&](const Screenshot& s) {
    return cross_at(*this, 0, 0, 0)(s) && cross_at(*this, -300, 0, 0)(s);
  }));
  ASSERT_NO_FATAL_FAILURE(Session::drag(start_view_pixel(area, 0, 0, 0), {1, 60, 0}));
  ASSERT_TRUE(poll_screen(run.display(), 30s, [&](const Screenshot& s) { return !cross_at(*this, 0, 0, 0)(s); }))
      << "the first point is gone";
  // Changes until the update pass came, none at the release.
  std::vector<std::vector<float>> changes = reports();
  ASSERT_GE(changes.size(), 1u);
  for (const std::vector<float>& l : changes) EXPECT_EQ(l.back(), 1);
  ASSERT_NO_FATAL_FAILURE(Session::drag(start_view_pixel(area, -300, 0, 0), {1, 0, 0}));
  std::vector<std::vector<float>> lines = reports_until(*this, released);
  ASSERT_EQ(lines.size(), changes.size() + 1);
  EXPECT_EQ(lines.back(), (std::vector<float>{-300, 0, 0, 0})) << "the second point's click";
  expect_normal_end();
}

}  // namespace
