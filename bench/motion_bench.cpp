// Windows build: 10,000 mouse-move messages of a window taken as X motion
// events (XPending, XNextEvent: translation, selection, queueing) against a
// raw PeekMessage loop that translates and dispatches the same messages.
// Messages are posted 1000 at a time, below the system's queue limit.
#include <windows.h>

#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>

#include "bench/paired.h"
#include "platform/win/layer.h"

namespace {

constexpr int MOVES = 10000;
constexpr int BATCH = 1000;

Display* display;
Window window;

// Posts one batch at fresh positions, so that no move repeats the last.
void post_batch(int first) {
  for (int i = 0; i < BATCH; ++i) {
    const int n = first + i;
    PostMessageA(Lx_Hwnd(window), WM_MOUSEMOVE, 0, MAKELPARAM(n % 200, (n / 200) % 100));
  }
}

double through_events() {
  int taken = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (int first = 0; first < MOVES; first += BATCH) {
    post_batch(first);
    while (XPending(display) > 0) {
      XEvent e;
      XNextEvent(display, &e);
      taken += e.type == MotionNotify;
    }
  }
  const double t = paired::seconds_since(t0);
  return taken == MOVES ? t : -1;
}

double raw_loop() {
  int taken = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (int first = 0; first < MOVES; first += BATCH) {
    post_batch(first);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageA(&m);
      taken += m.message == WM_MOUSEMOVE;
    }
  }
  const double t = paired::seconds_since(t0);
  return taken == MOVES ? t : -1;
}

}  // namespace

int main() {
  display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  window = XCreateSimpleWindow(display, None, 0, 0, 300, 200, 0, 0, 0);
  XSelectInput(display, window, PointerMotionMask);
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
  const paired::Result r = paired::measure(7, through_events, raw_loop);
  paired::report("10,000 motion events (XNextEvent)", r, "raw PeekMessage loop", 3.0);
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  return 0;
}
