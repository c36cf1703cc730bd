#include "toolkit/ui_label.h"

#include "toolkit/image.h"
#include "toolkit/widget_geometry.h"

UILabel::UILabel(UIWindow* window_, long object_id_, void (*enter)(long))
    : UIImageObject(window_, object_id_, enter) {}

void UILabel::reconfigure(short x_, short y_, unsigned short width_, unsigned short height_,
                          bool black_border_, bool light_fill_, unsigned long text_color,
                          unsigned long background, bool inactive_, Image* image_) {
  bool changed = false;
  if (image_ != nullptr && image_->serial != image_serial) {
    delete image;
    image = image_;
    image_serial = image_->serial;
    minimum_width = static_cast<unsigned short>(image->width + 4);
    minimum_height = static_cast<unsigned short>(image->height + 4);
    changed = true;
  }
  changed |= black_border_ != black_border || light_fill_ != light_fill ||
             text_color != text_colour || background != background_colour ||
             inactive_ != inactive;
  bool geometry = take_geometry(*this, x_, y_, width_, height_);
  if (!geometry && !changed) return;
  store_geometry(*this, x_, y_, width_, height_);
  store_look(*this, black_border_, light_fill_, text_color, background);
  inactive = inactive_;
  damaged = true;
}

void UILabel::draw() {
  draw_border();
  clear_background(2);
  set_color_to_text_color();
  if (image != nullptr) {
    image->draw(float(x + 2 + (width - minimum_width) / 2),
                float(y + height - (height - minimum_height) / 2 - 3), 0);
  }
  if (inactive) draw_inactive_stipple();
  UIObject::draw();
}
