#include "runtime/widget_callbacks.h"

#include <cstdio>
#include <cstring>

#include "base/internal_error.h"
#include "link/si.h"
#include "runtime/encode_value.h"
#include "runtime/interpreter.h"
#include "runtime/procedures.h"
#include "runtime/variables.h"
#include "runtime/widget_builders.h"
#include "toolkit/image_picture.h"
#include "toolkit/image_text.h"
#include "toolkit/neutral_picture.h"
#include "toolkit/ui_button.h"
#include "toolkit/ui_menu_button.h"
#include "toolkit/ui_slider.h"

// ---- Finding the element behind an object id ----

namespace {

struct target {
  ident_info* window;
  widget_element* element;
  const menu_item* item;
};

}  // namespace

static ident_info* window_of(long id) {
  uint32_t index = uint32_t(id >> 16) & 0xFFFF;
  if (index >= tables[T_GLOBALS].length || !is_window_kind(globals()[index].kind) ||
      globals()[index].val.w == nullptr)
    internal_error(7201, "ui");
  return &globals()[index];
}

// The element may lie beyond the table's length while a display runs.
static target find(long id, widget_kind kind) {
  ident_info* window = window_of(id);
  table& t = record_of(window)->widgets[kind];
  uint32_t position = uint32_t(id) & 0xFFFF;
  if (position >= t.capacity) internal_error(7202, "ui");
  widget_element* e = &t.as<widget_element>()[position];
  const menu_item* item = nullptr;
  if (e->item < tables[T_MENU_ITEMS].length) item = &tables[T_MENU_ITEMS].as<menu_item>()[e->item];
  return {window, e, item};
}

item_edit_var edit_var_of(const menu_item& item) {
  switch (group_of_item_kind(item.kind)) {
    case GROUP_CHOICE:
    case GROUP_CHECK_BUTTON:
      return {item.head12, item.head3, item.head4};
    case GROUP_TEXT_FIELD:
    case GROUP_RANGE:
      return {item.head10, item.head3, item.head4};
    default:
      return {0, 0, item.head4};
  }
}

static bool assign(const target& t, int32_t index, value v) {
  item_edit_var e = edit_var_of(*t.item);
  return assign_edit_var(t.window, e.code_offset, e.code_length, index, v, e.reference);
}

static void start(const target& t, uint16_t element, bool selected) {
  start_action(t.window, uint16_t(t.item->source_file + 1), t.item->line, t.item->action_offset,
               t.element->item_number, element, selected);
}

// A number from a widget in the item's value kind.
static value number_value(int kind, long n) {
  value v{};
  if (kind == K_REAL || kind == K_ARRAY + K_REAL) v.r = float(n);
  else v.i = int32_t(n);
  return v;
}

static bool acts_on_change(const menu_item& item) {
  return (item.flags & ITEM_HAS_ACTION) && (item.flags & ITEM_ACTION_ON_CHANGE);
}

// ---- Enter callbacks ----

static const char* source_file_name(uint16_t index) {
  const ident_info& names = globals()[65];
  if (!is_array_kind(names.kind) || index >= names.word6 || names.val.a == nullptr) return "";
  const char* s = names.val.a[index].s;
  return s != nullptr ? s : "";
}

static void enter_widget(long id, widget_kind kind, const char* word) {
  target t = find(id, kind);
  if (!in_interface_builder) return set_help_text(t.element->help_text);
  static char ib_help_text[400];
  const UIObject* o = t.element->widget;
  uint16_t line = t.item != nullptr ? t.item->line : 0;
  const char* file = t.item != nullptr ? source_file_name(t.item->source_file) : "";
  snprintf(ib_help_text, sizeof ib_help_text, "%s at line %u of '%s':  @%d, %d  size %d, %d.\n",
           word, unsigned(line), file, o != nullptr ? o->x : 0, o != nullptr ? o->y : 0,
           o != nullptr ? o->width : 0, o != nullptr ? o->height : 0);
  set_help_text(ib_help_text);
}

void enter_a_box(long id) { enter_widget(id, WK_BOX, "box"); }
void enter_a_button(long id) { enter_widget(id, WK_BUTTON, "button"); }
void enter_a_check_button(long id) { enter_widget(id, WK_CHECK_BUTTON, "check_button"); }
void enter_a_color_bar(long id) { enter_widget(id, WK_COLOR_BAR, "color_bar"); }
void enter_a_color_editor(long id) { enter_widget(id, WK_COLOR_EDITOR, "color_editor"); }
void enter_a_enter_button(long id) { enter_widget(id, WK_ENTER_BUTTON, "enter_button"); }
void enter_a_frame(long id) { enter_widget(id, WK_FRAME, "frame"); }
void enter_a_material_label(long id) { enter_widget(id, WK_MATERIAL_LABEL, "material_label"); }
void enter_a_menu_button(long id) { enter_widget(id, WK_MENU_BUTTON, "menu_button"); }
void enter_a_label(long id) { enter_widget(id, WK_LABEL, "label"); }
void enter_a_option_pop_up(long id) { enter_widget(id, WK_OPTION_POP_UP, "option_pop_up"); }
void enter_a_picture_button(long id) { enter_widget(id, WK_PICTURE_BUTTON, "picture_button"); }
void enter_a_radio_box(long id) { enter_widget(id, WK_RADIO_BOX, "radio_box"); }
void enter_a_selection_list(long id) { enter_widget(id, WK_SELECTION_LIST, "selection_list"); }
void enter_a_separator(long id) { enter_widget(id, WK_SEPARATOR, "separator"); }
void enter_a_slider(long id) { enter_widget(id, WK_SLIDER, "slider"); }
void enter_a_text_field(long id) { enter_widget(id, WK_TEXT_FIELD, "text_field"); }
void enter_a_thumb_wheel(long id) { enter_widget(id, WK_THUMB_WHEEL, "thumb_wheel"); }

// ---- Activate callbacks ----

// Presses the button, runs the action and releases the button unless the
// action suspended the window's code; the widget may be gone by then.
static void press_button(long id, widget_kind kind) {
  target t = find(id, kind);
  bool menu = kind == WK_MENU_BUTTON;
  if (menu) static_cast<UIMenuButton*>(t.element->widget)->set_out(true);
  else static_cast<UIButton*>(t.element->widget)->set_in(true);
  start(t, t.element->element, false);
  target after = find(id, kind);
  if (record_of(after.window)->resume_offset != 0 || after.element->widget == nullptr) return;
  if (menu) static_cast<UIMenuButton*>(after.element->widget)->set_out(false);
  else static_cast<UIButton*>(after.element->widget)->set_in(false);
}

void activate_button(long id) { press_button(id, WK_BUTTON); }
void activate_enter_button(long id) { press_button(id, WK_ENTER_BUTTON); }
void activate_menu_button(long id) { press_button(id, WK_MENU_BUTTON); }

void activate_picture_button(long id) {
  target t = find(id, WK_PICTURE_BUTTON);
  start(t, t.element->element, false);
}

void activate_slider(long id) {
  target t = find(id, WK_SLIDER);
  start(t, t.element->element, false);
}

void activate_color_editor(long id) {
  target t = find(id, WK_COLOR_EDITOR);
  start(t, 0, false);
}

void activate_thumb_wheel(long id, long v) {
  target t = find(id, WK_THUMB_WHEEL);
  assign(t, t.element->element, number_value(t.item->value_kind, v));
  start(t, t.element->element, false);
}

void activate_text_field(long id) {
  target t = find(id, WK_TEXT_FIELD);
  if (check_text_field(t.element)) return ring_bell();
  start(t, t.element->element, false);
}

void activate_tab_button(long id) {
  ident_info* window = window_of(id);
  if (!check_text_fields(window)) return;
  uint16_t menu = uint16_t(id & 0x1FFF);
  if (menu >= window->word6) internal_error(7203, "ui");
  set_current_menu(window, menu);
  start_action(window, 0, 0, record_of(window)->locals[menu].val.u, 0, 0, false);
}

// ---- Change callbacks ----

void change_check_button(long id, bool state) {
  target t = find(id, WK_CHECK_BUTTON);
  value v{};
  v.i = state ? 1 : 0;
  if (assign(t, t.element->element, v) && (t.item->flags & ITEM_HAS_ACTION))
    start(t, t.element->element, false);
}

static void change_choice(long id, widget_kind kind, unsigned short index) {
  target t = find(id, kind);
  value v = integer_value(int32_t(index) + index_origin(*t.item));
  if (assign(t, 0, v) && (t.item->flags & ITEM_HAS_ACTION)) start(t, uint16_t(index + 1), false);
}

void change_radio_box(long id, unsigned short index) { change_choice(id, WK_RADIO_BOX, index); }
void change_option_pop_up(long id, unsigned short index) {
  change_choice(id, WK_OPTION_POP_UP, index);
}

void change_slider(long id) {
  target t = find(id, WK_SLIDER);
  long n = static_cast<UISlider*>(t.element->widget)->value();
  if (assign(t, t.element->element, number_value(t.item->value_kind, n)) && acts_on_change(*t.item))
    start(t, t.element->element, true);
}

void change_thumb_wheel(long id, long v) {
  target t = find(id, WK_THUMB_WHEEL);
  if (assign(t, t.element->element, number_value(t.item->value_kind, v)) && acts_on_change(*t.item))
    start(t, t.element->element, true);
}

void change_color_editor(long id, float a, float b, float c) {
  target t = find(id, WK_COLOR_EDITOR);
  uint32_t first = t.item->head12 >> 16;
  const table& vars = tables[T_EDIT_VARS];
  if (uint64_t(first) + 3 > vars.length) internal_error(7204, "ui");
  float components[3] = {a, b, c};
  bool changed = false;
  for (int i = 0; i < 3; ++i) {
    const edit_var& e = vars.as<edit_var>()[first + i];
    value v{};
    v.r = components[i];
    changed |= assign_edit_var(t.window, e.index_code_offset, e.code_length, 0, v, e.reference);
  }
  if (changed && acts_on_change(*t.item)) start(t, 0, false);
}

// A global or a local of the element's window; other selectors are internal errors.
static ident_info* item_variable(ident_info* window, uint16_t reference, int error_number) {
  uint16_t index = reference & 0x1FFF;
  switch (reference >> 14) {
    case 0:
      if (index < tables[T_GLOBALS].length) return &globals()[index];
      break;
    case 2:
      if (index < window->word6) return &record_of(window)->locals[index];
      break;
    default:
      break;
  }
  internal_error(error_number, "ui");
}

void change_selection_list(long id, long index, bool selected, bool changed) {
  target t = find(id, WK_SELECTION_LIST);
  if (changed)
    process_variable_change(t.window, item_variable(t.window, uint16_t(t.item->head12), 6987));
  if (t.item->flags & ITEM_HAS_ACTION) start(t, uint16_t(index), selected);
}

// ---- Text fields ----

static size_t length_of(value s) { return s.s != nullptr ? strlen(s.s) : 0; }

enum text_check { TEXT_OK, TEXT_LENGTH, TEXT_ORDER, TEXT_SYNTAX, TEXT_RANGE };

// Decodes a field's text and checks it against the range values; on
// success *out holds the value (a new string for STRING fields).
static text_check check_text(const text_field_info* f, const char* text, value* out) {
  bool ranged = f->item < tables[T_MENU_ITEMS].length &&
                (tables[T_MENU_ITEMS].as<menu_item>()[f->item].flags & ITEM_RANGE);
  if (f->value_kind == K_STRING) {
    if (f->lower.s != nullptr && f->upper.s != nullptr) {
      size_t n = strlen(text), low = length_of(f->lower), high = length_of(f->upper);
      if (n < low || n > high) return TEXT_LENGTH;
      if ((n == low && strcmp(text, f->lower.s) < 0) || (n == high && strcmp(text, f->upper.s) > 0))
        return TEXT_ORDER;
    }
    out->s = dup_chars(text);
    return TEXT_OK;
  }
  value v{};
  if (decode_value(text, f->value_kind, &v)) return TEXT_SYNTAX;
  if (ranged && (compare(f->value_kind, v, f->lower) < 0 || compare(f->value_kind, v, f->upper) > 0))
    return TEXT_RANGE;
  *out = v;
  return TEXT_OK;
}

static const char* field_text(const text_field_info* f) {
  const char* text = static_cast<const UITextField*>(f->widget)->get_text();
  return text != nullptr ? text : "";
}

bool check_text_field(text_field_info* f) {
  const char* text = field_text(f);
  value v{};
  text_check result = check_text(f, text, &v);
  if (result == TEXT_OK) {
    if (f->value_kind == K_STRING) CheckedFree(v.s);
    return false;
  }
  char message[200];
  char low[ENCODE_BUFFER_SIZE], high[ENCODE_BUFFER_SIZE];
  switch (result) {
    case TEXT_LENGTH: {
      unsigned long n = strlen(text), a = length_of(f->lower), b = length_of(f->upper);
      if (a == b) snprintf(message, sizeof message, "string length is %lu, must be %lu.", n, a);
      else snprintf(message, sizeof message, "string length is %lu, must be %lu - %lu.", n, a, b);
      break;
    }
    case TEXT_ORDER:
      snprintf(message, sizeof message, "string out of range.");
      break;
    case TEXT_SYNTAX:
      snprintf(message, sizeof message, "%s syntax.", type_name(f->value_kind));
      break;
    default:
      encode_value(low, f->value_kind, f->lower);
      encode_value(high, f->value_kind, f->upper);
      snprintf(message, sizeof message, "%s <= %s <= %s", low, type_name(f->value_kind), high);
      break;
  }
  display_user_info(message);
  return true;
}

bool check_text_fields(ident_info* window) {
  table& t = record_of(window)->widgets[WK_TEXT_FIELD];
  widget_element* fields = t.as<widget_element>();
  for (uint32_t i = 0; i < t.capacity && fields[i].widget != nullptr; ++i) {
    if (fields[i].inactive || !check_text_field(&fields[i])) continue;
    display_menu(window);
    fields = t.as<widget_element>();
    if (fields[i].widget != nullptr) static_cast<UITextField*>(fields[i].widget)->select_all();
    return false;
  }
  return true;
}

bool change_text_field(long id) {
  target t = find(id, WK_TEXT_FIELD);
  value v{};
  if (check_text(t.element, field_text(t.element), &v) != TEXT_OK) return true;
  if (assign(t, t.element->element, v) && acts_on_change(*t.item)) {
    start(t, t.element->element, false);
    return false;
  }
  return true;
}

void cycle_text_field(long id, cycle_types type) {
  target t = find(id, WK_TEXT_FIELD);
  table& tab = record_of(t.window)->widgets[WK_TEXT_FIELD];
  widget_element* fields = tab.as<widget_element>();
  uint32_t n = 0;
  while (n < tab.capacity && fields[n].widget != nullptr) ++n;
  uint32_t from = uint32_t(id) & 0xFFFF;
  if (n == 0 || from >= n) return;
  if (n == 1) {
    if (!fields[0].inactive) static_cast<UITextField*>(fields[0].widget)->select_all();
    return;
  }
  bool forwards = type == cycle_down || type == cycle_tab;
  for (uint32_t step = 1; step < n; ++step) {
    uint32_t i = forwards ? (from + step) % n : (from + n - step) % n;
    if (fields[i].inactive) continue;
    UITextField* field = static_cast<UITextField*>(fields[i].widget);
    if (type == cycle_tab || int(type) == 3) field->select_all();
    else field->set_active();
    return;
  }
}

// ---- Menu buttons, option pop-ups, selection lists ----

void enter_menu_button(long id) { clear_queues(window_of(id)); }

Image* get_option_pop_up_image(long id, unsigned short index) {
  target t = find(id, WK_OPTION_POP_UP);
  ident_info* text = item_variable(t.window, t.item->head10, 7213);
  if (!is_array_kind(text->kind) || index >= text->word6) internal_error(7215, "ui");
  value entry = text->val.a[index];
  if (text->kind == K_ARRAY + K_PICTURE)
    return new ImagePicture(reinterpret_cast<neutral_picture*>(copy_owned(K_PICTURE, entry).p),
                            t.element->colours[0], t.element->colours[1]);
  return new ImageText(K_STRING, t.element->font, dup_chars(entry.s != nullptr ? entry.s : ""));
}

uintptr_t* get_selection_list_select_variable(long id) {
  target t = find(id, WK_SELECTION_LIST);
  ident_info* selection = item_variable(t.window, uint16_t(t.item->head12), 7234);
  if (selection->kind == K_ARRAY + K_BOOLEAN && selection->word6 < t.element->image_count)
    extend_array(t.window, selection, t.element->image_count);
  return reinterpret_cast<uintptr_t*>(&selection->val);
}

// ---- Window callbacks ----

bool handle_shortcut(long window_id, unsigned char key) {
  if (window_id < long(N_PREDEFINED) || window_id >= long(tables[T_GLOBALS].length) ||
      !is_window_kind(globals()[window_id].kind))
    return false;
  ident_info* window = &globals()[window_id];
  widget_kind kind = key == 13 ? WK_ENTER_BUTTON : WK_BUTTON;
  table& t = record_of(window)->widgets[kind];
  widget_element* buttons = t.as<widget_element>();
  for (uint32_t i = 0; i < t.capacity && buttons[i].widget != nullptr; ++i) {
    if (buttons[i].inactive || buttons[i].item >= tables[T_MENU_ITEMS].length) continue;
    const menu_item& item = tables[T_MENU_ITEMS].as<menu_item>()[buttons[i].item];
    if (!(item.flags & ITEM_SHORTCUT) || shortcut_of(item) != key) continue;
    press_button(object_id(window, i), kind);
    return true;
  }
  return false;
}
