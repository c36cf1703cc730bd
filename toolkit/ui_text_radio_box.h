// A radio box whose items are texts in one built-in font.
#pragma once

#include "toolkit/ui_radio_box.h"

class UITextRadioBox : public UIRadioBox {
 public:
  UITextRadioBox(UIWindow* window, short x, short y, unsigned short width, unsigned short height,
                 unsigned char font, unsigned short count, const char* const* strings,
                 unsigned short index, bool black_border, bool light_fill,
                 void (*change)(long, unsigned short));
  ~UITextRadioBox() override;

  // Both keep everything else as it is.
  void set_index(unsigned short index);
  void set_position(short x, short y);

 private:
  Image** texts = nullptr;  // owned ImageText items
};
