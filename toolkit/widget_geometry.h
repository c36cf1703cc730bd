// The geometry step shared by the reconfigure operations of the widgets.
#pragma once

#include <algorithm>

#include "toolkit/ui_app_context.h"
#include "toolkit/ui_object.h"
#include "toolkit/ui_top_object.h"
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

// The look that every widget takes from its reconfigure arguments.
inline void store_look(UITopObject& o, bool black_border, bool light_fill, unsigned long text_colour,
                       unsigned long background) {
  o.black_border = black_border;
  o.light_fill = light_fill;
  o.text_colour = text_colour;
  o.background_colour = background;
}

// hand2 while the widget has its action callback, left_ptr without it.
inline Cursor action_cursor(bool active) {
  return AppContext->cursors[active ? UIAppContext::cursor_hand2 : UIAppContext::cursor_left_ptr];
}

// The reconfigure of widgets that have only a rectangle and the two look
// flags (frames, separators).
inline void reconfigure_plain(UIObject& o, short x, short y, unsigned short width, unsigned short height,
                              bool black_border, bool light_fill) {
  bool changed = black_border != o.black_border || light_fill != o.light_fill;
  bool geometry = take_geometry(o, x, y, width, height);
  if (!geometry && !changed) return;
  store_geometry(o, x, y, width, height);
  o.black_border = black_border;
  o.light_fill = light_fill;
  o.damaged = true;
}
