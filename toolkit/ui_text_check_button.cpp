#include "toolkit/ui_text_check_button.h"

#include "base/checked_mm.h"
#include "toolkit/image_text.h"

UITextCheckButton::UITextCheckButton(UIWindow* window_, short x_, short y_,
                                     unsigned short width_, unsigned short height_,
                                     unsigned char font, bool black_border_, bool light_fill_,
                                     bool checked_, const char* text,
                                     void (*toggle)(long, bool))
    : UICheckButton(window_, 0, nullptr) {
  reconfigure(x_, y_, width_, height_, black_border_, light_fill_, 0, background_colour,
              new ImageText(0, font, dup_chars(text)), checked_, toggle, false);
}

void UITextCheckButton::set_check(bool checked_) {
  reconfigure(x, y, width, height, black_border, light_fill, 0, background_colour, nullptr,
              checked_, toggle_cb, false);
}

void UITextCheckButton::set_position(short x_, short y_) {
  reconfigure(x_, y_, width, height, black_border, light_fill, 0, background_colour, nullptr,
              checked, toggle_cb, false);
}
