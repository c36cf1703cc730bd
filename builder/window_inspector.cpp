#include "builder/window_inspector.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "builder/interface_builder.h"
#include "builder/item_fields.h"
#include "builder/object_inspector.h"
#include "runtime/interpreter.h"
#include "runtime/window_record.h"
#include "toolkit/ui_object.h"
#include "toolkit/ui_text_button.h"
#include "toolkit/ui_text_label.h"
#include "toolkit/ui_text_selection_list.h"
#include "toolkit/ui_window.h"

namespace {

constexpr unsigned char FONT = 8;
constexpr long WINDOW_ID = 5;
constexpr uint16_t LAST_PREDEFINED = 528;

unsigned short current_window;
uintptr_t current_menu;
short remembered_x, remembered_y;

UIWindow* inspector;
UITextLabel* values[4];  // x, y, width, height
UIObject* controls[16];
int n_controls;
UITextSelectionList* menu_list;
short list_top;
unsigned short base_width, base_height;

menu_item* item_at(uint32_t index) { return &tables[T_MENU_ITEMS].as<menu_item>()[index]; }
ident_info* window_ident(unsigned short index) { return &globals()[index]; }

void release(long id) {
  if (id != 0) reinterpret_cast<UIButton*>(id)->set_in(false);
}

// Visits every item of every MENU of the window in declaration order.
template <typename Visit>
void for_each_item(unsigned short window, Visit visit) {
  ident_info* w = window_ident(window);
  window_record* r = record_of(w);
  for (uint16_t local = 0; local < w->word6; ++local) {
    const ident_info& menu = r->locals[local];
    if (menu.kind != K_MENU) continue;
    for (uint32_t k = 0; k < menu.word6; ++k) visit(menu.count + k, item_at(menu.count + k));
  }
}

const UIObject* widget_of(const menu_item* item) { return static_cast<const UIObject*>(item->widget); }

void absolute_origin(menu_item* item) {
  const UIObject* o = widget_of(item);
  item->x = o->x;
  item->y = o->y;
  item->flags = (item->flags & ~(ITEM_X_RELATIVE | ITEM_X_ABSENT | ITEM_Y_RELATIVE | ITEM_Y_ABSENT)) | ITEM_ORIGIN;
}

void record_and_queue() {
  add_edited_window(current_window);
  queue_update(current_window);
}

// Runs a window-wide action: the object inspector closes, `visit` sees every
// item, the window is recorded and queued, the button released.
template <typename Visit>
void window_action(long id, Visit visit) {
  close_object_inspector();
  if (current_window != 0) {
    for_each_item(current_window, visit);
    record_and_queue();
  }
  release(id);
}

void align_in_window(long id) {
  window_action(id, [](uint32_t index, menu_item* item) {
    if (item->widget == nullptr) return;
    absolute_origin(item);
    snap_to_grids(uint16_t(index), 0, 0, true, true, true, true);
  });
}

void align_sequentially_in_window(long id) {
  int right = 0, bottom = 0, origin_x = 0, origin_y = 0;
  window_action(id, [&](uint32_t index, menu_item* item) {
    if (item->widget == nullptr) return;
    absolute_origin(item);
    if (origin_x < item->x)
      snap_to_grids(uint16_t(index), short(right), short(origin_y), true, true, true, true);
    else
      snap_to_grids(uint16_t(index), 0, short(bottom), true, true, true, true);
    record_and_queue();
    const UIObject* o = widget_of(item);
    right = o->x + o->width;
    bottom = o->y + o->height;
    origin_x = item->x;
    origin_y = item->y;
  });
}

void fix_sizes(long id, bool horizontal) {
  window_action(id, [horizontal](uint32_t, menu_item* item) {
    if (item->widget == nullptr) return;
    const UIObject* o = widget_of(item);
    if (horizontal) {
      item->width = std::max<int16_t>(item->width, int16_t(o->width));
      item->flags |= ITEM_SIZE_X;
    } else {
      item->height = std::max<int16_t>(item->height, int16_t(o->height));
      item->flags |= ITEM_SIZE_Y;
    }
  });
}
void fix_x_sizes(long id) { fix_sizes(id, true); }
void fix_y_sizes(long id) { fix_sizes(id, false); }

void loosen_sizes(long id, bool horizontal) {
  window_action(id, [horizontal](uint32_t, menu_item* item) {
    if (horizontal) {
      item->width = 0;
      item->flags &= ~ITEM_SIZE_X;
    } else {
      item->height = 0;
      item->flags &= ~ITEM_SIZE_Y;
    }
  });
}
void loosen_x_sizes(long id) { loosen_sizes(id, true); }
void loosen_y_sizes(long id) { loosen_sizes(id, false); }

void disconnect_objects(long id) {
  window_action(id, [](uint32_t, menu_item* item) {
    if (item->widget != nullptr) absolute_origin(item);
  });
}

void connect_objects(long id) {
  int right = 0, bottom = 0;
  window_action(id, [&](uint32_t, menu_item* item) {
    if (item->widget == nullptr) return;
    const UIObject* o = widget_of(item);
    if (o->x - right > 0) {
      item->x = int16_t(o->x - right);
      item->flags = (item->flags | ITEM_X_RELATIVE) & ~ITEM_X_ABSENT;
    } else if (o->y - bottom > 0) {
      item->y = int16_t(o->y - bottom);
      item->flags = (item->flags | ITEM_Y_RELATIVE) & ~ITEM_Y_ABSENT;
    }
    record_and_queue();
    right = o->x + o->width;
    bottom = o->y + o->height;
  });
}

void reset_objects_in_window(long id) {
  close_object_inspector();
  if (current_window != 0) reset_in_window(current_window);
  release(id);
}

void change_menu(long, long entry, bool, bool) {
  if (current_window == 0 || entry < 1) return;
  close_object_inspector();
  ident_info* w = window_ident(current_window);
  long k = 0;
  for (uint16_t local = 0; local < w->word6; ++local) {
    if (record_of(w)->locals[local].kind != K_MENU) continue;
    if (++k > window_menu_count(*w)) internal_error(172, "IB_Window");
    if (k == entry) {
      current_menu = static_cast<uintptr_t>(entry);
      set_current_menu(w, local);
      return;
    }
  }
}

uintptr_t* menu_getter(long) { return &current_menu; }

UITextLabel* label(short x, short y, const char* text) {
  UITextLabel* l = new UITextLabel(inspector, x, y, 0, 0, FONT, false, false, false, text);
  controls[n_controls++] = l;
  return l;
}
UITextButton* button(short x, short y, const char* text, void (*action)(long)) {
  UITextButton* b = new UITextButton(inspector, x, y, 0, 0, FONT, false, false, false, text, action);
  controls[n_controls++] = b;
  return b;
}

void build_inspector() {
  inspector = new UIWindow(true, false, WINDOW_ID, "IB_WindowInspector", false);
  inspector->set_origin(remembered_x, remembered_y);
  const short gap = 10;
  short x = gap, y = gap;
  auto right_of = [](const UIObject* o) { return short(o->x + o->width + gap); };
  UITextLabel* position = label(x, y, "Position");
  x = right_of(position);
  for (int i = 0; i < 4; ++i) {
    if (i == 2) x = right_of(label(x, y, "Size"));
    values[i] = new UITextLabel(inspector, x, y, 0, 0, FONT, false, false, false, "9999");
    x = right_of(values[i]);
  }
  y = short(y + position->height + gap);
  UITextLabel* heading = label(gap, y, "Functions apply to all UI-objects in this window:");
  y = short(y + heading->height + gap);
  UITextButton* b = button(gap, y, "Align to grids", align_in_window);
  button(right_of(b), y, "Align sequentially", align_sequentially_in_window);
  y = short(y + b->height + gap);
  UIObject* o = label(gap, y, "Sizes:");
  o = label(right_of(o), y, "Fix");
  o = button(right_of(o), y, "X", fix_x_sizes);
  o = button(right_of(o), y, "Y", fix_y_sizes);
  o = label(right_of(o), y, "Loosen");
  o = button(right_of(o), y, "X", loosen_x_sizes);
  button(right_of(o), y, "Y", loosen_y_sizes);
  y = short(y + b->height + gap);
  b = button(gap, y, "Disconnect", disconnect_objects);
  o = button(right_of(b), y, "Connect", connect_objects);
  button(right_of(o), y, "Reset", reset_objects_in_window);
  list_top = short(y + b->height);
  base_width = uint16_t(heading->x + heading->width + gap);
  base_height = uint16_t(list_top + gap);
  inspector->set_size(base_width, base_height);
}

}  // namespace

void update_window_inspector(unsigned short window) {
  if (inspector == nullptr) build_inspector();
  ident_info* w = window_ident(window);
  window_record* r = record_of(w);
  if (window != current_window) {
    char title[1024];
    snprintf(title, sizeof title, "%s %s", type_name(w->kind), name_of(w));
    inspector->set_title(title);
    current_window = window;
    delete menu_list;
    menu_list = nullptr;
    unsigned short height = base_height;
    int menus = window_menu_count(*w);
    if (menus >= 2) {
      const char** names = static_cast<const char**>(CheckedMalloc(size_t(menus) * sizeof(char*)));
      int n = 0;
      current_menu = 0;
      for (uint16_t local = 0; local < w->word6; ++local) {
        if (r->locals[local].kind != K_MENU) continue;
        if (n >= menus) internal_error(634, "IB_Window");
        if (local == uint16_t(w->word8)) current_menu = static_cast<uintptr_t>(n + 1);
        names[n++] = name_of(&r->locals[local]);
      }
      if (n != menus) internal_error(638, "IB_Window");
      menu_list = new UITextSelectionList(inspector, menu_getter, 0, list_top, base_width, 100, FONT, true,
                                          uint16_t(n), false, names, false, false, false, change_menu);
      CheckedFree(names);
      height = uint16_t(menu_list->y + menu_list->height + 10);
    }
    inspector->set_size(base_width, height);
    inspector->make_visible();
  }
  const UIWindow* ui = r->ui_window;
  int shown[4] = {ui ? ui->x : 0, ui ? ui->y : 0, ui ? ui->width : 0, ui ? ui->height : 0};
  for (int i = 0; i < 4; ++i) {
    char text[16];
    snprintf(text, sizeof text, "%d", shown[i]);
    values[i]->set_text(text);
  }
  inspector->repair_objects();
}

void close_window_inspector() {
  current_window = 0;
  if (inspector == nullptr) return;
  remembered_x = inspector->x;
  remembered_y = inspector->y;
  inspector->make_invisible();
}

unsigned short get_current_window() { return current_window; }

void get_window_inspector_position(short* x, short* y) {
  *x = remembered_x;
  *y = remembered_y;
}
void set_window_inspector_position(short x, short y) {
  remembered_x = x;
  remembered_y = y;
  if (inspector != nullptr) inspector->set_origin(x, y);
}

void reset_in_window(unsigned short window) {
  for_each_item(window, [](uint32_t index, menu_item* item) {
    if (item->widget != nullptr) restore_item(item, *old_menu_item(index));
  });
  queue_update(window);
}

void reset_all(long id) {
  close_object_inspector();
  uint32_t count;
  const unsigned short* edited = edited_window_list(&count);
  for (uint32_t i = 0; i < count; ++i) reset_in_window(edited[i]);
  clear_edited_windows();
  release(id);
}

// ---- Window callbacks ----

namespace {

void configure_window(long window) {
  if (window <= LAST_PREDEFINED) return;
  if (window != current_window) close_object_inspector();
  update_window_inspector(uint16_t(window));
}

void pick_window(long window) {
  if (window <= LAST_PREDEFINED) return;
  close_object_inspector();
  update_window_inspector(uint16_t(window));
}

void map_top_level_window(long window, bool mapped) {
  if (window <= 0 || uint32_t(window) >= tables[T_GLOBALS].length) return;
  ident_info* w = window_ident(uint16_t(window));
  w->flags1 = mapped ? uint8_t(w->flags1 | WINDOW_VISIBLE) : uint8_t(w->flags1 & ~WINDOW_VISIBLE);
}

}  // namespace

void preset_window_inspector() {
  UIWindow::set_callbacks(configure_window, pick_window, nullptr, map_top_level_window);
}

void cleanup_window_inspector() {
  if (inspector == nullptr) return;
  inspector->make_invisible();
  delete menu_list;
  menu_list = nullptr;
  for (int i = 0; i < 4; ++i) delete values[i];
  for (int i = 0; i < n_controls; ++i) delete controls[i];
  n_controls = 0;
  delete inspector;
  inspector = nullptr;
  current_window = 0;
  remembered_x = remembered_y = 0;
}
