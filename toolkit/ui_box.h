// A filled rectangle; its colour is the background colour word.
#pragma once

#include "toolkit/ui_bottom_object.h"

class UIBox : public UIBottomObject {
 public:
  using UIBottomObject::UIBottomObject;

  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, unsigned long color);
  void draw() override;
};
