#include "toolkit/ui_visual.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glx.h>

#include <cstdio>
#include <cstdlib>

#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "toolkit/ui_app_context.h"

#ifndef GLX_TRANSPARENT_TYPE
#define GLX_TRANSPARENT_TYPE 0x23
#define GLX_TRANSPARENT_RGB 0x8008
#define GLX_TRANSPARENT_INDEX 0x8009
#endif

namespace {

int colormap8_overlay_transparent[] = {GLX_USE_GL, GLX_BUFFER_SIZE, 8, GLX_LEVEL, 1,
                                       GLX_TRANSPARENT_TYPE, GLX_TRANSPARENT_INDEX, None};
int rgba8_overlay_transparent[] = {GLX_USE_GL, GLX_RGBA, GLX_BLUE_SIZE, 3, GLX_RED_SIZE, 3,
                                   GLX_GREEN_SIZE, 2, GLX_LEVEL, 1,
                                   GLX_TRANSPARENT_TYPE, GLX_TRANSPARENT_RGB, None};
int colormap8_overlay[] = {GLX_USE_GL, GLX_BUFFER_SIZE, 8, GLX_LEVEL, 1, None};
int rgba8_overlay[] = {GLX_USE_GL, GLX_RGBA, GLX_BLUE_SIZE, 3, GLX_RED_SIZE, 3,
                       GLX_GREEN_SIZE, 2, GLX_LEVEL, 1, None};
int rgba8[] = {GLX_USE_GL, GLX_RGBA, GLX_BLUE_SIZE, 3, GLX_RED_SIZE, 3, GLX_GREEN_SIZE, 2, None};
int rgba8_db[] = {GLX_USE_GL, GLX_RGBA, GLX_BLUE_SIZE, 3, GLX_RED_SIZE, 3, GLX_GREEN_SIZE, 2,
                  GLX_DOUBLEBUFFER, None};
int rgba15_overlay[] = {GLX_USE_GL, GLX_RGBA, GLX_BLUE_SIZE, 5, GLX_RED_SIZE, 5,
                        GLX_GREEN_SIZE, 5, GLX_LEVEL, 1, None};
int rgba15[] = {GLX_USE_GL, GLX_RGBA, GLX_BLUE_SIZE, 5, GLX_RED_SIZE, 5, GLX_GREEN_SIZE, 5, None};
int rgba15_db[] = {GLX_USE_GL, GLX_RGBA, GLX_BLUE_SIZE, 5, GLX_RED_SIZE, 5, GLX_GREEN_SIZE, 5,
                   GLX_DOUBLEBUFFER, None};
int rgba[] = {GLX_USE_GL, GLX_RGBA, None};
int rgba_db[] = {GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, None};

int* const reduced_color_list[] = {colormap8_overlay_transparent, rgba8_overlay_transparent,
                                   colormap8_overlay, rgba8_overlay, rgba8, rgba8_db, rgba,
                                   rgba_db, nullptr};
int* const full_color_list[] = {rgba15_overlay, rgba15, rgba15_db, rgba, rgba_db, nullptr};

// The checkerboard polygon stipple of the dialog contexts.
struct Halftone {
  GLubyte bytes[128];
  Halftone() {
    for (int i = 0; i < 128; ++i) bytes[i] = (i / 4) % 2 == 0 ? 0xAA : 0x55;
  }
};
const Halftone halftone;

// Shared by all visuals: the size of the last projection set.
unsigned short last_size_x = 0;
unsigned short last_size_y = 0;

}  // namespace

XVisualInfo* UIVisual::find_best_visual(Display* display, const char* name, int* const* lists) {
  for (int i = 0; lists[i] != nullptr; ++i) {
    XVisualInfo* info = glXChooseVisual(display, DefaultScreen(display), lists[i]);
    if (info != nullptr) {
      report_visual_attributes(display, info, name);
      return info;
    }
  }
  return nullptr;
}

void UIVisual::report_visual_attributes(Display*, XVisualInfo*, const char*) {}

UIVisual::UIVisual(Display* display_, bool reduced) : display(display_) {
  XVisualInfo* info = find_best_visual(display, reduced ? "Dialog reduced color" : "Dialog full color",
                                       reduced ? reduced_color_list : full_color_list);
  if (info == nullptr) internal_error(43, "UIVisual");
  visual = info->visual;
  depth = info->depth;
  int screen = DefaultScreen(display);
  Window root = RootWindow(display, screen);
  own_colormap = visual != DefaultVisual(display, screen);
  colormap = own_colormap ? XCreateColormap(display, root, visual, AllocNone)
                          : DefaultColormap(display, screen);
  // The full visual shares the reduced visual's context when both are the same
  // X visual: one context less to create, and its GL state is set alike below.
  const UIVisual* reduced_visual = AppContext != nullptr ? AppContext->reduced_visual : nullptr;
  own_context = reduced || reduced_visual == nullptr ||
                XVisualIDFromVisual(reduced_visual->visual) != XVisualIDFromVisual(visual);
  // Dialog contexts are RGBA; the first reserved colour stands in for transparent.
  context = own_context ? new XGLContext(display, info, true, false, 0, 0, 0, 0.75f, 0.75f, 0.75f, 0.86f, 0.86f, 0.86f)
                        : reduced_visual->context;
  border_pixel = BlackPixel(display, screen);
  if (!context->has_glx_context()) {
    fprintf(stderr, "Unable to create GLX context.\n");
    exit(1);
  }
  XSetWindowAttributes attributes;
  attributes.border_pixel = border_pixel;
  attributes.colormap = colormap;
  scratch_window = XCreateWindow(display, root, 0, 0, 1, 1, 0, depth, InputOutput, visual,
                                 CWBorderPixel | CWColormap, &attributes);
  begin_drawing(scratch_window, 1, 1);
  glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
  glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  context->set_shade_model(GL_FLAT);
  context->set_matrix_mode(GL_MODELVIEW);
  glLoadIdentity();
  context->set_matrix_mode(GL_PROJECTION);
  glDrawBuffer(GL_FRONT);
  glPolygonStipple(halftone.bytes);
  XFree(info);
}

UIVisual::~UIVisual() {
  if (own_context) delete context;
  XDestroyWindow(display, scratch_window);
  if (own_colormap) XFreeColormap(display, colormap);
}

void UIVisual::begin_drawing(Window window, unsigned short width, unsigned short height) const {
  if (!context->make_current(window) && width == last_size_x && height == last_size_y) return;
  glViewport(0, 0, width, height);
  glLoadIdentity();
  gluOrtho2D(0, width, 0, height);
  glTranslatef(0.375f, float(height) - 1 + 0.375f, 0);
  glScalef(1, -1, 1);
  last_size_x = width;
  last_size_y = height;
}

Window UIVisual::create_window(Window parent, bool pop_up, short x, short y,
                               unsigned short width, unsigned short height,
                               unsigned short border_width, bool exposure_only) const {
  XSetWindowAttributes attributes;
  attributes.border_pixel = border_pixel;
  attributes.colormap = colormap;
  attributes.override_redirect = pop_up;
  attributes.cursor = AppContext->cursors[UIAppContext::cursor_left_ptr];
  long mask = exposure_only ? ExposureMask : 0x807F;
  if (parent == RootWindow(display, DefaultScreen(display))) mask |= StructureNotifyMask;
  attributes.event_mask = mask;
  return XCreateWindow(display, parent, x, y, width, height, border_width, depth, InputOutput,
                       visual, CWBorderPixel | CWColormap | CWOverrideRedirect | CWCursor |
                       CWEventMask, &attributes);
}
