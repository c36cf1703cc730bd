#include "toolkit/ui_thumb_wheel.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "gl/gl_context.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

short UIThumbWheel::thumb_wheel_coordinate = 0;

namespace {
constexpr float cube_step = 1.0f / 6;
constexpr int groove_spacing = 12;  // units of value between grooves at the centre

XGLContext* gl() { return XGLContext::current_context; }
}  // namespace

UIThumbWheel::UIThumbWheel(UIWindow* window_, long object_id_, void (*enter)(long))
    : UITopObject(window_, object_id_, enter) {
  minimum_width = 14;
  minimum_height = 14;
}

void UIThumbWheel::reconfigure(short x_, short y_, unsigned short width_,
                               unsigned short height_, bool black_border_, bool light_fill_,
                               long value_, void (*activate)(long, long),
                               void (*change)(long, long), bool busy_exempt_) {
  busy_exempt = busy_exempt_;
  unsigned short w = std::max<unsigned short>(14, width_);
  unsigned short h = std::max<unsigned short>(14, height_);
  cursor = AppContext->cursors[change == nullptr ? UIAppContext::cursor_left_ptr
                               : h < w           ? UIAppContext::cursor_sb_h_double_arrow
                                                 : UIAppContext::cursor_sb_v_double_arrow];
  bool moved = x_ != x || y_ != y || w != width || h != height;
  if (moved && window->mapped) erase();
  if (moved || black_border_ != black_border || light_fill_ != light_fill ||
      change != change_cb || value_ != value) {
    x = x_;
    y = y_;
    width = w;
    height = h;
    black_border = black_border_;
    light_fill = light_fill_;
    change_cb = change;
    value = value_;
    damaged = true;
  }
  activate_cb = activate;
}

bool UIThumbWheel::handle_event(const XEvent* event) {
  switch (event->type) {
    case ButtonPress:
      if (event->xbutton.button != Button1) return false;
      thumb_wheel_coordinate = short(horizontal() ? event->xbutton.x : event->xbutton.y);
      return true;
    case MotionNotify: {
      if ((event->xmotion.state & Button1Mask) == 0) return false;
      short c = short(horizontal() ? event->xmotion.x : event->xmotion.y);
      if (c == thumb_wheel_coordinate) return true;
      if (change_cb != nullptr) change_cb(object_id, value + c - thumb_wheel_coordinate);
      thumb_wheel_coordinate = c;
      return true;
    }
    case ButtonRelease: {
      if (event->xbutton.button != Button1) return false;
      short c = short(horizontal() ? event->xbutton.x : event->xbutton.y);
      if (activate_cb != nullptr) activate_cb(object_id, value + c - thumb_wheel_coordinate);
      thumb_wheel_coordinate = c;
      return true;
    }
    default:
      return false;
  }
}

void UIThumbWheel::draw_grooves() const {
  int along = horizontal() ? width : height;
  int across = horizontal() ? height : width;
  int half = along / 2;
  int phase = int(value % groove_spacing);  // takes the value's sign
  float r, g, b;
  window->get_background_rgb(r, g, b);
  auto t_at = [&](int i) {
    return std::fabs(std::cos(float(i - half) / float(half) * float(M_PI) / 2));
  };
  auto line = [&](int i, float t, bool groove, bool highlight) {
    if (groove) {
      gl()->set_gl_color(0, 0, 0);
    } else if (highlight) {
      gl()->set_gl_color(1, 1, 1);
    } else {
      float lift = 0.75f * t * t;
      gl()->set_gl_color(std::min(1.0f, t * r + lift), std::min(1.0f, t * g + lift),
                         std::min(1.0f, t * b + lift));
    }
    glBegin(GL_LINES);
    if (horizontal()) {
      glVertex2i(x + i, y + 5);
      glVertex2i(x + i, y + across - 6);
    } else {
      glVertex2i(x + 5, y + i);
      glVertex2i(x + across - 6, y + i);
    }
    glEnd();
  };
  // Upwards from the middle, then downwards; the grooves crowd towards the ends.
  int groove = half + phase + (phase < 0 ? groove_spacing : 0);
  for (int i = half; i <= along - 6; ++i) {
    float t = t_at(i);
    bool at_groove = i == groove;
    line(i, t, at_groove, i == groove - 6);
    if (at_groove) groove += std::max(1, int(groove_spacing * t));
  }
  groove = half + phase - (phase > 0 ? groove_spacing : 0);
  for (int i = half; i >= 6; --i) {
    float t = t_at(i);
    bool at_groove = i == groove;
    line(i, t, at_groove, i == groove + 6);
    if (at_groove) groove -= std::max(1, int(groove_spacing * t));
  }
}

void UIThumbWheel::draw_shading_strips() const {
  int along = horizontal() ? width : height;
  float r, g, b;
  window->get_background_rgb(r, g, b);
  auto shade = [](float c, float step) { return std::clamp(c + step, 0.0f, 1.0f); };
  auto darker = [&](float c) { return c <= cube_step ? 0.0f : c - cube_step; };
  const float black[3] = {0, 0, 0};
  const float dark[3] = {darker(r), darker(g), darker(b)};
  const float light[3] = {shade(r, cube_step), shade(g, cube_step), shade(b, cube_step)};
  const float lightest[3] = {shade(r, 2 * cube_step), shade(g, 2 * cube_step),
                             shade(b, 2 * cube_step)};
  struct Vertex { int position; const float* colour; };
  int l = along;
  const Vertex strip[] = {
      {horizontal() ? 6 : 5, black}, {5 + l / 8, black},     {5 + l / 4, dark},
      {5 + 3 * l / 8, light},       {5 + 5 * l / 8, lightest}, {5 + 6 * l / 8, light},
      {5 + 7 * l / 8, dark},        {horizontal() ? l - 10 : l - 6, black},
  };
  int sides[2] = {6, (horizontal() ? height : width) - 7};
  for (int side : sides) {
    glBegin(GL_LINE_STRIP);
    for (const Vertex& v : strip) {
      gl()->set_gl_color(v.colour);
      if (horizontal()) glVertex2i(x + v.position, y + side);
      else glVertex2i(x + side, y + v.position);
    }
    glEnd();
  }
}

void UIThumbWheel::draw() {
  draw_border();
  draw_shadow(false, 2, 2, short(width - 3), short(height - 3));
  draw_grooves();
  draw_shading_strips();
  gl()->set_gl_color(0, 0, 0);
  draw_rectangle(5, 5, short(width - 6), short(height - 6));
  if (change_cb == nullptr) draw_inactive_stipple();
  UIObject::draw();
}
