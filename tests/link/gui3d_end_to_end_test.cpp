// A POINT manipulator on the real server, dragged with the real pointer on an
// X server of the test's own: xdotool goes to the pixel where the point
// projects in view 1, drags with button 1 or 2, and releases; the action
// reports x, y, z to the application and ends the server, which must end
// normally with the manipulator alive.
#include "tests/support/gui3d_session.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using namespace gui3d_session;

// The point's yellow cross, blended at its edges.
bool yellowish(const Rgb& c) { return c.r == c.g && c.r > 100 && c.b < 60; }

class Gui3dEndToEnd : public testing::Test, protected Session {
 protected:
  int x0 = 0, y0 = 0;  // the point's pixel in the graphics window

  // Starts the server on a POINT at the model origin and waits for its cross.
  void start() {
    ManipulatorItem point;
    point.start = {0, 0, 0};
    Session::start(point, [&](const Screenshot& s) {
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

}  // namespace
