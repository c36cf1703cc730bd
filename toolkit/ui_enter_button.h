// The default push button: a button with a return mark at its right.
#pragma once

#include "toolkit/ui_button.h"

class UIEnterButton : public UIButton {
 public:
  UIEnterButton(UIWindow* window, long object_id, void (*enter)(long))
      : UIButton(window, object_id, enter) {}

  // As the button's, but a mapped button is erased on any change.
  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, unsigned long text_color,
                   unsigned long background, Image* image, bool in, void (*activate)(long),
                   bool busy_exempt);

  void draw() override;
};
