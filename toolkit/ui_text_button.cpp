#include "toolkit/ui_text_button.h"

#include "base/checked_mm.h"
#include "toolkit/image_text.h"

UITextButton::UITextButton(UIWindow* window_, short x_, short y_, unsigned short width_,
                           unsigned short height_, unsigned char font, bool black_border_,
                           bool light_fill_, bool in_, const char* text, void (*activate)(long))
    : UIButton(window_, 0, nullptr) {
  reconfigure(x_, y_, width_, height_, black_border_, light_fill_, 0, background_colour,
              new ImageText(0, font, dup_chars(text)), in_, activate, false);
}

void UITextButton::set_activate_callback(void (*activate)(long)) {
  reconfigure(x, y, width, height, black_border, light_fill, 0, background_colour, nullptr, in,
              activate, false);
}

void UITextButton::set_position(short x_, short y_) {
  reconfigure(x_, y_, width, height, black_border, light_fill, 0, background_colour, nullptr, in,
              activate_cb, false);
}
