// A tab of a tabbed dialog. A tab with an activate callback is a selectable
// (background) tab; the one without is the current tab.
#pragma once

#include "toolkit/ui_image_object.h"

class UITabButton : public UIImageObject {
 public:
  // Text in built-in font 7; y is 0 and the size follows from the text.
  UITabButton(UIWindow* window, long object_id, short x, unsigned short min_width,
              const char* text, void (*activate)(long));

  // Draws the tab at once.
  void set_activate_callback(void (*activate)(long));
  // A new text, drawn at once when the window is shown; the tab never gets narrower.
  void set_text(const char* text);

  bool handle_event(const XEvent* event) override;
  void draw() override;

  void (*activate_cb)(long) = nullptr;
};
