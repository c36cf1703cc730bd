// A level bar in one colour, filling from the left when wider than high,
// else from the bottom.
#pragma once

#include "toolkit/ui_top_object.h"

class UIColorBar : public UITopObject {
 public:
  UIColorBar(UIWindow* window, long object_id, void (*enter)(long));

  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, bool inactive, int level,
                   unsigned long color);

  void draw() override;

  unsigned long bar_colour = 0;  // 0xRRGGBB; the special words have no meaning here
  bool inactive = false;
  int level = 0;                 // percent
};
