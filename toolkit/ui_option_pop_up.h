// A button showing the current choice; a press opens a pop-up window of menu
// entries, one per choice, with the current one over the button. At most one
// option pop-up is open in the program.
#pragma once

#include "toolkit/ui_image_object.h"

class UIMenuButton;

class UIOptionPopUp : public UIImageObject {
 public:
  // The getter returns a new image of a choice, which the caller then owns.
  UIOptionPopUp(UIWindow* window, long object_id, Image* (*getter)(long, unsigned short),
                void (*enter)(long));
  ~UIOptionPopUp() override;

  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   unsigned short count, bool new_items, unsigned short index,
                   bool black_border, bool light_fill, unsigned long text_color,
                   unsigned long background, void (*change)(long, unsigned short),
                   bool busy_exempt);

  bool handle_event(const XEvent* event) override;
  void draw() override;

  // The event intake calls these: on every pointer motion, and when a press
  // or a release of button 1 is taken by no window.
  static void set_mouse_moved() { mouse_moved = true; }
  static void close_pop_up_window();
  // The pop-up entries' activate callback; id is the choice + 1.
  static void activate_menu_button(long id);

  unsigned short count = 0;
  unsigned short current_index = 0;
  void (*change_cb)(long, unsigned short) = nullptr;
  Image* (*item_getter)(long, unsigned short);

  static UIOptionPopUp* open_option_pop_up;
  static UIMenuButton** pop_up_menu_buttons;
  static unsigned short number_of_menu_buttons;
  static bool mouse_moved;  // the pointer moved since the pop-up opened

 private:
  void open_pop_up_window();
};
