// seam: the calls of the display, window and event modules that the X calls
// of colours, drawing, pixmaps, cursors, properties, selections and icons
// and their tests need, until those modules land. Plain windows of one class,
// one event queue, boxes through the hook.
#include <windows.h>

#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>
#include <deque>

#include "platform/win/layer.h"

namespace {

// seam
_XDisplay the_display{};
bool display_open = false;
std::deque<XEvent> queue;
Lx_WindowRecord records[64];

Lx_MessageBoxHook hook = [](const char* text, const char* title, UINT type) {
  return MessageBoxA(nullptr, text, title, type);
};

const char* window_class() {
  static const char* name = [] {
    WNDCLASSA c{};
    c.lpfnWndProc = DefWindowProcA;
    c.hInstance = GetModuleHandleA(nullptr);
    c.lpszClassName = "LxSeamWindow";
    c.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    RegisterClassA(&c);
    return "LxSeamWindow";
  }();
  return name;
}

}  // namespace

// seam
Display* XOpenDisplay(const char*) {
  display_open = true;
  return &the_display;
}
// seam
int XCloseDisplay(Display*) {
  display_open = false;
  return 0;
}
// seam
Display* Lx_CurrentDisplay() { return display_open ? &the_display : nullptr; }
// seam
int XFree(void* data) {
  free(data);
  return 1;
}

// seam
Window XCreateSimpleWindow(Display*, Window parent, int x, int y, unsigned width, unsigned height, unsigned,
                           unsigned long, unsigned long) {
  const DWORD style = parent == None ? WS_OVERLAPPEDWINDOW : WS_CHILD | WS_VISIBLE;
  HWND hwnd = CreateWindowExA(0, window_class(), "", style, x, y, static_cast<int>(width), static_cast<int>(height),
                              Lx_Hwnd(parent), nullptr, GetModuleHandleA(nullptr), nullptr);
  for (auto& r : records)
    if (r.hwnd == nullptr) {
      r = Lx_WindowRecord{};
      r.hwnd = hwnd;
      break;
    }
  return Lx_WindowId(hwnd);
}
// seam
int XDestroyWindow(Display*, Window window) {
  Lx_DeleteWindowProperties(window);
  for (auto& r : records)
    if (r.hwnd == Lx_Hwnd(window)) r = Lx_WindowRecord{};
  DestroyWindow(Lx_Hwnd(window));
  return 1;
}
// seam
int XMapWindow(Display*, Window window) {
  ShowWindow(Lx_Hwnd(window), SW_SHOWNOACTIVATE);
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
  HWND parent = (GetWindowLongA(Lx_Hwnd(window), GWL_STYLE) & WS_CHILD) != 0 ? GetParent(Lx_Hwnd(window)) : nullptr;
  return Lx_WindowId(parent);
}
// seam
int XChangeWindowAttributes(Display*, Window window, unsigned long mask, XSetWindowAttributes* attributes) {
  Lx_WindowRecord* r = Lx_FindWindow(window);
  if (r == nullptr) return BadWindow;
  if (mask & CWCursor) r->cursor = r->attributes.cursor = attributes->cursor;
  if (mask & CWColormap) r->attributes.colormap = attributes->colormap;
  return 1;
}
// seam
Status XGetGeometry(Display*, Drawable drawable, Window* root, int* x, int* y, unsigned* width, unsigned* height,
                    unsigned* border, unsigned* depth) {
  RECT r;
  if (!GetClientRect(Lx_Hwnd(drawable), &r)) return 0;
  *root = None;
  *x = *y = 0;
  *width = static_cast<unsigned>(r.right);
  *height = static_cast<unsigned>(r.bottom);
  *border = 0;
  *depth = 24;
  return 1;
}

// seam
bool Lx_PutEvent(const XEvent* event) {
  queue.push_back(*event);
  return true;
}
// seam
int XPending(Display*) { return static_cast<int>(queue.size()); }
// seam
Bool XCheckTypedEvent(Display*, int type, XEvent* event) {
  for (auto i = queue.begin(); i != queue.end(); ++i)
    if (i->type == type) {
      *event = *i;
      queue.erase(i);
      return True;
    }
  return False;
}

// seam
Lx_MessageBoxHook Lx_SetMessageBoxHook(Lx_MessageBoxHook new_hook) {
  const Lx_MessageBoxHook previous = hook;
  hook = new_hook;
  return previous;
}
// seam
int Lx_MessageBox(const char* text, const char* title, UINT type) { return hook(text, title, type); }

// seam
int XDefaultScreen(Display*) { return 0; }
// seam
Window XRootWindow(Display*, int) { return None; }
// seam
int XDefaultDepth(Display*, int) { return 24; }
// seam
Colormap XDefaultColormap(Display*, int) { return 1; }
// seam
unsigned long XBlackPixel(Display*, int) { return 0x000000; }
// seam
unsigned long XWhitePixel(Display*, int) { return 0xFFFFFF; }
