#include "toolkit/ui_menu_button.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"
#include "toolkit/widget_geometry.h"

UIMenuButton* UIMenuButton::mb_with_cursor = nullptr;

UIMenuButton::UIMenuButton(UIWindow* window_, long object_id_, void (*enter)(long))
    : UIImageObject(window_, object_id_, enter) {}

UIMenuButton::~UIMenuButton() {
  if (window->highlighted_menu_entry == this) window->highlighted_menu_entry = nullptr;
  if (mb_with_cursor == this) mb_with_cursor = nullptr;
}

void UIMenuButton::shortcut_text(uint16_t code, char text[4]) {
  if (code == no_shortcut || code == submenu || code == no_shortcut_either) {
    text[0] = '\0';
  } else if (code >= 33 && code <= 126) {
    snprintf(text, 4, "%c", code);
  } else if (code >= 1 && code <= 31) {
    snprintf(text, 4, "^%c", code + 64);
  } else if (code == 32) {
    snprintf(text, 4, "SP");
  } else {
    snprintf(text, 4, "%.2X", unsigned(code & 0xFF));
  }
}

void UIMenuButton::reconfigure(short x_, short y_, unsigned short width_,
                               unsigned short height_, bool black_border_, bool light_fill_,
                               unsigned long text_color, unsigned long background, Image* image_,
                               bool out_, unsigned short shortcut_code_, void (*activate)(long),
                               void (*second)(long)) {
  second_cb = second;
  bool changed = false;
  if (image_ != nullptr && image_->serial != image_serial) {
    delete image;
    image = image_;
    image_serial = image_->serial;
    font_index = image->get_matching_font_index();
    changed = true;
  }
  if (shortcut_code_ != shortcut_code) {
    shortcut_code = shortcut_code_;
    changed = true;
  }
  if (changed) {
    int w = (image != nullptr ? image->width : 0) + 10;
    int h = image != nullptr ? image->height : 0;
    if (!shows_no_shortcut()) {
      ImageText underscore(0, font_index, dup_chars("_"));
      h = std::max<int>(h, underscore.height);
      shortcut_room = static_cast<uint16_t>(2 * underscore.width);
      w += 8 + shortcut_room;
    }
    minimum_width = static_cast<unsigned short>(w);
    minimum_height = static_cast<unsigned short>(h + 10);
  }
  changed |= black_border_ != black_border || light_fill_ != light_fill ||
             text_color != text_colour || background != background_colour || out_ != out ||
             activate != activate_cb;
  bool geometry = take_geometry(*this, x_, y_, width_, height_);
  if (!geometry && !changed) return;
  store_geometry(*this, x_, y_, width_, height_);
  store_look(*this, black_border_, light_fill_, text_color, background);
  if (out_ != out) mark_out(out_);
  activate_cb = activate;
  cursor = action_cursor(activate != nullptr);
  damaged = true;
}

void UIMenuButton::mark_out(bool out_) {
  UIMenuButton* other = window->highlighted_menu_entry;
  if (out_ && other != nullptr && other != this) other->set_out(false);
  out = out_;
  window->highlighted_menu_entry = out_ ? this : nullptr;
  mb_with_cursor = out_ ? this : nullptr;
}

void UIMenuButton::set_out(bool out_) {
  if (out_ == out) return;
  mark_out(out_);
  if (!window->mapped) return;
  window->begin_drawing();
  draw_menu_shadow();
  if (shortcut_code == submenu) draw_arrow();
}

void UIMenuButton::draw_menu_shadow() const {
  if (out) {
    draw_shadow(true, short(width - 3), 2, 2, short(height - 3));
  } else {
    set_color_to_background();
    draw_rectangle(2, short(height - 3), short(width - 3), 2);
  }
}

void UIMenuButton::draw_arrow() const {
  XGLContext* gl = XGLContext::current_context;
  int w = width;
  int r = shortcut_room;
  int c = 5 + (image != nullptr ? image->height : 0) / 2;
  float first = out ? 1.0f : 0.0f;
  gl->set_gl_color(first, first, first);
  glBegin(GL_LINES);
  glVertex2i(x + w - 9, y + c);
  glVertex2i(x + w - r - 5, y + c + r / 3);
  glEnd();
  gl->set_gl_color(1 - first, 1 - first, 1 - first);
  glBegin(GL_LINE_STRIP);
  glVertex2i(x + w - 9, y + c);
  glVertex2i(x + w - r - 5, y + c - r / 3);
  glVertex2i(x + w - r - 5, y + c + r / 3);
  glEnd();
}

void UIMenuButton::draw() {
  draw_border();
  draw_menu_shadow();
  clear_background(3);
  set_color_to_text_color();
  float bottom = float(y + height - (height - minimum_height) / 2 - 6);
  if (image != nullptr) image->draw(float(x + 5), bottom, 0);
  char text[4];
  shortcut_text(shortcut_code, text);
  if (shortcut_code == submenu) draw_arrow();
  if (text[0] != '\0') {
    ImageText shortcut(0, font_index, dup_chars(text));
    shortcut.draw(float(x + width - shortcut_room - 11), bottom, 0);
  }
  if (activate_cb == nullptr) draw_inactive_stipple();
  UIObject::draw();
}

bool UIMenuButton::handle_event(const XEvent* event) {
  if (event->type == ButtonPress) {
    if (activate_cb == nullptr) return false;
    set_out(true);
    if (shortcut_code < submenu) {
      if (second_cb != nullptr) second_cb(object_id);
      else activate_cb(object_id);
    } else {
      UIWindow::ungrab_pointer();  // lets the pointer slide into the submenu
      activate_cb(object_id);
    }
    return true;
  }
  if (event->type == ButtonRelease) {
    int px = event->xbutton.x;
    int py = event->xbutton.y;
    bool inside = x <= px && px < x + width && y <= py && py < y + height;
    if (activate_cb == nullptr || shortcut_code > no_shortcut || !inside) return false;
    activate_cb(object_id);
    return true;
  }
  return false;
}

bool UIMenuButton::handle_button_down_enter() {
  window->set_cursor(cursor);
  if (shortcut_code < submenu) {
    if (second_cb != nullptr) second_cb(object_id);
    set_out(true);
    return true;
  }
  if (activate_cb == nullptr) return false;
  set_out(true);
  activate_cb(object_id);
  return true;
}

bool UIMenuButton::handle_button_down_leave() {
  if (shortcut_code < submenu) set_out(false);
  return true;
}

bool UIMenuButton::handle_leave() {
  mb_with_cursor = nullptr;
  return true;
}
