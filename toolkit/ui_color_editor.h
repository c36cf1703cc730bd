// A colour pane and a colour slider: the slider sets one quantity of the
// colour model, the pane the other two.
#pragma once

#include "toolkit/ui_top_object.h"

class UIColorEditor : public UITopObject {
 public:
  UIColorEditor(UIWindow* window, long object_id, void (*enter)(long));

  // model: 1 red, 2 green, 3 blue, 4 hue, 5 lightness, 6 saturation on the
  // slider; 0 shows no gradients and sets nothing.
  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, unsigned int model, float red,
                   float green, float blue, void (*end)(long),
                   void (*change)(long, float, float, float), bool busy_exempt);
  // Turn a pointer position into a colour, starting from the given one.
  void update_slider(short y, float* red, float* green, float* blue) const;
  void update_pane(short x, short y, float* red, float* green, float* blue) const;

  bool handle_event(const XEvent* event) override;
  void draw() override;

  void (*end_cb)(long) = nullptr;
  void (*change_cb)(long, float, float, float) = nullptr;
  unsigned int model = 1;
  float red = 0, green = 0, blue = 0;
  float hue = 0, lightness = 0, saturation = 0;  // degrees, 0..1, 0..1
  bool pane_drag = false;
  bool slider_drag = false;

  // Layout in window pixels; both parts span rows top() to bottom().
  int pane_left() const { return x + 5; }
  int pane_right() const { return x + width - width / 16 - 17; }
  int slider_left() const { return x + width - width / 16 - 5; }
  int slider_right() const { return x + width - 6; }
  int top() const { return y + 5; }
  int bottom() const { return y + height - 6; }

 private:
  void drag_to(short px, short py);
  void draw_slider_gradient() const;
  void draw_pane() const;
  void draw_markers() const;
  float slider_quantity() const;
  void pane_quantities(float* u, float* v) const;
};
