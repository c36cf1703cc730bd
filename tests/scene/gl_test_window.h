// A small double-buffered RGB window on the default display, for scene tests
// that draw with contexts of their own.
#pragma once

#include <GL/glx.h>
#include <X11/Xlib.h>

#include "gl/gl_context.h"

struct GlTestWindow {
  Display* display = nullptr;
  XVisualInfo* visual = nullptr;
  Window window = None;

  // False when there is no display or no suitable visual.
  bool open(int size) {
    display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    // GLX_USE_GL asks for a window visual, as the server does; without it the
    // Windows layer hands out a GLX pixmap visual.
    int attributes[] = {GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, None};
    visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    if (visual == nullptr) return false;
    XSetWindowAttributes wa{};
    wa.colormap = XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
    window = XCreateWindow(display, RootWindow(display, visual->screen), 0, 0, unsigned(size), unsigned(size), 0,
                           visual->depth, InputOutput, visual->visual, CWColormap, &wa);
    return true;
  }
  void close() {
    XGLContext::release();
    if (window != None) XDestroyWindow(display, window);
    if (visual != nullptr) XFree(visual);
    if (display != nullptr) XCloseDisplay(display);
    *this = GlTestWindow{};
  }
  // A new RGB context on the window.
  XGLContext* new_context() const {
    return new XGLContext(display, visual, true, false, 0, 0, 0, 0.75f, 0.75f, 0.75f, 0.86f, 0.86f, 0.86f);
  }
};
