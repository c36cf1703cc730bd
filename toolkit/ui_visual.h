// A dialog visual: one GLX visual with its GL context and colormap, through
// which dialog windows are made and drawn.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

class XGLContext;

class UIVisual {
 public:
  UIVisual(Display* display, bool reduced);
  ~UIVisual();
  UIVisual(const UIVisual&) = delete;
  UIVisual& operator=(const UIVisual&) = delete;

  // Makes the context current on the window with the pixel projection: origin
  // top left, y down; a filled rectangle (x1, y1)-(x2, y2), y1 < y2, covers
  // columns x1..x2-1 and rows y1+1..y2.
  void begin_drawing(Window window, unsigned short width, unsigned short height) const;
  Window create_window(Window parent, bool pop_up, short x, short y, unsigned short width,
                       unsigned short height, unsigned short border_width,
                       bool exposure_only) const;

  static XVisualInfo* find_best_visual(Display* display, const char* name, int* const* lists);
  static void report_visual_attributes(Display* display, XVisualInfo* info, const char* name);

  Visual* visual;
  int depth;
  Colormap colormap;
  XGLContext* context;  // shared by both dialog visuals when they are one X visual
  Window scratch_window;
  unsigned long border_pixel;

 private:
  Display* display;
  bool own_colormap;
  bool own_context;  // false when the context is the reduced visual's
};
