// An invisible GL drawing surface with its own context: a GLX 1.3 pbuffer
// when wanted and available, else a GLX pixmap. The shadow maps draw into one,
// and the graphics window's start-up makes one to learn whether offscreen
// drawing works (predefined variable 106).
#pragma once

#include <GL/glx.h>
#include <X11/Xlib.h>

#include "gl/gl_context.h"

class OffscreenDrawable {
 public:
  OffscreenDrawable(Display* display, int width, int height, int red_bits, int green_bits, int blue_bits,
                    int depth_bits, bool want_pbuffer);
  ~OffscreenDrawable();
  OffscreenDrawable(const OffscreenDrawable&) = delete;
  OffscreenDrawable& operator=(const OffscreenDrawable&) = delete;

  bool has_context() const { return context != nullptr; }
  bool uses_pbuffer() const { return pbuffer != None; }
  // Makes the context current on the surface; internal error without a context.
  void make_current();

 private:
  bool try_pbuffer(int width, int height, const int* sizes);
  bool try_glx_pixmap(int width, int height, const int* sizes);

  GLXPbuffer pbuffer = None;
  XGLContext* context = nullptr;
  Pixmap pixmap = None;
  GLXPixmap glx_pixmap = None;
  Display* display;
};

// The context and drawable current when it is made; restore() makes them
// current again after drawing offscreen.
struct ContextKeeper {
  XGLContext* context = XGLContext::current_context;
  GLXDrawable drawable = XGLContext::current_drawable;
  void restore() const {
    if (context != nullptr) context->make_current(drawable);
  }
};
