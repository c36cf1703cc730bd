// Saves a rectangle of the screen as an image file for imgcopy:
//   scrsave FILE x0 x1 y0 y1
// x0..x1 are columns, y0..y1 rows counted from the bottom of the screen. The
// file is "QIMG width height\n" followed by the RGB rows, top row first.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/screen_image.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    fprintf(stderr, "usage: %s FILE x0 x1 y0 y1\n", argv[0]);
    return 2;
  }
  int x0 = atoi(argv[2]), x1 = atoi(argv[3]), y0 = atoi(argv[4]), y1 = atoi(argv[5]);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    fputs("scrsave: cannot open the display.\n", stderr);
    return 1;
  }
  int screen_height = DisplayHeight(display, DefaultScreen(display));
  int width = x1 - x0 + 1, height = y1 - y0 + 1, top = screen_height - 1 - y1;
  std::vector<uint8_t> rgb;
  bool read = width > 0 && height > 0 && read_rgb(display, DefaultRootWindow(display), x0, top, width, height, &rgb);
  XCloseDisplay(display);
  FILE* f = read ? fopen(argv[1], "wb") : nullptr;
  if (f == nullptr) {
    fprintf(stderr, "scrsave: cannot save %s.\n", argv[1]);
    return 1;
  }
  fprintf(f, "QIMG %d %d\n", width, height);
  bool written = fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
  if (fclose(f) != 0 || !written) {
    fprintf(stderr, "scrsave: cannot write %s.\n", argv[1]);
    return 1;
  }
  return 0;
}
