#include "toolkit/ui_check_button.h"

#include <GL/gl.h>

#include <algorithm>

#include "gl/gl_context.h"
#include "toolkit/image.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"
#include "toolkit/widget_geometry.h"

UICheckButton::UICheckButton(UIWindow* window_, long object_id_, void (*enter)(long))
    : UIImageObject(window_, object_id_, enter) {}

void UICheckButton::reconfigure(short x_, short y_, unsigned short width_,
                                unsigned short height_, bool black_border_, bool light_fill_,
                                unsigned long text_color, unsigned long background,
                                Image* image_, bool checked_, void (*toggle)(long, bool),
                                bool busy_exempt_) {
  busy_exempt = busy_exempt_;
  bool changed = false;
  if (image_ != nullptr && image_->serial != image_serial) {
    delete image;
    image = image_;
    image_serial = image_->serial;
    changed = true;
  }
  int image_width = image != nullptr ? image->width : 0;
  int image_height = image != nullptr ? image->height : 0;
  minimum_height = static_cast<unsigned short>(std::max(image_height + 4, 11));
  int h = std::max<int>(minimum_height, height_);
  uint16_t mark = static_cast<uint16_t>(std::min(h - 4, 14));
  minimum_width = static_cast<unsigned short>(mark * 3 / 2 + 4 + image_width);
  changed |= black_border_ != black_border || light_fill_ != light_fill ||
             text_color != text_colour || background != background_colour ||
             checked_ != checked || toggle != toggle_cb || mark != mark_size;
  bool geometry = take_geometry(*this, x_, y_, width_, height_);
  if (!geometry && !changed) return;
  store_geometry(*this, x_, y_, width_, height_);
  store_look(*this, black_border_, light_fill_, text_color, background);
  checked = checked_;
  toggle_cb = toggle;
  mark_size = mark;
  cursor = action_cursor(toggle != nullptr);
  damaged = true;
}

bool UICheckButton::handle_event(const XEvent* event) {
  if (event->type != ButtonPress || event->xbutton.button != Button1 || toggle_cb == nullptr) {
    return false;
  }
  checked = !checked;
  toggle_cb(object_id, checked);
  if (window->mapped) draw();
  return true;
}

void UICheckButton::draw() {
  draw_border();
  clear_background(3);
  int h = height;
  int m = mark_size;
  int hh = h / 2;
  int hm = m / 2;
  // Raised: top and left white, bottom and right black.
  draw_shadow(true, short(m + 2), short(hh - hm - 1), 2, short(hh + hm - 1));
  if (checked) {
    XGLContext* gl = XGLContext::current_context;
    gl->set_gl_color(0, 0, 0);
    gl->set_line_width(float(std::max(m / 8, 1)));
    glBegin(GL_LINE_STRIP);
    glVertex2f(float(x + 2 + m / 4), float(y + h / 2 - m / 8 - 2));
    glVertex2f(float(x + 2 + m / 4), float(y + h / 2 + m / 4 - 2));
    glVertex2f(x + 2.25f + 3 * m / 4, float(y + h / 2 - m / 4 - 2));
    glEnd();
    gl->set_line_width(1);
  }
  set_color_to_text_color();
  if (image != nullptr) {
    image->draw(float(x + 2 + (11 * m) / 8),
                float(y + h - (h - minimum_height) / 2 - 3), 0);
  }
  if (toggle_cb == nullptr) draw_inactive_stipple();
  UIObject::draw();
}
