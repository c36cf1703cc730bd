#include "toolkit/dialog_gl_context.h"

#include "runtime/internal_error.h"

DialogGLContext* DialogGLContext::current_context = nullptr;

DialogGLContext::DialogGLContext(Display* display_, XVisualInfo* visual, float r1, float g1,
                                 float b1, float r2, float g2, float b2)
    : first{r1, g1, b1}, second{r2, g2, b2}, display(display_) {
  context = glXCreateContext(display, visual, nullptr, True);
}

DialogGLContext::~DialogGLContext() {
  if (current_context == this) release();
  if (context != nullptr) glXDestroyContext(display, context);
}

bool DialogGLContext::make_current(Window window) {
  if (current_context == this && drawable == window) return false;
  if (current_context != nullptr) glFlush();
  if (!glXMakeCurrent(display, window, context)) internal_error(97, "DialogGLContext");
  if (current_context != nullptr && current_context != this) current_context->drawable = 0;
  current_context = this;
  drawable = window;
  return true;
}

void DialogGLContext::release() {
  if (current_context == nullptr) return;
  glFlush();
  glXMakeCurrent(current_context->display, None, nullptr);
  current_context->drawable = 0;
  current_context = nullptr;
}

void DialogGLContext::set_gl_color(float r, float g, float b) const { glColor3f(r, g, b); }

void DialogGLContext::set_gl_color_to_transparent() const { set_gl_color(first); }

void DialogGLContext::set_gl_clear_color(const float* rgb) const {
  glClearColor(rgb[0], rgb[1], rgb[2], 1.0f);
}

void DialogGLContext::set_gl_clear_color_to_transparent() const { set_gl_clear_color(first); }

void DialogGLContext::enable_blending(bool on) const {
  if (on) glEnable(GL_BLEND);
  else glDisable(GL_BLEND);
}

void DialogGLContext::set_blend_func(GLenum source, GLenum destination) const {
  glBlendFunc(source, destination);
}

void DialogGLContext::set_line_width(float width) const { glLineWidth(width); }

void DialogGLContext::set_shade_model(GLenum model) const { glShadeModel(model); }

void DialogGLContext::enable_polygon_stipple(bool on) const {
  if (on) glEnable(GL_POLYGON_STIPPLE);
  else glDisable(GL_POLYGON_STIPPLE);
}

void DialogGLContext::enable_scissor(bool on, int x, int y, int width, int height) const {
  if (!on) {
    glDisable(GL_SCISSOR_TEST);
    return;
  }
  glScissor(x, y, width, height);
  glEnable(GL_SCISSOR_TEST);
}

void DialogGLContext::enable_logic_op(bool on, GLenum op) const {
  GLenum mode = colour_index ? GL_INDEX_LOGIC_OP : GL_COLOR_LOGIC_OP;
  if (!on) {
    glDisable(mode);
    return;
  }
  glLogicOp(op);
  glEnable(mode);
}
