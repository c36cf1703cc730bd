// The partner server's pointer: an arrow with a letter, drawn at the top-left
// corner of its own small window.
#pragma once

#include "toolkit/ui_bottom_object.h"

class ImageText;

class UIMirroxCursor : public UIBottomObject {
 public:
  UIMirroxCursor(UIWindow* window, long object_id, void (*enter)(long));
  ~UIMirroxCursor() override;

  void draw() override;

 private:
  ImageText* letter;
};
