// A top object that shows an owned image.
#pragma once

#include "toolkit/ui_top_object.h"

class Image;

class UIImageObject : public UITopObject {
 public:
  UIImageObject(UIWindow* window, long object_id, void (*enter)(long))
      : UITopObject(window, object_id, enter) {}
  ~UIImageObject() override;

  Image* image = nullptr;
  long image_serial = -1;  // serial of the image shown, -1 for none
};
