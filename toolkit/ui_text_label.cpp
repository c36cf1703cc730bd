#include "toolkit/ui_text_label.h"

#include "base/checked_mm.h"
#include "toolkit/image_text.h"

UITextLabel::UITextLabel(UIWindow* window_, short x_, short y_, unsigned short width_,
                         unsigned short height_, unsigned char font, bool black_border_,
                         bool light_fill_, bool inactive_, const char* text)
    : UILabel(window_, 0, nullptr), font_index(font) {
  reconfigure(x_, y_, width_, height_, black_border_, light_fill_, 0, background_colour,
              inactive_, new ImageText(0, font, dup_chars(text)));
}

void UITextLabel::set_text(const char* text) {
  reconfigure(x, y, width, height, black_border, light_fill, 0, background_colour, inactive,
              new ImageText(0, font_index, dup_chars(text)));
}

void UITextLabel::set_position(short x_, short y_) {
  reconfigure(x_, y_, width, height, black_border, light_fill, 0, background_colour, inactive,
              nullptr);
}

void UITextLabel::set_ink_color(unsigned long color) {
  reconfigure(x, y, width, height, black_border, light_fill, color, background_colour, inactive,
              nullptr);
}
