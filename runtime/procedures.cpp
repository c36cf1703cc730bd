#include "runtime/procedures.h"

#include "link/si.h"
#include "view/views.h"

#include <cstdio>
#include <cstring>

#include "base/internal_error.h"
#include "link/si.h"
#include "runtime/application_values.h"
#include "runtime/graphics_input_ops.h"
#include "runtime/interpreter.h"
#include "runtime/op_handlers.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "runtime/widget_callbacks.h"
#include "view/views.h"

uint16_t active_calling_window;

constexpr uint32_t WC_RUNNING = 0x7FFFFFFF;  // the list of this slot is running
constexpr uint16_t MAX_FRAMES = 0xFFFF;

static uint16_t index_of(const ident_info* window) { return uint16_t(window - globals()); }

// ---- Call stacks ----

void create_call_stack(ident_info* window) {
  window_record* w = record_of(window);
  w->frame_capacity = 1;
  w->frames = checked_new_array<call_frame>(1);
  w->frames[0] = call_frame{0, 0, NO_PROCEDURE, 0, index_of(window), nullptr, nullptr};
  w->top = w->frames;
}

void destroy_call_stack(ident_info* window) {
  window_record* w = record_of(window);
  if (w->frames == nullptr) return;
  return_to_menu(window);
  CheckedFree(w->frames);
  w->frames = w->top = nullptr;
}

bool is_procedure_frame(const call_frame* frame) { return frame->procedure != NO_PROCEDURE; }

// The identifier a procedure frame runs: a global, or a local of the frame's window.
static ident_info* frame_procedure(const call_frame* frame) {
  uint16_t index = frame->procedure & 0x1FFF;
  switch (frame->procedure >> 14) {
    case 0:
      if (index < tables[T_GLOBALS].length) return &globals()[index];
      break;
    case 2: {
      const ident_info& window = globals()[frame->window];
      if (index < window.word6) return &record_of(&window)->locals[index];
      break;
    }
    default:
      break;
  }
  internal_error(262, "ui");
}

ident_info* frame_module(ident_info* window, const call_frame* frame) {
  if (is_procedure_frame(frame)) return frame_procedure(frame);
  // A window without MENUs (the graphics window of a bare program) names itself.
  if (window->word6 == 0) return window;
  window_record* w = record_of(window);
  uint16_t main_menu = uint16_t(window->word8);
  if (main_menu >= window->word6 || w->locals[main_menu].kind != K_MENU) internal_error(262, "ui");
  ident_info* menu = &w->locals[main_menu];
  if (w->current_item <= menu->word6) return menu;
  if (window_menu_count(*window) >= 2 && w->current_tab_menu < window->word6)
    return &w->locals[w->current_tab_menu];
  internal_error(255, "ui");
}

ident_info* active_module(ident_info* window) { return frame_module(window, record_of(window)->top); }

void pop_stack(ident_info* window) {
  window_record* w = record_of(window);
  if (w->top == w->frames) internal_error(1265, "ui");
  --w->top;
  clear_breakpoint_position(window);
}

void release_locals(ident_info* context, ident_info* block, uint16_t count) {
  for (uint16_t i = 0; block != nullptr && i < count; ++i) {
    ident_info& local = block[i];
    if (local.flags1 & IDENT_KEEP_LOCAL) continue;
    if (is_owned_kind(local.kind)) free_owned(local.kind, &local.val);
    else if (is_array_kind(local.kind)) reset_array_size(context, &local, 0);
  }
  if (block != nullptr) CheckedFree(block);
}

void return_to_menu(ident_info* window) {
  window_record* w = record_of(window);
  while (w->top > w->frames) {
    ident_info* locals = w->top->locals;
    uint16_t count = w->top->local_count;
    pop_stack(window);
    release_locals(window, locals, count);
  }
  w->current_item = 0;
  w->current_element = 0;
}

// ---- Procedure calls ----

// A local's own copy of its template's initial value.
static void copy_initial_value(ident_info* local) {
  if (is_owned_kind(local->kind)) {
    local->val = copy_owned(local->kind, local->val);
  } else if (is_array_kind(local->kind)) {
    uint32_t n = local->word6;
    if (n == 0 || local->val.a == nullptr) {
      local->val.a = nullptr;
      local->word6 = 0;
      return;
    }
    value* block = checked_new_array<value>(n);
    int kind = local->kind - K_ARRAY;
    for (uint32_t i = 0; i < n; ++i)
      block[i] = is_owned_kind(kind) ? copy_owned(kind, local->val.a[i]) : local->val.a[i];
    local->val.a = block;
  }
}

// Moves the arguments from the stack into the locals: per parameter the
// local number on top, then the value, or the element count over the elements.
static void take_parameters(ident_info* context, ident_info* locals, uint16_t count, uint8_t p) {
  for (uint8_t i = 0; i < p; ++i) {
    if (used_slots() < 2) internal_error(4446, "ui");
    uint32_t number = (sp--)->u;
    if (number >= count) internal_error(4446, "ui");
    ident_info& local = locals[number];
    local.flags1 |= IDENT_PARAMETER;
    local.val = value{};
    if (!is_array_kind(local.kind)) {
      local.val = *sp--;
      if (!is_owned_kind(local.kind)) local.val = integer_value(local.val.i);
      continue;
    }
    local.word6 = 0;
    uint32_t n = (sp--)->u;
    if (n > used_slots()) internal_error(4447, "ui");
    value* first = sp - n + 1;
    if (reset_array_size(context, &local, n)) memcpy(local.val.a, first, n * sizeof(value));
    sp = first - 1;
  }
}

static void push_frame(ident_info* context, const call_frame& frame) {
  window_record* w = record_of(context);
  ptrdiff_t depth = w->top - w->frames;
  if (depth < 0 || depth > w->frame_capacity - 1) internal_error(4448, "ui");
  if (depth == w->frame_capacity - 1) {
    ++w->frame_capacity;
    w->frames = static_cast<call_frame*>(CheckedRealloc(w->frames, w->frame_capacity * sizeof(call_frame)));
    w->top = w->frames + depth;
  }
  *++w->top = frame;
}

const uint8_t* procedure_op(ident_info* context, const uint8_t* pc) {
  window_record* w = record_of(context);
  ident_ref ref = read_ref(pc);
  uint16_t frame_window = w->top->window;
  ident_info* procedure;
  uint16_t procedure_ref;
  if (ref.selector == 3) {
    ident_info* window = decode_ref(context, pc, 4440);
    if (!is_window_kind(window->kind) || ref.index >= window->word6) internal_error(4441, "ui");
    frame_window = index_of(window);
    procedure = &record_of(window)->locals[ref.index];
    procedure_ref = OTHER_WINDOW_PROCEDURE | ref.index;
  } else {
    procedure = resolve_ref(context, ref, 4440);
    procedure_ref = uint16_t(ref.selector << 14 | ref.index);
  }
  if (procedure->kind != K_PROCEDURE) internal_error(4442, "ui");
  uint8_t p = *pc++;
  uint16_t count = procedure->word6;
  ident_info* locals = nullptr;
  if (count == 0) {
    if (p != 0) internal_error(4443, "ui");
  } else {
    if (uint64_t(procedure->count) + count > tables[T_PROC_LOCALS].length) internal_error(4444, "ui");
    locals = checked_new_array<ident_info>(count);
    memcpy(locals, tables[T_PROC_LOCALS].as<ident_info>() + procedure->count, count * sizeof(ident_info));
    for (uint16_t i = 0; i < count; ++i) locals[i].flags1 &= uint8_t(~(IDENT_PARAMETER | IDENT_KEEP_LOCAL));
    take_parameters(context, locals, count, p);
    for (uint16_t i = 0; i < count; ++i)
      if (!(locals[i].flags1 & IDENT_PARAMETER)) copy_initial_value(&locals[i]);
  }
  if (w->frame_capacity == MAX_FRAMES) {
    release_locals(context, locals, count);
    error("Procedure calls nested too deeply", 0, context);
    return pc;
  }
  push_frame(context, call_frame{0, 0, procedure_ref, count, frame_window, pc, locals});
  clear_breakpoint_position(context);
  return statement_code(procedure->val.u);
}

static void print_overflow(const ident_info* local, const ident_info* variable) {
  fprintf(stderr, "%s '%s' current size=%u, max_size=%u, %s '%s' current size=%u, max_size=%u.\n",
          type_name(local->kind), name_of(local), unsigned(local->word6), unsigned(local->word2),
          type_name(variable->kind), name_of(variable), unsigned(variable->word6),
          unsigned(variable->word2));
}

const uint8_t* procedure_return_op(ident_info* context, const uint8_t*) {
  window_record* w = record_of(context);
  const call_frame frame = *w->top;
  pop_stack(context);
  const uint8_t* pc = frame.return_position;
  uint8_t pairs = *pc++;
  for (uint8_t i = 0; i < pairs; ++i) {
    ident_info* variable = decode_ref(context, pc, 4491);
    uint16_t number = get_u16(pc);
    pc += 2;
    if (number >= frame.local_count) internal_error(4492, "ui");
    ident_info& local = frame.locals[number];
    if (!is_array_kind(local.kind)) {
      local.flags1 |= IDENT_KEEP_LOCAL;
      change_variable(context, variable, local.val, true);
      continue;
    }
    if (local.word6 > variable->word2) {
      print_overflow(&local, variable);
      error("array overflow during PROCEDURE exit assignment", 0, context);
      continue;
    }
    local.flags1 |= IDENT_KEEP_LOCAL;
    reset_array_size(context, variable, 0);
    variable->val.a = local.val.a;
    variable->word6 = local.word6;
    local.val.a = nullptr;
    local.word6 = 0;
    process_variable_change(context, variable);
  }
  release_locals(context, frame.locals, frame.local_count);
  return pc;
}

// The sub-window's results into the caller's variables (value copies).
static const uint8_t* copy_results(ident_info* sub_window, ident_info* caller, const uint8_t* pc) {
  uint8_t pairs = *pc++;
  for (uint8_t i = 0; i < pairs; ++i) {
    ident_info* variable = decode_ref(caller, pc, 5306);
    uint16_t number = get_u16(pc);
    pc += 2;
    if (number >= sub_window->word6) internal_error(5307, "ui");
    ident_info* local = &record_of(sub_window)->locals[number];
    if (local->kind != variable->kind) internal_error(5310, "ui");
    if (!is_array_kind(local->kind)) {
      value v = is_owned_kind(local->kind) ? copy_owned(local->kind, local->val) : local->val;
      change_variable(caller, variable, v, true);
      continue;
    }
    if (local->word6 > variable->word2) {
      print_overflow(local, variable);
      error("array overflow during SUB_WINDOW exit assignment", 0, sub_window);
      continue;
    }
    int kind = local->kind - K_ARRAY;
    if (!reset_array_size(caller, variable, local->word6)) continue;
    for (uint32_t e = 0; e < local->word6; ++e)
      variable->val.a[e] = is_owned_kind(kind) ? copy_owned(kind, local->val.a[e]) : local->val.a[e];
    process_variable_change(caller, variable);
  }
  return pc;
}

const uint8_t* return_op(ident_info* context, const uint8_t*) {
  if (context->kind != K_SUB_WINDOW) internal_error(5294, "ui");
  window_record* w = record_of(context);
  if (w->calling_window == 0) internal_error(5295, "ui");
  if (w->calling_window == 1) return nullptr;
  ident_info* caller = &globals()[w->calling_window];
  window_record* c = record_of(caller);
  const uint8_t* pc = statement_code(c->resume_offset);
  if (c->call_flags & WR_WAITS_FOR_SUB_WINDOW) pc = copy_results(context, caller, pc);
  if (rterror) return nullptr;
  clear_queues(caller);
  w->state &= uint8_t(~WR_RUNNING);
  interpret_code(caller, pc, true);
  return nullptr;
}

// ---- Actions and re-entry ----

void start_action(ident_info* window, uint16_t source_index, uint16_t line, uint32_t code_offset,
                  uint16_t item, uint16_t element, bool action_flag, bool busy_main) {
  window_record* w = record_of(window);
  // The mark lives for this run only, so a suspended action cannot hold repaints.
  set_window_flag(window, WINDOW_BUSY_MAIN, busy_main);
  return_to_menu(window);
  check_text_fields(window);  // a failed field is reset and selected; the action runs all the same
  w->frames[0].source_position = source_index;
  w->frames[0].line = line;
  w->current_item = item;
  w->current_element = element;
  if (action_flag) w->state |= WR_ACTION_FLAG;
  else w->state &= uint8_t(~WR_ACTION_FLAG);
  // An open sub-window is cancelled first; the action then waits as re-entry.
  if (w->called_window != 0 && start_cancel_action(&globals()[w->called_window], window, code_offset)) {
    set_window_flag(window, WINDOW_BUSY_MAIN, false);
    return;
  }
  char text[320];
  if (timing_log_open()) {
    snprintf(text, sizeof text, "Starting action in item %d/%d of menu %s", item, element,
             name_of(active_module(window)));
    log_time(window, 0, text);
  }
  clear_queues(window);
  interpret_code(window, statement_code(code_offset), true);
  set_window_flag(window, WINDOW_BUSY_MAIN, false);
  if (timing_log_open()) {
    snprintf(text, sizeof text, "Action %s in item %d/%d of menu %s",
             w->resume_offset != 0 ? "interrupted" : "completed", item, element,
             name_of(active_module(window)));
    log_time(window, 0, text);
  }
}

bool start_if_active(ident_info* window, uint32_t length, uint32_t condition_offset,
                     uint32_t action_offset) {
  return_to_menu(window);
  if (length != 0) {
    uint64_t end = uint64_t(condition_offset) + length;
    if (end >= tables[T_CODE].length) internal_error(1280, "ui");
    interpret_code_to(window, condition_offset, uint32_t(end), true);
    if (rterror || used_slots() == 0) return false;
    if ((sp--)->i == 0) return false;
  }
  interpret_code(window, statement_code(action_offset), true);
  return true;
}

static const menu_item* cancel_item(ident_info* sub_window, uint16_t* number) {
  uint16_t index = cancel_menu_index(*sub_window);
  if (index >= sub_window->word6) internal_error(1395, "ui");
  const ident_info* menu = &record_of(sub_window)->locals[index];
  if (menu->kind != K_MENU) internal_error(1395, "ui");
  *number = menu->word4;
  if (*number == 0) internal_error(1396, "ui");
  uint64_t item = uint64_t(menu->count) + *number - 1;
  if (item >= tables[T_MENU_ITEMS].length) internal_error(1397, "ui");
  return &tables[T_MENU_ITEMS].as<menu_item>()[item];
}

bool start_cancel_action(ident_info* sub_window, ident_info* caller, uint32_t resume_offset) {
  if (!(sub_window->word2 & WINDOW_HAS_CANCEL)) return false;
  uint16_t number;
  const menu_item* item = cancel_item(sub_window, &number);
  window_record* s = record_of(sub_window);
  uint16_t recorded = s->calling_window;
  if (recorded != index_of(caller)) clear_queues(caller);
  if (recorded != 0) clear_queues(&globals()[recorded]);
  bool recorded_pop_up = recorded != 0 && (globals()[recorded].word2 & WINDOW_POP_UP);
  if ((sub_window->word2 & WINDOW_POP_UP) && !recorded_pop_up) {
    clear_calling_window();
    active_calling_window = index_of(caller);
  }
  if (resume_offset != 0) queue_re_entry(caller, resume_offset);
  return_to_menu(sub_window);
  s->calling_window = index_of(caller);
  record_of(caller)->called_window = index_of(sub_window);
  s->call_flags &= uint8_t(~WR_WAITS_FOR_SUB_WINDOW);
  s->frames[0].source_position = uint16_t(item->source_file + 1);
  s->frames[0].line = item->line;
  s->current_item = number;
  s->current_element = 0;
  s->state &= uint8_t(~WR_ACTION_FLAG);
  interpret_code(sub_window, statement_code(item->action_offset), true);
  return true;
}

void queue_re_entry(ident_info* window, uint32_t position) {
  window_record* w = record_of(window);
  w->resume_offset = position;
  w->state &= uint8_t(~WR_RUNNING);
  if (w->current_item != 0) {
    w->state |= WR_SUSPENDED_ITEM;
    queue_update(index_of(window));
  }
}

void re_enter(ident_info* window) {
  uint32_t offset = record_of(window)->resume_offset;
  clear_queues(window);
  interpret_code(window, statement_code(offset), true);
}

void clear_queues(ident_info* window) {
  for (uint32_t depth = 0; window != nullptr && depth <= n_windows_listed; ++depth) {
    uint16_t index = index_of(window);
    window_record* w = record_of(window);
    if (active_calling_window == index) active_calling_window = 0;
    w->resume_offset = 0;
    w->call_flags &= uint8_t(~WR_WAITS_FOR_SUB_WINDOW);
    if (index >= N_PREDEFINED && (w->state & WR_SUSPENDED_ITEM)) {
      w->state &= uint8_t(~WR_SUSPENDED_ITEM);
      queue_update(index);
    }
    drop_pick_requests(index);
    if (w->pending_request != -1) {
      set_window_busy(window, all_busy);
      window_record* main = record_of(&globals()[1]);
      if (window_flag(*window, WINDOW_BUSY_MAIN) && (main->call_flags & WR_BUSY_BY_REQUEST)) {
        set_window_busy(&globals()[1], all_busy);
        main->call_flags &= uint8_t(~WR_BUSY_BY_REQUEST);
      }
      w->pending_request = -1;
      application_request_dropped();
    }
    if (w->called_window == 0) return;
    ident_info* sub_window = &globals()[w->called_window];
    if (record_of(sub_window)->calling_window != index) internal_error(1370, "ui");
    record_of(sub_window)->calling_window = 0;
    w->called_window = 0;
    make_window_invisible(sub_window);
    window = sub_window;
  }
}

// ---- When-changed lists and change propagation ----

void execute_when_changed_statement_list(uint16_t owner, uint32_t* offset_slot) {
  uint32_t offset = *offset_slot;
  if (offset == 0 || offset == WC_RUNNING) return;
  if (owner >= tables[T_GLOBALS].length || !is_window_kind(globals()[owner].kind)) internal_error(1391, "ui");
  ident_info* window = &globals()[owner];
  call_frame* frame = record_of(window)->top;
  uint16_t saved_window = frame->window;
  frame->window = owner;
  *offset_slot = WC_RUNNING;
  interpret_code(window, statement_code(offset), false);
  // The run may have popped or pushed frames only in balance; the top is the same.
  record_of(window)->top->window = saved_window;
  if (*offset_slot == WC_RUNNING) *offset_slot = offset;
}

static void check_limit(ident_info* context, const ident_info* variable, uint32_t limit, const char* message) {
  if (variable->val.u > limit) error(message, 0, context);
}

void process_variable_change(ident_info* context, ident_info* variable) {
  if (!is_variable_kind(variable->kind)) internal_error(8994, "ui");
  ++variable->count;
  if (wc_ok && variable->code_offset != 0) execute_when_changed_statement_list(variable->word4, &variable->code_offset);
  if (variable->displays != nullptr) update_displaying_windows(variable);
  else if (variable->flags1 & IDENT_USED_BY_GUI3D) set_gui3d_update();  // shown by a manipulator only
  ident_info* predefined = globals();
  if (variable < predefined || variable >= predefined + N_PREDEFINED) return;
  switch (variable - predefined) {
    case 93: check_limit(context, variable, 0x1000001, "balloon_help_ink_color value out of range"); break;
    case 94: check_limit(context, variable, 0x1000001, "balloon_help_paper_color value out of range"); break;
    case 95: check_limit(context, variable, 17, "balloon_help_font value out of range"); break;
    case 96: check_limit(context, variable, 2047, "balloon_help_border_size value out of range"); break;
    case 101: set_overlay_line_update(); break;
    case 108: set_repaint(false); break;
    case 111:
      if (update_current_viewport()) set_repaint(false);
      break;
    default: break;
  }
}

void process_window_change(ident_info* window) {
  window_record* w = record_of(window);
  if (wc_ok) execute_when_changed_statement_list(w->wc_owner, &w->wc_offset);
  if (window->displays != nullptr) update_displaying_windows(window);
}

bool when_changed(uint32_t number) {
  if (number < 14 || number >= N_PREDEFINED || number >= tables[T_GLOBALS].length) return false;
  const ident_info& id = globals()[number];
  if (is_window_kind(id.kind)) return record_of(&id) != nullptr && record_of(&id)->wc_offset != 0;
  return id.code_offset != 0;
}

// Where a list is registered: a variable's own fields, or a window's record.
static void list_slot(ident_info* id, uint16_t** owner, uint32_t** offset) {
  if (is_window_kind(id->kind)) {
    *owner = &record_of(id)->wc_owner;
    *offset = &record_of(id)->wc_offset;
  } else {
    if (!is_variable_kind(id->kind)) internal_error(6640, "ui");
    *owner = &id->word4;
    *offset = &id->code_offset;
  }
}

const uint8_t* when_changed_op(ident_info* context, const uint8_t* pc) {
  ident_info* watched = decode_ref(context, pc, 6639);
  uint32_t continue_at = get_u32(pc);
  pc += 4;
  uint16_t owner = record_of(context)->top->window;
  uint32_t start = statement_offset(pc);
  uint16_t* owner_slot;
  uint32_t* offset_slot;
  list_slot(watched, &owner_slot, &offset_slot);
  if (*offset_slot != 0 && *offset_slot != WC_RUNNING && (*owner_slot != owner || *offset_slot != start)) {
    display_internal_info("YARL programming error. See stderr for details.", false);
    if (is_window_kind(watched->kind))
      fprintf(stderr,
              "\nProgramming information:\nduplicate WHEN_CHANGED assignment\nfor %s '%s' in %s '%s'. New one overrides.\n",
              type_name(watched->kind), name_of(watched), type_name(context->kind), name_of(context));
    else
      fprintf(stderr,
              "\nProgramming information:\nduplicate WHEN_CHANGED assignment\nfor %s variable '%s' in %s '%s'. New one overrides.\n\n",
              type_name(watched->kind), name_of(watched), type_name(context->kind), name_of(context));
  }
  *owner_slot = owner;
  *offset_slot = start;
  return statement_code(continue_at);
}

const uint8_t* end_when_op(ident_info* context, const uint8_t* pc) {
  ident_info* watched = decode_ref(context, pc, 3290);
  uint16_t* owner_slot;
  uint32_t* offset_slot;
  list_slot(watched, &owner_slot, &offset_slot);
  *owner_slot = 0;
  *offset_slot = 0;
  return pc;
}
