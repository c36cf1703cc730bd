// A check button whose label is a string in a built-in font.
#pragma once

#include "toolkit/ui_check_button.h"

class UITextCheckButton : public UICheckButton {
 public:
  // Object id 0 (the button's address), no enter callback.
  UITextCheckButton(UIWindow* window, short x, short y, unsigned short width,
                    unsigned short height, unsigned char font, bool black_border,
                    bool light_fill, bool checked, const char* text,
                    void (*toggle)(long, bool));

  void set_check(bool checked);
  void set_position(short x, short y);
};
