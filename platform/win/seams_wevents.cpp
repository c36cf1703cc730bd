// seam: the display, window-table and atom calls that the event and keyboard
// calls and their tests need, until the display, window and atom modules
// land. Plain windows of one class whose procedure is the system's.
#include <windows.h>

#include <X11/Xlib.h>

#include <cstring>

#include "platform/win/layer.h"

namespace {

// seam
_XDisplay the_display{};
bool display_open = false;
Lx_WindowRecord records[64];

const char* window_class() {
  static const char* name = [] {
    WNDCLASSA c{};
    c.lpfnWndProc = DefWindowProcA;
    c.hInstance = GetModuleHandleA(nullptr);
    c.lpszClassName = "LxEventSeamWindow";
    RegisterClassA(&c);
    return "LxEventSeamWindow";
  }();
  return name;
}

}  // namespace

// seam
Display* XOpenDisplay(const char*) {
  if (!display_open)
    for (auto& q : the_display.queues) Lx_InitEventQueue(&q);
  display_open = true;
  return &the_display;
}
// seam
int XCloseDisplay(Display* display) {
  for (auto& q : display->queues) Lx_ClearEventQueue(&q);
  display_open = false;
  return 0;
}
// seam
Display* Lx_CurrentDisplay() { return display_open ? &the_display : nullptr; }

// seam
Window XCreateSimpleWindow(Display*, Window parent, int x, int y, unsigned width, unsigned height, unsigned,
                           unsigned long, unsigned long) {
  const DWORD style = parent == None ? WS_POPUP : WS_CHILD | WS_VISIBLE;
  HWND hwnd = CreateWindowExA(0, window_class(), "", style, x, y, static_cast<int>(width), static_cast<int>(height),
                              Lx_Hwnd(parent), nullptr, GetModuleHandleA(nullptr), nullptr);
  for (auto& r : records)
    if (r.hwnd == nullptr) {
      r = Lx_WindowRecord{};
      r.hwnd = hwnd;
      r.geometry.x = x;
      r.geometry.y = y;
      r.geometry.width = static_cast<int>(width);
      r.geometry.height = static_cast<int>(height);
      break;
    }
  return Lx_WindowId(hwnd);
}
// seam
int XDestroyWindow(Display*, Window window) {
  for (auto& r : records)
    if (r.hwnd == Lx_Hwnd(window)) r = Lx_WindowRecord{};
  DestroyWindow(Lx_Hwnd(window));
  return 1;
}
// seam
int XMapWindow(Display*, Window window) {
  ShowWindow(Lx_Hwnd(window), SW_SHOW);
  return 1;
}
// seam
Lx_WindowRecord* Lx_FindHwnd(HWND hwnd) {
  for (auto& r : records)
    if (hwnd != nullptr && r.hwnd == hwnd) return &r;
  return nullptr;
}
// seam
Lx_WindowRecord* Lx_FindWindow(Window window) { return Lx_FindHwnd(Lx_Hwnd(window)); }
// seam
Window Lx_ParentWindow(Window window) {
  HWND hwnd = Lx_Hwnd(window);
  return (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) != 0 ? Lx_WindowId(GetParent(hwnd)) : None;
}
// seam
bool Lx_IsTopLevel(Window window) { return Lx_ParentWindow(window) == None; }
// seam
int Lx_SetWindowAttributes(Window window, unsigned long mask, const XSetWindowAttributes* attributes) {
  Lx_WindowRecord* r = Lx_FindWindow(window);
  if (r == nullptr) return BadWindow;
  if (mask & CWEventMask) r->attributes.event_mask = attributes->event_mask;
  if (mask & CWDontPropagate) r->attributes.do_not_propagate_mask = attributes->do_not_propagate_mask;
  if (mask & CWOverrideRedirect) r->attributes.override_redirect = attributes->override_redirect;
  return 0;
}
// seam
int XChangeWindowAttributes(Display*, Window window, unsigned long mask, XSetWindowAttributes* attributes) {
  return Lx_SetWindowAttributes(window, mask, attributes) == 0 ? 1 : 0;
}

// seam
Atom XInternAtom(Display*, const char* name, Bool) {
  static const char* const names[] = {"WM_PROTOCOLS", "WM_DELETE_WINDOW"};
  for (unsigned i = 0; i < 2; ++i)
    if (strcmp(name, names[i]) == 0) return 0xC000 + i;
  return None;
}
