// A passive widget that shows an image.
#pragma once

#include "toolkit/ui_image_object.h"

class UILabel : public UIImageObject {
 public:
  UILabel(UIWindow* window, long object_id, void (*enter)(long));

  // Leaves the cursor as it is.
  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, unsigned long text_color,
                   unsigned long background, bool inactive, Image* image);

  void draw() override;

  bool inactive = false;
};
