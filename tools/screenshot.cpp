// Saves a screenshot of a top-level window, found by its class name (the
// YARL window's name), as a PNG file; waits up to half a minute for it.
// With -t the window is found by its title instead (wine names the class
// after the program). With -s the whole screen is saved once the window
// shows (the dialogs over the graphics window); -d SECONDS is the time left
// for drawing (0.5); with -r SECONDS the picture is saved once it has stayed
// the same that long (read every 0.2 s, for at most a minute).
//   screenshot [-s] [-t] [-d SECONDS] [-r SECONDS] NAME SHOT.png
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

// True when the class hint of `window` names `name`, or with `by_title` its title.
bool named(Display* display, Window window, const char* name, bool by_title) {
  bool match = false;
  if (by_title) {
    char* title = nullptr;
    if (XFetchName(display, window, &title) && title != nullptr) {
      match = strcmp(title, name) == 0;
      XFree(title);
    }
    return match;
  }
  XClassHint hint{};
  if (XGetClassHint(display, window, &hint)) {
    match = hint.res_name != nullptr && strcmp(hint.res_name, name) == 0;
    XFree(hint.res_name);
    XFree(hint.res_class);
  }
  return match;
}

// The first viewable window below `parent` that is `named`.
Window find_window(Display* display, Window parent, const char* name, bool by_title) {
  Window root, up, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && found == 0; ++i) {
    XWindowAttributes attributes;
    if (named(display, children[i], name, by_title) && XGetWindowAttributes(display, children[i], &attributes) &&
        attributes.map_state == IsViewable)
      found = children[i];
    if (found == 0) found = find_window(display, children[i], name, by_title);
  }
  if (children != nullptr) XFree(children);
  return found;
}

void pause_seconds(double seconds) {
  struct timespec pause = {time_t(seconds), long(std::fmod(seconds, 1.0) * 1e9)};
  nanosleep(&pause, nullptr);
}

// Reads `window` into *rgb until two reads `rest_seconds` apart agree, for
// at most a minute; false when X refused or the picture never rested.
bool read_at_rest(Display* display, Window window, int width, int height, double rest_seconds,
                  std::vector<uint8_t>* rgb) {
  constexpr double STEP = 0.2, MOST = 60;
  if (!read_rgb(display, window, 0, 0, width, height, rgb)) return false;
  double still = 0;
  for (double waited = 0; still < rest_seconds; waited += STEP) {
    if (waited >= MOST) return false;
    pause_seconds(STEP);
    std::vector<uint8_t> next;
    if (!read_rgb(display, window, 0, 0, width, height, &next)) return false;
    still = next == *rgb ? still + STEP : 0;
    rgb->swap(next);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool whole_screen = false, by_title = false;
  double settle_seconds = 0.5;  // let the first drawing finish
  double rest_seconds = 0;
  bool bad = false;
  int first = 1;
  for (; first < argc && argv[first][0] == '-' && !bad; ++first) {
    if (strcmp(argv[first], "-s") == 0) {
      whole_screen = true;
    } else if (strcmp(argv[first], "-t") == 0) {
      by_title = true;
    } else if (strcmp(argv[first], "-d") == 0 && first + 1 < argc) {
      settle_seconds = atof(argv[++first]);
    } else if (strcmp(argv[first], "-r") == 0 && first + 1 < argc) {
      rest_seconds = atof(argv[++first]);
    } else {
      bad = true;
    }
  }
  if (bad || argc - first != 2 || !(settle_seconds >= 0) || !(rest_seconds >= 0)) {
    fprintf(stderr, "usage: %s [-s] [-t] [-d SECONDS] [-r SECONDS] NAME SHOT.png\n", argv[0]);
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
  for (int i = 0; i < 300 && window == 0; ++i) {
    window = find_window(display, DefaultRootWindow(display), name, by_title);
    if (window == 0) pause_seconds(0.1);
  }
  XWindowAttributes attributes;
  if (window == 0 || !XGetWindowAttributes(display, window, &attributes)) {
    fprintf(stderr, "No window '%s' is shown.\n", name);
    return 1;
  }
  pause_seconds(settle_seconds);
  if (whole_screen) {
    window = DefaultRootWindow(display);
    if (!XGetWindowAttributes(display, window, &attributes)) return 1;
  }
  int width = attributes.width, height = attributes.height;
  std::vector<uint8_t> rgb;
  bool read = read_at_rest(display, window, width, height, rest_seconds, &rgb);
  XCloseDisplay(display);
  if (!read) {
    fprintf(stderr, "The picture of '%s' could not be read or did not come to rest.\n", name);
    return 1;
  }
  if (!write_png(shot_path, width, height, rgb)) {
    fprintf(stderr, "Cannot save the screenshot '%s'.\n", shot_path);
    return 1;
  }
  printf("Saved %s (%dx%d).\n", shot_path, width, height);
  return 0;
}
