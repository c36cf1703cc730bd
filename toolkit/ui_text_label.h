// A label built from a string in a built-in font.
#pragma once

#include "toolkit/ui_label.h"

class UITextLabel : public UILabel {
 public:
  // Object id 0 (the label's address), no enter callback.
  UITextLabel(UIWindow* window, short x, short y, unsigned short width, unsigned short height,
              unsigned char font, bool black_border, bool light_fill, bool inactive,
              const char* text);

  // Grows for a longer text, never shrinks; the text colour goes back to black.
  void set_text(const char* text);
  void set_position(short x, short y);
  void set_ink_color(unsigned long color);

  unsigned char font_index;
};
