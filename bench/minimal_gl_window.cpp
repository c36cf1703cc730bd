// The least any GL program does before its first window shows: connect,
// choose a double-buffered RGBA visual, create a direct context, make it
// current on a window, clear it and map it. startup_bench times it against
// the same anchor as the server, as the floor of the server's own figure.
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>

int main() {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return 1;
  int attributes[] = {GLX_RGBA, GLX_RED_SIZE, 3, GLX_GREEN_SIZE, 3, GLX_BLUE_SIZE, 2, GLX_DOUBLEBUFFER,
                      GLX_DEPTH_SIZE, 16, None};
  XVisualInfo* visual = glXChooseVisual(d, DefaultScreen(d), attributes);
  if (visual == nullptr) return 1;
  GLXContext context = glXCreateContext(d, visual, nullptr, True);
  if (context == nullptr) return 1;
  Window root = DefaultRootWindow(d);
  XSetWindowAttributes a{};
  a.colormap = XCreateColormap(d, root, visual->visual, AllocNone);
  Window w = XCreateWindow(d, root, 0, 0, 60, 30, 0, visual->depth, InputOutput, visual->visual,
                           CWColormap | CWBorderPixel, &a);
  glXMakeCurrent(d, w, context);
  glClear(GL_COLOR_BUFFER_BIT);
  XMapWindow(d, w);
  XFlush(d);
  pause();  // until the benchmark ends it
  return 0;
}
