// The geometry step shared by the reconfigure operations of the widgets.
#pragma once

#include <algorithm>

#include "toolkit/ui_object.h"
#include "toolkit/ui_window.h"

// Each side becomes the larger of the natural and the requested size. Returns
// whether the rectangle changes; a mapped widget's old rectangle is erased then.
inline bool take_geometry(UIObject& o, short x, short y, unsigned short& width,
                          unsigned short& height) {
  width = std::max(width, o.minimum_width);
  height = std::max(height, o.minimum_height);
  bool changed = x != o.x || y != o.y || width != o.width || height != o.height;
  if (changed && o.window->mapped) o.erase();
  return changed;
}

inline void store_geometry(UIObject& o, short x, short y, unsigned short width,
                           unsigned short height) {
  o.x = x;
  o.y = y;
  o.width = width;
  o.height = height;
}
