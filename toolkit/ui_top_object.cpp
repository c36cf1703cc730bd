#include "toolkit/ui_top_object.h"

#include <GL/gl.h>

#include "gl/gl_context.h"
#include "toolkit/ui_window.h"

UITopObject::UITopObject(UIWindow* window_, long object_id_, void (*enter)(long))
    : UIObject(window_, object_id_, enter) {
  window->register_top_object(this);
}

UITopObject::~UITopObject() { window->unlink_top_object(this); }

void UITopObject::set_color_to_text_color() const {
  XGLContext* gl = XGLContext::current_context;
  if (text_colour == transparent_colour_word) {
    gl->set_gl_color_to_transparent();
  } else {
    gl->set_gl_color(float((text_colour >> 16) & 0xFF) / 255,
                     float((text_colour >> 8) & 0xFF) / 255, float(text_colour & 0xFF) / 255);
  }
}

void UITopObject::draw_inactive_stipple() const {
  XGLContext* gl = XGLContext::current_context;
  if (light_fill) gl->set_gl_color(0.86f, 0.86f, 0.86f);
  else set_color_to_background();
  gl->enable_polygon_stipple(true);
  fill(x + 1, y + height - 2, x + width - 1, y);
  gl->enable_polygon_stipple(false);
}
