// The repaint of the graphics window: segments sent through the command parser
// drawn into every enabled view, read back from the back buffer.
#include "view/repaint.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include "link/si.h"
#include "runtime/predefined.h"
#include "tests/scene/scene_stream.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

using namespace scene_stream;

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
const Rgb RED = {255, 0, 0};
const Rgb BLUE = {0, 0, 255};

// Tek-area corners (x1, y1, x2, y2) of the view that RC made current.
std::string viewport(long x1, long y1, long x2, long y2) {
  return tek::set_coor_mode(1, 6) + cmd("RV") + ints({x1, y1, x2, y2});
}

// A red triangle in the plane y = 0 around the origin (points in thousandths),
// facing the start-up camera, on a blue background.
std::string red_triangle_on_blue() {
  std::vector<Triple> points = {{-1000000, 0, -1000000}, {1000000, 0, -1000000}, {0, 0, 1000000}};
  return cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}) + so(1) +
         uc(points, {{255, 0, 0}}, {0, 0, 0}, ONE_STRIP) + sc();
}

class Repaint : public SceneStream {
 protected:
  void SetUp() override {
    put_predef(111, 1);
    init_views();
    change_vl_system_viewport(0, 1280, 0, 1024);
    SceneStream::SetUp();
  }
  static Rgb pixel(int x, int y) {
    unsigned char p[3];
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
  }
};

bool always_abort() { return true; }

TEST_F(Repaint, SegmentIsDrawnInItsColourOverTheBackgroundOfTheWholeScreen) {
  EXPECT_EQ(run(red_triangle_on_blue()), "");
  put_predef(99, -1);
  EXPECT_FALSE(repaint_screen(true, never_abort_repaint));
  // One tek unit is 0.3125 pixels: the triangle spans pixels 328..952 and 200..824.
  struct Case {
    int x, y;
    Rgb expected;
  } cases[] = {{640, 512, RED}, {400, 230, RED}, {900, 230, RED}, {640, 790, RED}, {5, 5, BLUE},
               {1275, 1019, BLUE}, {640, 860, BLUE}, {300, 230, BLUE}, {640, 180, BLUE}};
  for (const Case& c : cases) EXPECT_EQ(pixel(c.x, c.y), c.expected) << c.x << ", " << c.y;
  EXPECT_EQ(get_predef(99), 1);
}

TEST_F(Repaint, EveryEnabledViewIsDrawnInItsViewportAndTheCurrentOneLast) {
  // View 2 covers the screen; the current view 1 is a 125-pixel square at (640, 512).
  std::string s = cmd("RC") + i(2) + viewport(0, 0, 4095, 3276);
  s += cmd("RC") + i(1) + viewport(2048, 1638, 2448, 2038);
  EXPECT_EQ(run(s + red_triangle_on_blue()), "");
  ASSERT_TRUE(get_view_record(2)->enabled);
  EXPECT_FALSE(repaint_screen(false, never_abort_repaint));
  EXPECT_EQ(pixel(702, 574), RED) << "the triangle in view 1";
  EXPECT_EQ(pixel(645, 517), BLUE) << "view 1 clears over the triangle of view 2";
  EXPECT_EQ(pixel(620, 540), RED) << "view 2 beside view 1";
  EXPECT_EQ(pixel(5, 5), BLUE);
  EXPECT_EQ(get_predef(99), 1) << "the triangles of the current view";
  EXPECT_EQ(get_view_number(), 1);
}

TEST_F(Repaint, AbortStopsTheRepaintWithoutPublishingTheTriangles) {
  EXPECT_EQ(run(red_triangle_on_blue()), "");
  put_predef(99, -1);
  EXPECT_TRUE(repaint_screen(false, always_abort));
  EXPECT_EQ(get_predef(99), -1);
  EXPECT_FALSE(repaint_screen(false, never_abort_repaint));
  EXPECT_EQ(get_predef(99), 1);
}

}  // namespace
