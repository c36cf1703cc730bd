// Decorations: boxes, frames, separators, kept in the window's bottom list.
#pragma once

#include "toolkit/ui_object.h"

class UIBottomObject : public UIObject {
 public:
  UIBottomObject(UIWindow* window, long object_id, void (*enter)(long));
  ~UIBottomObject() override;

  UIBottomObject* next = nullptr;
  UIBottomObject* previous = nullptr;
};
