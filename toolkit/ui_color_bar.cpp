#include "toolkit/ui_color_bar.h"

#include "gl/gl_context.h"
#include "toolkit/widget_geometry.h"

UIColorBar::UIColorBar(UIWindow* window_, long object_id_, void (*enter)(long))
    : UITopObject(window_, object_id_, enter) {
  minimum_width = 15;
  minimum_height = 15;
}

void UIColorBar::reconfigure(short x_, short y_, unsigned short width_, unsigned short height_,
                             bool black_border_, bool light_fill_, bool inactive_, int level_,
                             unsigned long color) {
  bool changed = black_border_ != black_border || light_fill_ != light_fill ||
                 inactive_ != inactive || level_ != level || color != bar_colour;
  bool geometry = take_geometry(*this, x_, y_, width_, height_);
  if (!geometry && !changed) return;
  store_geometry(*this, x_, y_, width_, height_);
  black_border = black_border_;
  light_fill = light_fill_;
  inactive = inactive_;
  level = level_;
  bar_colour = color;
  damaged = true;
}

void UIColorBar::draw() {
  background_colour = window->background_colour;
  draw_border();
  draw_shadow(false, short(width - 3), 2, 2, short(height - 3));
  clear_background(3);
  XGLContext::current_context->set_gl_color(float((bar_colour >> 16) & 0xFF) / 255,
                                                 float((bar_colour >> 8) & 0xFF) / 255,
                                                 float(bar_colour & 0xFF) / 255);
  int w = width;
  int h = height;
  if (level > 0) {
    if (h < w) fill(x + 5, y + 4, x + 5 + (w - 10) * level / 100, y + h - 6);
    else fill(x + 5, y + h - 6, x + w - 5, y + h - 6 - (h - 10) * level / 100);
  }
  if (inactive) draw_inactive_stipple();
  UIObject::draw();
}
