#include "toolkit/ui_frame.h"

#include "toolkit/widget_geometry.h"

void UIFrame::reconfigure(short x_, short y_, unsigned short width_, unsigned short height_,
                          bool black_border_, bool light_fill_) {
  reconfigure_plain(*this, x_, y_, width_, height_, black_border_, light_fill_);
}

void UIFrame::draw() {
  draw_border();
  draw_shadow(false, short(width - 3), 2, 2, short(height - 3));
  UIObject::draw();
}
