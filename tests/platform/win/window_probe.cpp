// A window of the layer for outside tools to look at: a top-level window
// titled by its WM_NAME at the client geometry the command line gives
// (x y width height title file). Writes its client and frame rectangles as the
// system sees them to the file, then runs until it is ended.
#include <windows.h>

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

#include "platform/win/layer.h"

int main(int argc, char** argv) {
  if (argc != 7) return 2;
  PresetX11Emulation(GetModuleHandleA(nullptr));
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return 1;
  const int x = std::atoi(argv[1]), y = std::atoi(argv[2]);
  const unsigned width = static_cast<unsigned>(std::atoi(argv[3])), height = static_cast<unsigned>(std::atoi(argv[4]));
  Window w = XCreateSimpleWindow(d, 0, x, y, width, height, 0, 0, 0xffffff);
  XStoreName(d, w, argv[5]);
  XMapWindow(d, w);
  while (XPending(d) > 0) {
    XEvent e;
    XNextEvent(d, &e);
  }
  RECT client, frame;
  GetClientRect(Lx_Hwnd(w), &client);
  MapWindowPoints(Lx_Hwnd(w), nullptr, reinterpret_cast<POINT*>(&client), 2);
  GetWindowRect(Lx_Hwnd(w), &frame);
  std::FILE* out = std::fopen(argv[6], "w");
  if (out == nullptr) return 1;
  std::fprintf(out, "client %ld %ld %ld %ld\nframe %ld %ld %ld %ld\n", client.left, client.top,
               client.right - client.left, client.bottom - client.top, frame.left, frame.top,
               frame.right - frame.left, frame.bottom - frame.top);
  std::fclose(out);
  for (;;) {
    XEvent e;
    XNextEvent(d, &e);
  }
}
