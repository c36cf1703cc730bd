#include "toolkit/ui_text_selection_list.h"

#include "base/checked_mm.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_window.h"

UITextSelectionList::UITextSelectionList(UIWindow* window_, uintptr_t* (*getter)(long),
                                         short x_, short y_, unsigned short width_,
                                         unsigned short height_, unsigned char font,
                                         bool single_, unsigned short count_, bool new_entries,
                                         const char* const* strings, bool redraw,
                                         bool black_border_, bool light_fill_,
                                         void (*change)(long, long, bool, bool))
    : UISelectionList(window_, 0, nullptr, getter) {
  if (new_entries) {
    text_count = count_;
    texts = checked_new_array<Image*>(count_ > 0 ? count_ : 1);
    for (unsigned short i = 0; i < count_; ++i) {
      texts[i] = new ImageText(0, font, dup_chars(strings[i]));
    }
  }
  reconfigure(x_, y_, width_, height_, single_, count_, new_entries, texts, redraw,
              black_border_, light_fill_, change, false, 0, background_colour_word);
}

UITextSelectionList::~UITextSelectionList() {
  if (texts == nullptr) return;
  for (unsigned short i = 0; i < text_count; ++i) delete texts[i];
  CheckedFree(texts);
}
