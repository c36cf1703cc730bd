// The Interface Builder's main window "IB_Main": grids, alignments, the
// editor command, the edited-window list, the snapping rule and the
// preferences file.
#include "builder/interface_builder.h"

#include <X11/Xlib.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/atomic_file.h"
#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "builder/object_inspector.h"
#include "builder/patches.h"
#include "builder/window_inspector.h"
#include "runtime/encode_value.h"
#include "runtime/interpreter.h"
#include "runtime/window_ops.h"
#include "runtime/window_record.h"
#include "toolkit/fonts.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_text_button.h"
#include "toolkit/ui_text_check_button.h"
#include "toolkit/ui_text_field.h"
#include "toolkit/ui_text_label.h"
#include "toolkit/ui_text_radio_box.h"
#include "toolkit/ui_text_selection_list.h"
#include "toolkit/ui_window.h"

namespace {

constexpr unsigned char FONT = 8;  // "Helvetica Bold 14"
constexpr unsigned short FIELD_WIDTH = 50;
constexpr long MAIN_WINDOW_ID = 7;

builder_prefs prefs;
table old_menu_items;
unsigned short* edited_windows;
uint32_t n_edited_windows;
unsigned short* ui_windows;
uint32_t n_ui_windows;
uintptr_t selected_window;

UIWindow* main_win;
UITextLabel* labels[3];
UITextField *position_grid_x_field, *position_grid_y_field, *offset_x_field, *offset_y_field;
UITextField *size_grid_x_field, *size_grid_y_field, *editor_field, *snapshots_field;
UITextCheckButton* size_grid;
UITextRadioBox *align_x, *align_y;
UITextButton *writer, *hide, *reset, *collisions, *snapshots;
UITextSelectionList* sel_windows;
short list_top;  // below the snapshots field
bool refreshing;  // the fields are being set from the settings, not by the user

const char* const align_x_names[] = {"None", "Left", "Right", "Center"};
const char* const align_y_names[] = {"None", "Up", "Down", "Center"};

int screen_width() { return DisplayWidth(AppContext->ui_display, DefaultScreen(AppContext->ui_display)); }
int screen_height() { return DisplayHeight(AppContext->ui_display, DefaultScreen(AppContext->ui_display)); }

// ---- The grid fields ----

// One grid field: its value, range and message.
struct grid_field {
  UITextField** field;
  uint16_t* value;
  int minimum;
  bool vertical;  // the range ends at the screen's height, else its width
  const char* message;
};

// In cycling order.
const grid_field grid_fields[] = {
    {&position_grid_x_field, &prefs.position_grid_x, 1, false, "Position grid width out of range"},
    {&position_grid_y_field, &prefs.position_grid_y, 1, true, "Position grid height out of range"},
    {&offset_x_field, &prefs.offset_x, 0, false, "X Offset out of range"},
    {&offset_y_field, &prefs.offset_y, 0, true, "Y Offset out of range"},
    {&size_grid_x_field, &prefs.size_grid_x, 1, false, "Size grid width out of range"},
    {&size_grid_y_field, &prefs.size_grid_y, 1, true, "Size grid height out of range"},
};
constexpr int N_GRID_FIELDS = 6;

int grid_field_index(long id) {
  for (int i = 0; i < N_GRID_FIELDS; ++i)
    if (object_tag(*grid_fields[i].field) == id) return i;
  return -1;
}

bool check_grid_field(long id) {
  int i = grid_field_index(id);
  if (i < 0 || refreshing) return true;
  const grid_field& g = grid_fields[i];
  long v;
  if (!decode_integer(*g.field, &v)) return true;
  long maximum = g.vertical ? screen_height() : screen_width();
  if (v < g.minimum || v > maximum) {
    display_internal_info(g.message, true);
    return true;
  }
  *g.value = uint16_t(v);
  if (g.value == &prefs.size_grid_x || g.value == &prefs.size_grid_y) {
    prefs.size_grid_active = true;
    size_grid->set_check(true);
  }
  return true;
}

void cycle_grid_field(long id, cycle_types how) {
  int i = grid_field_index(id);
  if (i < 0) return;
  int step = (how == 0 || how == 2) ? 1 : N_GRID_FIELDS - 1;
  UITextField* target = *grid_fields[(i + step) % N_GRID_FIELDS].field;
  if (how <= 1)
    target->set_active();
  else
    target->select_all();
}

void change_size_grid(long, bool on) {
  if (!refreshing) prefs.size_grid_active = on;
}

void change_x_alignment(long, unsigned short index) {
  prefs.x_alignment = uint16_t(index + 1);
  align_x->set_index(index);
}
void change_y_alignment(long, unsigned short index) {
  prefs.y_alignment = uint16_t(index + 1);
  align_y->set_index(index);
}

bool accept_any(long) { return true; }

// Shows a pair of values, or nothing when both are the default.
void show_pair(UITextField* a, UITextField* b, int x, int y, bool shown) {
  char text[16];
  snprintf(text, sizeof text, "%d", x);
  a->set_text(shown ? text : "");
  snprintf(text, sizeof text, "%d", y);
  b->set_text(shown ? text : "");
}

void show_prefs() {
  refreshing = true;
  show_pair(position_grid_x_field, position_grid_y_field, prefs.position_grid_x, prefs.position_grid_y,
            prefs.position_grid_x != 1 || prefs.position_grid_y != 1);
  show_pair(offset_x_field, offset_y_field, prefs.offset_x, prefs.offset_y,
            prefs.offset_x != 0 || prefs.offset_y != 0);
  size_grid->set_check(prefs.size_grid_active);
  show_pair(size_grid_x_field, size_grid_y_field, prefs.size_grid_x, prefs.size_grid_y,
            prefs.size_grid_active && (prefs.size_grid_x != 1 || prefs.size_grid_y != 1));
  align_x->set_index(uint16_t(prefs.x_alignment - 1));
  align_y->set_index(uint16_t(prefs.y_alignment - 1));
  editor_field->set_text(prefs.editor);
  refreshing = false;
}

// ---- The window list ----

uintptr_t* selection_getter(long) { return &selected_window; }

void change_selection_list(long, long entry, bool, bool) {
  if (entry < 1 || uint32_t(entry) >= n_ui_windows) return;
  selected_window = static_cast<uintptr_t>(entry);
  ident_info* window = &globals()[ui_windows[entry - 1]];
  window_record* w = record_of(window);
  if (w->ui_window != nullptr) w->ui_window->interface_builder_mode = true;
  window->flags1 |= WINDOW_VISIBLE;
  queue_update(ui_windows[entry - 1]);
  if (unsigned short shown = get_current_window(); shown != 0 && shown != ui_windows[entry - 1])
    make_window_invisible(&globals()[shown]);
  close_object_inspector();
  update_window_inspector(ui_windows[entry - 1]);
}

void hide_windows(long id) {
  close_object_inspector();
  close_window_inspector();
  quit_interface_builder();
  main_win->make_invisible();
  write_prefs_file();
  reinterpret_cast<UIButton*>(id)->set_in(false);
}

// ---- Layout ----

UITextField* new_field(short x, short y, unsigned short width, const char* text, bool (*check)(long),
                       void (*cycle)(long, cycle_types)) {
  UITextField* f = new UITextField(main_win, 0, nullptr);
  f->reconfigure(x, y, width, 0, Fonts::fonts[FONT], true, false, text, nullptr, check, cycle, 0, 0xFFFFFF);
  // The object id is the field's address, as for the other text widgets.
  f->object_id = object_tag(f);
  return f;
}

void build_main_window() {
  main_win = new UIWindow(false, false, MAIN_WINDOW_ID, "IB_Main", false);
  main_win->set_title("Interface Builder");
  const short gap = 10;
  // Row 1 sets the columns of the grid fields.
  labels[0] = new UITextLabel(main_win, gap, gap, 0, 0, FONT, false, false, false, "Position grid");
  labels[1] = new UITextLabel(main_win, gap, 0, 0, 0, FONT, false, false, false, "Grid offset");
  size_grid = new UITextCheckButton(main_win, gap, 0, 0, 0, FONT, false, false, false, "Size grid",
                                    change_size_grid);
  short column_x = short(gap + labels[0]->width);
  if (labels[1]->width + gap > column_x) column_x = short(gap + labels[1]->width);
  if (size_grid->width + gap > column_x) column_x = short(gap + size_grid->width);
  column_x = short(column_x + gap);
  short column_y = short(column_x + FIELD_WIDTH + gap);

  short y = gap;
  position_grid_x_field = new_field(column_x, y, FIELD_WIDTH, "10", check_grid_field, cycle_grid_field);
  position_grid_y_field = new_field(column_y, y, FIELD_WIDTH, "10", check_grid_field, cycle_grid_field);
  short row_height = short(std::max<int>(labels[0]->height, position_grid_x_field->height));
  y = short(y + row_height + gap);
  labels[1]->set_position(gap, y);
  offset_x_field = new_field(column_x, y, FIELD_WIDTH, "0", check_grid_field, cycle_grid_field);
  offset_y_field = new_field(column_y, y, FIELD_WIDTH, "0", check_grid_field, cycle_grid_field);
  y = short(y + row_height + gap);
  size_grid->set_position(gap, y);
  size_grid_x_field = new_field(column_x, y, FIELD_WIDTH, "10", check_grid_field, cycle_grid_field);
  size_grid_y_field = new_field(column_y, y, FIELD_WIDTH, "10", check_grid_field, cycle_grid_field);
  y = short(y + std::max<int>(row_height, size_grid->height) + gap);
  align_x = new UITextRadioBox(main_win, gap, y, 0, 0, FONT, 4, align_x_names, 0, false, false,
                               change_x_alignment);
  align_y = new UITextRadioBox(main_win, short(gap + align_x->width + 20), y, 0, 0, FONT, 4, align_y_names, 0,
                               false, false, change_y_alignment);
  y = short(y + std::max(align_x->height, align_y->height) + gap);
  labels[2] = new UITextLabel(main_win, gap, y, 0, 0, FONT, false, false, false, "Text editor");
  editor_field = new_field(column_x, y, uint16_t(column_y + FIELD_WIDTH - column_x), "nedit %s&",
                           accept_any, nullptr);
  y = short(y + row_height + gap);
  writer = new UITextButton(main_win, gap, y, 0, 0, FONT, false, false, false, "Write patches", nullptr);
  hide = new UITextButton(main_win, short(gap + writer->width + gap), y, 0, 0, FONT, false, false, false,
                          "Hide", hide_windows);
  y = short(y + writer->height + gap);
  reset = new UITextButton(main_win, gap, y, 0, 0, FONT, false, false, false, "Reset all objects", nullptr);
  collisions = new UITextButton(main_win, short(gap + reset->width + gap), y, 0, 0, FONT, false, false, false,
                                "Collisions", check_collisions);
  y = short(y + reset->height + gap);
  snapshots = new UITextButton(main_win, gap, y, 0, 0, FONT, false, false, false,
                               "Put window snapshots into:", create_snapshots);
  y = short(y + snapshots->height + 5);
  snapshots_field = new_field(gap, y, uint16_t(column_y + FIELD_WIDTH - gap), "snapshots/", accept_any, nullptr);
  list_top = short(y + snapshots_field->height);
}

}  // namespace

// ---- Preferences ----

const char* build_prefs_fn() {
  static char name[4096];
  const char* home = getenv("HOME");
  if (home == nullptr) return ".ib_prefs";
  snprintf(name, sizeof name, "%s/.ib_prefs", home);
  return name;
}

void read_prefs_file() {
  FILE* f = fopen(build_prefs_fn(), "r");
  if (f == nullptr) return;
  char line[99];
  while (fgets(line, sizeof line, f) != nullptr && !feof(f)) {
    if (const char* message = apply_prefs_line(line, screen_width(), screen_height(), &prefs))
      display_internal_info(message, true);
  }
  fclose(f);
  set_window_inspector_position(prefs.window_inspector_x, prefs.window_inspector_y);
  set_object_inspector_position(prefs.object_inspector_x, prefs.object_inspector_y);
  if (prefs.main_x != 0 || prefs.main_y != 0) main_win->set_origin(prefs.main_x, prefs.main_y);
  show_prefs();
}

void write_prefs_file() {
  snprintf(prefs.editor, sizeof prefs.editor, "%s", editor_field->get_text());
  prefs.main_x = main_win->x;
  prefs.main_y = main_win->y;
  get_window_inspector_position(&prefs.window_inspector_x, &prefs.window_inspector_y);
  get_object_inspector_position(&prefs.object_inspector_x, &prefs.object_inspector_y);
  char text[1024];
  format_prefs(prefs, text, sizeof text);
  atomic_file f;
  if (atomic_file_open(&f, build_prefs_fn()) != 0) {
    display_internal_info("Unable to update preferences file", true);
    return;
  }
  fputs(text, f.stream);
  if (atomic_file_commit(&f) != 0) display_internal_info("Unable to update preferences file", true);
}

// ---- Snapping ----

int snapped_origin(int origin, int live, int size, int grid, int offset, int alignment, int minimum) {
  int x = origin;
  switch (alignment) {
    case 2:
      x = live;
      if (offset < x)
        x = offset + ((x - offset + grid / 2) / grid) * grid;
      else
        x = offset;
      break;
    case 3: {
      int r = offset + grid;
      if (r < live + size) r += ((live + size - r + grid / 2) / grid) * grid;
      x = r - size;
      while (x < offset) x += grid;
      break;
    }
    case 4: {
      int c = offset + grid / 2;
      if (c < live + size / 2) c += ((live + size / 2 - c + grid / 2) / grid) * grid;
      x = c - size / 2;
      while (x < offset) x += grid;
      break;
    }
    default:
      break;
  }
  while (x < minimum) x += grid;
  return x;
}

void snap_to_grids(unsigned short index, short min_x, short min_y, bool snap_x, bool snap_y, bool snap_width,
                   bool snap_height) {
  menu_item* item = &tables[T_MENU_ITEMS].as<menu_item>()[index];
  const UIObject* o = static_cast<const UIObject*>(item->widget);
  if (snap_x) {
    int x = snapped_origin(item->x, o->x, o->width, prefs.position_grid_x, prefs.offset_x, prefs.x_alignment,
                           min_x);
    if (x != item->x) {
      item->x = int16_t(x);
      item->flags = (item->flags & ~(ITEM_X_RELATIVE | ITEM_X_ABSENT)) | ITEM_ORIGIN;
    }
  }
  if (snap_y) {
    int y = snapped_origin(item->y, o->y, o->height, prefs.position_grid_y, prefs.offset_y, prefs.y_alignment,
                           min_y);
    if (y != item->y) {
      item->y = int16_t(y);
      item->flags = (item->flags & ~(ITEM_Y_RELATIVE | ITEM_Y_ABSENT)) | ITEM_ORIGIN;
    }
  }
  if (!prefs.size_grid_active) return;
  if (snap_width && prefs.size_grid_x > 1 && item->width != 0) {
    int w = ((o->width + prefs.size_grid_x / 2) / prefs.size_grid_x) * prefs.size_grid_x;
    if (w != item->width) {
      item->width = int16_t(w);
      item->flags |= ITEM_SIZE_X;
    }
  }
  if (snap_height && prefs.size_grid_y > 1 && item->height != 0) {
    int h = ((o->height + prefs.size_grid_y / 2) / prefs.size_grid_y) * prefs.size_grid_y;
    if (h != item->height) {
      item->height = int16_t(h);
      item->flags |= ITEM_SIZE_Y;
    }
  }
}

// ---- Edited windows ----

void add_edited_window(unsigned short window) {
  for (uint32_t i = 0; i < n_edited_windows; ++i)
    if (edited_windows[i] == window) return;
  edited_windows[n_edited_windows++] = window;
  writer->set_activate_callback(write_patches);
  reset->set_activate_callback(reset_all);
}

const unsigned short* edited_window_list(uint32_t* count) {
  *count = n_edited_windows;
  return edited_windows;
}

void clear_edited_windows() {
  n_edited_windows = 0;
  writer->set_activate_callback(nullptr);
  reset->set_activate_callback(nullptr);
}

const unsigned short* builder_window_list(uint32_t* count) {
  *count = n_ui_windows;
  return ui_windows;
}

menu_item* old_menu_item(unsigned long index) {
  if (index >= old_menu_items.length) internal_error(601, "IB_Main");
  return &old_menu_items.as<menu_item>()[index];
}

const char* get_editor_call() { return editor_field->get_text(); }

bool decode_integer(UITextField* field, long* v) {
  value out{};
  if (decode_value(field->get_text(), K_INTEGER, &out)) {
    display_internal_info("Integer syntax", true);
    return false;
  }
  *v = out.i;
  return true;
}

// ---- Entry and exit ----

void (*interface_builder_hook)(bool hide, unsigned short* windows);

void interface_builder(bool hide_flag, unsigned short* windows_given) {
  if (interface_builder_hook != nullptr) return interface_builder_hook(hide_flag, windows_given);
  ui_windows = windows_given;
  n_ui_windows = n_windows_listed;
  if (main_win == nullptr) {
    const table& items = tables[T_MENU_ITEMS];
    table_create(&old_menu_items, sizeof(menu_item), items.length + 1);
    if (items.length > 0) memcpy(old_menu_items.items, items.items, items.length * sizeof(menu_item));
    old_menu_items.length = items.length;
    edited_windows = static_cast<unsigned short*>(CheckedMalloc((n_ui_windows + 1) * sizeof(unsigned short)));
    n_edited_windows = 0;
    build_main_window();
    read_prefs_file();
  }
  unsigned short width = uint16_t(offset_y_field->x + offset_y_field->width + 10);
  unsigned short height = uint16_t(list_top + 10);
  delete sel_windows;
  sel_windows = nullptr;
  if (hide_flag && n_ui_windows > 1) {
    uint32_t n = n_ui_windows - 1;
    const char** names = static_cast<const char**>(CheckedMalloc(n * sizeof(char*)));
    for (uint32_t i = 0; i < n; ++i) names[i] = name_of(&globals()[ui_windows[i]]);
    selected_window = 0;
    sel_windows = new UITextSelectionList(main_win, selection_getter, 0, list_top, width, n > 30 ? 550 : 0, FONT,
                                          true, uint16_t(n), false, names, false, false, false,
                                          change_selection_list);
    CheckedFree(names);
    height = uint16_t(sel_windows->y + sel_windows->height + 10);
  }
  main_win->set_size(width, height);
  preset_object_inspector();
  preset_window_inspector();
  main_win->repair_objects();
  main_win->make_visible();
}

void cleanup_interface_builder() {
  if (main_win == nullptr) return;
  CheckedFree(edited_windows);
  edited_windows = nullptr;
  n_edited_windows = 0;
  table_delete(&old_menu_items);
  cleanup_object_inspector();
  cleanup_window_inspector();
  main_win->make_invisible();
  delete sel_windows;
  sel_windows = nullptr;
  for (UIObject* o : {static_cast<UIObject*>(labels[0]), static_cast<UIObject*>(labels[1]),
                      static_cast<UIObject*>(labels[2]), static_cast<UIObject*>(position_grid_x_field),
                      static_cast<UIObject*>(position_grid_y_field), static_cast<UIObject*>(offset_x_field),
                      static_cast<UIObject*>(offset_y_field), static_cast<UIObject*>(size_grid),
                      static_cast<UIObject*>(size_grid_x_field), static_cast<UIObject*>(size_grid_y_field),
                      static_cast<UIObject*>(align_x), static_cast<UIObject*>(align_y),
                      static_cast<UIObject*>(editor_field), static_cast<UIObject*>(writer),
                      static_cast<UIObject*>(hide), static_cast<UIObject*>(reset),
                      static_cast<UIObject*>(collisions), static_cast<UIObject*>(snapshots),
                      static_cast<UIObject*>(snapshots_field)})
    delete o;
  delete main_win;
  main_win = nullptr;
  prefs = builder_prefs{};
}

const char* snapshot_folder() { return snapshots_field->get_text(); }
void show_main_window(bool shown) {
  if (shown)
    main_win->make_visible();
  else
    main_win->make_invisible();
}
