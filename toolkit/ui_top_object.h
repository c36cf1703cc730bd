// Active widgets: kept in the window's top list, drawn after and hit before
// the decorations.
#pragma once

#include "toolkit/ui_object.h"

class UITopObject : public UIObject {
 public:
  UITopObject(UIWindow* window, long object_id, void (*enter)(long));
  ~UITopObject() override;

  void set_color_to_text_color() const;
  // The checkerboard stipple over the object, inset by one pixel.
  void draw_inactive_stipple() const;

  unsigned long text_colour = 0;
  UITopObject* next = nullptr;
  UITopObject* previous = nullptr;
};
