#include "runtime/user_interface.h"

#include "runtime/checked_mm.h"
#include "runtime/internal_error.h"
#include "runtime/interpreter.h"
#include "runtime/predefined.h"
#include "runtime/procedures.h"
#include "runtime/run_time_errors.h"
#include "runtime/tables.h"
#include "runtime/variables.h"
#include "runtime/window_record.h"

uint16_t* windows;
uint32_t n_windows_listed;
bool in_interface_builder;

static uint16_t* windows_for_update;
static uint32_t n_windows_for_update;
static bool compiler_warnings;

void display_internal_info(const char*, bool) {}

void set_windows_busy(bool busy) {
  all_busy = busy;
  for (uint32_t i = 0; i < n_windows_listed; ++i) record_of(&globals()[windows[i]])->busy = busy;
}

void update_displaying_windows(ident_info*) {}

void queue_update(uint16_t window) {
  const ident_info& id = globals()[window];
  if (!is_window_kind(id.kind)) internal_error(9084, "ui");
  if (!(id.flags1 & WINDOW_VISIBLE)) return;
  for (uint32_t i = 0; i < n_windows_for_update; ++i)
    if (windows_for_update[i] == window) return;
  windows_for_update[n_windows_for_update++] = window;
}

void make_window_invisible(ident_info* window) {
  if (window->flags1 & WINDOW_VISIBLE) process_window_change(window);
  window->flags1 &= uint8_t(~WINDOW_VISIBLE);
}

// Table 7 reference: table in bits 30-31, index below.
static ident_info* init_order_ident(uint32_t reference) {
  uint32_t t = reference >> 30, index = reference & 0x3FFFFFFF;
  if (t > T_WINDOW_LOCALS || index >= tables[t].length) internal_error(8820, "ui");
  return &tables[t].as<ident_info>()[index];
}

static void create_window_record(ident_info* window) {
  if (uint64_t(window->count) + window->word6 > tables[T_WINDOW_LOCALS].length) internal_error(8822, "ui");
  window_record* w = checked_new_array<window_record>(1);
  *w = window_record{};
  w->state = 3;  // automatic width and height
  w->pending_request = -1;
  w->locals = tables[T_WINDOW_LOCALS].as<ident_info>() + window->count;
  window->val.w = w;
  create_call_stack(window);
}

// A fresh array holds no elements until code assigns them.
static void empty_arrays(int table_number) {
  table& t = tables[table_number];
  for (uint32_t i = 0; i < t.length; ++i) {
    ident_info& id = t.as<ident_info>()[i];
    if (is_array_kind(id.kind) && id.val.a == nullptr) id.word6 = 0;
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

void preset_user_interface(const char* yarl_error_e_mail, bool, bool trace, const char*, const char*,
                           const char*) {
  preset_run_time_errors(yarl_error_e_mail, trace);
  preset_const_expr_eval();
  ini_tables();
  compiler_warnings = (n_windows & 0x80000000u) != 0;
  n_windows &= 0x7FFFFFFFu;
  if (n_windows > 0xFFFF || tables[T_GLOBALS].length < N_PREDEFINED || !is_window_kind(globals()[1].kind))
    internal_error(8821, "ui");
  windows = checked_new_array<uint16_t>(n_windows + 1);
  windows_for_update = checked_new_array<uint16_t>(n_windows + 2);
  n_windows_listed = n_windows_for_update = 0;
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
    windows[n_windows_listed++] = uint16_t(id - globals());
    create_window_record(id);
  }
  if (n_windows_listed != n_windows || record_of(&globals()[1]) == nullptr) internal_error(8821, "ui");

  ident_info* graphics = &globals()[1];
  record_of(graphics)->state &= uint8_t(~WR_RUNNING);
  if (tables[T_INITIAL_CODE].length != 0) interpret_code(graphics, tables[T_INITIAL_CODE].as<uint8_t>(), false);
  table_delete(&tables[T_INITIAL_CODE]);
  run_initial_code();
  table_delete(&tables[T_PROC_INITIAL_CODE]);
  table_delete(&tables[T_INIT_ORDER]);
  if (compiler_warnings) display_internal_info("The YARL compiler found warning-level errors in this program.", true);
}

void cleanup_user_interface() {
  for (uint32_t i = 0; i < n_windows_listed; ++i) {
    ident_info* window = &globals()[windows[i]];
    destroy_call_stack(window);
    CheckedFree(record_of(window));
    window->val.w = nullptr;
  }
  if (windows != nullptr) CheckedFree(windows);
  if (windows_for_update != nullptr) CheckedFree(windows_for_update);
  windows = windows_for_update = nullptr;
  n_windows_listed = n_windows_for_update = 0;
  destroy_variables(T_WINDOW_LOCALS);
  destroy_variables(T_GLOBALS);
  destroy_variables(T_PROC_LOCALS);
  cleanup_const_expr_eval();
  cleanup_run_time_errors();
  delete_tables();
}
