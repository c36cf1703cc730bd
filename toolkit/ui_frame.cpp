#include "toolkit/ui_frame.h"

#include "toolkit/widget_geometry.h"

void UIFrame::reconfigure(short x_, short y_, unsigned short width_, unsigned short height_,
                          bool black_border_, bool light_fill_) {
  bool changed = black_border_ != black_border || light_fill_ != light_fill;
  bool geometry = take_geometry(*this, x_, y_, width_, height_);
  if (!geometry && !changed) return;
  store_geometry(*this, x_, y_, width_, height_);
  black_border = black_border_;
  light_fill = light_fill_;
  damaged = true;
}

void UIFrame::draw() {
  draw_border();
  draw_shadow(false, short(width - 3), 2, 2, short(height - 3));
  UIObject::draw();
}
