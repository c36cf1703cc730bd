// A push button showing an image; it stays pressed after its activate
// callback until the owner calls set_in(false).
#pragma once

#include "toolkit/ui_image_object.h"

class UIButton : public UIImageObject {
 public:
  UIButton(UIWindow* window, long object_id, void (*enter)(long));

  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, unsigned long text_color,
                   unsigned long background, Image* image, bool in, void (*activate)(long),
                   bool busy_exempt);
  // Redraws only the bevel when the window is mapped.
  void set_in(bool in);

  bool handle_event(const XEvent* event) override;
  void draw() override;

  bool in = false;
  bool in_at_press = false;
  bool armed = false;
  void (*activate_cb)(long) = nullptr;

 protected:
  // The reconfigure of the button and the enter button, which differ in their
  // natural size (a return mark) and in erasing on any change.
  void reconfigure_button(short x, short y, unsigned short width, unsigned short height,
                          bool black_border, bool light_fill, unsigned long text_color,
                          unsigned long background, Image* image, bool in,
                          void (*activate)(long), bool busy_exempt, bool return_mark);
  void draw_bevel() const;
  // Everything but the stipple and the selection handles.
  void draw_face() const;
};
