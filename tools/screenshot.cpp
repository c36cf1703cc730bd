// Saves a screenshot of a top-level window, found by its class name (the
// YARL window's name), as a PNG file; waits up to ten seconds for it.
//   screenshot NAME SHOT.png
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
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
  if (argc != 3) {
    fprintf(stderr, "usage: %s NAME SHOT.png\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    fputs("Cannot open the display.\n", stderr);
    return 1;
  }
  Window window = 0;
  for (int i = 0; i < 100 && window == 0; ++i) {
    window = find_window(display, DefaultRootWindow(display), argv[1]);
    struct timespec pause = {0, 100000000};
    if (window == 0) nanosleep(&pause, nullptr);
  }
  XWindowAttributes attributes;
  if (window == 0 || !XGetWindowAttributes(display, window, &attributes)) {
    fprintf(stderr, "No window '%s' is shown.\n", argv[1]);
    return 1;
  }
  struct timespec settle = {0, 500000000};  // let the first drawing finish
  nanosleep(&settle, nullptr);
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
  if (shot == nullptr || !write_png(argv[2], width, height, rgb)) {
    fprintf(stderr, "Cannot save the screenshot '%s'.\n", argv[2]);
    return 1;
  }
  printf("Saved %s (%dx%d).\n", argv[2], width, height);
  return 0;
}
