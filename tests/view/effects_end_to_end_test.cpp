// The realtime effects end to end: the real server, on an X server of the
// test's own, runs a YARL program that sets a shadow-casting light, turns the
// environment box on with a floor that receives shadows and updates the
// shadow maps; an application draws a cube standing on that floor, and the
// screen shows the cube's shadow on the floor.
#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cmath>

#include "tests/scene/scene_stream.h"
#include "tests/support/feed_app.h"
#include "tests/support/own_x_server.h"

namespace {

using namespace scene_stream;
using namespace std::chrono_literals;

constexpr uint8_t SET_LIGHT = 103, SET_ENVIRONMENT = 168, SET_DISPLAY_OPTION = 192;
constexpr int32_t LIGHT0 = 0x4000;
constexpr uint16_t UPDATE_SHADOW_MAPS = 8;

yarl::Code& reals(yarl::Code& c, std::initializer_list<float> values) {
  for (float f : values) c.push_long(std::bit_cast<uint32_t>(f));
  return c;
}

// Light 0: white, on, at (3, 0, 4) above the floor's right half, casting hard
// shadows; the cube's shadow falls on the floor left of it, from x = -5/3 to -1/2.
void light(yarl::Code& c) {
  c.push(LIGHT0).push(1).op(SET_LIGHT).u16(uint16_t(-1));
  reals(c.push(LIGHT0), {1, 1, 1, 1}).op(SET_LIGHT).u16(4609);
  reals(c.push(LIGHT0), {3, 0, 4, 1}).op(SET_LIGHT).u16(4611);
  c.push(LIGHT0).push(1).op(SET_LIGHT).u16(uint16_t(-2));
  c.push(LIGHT0).push(0).op(SET_LIGHT).u16(uint16_t(-3));
}

// The box, 6 units wide, its floor (the only side shown) at z = 0 receiving
// shadows and unlit; no images, no culling.
void box(yarl::Code& c) {
  c.push(1);
  for (int side = 0; side < 6; ++side) c.push(side == 0);
  c.push(6);
  reals(c, {0, 0, 0}).push(3);
  reals(c, {6, 6, 6}).push(3);
  reals(c, {0, 0, 0, 0, 0, 0}).push(6);
  for (int side = 0; side < 6; ++side) c.push(side == 0);  // get_shadow
  c.push(6);
  for (int side = 0; side < 6; ++side) c.push(0);  // get_light
  c.push(6);
  for (int k = 0; k < 12; ++k) reals(c, {1});
  c.push(12);
  for (int side = 0; side < 6; ++side) c.push_string("");
  c.push(6);
  c.push(0);  // no culling
  c.op(SET_ENVIRONMENT);
}

void light_box_and_shadows(yarl::Code& c) {
  light(c);
  box(c);
  c.push(1).op(SET_DISPLAY_OPTION).u16(UPDATE_SHADOW_MAPS);
}

// View 1, the bottom left 640 × 640 pixels of the screen, a parallel camera
// looking down from +z at the origin with +y up, 8 units across: 80 pixels a
// unit, the origin at pixel (320, row 704).
std::string view() {
  std::string s = cmd("RC") + i(1) + tek::set_coor_mode(1, 6) + cmd("RV") + ints({0, 0, 2047, 2047});
  s += tek::set_coor_mode(2, 6) + cmd("UV") + i(3) + ints({0, 0, 0, 0, 0, -1, 0, 1, 1});
  s += i(2) + ints({8000, 8000}) + tek::point(2, {0, 0, -1000}) + i(1) + i(0);
  return s;
}
void place(double x, double y, int* px, int* row) {
  *px = int(std::lround(320 + 80 * x));
  *row = int(std::lround(704 - 80 * y));
}

// Material 1: a green diffuse colour.
std::string material() {
  std::string s = cmd("CM") + i(1) + ints({0, 0, 0, 0, 0, 1, 0}) + ints({1, 2, 1});
  s += r(0) + r(0) + r(0) + r(1) + r(0.1f) + r(0.8f) + r(0.1f) + r(1) + r(10);
  s += r(0) + r(0) + r(0) + r(1) + r(0) + r(0) + r(0) + r(1);  // specular, emission
  s += r(0) + r(0) + r(0) + r(0) + r(1);
  for (int k = 0; k < 4; ++k) s += tek::string_param("");
  return s;
}

// Segment 1: the unit cube standing on the floor at the origin in material
// 1, one strip a face with its outward normal, u × v = n.
std::string cube() {
  struct Face {
    Triple n, u, v;
  };
  const Face faces[6] = {{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
                         {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                         {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};
  std::vector<Triple> points, normals;
  std::vector<long> strips = {6};
  for (const Face& f : faces) {
    strips.push_back(4);
    for (int su : {-1, 1})
      for (int sv : {-1, 1}) {
        Triple p;
        for (int k = 0; k < 3; ++k) p[k] = 500 * (f.n[k] + su * f.u[k] + sv * f.v[k]) + (k == 2 ? 500 : 0);
        strips.push_back(long(points.size()));
        points.push_back(p);
        normals.push_back({1000 * f.n[0], 1000 * f.n[1], 1000 * f.n[2]});
      }
  }
  return so(1) + cmd("TO") + i(1) + ut(points, normals, {}, strips) + sc();
}

// At a floor point, with the graphics window's client area at (x0, row0) of the screen.
int brightness(const Screenshot& s, int x0, int row0, double x, double y) {
  int px, row;
  place(x, y, &px, &row);
  Rgb c = s.at(x0 + px, row0 + row);
  return c.r + c.g + c.b;
}

TEST(EffectsEndToEnd, TheCubesShadowDarkensTheEnvironmentsFloor) {
  TempDir dir;  // outlives the server
  ServerOnOwnDisplay run;
  ASSERT_TRUE(run.x_started()) << "Xvfb did not start";
  write_file(dir.file("scene.bin"), cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}) + view() +
                                        material() + cube() + cmd("SU"));
  yarl::YarlProgram p = program_starting(feed_command({dir.file("scene.bin")}));
  light_box_and_shadows(p.initial_code());
  ASSERT_TRUE(p.write(dir.file("app.b")));
  ASSERT_TRUE(run.start(dir.file("app.b"), dir));

  // In the shadow, left of the cube; far from it on both sides; the floor
  // is white where lit, and the blue background lies outside it.
  std::string last = "no screenshot";
  bool shown = poll_screen(run.display(), 20s, [&](const Screenshot& s) {
    int x0, row0;
    if (!run.graphics_origin(&x0, &row0)) {
      last = "no graphics window";
      return false;
    }
    auto at = [&](double x, double y) { return brightness(s, x0, row0, x, y); };
    int shadow = at(-1.1, 0), far_left = at(-2.5, 0), far_right = at(2, 1.5), top = at(0, 0), outside = at(3.5, 0);
    last = "shadow " + std::to_string(shadow) + ", far left " + std::to_string(far_left) + ", far right " +
           std::to_string(far_right) + ", cube " + std::to_string(top) + ", outside " + std::to_string(outside);
    return far_left > 600 && far_right > 600 && shadow < far_left / 2 && shadow < far_right / 2 && top > 0;
  });
  EXPECT_TRUE(shown) << last;

  const RunResult& result = run.finish();
  EXPECT_FALSE(result.timed_out) << "the server ends with its display";
  for (const char* fault : {"rror", "not supported"}) EXPECT_EQ(result.err.find(fault), std::string::npos) << result.err;
}

}  // namespace
