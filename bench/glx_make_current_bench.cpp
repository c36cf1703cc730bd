// Windows build: one GL context made current on two windows in turn through
// glXMakeCurrent against wglMakeCurrent with the same rendering context and
// the windows' own device contexts.
#include <windows.h>

#include <GL/gl.h>

#include <chrono>
#include <cstdio>

#include "bench/paired.h"
#include "tests/platform/win/gl_test_window.h"

#include <GL/glx.h>

namespace {

constexpr int SWITCHES = 2000;

}  // namespace

int main() {
  Display* display = XOpenDisplay(nullptr);
  int attributes[] = {GLX_USE_GL, GLX_RGBA, GLX_RED_SIZE, 3, GLX_GREEN_SIZE, 3, GLX_BLUE_SIZE, 2, GLX_DOUBLEBUFFER,
                      GLX_DEPTH_SIZE, 16, None};
  XVisualInfo* visual = display != nullptr ? glXChooseVisual(display, 0, attributes) : nullptr;
  GLXContext context = visual != nullptr ? glXCreateContext(display, visual, nullptr, True) : nullptr;
  GlTestWindow a(1000, 600, 64, 64), b(1100, 600, 64, 64);
  if (context == nullptr || !glXMakeCurrent(display, a.id(), context) || !glXMakeCurrent(display, b.id(), context)) {
    fprintf(stderr, "glx_make_current_bench: no GL context on the two windows\n");
    return 1;
  }
  HGLRC rendering = wglGetCurrentContext();
  HDC dc_a = a.dc(), dc_b = b.dc();
  paired::Result r = paired::measure(
      9,
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < SWITCHES; ++i)
          if (!glXMakeCurrent(display, i % 2 ? b.id() : a.id(), context)) return -1.0;
        return paired::seconds_since(t0);
      },
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < SWITCHES; ++i)
          if (!wglMakeCurrent(i % 2 ? dc_b : dc_a, rendering)) return -1.0;
        return paired::seconds_since(t0);
      });
  paired::report("glXMakeCurrent between two windows", r, "wglMakeCurrent", 1.5);
  glXMakeCurrent(display, None, nullptr);
  glXDestroyContext(display, context);
  XFree(visual);
  return 0;
}
