// The realtime effects drawn through the repaint: a scene sent through the
// command parser, the current view set up, image files for the environment's
// sides made by `convert` in a directory of the test's own, and pixels read
// from the back buffer before the swap.
#pragma once

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <string>
#include <vector>

#include "runtime/predefined.h"
#include "scene/display_options.h"
#include "scene/environment.h"
#include "scene/lights.h"
#include "scene/materials.h"
#include "tests/scene/host_tools.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/runner.h"
#include "view/graphics_window.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/view_navigation.h"
#include "view/views.h"

namespace effects {

using namespace scene_stream;

struct Rgb {
  int r, g, b;
  int sum() const { return r + g + b; }
};

// The stream gives model points in thousandths.
inline long at(float v) { return long(std::lround(v * 1000)); }

// Palette entry 0 (the background) blue.
inline std::string blue_background() { return cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}); }

// A horizontal coloured square of half-size h at height z, centred on (x, y).
inline std::string plate(long n, float x, float y, float z, float h, const Triple& rgb) {
  std::vector<Triple> points = {{at(x - h), at(y - h), at(z)}, {at(x + h), at(y - h), at(z)},
                                {at(x - h), at(y + h), at(z)}, {at(x + h), at(y + h), at(z)}};
  return so(n) + uc(points, {rgb}, {0, 0, 0, 0}, {1, 4, 0, 1, 2, 3}) + sc();
}

// A horizontal lit square facing up (clockwise seen from above), of material m.
inline std::string lit_plate(long n, long m, float x, float y, float z, float h) {
  std::vector<Triple> points = {{at(x - h), at(y - h), at(z)}, {at(x - h), at(y + h), at(z)},
                                {at(x + h), at(y - h), at(z)}, {at(x + h), at(y + h), at(z)}};
  std::vector<Triple> normals(4, Triple{0, 0, 1000});
  return so(n) + cmd("TO") + i(m) + ut(points, normals, {}, {1, 4, 0, 1, 2, 3}) + sc();
}

// A vertical coloured square facing -y at depth y, centred on (x, z).
inline std::string wall(long n, float x, float y, float z, float h, const Triple& rgb) {
  std::vector<Triple> points = {{at(x - h), at(y), at(z - h)}, {at(x + h), at(y), at(z - h)},
                                {at(x - h), at(y), at(z + h)}, {at(x + h), at(y), at(z + h)}};
  return so(n) + uc(points, {rgb}, {0, 0, 0, 0}, {1, 4, 0, 1, 2, 3}) + sc();
}

struct Box {
  bool visible = true;
  bool surfaces[6] = {true, true, true, true, true, true};
  float position[3] = {0, 0, 0};
  float size[3] = {1000, 1000, 1000};
  float reflection[6] = {0, 0, 0, 0, 0, 0};
  bool lit[6] = {false, false, false, false, false, false};
  bool shadows[6] = {false, false, false, false, false, false};
  float repeat[12] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  const char* files[6] = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  bool cull = false;
  bool set() const {
    return set_environment(visible, surfaces, position, size, reflection, lit, shadows, repeat, files, cull);
  }
};

class Effects : public ViewedSceneStream {
 protected:
  void SetUp() override {
    ViewedSceneStream::SetUp();
    directory = files.path();
    set_texture_path(directory.c_str());
  }
  void TearDown() override {
    set_texture_path("");
    make_graphics_context_active();
    init_views();  // a fresh box, lights and materials for the next test
    cleanup_material_list();
    init_material_list();
    char* waiting = get_texture_not_found();
    if (waiting != nullptr) CheckedFree(waiting);
    ViewedSceneStream::TearDown();
  }
  // An image file of w × h pixels made by `convert` from its arguments.
  std::string image(const std::string& name, const std::string& arguments) {
    std::string path = directory + "/" + name;
    std::string command =
        "convert " + arguments + " -depth 8 -compress none '" + host_tools::tool_path(path) + "' 2>/dev/null";
    EXPECT_EQ(host_tools::run(command), 0) << command;
    return name;
  }
  std::string solid(const std::string& name, const char* colour) {
    return image(name, std::string("-size 8x8 xc:'") + colour + "'");
  }
  static Rgb pixel(int x, int y) {
    unsigned char p[3];
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
  }
  static bool repaint(bool (*abort)() = never_abort_repaint) { return repaint_screen(false, abort); }
  // Window pixel of a model point in the view last drawn.
  static void project(float x, float y, float z, int* px, int* py) {
    const double* m = get_viewing_matrix();
    const float p[3] = {x, y, z};
    double c[4];
    for (int r = 0; r < 4; ++r) c[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
    float v[4];
    get_viewport(v);
    *px = int(v[0] + (c[0] / c[3] + 1) / 2 * v[2]);
    *py = int(v[1] + (c[1] / c[3] + 1) / 2 * v[3]);
  }
  static Rgb pixel_at(float x, float y, float z) {
    int px, py;
    project(x, y, z, &px, &py);
    return pixel(px, py);
  }
  // A white light at a place (w = 1) or a beam (w = 0), casting shadows.
  static void light(int name, const float xyzw[4], bool shadows = true) {
    const float white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1};
    set_light_ambient_color(name, black);
    set_light_diffuse_color(name, white);
    set_light_specular_color(name, white);
    set_light_position(name, xyzw);
    set_light_emitting(name, true);
    set_light_cast_shadows(name, shadows);
    set_light_on(name, true);
  }
  static void lights_off() {
    for (int i = 0; i < get_number_of_lights(); ++i) set_light_on(GL_LIGHT0 + i, false);
  }

  TempDir files;  // the image files' directory, removed with them after the test
  std::string directory;
};

}  // namespace effects
