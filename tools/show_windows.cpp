// Shows the windows of a compiled YARL binary as the server's start-up
// builds them, with the first pass of the wait loop, and saves a screenshot
// of the first shown window as a PNG file.
//   show_windows PROGRAM.b SHOT.png [SECONDS]
#include <GL/gl.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "runtime/checked_mm.h"
#include "runtime/read_tables.h"
#include "runtime/user_interface.h"
#include "runtime/window_record.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

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

void pump(Display* display) {
  XSync(display, False);
  while (XPending(display)) {
    XEvent event;
    XNextEvent(display, &event);
    if (UIWindow* w = UIWindow::find_window(event.xany.window)) w->handle_window_event(&event, false);
  }
}

UIWindow* first_shown_window() {
  for (uint32_t i = 0; i < n_windows_listed; ++i) {
    const ident_info& w = globals()[windows[i]];
    if ((w.flags1 & WINDOW_VISIBLE) && record_of(&w)->ui_window != nullptr) return record_of(&w)->ui_window;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: %s PROGRAM.b SHOT.png [SECONDS]\n", argv[0]);
    return 2;
  }
  FILE* f = fopen(argv[1], "rb");
  if (f == nullptr) {
    perror(argv[1]);
    return 1;
  }
  std::vector<uint8_t> image;
  for (int c; (c = fgetc(f)) != EOF;) image.push_back(uint8_t(c));
  fclose(f);
  double seconds = argc > 3 ? atof(argv[3]) : 0;

  AppContext = new UIAppContext(false, nullptr, nullptr, 0, 0, 10, 11);
  decode_tables(image.data(), image.size());
  preset_user_interface("", false, false, nullptr, nullptr, nullptr);
  update_menu_windows();
  Display* display = AppContext->ui_display;
  UIWindow* shown = first_shown_window();
  for (int i = 0; shown != nullptr && i < 500 && !shown->mapped; ++i) {
    XEvent event;
    XWindowEvent(display, shown->x_window, ExposureMask | StructureNotifyMask, &event);
    shown->handle_window_event(&event, false);
  }
  pump(display);
  int status = 0;
  if (shown == nullptr) {
    fputs("No window is shown.\n", stderr);
    status = 1;
  } else {
    glFinish();
    XImage* shot = XGetImage(display, shown->x_window, 0, 0, shown->width, shown->height, AllPlanes, ZPixmap);
    std::vector<uint8_t> rgb;
    for (int y = 0; shot != nullptr && y < shown->height; ++y)
      for (int x = 0; x < shown->width; ++x) {
        unsigned long p = XGetPixel(shot, x, y);
        rgb.insert(rgb.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)});
      }
    if (shot != nullptr) XDestroyImage(shot);
    if (shot == nullptr || !write_png(argv[2], shown->width, shown->height, rgb)) {
      fprintf(stderr, "Cannot save the screenshot '%s'.\n", argv[2]);
      status = 1;
    } else {
      printf("Saved %s (%ux%u).\n", argv[2], shown->width, shown->height);
    }
  }
  for (time_t end = time(nullptr) + time_t(seconds); time(nullptr) < end;) {
    pump(display);
    struct timespec pause = {0, 20000000};
    nanosleep(&pause, nullptr);
  }
  cleanup_user_interface();
  delete AppContext;
  return status;
}
