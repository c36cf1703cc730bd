// A passive widget that shows one owned image, centred inside a border.
#pragma once

#include "toolkit/ui_image_object.h"

class UILabel : public UIImageObject {
 public:
  UILabel(UIWindow* window, long object_id, void (*enter)(long));

  // Each side is the larger of the natural and the requested size. A null
  // image, or one with the held serial, keeps the held image.
  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, unsigned long text_color,
                   unsigned long background, bool inactive, Image* image);
  void draw() override;

  bool inactive = false;
};
