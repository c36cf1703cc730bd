#include "toolkit/ui_radio_box.h"

#include <GL/gl.h>

#include <algorithm>

#include "gl/gl_context.h"
#include "toolkit/image.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"
#include "toolkit/widget_geometry.h"

namespace {
// Twelve points of a circle of diameter 1, every 30 degrees: the first six
// (upper left) are drawn black, the rest white, so the mark looks sunken.
const float circle_positions[12][2] = {
    {-0.433013f, 0.25f},  {-0.5f, 0.0f},       {-0.433013f, -0.25f}, {-0.25f, -0.433013f},
    {0.0f, -0.5f},        {0.25f, -0.433013f}, {0.433013f, -0.25f},  {0.5f, 0.0f},
    {0.433013f, 0.25f},   {0.25f, 0.433013f},  {0.0f, 0.5f},         {-0.25f, 0.433013f},
};
}  // namespace

UIRadioBox::UIRadioBox(UIWindow* window_, long object_id_, void (*enter)(long))
    : UITopObject(window_, object_id_, enter) {}

unsigned short UIRadioBox::row_content(unsigned short item) const {
  return std::max(mark_size, items[item]->height);
}

void UIRadioBox::reconfigure(short x_, short y_, unsigned short width_, unsigned short height_,
                             unsigned short count_, bool new_items, Image** items_,
                             unsigned short index, bool black_border_, bool light_fill_,
                             unsigned long text_color, unsigned long background,
                             void (*change)(long, unsigned short), bool busy_exempt_) {
  busy_exempt = busy_exempt_;
  if (new_items) {
    items = items_;
    count = count_;
  }
  unsigned short widest = 0, tallest = 0;
  for (unsigned short i = 0; i < count; ++i) {
    widest = std::max(widest, items[i]->width);
    tallest = std::max(tallest, items[i]->height);
  }
  mark_size = count == 0 ? 0 : static_cast<unsigned short>(std::clamp(tallest - 1, 7, 14));
  int natural_height = 10;
  for (unsigned short i = 0; i < count; ++i) natural_height += row_content(i) + 3;
  minimum_width = static_cast<unsigned short>(5 * mark_size / 2 + 10 + widest);
  minimum_height = static_cast<unsigned short>(natural_height);
  bool geometry = take_geometry(*this, x_, y_, width_, height_);
  bool changed = black_border_ != black_border || light_fill_ != light_fill ||
                 text_color != text_colour || background != background_colour ||
                 index != current_index || change != change_cb || new_items;
  if (!geometry && !changed) return;
  spacing = count == 0 ? 0 : static_cast<unsigned short>((height_ - natural_height) / count);
  store_geometry(*this, x_, y_, width_, height_);
  store_look(*this, black_border_, light_fill_, text_color, background);
  current_index = index;
  change_cb = change;
  cursor = action_cursor(change != nullptr);
  damaged = true;
}

bool UIRadioBox::handle_event(const XEvent* event) {
  if (event->type != ButtonPress || event->xbutton.button != Button1 || change_cb == nullptr ||
      count == 0) {
    return false;
  }
  int px = event->xbutton.x, py = event->xbutton.y;
  if (!(x + 5 < px && px < x + width - 5 && y + 5 < py && py < y + height - 5)) return false;
  unsigned short item = 0;
  int next_top = y + 5 + spacing + row_content(0) + 3;
  while (item + 1 < count && py >= next_top) {
    ++item;
    next_top += spacing + row_content(item) + 3;
  }
  change_cb(object_id, item);
  return true;
}

void UIRadioBox::draw_mark(int cx, int cy, bool current) const {
  XGLContext* gl = XGLContext::current_context;
  float m = mark_size;
  glBegin(GL_LINE_STRIP);
  gl->set_gl_color(0, 0, 0);
  for (int i = 0; i < 6; ++i) {
    glVertex2f(float(cx) + m * circle_positions[i][0], float(cy) + m * circle_positions[i][1]);
  }
  gl->set_gl_color(1, 1, 1);
  for (int i = 6; i <= 12; ++i) {
    const float* p = circle_positions[i % 12];
    glVertex2f(float(cx) + m * p[0], float(cy) + m * p[1]);
  }
  glEnd();
  if (!current) return;
  float s = 0.7f * m;
  glBegin(GL_POLYGON);
  for (const auto& p : circle_positions) glVertex2f(float(cx) + s * p[0], float(cy) + s * p[1]);
  glEnd();
}

void UIRadioBox::draw() {
  draw_border();
  draw_shadow(false, short(width - 3), 2, 2, short(height - 3));
  XGLContext* gl = XGLContext::current_context;
  auto set_fill_colour = [&] {
    if (light_fill) gl->set_gl_color(0.86f, 0.86f, 0.86f);
    else set_color_to_background();
  };
  set_fill_colour();
  draw_thick_rectangle(2, 3, 4, short(width - 3), short(height - 6));
  int top = y + 5;
  for (unsigned short i = 0; i < count; ++i) {
    int r = spacing + 2 + row_content(i);
    set_fill_colour();
    fill(x + 3, top - 1, x + width - 3, top + r - 1);
    set_color_to_text_color();
    items[i]->draw(float(x + 5 + 2 * mark_size), float(top + (items[i]->height + r) / 2), 0);
    top += r + 1;
  }
  top = y + 5;
  for (unsigned short i = 0; i < count; ++i) {
    int r = spacing + 2 + row_content(i);
    draw_mark(x + mark_size + 5, top + r / 2, i == current_index);
    top += r + 1;
  }
  if (change_cb == nullptr) draw_inactive_stipple();
  UIObject::draw();
}
