// A button drawn from three pictures: normal, pointer over and pressed.
#pragma once

#include "toolkit/ui_top_object.h"

class ImagePicture;

class UIPictureButton : public UITopObject {
 public:
  enum states { normal = 0, pointer_over = 1, pressed = 2 };

  UIPictureButton(UIWindow* window, long object_id, void (*enter)(long));
  ~UIPictureButton() override;

  void reconfigure(short x, short y, unsigned short width, unsigned short height,
                   bool black_border, bool light_fill, unsigned long text_color,
                   ImagePicture* normal, ImagePicture* over, ImagePicture* pressed,
                   void (*activate)(long), bool busy_exempt);
  void set_state(states state);

  bool handle_event(const XEvent* event) override;
  bool handle_enter() override;
  bool handle_leave() override;
  void draw() override;

  states state = normal;
  void (*activate_cb)(long) = nullptr;
  ImagePicture* pictures[3] = {};

 private:
  struct Placement { int left, bottom, top, width; };
  // Where the picture of the current state goes, in window pixels.
  Placement place() const;
};
