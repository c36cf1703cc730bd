// One drag per manipulator kind with the real pointer on an X server of the
// test's own: xdotool presses on the pixel where the access point projects,
// moves and releases; the item's action reports its variables to the
// application. Each expected value is worked out here from the drag's
// geometry and the camera, with the model point under the release pixel.
#include "tests/support/gui3d_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace gui3d_session;
using namespace std::chrono_literals;

// The sizes the symbols take from view 1's window (4095 by 3276 model units).
constexpr double WIDTH = 4095, HEIGHT = 3276;
constexpr double DIRECTION_R = 0.12 * HEIGHT, CLIP_R = 0.1 * HEIGHT, BEAM_R = 0.4 * HEIGHT;
constexpr double WORLD_AXIS_R = 0.06 * HEIGHT, VECTOR_OFFSET = 0.02 * WIDTH;
constexpr double WORK_PLANE_E1 = 0.05 * (WIDTH + HEIGHT);  // times the scale; the second is 0.8 of it

// What the expected values are computed from: the window and the model point
// under the release pixel in the camera's plane through the origin.
struct Gesture {
  Area window;
  V3 release;
};

struct Row {
  const char* name;
  uint8_t kind;
  std::vector<float> start;
  const Camera* camera;
  std::function<V3(const Area&)> access_point;  // its model position
  Drag drag;
  std::function<std::vector<float>(const Gesture&)> expected;
  double tolerance;
  bool exit_on_report = true;
};

void PrintTo(const Row& r, std::ostream* os) { *os << r.name; }

std::function<V3(const Area&)> at(V3 p) {
  return [p](const Area&) { return p; };
}

// The model point under a GL window pixel (from the bottom) of view 1 with
// the start camera, as the server unprojects it, in the plane y = 0.
V3 under_gl_pixel(const Area& w, double x, double y) { return {x * WIDTH / w.width - WIDTH / 2, 0, y * HEIGHT / w.height - HEIGHT / 2}; }

// The world axes' origin: the pixel of tek (300, 400) from the bottom left.
V3 world_axis_origin(const Area& w) {
  return under_gl_pixel(w, std::round(300.0 * w.width / 4095), std::round(400.0 * w.height / 3276));
}

// A button-1 drag of a point's origin along screen x: x follows the pointer,
// which keeps to that axis; the other values stay.
Row along_x(const char* name, uint8_t kind, std::vector<float> start) {
  V3 origin{start[0], start[1], start[2]};
  return {name, kind, start, &START_CAMERA, at(origin), {1, 60, 0},
          [start](const Gesture& g) {
            std::vector<float> e = start;
            e[0] = float(g.release.x);
            return e;
          },
          0.6};
}

// The tip of a direction seen face-on turns on the circle in the screen
// plane: the direction becomes the unit vector toward the pointer.
std::vector<float> toward_pointer(V3 origin, const Gesture& g) {
  V3 d = unit(V3{g.release.x, 0, g.release.z} - V3{origin.x, 0, origin.z});
  return {float(origin.x), float(origin.y), float(origin.z), float(d.x), float(d.y), float(d.z)};
}

// Grid drags move the origin by whole segments of 100, halves up.
float whole_segments(double d) {
  double m = std::fabs(d), n = std::trunc(m / 100);
  if (m - n * 100 >= 50) n += 1;
  return float(std::copysign(n * 100, d));
}

const V3 DIRECTION_AT{-200, 0, -300}, CLICKED_DIRECTION{0.6, 0, 0.8}, CLIP_AT{-100, 0, 200}, CLIP_NORMAL{0.8, 0, -0.6};
// A vector along +x from (-300, 0, 0) of length 600: its left end mark.
const V3 VECTOR_MARK = V3{-300, 0, 0} + V3{1, 0, 0} * (600 - VECTOR_OFFSET) + V3{0, 0, -1} * (0.6 * VECTOR_OFFSET);
// A rectangle in z = 0 from the corner (-300, -200) of 600 by 400.
const std::vector<float> RECTANGLE = {-300, -200, 0, 600, 400, -1, -1};

std::vector<float> vector_length(const Gesture& g) {
  double along = g.release.x + 300;  // from the origin along the direction
  return {-300, 0, 0, 1, 0, 0, float(along > 0 ? std::max(along + VECTOR_OFFSET, 0.001) : 0.001)};
}

// The work plane seen face-on (x right, y up, z toward the eye): the corner
// handle's hit projected on the diagonal scales the symbol, at least 0.5.
std::vector<float> work_plane_scale(const Gesture& g) {
  double scale = (g.release.x + 0.8 * g.release.z) / (WORK_PLANE_E1 * 1.64);
  return {0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, 0, float(std::max(scale, 0.5))};
}

const std::vector<Row> ROWS = {
    along_x("Ruler2dOrigin", ITEM_RULER2D, {100, 0, 50}),
    along_x("Ruler3dOrigin", ITEM_RULER3D, {-150, 0, 80}),
    along_x("PointLightOrigin", ITEM_POINT_LIGHT, {200, 0, -100}),
    along_x("SpotLightOrigin", ITEM_SPOT_LIGHT, {-100, 0, -150, 0, 0, -1, 30, 1}),
    along_x("ClipPlaneOrigin", ITEM_CLIP_PLANE, {150, 0, 100, 0, 0, 1}),
    {"DirectionEndTurnsTowardThePointer", ITEM_DIRECTION, {-200, 0, -300, 0, 0, 1}, &START_CAMERA,
     at(DIRECTION_AT + V3{0, 0, DIRECTION_R}), {1, 100, 0},
     [](const Gesture& g) { return toward_pointer(DIRECTION_AT, g); }, 0.002},
    {"DirectionMiddleClickNegates", ITEM_DIRECTION, {100, 0, -200, 0.6f, 0, 0.8f}, &START_CAMERA,
     at(V3{100, 0, -200} + CLICKED_DIRECTION * (DIRECTION_R / 2)), {1, 0, 0},
     [](const Gesture&) { return std::vector<float>{100, 0, -200, -0.6f, 0, -0.8f}; }, 1e-5},
    {"ClipPlaneNormalClickNegates", ITEM_CLIP_PLANE, {-100, 0, 200, 0.8f, 0, -0.6f}, &START_CAMERA,
     at(CLIP_AT + CLIP_NORMAL * (CLIP_R / 2)), {1, 0, 0},
     [](const Gesture&) { return std::vector<float>{-100, 0, 200, -0.8f, 0, 0.6f}; }, 1e-5},
    {"VectorEndMarkShortens", ITEM_VECTOR, {-300, 0, 0, 1, 0, 0, 600}, &START_CAMERA, at(VECTOR_MARK), {1, -100, 0},
     vector_length, 0.6},
    {"VectorEndMarkPastTheOriginStops", ITEM_VECTOR, {-300, 0, 0, 1, 0, 0, 600}, &START_CAMERA, at(VECTOR_MARK),
     {1, -250, 0}, vector_length, 1e-6},
    {"BeamLightButtonTwoOnTheSphere", ITEM_BEAM_LIGHT, {0, 0, -1}, &START_CAMERA, at(V3{0, 0, BEAM_R}), {2, 100, 40},
     [](const Gesture& g) {
       // The near half of the sphere about the view's reference point, the light shining the other way.
       double x = g.release.x, z = g.release.z;
       V3 on = {x, -std::sqrt(BEAM_R * BEAM_R - x * x - z * z), z};
       V3 v = unit(on) * -1;
       return std::vector<float>{float(v.x), float(v.y), float(v.z)};
     },
     0.002},
    {"WorldAxisZEndTurnsAndComesBack", ITEM_WORLD_AXIS, {1, 0, 0, 0, 1, 0, 0, 0, 1}, &START_CAMERA,
     [](const Area& w) { return world_axis_origin(w) + V3{0, 0, WORLD_AXIS_R}; }, {1, 80, 0},
     [](const Gesture& g) {
       V3 o = world_axis_origin(g.window);
       V3 z = unit(V3{g.release.x - o.x, 0, g.release.z - o.z});
       // x = y × z with y the world's.
       return std::vector<float>{float(z.z), 0, float(-z.x), 0, 1, 0, float(z.x), 0, float(z.z)};
     },
     0.002, false},
    {"GridOriginBySegments", ITEM_GRID, {0, 0, 0, 100, 5}, &START_CAMERA, at(V3{0, 0, 0}), {1, 47, 0},
     [](const Gesture& g) { return std::vector<float>{whole_segments(g.release.x), 0, 0, 100, 5}; }, 1e-3},
    {"GridOriginBySegmentsLeft", ITEM_GRID, {0, 0, 0, 100, 5}, &START_CAMERA, at(V3{0, 0, 0}), {1, -80, 0},
     [](const Gesture& g) { return std::vector<float>{whole_segments(g.release.x), 0, 0, 100, 5}; }, 1e-3},
    {"WorkPlaneCornerGrows", ITEM_WORK_PLANE, {0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, 0, 1}, &START_CAMERA,
     at(V3{WORK_PLANE_E1, 0, 0.8 * WORK_PLANE_E1}), {1, 60, -30}, work_plane_scale, 2e-3},
    {"WorkPlaneCornerShrinksToHalf", ITEM_WORK_PLANE, {0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, 0, 1}, &START_CAMERA,
     at(V3{WORK_PLANE_E1, 0, 0.8 * WORK_PLANE_E1}), {1, -100, 60}, work_plane_scale, 1e-6},
    {"RectangleCornerButtonOne", ITEM_RECTANGLE, RECTANGLE, &FROM_PLUS_Z, at(V3{300, 200, 0}), {1, 50, -40},
     [](const Gesture& g) {
       return std::vector<float>{-300, -200, 0, float(g.release.x + 300), float(g.release.y + 200), -1, -1};
     },
     0.6},
    {"RectangleCornerButtonTwoKeepsTheRatio", ITEM_RECTANGLE, RECTANGLE, &FROM_PLUS_Z, at(V3{300, 200, 0}),
     {2, 60, -20},
     [](const Gesture& g) {
       double t = ((g.release.x + 300) * 600 + (g.release.y + 200) * 400) / (600.0 * 600 + 400 * 400);
       return std::vector<float>{-300, -200, 0, float(600 * t), float(400 * t), -1, -1};
     },
     0.6},
    {"RectangleCornerPastTheOppositeKeepsTheLengths", ITEM_RECTANGLE, RECTANGLE, &FROM_PLUS_Z, at(V3{300, 200, 0}),
     {1, -220, 160, 1}, [](const Gesture&) { return RECTANGLE; }, 1e-6},
};

// Some pixel differs from the window's top left corner, which shows the background.
bool drawn_near(const Screenshot& s, const Area& w, Pixel p, int radius) {
  Rgb background = s.at(w.x + 2, w.y + 2);
  return find_pixels(s, w, p, radius, [&](const Rgb& c) { return !(c == background); }).has_value();
}

class Gui3dKindDrag : public testing::TestWithParam<Row>, protected Session {};

TEST_P(Gui3dKindDrag, ReportsTheComputedValues) {
  const Row& row = GetParam();
  ManipulatorItem item;
  item.kind = row.kind;
  item.start = row.start;
  item.exit_on_report = row.exit_on_report;
  if (row.camera == &FROM_PLUS_Z) item.stream = view_from_plus_z();
  Pixel press{};
  ASSERT_NO_FATAL_FAILURE(start(item, [&](const Screenshot& s) {
    V3 p = row.access_point(area);
    press = view_pixel(area, *row.camera, p.x, p.y, p.z);
    return drawn_near(s, area, press, 6);
  }));
  ASSERT_NO_FATAL_FAILURE(drag(press, row.drag));
  std::optional<std::vector<float>> r = report(row.start.size());
  ASSERT_TRUE(r.has_value()) << "a report on the release";
  Gesture g{area, {}};
  double m[3];
  model_under(area, *row.camera, int(std::lround(press.x)) + row.drag.dx, int(std::lround(press.y)) + row.drag.dy, m);
  g.release = {m[0], m[1], m[2]};
  std::vector<float> want = row.expected(g);
  for (size_t k = 0; k < want.size(); ++k) EXPECT_NEAR((*r)[k], want[k], row.tolerance) << "value " << k;
  if (row.exit_on_report) {
    expect_normal_end();
    return;
  }
  // The symbol is back on the world axes: the z axis's tip where it was, and
  // a second drag from there reports the same turn.
  Display* d = run.display();
  EXPECT_TRUE(poll_screen(d, 10s, [&](const Screenshot& s) { return drawn_near(s, area, press, 3); }));
  ASSERT_NO_FATAL_FAILURE(drag(press, row.drag));
  std::optional<std::vector<float>> again = report(row.start.size(), 1);
  ASSERT_TRUE(again.has_value()) << "a second report";
  for (size_t k = 0; k < want.size(); ++k) EXPECT_NEAR((*again)[k], want[k], row.tolerance) << "again, value " << k;
  const RunResult& result = run.finish();
  EXPECT_EQ(result.err.find("rror"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(Kinds, Gui3dKindDrag, testing::ValuesIn(ROWS),
                         [](const testing::TestParamInfo<Row>& i) { return std::string(i.param.name); });

}  // namespace
