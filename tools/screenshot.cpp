// Saves a screenshot of a top-level window, found by its class name (the
// YARL window's name), as a PNG file; waits up to ten seconds for it.
// With -s the whole screen is saved once the window shows (the dialogs over
// the graphics window); -d SECONDS is the time left for drawing (0.5).
//   screenshot [-s] [-d SECONDS] NAME SHOT.png
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "tools/screen_image.h"

namespace {

// The first viewable window below `parent` whose class hint names `name`.
Window find_window(Display* display, Window parent, const char* name) {
  Window root, up, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i) {
    XClassHint hint{};
    XWindowAttributes attributes;
    if (XGetClassHint(display, children[i], &hint)) {
      bool match = hint.res_name != nullptr && strcmp(hint.res_name, name) == 0;
      XFree(hint.res_name);
      XFree(hint.res_class);
      if (match && XGetWindowAttributes(display, children[i], &attributes) &&
          attributes.map_state == IsViewable)
        found = children[i];
    }
    if (found == 0) found = find_window(display, children[i], name);
  }
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  bool whole_screen = false;
  double settle_seconds = 0.5;  // let the first drawing finish
  int first = 1;
  for (; first < argc && argv[first][0] == '-'; ++first) {
    if (strcmp(argv[first], "-s") == 0) {
      whole_screen = true;
    } else if (strcmp(argv[first], "-d") == 0 && first + 1 < argc) {
      settle_seconds = atof(argv[++first]);
    } else {
      break;
    }
  }
  if (argc - first != 2 || !(settle_seconds >= 0)) {
    fprintf(stderr, "usage: %s [-s] [-d SECONDS] NAME SHOT.png\n", argv[0]);
    return 2;
  }
  const char* name = argv[first];
  const char* shot_path = argv[first + 1];
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    fputs("Cannot open the display.\n", stderr);
    return 1;
  }
  Window window = 0;
  for (int i = 0; i < 100 && window == 0; ++i) {
    window = find_window(display, DefaultRootWindow(display), name);
    struct timespec pause = {0, 100000000};
    if (window == 0) nanosleep(&pause, nullptr);
  }
  XWindowAttributes attributes;
  if (window == 0 || !XGetWindowAttributes(display, window, &attributes)) {
    fprintf(stderr, "No window '%s' is shown.\n", name);
    return 1;
  }
  struct timespec settle = {time_t(settle_seconds), long(std::fmod(settle_seconds, 1.0) * 1e9)};
  nanosleep(&settle, nullptr);
  if (whole_screen) {
    window = DefaultRootWindow(display);
    if (!XGetWindowAttributes(display, window, &attributes)) return 1;
  }
  int width = attributes.width, height = attributes.height;
  std::vector<uint8_t> rgb;
  bool read = read_rgb(display, window, 0, 0, width, height, &rgb);
  XCloseDisplay(display);
  if (!read || !write_png(shot_path, width, height, rgb)) {
    fprintf(stderr, "Cannot save the screenshot '%s'.\n", shot_path);
    return 1;
  }
  printf("Saved %s (%dx%d).\n", shot_path, width, height);
  return 0;
}
