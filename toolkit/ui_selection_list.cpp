#include "toolkit/ui_selection_list.h"
#include "toolkit/widget_geometry.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>

#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "toolkit/image.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_slider.h"
#include "toolkit/ui_window.h"

short UISelectionList::entry_x = 0;
short UISelectionList::entry_y = 0;
const Image* UISelectionList::entry_image = nullptr;
int UISelectionList::pixel_drag_start = 0;
int UISelectionList::slider_drag_start = 0;
UISelectionList* UISelectionList::drag_selection_list = nullptr;

namespace {
constexpr const char* module = "UISelectionList";
}

UISelectionList::UISelectionList(UIWindow* window_, long object_id_, void (*enter)(long),
                                 uintptr_t* (*getter)(long))
    : UITopObject(window_, object_id_, enter), selection_getter(getter) {}

UISelectionList::~UISelectionList() {
  delete slider;
  if (drag_selection_list == this) drag_selection_list = nullptr;
}

void UISelectionList::get_entry(short* x, short* y, const Image** image) {
  *x = entry_x;
  *y = entry_y;
  *image = entry_image;
}

uintptr_t* UISelectionList::selection_words() const {
  return reinterpret_cast<uintptr_t*>(*selection_getter(object_id));
}

bool UISelectionList::is_selected(int entry) const {
  if (single) return *selection_getter(object_id) == static_cast<uintptr_t>(entry + 1);
  return selection_words()[entry] != 0;
}

void UISelectionList::reconfigure(short x_, short y_, unsigned short width_,
                                  unsigned short height_, bool single_, unsigned short count_,
                                  bool new_entries, Image** entries_, bool redraw,
                                  bool black_border_, bool light_fill_,
                                  void (*change)(long, long, bool, bool), bool busy_exempt_,
                                  unsigned long text_color, unsigned long background) {
  busy_exempt = busy_exempt_;
  if (new_entries) {
    entries = entries_;
    count = count_;
    anchor = -1;
    last = -1;
    widest = 0;
    tallest = 27;
    total_height = 0;
    for (unsigned short i = 0; i < count; ++i) {
      widest = std::max(widest, entries[i]->width);
      tallest = std::max(tallest, entries[i]->height);
      total_height += entries[i]->height;
    }
    if (count > 0) total_height += count - 1;
  }
  if (height_ == 0) {
    minimum_height = static_cast<unsigned short>(total_height + 10);
    delete slider;
    slider = nullptr;
    slider_room = 0;
    scroll = 0;
  } else {
    minimum_height = static_cast<unsigned short>(tallest + 10);
    if (slider == nullptr) slider = new UISlider(window, object_tag(this), nullptr);
    slider_room = 31;
  }
  minimum_width = static_cast<unsigned short>(width_ == 0 ? slider_room + 10 + widest
                                                          : slider_room + 36);
  unsigned short w = std::max(minimum_width, width_);
  unsigned short h = std::max(minimum_height, height_);
  bool moved = x_ != x || y_ != y || w != width || h != height;
  if (moved && window->mapped) erase();
  if (!moved && black_border_ == black_border && light_fill_ == light_fill &&
      text_color == text_colour && background == background_colour && single_ == single &&
      change == change_cb && !new_entries && !redraw) {
    return;
  }
  x = x_;
  y = y_;
  width = w;
  height = h;
  store_look(*this, black_border_, light_fill_, text_color, background);
  single = single_;
  change_cb = change;
  cursor = action_cursor(change != nullptr);
  damaged = true;
  if (new_entries) scroll_to_first_selected();
}

void UISelectionList::scroll_to_first_selected() {
  if (slider == nullptr || total_height + 10 <= height) return;
  int largest = total_height - height + 10;
  scroll = 0;
  int first = -1;
  if (single) {
    uintptr_t k = *selection_getter(object_id);
    if (k >= 1 && k <= count) first = int(k) - 1;
  } else {
    for (int i = 0; i < count && first < 0; ++i) {
      if (selection_words()[i] != 0) first = i;
    }
    if (first >= 0) anchor = first;
  }
  if (first < 0) return;
  int above = 0;
  for (int i = 0; i < first; ++i) above += entries[i]->height + 1;
  scroll = std::min(above, largest);
}

int UISelectionList::entry_at(int py) const {
  int bottom = y - scroll + 5;
  for (int i = 0; i < count; ++i) {
    bottom += entries[i]->height + 1;
    if (py < bottom) return i;
  }
  return count - 1;
}

void UISelectionList::turn_on(int entry) {
  if (entry < 0 || entry >= count) internal_error(453, module);
  uintptr_t* word = selection_getter(object_id);
  bool changed = *word != static_cast<uintptr_t>(entry + 1);
  *word = static_cast<uintptr_t>(entry + 1);
  if (change_cb != nullptr) change_cb(object_id, entry + 1, !changed, changed);
}

void UISelectionList::toggle_one(int entry) {
  if (entry < 0 || entry >= count) internal_error(408, module);
  uintptr_t* words = selection_words();
  words[entry] = words[entry] != 0 ? 0 : 1;
  if (change_cb != nullptr) change_cb(object_id, entry + 1, false, true);
}

void UISelectionList::turn_one_on_others_off(int entry) {
  if (entry < 0 || entry >= count) internal_error(420, module);
  uintptr_t* words = selection_words();
  bool changed = false;
  for (int i = 0; i < count; ++i) {
    if (i != entry && words[i] != 0) {
      words[i] = 0;
      changed = true;
    }
  }
  bool was_on = words[entry] != 0;
  if (!was_on) {
    words[entry] = 1;
    changed = true;
  }
  if (change_cb != nullptr) change_cb(object_id, entry + 1, was_on, changed);
}

void UISelectionList::set_range(int a, int b, bool on) {
  if (a < 0 || a >= count) internal_error(379, module);
  if (b < 0 || b >= count) internal_error(380, module);
  uintptr_t* words = selection_words();
  uintptr_t value = on ? 1 : 0;
  bool changed = false;
  for (int i = std::min(a, b); i <= std::max(a, b); ++i) {
    if (words[i] != value) {
      words[i] = value;
      changed = true;
    }
  }
  if (changed && change_cb != nullptr) change_cb(object_id, b + 1, false, true);
}

// A button-1 drag in multiple mode: the entries between the anchor and the
// pointer are exactly the selected range; what the previous step selected
// beyond it is dropped, entries outside both ranges are left alone.
void UISelectionList::drag_range(int entry) {
  int low = std::min(anchor, entry), high = std::max(anchor, entry);
  int from = std::min(low, std::min(anchor, last));
  int to = std::max(high, std::max(anchor, last));
  uintptr_t* words = selection_words();
  bool changed = false;
  for (int i = from; i <= to; ++i) {
    uintptr_t value = i >= low && i <= high ? 1 : 0;
    if (words[i] != value) {
      words[i] = value;
      changed = true;
    }
  }
  if (changed && change_cb != nullptr) change_cb(object_id, entry + 1, false, true);
}

void UISelectionList::scroll_by_slider(long id) {
  auto* list = reinterpret_cast<UISelectionList*>(id);
  UISlider* s = list->slider;
  long value = long(double(s->maximum - s->minimum) * s->knob_position / s->track_length + 0.5) +
               s->minimum;
  list->scroll = int(list->total_height - value - list->height + 10);
  if (list->window->mapped) list->draw();
}

bool UISelectionList::handle_event(const XEvent* event) {
  switch (event->type) {
    case ButtonPress: {
      const XButtonEvent& b = event->xbutton;
      if (b.button == Button2) {
        pixel_drag_start = b.y;
        slider_drag_start = scroll;
        drag_selection_list = this;
        return true;
      }
      if (b.button != Button1) {
        drag_selection_list = nullptr;
        return false;
      }
      if (change_cb == nullptr || count == 0 || !(x + slider_room + 5 < b.x) ||
          !(b.x < x + width - 5) || !(y + 5 < b.y) || !(b.y < y + height - 5)) {
        drag_selection_list = nullptr;
        return false;
      }
      int i = entry_at(b.y);
      entry_x = short(b.x);
      entry_y = short(b.y);
      entry_image = entries[i];
      if (single) turn_on(i);
      else if ((b.state & ShiftMask) != 0 && anchor >= 0) set_range(anchor, i, true);
      else if ((b.state & ControlMask) != 0) toggle_one(i);
      else turn_one_on_others_off(i);
      anchor = i;
      last = i;
      drag_selection_list = this;
      if (window->mapped) draw();
      return true;
    }
    case MotionNotify: {
      const XMotionEvent& m = event->xmotion;
      if ((m.state & (Button1Mask | Button2Mask)) == 0 || count == 0 ||
          drag_selection_list != this) {
        return false;
      }
      if ((m.state & Button1Mask) != 0 && change_cb != nullptr) {
        int i = entry_at(m.y);
        if (i == last) return true;
        if (single) turn_on(i);
        else if (anchor >= 0 && last >= 0) drag_range(i);
        last = i;
        if (anchor == -1) anchor = i;
        if (window->mapped) draw();
      } else if ((m.state & Button2Mask) != 0 && slider != nullptr) {
        int old = scroll;
        scroll = std::min(std::max(0, slider_drag_start + pixel_drag_start - m.y),
                          total_height - height + 10);
        if (scroll != old && window->mapped) draw();
      }
      return true;
    }
    default:
      return false;
  }
}

void UISelectionList::draw() {
  window->begin_drawing();
  XGLContext* gl = XGLContext::current_context;
  if (slider != nullptr) {
    int largest = total_height - height + 10;
    if (total_height + 10 > height) {
      slider->reconfigure(short(x + 5), short(y + 5), 26, static_cast<unsigned short>(height - 10),
                          black_border, light_fill, 0, largest, largest - scroll, nullptr,
                          scroll_by_slider, busy_exempt);
    } else {
      scroll = 0;
      slider->reconfigure(short(x + 5), short(y + 5), 26, static_cast<unsigned short>(height - 10),
                          black_border, light_fill, 0, 1, 1, nullptr, nullptr, busy_exempt);
    }
    slider->draw();
  }
  draw_border();
  draw_shadow(false, 2, 2, short(width - 3), short(height - 3));
  // Clip to the entry area; GL counts scissor rows from the bottom.
  gl->enable_scissor(true, x + slider_room + 3, window->height - (y + 5) - (height - 10),
                     width - slider_room - 8, height - 10);
  int top = y - scroll + 5;
  int left = x + slider_room + 4, right = x + width - 5;
  for (int i = 0; i < count; ++i) {
    Image* entry = entries[i];
    int entry_top = top;
    top += entry->height + 1;
    if (entry_top + entry->height < y + 5 || entry_top > y + height - 6) continue;
    bool selected = is_selected(i);
    if (selected) set_color_to_text_color();
    else set_color_to_background();
    fill(left, entry_top - 1, right, entry_top + entry->height + 1);
    if (selected) {
      gl->enable_logic_op(true, GL_COPY_INVERTED);
    } else {
      set_color_to_text_color();
    }
    entry->draw(float(x + slider_room + 5), float(entry_top + entry->height), 0);
    if (selected) gl->enable_logic_op(false);
  }
  set_color_to_background();
  if (top < y + height - 6) fill(left, top, right, y + height - 6);
  if (change_cb == nullptr) draw_inactive_stipple();
  gl->enable_scissor(false);
  UIObject::draw();
}
