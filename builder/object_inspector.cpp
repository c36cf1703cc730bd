#include "builder/object_inspector.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

#include "base/internal_error.h"
#include "builder/interface_builder.h"
#include "builder/item_fields.h"
#include "builder/patches.h"
#include "builder/window_inspector.h"
#include "runtime/interpreter.h"
#include "runtime/window_record.h"
#include "toolkit/fonts.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_object.h"
#include "toolkit/ui_text_button.h"
#include "toolkit/ui_text_check_button.h"
#include "toolkit/ui_text_field.h"
#include "toolkit/ui_text_label.h"
#include "toolkit/ui_text_radio_box.h"
#include "toolkit/ui_window.h"

namespace {

constexpr unsigned char FONT = 8;
constexpr unsigned char FONT_LIST_FONT = 2;
constexpr long WINDOW_ID = 6;
constexpr unsigned short FIELD_WIDTH = 50;

long object_item = -1;
bool refreshing;  // the fields are being set from the item, not by the user
table undo_redo;
uint32_t last_undo_redo;
bool object_x_changed, object_y_changed, object_width_changed, object_height_changed;
short remembered_x, remembered_y;

UIWindow* inspector;
// Rows 1, 2 and the last row stay; the optional rows come and go by item.
UITextLabel *at_label, *size_label, *file_label;
UITextCheckButton *x_relative, *x_given, *y_relative, *y_given, *size_x_given, *size_y_given;
UITextField *origin_x_field, *origin_y_field, *width_field, *height_field;
UITextButton *edit_button, *reset_button, *undo_button, *redo_button;
UITextCheckButton* format_check;
UITextField *format1_field, *format2_field;
UITextRadioBox* font_box;
UITextCheckButton* layout_check;
UITextField *layout_width_field, *per_line_field;

menu_item* items() { return tables[T_MENU_ITEMS].as<menu_item>(); }
menu_item* item() { return object_item >= 0 ? &items()[object_item] : nullptr; }
menu_item* history() { return undo_redo.as<menu_item>(); }
const UIObject* widget() { return static_cast<const UIObject*>(item()->widget); }

int screen_width() { return DisplayWidth(AppContext->ui_display, DefaultScreen(AppContext->ui_display)); }
int screen_height() { return DisplayHeight(AppContext->ui_display, DefaultScreen(AppContext->ui_display)); }

void release(long id) {
  if (id != 0) reinterpret_cast<UIButton*>(id)->set_in(false);
}

unsigned short item_window() {
  return object_item >= 0 ? uint16_t(uint32_t(widget()->object_id) >> 16) : get_current_window();
}

bool is_text_kind(int kind) {
  return kind == ITEM_LABEL || kind == ITEM_BUTTON || kind == ITEM_CHECK_BUTTON || kind == ITEM_MENU_BUTTON ||
         kind == ITEM_TEXT_FIELD;
}
bool needs_format(const menu_item& i) {
  int scalar = i.value_kind & 7;
  return is_text_kind(i.kind) && has_format(i) && (scalar == K_REAL || scalar == K_ANGLE || scalar == K_INTEGER);
}
bool needs_font(const menu_item& i) {
  bool kind = is_text_kind(i.kind) || i.kind == ITEM_RADIO_BOX || i.kind == ITEM_SELECTION_LIST;
  return kind && has_font(i) && (i.value_kind & 7) != K_PICTURE;
}
bool needs_layout(const menu_item& i) { return is_array_kind(i.value_kind) && has_layout(i); }

// ---- Field and check actions ----

// Parses the field; shows `message` and returns false when the value lies
// outside low..high.
bool field_value(UITextField* f, long low, long high, const char* message, long* v) {
  if (!decode_integer(f, v)) return false;
  if (*v < low || *v > high) {
    display_internal_info(message, true);
    return false;
  }
  return true;
}

bool check_field(long id) {
  menu_item* i = item();
  if (i == nullptr || refreshing) return true;
  UITextField* f = reinterpret_cast<UITextField*>(id);
  if (f->get_text()[0] == '\0') return true;
  long v;
  int w = screen_width(), h = screen_height();
  if (f == origin_x_field) {
    if (!field_value(f, (i->flags & ITEM_X_RELATIVE) ? -w : 0, w, "X origin out of range", &v)) return true;
    i->x = int16_t(v);
    i->flags |= ITEM_ORIGIN;
  } else if (f == origin_y_field) {
    if (!field_value(f, (i->flags & ITEM_Y_RELATIVE) ? -h : 0, h, "Y origin out of range", &v)) return true;
    i->y = int16_t(v);
    i->flags |= ITEM_ORIGIN;
  } else if (f == width_field) {
    if (!field_value(f, 0, w, "Width out of range", &v)) return true;
    i->width = int16_t(v);
    i->flags |= ITEM_SIZE_X;
  } else if (f == height_field) {
    if (!field_value(f, 0, h, "Height out of range", &v)) return true;
    i->height = int16_t(v);
    i->flags |= ITEM_SIZE_Y;
  } else if (f == format1_field) {
    item_format fm = format_of(*i);
    if (!field_value(f, fm.precision > 1 ? fm.precision : 1, 255, "First format value out of range", &v))
      return true;
    set_format(i, {uint8_t(v), fm.precision});
    i->flags |= ITEM_FORMAT;
  } else if (f == format2_field) {
    item_format fm = format_of(*i);
    if (!field_value(f, 0, fm.width, "Second format value out of range", &v)) return true;
    set_format(i, {fm.width, uint8_t(v)});
    i->flags |= ITEM_FORMAT;
  } else if (f == layout_width_field) {
    if (!field_value(f, 0, w, "Layout width out of range", &v)) return true;
    set_layout(i, {uint16_t(v), layout_of(*i).per_line});
    i->flags |= ITEM_LAYOUT;
  } else if (f == per_line_field) {
    if (!field_value(f, 1, 255, "Layout items-per-line out of range", &v)) return true;
    set_layout(i, {layout_of(*i).width, uint8_t(v)});
    i->flags |= ITEM_LAYOUT;
  } else {
    return true;
  }
  apply_changes();
  return true;
}

// Every field's cycle goes to its partner.
void cycle_field(long id, cycle_types how) {
  UITextField* f = reinterpret_cast<UITextField*>(id);
  UITextField* pairs[][2] = {{origin_x_field, origin_y_field},
                             {width_field, height_field},
                             {format1_field, format2_field},
                             {layout_width_field, per_line_field}};
  for (auto& p : pairs) {
    UITextField* partner = p[0] == f ? p[1] : p[1] == f ? p[0] : nullptr;
    if (partner == nullptr) continue;
    if (how <= 1)
      partner->set_active();
    else
      partner->select_all();
    return;
  }
}

void set_flag(menu_item* i, uint32_t flag, bool on) { i->flags = on ? (i->flags | flag) : (i->flags & ~flag); }

void toggle(long id, bool on) {
  menu_item* i = item();
  if (i == nullptr || refreshing) return;
  UIObject* o = reinterpret_cast<UIObject*>(id);
  if (o == x_relative) {
    set_flag(i, ITEM_X_RELATIVE, on);
    if (!on) i->x = widget()->x;
  } else if (o == y_relative) {
    set_flag(i, ITEM_Y_RELATIVE, on);
    if (!on) i->y = widget()->y;
  } else if (o == x_given) {
    set_flag(i, ITEM_X_ABSENT, !on);
  } else if (o == y_given) {
    set_flag(i, ITEM_Y_ABSENT, !on);
  } else if (o == size_x_given) {
    set_flag(i, ITEM_SIZE_X, on);
    i->width = on ? int16_t(widget()->width) : 0;
  } else if (o == size_y_given) {
    set_flag(i, ITEM_SIZE_Y, on);
    i->height = on ? int16_t(widget()->height) : 0;
  } else if (o == format_check) {
    set_flag(i, ITEM_FORMAT, on);
    if (!on) set_format(i, {0, 0});
  } else if (o == layout_check) {
    set_flag(i, ITEM_LAYOUT, on);
    if (!on) set_layout(i, {0, 0});
  } else {
    return;
  }
  apply_changes();
}

// A chosen font is given: the patch then names it.
void change_font(long, unsigned short index) {
  menu_item* i = item();
  if (i == nullptr || refreshing || index >= Fonts::count || index == font_of(*i)) return;
  set_font(i, uint8_t(index));
  i->flags |= ITEM_FONT;
  apply_changes();
}

void reset_object(long id) {
  if (menu_item* i = item()) {
    restore_item(i, *old_menu_item(static_cast<unsigned long>(object_item)));
    apply_changes();
  }
  release(id);
}

void take_history(uint32_t position) {
  restore_item(item(), history()[position - 1]);
  update_object_inspector();
  update_current_window();
}

// ---- Layout ----

UITextField* new_field(short x, short y) {
  UITextField* f = new UITextField(inspector, 0, nullptr);
  f->object_id = object_tag(f);
  f->reconfigure(x, y, FIELD_WIDTH, 0, Fonts::fonts[FONT], true, false, "", nullptr, check_field, cycle_field, 0,
                 0xFFFFFF);
  return f;
}
UITextCheckButton* new_check(short x, short y, const char* text) {
  return new UITextCheckButton(inspector, x, y, 0, 0, FONT, false, false, false, text, toggle);
}
UITextButton* new_button(short x, short y, const char* text, void (*action)(long)) {
  return new UITextButton(inspector, x, y, 0, 0, FONT, false, false, false, text, action);
}
void move_field(UITextField* f, short x, short y) {
  f->reconfigure(x, y, f->width, f->height, f->font, true, false, nullptr, nullptr, check_field, cycle_field, 0,
                 0xFFFFFF);
}
void show_number(UITextField* f, bool shown, long v) {
  char text[16] = "";
  if (shown) snprintf(text, sizeof text, "%ld", v);
  if (strcmp(f->get_text(), text) != 0) f->set_text(text);
}

// Columns of rows 1 and 2, fixed once the row-1 controls exist.
short column_x_given, column_origin_x, column_y_relative, column_y_given, column_origin_y, row_step;

void build_inspector() {
  inspector = new UIWindow(true, false, WINDOW_ID, "IB_ObjectInspector", false);
  inspector->set_origin(remembered_x, remembered_y);
  at_label = new UITextLabel(inspector, 10, 0, 0, 0, FONT, false, false, false, "@");
  x_relative = new_check(short(at_label->x + at_label->width + 10), 0, "+");
  column_x_given = short(x_relative->x + x_relative->width + 10);
  x_given = new_check(column_x_given, 0, "X");
  column_origin_x = short(x_given->x + x_given->width + 10);
  origin_x_field = new_field(column_origin_x, 0);
  column_y_relative = short(column_origin_x + FIELD_WIDTH + 10);
  y_relative = new_check(column_y_relative, 0, "+");
  column_y_given = short(y_relative->x + y_relative->width + 10);
  y_given = new_check(column_y_given, 0, "Y");
  column_origin_y = short(y_given->x + y_given->width + 10);
  origin_y_field = new_field(column_origin_y, 0);
  size_label = new UITextLabel(inspector, 10, 0, 0, 0, FONT, false, false, false, "Size");
  size_x_given = new_check(column_x_given, 0, "X");
  width_field = new_field(column_origin_x, 0);
  size_y_given = new_check(column_y_given, 0, "Y");
  height_field = new_field(column_origin_y, 0);
  reset_button = new_button(10, 0, "Reset", nullptr);
  undo_button = new_button(short(reset_button->x + reset_button->width + 10), 0, "Undo", nullptr);
  redo_button = new_button(short(undo_button->x + undo_button->width + 10), 0, "Redo", nullptr);
  row_step = short(std::max<int>(origin_x_field->height, x_given->height) + 10);
}

template <typename T>
void drop(T*& widget) {
  delete widget;
  widget = nullptr;
}

// A row of a check and two fields: made, moved to `y` or deleted; returns
// the next row's top.
short place_check_row(bool needed, const char* text, UITextCheckButton** check, UITextField** first,
                      UITextField** second, short y) {
  if (!needed) {
    drop(*check);
    drop(*first);
    drop(*second);
    return y;
  }
  short second_x = short(column_origin_x + FIELD_WIDTH + 10);
  if (*check == nullptr) {
    *check = new_check(10, y, text);
    *first = new_field(column_origin_x, y);
    *second = new_field(second_x, y);
  }
  (*check)->set_position(10, y);
  move_field(*first, column_origin_x, y);
  move_field(*second, second_x, y);
  return short(y + row_step);
}

void place_rows(const menu_item& i) {
  short y = 10;
  const char* file = item_source_file(i.source_file);
  if (file != nullptr) {
    if (edit_button == nullptr) edit_button = new_button(10, y, "Edit", launch_editor);
    drop(file_label);
    file_label = new UITextLabel(inspector, short(edit_button->x + edit_button->width + 1), 12, 0, 0, FONT, false,
                                 false, false, file);
    y = short(y + edit_button->height + 10);
  } else {
    drop(edit_button);
    drop(file_label);
  }
  at_label->reconfigure(10, y, at_label->width, at_label->height, false, false, 0, at_label->background_colour,
                        false, nullptr);
  x_relative->set_position(x_relative->x, y);
  x_given->set_position(column_x_given, y);
  move_field(origin_x_field, column_origin_x, y);
  y_relative->set_position(column_y_relative, y);
  y_given->set_position(column_y_given, y);
  move_field(origin_y_field, column_origin_y, y);
  y = short(y + row_step);
  size_label->reconfigure(10, y, size_label->width, size_label->height, false, false, 0,
                          size_label->background_colour, false, nullptr);
  size_x_given->set_position(column_x_given, y);
  move_field(width_field, column_origin_x, y);
  size_y_given->set_position(column_y_given, y);
  move_field(height_field, column_origin_y, y);
  y = short(y + row_step);
  y = place_check_row(needs_format(i), "Format", &format_check, &format1_field, &format2_field, y);
  if (needs_font(i)) {
    if (font_box == nullptr)
      font_box = new UITextRadioBox(inspector, 10, y, 0, 0, FONT_LIST_FONT, Fonts::count, Fonts::font_names,
                                    font_of(i), false, false, change_font);
    font_box->set_position(10, y);
    y = short(y + font_box->height + 10);
  } else {
    drop(font_box);
  }
  y = place_check_row(needs_layout(i), "Layout", &layout_check, &layout_width_field, &per_line_field, y);
  reset_button->set_position(10, y);
  undo_button->set_position(undo_button->x, y);
  redo_button->set_position(redo_button->x, y);
  inspector->set_size(uint16_t(column_origin_y + FIELD_WIDTH + 10), uint16_t(y + reset_button->height + 10));
}

void show_values(const menu_item& i) {
  refreshing = true;
  x_relative->set_check(i.flags & ITEM_X_RELATIVE);
  x_given->set_check(!(i.flags & ITEM_X_ABSENT));
  show_number(origin_x_field, true, i.x);
  y_relative->set_check(i.flags & ITEM_Y_RELATIVE);
  y_given->set_check(!(i.flags & ITEM_Y_ABSENT));
  show_number(origin_y_field, true, i.y);
  size_x_given->set_check(i.flags & ITEM_SIZE_X);
  show_number(width_field, i.flags & ITEM_SIZE_X, uint16_t(i.width));
  size_y_given->set_check(i.flags & ITEM_SIZE_Y);
  show_number(height_field, i.flags & ITEM_SIZE_Y, uint16_t(i.height));
  if (format_check != nullptr) {
    bool given = i.flags & ITEM_FORMAT;
    format_check->set_check(given);
    show_number(format1_field, given, format_of(i).width);
    show_number(format2_field, given, format_of(i).precision);
  }
  if (font_box != nullptr) font_box->set_index(font_of(i));
  if (layout_check != nullptr) {
    bool given = i.flags & ITEM_LAYOUT;
    layout_check->set_check(given);
    show_number(layout_width_field, given, layout_of(i).width);
    show_number(per_line_field, given, layout_of(i).per_line);
  }
  refreshing = false;
}

}  // namespace

void update_object_inspector() {
  menu_item* i = item();
  if (i == nullptr) return;
  if (inspector == nullptr) build_inspector();
  char title[1024];
  const char* keyword = item_keyword(i->kind);
  if (is_text_kind(i->kind))
    snprintf(title, sizeof title, "%s-%s at line %u", type_name(i->value_kind), keyword, unsigned(i->line));
  else
    snprintf(title, sizeof title, "%s at line %u", keyword, unsigned(i->line));
  inspector->set_title(title);
  place_rows(*i);
  show_values(*i);
  if (last_undo_redo == 0) save_item();
  reset_button->set_activate_callback(
      items_equal(*i, *old_menu_item(static_cast<unsigned long>(object_item))) ? nullptr : reset_object);
  undo_button->set_activate_callback(undo_redo.length >= 2 ? undo_object : nullptr);
  redo_button->set_activate_callback(undo_redo.length < last_undo_redo ? redo_object : nullptr);
  inspector->repair_objects();
  inspector->make_visible();
}

void close_object_inspector() {
  if (object_item >= 0) {
    if (item()->widget == nullptr) internal_error(738, "IB_Object");
    static_cast<UIObject*>(item()->widget)->deselect_object();
    object_item = -1;
  }
  if (inspector == nullptr) return;
  remembered_x = inspector->x;
  remembered_y = inspector->y;
  inspector->make_invisible();
}

void get_object_inspector_position(short* x, short* y) {
  *x = remembered_x;
  *y = remembered_y;
}
void set_object_inspector_position(short x, short y) {
  remembered_x = x;
  remembered_y = y;
  if (inspector != nullptr) inspector->set_origin(x, y);
}

menu_item* current_object_item() { return item(); }

void save_item() {
  menu_item* i = item();
  undo_redo.length = last_undo_redo;
  if (last_undo_redo > 0 && items_equal(*i, history()[last_undo_redo - 1])) return;
  if (last_undo_redo + 1 >= undo_redo.capacity) table_expand(&undo_redo, 1);
  history()[last_undo_redo] = *i;
  history()[last_undo_redo].widget = nullptr;
  undo_redo.length = ++last_undo_redo;
}

void update_current_window() {
  unsigned short window = item_window();
  if (window == 0) return;
  add_edited_window(window);
  queue_update(window);
}

void apply_changes() {
  save_item();
  update_object_inspector();
  update_current_window();
}

void undo_object(long id) {
  if (item() != nullptr && undo_redo.length >= 2) take_history(--undo_redo.length);
  release(id);
}

void redo_object(long id) {
  if (item() != nullptr && undo_redo.length < last_undo_redo) take_history(++undo_redo.length);
  release(id);
}

void undo_state(uint32_t* cursor, uint32_t* top) {
  *cursor = undo_redo.length;
  *top = last_undo_redo;
}

// ---- Widget callbacks ----

void pick_object(const UIObject* object, long id) {
  unsigned short window = uint16_t(uint32_t(id) >> 16);
  uint32_t index = uint32_t(id) & 0xFFFF;
  if (window >= tables[T_GLOBALS].length) return;
  window_record* r = record_of(&globals()[window]);
  if (r == nullptr) return;
  long found = -1;
  for (const table& t : r->widgets) {
    if (index >= t.length) continue;
    const widget_element& e = t.as<widget_element>()[index];
    if (e.widget != object || e.item == 0xFFFF) continue;
    if (found >= 0) internal_error(661, "IB_Object");
    found = long(e.item);
  }
  if (found < 0 || found == object_item) return;
  if (items()[found].widget == nullptr) internal_error(668, "IB_Object");
  if (object_item >= 0 && item()->widget != nullptr) static_cast<UIObject*>(item()->widget)->deselect_object();
  static_cast<UIObject*>(items()[found].widget)->select_object();
  object_item = found;
  undo_redo.length = last_undo_redo = 0;
  update_object_inspector();
  update_window_inspector(window);
}

void configure_object(bool x, bool y, bool width, bool height) {
  menu_item* i = item();
  if (i == nullptr || i->widget == nullptr) return;
  const UIObject* o = widget();
  if (x) {
    i->flags = (i->flags & ~(ITEM_X_RELATIVE | ITEM_X_ABSENT)) | ITEM_ORIGIN;
    i->x = o->x;
    object_x_changed = true;
  }
  if (y) {
    i->flags = (i->flags & ~(ITEM_Y_RELATIVE | ITEM_Y_ABSENT)) | ITEM_ORIGIN;
    i->y = o->y;
    object_y_changed = true;
  }
  if (width) {
    i->width = int16_t(o->width);
    i->flags |= ITEM_SIZE_X;
    object_width_changed = true;
  }
  if (height) {
    i->height = int16_t(o->height);
    i->flags |= ITEM_SIZE_Y;
    object_height_changed = true;
  }
  if (inspector != nullptr) show_values(*i);
}

void end_configure_object() {
  if (item() != nullptr &&
      (object_x_changed || object_y_changed || object_width_changed || object_height_changed)) {
    snap_to_grids(uint16_t(object_item), 0, 0, object_x_changed, object_y_changed, object_width_changed,
                  object_height_changed);
    apply_changes();
  }
  object_x_changed = object_y_changed = object_width_changed = object_height_changed = false;
}

void preset_object_inspector() {
  if (undo_redo.items == nullptr) table_create(&undo_redo, sizeof(menu_item), 8);
  UIObject::set_callbacks(configure_object, end_configure_object, pick_object);
}

void cleanup_object_inspector() {
  table_delete(&undo_redo);
  undo_redo = {};
  last_undo_redo = 0;
  object_item = -1;
  if (inspector == nullptr) return;
  inspector->make_invisible();
  for (UIObject* o : std::initializer_list<UIObject*>{
           at_label, size_label, file_label, x_relative, x_given, y_relative, y_given, size_x_given, size_y_given,
           origin_x_field, origin_y_field, width_field, height_field, edit_button, reset_button, undo_button,
           redo_button, format_check, format1_field, format2_field, font_box, layout_check, layout_width_field,
           per_line_field})
    delete o;
  file_label = nullptr;
  edit_button = nullptr;
  format_check = nullptr;
  format1_field = format2_field = nullptr;
  font_box = nullptr;
  layout_check = nullptr;
  layout_width_field = per_line_field = nullptr;
  delete inspector;
  inspector = nullptr;
  remembered_x = remembered_y = 0;
}
