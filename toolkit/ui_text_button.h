// A push button built from a string in a built-in font.
#pragma once

#include "toolkit/ui_button.h"

class UITextButton : public UIButton {
 public:
  // Object id 0 (the button's address), no enter callback.
  UITextButton(UIWindow* window, short x, short y, unsigned short width, unsigned short height,
               unsigned char font, bool black_border, bool light_fill, bool in,
               const char* text, void (*activate)(long));

  void set_activate_callback(void (*activate)(long));
  void set_position(short x, short y);
};
