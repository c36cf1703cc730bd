#include "toolkit/ui_enter_button.h"

#include <GL/gl.h>

#include <algorithm>

#include "gl/gl_context.h"
#include "toolkit/image.h"

void UIEnterButton::reconfigure(short x_, short y_, unsigned short width_,
                                unsigned short height_, bool black_border_, bool light_fill_,
                                unsigned long text_color, unsigned long background,
                                Image* image_, bool in_, void (*activate)(long),
                                bool busy_exempt_) {
  reconfigure_button(x_, y_, width_, height_, black_border_, light_fill_, text_color, background,
                     image_, in_, activate, busy_exempt_, true);
}

void UIEnterButton::draw() {
  draw_face();
  XGLContext* gl = XGLContext::current_context;
  int m = std::max<int>(image != nullptr ? image->height : 0, 7);
  float w = width;
  gl->set_gl_color(0, 0, 0);
  gl->set_line_width(float(std::max(m / 8, 1)));
  glBegin(GL_LINE_STRIP);
  glVertex2f(x + w - 7, float(y + 6));
  glVertex2f(x + w - 7, float(y + 5 + m / 2));
  glVertex2f(x + w - m - 3, float(y + 5 + m / 2));
  glEnd();
  glBegin(GL_TRIANGLES);  // the arrow head, pointing left
  glVertex2f(x + w - m - 5, float(y + 5 + m / 2));
  glVertex2f(x + w - 5 - 3 * m / 4, y + 5.25f + 3 * m / 4);
  glVertex2f(x + w - 5 - 3 * m / 4, y + 5.25f + m / 4);
  glEnd();
  gl->set_line_width(1);
  if (activate_cb == nullptr) draw_inactive_stipple();
  UIObject::draw();
}
