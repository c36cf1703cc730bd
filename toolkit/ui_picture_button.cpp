#include "toolkit/ui_picture_button.h"

#include <algorithm>

#include "gl/gl_context.h"
#include "toolkit/image_picture.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"
#include "toolkit/widget_geometry.h"

UIPictureButton::UIPictureButton(UIWindow* window_, long object_id_, void (*enter)(long))
    : UITopObject(window_, object_id_, enter) {}

UIPictureButton::~UIPictureButton() {
  for (ImagePicture* p : pictures) delete p;
}

void UIPictureButton::reconfigure(short x_, short y_, unsigned short width_,
                                  unsigned short height_, bool black_border_, bool light_fill_,
                                  unsigned long text_color, ImagePicture* normal_,
                                  ImagePicture* over, ImagePicture* pressed_,
                                  void (*activate)(long), bool busy_exempt_) {
  busy_exempt = busy_exempt_;
  ImagePicture* given[3] = {normal_, over, pressed_};
  bool changed = false;
  for (int i = 0; i < 3; ++i) {
    ImagePicture* p = given[i];
    if (p == nullptr || (pictures[i] != nullptr && p->serial == pictures[i]->serial)) continue;
    delete pictures[i];
    pictures[i] = p;
    // Only the normal picture gives the natural size or counts as a change.
    if (i == normal) {
      minimum_width = static_cast<unsigned short>(p->width + 2);
      minimum_height = static_cast<unsigned short>(p->height + 2);
      changed = true;
    }
  }
  changed |= black_border_ != black_border || light_fill_ != light_fill ||
             text_color != text_colour || activate != activate_cb;
  bool geometry = take_geometry(*this, x_, y_, width_, height_);
  if (!geometry && !changed) return;
  store_geometry(*this, x_, y_, width_, height_);
  black_border = black_border_;
  light_fill = light_fill_;
  text_colour = text_color;
  activate_cb = activate;
  cursor = action_cursor(activate != nullptr);
  damaged = true;
}

UIPictureButton::Placement UIPictureButton::place() const {
  const ImagePicture* p = pictures[state];
  int pw = p != nullptr ? p->width : 0;
  int ph = p != nullptr ? p->height : 0;
  int left = x + (width - pw) / 2;
  int bottom = y + height - (height - ph) / 2 - 1;
  return {left, bottom, bottom - ph, pw};
}

void UIPictureButton::set_state(states s) {
  if (activate_cb == nullptr || selected_object == this) s = normal;
  if (s == state) return;
  if (state == normal) {
    state = s;
    if (window->mapped) draw();
    return;
  }
  // The old picture may reach beyond the button: clear it and repair below.
  Placement old = place();
  state = s;
  if (s != normal) window->pop_top_object(this);
  window->clear_and_repair(short(old.left), short(old.top), short(old.left + old.width),
                           short(old.bottom));
}

bool UIPictureButton::handle_enter() {
  set_state(pointer_over);
  return true;
}

bool UIPictureButton::handle_leave() {
  set_state(normal);
  return true;
}

bool UIPictureButton::handle_event(const XEvent* event) {
  if (event->type == ButtonPress && event->xbutton.button == Button1 && activate_cb != nullptr) {
    set_state(pressed);
    return true;
  }
  if (event->type == ButtonRelease && event->xbutton.button == Button1 && state == pressed) {
    int px = event->xbutton.x;
    int py = event->xbutton.y;
    if (x <= px && px < x + width && y <= py && py < y + height) {
      if (activate_cb != nullptr) activate_cb(object_id);
      set_state(pointer_over);
    } else {
      set_state(normal);
    }
    return true;
  }
  return false;
}

void UIPictureButton::draw() {
  window->begin_drawing();
  Placement p = place();
  if (p.left > x || p.top > y) {
    // Fill area as pixel columns [x1, x2) and rows [y1, y2).
    int x1 = x, y1 = y, x2 = x + width, y2 = y + height;
    if (black_border) {
      XGLContext::current_context->set_gl_color(0, 0, 0);
      draw_rectangle(0, short(height - 1), short(width - 1), 0);
      ++x1, ++y1, --x2, --y2;
    }
    if (light_fill) XGLContext::current_context->set_gl_color(0.86f, 0.86f, 0.86f);
    else set_color_to_background();
    int cl = std::max(p.left, x1);
    int cr = std::min(p.left + p.width, x2);
    if (cl > x1) fill(x1, y1 - 1, cl, y2 - 1);
    if (cr < x2) fill(cr, y1 - 1, x2, y2 - 1);
    if (p.top >= y1) fill(cl, y1 - 1, cr, p.top);
    if (p.bottom < y2 - 1) fill(cl, p.bottom, cr, y2 - 1);
  }
  if (pictures[state] != nullptr) pictures[state]->draw(float(p.left), float(p.bottom), 0);
  if (activate_cb == nullptr) draw_inactive_stipple();
  UIObject::draw();
}
