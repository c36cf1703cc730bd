// A scrolling list of images with single or multiple selection, scrolled by an
// inner slider or by dragging with the middle button. The selection lives in
// the caller's storage, reached through the getter.
#pragma once

#include <cstdint>

#include "toolkit/ui_top_object.h"

class Image;
class UISlider;

class UISelectionList : public UITopObject {
 public:
  // The getter returns the selection's storage: single mode a word with the
  // 1-based selected entry (0 none); multiple mode a word holding the address
  // of one word per entry (nonzero selected). Words are pointer-sized, as the
  // interpreter's values are.
  UISelectionList(UIWindow* window, long object_id, void (*enter)(long),
                  uintptr_t* (*getter)(long));
  ~UISelectionList() override;

  void reconfigure(short x, short y, unsigned short width, unsigned short height, bool single,
                   unsigned short count, bool new_entries, Image** entries, bool redraw,
                   bool black_border, bool light_fill,
                   void (*change)(long, long, bool, bool), bool busy_exempt,
                   unsigned long text_color, unsigned long background);
  static void get_entry(short* x, short* y, const Image** image);

  bool handle_event(const XEvent* event) override;
  void draw() override;

  Image** entries = nullptr;  // the caller's
  unsigned short widest = 0;
  unsigned short tallest = 27;
  int total_height = 0;  // entry heights plus one pixel between neighbours
  unsigned short slider_room = 0;
  int scroll = 0;  // pixels scrolled off the top
  uintptr_t* (*selection_getter)(long);
  UISlider* slider = nullptr;
  int anchor = -1;
  int last = -1;
  unsigned short count = 0;
  bool single = true;
  void (*change_cb)(long, long, bool, bool) = nullptr;

  static short entry_x;
  static short entry_y;
  static const Image* entry_image;
  static int pixel_drag_start;
  static int slider_drag_start;
  static UISelectionList* drag_selection_list;

 private:
  uintptr_t* selection_words() const;
  bool is_selected(int entry) const;
  int entry_at(int py) const;
  void scroll_to_first_selected();
  void drag_range(int entry);
  void turn_on(int entry);
  void toggle_one(int entry);
  void turn_one_on_others_off(int entry);
  void set_range(int a, int b, bool on);
  static void scroll_by_slider(long list);
};
