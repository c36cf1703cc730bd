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

namespace {

uint32_t crc32(const std::vector<uint8_t>& data, size_t from) {
  uint32_t crc = 0xFFFFFFFF;
  for (size_t i = from; i < data.size(); ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0 - (crc & 1)));
  }
  return ~crc;
}

void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& body) {
  put32(png, uint32_t(body.size()));
  size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), body.begin(), body.end());
  put32(png, crc32(png, start));
}

// RGB rows as a PNG with stored (uncompressed) deflate blocks.
bool write_png(const char* path, int width, int height, const std::vector<uint8_t>& rgb) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    raw.insert(raw.end(), rgb.begin() + size_t(y) * width * 3, rgb.begin() + size_t(y + 1) * width * 3);
  }
  std::vector<uint8_t> z = {0x78, 0x01};
  for (size_t at = 0; at < raw.size() || at == 0;) {
    size_t n = std::min<size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? 1 : 0);
    z.push_back(uint8_t(n));
    z.push_back(uint8_t(n >> 8));
    z.push_back(uint8_t(~n));
    z.push_back(uint8_t(~n >> 8));
    z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
    at += n;
    if (n == 0) break;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  put32(z, b << 16 | a);
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  put32(header, uint32_t(width));
  put32(header, uint32_t(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  chunk(png, "IHDR", header);
  chunk(png, "IDAT", z);
  chunk(png, "IEND", {});
  FILE* f = fopen(path, "wb");
  if (f == nullptr) return false;
  bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
  return fclose(f) == 0 && ok;
}

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
  XImage* shot = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
  std::vector<uint8_t> rgb;
  for (int y = 0; shot != nullptr && y < height; ++y)
    for (int x = 0; x < width; ++x) {
      unsigned long p = XGetPixel(shot, x, y);
      rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
    }
  if (shot != nullptr) XDestroyImage(shot);
  XCloseDisplay(display);
  if (shot == nullptr || !write_png(shot_path, width, height, rgb)) {
    fprintf(stderr, "Cannot save the screenshot '%s'.\n", shot_path);
    return 1;
  }
  printf("Saved %s (%dx%d).\n", shot_path, width, height);
  return 0;
}
