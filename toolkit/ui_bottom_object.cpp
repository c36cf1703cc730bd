#include "toolkit/ui_bottom_object.h"

#include "toolkit/ui_window.h"

UIBottomObject::UIBottomObject(UIWindow* window_, long object_id_, void (*enter)(long))
    : UIObject(window_, object_id_, enter) {
  minimum_width = 7;
  minimum_height = 7;
  window->register_bottom_object(this);
}

UIBottomObject::~UIBottomObject() { window->unlink_bottom_object(this); }
