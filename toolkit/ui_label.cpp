#include "toolkit/ui_label.h"

#include <algorithm>

#include "toolkit/image.h"
#include "toolkit/ui_window.h"

UILabel::UILabel(UIWindow* window_, long object_id_, void (*enter)(long))
    : UIImageObject(window_, object_id_, enter) {}

void UILabel::reconfigure(short new_x, short new_y, unsigned short new_width,
                          unsigned short new_height, bool new_black_border, bool new_light_fill,
                          unsigned long new_text_colour, unsigned long new_background,
                          bool new_inactive, Image* new_image) {
  bool image_changed = new_image != nullptr && new_image->serial != image_serial;
  if (image_changed) {
    delete image;
    image = new_image;
    image_serial = new_image->serial;
    minimum_width = static_cast<unsigned short>(std::min(new_image->width + 4, 0xFFFF));
    minimum_height = static_cast<unsigned short>(std::min(new_image->height + 4, 0xFFFF));
  } else if (new_image != nullptr && new_image != image) {
    delete new_image;  // same serial: the held image stays
  }
  unsigned short w = std::max(minimum_width, new_width);
  unsigned short h = std::max(minimum_height, new_height);
  bool geometry_changed = new_x != x || new_y != y || w != width || h != height;
  if (geometry_changed && window->mapped && width != 0) erase();
  else if (!geometry_changed && !image_changed && black_border == new_black_border &&
           light_fill == new_light_fill && text_colour == new_text_colour &&
           background_colour == new_background && inactive == new_inactive)
    return;
  x = new_x;
  y = new_y;
  width = w;
  height = h;
  black_border = new_black_border;
  light_fill = new_light_fill;
  text_colour = new_text_colour;
  background_colour = new_background;
  inactive = new_inactive;
  damaged = true;
}

void UILabel::draw() {
  draw_border();
  clear_background(2);
  if (image != nullptr) {
    set_color_to_text_color();
    image->draw(float(x + 2 + (width - minimum_width) / 2),
                float(y + height - (height - minimum_height) / 2 - 3), 0);
  }
  if (inactive) draw_inactive_stipple();
  UIObject::draw();
}
