#include "toolkit/ui_object.h"

#include <GL/gl.h>

#include "gl/gl_context.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

UIObject* UIObject::selected_object = nullptr;
int UIObject::reshape_type = 0;

namespace {
void (*configure_cb)(bool, bool, bool, bool) = nullptr;
void (*end_configure_cb)() = nullptr;
void (*pick_cb)(const UIObject*, long) = nullptr;
short down_mouse_x, down_mouse_y, down_origin_x, down_origin_y, down_size_x, down_size_y;

XGLContext* gl() { return XGLContext::current_context; }

int dispatch_depth = 0;
UIObject* first_discarded = nullptr;

void set_colour_word(unsigned long word) {
  if (word == transparent_colour_word) {
    gl()->set_gl_color_to_transparent();
  } else if (word == background_colour_word) {
    gl()->set_gl_color(AppContext->background_red, AppContext->background_green,
                       AppContext->background_blue);
  } else {
    gl()->set_gl_color(float((word >> 16) & 0xFF) / 255, float((word >> 8) & 0xFF) / 255,
                       float(word & 0xFF) / 255);
  }
}
}  // namespace

UIObject::UIObject(UIWindow* window_, long object_id_, void (*enter)(long))
    : window(window_),
      object_id(object_id_ != 0 ? object_id_ : object_tag(this)),
      enter_cb(enter),
      cursor(AppContext->cursors[UIAppContext::cursor_left_ptr]),
      background_colour(window_->background_colour) {}

UIObject::~UIObject() {
  if (selected_object == this) selected_object = nullptr;
  if (window->mapped) erase();
}

void UIObject::discard(UIObject* object) {
  if (object == nullptr) return;
  if (dispatch_depth == 0) {
    delete object;
    return;
  }
  if (object->discarded) return;
  object->discarded = true;
  if (UIWindow::current_object == object) UIWindow::current_object = nullptr;
  object->next_discarded = first_discarded;
  first_discarded = object;
}

void UIObject::delete_discarded(const UIWindow* only) {
  UIObject** link = &first_discarded;
  while (*link != nullptr) {
    UIObject* object = *link;
    if (only != nullptr && object->window != only) {
      link = &object->next_discarded;
      continue;
    }
    *link = object->next_discarded;
    UIWindow* window = object->window;
    delete object;  // erases its rectangle and damages what it covered
    if (only == nullptr) window->repair_objects();
  }
}

UIObject::DispatchScope::DispatchScope() { ++dispatch_depth; }

UIObject::DispatchScope::~DispatchScope() {
  if (--dispatch_depth == 0) delete_discarded(nullptr);
}

bool UIObject::handle_event(const XEvent*) { return false; }

bool UIObject::handle_enter() {
  window->set_cursor(cursor);
  if (enter_cb == nullptr) return false;
  enter_cb(object_id);
  return true;
}

bool UIObject::handle_leave() { return false; }
bool UIObject::handle_button_down_enter() { return handle_enter(); }
bool UIObject::handle_button_down_leave() { return handle_leave(); }

void UIObject::draw() {
  if (selected_object == this) draw_handles();
  damaged = false;
}

void UIObject::fill(int x1, int y1, int x2, int y2) { glRecti(x1, y1, x2, y2); }

void UIObject::draw_rectangle(short x1, short y1, short x2, short y2) const {
  glBegin(GL_LINE_LOOP);
  glVertex2i(x + x1, y + y1);
  glVertex2i(x + x1, y + y2);
  glVertex2i(x + x2, y + y2);
  glVertex2i(x + x2, y + y1);
  glEnd();
}

void UIObject::draw_thick_rectangle(unsigned short t, short x1, short y1, short x2,
                                    short y2) const {
  if (t == 1) {
    draw_rectangle(x1, y1, x2, y2);
    return;
  }
  fill(x + x1, y + y1, x + x1 + t, y + y2);
  fill(x + x2 - t, y + y1, x + x2, y + y2);
  fill(x + x1, y + y1, x + x2, y + y1 + t);
  fill(x + x1, y + y2, x + x2, y + y2 - t);
}

void UIObject::draw_shadow(bool raised, short x1, short y1, short x2, short y2) const {
  // Flat shading: each segment takes the colour current at its end vertex.
  float first = raised ? 1.0f : 0.0f;
  glBegin(GL_LINE_STRIP);
  gl()->set_gl_color(first, first, first);
  glVertex2i(x + x2, y + y2);
  glVertex2i(x + x2, y + y1);
  glVertex2i(x + x1, y + y1);
  gl()->set_gl_color(1 - first, 1 - first, 1 - first);
  glVertex2i(x + x1, y + y2);
  glVertex2i(x + x2, y + y2);
  glEnd();
}

void UIObject::draw_border() const {
  window->begin_drawing();
  if (black_border) gl()->set_gl_color(0, 0, 0);
  else window->set_color_to_window_background();
  draw_rectangle(0, short(height - 1), short(width - 1), 0);
  window->set_color_to_window_background();
  draw_rectangle(1, short(height - 2), short(width - 2), 1);
}

void UIObject::erase() const {
  window->begin_drawing();
  window->set_color_to_window_background();
  fill(x, y + height - 1, x + width, y - 1);
  window->damage_colliding_objects(this);
}

void UIObject::clear_background(unsigned short inset) const {
  if (light_fill) gl()->set_gl_color(0.86f, 0.86f, 0.86f);
  else set_color_to_background();
  fill(x + inset, y + height - inset - 1, x + width - inset, y + inset - 1);
}

void UIObject::set_color_to_background() const { set_colour_word(background_colour); }

void UIObject::draw_handles() const {
  window->begin_drawing();
  int w = width;
  int h = height;
  int mx = x + w / 2;
  int my = y + h / 2;
  gl()->set_gl_color(0, 0, 0);
  fill(x + 7, y + 6, x + w - 7, y - 1);
  fill(x + 7, y + h - 1, x + w - 7, y + h - 8);
  fill(x, y + h - 8, x + 7, y + 6);
  fill(x + w - 7, y + h - 8, x + w, y + 6);
  gl()->set_gl_color(1, 1, 1);
  glBegin(GL_LINE_LOOP);
  glVertex2i(x + 3, y + h - 4);
  glVertex2i(x + 3, y + 3);
  glVertex2i(x + w - 4, y + 3);
  glVertex2i(x + w - 4, y + h - 4);
  glEnd();
  fill(x, y + 6, x + 7, y - 1);
  fill(mx - 3, y + 6, mx + 4, y - 1);
  fill(x + w - 7, y + 6, x + w, y - 1);
  fill(x, my + 3, x + 7, my - 4);
  fill(x + w - 7, my + 3, x + w, my - 4);
  fill(x, y + h - 1, x + 7, y + h - 8);
  fill(mx - 3, y + h - 1, mx + 4, y + h - 8);
  fill(x + w - 7, y + h - 1, x + w, y + h - 8);
}

void UIObject::select_object() {
  if (selected_object == this) return;
  if (selected_object != nullptr) selected_object->deselect_object();
  selected_object = this;
  UIObject::draw();
  reshape_type = 0;
  window->set_cursor(AppContext->cursors[UIAppContext::cursor_left_ptr]);
}

void UIObject::deselect_object() {
  selected_object = nullptr;
  window->set_cursor(AppContext->cursors[UIAppContext::cursor_left_ptr]);
  erase();
  draw();
}

void UIObject::draw_selected_object() {
  if (selected_object != nullptr) selected_object->draw();
}

void UIObject::set_callbacks(void (*configure)(bool, bool, bool, bool), void (*end_configure)(),
                             void (*pick)(const UIObject*, long)) {
  configure_cb = configure;
  end_configure_cb = end_configure;
  pick_cb = pick;
}

void UIObject::update_reshape_type(short px, short py) {
  struct Zone { int type; UIAppContext::CursorIndex cursor; };
  static const Zone zones[10] = {
      {0, UIAppContext::cursor_left_ptr},
      {1, UIAppContext::cursor_top_left_corner}, {2, UIAppContext::cursor_top_side},
      {3, UIAppContext::cursor_top_right_corner}, {4, UIAppContext::cursor_left_side},
      {5, UIAppContext::cursor_fleur}, {6, UIAppContext::cursor_right_side},
      {7, UIAppContext::cursor_bottom_left_corner}, {8, UIAppContext::cursor_bottom_side},
      {9, UIAppContext::cursor_bottom_right_corner},
  };
  int w = width;
  int h = height;
  int mx = x + w / 2;
  int my = y + h / 2;
  bool top = py < y + 7;
  bool bottom = py > y + h - 7;
  bool middle_row = my - 3 <= py && py <= my + 3;
  int type = 5;
  if (px < x + 7) {
    if (top) type = 1;
    else if (bottom) type = 7;
    else if (middle_row) type = 4;
  } else if (px > x + w - 7) {
    if (top) type = 3;
    else if (bottom) type = 9;
    else if (middle_row) type = 6;
  } else if (mx - 3 <= px && px < mx + 3) {
    if (top) type = 2;
    else if (bottom) type = 8;
  }
  reshape_type = type;
  window->set_cursor(AppContext->cursors[zones[type].cursor]);
}

bool UIObject::handle_ib_event(const XEvent* event) {
  switch (event->type) {
    case ButtonPress:
      if (event->xbutton.button != Button1 || pick_cb == nullptr || enter_cb == nullptr) {
        return false;
      }
      pick_cb(this, object_id);
      if (selected_object == this) {
        update_reshape_type(short(event->xbutton.x), short(event->xbutton.y));
        down_mouse_x = short(event->xbutton.x);
        down_mouse_y = short(event->xbutton.y);
        down_origin_x = x;
        down_origin_y = y;
        down_size_x = short(width);
        down_size_y = short(height);
      }
      return true;
    case ButtonRelease:
      if (event->xbutton.button != Button1) return false;
      update_reshape_type(short(event->xbutton.x), short(event->xbutton.y));
      if (selected_object == this && end_configure_cb != nullptr) end_configure_cb();
      return true;
    case MotionNotify: {
      if ((event->xmotion.state & Button1Mask) == 0) {
        update_reshape_type(short(event->xmotion.x), short(event->xmotion.y));
        return false;
      }
      if (selected_object != this || reshape_type == 0 || configure_cb == nullptr) return false;
      int dx = event->xmotion.x - down_mouse_x;
      int dy = event->xmotion.y - down_mouse_y;
      int nx = x, ny = y, nw = width, nh = height;
      int t = reshape_type;
      if (t == 1 || t == 2 || t == 3) { ny = down_origin_y + dy; nh = down_size_y - dy; }
      if (t == 7 || t == 8 || t == 9) nh = down_size_y + dy;
      if (t == 1 || t == 4 || t == 7) { nx = down_origin_x + dx; nw = down_size_x - dx; }
      if (t == 3 || t == 6 || t == 9) nw = down_size_x + dx;
      if (t == 5) { nx = down_origin_x + dx; ny = down_origin_y + dy; }
      bool changed = nx != x || ny != y || nw != width || nh != height;
      if (nw >= minimum_width && nh >= minimum_height && nx >= 0 && ny >= 0 && changed) {
        configure_cb(nx != x, ny != y, nw != width, nh != height);
        short ox = x, oy = y;
        unsigned short ow = width, oh = height;
        x = short(nx);
        y = short(ny);
        width = static_cast<unsigned short>(nw);
        height = static_cast<unsigned short>(nh);
        damaged = true;
        window->clear_and_repair(ox, oy, short(ox + ow), short(oy + oh));
      }
      return true;
    }
    default:
      return false;
  }
}
