#include "toolkit/ui_button.h"

#include <algorithm>

#include "toolkit/image.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"
#include "toolkit/widget_geometry.h"

UIButton::UIButton(UIWindow* window_, long object_id_, void (*enter)(long))
    : UIImageObject(window_, object_id_, enter) {}

void UIButton::reconfigure(short x_, short y_, unsigned short width_, unsigned short height_,
                           bool black_border_, bool light_fill_, unsigned long text_color,
                           unsigned long background, Image* image_, bool in_,
                           void (*activate)(long), bool busy_exempt_) {
  reconfigure_button(x_, y_, width_, height_, black_border_, light_fill_, text_color, background,
                     image_, in_, activate, busy_exempt_, false);
}

void UIButton::reconfigure_button(short x_, short y_, unsigned short width_,
                                  unsigned short height_, bool black_border_, bool light_fill_,
                                  unsigned long text_color, unsigned long background,
                                  Image* image_, bool in_, void (*activate)(long),
                                  bool busy_exempt_, bool return_mark) {
  busy_exempt = busy_exempt_;
  in_ = in_ || armed;  // a rebuild while held keeps the button pressed
  bool changed = false;
  if (image_ != nullptr && image_->serial != image_serial) {
    delete image;
    image = image_;
    image_serial = image_->serial;
    if (return_mark) {
      int m = std::max<int>(image->height, 7);
      minimum_width = static_cast<unsigned short>(image->width + 14 + m);
      minimum_height = static_cast<unsigned short>(m + 10);
    } else {
      minimum_width = static_cast<unsigned short>(image->width + 10);
      minimum_height = static_cast<unsigned short>(image->height + 10);
    }
    changed = true;
  }
  changed |= black_border_ != black_border || light_fill_ != light_fill ||
             text_color != text_colour || background != background_colour || in_ != in ||
             activate != activate_cb;
  bool geometry = take_geometry(*this, x_, y_, width_, height_);
  if (return_mark && changed && !geometry && window->mapped) erase();
  if (!geometry && !changed) return;
  store_geometry(*this, x_, y_, width_, height_);
  store_look(*this, black_border_, light_fill_, text_color, background);
  in = in_;
  activate_cb = activate;
  cursor = action_cursor(activate != nullptr);
  damaged = true;
}

void UIButton::set_in(bool in_) {
  if (in_ == in) return;
  in = in_;
  if (!window->mapped) return;
  window->begin_drawing();
  draw_bevel();
}

bool UIButton::handle_event(const XEvent* event) {
  if (event->type == ButtonPress && event->xbutton.button == Button1 && activate_cb != nullptr) {
    in_at_press = in;
    set_in(true);
    armed = true;
    return true;
  }
  if (event->type == ButtonRelease && event->xbutton.button == Button1 && armed) {
    armed = false;
    int px = event->xbutton.x;
    int py = event->xbutton.y;
    bool inside = x <= px && px < x + width && y <= py && py < y + height;
    if (activate_cb != nullptr && inside) activate_cb(object_id);
    else if (!in_at_press) set_in(false);
    return true;
  }
  return false;
}

void UIButton::draw_bevel() const {
  // Raised: top and left white, bottom and right black.
  draw_shadow(!in, short(width - 3), 2, 2, short(height - 3));
}

void UIButton::draw_face() const {
  draw_border();
  draw_bevel();
  clear_background(3);
  set_color_to_text_color();
  if (image != nullptr) {
    image->draw(float(x + 5 + (width - minimum_width) / 2),
                float(y + height - (height - minimum_height) / 2 - 6), 0);
  }
}

void UIButton::draw() {
  draw_face();
  if (activate_cb == nullptr) draw_inactive_stipple();
  UIObject::draw();
}
