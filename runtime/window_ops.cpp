#include "runtime/window_ops.h"

#include <cstdio>
#include <cstring>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "link/connect.h"
#include "link/si.h"
#include "runtime/op_handlers.h"
#include "runtime/procedures.h"
#include "runtime/run_time_errors.h"
#include "runtime/user_interface.h"
#include "runtime/variables.h"
#include "runtime/widget_builders.h"
#include "runtime/window_record.h"
#include "toolkit/ui_object.h"
#include "toolkit/ui_tab_button.h"
#include "toolkit/ui_window.h"

namespace {

// Attribute codes of set_win_attr_op: the opcodes of the reading operations.
enum attribute : uint8_t {
  A_TITLE = 43,
  A_POP_UP = 56,
  A_SIZE_X = 61,
  A_SIZE_Y = 62,
  A_VISIBLE = 84,
  A_ORIGIN_X = 89,
  A_ORIGIN_Y = 90,
  A_BORDER_WIDTH = 132,
  A_BACKGROUND_COLOR = 172,
};

constexpr uint16_t CONTEXT_WINDOW = 13;  // the reference that names the context window
constexpr int32_t MAX_SIZE = 32767;
constexpr uint32_t MAX_COLOUR = 0x1000001;

uint16_t index_of(const ident_info* window) { return uint16_t(window - globals()); }
ident_info* window_at(uint16_t index) { return &globals()[index]; }
bool is_visible(const ident_info& window) { return (window.flags1 & WINDOW_VISIBLE) != 0; }
UIWindow* ui_of(const ident_info* window) { return record_of(window)->ui_window; }

// The window operand of the reading operations: 13 is the context, any other
// reference a global identifier whatever its selector.
ident_info* read_window(ident_info* context, const uint8_t*& pc, int error_number) {
  ident_ref ref = read_ref(pc);
  if (ref.index == CONTEXT_WINDOW) return context;
  if (ref.index >= tables[T_GLOBALS].length || !is_window_kind(globals()[ref.index].kind))
    internal_error(error_number, "window_ops");
  return window_at(ref.index);
}

// The window operand of the other operations, resolved by its selector.
ident_info* decoded_window(ident_info* context, const uint8_t*& pc, int selector_error, int kind_error) {
  ident_info* window = decode_ref(context, pc, selector_error);
  if (!is_window_kind(window->kind) || record_of(window) == nullptr) internal_error(kind_error, "window_ops");
  return window;
}

const uint8_t* push_window_word(ident_info* context, const uint8_t* pc, int error_number,
                                int32_t (*word)(ident_info*)) {
  push_int(word(read_window(context, pc, error_number)));
  return pc;
}

int32_t ui_x(ident_info* w) { return ui_of(w) != nullptr ? ui_of(w)->x : record_of(w)->initial_x; }
int32_t ui_y(ident_info* w) { return ui_of(w) != nullptr ? ui_of(w)->y : record_of(w)->initial_y; }
int32_t ui_width(ident_info* w) { return ui_of(w) != nullptr ? ui_of(w)->width : record_of(w)->initial_width; }
int32_t ui_height(ident_info* w) {
  return ui_of(w) != nullptr ? ui_of(w)->height : record_of(w)->initial_height;
}

value pop_value() {
  if (sp < sb) internal_error(6399, "window_ops");
  return *sp--;
}

// The widget of the context's current item and element, or null.
UIObject* current_widget(const window_record* w) {
  UIObject* fallback = nullptr;
  for (const table& t : w->widgets) {
    for (uint32_t i = 0; i < t.length; ++i) {
      const widget_element& e = t.as<widget_element>()[i];
      if (e.widget == nullptr || e.item_number != w->current_item) continue;
      if (e.element == w->current_element) return e.widget;
      if (e.element == 0) fallback = e.widget;
    }
  }
  return fallback;
}

// The table-8 record of the context's current item: the main MENU's items
// first, then those of the current tab MENU.
const menu_item& current_item(ident_info* context) {
  window_record* w = record_of(context);
  uint16_t main = uint16_t(context->word8);
  if (main >= context->word6 || w->locals[main].kind != K_MENU) internal_error(4165, "window_ops");
  const ident_info* menu = &w->locals[main];
  uint32_t number = w->current_item;
  if (number > menu->word6) {
    if (window_menu_count(*context) < 2 || w->current_tab_menu >= context->word6) internal_error(4166, "window_ops");
    number -= menu->word6;
    menu = &w->locals[w->current_tab_menu];
    if (number > menu->word6) internal_error(4166, "window_ops");
  }
  uint64_t item = uint64_t(menu->count) + number - 1;
  if (item >= tables[T_MENU_ITEMS].length) internal_error(4167, "window_ops");
  return tables[T_MENU_ITEMS].as<menu_item>()[item];
}

// Shows a window: the graphics window at once, without the repaint it had
// requested (its mapping repaints it), the others queued.
void show_window(uint16_t index) {
  if (index == 1) clear_repaint();
  show_window_again(index);
}

bool set_visible(ident_info* context, ident_info* window, bool on) {
  window_record* w = record_of(window);
  if (!on) {
    if (is_visible(*window)) make_window_invisible(window);
    else w->state &= uint8_t(~(WR_VISIBLE_WITH_PARENT | WR_SAVED_VISIBILITY));
    return true;
  }
  if (is_visible(*window)) {
    if (w->ui_window != nullptr) w->ui_window->make_visible();
    w->state &= uint8_t(~WR_WITHDRAWN);
    return true;
  }
  if (window->kind == K_SUB_WINDOW && w->calling_window == 0) {
    error("Attempt to make inactive SUB_WINDOW visible", 0, context);
    return false;
  }
  show_window(index_of(window));
  return true;
}

// A size from YARL: 0 (automatic) or 1 to 32767; false when out of range.
bool set_size_axis(ident_info* window, int axis, int32_t size) {
  window_record* w = record_of(window);
  uint8_t auto_bit = uint8_t(WR_AUTO_WIDTH << axis);
  bool automatic = (w->state & auto_bit) != 0;
  if (size == 0) {
    if (automatic) return false;
    w->state |= auto_bit;
    if (axis == 0) w->auto_width = -1;
    else w->auto_height = -1;
    queue_update(index_of(window));
    return true;
  }
  if (index_of(window) == 1 && connected()) return false;
  int32_t current = axis == 0 ? ui_width(window) : ui_height(window);
  if (!automatic && current == size) return false;
  w->state &= uint8_t(~auto_bit);
  if (UIWindow* ui = ui_of(window)) {
    if (axis == 0) ui->set_size(uint16_t(size), ui->height);
    else ui->set_size(ui->width, uint16_t(size));
  }
  return true;
}

const char* attribute_name(uint8_t attribute) {
  switch (attribute) {
    case A_SIZE_X: return "SIZE_X";
    case A_SIZE_Y: return "SIZE_Y";
    case A_ORIGIN_X: return "ORIGIN_X";
    case A_ORIGIN_Y: return "ORIGIN_Y";
    case A_BORDER_WIDTH: return "BORDER_WIDTH";
    case A_BACKGROUND_COLOR: return "BACKGROUND_COLOR";
    default: return "?";
  }
}

// The range of an attribute's value from YARL; never an X error later.
bool in_range(uint8_t attribute, value v) {
  switch (attribute) {
    case A_SIZE_X:
    case A_SIZE_Y: return v.i >= 0 && v.i <= MAX_SIZE;
    case A_ORIGIN_X:
    case A_ORIGIN_Y: return v.i >= INT16_MIN && v.i <= INT16_MAX;
    case A_BORDER_WIDTH: return v.i >= 0 && v.i <= 255;
    case A_BACKGROUND_COLOR: return v.u <= MAX_COLOUR;
    default: return true;
  }
}

// Sets one attribute; false when nothing changed.
bool set_attribute(ident_info* window, uint8_t attribute, value v) {
  window_record* w = record_of(window);
  UIWindow* ui = w->ui_window;
  switch (attribute) {
    case A_ORIGIN_X:
      if (ui == nullptr || ui->x == v.i) return false;
      ui->set_origin(short(v.i), ui->y);
      return true;
    case A_ORIGIN_Y:
      if (ui == nullptr || ui->y == v.i) return false;
      ui->set_origin(ui->x, short(v.i));
      return true;
    case A_BORDER_WIDTH:
      if (w->border_width == v.i) return false;
      w->border_width = uint8_t(v.i);
      if (ui != nullptr) ui->set_border_width(w->border_width);
      return true;
    case A_BACKGROUND_COLOR: {
      uint32_t colour = v.u == MAX_COLOUR ? application_background() : v.u;
      if (w->background == colour) return false;
      w->background = colour;
      if (ui != nullptr) ui->set_background_color(colour);
      return true;
    }
    case A_POP_UP: {
      bool on = v.i != 0;
      if (window_flag(*window, WINDOW_POP_UP) == on) return false;
      set_window_flag(window, WINDOW_POP_UP, on);
      if (ui != nullptr) ui->set_pop_up(on);
      return true;
    }
    case A_TITLE:
      if (ui != nullptr) ui->set_title(v.s != nullptr ? v.s : "");
      if (v.s != nullptr) CheckedFree(v.s);
      return true;
    case A_SIZE_X:
    case A_SIZE_Y:
      return set_size_axis(window, attribute == A_SIZE_Y, v.i);
    default:
      internal_error(6398, "window_ops");
  }
}

}  // namespace

// ---- Reading attributes ----

const uint8_t* background_color_op(ident_info* context, const uint8_t* pc) {
  return push_window_word(context, pc, 6401, [](ident_info* w) { return int32_t(record_of(w)->background); });
}

const uint8_t* border_width_op(ident_info* context, const uint8_t* pc) {
  return push_window_word(context, pc, 6402, [](ident_info* w) { return int32_t(record_of(w)->border_width); });
}

const uint8_t* main_initial_op(ident_info* context, const uint8_t* pc) {
  return push_window_word(context, pc, 6403,
                          [](ident_info* w) { return int32_t((w->flags1 & WINDOW_MAIN_INITIAL) != 0); });
}

const uint8_t* origin_x_op(ident_info* context, const uint8_t* pc) { return push_window_word(context, pc, 6404, ui_x); }
const uint8_t* origin_y_op(ident_info* context, const uint8_t* pc) { return push_window_word(context, pc, 6405, ui_y); }

const uint8_t* overlay_op(ident_info* context, const uint8_t* pc) {
  return push_window_word(context, pc, 6406,
                          [](ident_info* w) { return int32_t((w->flags1 & WINDOW_OVERLAY) != 0); });
}

const uint8_t* pop_up_op(ident_info* context, const uint8_t* pc) {
  return push_window_word(context, pc, 6407, [](ident_info* w) { return int32_t(window_flag(*w, WINDOW_POP_UP)); });
}

const uint8_t* size_x_op(ident_info* context, const uint8_t* pc) { return push_window_word(context, pc, 6408, ui_width); }
const uint8_t* size_y_op(ident_info* context, const uint8_t* pc) { return push_window_word(context, pc, 6409, ui_height); }

const uint8_t* visible_op(ident_info* context, const uint8_t* pc) {
  return push_window_word(context, pc, 6410, [](ident_info* w) { return int32_t(is_visible(*w)); });
}

const uint8_t* current_tab_op(ident_info* context, const uint8_t* pc) {
  push_int(record_of(context)->current_tab);
  return pc;
}

const uint8_t* item_index_op(ident_info* context, const uint8_t* pc) {
  push_int(record_of(context)->current_element);
  return pc;
}

const uint8_t* selected_op(ident_info* context, const uint8_t* pc) {
  push_int((record_of(context)->state & WR_ACTION_FLAG) != 0);
  return pc;
}

const uint8_t* item_geometry_op(ident_info* context, const uint8_t* pc) {
  window_record* w = record_of(context);
  if (w->current_item == 0) {
    error("ITEM_GEOMETRY outside the action of an item", 0, context);
    return nullptr;
  }
  if (const UIObject* widget = current_widget(w)) {
    push_int(widget->x);
    push_int(widget->y);
    push_int(widget->width);
    push_int(widget->height);
    return pc;
  }
  const menu_item& item = current_item(context);
  push_int(item.x);
  push_int(item.y);
  push_int(item.width);
  push_int(item.height);
  return pc;
}

const uint8_t* size_op(ident_info* context, const uint8_t* pc) {
  ident_info* array = decode_ref(context, pc, 6412);
  if (!is_array_kind(array->kind)) internal_error(6413, "window_ops");
  push_int(array->word6);
  return pc;
}

const uint8_t* x_window_id_op(ident_info* context, const uint8_t* pc) {
  ident_info* window = decoded_window(context, pc, 6769, 6770);
  UIWindow* ui = ui_of(window);
  push_int(ui != nullptr ? int32_t(ui->get_window_id()) : 0);
  return pc;
}

// ---- Setting attributes ----

const uint8_t* set_win_attr_op(ident_info* context, const uint8_t* pc) {
  ident_ref ref = read_ref(pc);
  ident_info* window;
  if (ref.selector == 0 && ref.index == CONTEXT_WINDOW) {
    window = context;
  } else {
    window = resolve_ref(context, ref, 6256);
    if (!is_window_kind(window->kind)) internal_error(6257, "window_ops");
  }
  uint8_t attribute = *pc++;
  value v = pop_value();
  if (attribute == A_VISIBLE) return set_visible(context, window, v.i != 0) ? pc : nullptr;
  if (!in_range(attribute, v)) {
    char message[64];
    snprintf(message, sizeof message, "%s value out of range", attribute_name(attribute));
    error(message, 0, context);
    return nullptr;
  }
  if (set_attribute(window, attribute, v)) process_window_change(window);
  return pc;
}

// ---- MENUs, restarts and SUB_WINDOW calls ----

const uint8_t* menu_op(ident_info* context, const uint8_t* pc) {
  ident_info* menu = decode_ref(context, pc, 4243);
  if (menu->kind != K_MENU) internal_error(4244, "window_ops");
  value title = pop_value();
  if (menu->menu_title != nullptr) CheckedFree(menu->menu_title);
  menu->menu_title = title.s;
  // The tab of a MENU of a shown window takes the new text at once.
  ident_info* window = window_at(record_of(context)->top->window);
  if (window_menu_count(*window) >= 2 && menu >= record_of(window)->locals &&
      menu < record_of(window)->locals + window->word6)
    retitle_tab_button(window, uint16_t(menu - record_of(window)->locals));
  return pc;
}

const uint8_t* main_op(ident_info* context, const uint8_t* pc) {
  ident_info* window = decoded_window(context, pc, 4223, 4224);
  clear_queues(window);
  return_to_menu(window);
  uint16_t main = uint16_t(window->word8);
  if (main >= window->word6 || record_of(window)->locals[main].kind != K_MENU) internal_error(4225, "window_ops");
  interpret_code(window, statement_code(record_of(window)->locals[main].val.u), true);
  if (context->kind == K_SUB_WINDOW && window_flag(*context, WINDOW_POP_UP) &&
      record_of(context)->calling_window == 0) {
    error("Pop-up windows cancelled each other", 0, context);
    return nullptr;
  }
  return pc;
}

namespace {

// Takes n parameters of a SUB_WINDOW call from the stack: per parameter the
// local's number on top, then its value, or an element count over the
// elements. Every count and number is checked against the stack and the
// window; false (after a run-time error) at the first mismatch.
bool take_sub_window_parameters(ident_info* context, ident_info* sub_window, uint8_t n) {
  window_record* s = record_of(sub_window);
  for (uint8_t i = 0; i < n; ++i) {
    if (used_slots() < 2) {
      error("SUB_WINDOW - parameter missing on the stack", 0, context);
      return false;
    }
    uint32_t number = sp->u;
    if (number >= sub_window->word6 || !is_variable_kind(s->locals[number].kind)) {
      error("SUB_WINDOW - parameter names no variable of the SUB_WINDOW", 0, context);
      return false;
    }
    --sp;
    ident_info* local = &s->locals[number];
    if (!is_array_kind(local->kind)) {
      value v = *sp--;
      if (!is_owned_kind(local->kind)) v = integer_value(v.i);
      if (is_owned_kind(local->kind)) free_owned(local->kind, &local->val);
      local->val = v;
      process_variable_change(sub_window, local);
      continue;
    }
    uint32_t count = sp->u;
    if (count > local->word2 || count > used_slots() - 1) {
      error("SUB_WINDOW - array parameter larger than its variable or the stack", 0, context);
      return false;
    }
    --sp;
    value* first = sp - count + 1;
    if (!reset_array_size(sub_window, local, count)) return false;
    memcpy(local->val.a, first, count * sizeof(value));
    sp = first - 1;
    process_variable_change(sub_window, local);
  }
  return true;
}

}  // namespace

const uint8_t* sub_window_op(ident_info* context, const uint8_t* pc) {
  ident_info* sub_window = decode_ref(context, pc, 6427);
  if (sub_window->kind != K_SUB_WINDOW || record_of(sub_window) == nullptr) internal_error(6428, "window_ops");
  uint8_t n = *pc++;
  window_record* s = record_of(sub_window);
  window_record* c = record_of(context);
  bool saved_wc_ok = wc_ok;
  wc_ok = false;
  if (window_flag(*sub_window, WINDOW_RESET_LOCALS)) {
    // The parameters wait on the operand stack while the locals are reset.
    value* saved_sp = sp;
    value* saved_sm = sm;
    call_frame* saved_top = s->top;
    s->top = s->frames;
    interpret_code(sub_window, tables[T_WINDOW_INITIAL_CODE].as<uint8_t>() + sub_window->code_offset, false);
    s->top = saved_top;
    sp = saved_sp;
    sm = saved_sm;
  }
  bool taken = !rterror && take_sub_window_parameters(context, sub_window, n);
  wc_ok = saved_wc_ok;
  if (!taken) return nullptr;
  if (s->calling_window != 0) clear_queues(window_at(s->calling_window));
  if (window_flag(*sub_window, WINDOW_POP_UP) && !window_flag(*context, WINDOW_POP_UP)) {
    clear_calling_window();
    active_calling_window = index_of(context);
  }
  queue_re_entry(context, statement_offset(pc));
  s->calling_window = index_of(context);
  c->called_window = index_of(sub_window);
  c->call_flags |= WR_WAITS_FOR_SUB_WINDOW;
  if (!has_app_main_window() && !window_flag(*sub_window, WINDOW_POP_UP) && s->ui_window != nullptr &&
      c->ui_window != nullptr)
    s->ui_window->set_transient_for(c->ui_window->get_window_id());
  return_to_menu(sub_window);
  sub_window->flags1 |= WINDOW_VISIBLE;
  if (window_menu_count(*sub_window) != 0) queue_update(index_of(sub_window));
  uint16_t main = uint16_t(sub_window->word8);
  if (sub_window->word6 != 0 && main < sub_window->word6 && s->locals[main].kind == K_MENU &&
      s->locals[main].val.u != 0)
    interpret_code(sub_window, statement_code(s->locals[main].val.u), true);
  return nullptr;
}

const uint8_t* cancel_sub_window_op(ident_info* context, const uint8_t* pc) {
  ident_info* sub_window = decode_ref(context, pc, 2852);
  if (sub_window->kind != K_SUB_WINDOW || record_of(sub_window) == nullptr) internal_error(2853, "window_ops");
  if (record_of(sub_window)->calling_window != 0 &&
      start_cancel_action(sub_window, context, statement_offset(pc)))
    return nullptr;
  return pc;
}

const uint8_t* resume_op(ident_info* context, const uint8_t* pc) {
  ident_info* stopped;
  const uint8_t* position;
  uint16_t source_index;
  if (!take_stopped_position(&stopped, &position, &source_index)) {
    error("Debugger error. RESUME with source_file = 0", 0, context);
    return nullptr;
  }
  window_record* w = record_of(context);
  w->state &= uint8_t(~WR_RUNNING);
  interpret_code(stopped, position, true);
  w->state |= WR_RUNNING;
  return pc;
}

// ---- Leaving the Interface Builder ----

void quit_interface_builder() {
  if (!in_interface_builder) internal_error(9101, "window_ops");
  for (uint32_t i = 0; i < n_windows_listed; ++i) {
    ident_info* window = window_at(windows[i]);
    window_record* w = record_of(window);
    bool remembered = (w->state & WR_SAVED_VISIBILITY) != 0;
    if (remembered && !is_visible(*window)) {
      w->state &= uint8_t(~WR_SAVED_VISIBILITY);
      show_window(windows[i]);
    } else if (!remembered && is_visible(*window)) {
      make_window_invisible(window);
    }
    if (w->ui_window != nullptr) w->ui_window->interface_builder_mode = false;
    clear_queues(window);
  }
  for (uint32_t i = 0; i < n_windows_listed; ++i) {
    ident_info* window = window_at(windows[i]);
    if (is_visible(*window) && window_menu_count(*window) != 0) queue_update(windows[i]);
  }
  in_interface_builder = false;
  restore_window_callbacks();
}
