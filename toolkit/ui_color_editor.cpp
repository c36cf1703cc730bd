#include "toolkit/ui_color_editor.h"

#include <GL/gl.h>

#include <algorithm>

#include "gl/gl_context.h"
#include "toolkit/hls.h"
#include "toolkit/ui_window.h"

namespace {
XGLContext* gl() { return XGLContext::current_context; }

void hls_colour(float h, float l, float s) {
  float r, g, b;
  convert_hls_to_rgb(h, l, s, &r, &g, &b);
  gl()->set_gl_color(r, g, b);
}

// A quad with one colour per corner, given as left-bottom, right-bottom,
// right-top, left-top.
void gradient_quad(int x1, int y1, int x2, int y2, const float (&c)[4][3]) {
  glBegin(GL_QUADS);
  gl()->set_gl_color(c[0]);
  glVertex2i(x1, y2);
  gl()->set_gl_color(c[1]);
  glVertex2i(x2, y2);
  gl()->set_gl_color(c[2]);
  glVertex2i(x2, y1);
  gl()->set_gl_color(c[3]);
  glVertex2i(x1, y1);
  glEnd();
}
}  // namespace

UIColorEditor::UIColorEditor(UIWindow* window_, long object_id_, void (*enter)(long))
    : UITopObject(window_, object_id_, enter) {
  minimum_width = 46;
  minimum_height = 30;
}

void UIColorEditor::reconfigure(short x_, short y_, unsigned short width_,
                                unsigned short height_, bool black_border_, bool light_fill_,
                                unsigned int model_, float red_, float green_, float blue_,
                                void (*end)(long), void (*change)(long, float, float, float),
                                bool busy_exempt_) {
  busy_exempt = busy_exempt_;
  unsigned short w = std::max<unsigned short>(46, width_);
  unsigned short h = std::max<unsigned short>(30, height_);
  bool moved = x_ != x || y_ != y || w != width || h != height;
  if (moved || black_border_ != black_border || light_fill_ != light_fill ||
      change != change_cb || model_ != model || red_ != red || green_ != green ||
      blue_ != blue) {
    if (moved && window->mapped) erase();
    x = x_;
    y = y_;
    width = w;
    height = h;
    black_border = black_border_;
    light_fill = light_fill_;
    model = model_;
    change_cb = change;
    damaged = true;
    red = red_;
    green = green_;
    blue = blue_;
    // Hue and saturation survive the colours that do not define them.
    float hh, ll, ss;
    convert_rgb_to_hls(red, green, blue, &hh, &ll, &ss);
    lightness = ll;
    if (ll != 0 && ll != 1) {
      saturation = ss;
      if (ss != 0) hue = hh;
    }
  }
  end_cb = end;
}

void UIColorEditor::update_slider(short py, float* r, float* g, float* b) const {
  int clamped = std::clamp<int>(py, top(), bottom());
  float v = 1 - float(clamped - top()) / float(bottom() - top());
  switch (model) {
    case 1: *r = v; break;
    case 2: *g = v; break;
    case 3: *b = v; break;
    case 4: convert_hls_to_rgb(360 * v, lightness, saturation, r, g, b); break;
    case 5: convert_hls_to_rgb(hue, v, saturation, r, g, b); break;
    case 6: convert_hls_to_rgb(hue, lightness, v, r, g, b); break;
    default: break;
  }
}

void UIColorEditor::update_pane(short px, short py, float* r, float* g, float* b) const {
  int cx = std::clamp<int>(px, pane_left(), pane_right());
  int cy = std::clamp<int>(py, top(), bottom());
  float u = float(cx - pane_left()) / float(pane_right() - pane_left());
  float v = 1 - float(cy - top()) / float(bottom() - top());
  switch (model) {
    case 1: *b = u; *g = v; break;
    case 2: *b = u; *r = v; break;
    case 3: *g = u; *r = v; break;
    case 4: convert_hls_to_rgb(hue, u, v, r, g, b); break;
    case 5: convert_hls_to_rgb(360 * v, lightness, u, r, g, b); break;
    case 6: convert_hls_to_rgb(360 * v, u, saturation, r, g, b); break;
    default: break;
  }
}

void UIColorEditor::drag_to(short px, short py) {
  float r = red, g = green, b = blue;
  if (slider_drag) update_slider(py, &r, &g, &b);
  else if (pane_drag) update_pane(px, py, &r, &g, &b);
  if (r != red || g != green || b != blue) change_cb(object_id, r, g, b);
}

bool UIColorEditor::handle_event(const XEvent* event) {
  if (change_cb == nullptr) return false;
  switch (event->type) {
    case ButtonPress: {
      if (event->xbutton.button != Button1) return false;
      pane_drag = false;
      slider_drag = false;
      int px = event->xbutton.x, py = event->xbutton.y;
      if (py < top() || py > bottom()) return true;
      if (px >= slider_left() && px <= slider_right()) slider_drag = true;
      else if (px >= pane_left() && px <= pane_right()) pane_drag = true;
      drag_to(short(px), short(py));  // the gap between the parts changes nothing
      return true;
    }
    case MotionNotify:
      if ((event->xmotion.state & Button1Mask) != 0 && (pane_drag || slider_drag)) {
        drag_to(short(event->xmotion.x), short(event->xmotion.y));
      }
      return false;
    case ButtonRelease:
      if (event->xbutton.button != Button1 || !(pane_drag || slider_drag)) return false;
      pane_drag = false;
      slider_drag = false;
      if (end_cb != nullptr) end_cb(object_id);
      return true;
    default:
      return false;
  }
}

float UIColorEditor::slider_quantity() const {
  switch (model) {
    case 1: return red;
    case 2: return green;
    case 3: return blue;
    case 4: return hue / 360;
    case 5: return lightness;
    case 6: return saturation;
    default: return 0;
  }
}

void UIColorEditor::pane_quantities(float* u, float* v) const {
  switch (model) {
    case 1: *u = blue; *v = green; break;
    case 2: *u = blue; *v = red; break;
    case 3: *u = green; *v = red; break;
    case 4: *u = lightness; *v = saturation; break;
    case 5: *u = saturation; *v = hue / 360; break;
    case 6: *u = lightness; *v = hue / 360; break;
    default: *u = 0; *v = 0; break;
  }
}

void UIColorEditor::draw_slider_gradient() const {
  int x1 = pane_right() + 11, x2 = x + width - 5;
  int y1 = y + 4, y2 = bottom();
  int rows = y2 - y1;
  switch (model) {
    case 1: case 2: case 3: {
      float top_colour[3] = {0, 0, 0};
      top_colour[model - 1] = 1;
      const float c[4][3] = {{0, 0, 0}, {0, 0, 0}, {top_colour[0], top_colour[1], top_colour[2]},
                             {top_colour[0], top_colour[1], top_colour[2]}};
      gradient_quad(x1, y1, x2, y2, c);
      break;
    }
    case 4:
      glBegin(GL_LINES);
      for (int row = y1 + 1; row <= y2; ++row) {
        hls_colour(360 * float(y2 - row) / float(rows), 0.5f, 1);
        glVertex2i(x1, row);
        glVertex2i(x2, row);
      }
      glEnd();
      break;
    case 5: case 6: {
      const float c[4][3] = {{0, 0, 0}, {0, 0, 0}, {1, 1, 1}, {1, 1, 1}};
      gradient_quad(x1, y1, x2, y2, c);
      break;
    }
    default:
      break;
  }
}

void UIColorEditor::draw_pane() const {
  int x1 = pane_left(), x2 = pane_right(), y1 = top(), y2 = bottom();
  int rows = y2 - y1;
  auto row_hue = [&](int row) { return 360 * float(y2 - row) / float(rows); };
  switch (model) {
    case 1: case 2: case 3: {
      // Corner colours with the pane's two components at 0 and 1.
      float c[4][3];
      for (int corner = 0; corner < 4; ++corner) {
        float u = corner == 1 || corner == 2 ? 1 : 0;
        float v = corner >= 2 ? 1 : 0;
        float rgb[3] = {red, green, blue};
        if (model == 1) { rgb[2] = u; rgb[1] = v; }
        if (model == 2) { rgb[2] = u; rgb[0] = v; }
        if (model == 3) { rgb[1] = u; rgb[0] = v; }
        std::copy(rgb, rgb + 3, c[corner]);
      }
      gradient_quad(x1, y1, x2, y2, c);
      break;
    }
    case 4: {
      int middle = (x1 + x2) / 2;
      const float halves[2][2] = {{0, 0.5f}, {0.5f, 1}};
      const int edges[3] = {x1, middle, x2};
      for (int part = 0; part < 2; ++part) {
        float c[4][3];
        const float l[4] = {halves[part][0], halves[part][1], halves[part][1], halves[part][0]};
        const float s[4] = {0, 0, 1, 1};
        for (int corner = 0; corner < 4; ++corner) {
          convert_hls_to_rgb(hue, l[corner], s[corner], &c[corner][0], &c[corner][1],
                             &c[corner][2]);
        }
        gradient_quad(edges[part], y1, edges[part + 1], y2, c);
      }
      break;
    }
    case 5:
      glBegin(GL_LINES);
      for (int row = y1 + 1; row <= y2; ++row) {
        hls_colour(row_hue(row), lightness, 0);
        glVertex2i(x1, row);
        hls_colour(row_hue(row), lightness, 1);
        glVertex2i(x2, row);
      }
      glEnd();
      break;
    case 6: {
      int middle = (x1 + x2) / 2;
      glBegin(GL_LINES);
      for (int row = y1 + 1; row <= y2; ++row) {
        hls_colour(row_hue(row), 0, saturation);
        glVertex2i(x1, row);
        hls_colour(row_hue(row), 0.5f, saturation);
        glVertex2i(middle, row);
        glVertex2i(middle, row);
        hls_colour(row_hue(row), 1, saturation);
        glVertex2i(x2, row);
      }
      glEnd();
      break;
    }
    default:
      break;
  }
}

void UIColorEditor::draw_markers() const {
  gl()->enable_blending(true);
  gl()->set_blend_func(GL_ONE_MINUS_DST_COLOR, GL_ZERO);
  gl()->set_gl_color(1, 1, 1);
  int span = bottom() - top();
  int slider_row = top() + int((1 - slider_quantity()) * float(span));
  float u, v;
  pane_quantities(&u, &v);
  int pane_column = pane_left() + int(u * float(pane_right() - pane_left()));
  int pane_row = top() + int((1 - v) * float(span));
  glBegin(GL_LINES);
  glVertex2i(slider_left(), slider_row);
  glVertex2i(slider_right() + 1, slider_row);
  glVertex2i(pane_left(), pane_row);
  glVertex2i(pane_right() + 1, pane_row);
  glVertex2i(pane_column, top());
  glVertex2i(pane_column, bottom() + 1);
  glEnd();
  gl()->enable_blending(false);
}

void UIColorEditor::draw() {
  draw_border();
  gl()->set_shade_model(GL_SMOOTH);
  draw_slider_gradient();
  draw_pane();
  gl()->set_shade_model(GL_FLAT);
  draw_markers();
  // Rings in the background colour around both parts and over the gap.
  set_color_to_background();
  int left = x + 3, right = x + width - 3;
  fill(left, y + 2, right, y + 4);
  fill(left, y + height - 6, right, y + height - 4);
  fill(left, y + 4, x + 5, y + height - 6);
  fill(pane_right() + 1, y + 4, pane_right() + 11, y + height - 6);
  fill(x + width - 5, y + 4, right, y + height - 6);
  draw_shadow(false, 2, 2, short(pane_right() - x + 2), short(height - 3));
  draw_shadow(false, short(slider_left() - x - 2), 2, short(width - 3), short(height - 3));
  UIObject::draw();
}
