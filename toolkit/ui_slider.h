// A knob on a track between a minimum and a maximum, horizontal when wider
// than high. It reports knob moves and leaves its value to the caller.
#pragma once

#include "toolkit/ui_top_object.h"

class UISlider : public UITopObject {
 public:
  UISlider(UIWindow* window, long object_id, void (*enter)(long));

  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, long minimum, long maximum, long value,
                   void (*activate)(long), void (*change)(long), bool busy_exempt);
  // Moves the knob, limited to the track, repainting only the knob.
  void set_slider_pos(short position);
  void redraw_knob() const;
  // minimum + trunc((maximum - minimum) * knob / track + 0.5)
  long value() const;

  bool handle_event(const XEvent* event) override;
  void draw() override;

  void (*activate_cb)(long) = nullptr;
  void (*change_cb)(long) = nullptr;
  long minimum = 0;
  long maximum = 0;
  short knob_position = 0;  // from the left, or from the bottom when vertical
  short track_length = 0;   // the long side - 26

 private:
  bool horizontal() const { return height < width; }
};
