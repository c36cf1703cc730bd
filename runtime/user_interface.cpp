#include "runtime/user_interface.h"

#include <GL/gl.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "builder/interface_builder.h"
#include "gl/gl_context.h"
#include "link/gin.h"
#include "link/si.h"
#include "runtime/graphics_input_ops.h"
#include "runtime/gui3d_items.h"
#include "runtime/interpreter.h"
#include "runtime/predefined.h"
#include "runtime/procedures.h"
#include "runtime/qob.h"
#include "runtime/read_resources.h"
#include "runtime/run_time_errors.h"
#include "runtime/save_resources.h"
#include "runtime/tables.h"
#include "runtime/variables.h"
#include "runtime/widget_builders.h"
#include "runtime/widget_callbacks.h"
#include "runtime/window_record.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_label.h"
#include "toolkit/ui_tab_button.h"
#include "toolkit/ui_text_button.h"
#include "toolkit/ui_window.h"
#include "view/graphics_window.h"

uint16_t* windows;
uint32_t n_windows_listed;
bool in_interface_builder;

static uint16_t* windows_for_update;
static uint32_t n_windows_for_update;
static uint16_t app_main_win_id;
static bool quiet;
static char* site_resource;
static char* private_resource;
static char* local_resource;
static bool compiler_warnings;

// The information window: a notice and its "Acknowledged" button.
static struct {
  bool shown;
  UIWindow* window;
  UILabel* label;
  UITextButton* button;
} info_window;

static uint16_t index_of(const ident_info* window) { return uint16_t(window - globals()); }
static ident_info* window_at(uint16_t index) { return &globals()[index]; }
static bool is_visible(const ident_info& window) { return (window.flags1 & WINDOW_VISIBLE) != 0; }
static bool is_mapped(const ident_info& window) { return window_flag(window, WINDOW_MAPPED); }
static bool is_top_level(const ident_info& window) {
  return window.word4 == 0 || (window.flags1 & WINDOW_TOP_WITH_PARENT);
}
static UIWindow* ui_of(const ident_info* window) { return record_of(window)->ui_window; }

const char* site_resource_path() { return site_resource; }
const char* private_resource_path() { return private_resource; }
const char* local_resource_path() { return local_resource; }

// ---- Queue, busy state ----

void queue_update(uint16_t window) {
  const ident_info& id = globals()[window];
  if (!is_window_kind(id.kind)) internal_error(9084, "ui");
  if (!is_visible(id)) return;
  if (window_menu_count(id) == 0) internal_error(9084, "ui");
  for (uint32_t i = 0; i < n_windows_for_update; ++i)
    if (windows_for_update[i] == window) return;
  windows_for_update[n_windows_for_update++] = window;
}

static void queue_displaying_window(uint16_t window) { queue_update(window); }

void update_displaying_windows(ident_info* variable) {
  for_each_displaying_window(variable, queue_displaying_window);
  if (variable->flags1 & IDENT_USED_BY_GUI3D) set_gui3d_update();
}

bool update_menu_windows() {
  if (info_window.shown && info_window.window != nullptr) {
    make_transient_to_app_main_win(info_window.window);
    info_window.window->repair_objects();
    info_window.window->make_visible();
  }
  if (n_windows_for_update == 0) return false;
  while (n_windows_for_update > 0) {
    ident_info* window = window_at(windows_for_update[--n_windows_for_update]);
    if (is_visible(*window)) display_menu(window);
  }
  glFlush();
  return true;
}

void set_window_busy(ident_info* window, bool busy) {
  if (UIWindow* ui = ui_of(window)) ui->set_busy(busy);
}

void set_windows_busy(bool busy) {
  if (busy == all_busy) return;
  all_busy = busy;
  for (uint32_t i = 0; i < n_windows_listed; ++i) {
    ident_info* window = window_at(windows[i]);
    if (!is_visible(*window) && !is_mapped(*window)) continue;
    set_window_busy(window, busy || record_of(window)->pending_request != -1);
  }
}

// ---- Showing and hiding ----

void make_window_visible(ident_info* window) {
  window_record* w = record_of(window);
  if (w->ui_window != nullptr) w->ui_window->make_visible();
  w->state &= uint8_t(~WR_WITHDRAWN);
  if (is_visible(*window) && is_mapped(*window)) return;
  process_window_change(window);
  // An opening window brings its manipulators up to date, the graphics window
  // all of them: locals only initialised have seen no change.
  uint16_t opened = index_of(window);
  if (opened == 1 ? gui3d_item_count() != 0 : owns_gui3d_items(opened)) set_gui3d_update();
  window->flags1 |= WINDOW_VISIBLE;
  bool pending = w->pending_request != -1;
  if (is_top_level(*window)) {
    set_window_busy(window, all_busy || pending);
  } else {
    set_window_busy(window, pending);
    set_window_flag(window, WINDOW_MAPPED, true);
  }
  if (!window_flag(*window, WINDOW_HAS_SUB_WINDOWS)) return;
  for (uint32_t i = 0; i < n_windows_listed; ++i) {
    ident_info* child = window_at(windows[i]);
    if (child->word4 != opened || is_top_level(*child)) continue;
    if (!(record_of(child)->state & WR_VISIBLE_WITH_PARENT)) continue;
    show_window_again(windows[i]);
  }
}

void show_window_again(uint16_t index) {
  ident_info* window = window_at(index);
  if (index == 1) return make_window_visible(window);
  window->flags1 |= WINDOW_VISIBLE;
  if (window_menu_count(*window) != 0) queue_update(index);
}

void make_window_invisible(ident_info* window) {
  window_record* w = record_of(window);
  if (is_visible(*window) || is_mapped(*window)) {
    process_window_change(window);
    if (window_flag(*window, WINDOW_HAS_SUB_WINDOWS)) {
      uint16_t index = index_of(window);
      for (uint32_t i = 0; i < n_windows_listed; ++i) {
        ident_info* child = window_at(windows[i]);
        if (child->word4 != index || is_top_level(*child)) continue;
        window_record* c = record_of(child);
        if (is_visible(*child)) {
          c->state |= WR_VISIBLE_WITH_PARENT;
          make_window_invisible(child);
        } else {
          c->state &= uint8_t(~WR_VISIBLE_WITH_PARENT);
        }
      }
    }
    if (w->ui_window != nullptr) w->ui_window->make_invisible();
    if (is_top_level(*window)) w->state |= WR_WITHDRAWN;
    else set_window_flag(window, WINDOW_MAPPED, false);
    window->flags1 &= uint8_t(~WINDOW_VISIBLE);
  }
  w->state &= uint8_t(~WR_SAVED_VISIBILITY);
}

void make_transient_to_app_main_win(UIWindow* window) {
  if (app_main_win_id == 0) return;
  UIWindow* main = ui_of(window_at(app_main_win_id));
  if (main != nullptr && main != window) window->set_transient_for(main->get_window_id());
}

// ---- Display of a window's MENUs ----

// Pops one slot; the item code must have left every value its flags announce.
static value pop_slot() {
  if (sp < sb) internal_error(8002, "ui");
  return *sp--;
}

static bool pop_flag(const menu_item& item, uint32_t flag) {
  return (item.flags & flag) && pop_slot().i != 0;
}

static uint32_t checked_colour(ident_info* window, value v, const char* message) {
  if (v.u >= 0x1000002) {
    error(message, 0, window);
    return 0x1000001;
  }
  return v.u;
}

// Takes the values of a scalar item from the stack, top first.
static void pop_item_values(ident_info* window, const menu_item& item, item_values& values) {
  int kind = item.value_kind;
  values.text_colour = 0;
  values.background = item.kind == ITEM_TEXT_FIELD ? 0xFFFFFF : 0x1000001;
  if (kind == K_PICTURE) {
    values.text_colour = values.background = 0x1000001;
    bool gradation = pop_flag(item, ITEM_GRADATION);
    if (item.flags & ITEM_TEXT_COLOR) {
      values.text_colour = checked_colour(window, pop_slot(), "text / gradation-bottom color out of range");
      values.background = gradation ? 0x1000001 : values.text_colour;
    }
  } else {
    if (item.flags & ITEM_BACKGROUND)
      values.background = checked_colour(window, pop_slot(), "background / gradation-top color out of range");
    if (item.flags & ITEM_TEXT_COLOR)
      values.text_colour = checked_colour(window, pop_slot(), "text / gradation-bottom color out of range");
  }
  values.black_border = pop_flag(item, ITEM_BLACK_BORDER);
  values.light_fill = pop_flag(item, ITEM_LIGHT_FILL);
  values.inactive = pop_flag(item, ITEM_INACTIVE);
  values.help_text = (item.flags & ITEM_HELP_TEXT) ? pop_slot().s : nullptr;
  bool range = item.kind == ITEM_SLIDER || (item.kind == ITEM_TEXT_FIELD && (item.flags & ITEM_RANGE));
  if (range) {
    values.range[1] = pop_slot();
    values.range[0] = pop_slot();
  }
  if (item.kind == ITEM_CHECK_BUTTON) values.check_state = pop_slot().i != 0;
  values.value_kind = kind;
  if (item.kind == ITEM_PICTURE_BUTTON) {
    values.value_kind = K_PICTURE;
    for (value& p : values.pictures) p = pop_slot();
  } else if (item.kind != ITEM_COLOR_EDITOR && item.kind != ITEM_SELECTION_LIST &&
             item.kind != ITEM_BOX && item.kind != ITEM_FRAME && item.kind != ITEM_SEPARATOR) {
    values.v = pop_slot();
  }
}

// The running layout of one display: position, edges and item number.
struct layout {
  int x = 0, y = 0;
  int last_right = 0, last_bottom = 0;
  int max_right = 0, max_bottom = 0;
  uint16_t item_number = 0;
  uint16_t pressed_item = 0, pressed_element = 0;
};

static int16_t checked_position(ident_info* window, int v, bool* bad) {
  if (v < -32768 || v > 32767) {
    if (!*bad) error("Widget position out of range", 0, window);
    *bad = true;
    return 0;
  }
  return int16_t(v);
}

// ---- Array items: one widget per element of the value array ----

// One array taken from the stack: its elements stay in the stack's memory
// below sp until the item is built.
struct stack_array {
  value* elements;
  uint32_t n;
};

static stack_array pop_array(bool given) {
  if (!given) return {nullptr, 0};
  if (sp < sb) internal_error(8002, "ui");
  int32_t n = sp->i;
  if (n < 0 || uint32_t(n) >= used_slots()) internal_error(8002, "ui");
  sp -= n + 1;
  return {sp + 1, uint32_t(n)};
}

// The element's own entry while the array lasts, else its last one.
static const value* entry(const stack_array& a, uint32_t i) {
  return a.n == 0 ? nullptr : &a.elements[std::min(i, a.n - 1)];
}

static void free_array(const stack_array& a, int kind) {
  for (uint32_t i = 0; is_owned_kind(kind) && i < a.n; ++i) free_owned(kind, &a.elements[i]);
}

constexpr uint32_t ITEM_BLACK_BORDER_INDEX = 1u << 12;  // an index names the one bordered element
constexpr uint32_t ITEM_LIGHT_FILL_INDEX = 1u << 13;

static bool array_item_kind(int kind) {
  switch (kind) {
    case ITEM_BOX: case ITEM_LABEL: case ITEM_BUTTON: case ITEM_SLIDER: case ITEM_COLOR_BAR:
    case ITEM_TEXT_FIELD: case ITEM_MENU_BUTTON: case ITEM_THUMB_WHEEL: case ITEM_CHECK_BUTTON:
    case ITEM_MATERIAL_LABEL: case ITEM_PICTURE_BUTTON:
      return true;
    default:
      return false;
  }
}

// Builds the widgets of an array item; x, y is the item's position. The
// layout: rows of head byte 6 elements (0: one row), head word 4 apart
// (0: side by side).
static void display_array_item(ident_info* window, uint32_t item_index, const menu_item& item,
                               int x, int y, const layout& l, int* max_right, int* max_bottom) {
  window_record* w = record_of(window);
  if (!array_item_kind(item.kind)) internal_error(8178, "ui");
  int kind = item.value_kind - K_ARRAY;
  bool picture = kind == K_PICTURE;
  stack_array gradation = pop_array(picture && (item.flags & ITEM_GRADATION));
  stack_array background = pop_array(!picture && (item.flags & ITEM_BACKGROUND));
  stack_array text = pop_array(item.flags & ITEM_TEXT_COLOR);
  bool border_index = item.flags & ITEM_BLACK_BORDER_INDEX, fill_index = item.flags & ITEM_LIGHT_FILL_INDEX;
  int32_t bordered = border_index ? pop_slot().i : 0;
  stack_array border = pop_array(!border_index && (item.flags & ITEM_BLACK_BORDER));
  int32_t filled = fill_index ? pop_slot().i : 0;
  stack_array fill = pop_array(!fill_index && (item.flags & ITEM_LIGHT_FILL));
  stack_array inactive = pop_array(item.flags & ITEM_INACTIVE);
  stack_array help = pop_array(item.flags & ITEM_HELP_TEXT);
  value range[2] = {};
  bool has_range = item.kind == ITEM_SLIDER || (item.kind == ITEM_TEXT_FIELD && (item.flags & ITEM_RANGE));
  if (has_range) {
    range[1] = pop_slot();
    range[0] = pop_slot();
  }
  stack_array states = pop_array(item.kind == ITEM_CHECK_BUTTON);
  stack_array pictures[3] = {};
  stack_array values{};
  if (item.kind == ITEM_PICTURE_BUTTON) {
    for (stack_array& a : pictures) a = pop_array(true);
    values = pictures[2];  // one widget per idle picture
  } else if (item.kind != ITEM_BOX) {
    values = pop_array(true);
  }
  if (used_slots() != 0) internal_error(8005, "ui");
  widget_builder build = builder_of(item);
  uint32_t per_row = item.head6 != 0 ? item.head6 : UINT32_MAX;
  int ex = x, ey = y, right = x, bottom = y;
  bool bad = false;
  for (uint32_t i = 0; i < values.n && !bad; ++i) {
    item_values v{};
    v.value_kind = picture || item.kind == ITEM_PICTURE_BUTTON ? K_PICTURE : kind;
    v.x = checked_position(window, ex, &bad);
    v.y = checked_position(window, ey, &bad);
    if (bad) break;
    v.text_colour = picture ? 0x1000001 : 0;
    v.background = item.kind == ITEM_TEXT_FIELD ? 0xFFFFFF : 0x1000001;
    if (const value* c = entry(text, i))
      v.text_colour = checked_colour(window, *c, "text / gradation-bottom color out of range");
    if (picture) {
      const value* g = entry(gradation, i);
      v.background = g != nullptr && g->i != 0 ? 0x1000001 : v.text_colour;
    } else if (const value* c = entry(background, i)) {
      v.background = checked_colour(window, *c, "background / gradation-top color out of range");
    }
    if (v.text_colour == 0x1000001) v.text_colour = w->background;
    if (v.background == 0x1000001) v.background = w->background;
    const value* b = entry(border, i);
    const value* f = entry(fill, i);
    const value* a = entry(inactive, i);
    const value* h = entry(help, i);
    v.black_border = border_index ? bordered == int32_t(i + 1) : b != nullptr && b->i != 0;
    v.light_fill = fill_index ? filled == int32_t(i + 1) : f != nullptr && f->i != 0;
    v.inactive = a != nullptr && a->i != 0;
    v.help_text = h != nullptr ? h->s : nullptr;
    if (has_range)
      for (int r = 0; r < 2; ++r) v.range[r] = is_owned_kind(kind) ? copy_owned(kind, range[r]) : range[r];
    if (item.kind == ITEM_CHECK_BUTTON) {
      if (i >= states.n) error("CHECK_BUTTON array longer than corresponding bool array", 0, window);
      const value* st = entry(states, i);
      v.check_state = st != nullptr && st->i != 0;
    }
    if (item.kind == ITEM_PICTURE_BUTTON) {
      if (i >= pictures[1].n)
        error("PICTURE_BUTTON idle picture array longer than corresponding armed picture array", 0, window);
      if (i >= pictures[0].n)
        error("PICTURE_BUTTON idle picture array longer than corresponding active picture array", 0, window);
      for (int k = 0; k < 3; ++k)
        if (const value* p = entry(pictures[k], i)) v.pictures[k] = copy_owned(K_PICTURE, *p);
    } else {
      v.v = is_owned_kind(kind) ? copy_owned(kind, values.elements[i]) : values.elements[i];
    }
    v.item_number = l.item_number;
    v.element = uint16_t(i + 1);
    v.pressed = l.pressed_item == l.item_number && l.pressed_element == v.element;
    int r = v.x, bt = v.y;
    build(window, item_index, v, &r, &bt);
    *max_right = std::max(*max_right, r);
    *max_bottom = std::max(*max_bottom, bt);
    right = r;
    bottom = bt;
    if ((i + 1) % per_row == 0) {
      ex = x;
      ey = bottom;
    } else {
      ex = item.head4 != 0 ? ex + item.head4 : right;
    }
  }
  free_array(help, K_STRING);
  if (item.kind == ITEM_PICTURE_BUTTON) {
    for (stack_array& a : pictures) free_array(a, K_PICTURE);
  } else {
    free_array(values, kind);
  }
  if (has_range && is_owned_kind(kind))
    for (value& r : range) free_owned(kind, &r);
}

static void display_item(ident_info* window, uint32_t item_index, layout& l) {
  window_record* w = record_of(window);
  const menu_item& item = tables[T_MENU_ITEMS].as<menu_item>()[item_index];
  ++l.item_number;
  if (!(item.flags & ITEM_X_ABSENT)) l.x = item.x;
  if (item.flags & ITEM_X_RELATIVE) l.x += l.last_right;
  if (!(item.flags & ITEM_Y_ABSENT)) l.y = item.y;
  if (!(item.flags & ITEM_ORIGIN) || (item.flags & ITEM_Y_RELATIVE)) l.y += l.last_bottom;
  if (group_of_item_kind(item.kind) == GROUP_3D) return;  // 3D manipulators, not widgets
  widget_builder build = builder_of(item);
  if (build == nullptr) internal_error(8001, "ui");
  if (w->frames->source_position == 0) {
    w->frames->source_position = uint16_t(item.source_file + 1);
    w->frames->line = item.line;
  }
  if (item.code_offset >= tables[T_CODE].length) internal_error(8004, "ui");
  wc_ok = false;
  interpret_code(window, statement_code(item.code_offset), false);
  if (rterror) return;
  bool bad = false;
  int16_t x = checked_position(window, l.x, &bad), y = checked_position(window, l.y, &bad);
  int right = x, bottom = y;
  if (is_array_kind(item.value_kind)) {
    right = std::max(0, int(x));
    bottom = std::max(0, int(y));
    display_array_item(window, item_index, item, x, y, l, &right, &bottom);
  } else {
    item_values values{};
    pop_item_values(window, item, values);
    // A colour editor's builder takes its four values itself.
    if (used_slots() != (item.kind == ITEM_COLOR_EDITOR ? 4u : 0u)) internal_error(8005, "ui");
    values.x = x;
    values.y = y;
    if (values.text_colour == 0x1000001) values.text_colour = w->background;
    if (values.background == 0x1000001) values.background = w->background;
    values.item_number = l.item_number;
    values.pressed = l.pressed_item == l.item_number && l.pressed_element == 0;
    char* help = values.help_text;
    if (bad) {
      release_item_values(values);
    } else {
      build(window, item_index, values, &right, &bottom);
    }
    if (help != nullptr) CheckedFree(help);
  }
  if (item.flags & ITEM_FRAMED) {
    int x0 = std::max(0, l.x - item.margin), y0 = std::max(0, l.y - item.margin);
    int width = right + item.margin - x0, height = bottom + item.margin - y0;
    if (item.flags & ITEM_FRAME_STYLE)
      setup_frame(window, SURROUNDING_FRAME, int16_t(x0), int16_t(y0), width, height, false, false);
    else
      setup_separator(window, SURROUNDING_FRAME, int16_t(x0), int16_t(y0), width, height, false, false);
  }
  l.last_right = right;
  l.last_bottom = bottom;
  l.max_right = std::max(l.max_right, right);
  l.max_bottom = std::max(l.max_bottom, bottom);
}

static ident_info* menu_local(ident_info* window, uint16_t local) {
  if (local >= window->word6 || record_of(window)->locals[local].kind != K_MENU) internal_error(7772, "ui");
  return &record_of(window)->locals[local];
}

static uint16_t first_menu_local(ident_info* window) {
  for (uint16_t i = 0; i < window->word6; ++i)
    if (record_of(window)->locals[i].kind == K_MENU) return i;
  internal_error(7772, "ui");
}

// A tab shows its MENU's title, else the MENU's name.
static const char* tab_text(const ident_info& menu) {
  return menu.menu_title != nullptr ? menu.menu_title : name_of(&menu);
}

// One tab button for each of the first (MENUs - 1) MENU locals; the last
// reaches to the window's right edge, the first page is shown.
static void make_tab_buttons(ident_info* window) {
  window_record* w = record_of(window);
  int tabs = window_menu_count(*window) - 1;
  short x = 0;
  for (uint16_t local = 0, made = 0; local < window->word6 && made < tabs; ++local) {
    const ident_info& menu = w->locals[local];
    if (menu.kind != K_MENU) continue;
    bool last = made + 1 == tabs;
    unsigned short min_width = 0;
    if (last && w->ui_window != nullptr && w->ui_window->width > x) min_width = uint16_t(w->ui_window->width - x);
    if (w->ui_window != nullptr && w->tab_buttons[made] == nullptr) {
      UITabButton* tab = new UITabButton(w->ui_window, long(index_of(window)) << 16 | local, x,
                                         min_width, tab_text(menu),
                                         made == 0 ? nullptr : activate_tab_button);
      w->tab_buttons[made] = tab;
      x = short(x + tab->width);
    }
    ++made;
  }
  w->current_tab = 1;
}

static UITabButton* tab_button_of(ident_info* window, uint16_t menu) {
  for (UITabButton* tab : record_of(window)->tab_buttons)
    if (tab != nullptr && (tab->object_id & 0x1FFF) == menu) return tab;
  return nullptr;
}

void retitle_tab_button(ident_info* window, uint16_t menu) {
  if (UITabButton* tab = tab_button_of(window, menu)) tab->set_text(tab_text(record_of(window)->locals[menu]));
}

void display_menu(ident_info* window) {
  window_record* w = record_of(window);
  int menus = window_menu_count(*window);
  if (menus == 0) internal_error(7772, "ui");
  uint32_t saved_length[N_WIDGET_KINDS];
  for (int k = 0; k < N_WIDGET_KINDS; ++k) {
    saved_length[k] = w->widgets[k].length;
    w->widgets[k].length = 0;
  }
  call_frame* saved_top = w->top;
  w->top = w->frames;

  ident_info* shown[2] = {menu_local(window, uint16_t(window->word8)), nullptr};
  if (menus >= 2) {
    if (w->current_tab == 0) w->current_tab_menu = first_menu_local(window);
    shown[1] = menu_local(window, w->current_tab_menu);
  }
  layout l;
  if (w->state & WR_SUSPENDED_ITEM) {
    l.pressed_item = w->current_item;
    l.pressed_element = w->current_element;
  }
  for (ident_info* menu : shown) {
    if (menu == nullptr) continue;
    if (menu->word6 == 0 && !in_interface_builder) internal_error(7813, "ui");
    add_dis_vars(window, menu->code_offset);
    if (uint64_t(menu->count) + menu->word6 > tables[T_MENU_ITEMS].length) internal_error(7814, "ui");
    for (uint32_t i = 0; i < menu->word6; ++i) display_item(window, menu->count + i, l);
  }
  for (int k = 0; k < N_WIDGET_KINDS; ++k) destroy_unused(&w->widgets[k], saved_length[k]);
  adapt_size(window, l.max_right, l.max_bottom);
  if (menus >= 2 && w->current_tab == 0) make_tab_buttons(window);
  w->top = saved_top;
  if (is_mapped(*window) && w->ui_window != nullptr) w->ui_window->repair_objects();
  if (!is_mapped(*window) || (w->state & WR_WITHDRAWN)) make_window_visible(window);
}

void destroy_objects(ident_info* window) {
  window_record* w = record_of(window);
  for (table& t : w->widgets) {
    uint32_t old_length = t.length;
    t.length = 0;
    destroy_unused(&t, old_length);
  }
}

void set_current_menu(ident_info* window, uint16_t menu) {
  window_record* w = record_of(window);
  return_to_menu(window);
  display_menu(window);
  if (menu == uint16_t(window->word8) || menu == w->current_tab_menu) return;
  ident_info* tab = menu_local(window, menu);
  if (UITabButton* b = tab_button_of(window, menu)) b->set_activate_callback(nullptr);
  if (UITabButton* b = tab_button_of(window, w->current_tab_menu)) b->set_activate_callback(activate_tab_button);
  // The page being left gives up its registrations before the switch.
  clear_dis_vars(window);
  w->current_tab_menu = menu;
  w->current_tab = uint8_t(menu_tab_number(*tab));
  display_menu(window);
}

// ---- Notices ----

void display_internal_info(const char* message, bool force) {
  if (quiet && !force) return;
  if (AppContext == nullptr) return;
  if (info_window.window == nullptr) {
    info_window.window = new UIWindow(true, false, 2, "Info", false);
    info_window.window->set_title("Information");
    info_window.label = new UILabel(info_window.window, 0, nullptr);
    info_window.button = new UITextButton(info_window.window, 0, 0, 0, 0, 9, false, false, false,
                                          "Acknowledged", hide_info_window);
  }
  ImageText* text = new ImageText(K_STRING, 9, dup_chars(message));
  UILabel* label = info_window.label;
  UITextButton* button = info_window.button;
  label->reconfigure(0, 0, 0, 0, false, false, 0, background_colour_word, false, text);
  // The narrower of the two is moved right by half the difference.
  int wide = std::max(label->width, button->width);
  label->reconfigure(short((wide - label->width) / 2), 0, 0, 0, false, false, 0,
                     background_colour_word, false, nullptr);
  button->set_position(short((wide - button->width) / 2), short(label->height));
  unsigned short width = uint16_t(wide), height = uint16_t(label->height + button->height);
  info_window.window->set_size(width, height);
  Display* d = AppContext->ui_display;
  int screen = DefaultScreen(d);
  info_window.window->set_origin(short((DisplayWidth(d, screen) - width) / 2),
                                 short((DisplayHeight(d, screen) - height) / 2));
  info_window.shown = true;
}

void hide_info_window(long id) {
  if (info_window.window == nullptr) return;
  info_window.window->make_invisible();
  info_window.shown = false;
  if (id != 0) reinterpret_cast<UIButton*>(id)->set_in(false);
}

void display_user_info(const char* message) {
  ident_info* user_message = &globals()[91];
  if (user_message->code_offset == 0 && user_message->displays == nullptr)
    display_internal_info(message, true);
  value v{};
  v.s = dup_chars(message);
  change_variable(&globals()[1], user_message, v, false);
  if (AppContext != nullptr) XBell(AppContext->ui_display, 0);
}

// ---- Global shortcuts ----

bool handle_global_shortcut(unsigned char code) {
  const table& t = tables[T_G_SHORTCUTS];
  if (code >= t.length) return false;
  const g_shortcut& s = t.as<g_shortcut>()[code];
  if (s.action_offset == 0) return false;
  if (s.window >= tables[T_GLOBALS].length || globals()[s.window].kind != K_SUB_WINDOW)
    internal_error(8517, "ui");
  ident_info* target = window_at(s.window);
  window_record* w = record_of(target);
  if (w->calling_window != 0) clear_queues(window_at(w->calling_window));
  w->calling_window = 1;
  record_of(window_at(1))->called_window = s.window;
  if (!start_if_active(target, s.item, s.argument, s.action_offset) && AppContext != nullptr)
    XBell(AppContext->ui_display, 0);
  return true;
}

void clear_calling_window() {
  if (active_calling_window != 0) clear_queues(window_at(active_calling_window));
}

bool has_app_main_window() { return app_main_win_id != 0; }

// ---- Toolkit-window callbacks ----

static void configure_top_level_window(long id) {
  if (id == 1 || (id >= long(N_PREDEFINED) && id < long(tables[T_GLOBALS].length)))
    process_window_change(window_at(uint16_t(id)));
}

static void map_top_level_window(long id, bool mapped) {
  if (id <= 0 || id >= long(tables[T_GLOBALS].length) || !is_window_kind(globals()[id].kind)) return;
  ident_info* window = window_at(uint16_t(id));
  if (is_mapped(*window) != mapped) set_window_flag(window, WINDOW_MAPPED, mapped);
  if (id < long(N_PREDEFINED)) return;
  if (mapped && !is_visible(*window)) make_window_invisible(window);
  if (uint16_t(id) != app_main_win_id) return;
  for (uint32_t i = 0; i < n_windows_listed; ++i) {
    if (windows[i] == app_main_win_id) continue;
    ident_info* other = window_at(windows[i]);
    window_record* o = record_of(other);
    if (!mapped && is_visible(*other)) {
      make_window_invisible(other);
      o->state |= WR_SAVED_VISIBILITY;
    } else if (mapped && (o->state & WR_SAVED_VISIBILITY)) {
      o->state &= uint8_t(~WR_SAVED_VISIBILITY);
      show_window_again(windows[i]);
    }
  }
}

void restore_window_callbacks() {
  UIObject::set_callbacks(nullptr, nullptr, nullptr);
  UIWindow::set_callbacks(configure_top_level_window, nullptr, handle_shortcut, map_top_level_window);
}

// ---- Preset and clean-up ----

// Table 7 reference: table in bits 30-31, index below.
static ident_info* init_order_ident(uint32_t reference) {
  uint32_t t = reference >> 30, index = reference & 0x3FFFFFFF;
  if (t > T_WINDOW_LOCALS || index >= tables[t].length) internal_error(8820, "ui");
  return &tables[t].as<ident_info>()[index];
}

uint32_t application_background() {
  if (AppContext == nullptr) return 0xBFBFBF;
  auto byte = [](float c) { return uint32_t(std::lround(std::clamp(c, 0.0f, 1.0f) * 255.0f)); };
  return byte(AppContext->background_red) << 16 | byte(AppContext->background_green) << 8 |
         byte(AppContext->background_blue);
}

static void create_window_record(ident_info* window) {
  if (uint64_t(window->count) + window->word6 > tables[T_WINDOW_LOCALS].length) internal_error(8822, "ui");
  window_record* w = checked_new_array<window_record>(1);
  *w = window_record{};
  w->state = WR_AUTO_WIDTH | WR_AUTO_HEIGHT;
  w->auto_width = w->auto_height = -1;
  w->pending_request = -1;
  w->background = application_background();
  w->locals = tables[T_WINDOW_LOCALS].as<ident_info>() + window->count;
  window->val.w = w;
  for (table& t : w->widgets) table_create(&t, sizeof(widget_element), 1);
  create_call_stack(window);
}

// Parents are made first, whatever the initialisation order; depth bounds a
// cycle of parents.
static void create_toolkit_window(ident_info* window, uint32_t depth = 0) {
  if (AppContext == nullptr || record_of(window)->ui_window != nullptr) return;
  if (depth > n_windows_listed) internal_error(8825, "ui");
  uint16_t index = index_of(window);
  if (index != 1 && window->word4 != 0) {
    if (window->word4 >= tables[T_GLOBALS].length || !is_window_kind(globals()[window->word4].kind) ||
        record_of(window_at(window->word4)) == nullptr)
      internal_error(8825, "ui");
    create_toolkit_window(window_at(window->word4), depth + 1);
  }
  const char* name = dup_chars(name_of(window));
  bool overlay = (window->flags1 & WINDOW_OVERLAY) != 0;
  bool pop_up = window_flag(*window, WINDOW_POP_UP);
  UIWindow* ui = nullptr;
  if (index == 1) {
    CheckedFree(const_cast<char*>(name));
    Window graphics = get_graphics_window();
    if (graphics != 0) ui = new UIWindow(graphics, pop_up, nullptr, 1, "Graphics");
  } else if (is_top_level(*window)) {
    ui = new UIWindow(overlay, pop_up, index, name, false);
    if (window_flag(*window, WINDOW_APP_MAIN)) app_main_win_id = index;
    if (window->word4 != 0) {
      UIWindow* parent = ui_of(window_at(window->word4));
      if (parent != nullptr) ui->set_transient_for(parent->get_window_id());
    }
  } else {
    UIWindow* parent = ui_of(window_at(window->word4));
    if (parent != nullptr) ui = new UIWindow(overlay, parent, index, name);
    else CheckedFree(const_cast<char*>(name));
  }
  record_of(window)->ui_window = ui;
}

void reset_graphics_window() {
  if (tables[T_GLOBALS].length < 2) return;
  ident_info* window = &globals()[1];
  window_record* record = record_of(window);
  if (record == nullptr || record->ui_window == nullptr) return;
  UIWindow* ui = record->ui_window;
  if (ui->x_window != get_graphics_window()) ui->adopt_window(get_graphics_window());
  if (get_predef(100) != 0 || window->word4 == 0) return;
  UIWindow* parent = ui_of(window_at(window->word4));
  if (parent == nullptr) return;
  if (!is_top_level(*window))
    ui->reparent(parent);
  else
    ui->set_transient_for(parent->get_window_id());
}

// A fresh array holds no elements until code assigns them.
static void empty_arrays(int table_number) {
  table& t = tables[table_number];
  for (uint32_t i = 0; i < t.length; ++i) {
    ident_info& id = t.as<ident_info>()[i];
    if (is_array_kind(id.kind) && id.val.a == nullptr) id.word6 = 0;
    if (is_variable_kind(id.kind)) id.displays = nullptr;
    else if (id.kind == K_MENU) id.menu_title = nullptr;
  }
}

// Runs the initial code of every window, and of every procedure in the
// context of identifier 1 with the procedure's locals as its frame's locals.
static void run_initial_code() {
  ident_info* graphics = &globals()[1];
  const table& order = tables[T_INIT_ORDER];
  for (uint32_t i = 0; i < order.length; ++i) {
    ident_info* id = init_order_ident(order.as<uint32_t>()[i]);
    if (is_window_kind(id->kind)) {
      if (id->code_offset >= tables[T_WINDOW_INITIAL_CODE].length) internal_error(8823, "ui");
      interpret_code(id, tables[T_WINDOW_INITIAL_CODE].as<uint8_t>() + id->code_offset, false);
    } else if (id->kind == K_PROCEDURE) {
      if (id->code_offset >= tables[T_PROC_INITIAL_CODE].length ||
          uint64_t(id->count) + id->word6 > tables[T_PROC_LOCALS].length)
        internal_error(8824, "ui");
      uint32_t own_name = graphics->name_offset;
      call_frame* frame = record_of(graphics)->frames;
      graphics->name_offset = id->name_offset;
      frame->locals = id->word6 != 0 ? tables[T_PROC_LOCALS].as<ident_info>() + id->count : nullptr;
      frame->local_count = id->word6;
      interpret_code(graphics, tables[T_PROC_INITIAL_CODE].as<uint8_t>() + id->code_offset, false);
      graphics->name_offset = own_name;
      frame->locals = nullptr;
      frame->local_count = 0;
    }
  }
}

static char* copy_path(const char* path) { return path != nullptr ? dup_chars(path) : nullptr; }

static void free_path(char** path) {
  if (*path != nullptr) CheckedFree(*path);
  *path = nullptr;
}

void preset_user_interface(const char* yarl_error_e_mail, bool quiet_, bool trace,
                           const char* site, const char* private_, const char* local) {
  quiet = quiet_;
  site_resource = copy_path(site);
  private_resource = copy_path(private_);
  local_resource = copy_path(local);
  preset_run_time_errors(yarl_error_e_mail, trace);
  preset_const_expr_eval();
  ini_tables();
  restore_window_callbacks();

  compiler_warnings = (n_windows & 0x80000000u) != 0;
  n_windows &= 0x7FFFFFFFu;
  if (n_windows > 0xFFFF || tables[T_GLOBALS].length < N_PREDEFINED || !is_window_kind(globals()[1].kind))
    internal_error(8821, "ui");
  windows = checked_new_array<uint16_t>(n_windows + 1);
  windows_for_update = checked_new_array<uint16_t>(n_windows + 2);
  n_windows_listed = n_windows_for_update = 0;
  app_main_win_id = 0;
  empty_arrays(T_GLOBALS);
  empty_arrays(T_PROC_LOCALS);
  empty_arrays(T_WINDOW_LOCALS);

  put_predef(513, -1);
  put_predef(514, -1);
  put_predef_string(91, dup_chars(""));
  put_predef_string(105, dup_chars(""));

  const table& order = tables[T_INIT_ORDER];
  for (uint32_t i = 0; i < order.length; ++i) {
    ident_info* id = init_order_ident(order.as<uint32_t>()[i]);
    if (!is_window_kind(id->kind)) continue;
    if (id < globals() || id >= globals() + tables[T_GLOBALS].length || n_windows_listed == n_windows)
      internal_error(8821, "ui");
    windows[n_windows_listed++] = index_of(id);
    create_window_record(id);
  }
  if (n_windows_listed != n_windows || record_of(&globals()[1]) == nullptr) internal_error(8821, "ui");
  for (uint32_t i = 0; i < n_windows_listed; ++i) create_toolkit_window(window_at(windows[i]));
  reset_graphics_window();

  ident_info* graphics = &globals()[1];
  record_of(graphics)->state &= uint8_t(~WR_RUNNING);
  if (tables[T_INITIAL_CODE].length != 0) interpret_code(graphics, tables[T_INITIAL_CODE].as<uint8_t>(), false);
  table_delete(&tables[T_INITIAL_CODE]);
  run_initial_code();

  save_initial_resource_variable_values(T_GLOBALS);
  save_initial_resource_variable_values(T_WINDOW_LOCALS);
  save_initial_window_geometry();
  const char* resource_files[3] = {site_resource, private_resource, local_resource};
  for (int i = 0; i < 3; ++i) {
    bool failed = resource_files[i] != nullptr &&
                  read_resources(graphics, resource_files[i], nullptr, false, RESOURCE_VARIABLES | RESOURCE_GEOMETRY);
    if (failed && i == 0) halt("Resource file error(s), see messages above");
  }
  take_graphics_geometry();

  for (uint32_t i = 0; i < n_windows_listed; ++i) {
    ident_info* window = window_at(windows[i]);
    if (window->kind != K_MENU_WINDOW || !is_visible(*window) || window_menu_count(*window) == 0) continue;
    queue_update(windows[i]);
    if (window->flags1 & WINDOW_MAIN_INITIAL) {
      const ident_info* main = menu_local(window, uint16_t(window->word8));
      if (main->val.u != 0) start_action(window, 0, 0, main->val.u, 0, 0, false);
    }
  }
  if (app_main_win_id != 0) {
    for (uint32_t i = 0; i < n_windows_listed; ++i) {
      ident_info* window = window_at(windows[i]);
      UIWindow* ui = record_of(window)->ui_window;
      if (ui == nullptr || windows[i] == app_main_win_id || !is_top_level(*window)) continue;
      if (window_flag(*window, WINDOW_POP_UP) || window->word4 != 0) continue;
      make_transient_to_app_main_win(ui);
    }
  }
  table_delete(&tables[T_PROC_INITIAL_CODE]);
  table_delete(&tables[T_INIT_ORDER]);
  if (is_visible(*graphics)) make_window_visible(graphics);
  if (compiler_warnings) display_internal_info("The YARL compiler found warning-level errors in this program.", true);
}

// The display lists of variables and the titles of MENUs.
static void free_run_time_fields(int table_number) {
  table& t = tables[table_number];
  for (uint32_t i = 0; i < t.length; ++i) {
    ident_info& id = t.as<ident_info>()[i];
    if (is_variable_kind(id.kind)) {
      free_display_list(&id);
    } else if (id.kind == K_MENU && id.menu_title != nullptr) {
      CheckedFree(id.menu_title);
      id.menu_title = nullptr;
    }
  }
}

void cleanup_user_interface() {
  delete_gui3d_objects();
  if (AppContext != nullptr) XGLContext::release();
  if (info_window.window != nullptr) {
    info_window.window->make_invisible();
    delete info_window.button;
    delete info_window.label;
    delete info_window.window;
  }
  info_window = {};
  cleanup_graphics_input_ops();
  for (uint32_t i = n_windows_listed; i-- > 0;) {
    ident_info* window = window_at(windows[i]);
    window_record* w = record_of(window);
    if (w->ui_window != nullptr) w->ui_window->make_invisible();
    return_to_menu(window);
    if (window_menu_count(*window) != 0) clear_dis_vars(window);
    destroy_objects(window);
    for (UITabButton*& tab : w->tab_buttons) {
      delete tab;
      tab = nullptr;
    }
    for (table& t : w->widgets) table_delete(&t);
  }
  cleanup_read_resources();
  cleanup_save_resources();
  free_run_time_fields(T_WINDOW_LOCALS);
  destroy_variables(T_WINDOW_LOCALS);
  for (uint32_t i = n_windows_listed; i-- > 0;) {
    ident_info* window = window_at(windows[i]);
    window_record* w = record_of(window);
    if (w->ui_window != nullptr) {
      const char* name = w->ui_window->name;
      bool owns_name = windows[i] != 1;
      delete w->ui_window;
      if (owns_name) CheckedFree(const_cast<char*>(name));
    }
    destroy_call_stack(window);
    CheckedFree(w);
    window->val.w = nullptr;
  }
  if (windows != nullptr) CheckedFree(windows);
  if (windows_for_update != nullptr) CheckedFree(windows_for_update);
  windows = windows_for_update = nullptr;
  n_windows_listed = n_windows_for_update = 0;
  app_main_win_id = 0;
  ImageText::delete_font_pictures();
  free_run_time_fields(T_GLOBALS);
  free_run_time_fields(T_PROC_LOCALS);
  destroy_variables(T_GLOBALS);
  destroy_variables(T_PROC_LOCALS);
  cleanup_const_expr_eval();
  cleanup_run_time_errors();
  free_path(&site_resource);
  free_path(&private_resource);
  free_path(&local_resource);
  delete_tables();
  cleanup_interface_builder();
}
