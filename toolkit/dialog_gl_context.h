// The GL context of a dialog visual and every GL state change the toolkit makes.
//
// All colour, clear-colour, blending, line-width and shade-model changes of the
// widgets go through this one class, so they can be cached or mapped to colour
// indices in one place. Dialog contexts are RGBA: the transparent colour is the
// context's first colour.
#pragma once

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

class DialogGLContext {
 public:
  // First colour (the transparent stand-in) and second colour, 0..1 each.
  DialogGLContext(Display* display, XVisualInfo* visual, float r1, float g1, float b1,
                  float r2, float g2, float b2);
  ~DialogGLContext();
  DialogGLContext(const DialogGLContext&) = delete;
  DialogGLContext& operator=(const DialogGLContext&) = delete;

  bool has_context() const { return context != nullptr; }
  // False when this context is already current on this window.
  bool make_current(Window window);
  // Flushes and detaches the current context.
  static void release();

  void set_gl_color(float r, float g, float b) const;
  void set_gl_color(const float* rgb) const { set_gl_color(rgb[0], rgb[1], rgb[2]); }
  void set_gl_color_to_transparent() const;
  void set_gl_clear_color(const float* rgb) const;
  void set_gl_clear_color_to_transparent() const;
  void enable_blending(bool on) const;
  void set_blend_func(GLenum source, GLenum destination) const;
  void set_line_width(float width) const;
  void set_shade_model(GLenum model) const;
  void enable_polygon_stipple(bool on) const;
  // Limits drawing to a rectangle in GL window coordinates (origin bottom left).
  void enable_scissor(bool on, int x = 0, int y = 0, int width = 0, int height = 0) const;
  // Combines drawn colours with the window's by `op` (GL_COPY_INVERTED inverts).
  void enable_logic_op(bool on, GLenum op = GL_COPY) const;

  static DialogGLContext* current_context;

  const bool colour_index = false;
  float first[3];
  float second[3];

 private:
  Display* display;
  GLXContext context;
  Window drawable = 0;
};
