// The toolkit's window icon drawn point by point into a pixmap through the
// Windows layer's X calls, against a raw SetPixel loop of the same points on
// one memory context. Run under wine.
#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/paired.h"
#include "toolkit/ui_window_icon.h"

namespace {

constexpr int kIcons = 200;  // per measurement
constexpr int kSize = 32;

struct Point {
  int x, y;
  COLORREF colour;
};

// The icon's points other than its white ground, as the layer drew them.
std::vector<Point> points_of(Display* display, Pixmap icon) {
  std::vector<Point> points;
  XImage* image = XGetImage(display, icon, 0, 0, kSize, kSize, AllPlanes, ZPixmap);
  if (image == nullptr) return points;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const unsigned long p = XGetPixel(image, x, y) & 0xFFFFFF;  // 0x00RRGGBB
      if (p != 0xFFFFFF) points.push_back({x, y, RGB(p >> 16, p >> 8 & 0xFF, p & 0xFF)});
    }
  XDestroyImage(image);
  return points;
}

}  // namespace

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return 1;
  Pixmap first = make_window_icon(display);
  const std::vector<Point> points = points_of(display, first);
  XFreePixmap(display, first);

  const auto subject = [&] {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kIcons; ++i) XFreePixmap(display, make_window_icon(display));
    return paired::seconds_since(t0);
  };
  const auto anchor = [&] {
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < kIcons; ++i) {
      HDC screen = GetDC(nullptr);
      HBITMAP bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
      HDC dc = CreateCompatibleDC(screen);
      ReleaseDC(nullptr, screen);
      HGDIOBJ initial = SelectObject(dc, bitmap);
      PatBlt(dc, 0, 0, kSize, kSize, WHITENESS);
      for (const Point& p : points) SetPixel(dc, p.x, p.y, p.colour);
      SelectObject(dc, initial);
      DeleteDC(dc);
      DeleteObject(bitmap);
    }
    return paired::seconds_since(t0);
  };
  printf("icon of %zu points, %d icons per run\n", points.size(), kIcons);
  paired::report("icon drawn point by point", paired::measure(7, subject, anchor), "raw SetPixel loop", 2.0);
  XCloseDisplay(display);
  return 0;
}
