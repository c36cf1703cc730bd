// A toggle with a tick box; its image is the label right of the box.
#pragma once

#include <cstdint>

#include "toolkit/ui_image_object.h"

class UICheckButton : public UIImageObject {
 public:
  UICheckButton(UIWindow* window, long object_id, void (*enter)(long));

  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, unsigned long text_color,
                   unsigned long background, Image* image, bool checked,
                   void (*toggle)(long, bool), bool busy_exempt);

  bool handle_event(const XEvent* event) override;
  void draw() override;

  uint16_t mark_size = 0;
  bool checked = false;
  void (*toggle_cb)(long, bool) = nullptr;
};
