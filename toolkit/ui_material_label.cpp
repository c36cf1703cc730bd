#include "toolkit/ui_material_label.h"

#include "toolkit/widget_geometry.h"

UIMaterialLabel::UIMaterialLabel(UIWindow* window_, long object_id_, void (*enter)(long))
    : UITopObject(window_, object_id_, enter) {
  minimum_width = 15;
  minimum_height = 15;
}

void UIMaterialLabel::reconfigure(short x_, short y_, unsigned short width_,
                                  unsigned short height_, bool black_border_, bool light_fill_,
                                  bool inactive_, long material_,
                                  void (*sample)(long, long, long, long, long)) {
  take_geometry(*this, x_, y_, width_, height_);
  store_geometry(*this, x_, y_, width_, height_);
  black_border = black_border_;
  light_fill = light_fill_;
  inactive = inactive_;
  material = material_;
  sample_cb = sample;
  damaged = true;
}

void UIMaterialLabel::draw() {
  draw_border();
  draw_shadow(false, short(width - 3), 2, 2, short(height - 3));
  if (sample_cb == nullptr) {
    clear_background(3);
  } else {
    set_color_to_background();
    draw_thick_rectangle(2, 3, 2, short(width - 3), short(height - 4));
    // GL viewport coordinates: y counts from the window's bottom.
    sample_cb(material, x + 5, window->height - y - height + 5, width - 10, height - 10);
    window->begin_drawing();
  }
  if (inactive) draw_inactive_stipple();
  UIObject::draw();
}
