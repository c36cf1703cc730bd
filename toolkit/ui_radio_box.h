// One of n images, each with a round mark; the mark of the current item is
// filled. The box reports presses and leaves its index to the caller.
#pragma once

#include "toolkit/ui_top_object.h"

class Image;

class UIRadioBox : public UITopObject {
 public:
  UIRadioBox(UIWindow* window, long object_id, void (*enter)(long));

  // The items stay the caller's.
  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   unsigned short count, bool new_items, Image** items, unsigned short index,
                   bool black_border, bool light_fill, unsigned long text_color,
                   unsigned long background, void (*change)(long, unsigned short),
                   bool busy_exempt);

  bool handle_event(const XEvent* event) override;
  void draw() override;

  unsigned short mark_size = 0;  // diameter of the marks
  unsigned short spacing = 0;    // extra height of each row beyond the natural height
  Image** items = nullptr;
  unsigned short count = 0;
  unsigned short current_index = 0;
  void (*change_cb)(long, unsigned short) = nullptr;

 private:
  unsigned short row_content(unsigned short item) const;
  void draw_mark(int cx, int cy, bool current) const;
};
