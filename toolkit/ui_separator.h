// A groove: horizontal when 7 pixels high, vertical when 7 pixels wide,
// else an etched rectangle.
#pragma once

#include "toolkit/ui_bottom_object.h"

class UISeparator : public UIBottomObject {
 public:
  using UIBottomObject::UIBottomObject;

  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill);
  void draw() override;
};
