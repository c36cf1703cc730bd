#include "toolkit/ui_text_radio_box.h"

#include "base/checked_mm.h"
#include "toolkit/image_text.h"

UITextRadioBox::UITextRadioBox(UIWindow* window_, short x_, short y_, unsigned short width_,
                               unsigned short height_, unsigned char font,
                               unsigned short count_, const char* const* strings,
                               unsigned short index, bool black_border_, bool light_fill_,
                               void (*change)(long, unsigned short))
    : UIRadioBox(window_, 0, nullptr) {
  texts = checked_new_array<Image*>(count_ > 0 ? count_ : 1);
  for (unsigned short i = 0; i < count_; ++i) {
    texts[i] = new ImageText(0, font, dup_chars(strings[i]));
  }
  reconfigure(x_, y_, width_, height_, count_, true, texts, index, black_border_, light_fill_, 0,
              background_colour, change, false);
}

UITextRadioBox::~UITextRadioBox() {
  for (unsigned short i = 0; i < count; ++i) delete texts[i];
  CheckedFree(texts);
}

void UITextRadioBox::set_index(unsigned short index) {
  reconfigure(x, y, width, height, count, false, texts, index, black_border, light_fill, 0,
              background_colour, change_cb, busy_exempt);
}

void UITextRadioBox::set_position(short x_, short y_) {
  reconfigure(x_, y_, width, height, count, false, texts, current_index, black_border,
              light_fill, 0, background_colour, change_cb, busy_exempt);
}
