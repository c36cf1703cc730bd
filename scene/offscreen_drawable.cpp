#include "scene/offscreen_drawable.h"

#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "runtime/predefined.h"
#include "view/graphics_window.h"

namespace {

constexpr int PREDEF_OFFSCREEN = 106;

int ignore_errors(Display*, XErrorEvent*) { return 0; }

}  // namespace

OffscreenDrawable::OffscreenDrawable(Display* d, int width, int height, int red_bits, int green_bits, int blue_bits,
                                     int depth_bits, bool want_pbuffer)
    : display(d) {
  XSync(display, False);
  int (*previous)(Display*, XErrorEvent*) = XSetErrorHandler(ignore_errors);
  const int sizes[4] = {red_bits, green_bits, blue_bits, depth_bits};
  bool made = want_pbuffer && get_glx_version(display, 1, 3) && try_pbuffer(width, height, sizes);
  if (!made) try_glx_pixmap(width, height, sizes);
  XSync(display, False);
  XSetErrorHandler(previous);
  put_predef(PREDEF_OFFSCREEN, context != nullptr ? 1 : 0);
}

bool OffscreenDrawable::try_pbuffer(int width, int height, const int* sizes) {
  const int attributes[] = {GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RED_SIZE, sizes[0],
                            GLX_GREEN_SIZE, sizes[1], GLX_BLUE_SIZE, sizes[2], GLX_DEPTH_SIZE, sizes[3], None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(display, DefaultScreen(display), attributes, &count);
  if (configs == nullptr) return false;
  for (int i = 0; i < count && context == nullptr; ++i) {
    int max_width = 0, max_height = 0;
    glXGetFBConfigAttrib(display, configs[i], GLX_MAX_PBUFFER_WIDTH, &max_width);
    glXGetFBConfigAttrib(display, configs[i], GLX_MAX_PBUFFER_HEIGHT, &max_height);
    if (max_width < width || max_height < height) continue;
    const int size[] = {GLX_PBUFFER_WIDTH, width, GLX_PBUFFER_HEIGHT, height, GLX_PRESERVED_CONTENTS, True, None};
    GLXPbuffer p = glXCreatePbuffer(display, configs[i], size);
    if (p == None) continue;
    XGLContext* c = new XGLContext(display, &configs[i]);
    if (c->has_glx_context() && glXIsDirect(display, c->get_glx_context()) && c->test_context(p, false)) {
      pbuffer = p;
      context = c;
    } else {
      delete c;
      glXDestroyPbuffer(display, p);
    }
  }
  XFree(configs);
  return context != nullptr;
}

bool OffscreenDrawable::try_glx_pixmap(int width, int height, const int* sizes) {
  int single[] = {GLX_RGBA,      GLX_RED_SIZE,   sizes[0], GLX_GREEN_SIZE, sizes[1], GLX_BLUE_SIZE,
                  sizes[2],      GLX_DEPTH_SIZE, sizes[3], None,           None};
  XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), single);
  if (visual == nullptr) {
    single[9] = GLX_DOUBLEBUFFER;
    visual = glXChooseVisual(display, DefaultScreen(display), single);
  }
  if (visual == nullptr) return false;
  pixmap = XCreatePixmap(display, RootWindow(display, visual->screen), unsigned(width), unsigned(height),
                         unsigned(visual->depth));
  glx_pixmap = glXCreateGLXPixmap(display, visual, pixmap);
  if (glx_pixmap != None) {
    XGLContext* c = new XGLContext(display, visual, true, false, 0, 0, 0, 0.75f, 0.75f, 0.75f, 0.86f, 0.86f, 0.86f);
    if (c->has_glx_context() && c->test_context(glx_pixmap, false))
      context = c;
    else
      delete c;
  }
  if (context == nullptr) {
    if (glx_pixmap != None) glXDestroyGLXPixmap(display, glx_pixmap);
    XFreePixmap(display, pixmap);
    glx_pixmap = None;
    pixmap = None;
  }
  XFree(visual);
  return context != nullptr;
}

OffscreenDrawable::~OffscreenDrawable() {
  delete context;  // releases the current context when it is this one
  if (pbuffer != None) glXDestroyPbuffer(display, pbuffer);
  if (glx_pixmap != None) glXDestroyGLXPixmap(display, glx_pixmap);
  if (pixmap != None) XFreePixmap(display, pixmap);
}

void OffscreenDrawable::make_current() {
  if (context == nullptr) internal_error(1, "OffscreenDrawable");
  context->make_current(pbuffer != None ? pbuffer : glx_pixmap);
}
