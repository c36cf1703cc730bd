// A sunken frame whose inside is left as it is.
#pragma once

#include "toolkit/ui_bottom_object.h"

class UIFrame : public UIBottomObject {
 public:
  using UIBottomObject::UIBottomObject;

  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill);
  void draw() override;
};
