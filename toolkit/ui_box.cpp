#include "toolkit/ui_box.h"

#include "toolkit/widget_geometry.h"

void UIBox::reconfigure(short x_, short y_, unsigned short width_, unsigned short height_,
                        bool black_border_, bool light_fill_, unsigned long color) {
  bool changed = black_border_ != black_border || light_fill_ != light_fill ||
                 color != background_colour;
  bool geometry = take_geometry(*this, x_, y_, width_, height_);
  if (!geometry && !changed) return;
  store_geometry(*this, x_, y_, width_, height_);
  black_border = black_border_;
  light_fill = light_fill_;
  background_colour = color;
  damaged = true;
}

void UIBox::draw() {
  draw_border();
  clear_background(2);
  UIObject::draw();
}
