#include "toolkit/ui_tab_button.h"
#include "toolkit/widget_geometry.h"

#include <GL/gl.h>

#include <algorithm>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

namespace {
constexpr unsigned char tab_font = 7;

// One sixth towards the middle: down when above 1/6, else up.
float shifted(float c) { return c > 1.0f / 6 ? c - 1.0f / 6 : c + 1.0f / 6; }
}  // namespace

UITabButton::UITabButton(UIWindow* window_, long object_id_, short x_,
                         unsigned short min_width, const char* text, void (*activate)(long))
    : UIImageObject(window_, object_id_, nullptr), activate_cb(activate) {
  image = new ImageText(0, tab_font, dup_chars(text));
  image_serial = image->serial;
  x = x_;
  y = 0;
  minimum_height = height = static_cast<unsigned short>(image->height + 10);
  minimum_width = static_cast<unsigned short>(image->width + 10);
  width = std::max(minimum_width, min_width);
  cursor = action_cursor(activate != nullptr);
  damaged = true;
}

void UITabButton::set_activate_callback(void (*activate)(long)) {
  activate_cb = activate;
  cursor = action_cursor(activate != nullptr);
  if (window->mapped) draw();
}

void UITabButton::set_text(const char* text) {
  delete image;
  image = new ImageText(0, tab_font, dup_chars(text));
  image_serial = image->serial;
  minimum_height = height = static_cast<unsigned short>(image->height + 10);
  minimum_width = static_cast<unsigned short>(image->width + 10);
  width = std::max(minimum_width, width);
  damaged = true;
  window->clear_and_repair(x, y, short(x + width), short(y + height));
}

bool UITabButton::handle_event(const XEvent* event) {
  if (event->type != ButtonPress || event->xbutton.button != Button1 || activate_cb == nullptr) {
    return false;
  }
  activate_cb(object_id);
  return true;
}

void UITabButton::draw() {
  window->begin_drawing();
  XGLContext* gl = XGLContext::current_context;
  bool current = activate_cb == nullptr;
  int w = width;
  int h = height;
  int L = x;
  int R = x + minimum_width;  // the tab's shape; the base line takes the full width
  int B = y + h - 3;
  int T = y + (current ? 2 : 4);
  float edge = current ? 1.0f : 0.86f;
  if (!current) {
    window->set_color_to_window_background();
    fill(L, T - 3, R, T + 1);
  }
  gl->set_line_width(1);
  gl->set_gl_color(0, 0, 0);
  glBegin(GL_LINE_STRIP);
  glVertex2i(R - 1, B);
  glVertex2i(R - 1, T + 2);
  glVertex2i(R - 2, T);
  glEnd();
  gl->set_gl_color(edge, edge, edge);
  glBegin(GL_LINE_STRIP);
  glVertex2i(L, B);
  glVertex2i(L, T + 2);
  glVertex2i(L + 2, T);
  glVertex2i(R - 2, T);
  glEnd();
  if (current) {
    // Flat shading: the base line is open under the tab and white beyond it.
    glBegin(GL_LINE_STRIP);
    glVertex2i(x, B);
    window->set_color_to_window_background();
    glVertex2i(R - 1, B);
    gl->set_gl_color(1, 1, 1);
    glVertex2i(x + w, B);
    glEnd();
  } else {
    gl->set_gl_color(1, 1, 1);
    glBegin(GL_LINES);
    glVertex2i(x, B);
    glVertex2i(x + w, B);
    glEnd();
  }
  float r, g, b;
  window->get_background_rgb(r, g, b);
  if (current) window->set_color_to_window_background();
  else gl->set_gl_color(shifted(r), shifted(g), shifted(b));
  fill(L + 1, B - 1, R - 1, T);
  gl->set_gl_color(0, 0, 0);
  glBegin(GL_LINES);
  glVertex2i(R - 1, T + 2);
  glVertex2i(R - 2, T);
  glEnd();
  gl->set_gl_color(edge, edge, edge);
  glBegin(GL_LINES);
  glVertex2i(L, T + 2);
  glVertex2i(L + 2, T);
  glEnd();
  gl->set_gl_color(0, 0, 0);
  image->draw(float(x + 5), float(y + h - (current ? 6 : 5)), 0);
  damaged = false;
}
