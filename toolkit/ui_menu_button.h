// An entry of a pull-down, pop-up or option menu, with its shortcut shown at
// the right. One entry per window is out (highlighted) at a time.
#pragma once

#include <cstdint>

#include "toolkit/ui_image_object.h"

class UIMenuButton : public UIImageObject {
 public:
  // Shortcut codes with a meaning of their own.
  static constexpr uint16_t no_shortcut = 252;
  static constexpr uint16_t submenu = 253;
  static constexpr uint16_t no_shortcut_either = 254;

  UIMenuButton(UIWindow* window, long object_id, void (*enter)(long));
  ~UIMenuButton() override;

  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, unsigned long text_color,
                   unsigned long background, Image* image, bool out, unsigned short shortcut_code,
                   void (*activate)(long), void (*second)(long));
  // Sets the window's other out entry back first; redraws only the shadow.
  void set_out(bool out);

  bool handle_event(const XEvent* event) override;
  bool handle_leave() override;
  bool handle_button_down_enter() override;
  bool handle_button_down_leave() override;
  void draw() override;

  // The text shown for a shortcut code; empty for 252, 253 and 254.
  static void shortcut_text(uint16_t code, char text[4]);

  bool out = false;
  uint16_t shortcut_code = 0;
  uint16_t shortcut_room = 0;
  void (*activate_cb)(long) = nullptr;
  void (*second_cb)(long) = nullptr;
  unsigned char font_index = 0;

  // The entry that is out, in any window.
  static UIMenuButton* mb_with_cursor;

 private:
  void mark_out(bool out);
  void draw_menu_shadow() const;
  void draw_arrow() const;
  bool shows_no_shortcut() const {
    return shortcut_code == no_shortcut || shortcut_code == no_shortcut_either;
  }
};
