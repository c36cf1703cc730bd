#include "runtime/widget_builders.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/internal_error.h"
#include "runtime/encode_value.h"
#include "runtime/interpreter.h"
#include "runtime/run_time_errors.h"
#include "runtime/widget_callbacks.h"
#include "scene/materials.h"
#include "toolkit/fonts.h"
#include "toolkit/hls.h"
#include "toolkit/image_picture.h"
#include "toolkit/image_text.h"
#include "toolkit/neutral_picture.h"
#include "toolkit/ui_box.h"
#include "toolkit/ui_button.h"
#include "toolkit/ui_check_button.h"
#include "toolkit/ui_color_bar.h"
#include "toolkit/ui_color_editor.h"
#include "toolkit/ui_enter_button.h"
#include "toolkit/ui_frame.h"
#include "toolkit/ui_label.h"
#include "toolkit/ui_material_label.h"
#include "toolkit/ui_menu_button.h"
#include "toolkit/ui_option_pop_up.h"
#include "toolkit/ui_picture_button.h"
#include "toolkit/ui_radio_box.h"
#include "toolkit/ui_selection_list.h"
#include "toolkit/ui_separator.h"
#include "toolkit/ui_slider.h"
#include "toolkit/ui_text_field.h"
#include "toolkit/ui_thumb_wheel.h"
#include "toolkit/ui_window.h"

// ---- Displayed variables ----

// A variable's displaying windows: null none; a negative tag the one window
// whose index is its negation; else a counted list on the heap.
struct display_list {
  uint32_t count;
  uint32_t capacity;
  uint16_t windows[1];
};

static intptr_t tag_of(const ident_info* v) { return reinterpret_cast<intptr_t>(v->displays); }
static void set_tag(ident_info* v, intptr_t tag) { v->displays = reinterpret_cast<display_list*>(tag); }

static display_list* new_display_list(uint32_t capacity) {
  display_list* l = static_cast<display_list*>(
      CheckedMalloc(sizeof(display_list) + (capacity - 1) * sizeof(uint16_t)));
  l->count = 0;
  l->capacity = capacity;
  return l;
}

static void add_displaying_window(ident_info* v, uint16_t window) {
  intptr_t tag = tag_of(v);
  if (tag == 0) return set_tag(v, -intptr_t(window));
  if (tag < 0) {
    if (-tag == window) return;
    display_list* l = new_display_list(2);
    l->windows[0] = uint16_t(-tag);
    l->windows[1] = window;
    l->count = 2;
    v->displays = l;
    return;
  }
  display_list* l = v->displays;
  for (uint32_t i = 0; i < l->count; ++i)
    if (l->windows[i] == window) return;
  if (l->count == l->capacity) {
    display_list* bigger = new_display_list(l->capacity * 2);
    memcpy(bigger->windows, l->windows, l->count * sizeof(uint16_t));
    bigger->count = l->count;
    CheckedFree(l);
    v->displays = l = bigger;
  }
  l->windows[l->count++] = window;
}

// Removes only the entries equal to `window`.
static void remove_displaying_window(ident_info* v, uint16_t window) {
  intptr_t tag = tag_of(v);
  if (tag == 0) return;
  if (tag < 0) {
    if (-tag == window) set_tag(v, 0);
    return;
  }
  display_list* l = v->displays;
  for (uint32_t i = 0; i < l->count;) {
    if (l->windows[i] == window) l->windows[i] = l->windows[--l->count];
    else ++i;
  }
  if (l->count == 0) {
    CheckedFree(l);
    set_tag(v, 0);
  }
}

void free_display_list(ident_info* variable) {
  if (tag_of(variable) > 0) CheckedFree(variable->displays);
  set_tag(variable, 0);
}

void for_each_displaying_window(const ident_info* variable, void (*visit)(uint16_t window)) {
  intptr_t tag = tag_of(variable);
  if (tag == 0) return;
  if (tag < 0) return visit(uint16_t(-tag));
  // A visit may not change this list: redisplay happens later, from the queue.
  const display_list* l = variable->displays;
  for (uint32_t i = 0; i < l->count; ++i) visit(l->windows[i]);
}

static uint16_t index_of(const ident_info* window) { return uint16_t(window - globals()); }

// Calls `f` with every variable of a MENU's displayed-variable list.
template <typename F>
static void walk_list(ident_info* window, uint32_t list, int error_number, F f) {
  const table& t = tables[T_U16_LISTS];
  if (list >= t.length) internal_error(error_number, "ui");
  const uint16_t* words = t.as<uint16_t>();
  uint32_t count = words[list];
  if (uint64_t(list) + 1 + count > t.length) internal_error(error_number, "ui");
  for (uint32_t i = 0; i < count; ++i) {
    uint16_t word = words[list + 1 + i];
    ident_ref ref{uint8_t(word >> 14), uint16_t(word & 0x1FFF)};
    ident_info* variable = resolve_ref(window, ref, error_number);
    if (!is_variable_kind(variable->kind)) internal_error(348, "ui");
    f(variable);
  }
}

void add_dis_vars(ident_info* window, uint32_t list) {
  uint16_t index = index_of(window);
  walk_list(window, list, 326, [index](ident_info* v) { add_displaying_window(v, index); });
}

void clear_dis_vars(ident_info* window) {
  window_record* w = record_of(window);
  if (w->top != w->frames) internal_error(971, "ui");
  int menus = window_menu_count(*window);
  if (menus == 0) internal_error(972, "ui");
  uint16_t index = index_of(window);
  auto remove = [index](ident_info* v) { remove_displaying_window(v, index); };
  uint16_t main_menu = uint16_t(window->word8);
  if (main_menu < window->word6) walk_list(window, w->locals[main_menu].code_offset, 326, remove);
  if (menus >= 2 && w->current_tab_menu < window->word6 && w->current_tab_menu != main_menu &&
      w->locals[w->current_tab_menu].kind == K_MENU)
    walk_list(window, w->locals[w->current_tab_menu].code_offset, 326, remove);
}

// ---- Widget tables ----

static widget_element* append_element(ident_info* window, widget_kind kind, uint32_t* position) {
  table& t = record_of(window)->widgets[kind];
  if (t.length + 1 >= t.capacity) table_expand(&t, 1);
  *position = t.length++;
  return &t.as<widget_element>()[*position];
}

static void keep_help_text(widget_element* e, const char* help) {
  if (e->help_text != nullptr) CheckedFree(e->help_text);
  e->help_text = help != nullptr ? dup_chars(help) : nullptr;
}

static void free_images(widget_element* e) {
  for (uint32_t i = 0; e->images != nullptr && i < e->image_count; ++i) delete e->images[i];
  if (e->images != nullptr) CheckedFree(e->images);
  e->images = nullptr;
  e->image_count = 0;
}

void destroy_unused(table* t, uint32_t old_length) {
  widget_element* elements = t->as<widget_element>();
  if (old_length > t->length) {
    for (uint32_t i = t->length; i < t->capacity && elements[i].widget != nullptr; ++i) {
      widget_element& e = elements[i];
      if (e.item < tables[T_MENU_ITEMS].length) {
        menu_item& item = tables[T_MENU_ITEMS].as<menu_item>()[e.item];
        if (item.widget == e.widget) item.widget = nullptr;
      }
      UIObject::discard(e.widget);  // its own callback may be running
      if (e.help_text != nullptr) CheckedFree(e.help_text);
      free_images(&e);
      if (e.value_kind == K_STRING) {
        free_owned(K_STRING, &e.lower);
        free_owned(K_STRING, &e.upper);
      }
      e = widget_element{};
    }
    return;
  }
  // An empty element behind the last one ends the walk of a later shrink.
  if (t->length + 1 >= t->capacity) table_expand(t, 1);
  elements = t->as<widget_element>();
  if (elements[t->length].widget == nullptr) elements[t->length] = widget_element{};
}

void adapt_size(ident_info* window, int width, int height) {
  window_record* w = record_of(window);
  bool changed[2] = {false, false};
  int size[2] = {width, height};
  int16_t* last[2] = {&w->auto_width, &w->auto_height};
  static const char* const messages[2] = {"Window uses auto-size-x but has no content",
                                          "Window uses auto-size-y but has no content"};
  for (int axis = 0; axis < 2; ++axis) {
    if (!(w->state & (WR_AUTO_WIDTH << axis))) continue;
    int s = std::clamp(size[axis], 0, 32767);
    if (s == *last[axis]) continue;
    if (s == 0) {
      if (!in_interface_builder) {
        fprintf(stderr, "%s '%s'.\n", type_name(window->kind), name_of(window));
        error(messages[axis], 0, window);
        continue;
      }
      s = 1;
    }
    *last[axis] = int16_t(s);
    size[axis] = s;
    changed[axis] = true;
  }
  if ((changed[0] || changed[1]) && w->ui_window != nullptr)
    w->ui_window->set_size(changed[0] ? uint16_t(size[0]) : 0, changed[1] ? uint16_t(size[1]) : 0);
}

// ---- Images ----

Image* update_image(value v, int kind, int width, int precision, int font, bool grey,
                    uint32_t colour1, uint32_t colour2, Image* current, widget_element* element) {
  shown_image shown{};
  const shown_image* now = nullptr;
  if (current != nullptr) {
    shown.kind = current->kind;
    if (current->kind == K_PICTURE) {
      const ImagePicture* p = static_cast<const ImagePicture*>(current);
      shown.colours[0] = element->colours[0];
      shown.colours[1] = element->colours[1];
      shown.header = p->get_picture()->header;
    } else {
      const ImageText* t = static_cast<const ImageText*>(current);
      shown.font = t->get_matching_font_index();
      shown.text = t->get_text() != nullptr ? t->get_text() : "";
    }
    now = &shown;
  }
  image_choice choice = choose_image(v, kind, width, precision, font, grey, colour1, colour2, now);
  if (!choice.new_image) return nullptr;
  if (kind != K_PICTURE) return new ImageText(uint8_t(kind), uint8_t(font), choice.text);
  element->colours[0] = choice.colours[0];
  element->colours[1] = choice.colours[1];
  return new ImagePicture(reinterpret_cast<neutral_picture*>(v.p), choice.colours[0],
                          choice.colours[1]);
}

// ---- Builders ----

static const menu_item& item_at(uint32_t index) { return tables[T_MENU_ITEMS].as<menu_item>()[index]; }
static menu_item& item_ref(uint32_t index) { return tables[T_MENU_ITEMS].as<menu_item>()[index]; }

void release_item_values(item_values& values) {
  if (is_owned_kind(values.value_kind)) {
    free_owned(values.value_kind, &values.v);
    free_owned(values.value_kind, &values.range[0]);
    free_owned(values.value_kind, &values.range[1]);
  }
  for (value& p : values.pictures) free_owned(K_PICTURE, &p);
}

static uint16_t requested_size(const menu_item& item, uint32_t flag, int16_t size) {
  return (item.flags & flag) && size > 0 ? uint16_t(size) : 0;
}

static void report_edges(const UIObject* o, int* right, int* bottom) {
  *right = o->x + o->width;
  *bottom = o->y + o->height;
}

// The element of the next widget of a kind, its widget made by `make` when
// the previous display left none; null for a window without toolkit window.
template <typename Make>
static widget_element* next_element(ident_info* window, widget_kind kind, uint32_t item_index,
                                    const item_values& values, Make make) {
  window_record* w = record_of(window);
  if (w->ui_window == nullptr) return nullptr;
  uint32_t position;
  widget_element* e = append_element(window, kind, &position);
  if (e->widget == nullptr) e->widget = make(w->ui_window, object_id(window, position));
  keep_help_text(e, values.help_text);
  e->item = item_index;
  e->item_number = values.item_number;
  e->element = values.element;
  e->inactive = values.inactive;
  if (values.element <= 1) item_ref(item_index).widget = e->widget;
  return e;
}

// The value a button-like widget shows must have a font and, as a
// PICTURE, a picture; otherwise a run-time error and no widget.
static bool shown_value_ok(ident_info* window, const menu_item& item, item_values& values,
                           int* right, int* bottom) {
  *right = values.x;
  *bottom = values.y;
  if (values.value_kind != K_PICTURE && item.head8 >= 18) {
    release_item_values(values);
    error("Font index out of range", 0, window);
    return false;
  }
  if (values.value_kind == K_PICTURE && values.v.p == nullptr) {
    release_item_values(values);
    error("Widget shows a PICTURE that has no value", 0, window);
    return false;
  }
  if (values.value_kind == K_STRING && values.v.s == nullptr) values.v.s = dup_chars("");
  return true;
}

static Image* shown_image(const menu_item& item, item_values& values, Image* current,
                          widget_element* e) {
  Image* image = update_image(values.v, values.value_kind, item.head1, item.head2, item.head8,
                              values.light_fill, values.text_colour, values.background, current, e);
  values.v = value{};  // taken by update_image
  return image;
}

static uint32_t shown_background(ident_info* window, const item_values& values) {
  return values.value_kind == K_PICTURE ? record_of(window)->background : values.background;
}

static void setup_label(ident_info* window, uint32_t item_index, item_values& values, int* right,
                        int* bottom) {
  const menu_item& item = item_at(item_index);
  *right = values.x;
  *bottom = values.y;
  if (item.head8 >= 18) {
    release_item_values(values);
    error("Font index out of range in LABEL", 0, window);
    return;
  }
  if (values.value_kind == K_PICTURE && values.v.p == nullptr) {
    error("LABEL shows a PICTURE that has no value", 0, window);
    return;
  }
  widget_element* e = next_element(window, WK_LABEL, item_index, values, [](UIWindow* ui, long id) {
    return new UILabel(ui, id, enter_a_label);
  });
  if (e == nullptr) return release_item_values(values);  // no display: nothing to show
  UILabel* label = static_cast<UILabel*>(e->widget);
  if (values.value_kind == K_STRING && values.v.s == nullptr) values.v.s = dup_chars("");
  Image* image = shown_image(item, values, label->image, e);
  label->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                     requested_size(item, ITEM_SIZE_Y, item.height), values.black_border,
                     values.light_fill, values.text_colour, shown_background(window, values),
                     values.inactive, image);
  report_edges(label, right, bottom);
}

static void setup_button(ident_info* window, uint32_t item_index, item_values& values, int* right,
                         int* bottom) {
  const menu_item& item = item_at(item_index);
  if (!shown_value_ok(window, item, values, right, bottom)) return;
  bool enter = shortcut_of(item) == 13;
  widget_element* e = next_element(window, enter ? WK_ENTER_BUTTON : WK_BUTTON, item_index, values,
                                   [enter](UIWindow* ui, long id) -> UIObject* {
                                     if (enter) return new UIEnterButton(ui, id, enter_a_enter_button);
                                     return new UIButton(ui, id, enter_a_button);
                                   });
  if (e == nullptr) return release_item_values(values);
  UIButton* button = static_cast<UIButton*>(e->widget);
  uint32_t background = shown_background(window, values);
  Image* image = shown_image(item, values, button->image, e);
  uint16_t width = requested_size(item, ITEM_SIZE_X, item.width);
  uint16_t height = requested_size(item, ITEM_SIZE_Y, item.height);
  bool exempt = item.flags & ITEM_BUSY_EXEMPT;
  if (enter)
    static_cast<UIEnterButton*>(button)->reconfigure(
        values.x, values.y, width, height, values.black_border, values.light_fill,
        values.text_colour, background, image, values.pressed,
        values.inactive ? nullptr : activate_enter_button, exempt);
  else
    button->reconfigure(values.x, values.y, width, height, values.black_border, values.light_fill,
                        values.text_colour, background, image, values.pressed,
                        values.inactive ? nullptr : activate_button, exempt);
  report_edges(button, right, bottom);
}

static void setup_menu_button(ident_info* window, uint32_t item_index, item_values& values,
                              int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  if (!shown_value_ok(window, item, values, right, bottom)) return;
  widget_element* e = next_element(window, WK_MENU_BUTTON, item_index, values, [](UIWindow* ui, long id) {
    return new UIMenuButton(ui, id, enter_a_menu_button);
  });
  if (e == nullptr) return release_item_values(values);
  UIMenuButton* button = static_cast<UIMenuButton*>(e->widget);
  uint32_t background = shown_background(window, values);
  Image* image = shown_image(item, values, button->image, e);
  button->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                      requested_size(item, ITEM_SIZE_Y, item.height), values.black_border,
                      values.light_fill, values.text_colour, background, image,
                      values.pressed || UIMenuButton::mb_with_cursor == button, shortcut_of(item),
                      values.inactive ? nullptr : activate_menu_button, enter_menu_button);
  report_edges(button, right, bottom);
}

static void setup_check_button(ident_info* window, uint32_t item_index, item_values& values,
                               int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  if (!shown_value_ok(window, item, values, right, bottom)) return;
  widget_element* e = next_element(window, WK_CHECK_BUTTON, item_index, values, [](UIWindow* ui, long id) {
    return new UICheckButton(ui, id, enter_a_check_button);
  });
  if (e == nullptr) return release_item_values(values);
  UICheckButton* button = static_cast<UICheckButton*>(e->widget);
  uint32_t background = shown_background(window, values);
  Image* image = shown_image(item, values, button->image, e);
  button->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                      requested_size(item, ITEM_SIZE_Y, item.height), values.black_border,
                      values.light_fill, values.text_colour, background, image, values.check_state,
                      values.inactive ? nullptr : change_check_button, item.flags & ITEM_BUSY_EXEMPT);
  report_edges(button, right, bottom);
}

static void setup_picture_button(ident_info* window, uint32_t item_index, item_values& values,
                                 int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  *right = values.x;
  *bottom = values.y;
  widget_element* e = next_element(window, WK_PICTURE_BUTTON, item_index, values, [](UIWindow* ui, long id) {
    return new UIPictureButton(ui, id, enter_a_picture_button);
  });
  if (e == nullptr) return release_item_values(values);
  UIPictureButton* button = static_cast<UIPictureButton*>(e->widget);
  // values.pictures: active, armed, idle; the widget's: idle, armed, active.
  ImagePicture* images[3] = {};
  for (int i = 0; i < 3; ++i) {
    value& p = values.pictures[2 - i];
    if (p.p == nullptr) continue;
    widget_element plain{};  // armed and active pictures are shown unblended
    plain.colours[0] = plain.colours[1] = TRANSPARENT_COLOUR;
    bool idle = i == 0;
    images[i] = static_cast<ImagePicture*>(
        update_image(p, K_PICTURE, 0, 0, 0, idle && values.light_fill,
                     idle ? values.text_colour : TRANSPARENT_COLOUR,
                     idle ? values.background : TRANSPARENT_COLOUR, button->pictures[i],
                     idle ? e : &plain));
    p = value{};
  }
  button->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                      requested_size(item, ITEM_SIZE_Y, item.height), values.black_border,
                      values.light_fill, values.text_colour, images[0], images[1], images[2],
                      values.inactive ? nullptr : activate_picture_button,
                      item.flags & ITEM_BUSY_EXEMPT);
  report_edges(button, right, bottom);
}

// Built with the item index; 0xFFFF for the frame or separator around an item.
template <typename W>
static UIObject* setup_bottom_line(ident_info* window, widget_kind kind, void (*enter)(long),
                                   uint32_t item_index, int16_t x, int16_t y, int width,
                                   int height, bool black_border, bool light_fill) {
  window_record* w = record_of(window);
  if (w->ui_window == nullptr) return nullptr;
  uint32_t position;
  widget_element* e = append_element(window, kind, &position);
  if (e->widget == nullptr) e->widget = new W(w->ui_window, object_id(window, position), enter);
  keep_help_text(e, nullptr);
  e->item = item_index;
  if (item_index != SURROUNDING_FRAME && item_index < tables[T_MENU_ITEMS].length)
    item_ref(item_index).widget = e->widget;
  static_cast<W*>(e->widget)->reconfigure(x, y, uint16_t(std::clamp(width, 0, 65535)),
                                          uint16_t(std::clamp(height, 0, 65535)), black_border,
                                          light_fill);
  return e->widget;
}

UIObject* setup_frame(ident_info* window, uint32_t item_index, int16_t x, int16_t y, int width,
                      int height, bool black_border, bool light_fill) {
  return setup_bottom_line<UIFrame>(window, WK_FRAME, enter_a_frame, item_index, x, y, width,
                                    height, black_border, light_fill);
}

UIObject* setup_separator(ident_info* window, uint32_t item_index, int16_t x, int16_t y, int width,
                          int height, bool black_border, bool light_fill) {
  return setup_bottom_line<UISeparator>(window, WK_SEPARATOR, enter_a_separator, item_index, x, y,
                                        width, height, black_border, light_fill);
}

static void setup_frame_item(ident_info* window, uint32_t item_index, item_values& values,
                             int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  int width = requested_size(item, ITEM_SIZE_X, item.width);
  int height = requested_size(item, ITEM_SIZE_Y, item.height);
  UIObject* o = item.kind == ITEM_FRAME
                    ? setup_frame(window, item_index, values.x, values.y, width, height,
                                  values.black_border, values.light_fill)
                    : setup_separator(window, item_index, values.x, values.y, width, height,
                                      values.black_border, values.light_fill);
  release_item_values(values);
  *right = values.x + width;
  *bottom = values.y + height;
  if (o != nullptr) report_edges(o, right, bottom);
}

static void setup_box(ident_info* window, uint32_t item_index, item_values& values, int* right,
                      int* bottom) {
  const menu_item& item = item_at(item_index);
  release_item_values(values);
  *right = values.x;
  *bottom = values.y;
  widget_element* e = next_element(window, WK_BOX, item_index, values, [](UIWindow* ui, long id) {
    return new UIBox(ui, id, enter_a_box);
  });
  if (e == nullptr) return;
  UIBox* box = static_cast<UIBox*>(e->widget);
  box->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                   requested_size(item, ITEM_SIZE_Y, item.height), values.black_border,
                   values.light_fill, values.text_colour);
  report_edges(box, right, bottom);
}

// Sliders and thumb wheels: a natural width unless SIZE_X or SIZE_Y is given.
static uint16_t range_width(const menu_item& item, uint16_t natural) {
  if (item.flags & ITEM_SIZE_X) return requested_size(item, ITEM_SIZE_X, item.width);
  return (item.flags & ITEM_SIZE_Y) ? 0 : natural;
}

static long number_of(int kind, value v) {
  if (kind != K_REAL) return v.i;
  if (!(v.r > -2147483648.0f && v.r < 2147483648.0f)) return 0;
  return long(v.r);
}

static void setup_slider(ident_info* window, uint32_t item_index, item_values& values, int* right,
                         int* bottom) {
  const menu_item& item = item_at(item_index);
  *right = values.x;
  *bottom = values.y;
  widget_element* e = next_element(window, WK_SLIDER, item_index, values, [](UIWindow* ui, long id) {
    return new UISlider(ui, id, enter_a_slider);
  });
  long minimum = number_of(values.value_kind, values.range[0]);
  long maximum = number_of(values.value_kind, values.range[1]);
  if (minimum >= maximum) error("SLIDER range lower limit >= upper limit", 0, window);
  if (e == nullptr) return;
  UISlider* slider = static_cast<UISlider*>(e->widget);
  bool active = !values.inactive;
  if (minimum < maximum)
    slider->reconfigure(values.x, values.y, range_width(item, 192),
                        requested_size(item, ITEM_SIZE_Y, item.height), values.black_border,
                        values.light_fill, minimum, maximum, number_of(values.value_kind, values.v),
                        active && (item.flags & ITEM_HAS_ACTION) ? activate_slider : nullptr,
                        active ? change_slider : nullptr, item.flags & ITEM_BUSY_EXEMPT);
  report_edges(slider, right, bottom);
}

static void setup_thumb_wheel(ident_info* window, uint32_t item_index, item_values& values,
                              int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  *right = values.x;
  *bottom = values.y;
  widget_element* e = next_element(window, WK_THUMB_WHEEL, item_index, values, [](UIWindow* ui, long id) {
    return new UIThumbWheel(ui, id, enter_a_thumb_wheel);
  });
  if (e == nullptr) return;
  UIThumbWheel* wheel = static_cast<UIThumbWheel*>(e->widget);
  bool active = !values.inactive;
  wheel->reconfigure(values.x, values.y, range_width(item, 100),
                     requested_size(item, ITEM_SIZE_Y, item.height), values.black_border,
                     values.light_fill, number_of(values.value_kind, values.v),
                     active && (item.flags & ITEM_HAS_ACTION) ? activate_thumb_wheel : nullptr,
                     active ? change_thumb_wheel : nullptr, item.flags & ITEM_BUSY_EXEMPT);
  report_edges(wheel, right, bottom);
}

static void setup_color_bar(ident_info* window, uint32_t item_index, item_values& values,
                            int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  *right = values.x;
  *bottom = values.y;
  if (uint32_t(values.v.i) > 100) error("Bar length must be 0 <= length <= 100 in COLOR_BAR", 0, window);
  widget_element* e = next_element(window, WK_COLOR_BAR, item_index, values, [](UIWindow* ui, long id) {
    return new UIColorBar(ui, id, enter_a_color_bar);
  });
  if (e == nullptr) return;
  UIColorBar* bar = static_cast<UIColorBar*>(e->widget);
  bar->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                   requested_size(item, ITEM_SIZE_Y, item.height), values.black_border,
                   values.light_fill, values.inactive, values.v.i, values.text_colour);
  report_edges(bar, right, bottom);
}

// The model and colour of a colour editor come from YARL: out of range they
// are a run-time error; where the run goes on (Interface Builder) they are
// replaced by the nearest valid ones.
static void check_color_editor_values(ident_info* window, uint32_t* model, float rgb[3]) {
  static const char* const messages[3] = {"Red must be 0 <= red <= 1 in COLOR_EDITOR",
                                          "Green must be 0 <= green <= 1 in COLOR_EDITOR",
                                          "Blue must be 0 <= blue <= 1 in COLOR_EDITOR"};
  if (*model > 6) {
    error("Color model must be 0 <= model <= 6 in COLOR_EDITOR", 0, window);
    *model = 0;
  }
  float hls[3];
  while (int bad = convert_checked_colour(ColourSpace::RGB, rgb, hls)) {
    error(messages[bad - 1], 0, window);
    float& c = rgb[bad - 1];
    c = std::isnan(c) ? 0.0f : std::clamp(c, 0.0f, 1.0f);
  }
}

// The colour editor takes its own four values: three components and the model.
static void setup_color_editor(ident_info* window, uint32_t item_index, item_values& values,
                               int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  if (used_slots() < 4) internal_error(8003, "ui");
  float rgb[3];
  rgb[2] = (sp--)->r, rgb[1] = (sp--)->r, rgb[0] = (sp--)->r;
  uint32_t model = (sp--)->u;
  check_color_editor_values(window, &model, rgb);
  *right = values.x;
  *bottom = values.y;
  widget_element* e = next_element(window, WK_COLOR_EDITOR, item_index, values, [](UIWindow* ui, long id) {
    return new UIColorEditor(ui, id, enter_a_color_editor);
  });
  if (e == nullptr) return;
  UIColorEditor* editor = static_cast<UIColorEditor*>(e->widget);
  bool active = !values.inactive;
  editor->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                      requested_size(item, ITEM_SIZE_Y, item.height), values.black_border,
                      values.light_fill, model, rgb[0], rgb[1], rgb[2],
                      active && (item.flags & ITEM_HAS_ACTION) ? activate_color_editor : nullptr,
                      active ? change_color_editor : nullptr, item.flags & ITEM_BUSY_EXEMPT);
  report_edges(editor, right, bottom);
}

static void setup_material_label(ident_info* window, uint32_t item_index, item_values& values,
                                 int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  *right = values.x;
  *bottom = values.y;
  int32_t materials = globals()[110].val.i;
  bool refused = false;
  if (materials == 0 && values.v.i != 1) {
    error("Material index in MATERIAL_LABEL must be 1 when there are no materials", 0, window);
    refused = true;
  } else if (materials != 0 && (values.v.i < 1 || values.v.i > materials)) {
    error("Material index in MATERIAL_LABEL out of range", 0, window);
    refused = true;
  }
  widget_element* e = next_element(window, WK_MATERIAL_LABEL, item_index, values, [](UIWindow* ui, long id) {
    return new UIMaterialLabel(ui, id, enter_a_material_label);
  });
  if (e == nullptr) return;
  UIMaterialLabel* label = static_cast<UIMaterialLabel*>(e->widget);
  // Index 1 without any material has no sphere to show: the well stays empty.
  void (*sample)(long, long, long, long, long) = refused || materials == 0 ? nullptr : draw_sphere;
  label->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                     requested_size(item, ITEM_SIZE_Y, item.height), values.black_border,
                     values.light_fill, values.inactive, values.v.i, sample);
  report_edges(label, right, bottom);
}

// ---- Choices and lists ----

void rebuild_image_list(int font, const ident_info* text, uint32_t text_colour, uint32_t background,
                        Image*** images, uint32_t* count) {
  for (uint32_t i = 0; *images != nullptr && i < *count; ++i) delete (*images)[i];
  uint32_t n = is_array_kind(text->kind) ? text->word6 : 0;
  if (*images != nullptr) CheckedFree(*images);
  *images = n != 0 ? static_cast<Image**>(CheckedMalloc(n * sizeof(Image*))) : nullptr;
  for (uint32_t i = 0; i < n; ++i) {
    value entry = text->val.a[i];
    if (text->kind == K_ARRAY + K_PICTURE)
      (*images)[i] = new ImagePicture(reinterpret_cast<neutral_picture*>(copy_owned(K_PICTURE, entry).p),
                                      text_colour, background);
    else
      (*images)[i] = new ImageText(K_STRING, uint8_t(font), dup_chars(entry.s != nullptr ? entry.s : ""));
  }
  *count = n;
}

// The text variable of a choice or list: its entries. Its colours: for a
// PICTURE array both grey with light fill, the text colour stays otherwise.
struct entries {
  ident_info* text;
  uint32_t colours[2];
  bool changed;  // since the element's last build
};

static entries entries_of(ident_info* window, const menu_item& item, const item_values& values,
                          widget_element* e, bool is_new, int error_number) {
  ident_info* text = resolve_ref(window, ident_ref{uint8_t(item.head10 >> 14), uint16_t(item.head10 & 0x1FFF)},
                                 error_number);
  if (text->kind != K_ARRAY + K_STRING && text->kind != K_ARRAY + K_PICTURE)
    internal_error(error_number, "ui");
  bool picture = text->kind == K_ARRAY + K_PICTURE;
  entries r{text, {values.text_colour, values.background}, is_new};
  if (picture && values.light_fill) r.colours[0] = r.colours[1] = GREY_COLOUR;
  r.changed |= e->text_reference != item.head10 || e->text_count != text->count;
  r.changed |= picture ? (e->colours[0] != r.colours[0] || e->colours[1] != r.colours[1])
                       : e->font != item.head8;
  return r;
}

static void remember_entries(widget_element* e, const menu_item& item, const entries& r) {
  e->text_reference = item.head10;
  e->text_count = r.text->count;
  e->colours[0] = r.colours[0];
  e->colours[1] = r.colours[1];
  e->font = item.head8;
}

// Prints both variables and raises the error of a select value outside the list.
static void select_out_of_range(ident_info* window, const char* kind_word, const ident_info* text,
                                const menu_item& item, int32_t select) {
  const ident_info* variable = nullptr;
  uint16_t ref = item.head4;
  if ((ref >> 14) != 3) variable = resolve_ref(window, ident_ref{uint8_t(ref >> 14), uint16_t(ref & 0x1FFF)}, 2219);
  fprintf(stderr, "%s text variable: %s '%s', select variable: %s '%s'=%ld.\n", kind_word,
          type_name(text->kind), name_of(text), variable != nullptr ? type_name(variable->kind) : "",
          variable != nullptr ? name_of(variable) : "", long(select));
  char message[64];
  snprintf(message, sizeof message, "%s select value out of range", kind_word);
  error(message, 0, window);
}

static void setup_radio_box(ident_info* window, uint32_t item_index, item_values& values,
                            int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  *right = values.x;
  *bottom = values.y;
  bool is_new = false;
  widget_element* e = next_element(window, WK_RADIO_BOX, item_index, values, [&is_new](UIWindow* ui, long id) {
    is_new = true;
    return new UIRadioBox(ui, id, enter_a_radio_box);
  });
  if (e == nullptr) return;
  UIRadioBox* box = static_cast<UIRadioBox*>(e->widget);
  entries r = entries_of(window, item, values, e, is_new, 2217);
  if (r.changed)
    rebuild_image_list(item.head8, r.text, r.colours[0], r.colours[1], &e->images, &e->image_count);
  if (e->image_count != r.text->word6) internal_error(2218, "ui");
  int32_t index = values.v.i - index_origin(item);
  if (index >= 0 && uint32_t(index) < e->image_count) {
    bool picture = r.text->kind == K_ARRAY + K_PICTURE;
    box->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                     requested_size(item, ITEM_SIZE_Y, item.height), uint16_t(e->image_count),
                     r.changed, e->images, uint16_t(index), values.black_border, values.light_fill,
                     values.text_colour, picture ? record_of(window)->background : values.background,
                     values.inactive ? nullptr : change_radio_box, item.flags & ITEM_BUSY_EXEMPT);
  } else {
    // The old images are gone: the new ones reach the widget even so.
    if (r.changed) box->reconfigure(box->x, box->y, box->width, box->height, uint16_t(e->image_count),
                                    true, e->images, 0, box->black_border, box->light_fill,
                                    values.text_colour, values.background, box->change_cb, box->busy_exempt);
    select_out_of_range(window, "RADIO_BOX", r.text, item, values.v.i);
  }
  remember_entries(e, item, r);
  report_edges(box, right, bottom);
}

static void setup_option_pop_up(ident_info* window, uint32_t item_index, item_values& values,
                                int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  *right = values.x;
  *bottom = values.y;
  bool is_new = false;
  widget_element* e = next_element(window, WK_OPTION_POP_UP, item_index, values, [&is_new](UIWindow* ui, long id) {
    is_new = true;
    return new UIOptionPopUp(ui, id, get_option_pop_up_image, enter_a_option_pop_up);
  });
  if (e == nullptr) return;
  UIOptionPopUp* pop_up = static_cast<UIOptionPopUp*>(e->widget);
  entries r = entries_of(window, item, values, e, is_new, 7213);
  remember_entries(e, item, r);  // the widget's image getter reads them
  uint32_t count = r.text->word6;
  int32_t index = values.v.i - index_origin(item);
  if (index >= 0 && uint32_t(index) < count) {
    pop_up->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                        requested_size(item, ITEM_SIZE_Y, item.height), uint16_t(count), r.changed,
                        uint16_t(index), values.black_border, values.light_fill, values.text_colour,
                        values.background, values.inactive ? nullptr : change_option_pop_up,
                        item.flags & ITEM_BUSY_EXEMPT);
  } else {
    // New entries reach the widget even so; its selection goes to the first.
    if (r.changed)
      pop_up->reconfigure(pop_up->x, pop_up->y, pop_up->width, pop_up->height, uint16_t(count), true, 0,
                          pop_up->black_border, pop_up->light_fill, values.text_colour,
                          values.background, pop_up->change_cb, pop_up->busy_exempt);
    select_out_of_range(window, "OPTION_POP_UP", r.text, item, values.v.i);
  }
  report_edges(pop_up, right, bottom);
}

static void setup_selection_list(ident_info* window, uint32_t item_index, item_values& values,
                                 int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  *right = values.x;
  *bottom = values.y;
  bool is_new = false;
  widget_element* e = next_element(window, WK_SELECTION_LIST, item_index, values, [&is_new](UIWindow* ui, long id) {
    is_new = true;
    return new UISelectionList(ui, id, enter_a_selection_list, get_selection_list_select_variable);
  });
  if (e == nullptr) return;
  UISelectionList* list = static_cast<UISelectionList*>(e->widget);
  entries r = entries_of(window, item, values, e, is_new, 2308);
  if (r.changed)
    rebuild_image_list(item.head8, r.text, r.colours[0], r.colours[1], &e->images, &e->image_count);
  if (e->image_count != r.text->word6) internal_error(2309, "ui");
  uint16_t select_ref = uint16_t(item.head12);
  ident_info* selection = resolve_ref(window, ident_ref{uint8_t(select_ref >> 14), uint16_t(select_ref & 0x1FFF)}, 2310);
  bool selection_changed = is_new || e->select_reference != select_ref || e->select_count != selection->count;
  e->select_reference = select_ref;
  e->select_count = selection->count;
  remember_entries(e, item, r);
  list->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                    requested_size(item, ITEM_SIZE_Y, item.height), selection->kind == K_INTEGER,
                    uint16_t(e->image_count), r.changed, e->images, selection_changed,
                    values.black_border, values.light_fill,
                    values.inactive ? nullptr : change_selection_list, item.flags & ITEM_BUSY_EXEMPT,
                    values.text_colour, values.background);
  report_edges(list, right, bottom);
}

// ---- Text fields ----

// The field keeps its text while that already shows the value.
static bool shows_value(const char* text, int kind, value v) {
  if (text == nullptr) return false;
  if (kind == K_STRING) return strcmp(text, v.s != nullptr ? v.s : "") == 0;
  value shown{};
  return !decode_value(text, kind, &shown) && compare(kind, shown, v) == 0;
}

static void setup_text_field(ident_info* window, uint32_t item_index, item_values& values,
                             int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  *right = values.x;
  *bottom = values.y;
  if (item.head8 >= 18) {
    release_item_values(values);
    error("Font index out of range", 0, window);
    return;
  }
  bool is_new = false;
  widget_element* e = next_element(window, WK_TEXT_FIELD, item_index, values, [&is_new](UIWindow* ui, long id) {
    is_new = true;
    return new UITextField(ui, id, enter_a_text_field);
  });
  if (e == nullptr) return release_item_values(values);
  bool ranged = item.flags & ITEM_RANGE;
  if (values.help_text == nullptr && ranged && values.value_kind != K_STRING) {
    char low[ENCODE_BUFFER_SIZE], high[ENCODE_BUFFER_SIZE], help[80];
    encode_value(low, values.value_kind, values.range[0]);
    encode_value(high, values.value_kind, values.range[1]);
    snprintf(help, sizeof help, "%s <= %s <= %s", low, type_name(values.value_kind), high);
    keep_help_text(e, help);
  }
  if (e->value_kind == K_STRING) {
    free_owned(K_STRING, &e->lower);
    free_owned(K_STRING, &e->upper);
  }
  e->value_kind = uint8_t(values.value_kind);
  e->lower = values.range[0];
  e->upper = values.range[1];
  values.range[0] = values.range[1] = value{};
  UITextField* field = static_cast<UITextField*>(e->widget);
  char* text = nullptr;
  if (is_new || !shows_value(field->get_text(), values.value_kind, values.v))
    text = encode_format_value(values.v, values.value_kind, item.head1, item.head2);
  bool active = !values.inactive;
  bool on_activate = (item.flags & ITEM_HAS_ACTION) && !(item.flags & ITEM_ACTION_ON_CHANGE);
  field->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                     requested_size(item, ITEM_SIZE_Y, item.height), Fonts::fonts[item.head8],
                     values.black_border, values.light_fill, text,
                     active && on_activate ? activate_text_field : nullptr,
                     active ? change_text_field : nullptr, cycle_text_field, values.text_colour,
                     values.background);
  if (text != nullptr && !(values.value_kind == K_STRING && text == values.v.s)) CheckedFree(text);
  release_item_values(values);
  report_edges(field, right, bottom);
}

widget_builder builder_of(const menu_item& item) {
  switch (item.kind) {
    case ITEM_BOX: return setup_box;
    case ITEM_FRAME:
    case ITEM_SEPARATOR: return setup_frame_item;
    case ITEM_LABEL: return setup_label;
    case ITEM_BUTTON: return setup_button;
    case ITEM_SLIDER: return setup_slider;
    case ITEM_COLOR_BAR: return setup_color_bar;
    case ITEM_RADIO_BOX: return setup_radio_box;
    case ITEM_TEXT_FIELD: return setup_text_field;
    case ITEM_MENU_BUTTON: return setup_menu_button;
    case ITEM_THUMB_WHEEL: return setup_thumb_wheel;
    case ITEM_CHECK_BUTTON: return setup_check_button;
    case ITEM_COLOR_EDITOR: return setup_color_editor;
    case ITEM_OPTION_POP_UP: return setup_option_pop_up;
    case ITEM_MATERIAL_LABEL: return setup_material_label;
    case ITEM_PICTURE_BUTTON: return setup_picture_button;
    case ITEM_SELECTION_LIST: return setup_selection_list;
    default: return nullptr;
  }
}
