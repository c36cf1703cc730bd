// GL calls and time of a repeated drawing-state sequence through the GL state
// cache against the same sequence as plain GL calls, the two alternating, and
// the cost per call of the camera computation and the coordinate transforms.
#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/point_vector.h"
#include "bench/paired.h"
#include "gl/gl_context.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What the drawing of one segment sets before its geometry: mostly the state
// the previous segment left.
constexpr int SEQUENCE_CALLS = 8;
void cached_sequence(XGLContext* gl, int i) {
  gl->set_gl_color(1.0f, 0.5f, 0.25f);
  gl->set_line_width(1.0f);
  gl->set_shade_model(GL_SMOOTH);
  gl->set_polygon_mode(GL_FILL);
  gl->enable_lighting(true);
  gl->enable_blending(false);
  gl->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  gl->set_line_width(i % 64 == 0 ? 2.0f : 1.0f);  // a real change now and then
}

void plain_sequence(int i) {
  glColor3f(1.0f, 0.5f, 0.25f);
  glLineWidth(1.0f);
  glShadeModel(GL_SMOOTH);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glLineWidth(i % 64 == 0 ? 2.0f : 1.0f);
}

}  // namespace

int main(int argc, char** argv) {
  int n = argc > 1 ? atoi(argv[1]) : 1000000;
  std::vector<uint8_t> bytes = yarl::YarlProgram::standard().bytes();
  decode_tables(bytes.data(), bytes.size());
  put_predef(111, 1);
  preset_window();
  XGLContext* gl = XGLContext::current_context;

  int pairs = argc > 2 ? atoi(argv[2]) : 5;
  auto cached = [&] {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) cached_sequence(gl, i);
    glFinish();
    return seconds_since(start);
  };
  auto plain = [&] {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) plain_sequence(i);
    glFinish();
    return seconds_since(start);
  };
  uint64_t calls_before = XGLContext::gl_calls();
  paired::Result r = paired::measure(pairs, cached, plain);
  uint64_t cached_calls = (XGLContext::gl_calls() - calls_before) / uint64_t(pairs > 0 ? pairs : 1);

  printf("%d state sequences of %d setters, %d pairs\n", n, SEQUENCE_CALLS, pairs);
  printf("GL calls: cached %llu, plain %llu (%.2f%% issued)\n", static_cast<unsigned long long>(cached_calls),
         static_cast<unsigned long long>(uint64_t(n) * SEQUENCE_CALLS),
         100.0 * double(cached_calls) / (double(n) * SEQUENCE_CALLS));
  paired::report("state sequences through the cache", r, "plain GL calls");

  std::chrono::steady_clock::time_point start;
  int m = n;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < m; ++i) compute_view_camera(1, false, false, nullptr);
  double camera_s = seconds_since(start);
  Point p(100.0f, 200.0f, 300.0f);
  TekPoint t{};
  int visible = 0;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < m; ++i) {
    p = Point(float(i % 1000), 200.0f, 300.0f);
    visible += model_to_tek(p, t);
  }
  double to_tek_s = seconds_since(start);
  Point origin;
  Vector direction;
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < m; ++i) {
    TekPoint q{uint16_t(i % 4096), uint16_t(i % 3277)};
    visible += define_pick_ray(q, &origin, &direction);
  }
  double ray_s = seconds_since(start);
  printf("compute_view_camera: %.1f ns a call\n", camera_s * 1e9 / m);
  printf("model_to_tek: %.1f ns a call; define_pick_ray: %.1f ns a call (%d)\n", to_tek_s * 1e9 / m,
         ray_s * 1e9 / m, visible > 0);
  return 0;
}
