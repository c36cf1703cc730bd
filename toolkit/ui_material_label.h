// A sunken well in which a callback draws a material sample.
#pragma once

#include "toolkit/ui_top_object.h"

class UIMaterialLabel : public UITopObject {
 public:
  UIMaterialLabel(UIWindow* window, long object_id, void (*enter)(long));

  // Always stores everything and marks the label damaged.
  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, bool inactive, long material,
                   void (*sample)(long, long, long, long, long));

  void draw() override;

  bool inactive = false;
  long material = 0;
  // (material, x, y from the window's bottom, width, height) of the sample area.
  void (*sample_cb)(long, long, long, long, long) = nullptr;
};
