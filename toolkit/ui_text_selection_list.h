// A selection list whose entries are texts in one built-in font.
#pragma once

#include "toolkit/ui_selection_list.h"

class ImageText;

class UITextSelectionList : public UISelectionList {
 public:
  UITextSelectionList(UIWindow* window, uintptr_t* (*getter)(long), short x, short y,
                      unsigned short width, unsigned short height, unsigned char font,
                      bool single, unsigned short count, bool new_entries,
                      const char* const* strings, bool redraw, bool black_border,
                      bool light_fill, void (*change)(long, long, bool, bool));
  ~UITextSelectionList() override;

 private:
  Image** texts = nullptr;  // owned ImageText entries
  unsigned short text_count = 0;
};
