#include "runtime/interpreter.h"

#include <cstdio>
#include <cstring>

#include "base/internal_error.h"
#include "platform/posix_services.h"
#include "runtime/image_ops.h"
#include "runtime/material_ops.h"
#include "runtime/op_handlers.h"
#include "runtime/rendering_ops.h"
#include "runtime/run_time_errors.h"
#include "runtime/window_record.h"

op_handler op_proc[N_OPCODES];

value* sb;
value* se;
value* sp;
value* sm;

bool rterror;
bool wc_ok;
bool all_busy;

constexpr uint32_t STACK_STEP = 64;  // slots

static uint32_t* stack_sizes;
static uint32_t stack_sizes_capacity;
static uint32_t size_buffer_len;

struct op_entry {
  uint8_t opcode;
  op_handler handler;
};

// Installed by preset_const_expr_eval.
static const op_entry expression_handlers[] = {
    {0, add_angle_op},          {1, add_real_op},
    {3, ln_op},                 {4, or_op},
    {5, abs_op},                {6, and_op},
    {8, dup_op},                {10, max_op},
    {11, min_op},               {12, mod_op},
    {13, not_op},               {14, sin_op},
    {18, bit_xor_op},           {29, real_op},
    {31, sqrt_op},              {32, check_bounds_op},
    {34, angle_op},             {36, check_extended_bounds_op},
    {37, check_ranges_op},      {40, index_op},
    {43, concatenate_strings_op}, {46, div_real_op},
    {48, arcsin_op},            {49, mul_angle_real_op},
    {51, mark_stack_op},        {53, mul_real_op},
    {54, length_op},            {64, string_op},
    {75, integer_op},           {95, character_op},
    {96, mul_real_angle_op},    {102, stack_element_op},
    {104, substring_op},        {108, push_len_op},
    {119, stack_size_op},       {120, stack_slice_op},
    {124, sub_angle_op},        {125, sub_real_op},
    {134, div_angle_real_op},   {152, div_angle_op},
    {207, power_op},            {208, mul_integer_op},
    {209, div_integer_op},      {210, add_integer_op},
    {211, sub_integer_op},      {212, shl_op},
    {213, shr_op},              {214, bit_or_op},
    {215, bit_and_op},          {216, eq_op},
    {217, ge_op},               {218, gt_op},
    {219, le_op},               {220, lt_op},
    {221, ne_op},
};

// Installed by ini_tables; an opcode not listed stays un_op.
static const op_entry operation_handlers[] = {
    {2, if_op},
    {9, assign_array_op},
    {15, assign_array_element_op},
    {20, jump_op},
    {21, exit_op},
    {22, assign_scalar_op},
    {41, procedure_return_op},
    {44, debug_op},
    {45, value_op},
    {57, push_array_op},
    {59, return_op},
    {63, push_array_element_op},
    {68, address_op},
    {69, push_array_slice_op},
    {72, push_byte_op},
    {73, push_long_op},
    {74, push_0_string_op},
    {86, end_when_op},
    {87, push_16_string_op},
    {88, push_8_string_op},
    {94, push_var_op},
    {99, procedure_op},
    {100, push_short_op},
    {107, release_op},
    {129, push_picture_op},
    {143, when_changed_op},
    {198, reset_local_variables_op},
    // Application values, file streams and processes.
    {19, beep_op},
    {27, open_op},
    {28, read_op},
    {35, close_op},
    {47, write_op},
    {71, check_stream_op},
    {110, event_code_op},
    {115, report_tek_op},
    {116, save_image_op},
    {128, send_signal_op},
    {141, report_ascii_op},
    {150, start_process_op},
    {151, display_stderr_op},
    {174, set_stream_op},
    {203, read_application_value_op},
    // Rendering state.
    {98, get_light_op},
    {103, set_light_op},
    {173, gl_set_clipplane_op},
    {178, set_display_mode_op},
    {179, test_performance_op},
    {192, set_display_option_op},
    {136, get_material_op},
    {142, set_material_op},
};

static const char* const type_names[20] = {
    "REAL",         "ANGLE",         "INTEGER",         "BOOLEAN",
    "CHARACTER",    "STRING",        "PICTURE",         "*undeclared",
    "REAL-array",   "ANGLE-array",   "INTEGER-array",   "BOOLEAN-array",
    "CHARACTER-array", "STRING-array", "PICTURE-array", "*undeclared-array",
    "MENU",         "PROCEDURE",     "SUB_WINDOW",      "MENU_WINDOW",
};

const char* type_name(int kind) { return kind >= 0 && kind < 20 ? type_names[kind] : "?"; }

const char* name_of(const ident_info* ident) {
  // Names in table 9 are a length byte and the characters; the byte after
  // the name is the next name's length byte, so each is copied out.
  static char buffers[4][256];
  static int next;
  char* buffer = buffers[next++ & 3];
  buffer[0] = '\0';
  const uint8_t* name = ident != nullptr ? ident_name(*ident) : nullptr;
  if (name != nullptr) {
    memcpy(buffer, name + 1, name[0]);
    buffer[name[0]] = '\0';
  }
  return buffer;
}


static size_t picture_size(const uint8_t* picture) {
  uint16_t width, height;
  memcpy(&width, picture + 4, 2);
  memcpy(&height, picture + 6, 2);
  return 8 + size_t(4) * width * height;
}

value copy_owned(int kind, value v) {
  value copy{};
  if (v.raw == 0) return copy;
  if (kind == K_STRING) {
    copy.s = dup_chars(v.s);
  } else {
    size_t size = picture_size(v.p);
    copy.p = static_cast<uint8_t*>(CheckedMalloc(size));
    memcpy(copy.p, v.p, size);
  }
  return copy;
}

void free_owned(int, value* v) {
  if (v->raw != 0) CheckedFree(v->s);
  v->raw = 0;
}

void preset_const_expr_eval() {
  sb = checked_new_array<value>(STACK_STEP);
  se = sb + STACK_STEP - 1;
  sp = sb - 1;
  sm = sp;
  for (op_handler& h : op_proc) h = un_op;
  for (const op_entry& e : expression_handlers) op_proc[e.opcode] = e.handler;
  stack_sizes_capacity = 16;
  stack_sizes = checked_new_array<uint32_t>(stack_sizes_capacity);
  size_buffer_len = 0;
}

void ini_tables() {
  for (const op_entry& e : operation_handlers) op_proc[e.opcode] = e.handler;
}

void cleanup_const_expr_eval() {
  if (sb != nullptr) CheckedFree(sb);
  sb = se = sp = sm = nullptr;
  if (stack_sizes != nullptr) CheckedFree(stack_sizes);
  stack_sizes = nullptr;
  stack_sizes_capacity = size_buffer_len = 0;
}

// Keeps sp and sm at their slot numbers across the move.
static void resize_stack(uint32_t slots) {
  ptrdiff_t top = sp - sb, mark = sm - sb;
  sb = static_cast<value*>(CheckedRealloc(sb, slots * sizeof(value)));
  se = sb + slots - 1;
  sp = sb + top;
  sm = sb + mark;
}

void increase_stack() { resize_stack(uint32_t(se - sb + 1) + STACK_STEP); }

void allocate_stack_space(uint32_t n) {
  uint64_t needed = uint64_t(n) + used_slots();
  if (needed <= uint64_t(se - sb + 1)) return;
  if (needed > (1u << 26)) internal_error(8570, "evcx");
  resize_stack(uint32_t((needed + STACK_STEP) / STACK_STEP * STACK_STEP));
}

void push_stack_size(uint32_t used) {
  if (size_buffer_len == stack_sizes_capacity) {
    if (stack_sizes_capacity >= (1u << 20)) internal_error(8571, "evcx");
    stack_sizes_capacity *= 2;
    stack_sizes = static_cast<uint32_t*>(
        CheckedRealloc(stack_sizes, stack_sizes_capacity * sizeof(uint32_t)));
  }
  stack_sizes[size_buffer_len++] = used;
}

uint32_t pop_stack_size() {
  if (size_buffer_len == 0) internal_error(8572, "evcx");
  return stack_sizes[--size_buffer_len];
}

ident_info* resolve_ref(ident_info* context, ident_ref ref, int error_number) {
  if (ref.selector != 0 && (!is_window_kind(context->kind) || record_of(context) == nullptr))
    internal_error(error_number, "evcx");
  switch (ref.selector) {
    case 0:
      if (ref.index < tables[T_GLOBALS].length) return &globals()[ref.index];
      break;
    case 1: {
      const call_frame* frame = record_of(context)->top;
      if (ref.index < frame->local_count) return &frame->locals[ref.index];
      break;
    }
    case 2: {
      const ident_info& window = globals()[record_of(context)->top->window];
      if (ref.index < window.word6) return &record_of(&window)->locals[ref.index];
      break;
    }
    default:
      break;
  }
  internal_error(error_number, "evcx");
}

const uint8_t* un_op(ident_info*, const uint8_t* pc) {
  fprintf(stderr, "Bad op code %d at %d", pc[-1], int(statement_offset(pc - 1)));
  fflush(stderr);
  internal_error(63, "evcx");
}

// ---- Constants and jumps ----

const uint8_t* push_byte_op(ident_info*, const uint8_t* pc) {
  push_int(pc[0]);
  return pc + 1;
}

const uint8_t* push_short_op(ident_info*, const uint8_t* pc) {
  push_int(get_u16(pc));
  return pc + 2;
}

const uint8_t* push_long_op(ident_info*, const uint8_t* pc) {
  push_int(int32_t(get_u32(pc)));
  return pc + 4;
}

static const uint8_t* push_string(const uint8_t* text, uint32_t length) {
  value v{};
  v.s = static_cast<char*>(CheckedMalloc(length + 1));
  memcpy(v.s, text, length);
  v.s[length] = '\0';
  push_value(v);
  return text + length;
}

const uint8_t* push_0_string_op(ident_info*, const uint8_t* pc) { return push_string(pc, 0); }
const uint8_t* push_8_string_op(ident_info*, const uint8_t* pc) { return push_string(pc + 1, pc[0]); }
const uint8_t* push_16_string_op(ident_info*, const uint8_t* pc) {
  return push_string(pc + 2, get_u16(pc));
}

const uint8_t* push_picture_op(ident_info*, const uint8_t* pc) {
  uint32_t header = get_u32(pc);
  uint16_t width = get_u16(pc + 4), height = get_u16(pc + 6);
  size_t pixels = size_t(4) * width * height;
  value v{};
  v.p = static_cast<uint8_t*>(CheckedMalloc(8 + pixels));
  memcpy(v.p, &header, 4);
  memcpy(v.p + 4, &width, 2);
  memcpy(v.p + 6, &height, 2);
  memcpy(v.p + 8, pc + 8, pixels);
  push_value(v);
  return pc + 8 + pixels;
}

const uint8_t* if_op(ident_info*, const uint8_t* pc) {
  int32_t condition = (sp--)->i;
  return condition != 0 ? pc + 4 : statement_code(get_u32(pc));
}

const uint8_t* jump_op(ident_info*, const uint8_t* pc) { return statement_code(get_u32(pc)); }

const uint8_t* release_op(ident_info*, const uint8_t*) { return nullptr; }

// ---- The loop ----

constexpr int64_t BUSY_AFTER = 50;        // ticks of real time
constexpr int64_t SLOW_CPU = 50;          // ticks of processor time
constexpr uint64_t SLOW_INSTRUCTIONS = 2000;

static int64_t cpu_now() {
  cpu_ticks t = process_cpu_ticks();
  return t.user + t.system;
}

static void report_slow_run(ident_info* context, int64_t cpu, uint64_t instructions) {
  display_internal_info("Please simplify YARL code for better response times. See stderr for details.",
                        false);
  fprintf(stderr,
          "\nProgramming information:\n %g CPU seconds spent, %lu YARL instructions executed in\n"
          " %s '%s', ",
          double(cpu) / 100.0, static_cast<unsigned long>(instructions), type_name(context->kind),
          name_of(context));
  if (context != &globals()[1]) build_traceback(context, "time limit execeeded", true);
  fputs("\n Please simplify YARL code for better response times.\n\n", stderr);
}

void interpret_code(ident_info* context, const uint8_t* pc, bool window_code) {
  int64_t real_start = ticks();
  int64_t cpu_start = cpu_now();
  rterror = false;
  if (sp + 1 != sb) internal_error(8563, "evcx");
  if (window_code) {
    window_record* w = record_of(context);
    if (w->state & WR_RUNNING) error("Window code recursion", 0, context);
    w->state |= WR_RUNNING;
  }
  sm = sp;
  uint64_t instructions = 0;
  while (pc != nullptr && !rterror) {
    uint8_t opcode = *pc++;
    if (opcode >= 222) {
      push_int(opcode - 222);
    } else if (opcode == 158) {
      context = decode_ref(context, pc, 8599);
    } else {
      pc = op_proc[opcode](context, pc);
    }
    if ((++instructions & 1023) == 0 && !all_busy && ticks() - real_start > BUSY_AFTER)
      set_windows_busy(true);
  }
  if (rterror) {
    sp = sb - 1;
    size_buffer_len = 0;
  }
  if (instructions > SLOW_INSTRUCTIONS) {
    int64_t cpu = cpu_now() - cpu_start;
    if (cpu > SLOW_CPU) report_slow_run(context, cpu, instructions);
  }
  if (window_code) record_of(context)->state &= uint8_t(~WR_RUNNING);
  finish_stopped_run(context);
  wc_ok = true;
}
