// An endless wheel that reports pointer movement along it as a change of a
// long value; horizontal when wider than high.
#pragma once

#include "toolkit/ui_top_object.h"

class UIThumbWheel : public UITopObject {
 public:
  UIThumbWheel(UIWindow* window, long object_id, void (*enter)(long));

  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, long value,
                   void (*activate)(long, long), void (*change)(long, long), bool busy_exempt);

  bool handle_event(const XEvent* event) override;
  void draw() override;

  void (*activate_cb)(long, long) = nullptr;
  void (*change_cb)(long, long) = nullptr;
  long value = 0;

  // The pointer coordinate along the wheel at the last event.
  static short thumb_wheel_coordinate;

 private:
  bool horizontal() const { return height < width; }
  void draw_grooves() const;
  void draw_shading_strips() const;
};
