#include "toolkit/ui_separator.h"

#include <GL/gl.h>

#include "gl/gl_context.h"
#include "toolkit/widget_geometry.h"

void UISeparator::reconfigure(short x_, short y_, unsigned short width_, unsigned short height_,
                              bool black_border_, bool light_fill_) {
  reconfigure_plain(*this, x_, y_, width_, height_, black_border_, light_fill_);
}

void UISeparator::draw() {
  draw_border();
  XGLContext* gl = XGLContext::current_context;
  int w = width;
  int h = height;
  auto line = [this](int x1, int y1, int x2, int y2) {
    glBegin(GL_LINES);
    glVertex2i(x + x1, y + y1);
    glVertex2i(x + x2, y + y2);
    glEnd();
  };
  if (h == 7) {
    gl->set_gl_color(0, 0, 0);
    line(2, 2, w - 2, 2);
    gl->set_gl_color(1, 1, 1);
    line(2, 3, w - 2, 3);
  } else if (w == 7) {
    gl->set_gl_color(0, 0, 0);
    line(2, 2, 2, h - 2);
    gl->set_gl_color(1, 1, 1);
    line(3, 2, 3, h - 2);
  } else {
    gl->set_gl_color(0, 0, 0);
    draw_rectangle(2, 2, short(w - 3), short(h - 3));
    gl->set_gl_color(1, 1, 1);
    draw_rectangle(3, 3, short(w - 4), short(h - 4));
  }
  UIObject::draw();
}
