#include "tests/support/window_pixels.h"

#include <X11/Xutil.h>

std::vector<uint32_t> window_pixels(Display* display, Window window, int x, int y, unsigned width, unsigned height) {
  std::vector<uint32_t> pixels;
  XImage* image = XGetImage(display, window, x, y, width, height, AllPlanes, ZPixmap);
  if (image == nullptr) return pixels;
  pixels.reserve(size_t(width) * height);
  for (int row = 0; row < image->height; ++row)
    for (int column = 0; column < image->width; ++column)
      pixels.push_back(uint32_t(XGetPixel(image, column, row) & 0xFFFFFF));
  XDestroyImage(image);
  return pixels;
}
