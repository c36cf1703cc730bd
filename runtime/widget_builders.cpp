#include "runtime/widget_builders.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "runtime/encode_value.h"
#include "runtime/internal_error.h"
#include "runtime/interpreter.h"
#include "runtime/run_time_errors.h"
#include "toolkit/image_picture.h"
#include "toolkit/image_text.h"
#include "toolkit/neutral_picture.h"
#include "toolkit/ui_label.h"
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
      delete e.widget;
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

static long object_id(ident_info* window, uint32_t position) {
  return long(index_of(window)) << 16 | long(position & 0xFFFF);
}

// Kinds whose widget class is not in the toolkit yet: no widget is made,
// the values are released and the item takes its requested size, if any.
static void setup_without_widget_class(ident_info*, uint32_t item_index, item_values& values,
                                       int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  release_item_values(values);
  *right = values.x + requested_size(item, ITEM_SIZE_X, item.width);
  *bottom = values.y + requested_size(item, ITEM_SIZE_Y, item.height);
}

static void setup_label(ident_info* window, uint32_t item_index, item_values& values, int* right,
                        int* bottom) {
  window_record* w = record_of(window);
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
  if (w->ui_window == nullptr) return release_item_values(values);  // no display: nothing to show
  uint32_t position;
  widget_element* e = append_element(window, WK_LABEL, &position);
  if (e->widget == nullptr) e->widget = new UILabel(w->ui_window, object_id(window, position), nullptr);
  keep_help_text(e, values.help_text);
  e->item = item_index;
  e->element = values.element;
  if (values.element <= 1) item_ref(item_index).widget = e->widget;
  UILabel* label = static_cast<UILabel*>(e->widget);
  if (values.value_kind == K_STRING && values.v.s == nullptr) values.v.s = dup_chars("");
  Image* image = update_image(values.v, values.value_kind, item.head1, item.head2, item.head8,
                              values.light_fill, values.text_colour, values.background,
                              label->image, e);
  uint32_t background = values.value_kind == K_PICTURE ? w->background : values.background;
  label->reconfigure(values.x, values.y, requested_size(item, ITEM_SIZE_X, item.width),
                     requested_size(item, ITEM_SIZE_Y, item.height), values.black_border,
                     values.light_fill, values.text_colour, background, values.inactive, image);
  *right = label->x + label->width;
  *bottom = label->y + label->height;
}

// The frame or separator around an item, or of a FRAME/SEPARATOR item; the
// classes are not in the toolkit yet, so nothing is made.
void setup_frame(ident_info*, uint32_t, int16_t, int16_t, int, int, bool, bool) {}
void setup_separator(ident_info*, uint32_t, int16_t, int16_t, int, int, bool, bool) {}

static void setup_frame_item(ident_info* window, uint32_t item_index, item_values& values,
                             int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  int width = requested_size(item, ITEM_SIZE_X, item.width);
  int height = requested_size(item, ITEM_SIZE_Y, item.height);
  if (item.kind == ITEM_FRAME)
    setup_frame(window, item_index, values.x, values.y, width, height, values.black_border,
                values.light_fill);
  else
    setup_separator(window, item_index, values.x, values.y, width, height, values.black_border,
                    values.light_fill);
  release_item_values(values);
  *right = values.x + width;
  *bottom = values.y + height;
}

// The value checks of kinds without widget class stay, so bad YARL values
// are reported already.
static void setup_slider(ident_info* window, uint32_t item_index, item_values& values, int* right,
                         int* bottom) {
  bool ordered = values.value_kind == K_REAL ? values.range[0].r < values.range[1].r
                                             : values.range[0].i < values.range[1].i;
  if (!ordered) error("SLIDER range lower limit >= upper limit", 0, window);
  const menu_item& item = item_at(item_index);
  setup_without_widget_class(window, item_index, values, right, bottom);
  if (!(item.flags & (ITEM_SIZE_X | ITEM_SIZE_Y))) *right = values.x + 192;
}

static void setup_thumb_wheel(ident_info* window, uint32_t item_index, item_values& values,
                              int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  setup_without_widget_class(window, item_index, values, right, bottom);
  if (!(item.flags & (ITEM_SIZE_X | ITEM_SIZE_Y))) *right = values.x + 100;
}

static void setup_color_bar(ident_info* window, uint32_t item_index, item_values& values,
                            int* right, int* bottom) {
  if (uint32_t(values.v.i) > 100) error("Bar length must be 0 <= length <= 100 in COLOR_BAR", 0, window);
  setup_without_widget_class(window, item_index, values, right, bottom);
}

static void setup_button_like(ident_info* window, uint32_t item_index, item_values& values,
                              int* right, int* bottom) {
  const menu_item& item = item_at(item_index);
  if (item.head8 >= 18 && values.value_kind != K_PICTURE) {
    release_item_values(values);
    *right = values.x;
    *bottom = values.y;
    error("Font index out of range", 0, window);
    return;
  }
  setup_without_widget_class(window, item_index, values, right, bottom);
}

// The colour editor takes its own four values: three components and the model.
static void setup_color_editor(ident_info* window, uint32_t item_index, item_values& values,
                               int* right, int* bottom) {
  if (used_slots() < 4) internal_error(8003, "ui");
  sp -= 4;
  setup_without_widget_class(window, item_index, values, right, bottom);
}

widget_builder builder_of(const menu_item& item) {
  switch (item.kind) {
    case ITEM_LABEL: return setup_label;
    case ITEM_FRAME:
    case ITEM_SEPARATOR: return setup_frame_item;
    case ITEM_SLIDER: return setup_slider;
    case ITEM_THUMB_WHEEL: return setup_thumb_wheel;
    case ITEM_COLOR_BAR: return setup_color_bar;
    case ITEM_COLOR_EDITOR: return setup_color_editor;
    case ITEM_BUTTON:          // UIButton, UIEnterButton
    case ITEM_MENU_BUTTON:     // UIMenuButton
    case ITEM_CHECK_BUTTON:    // UICheckButton
    case ITEM_TEXT_FIELD:      // UITextField
    case ITEM_RADIO_BOX:       // UIRadioBox
    case ITEM_OPTION_POP_UP:   // UIOptionPopUp
    case ITEM_SELECTION_LIST: return setup_button_like;
    case ITEM_BOX:             // UIBox
    case ITEM_MATERIAL_LABEL:  // UIMaterialLabel
    case ITEM_PICTURE_BUTTON: return setup_without_widget_class;  // UIPictureButton
    default: return nullptr;
  }
}
