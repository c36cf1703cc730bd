#include "toolkit/ui_slider.h"

#include <algorithm>

#include "gl/gl_context.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

UISlider::UISlider(UIWindow* window_, long object_id_, void (*enter)(long))
    : UITopObject(window_, object_id_, enter) {
  minimum_width = 26;
  minimum_height = 27;
}

long UISlider::value() const {
  return minimum + long(double(maximum - minimum) * knob_position / track_length + 0.5);
}

void UISlider::reconfigure(short x_, short y_, unsigned short width_, unsigned short height_,
                           bool black_border_, bool light_fill_, long minimum_, long maximum_,
                           long value_, void (*activate)(long), void (*change)(long),
                           bool busy_exempt_) {
  busy_exempt = busy_exempt_;
  unsigned short w = std::max<unsigned short>(26, width_);
  unsigned short h = std::max<unsigned short>(27, height_);
  minimum = minimum_;
  maximum = maximum_;
  bool across = h < w;
  track_length = short((across ? w : h) - 26);
  cursor = AppContext->cursors[change == nullptr ? UIAppContext::cursor_left_ptr
                               : across          ? UIAppContext::cursor_sb_h_double_arrow
                                                 : UIAppContext::cursor_sb_v_double_arrow];
  // An empty range leaves the knob at the start.
  long knob = maximum == minimum
                  ? 0
                  : long(double(track_length) * double(value_ - minimum) /
                             double(maximum - minimum) + 0.5);
  knob = std::clamp<long>(knob, 0, track_length);
  bool moved = x_ != x || y_ != y || w != width || h != height;
  if (moved && window->mapped) erase();
  if (moved || black_border_ != black_border || light_fill_ != light_fill ||
      change != change_cb || knob != knob_position) {
    x = x_;
    y = y_;
    width = w;
    height = h;
    black_border = black_border_;
    light_fill = light_fill_;
    knob_position = short(knob);
    change_cb = change;
    damaged = true;
  }
  activate_cb = activate;
}

void UISlider::redraw_knob() const {
  window->begin_drawing();
  int k = knob_position;
  int w = width, h = height;
  if (horizontal()) {
    draw_shadow(true, short(k + 5), 5, short(k + 20), short(h - 6));
    draw_shadow(true, short(k + 11), 7, short(k + 14), short(h - 8));
  } else {
    draw_shadow(true, 5, short(h - k - 20), short(w - 6), short(h - k - 5));
    draw_shadow(true, 7, short(h - k - 14), short(w - 8), short(h - k - 11));
  }
  if (change_cb == nullptr) draw_inactive_stipple();
}

void UISlider::set_slider_pos(short position) {
  position = std::clamp<short>(position, 0, track_length);
  if (position == knob_position) return;
  if (window->mapped) {
    window->begin_drawing();
    if (light_fill) XGLContext::current_context->set_gl_color(0.86f, 0.86f, 0.86f);
    else set_color_to_background();
    int k = knob_position;
    if (horizontal()) fill(x + k + 5, y + 4, x + k + 21, y + height - 6);
    else fill(x + 5, y + height - k - 21, x + width - 5, y + height - k - 5);
  }
  knob_position = position;
  if (window->mapped) redraw_knob();
}

void UISlider::draw() {
  background_colour = window->background_colour;
  draw_border();
  draw_shadow(false, 2, 2, short(width - 3), short(height - 3));
  clear_background(3);
  redraw_knob();
  UIObject::draw();
}

bool UISlider::handle_event(const XEvent* event) {
  if (event->type == ButtonRelease && event->xbutton.button == Button1) {
    if (activate_cb != nullptr) activate_cb(object_id);
    return true;
  }
  int px, py;
  if (event->type == ButtonPress && event->xbutton.button == Button1) {
    px = event->xbutton.x;
    py = event->xbutton.y;
  } else if (event->type == MotionNotify && (event->xmotion.state & Button1Mask) != 0) {
    px = event->xmotion.x;
    py = event->xmotion.y;
  } else {
    return false;
  }
  if (change_cb == nullptr) return false;
  long old = value();
  // The knob's centre, 13 pixels in, goes under the pointer.
  set_slider_pos(short(horizontal() ? px - x - 13 : height - (py - y) - 13));
  if (value() != old) change_cb(object_id);
  return true;
}
