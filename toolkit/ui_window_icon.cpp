#include "toolkit/ui_window_icon.h"

#include <X11/Xutil.h>

#include <cmath>

namespace {

// A logo is a grid of characters: a blank leaves the pixel white, any other
// character c selects colour c - 96 of the logo's 27 colours.
struct Logo {
  int width;
  int height;
};
const Logo logos[3] = {{85, 41}, {48, 24}, {32, 30}};

// 27 shades from deep blue to light cyan.
void logo_colour(int entry, unsigned char rgb[3]) {
  rgb[0] = static_cast<unsigned char>(entry * 6);
  rgb[1] = static_cast<unsigned char>(40 + entry * 8);
  rgb[2] = static_cast<unsigned char>(120 + entry * 5);
}

// An elliptic ring shaded from left to right.
char logo_pixel(const Logo& logo, int col, int row) {
  double dx = (col + 0.5 - logo.width / 2.0) / (logo.width / 2.0);
  double dy = (row + 0.5 - logo.height / 2.0) / (logo.height / 2.0);
  double r = std::sqrt(dx * dx + dy * dy);
  if (r > 0.95 || r < 0.55) return ' ';
  return static_cast<char>(96 + (col * 26) / (logo.width - 1));
}

}  // namespace

Pixmap make_window_icon(Display* display) {
  int screen = DefaultScreen(display);
  Window root = RootWindow(display, screen);
  int icon_width = 32;
  int icon_height = 32;
  XIconSize* sizes = nullptr;
  int count = 0;
  if (XGetIconSizes(display, root, &sizes, &count) && count > 0) {
    icon_width = sizes[0].max_width;
    icon_height = sizes[0].max_height;
  }
  if (sizes != nullptr) XFree(sizes);
  const Logo& logo = icon_width > 84 && icon_height > 40   ? logos[0]
                     : icon_width > 47 && icon_height > 23 ? logos[1]
                                                           : logos[2];
  Colormap colormap = DefaultColormap(display, screen);
  unsigned long pixels[27];
  for (int i = 0; i < 27; ++i) {
    unsigned char rgb[3];
    logo_colour(i, rgb);
    XColor colour = {};
    colour.red = static_cast<unsigned short>(rgb[0] * 257);
    colour.green = static_cast<unsigned short>(rgb[1] * 257);
    colour.blue = static_cast<unsigned short>(rgb[2] * 257);
    pixels[i] = XAllocColor(display, colormap, &colour) ? colour.pixel : BlackPixel(display, screen);
  }
  Pixmap pixmap = XCreatePixmap(display, root, unsigned(icon_width), unsigned(icon_height),
                                unsigned(DefaultDepth(display, screen)));
  GC gc = XCreateGC(display, pixmap, 0, nullptr);
  XGCValues values;
  values.foreground = WhitePixel(display, screen);
  XChangeGC(display, gc, GCForeground, &values);
  XFillRectangle(display, pixmap, gc, 0, 0, unsigned(icon_width), unsigned(icon_height));
  int left = (icon_width - logo.width) / 2;
  int top = (icon_height - logo.height) / 2;
  for (int row = 0; row < logo.height; ++row) {
    for (int col = 0; col < logo.width; ++col) {
      char c = logo_pixel(logo, col, row);
      if (c == ' ') continue;
      values.foreground = pixels[c - 96];
      XChangeGC(display, gc, GCForeground, &values);
      XDrawPoint(display, pixmap, gc, left + col, top + row);
    }
  }
  XFreeGC(display, gc);
  return pixmap;
}
