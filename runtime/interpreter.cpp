#include "runtime/interpreter.h"

#include <cstdio>
#include <cstring>

#include "base/internal_error.h"
#include "platform/posix_services.h"
#include "runtime/file_ops.h"
#include "runtime/fused_forms.h"
#include "runtime/image_ops.h"
#include "runtime/material_ops.h"
#include "runtime/op_handlers.h"
#include "runtime/procedures.h"
#include "runtime/rendering_ops.h"
#include "runtime/run_time_errors.h"
#include "runtime/save_resources.h"
#include "runtime/variables.h"
#include "runtime/window_ops.h"
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
    // The partner connection and the Interface Builder.
    {70, connect_op},
    {109, disconnect_op},
    {182, interface_builder_op},
    // Rendering state.
    {98, get_light_op},
    {103, set_light_op},
    {173, gl_set_clipplane_op},
    {178, set_display_mode_op},
    {179, test_performance_op},
    {192, set_display_option_op},
    {136, get_material_op},
    {142, set_material_op},
    // Environment box, lens flares, fog, highlighting and GL queries.
    {160, get_environment_op},
    {168, set_environment_op},
    {169, set_lens_flares_op},
    {82, set_fog_op},
    {205, set_highlight_attributes_op},
    {52, gl_get_op},
    {200, available_display_mode_op},
    // Resource files.
    {148, save_defaults_op},
    {177, restore_defaults_op},
    // Windows.
    {25, main_op},
    {26, menu_op},
    {30, size_op},
    {56, pop_up_op},
    {58, resume_op},
    {61, size_x_op},
    {62, size_y_op},
    {76, overlay_op},
    {84, visible_op},
    {89, origin_x_op},
    {90, origin_y_op},
    {93, selected_op},
    {112, item_index_op},
    {118, sub_window_op},
    {123, current_tab_op},
    {131, x_window_id_op},
    {132, border_width_op},
    {137, main_initial_op},
    {146, item_geometry_op},
    {172, background_color_op},
    {195, cancel_sub_window_op},
    {196, set_win_attr_op},
    // Render-setup files.
    {155, read_tarq_room_op},
    {157, save_tarq_room_op},
    {161, read_tarq_light_op},
    {162, read_tarq_scene_op},
    {164, save_tarq_light_op},
    {165, save_tarq_scene_op},
    // Views and coordinates.
    {16, vpn_op},
    {17, vup_op},
    {33, zoom_op},
    {38, focus_op},
    {50, cursor_op},
    {60, rotate_op},
    {66, zoom_x_op},
    {67, zoom_y_op},
    {106, translate_op},
    {114, projection_op},
    {135, eye_position_op},
    {153, mirror_display_op},
    {170, viewport_size_x_op},
    {171, viewport_size_y_op},
    {185, rotate_reflection_op},
    {186, viewport_origin_x_op},
    {187, viewport_origin_y_op},
    {204, set_graph_attr_op},
    {206, change_graph_attr_op},
    {130, view_number_op},
    {127, screen_size_op},
    {159, bounding_cuboid_op},
    {138, model_to_tek_op},
    {149, screen_to_tek_op},
    {105, tek_to_3d_op},
    {201, create_view_dependency_op},
    {202, delete_view_dependency_op},
    {191, set_depth_of_field_op},
    {199, set_stereo_attributes_op},
    {193, set_transformation_op},
    // Display file, PostScript export, pictures and colours.
    {77, picture_op},
    {78, read_df_op},
    {81, save_df_op},
    {111, image_info_op},
    {139, modify_color_op},
    {145, font_pictures_op},
    {166, save_postscript_op},
    {188, convert_hls_to_rgb_op},
    {189, convert_rgb_to_hls_op},
    // Graphics input, selection and the button box.
    {156, screen_input_op},
    {163, screen_input_op},
    {176, screen_input_op},
    {183, screen_input_op},
    {184, screen_input_op},
    {194, abort_graphics_input_op},
    {85, drag_box_op},
    {167, select_geometry_op},
    {190, display_button_box_op},
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
  reset_fused_forms();
}

void ini_tables() {
  for (const op_entry& e : operation_handlers) op_proc[e.opcode] = e.handler;
}

void cleanup_const_expr_eval() {
  reset_fused_forms();
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

// An assignment that needs none of the change machinery: a global past the
// predefined ones, with no when-changed list, no window displaying it and no
// manipulator showing it. It still counts as a change.
static inline bool plain_global(const ident_info* v, const ident_info* g, uint32_t n_globals) {
  return v >= g + N_PREDEFINED && v < g + n_globals && v->kind < K_ARRAY && v->code_offset == 0 &&
         v->displays == nullptr && !(v->flags1 & IDENT_USED_BY_GUI3D);
}

static inline void assign_plain(ident_info* v, value x) {
  if (is_owned_kind(v->kind)) {
    if (v->val.raw == x.raw) return;
    if (v->val.raw != 0) CheckedFree(v->val.s);
    v->val = x;
  } else {
    if (v->val.u == x.u) return;
    v->val = integer_value(x.i);
  }
  ++v->count;
}

[[noreturn]] static void null_string_pushed(const ident_info* variable) {
  fprintf(stderr, "Error - string pointer is NULL.\n        String variable '%s'.\n", name_of(variable));
  internal_error(4678, "ui");
}

static value concatenated(const char* a, const char* b) {
  size_t la = strlen(a), lb = strlen(b);
  value v{};
  v.s = static_cast<char*>(CheckedMalloc(la + lb + 1));
  memcpy(v.s, a, la);
  memcpy(v.s + la, b, lb + 1);
  return v;
}

// Direct-threaded: every handler ends in its own dispatch. The stack top
// lives in `top` and is written back to sp around every out-of-line call.
// The opcodes run here keep their op_proc entries for the table's sake.
void interpret_code(ident_info* context, const uint8_t* pc, bool window_code) {
#define E(n)                                                                                     \
  ((n) >= 222   ? &&op_constant                                                                  \
   : (n) == 2   ? &&op_if                                                                        \
   : (n) == 20  ? &&op_jump                                                                      \
   : (n) == 22  ? &&op_assign_scalar                                                             \
   : (n) == 72  ? &&op_push_byte                                                                 \
   : (n) == 73  ? &&op_push_long                                                                 \
   : (n) == 94  ? &&op_push_var                                                                  \
   : (n) == 100 ? &&op_push_short                                                                \
   : (n) == 107 ? &&op_release                                                                   \
   : (n) == 158 ? &&op_context                                                                   \
   : (n) == 210 ? &&op_add_integer                                                               \
   : (n) == 211 ? &&op_sub_integer                                                               \
   : (n) == 216 ? &&op_eq                                                                        \
   : (n) == 217 ? &&op_ge                                                                        \
   : (n) == 218 ? &&op_gt                                                                        \
   : (n) == 219 ? &&op_le                                                                        \
   : (n) == 220 ? &&op_lt                                                                        \
   : (n) == 221 ? &&op_ne                                                                        \
                : &&op_call)
#define E4(n) E(n), E(n + 1), E(n + 2), E(n + 3)
#define E16(n) E4(n), E4(n + 4), E4(n + 8), E4(n + 12)
#define E64(n) E16(n), E16(n + 16), E16(n + 32), E16(n + 48)
  static void* const dispatch[256] = {E64(0), E64(64), E64(128), E64(192)};
#undef E64
#undef E16
#undef E4
#undef E
  static void* const fused[N_FUSED_KINDS] = {
      &&fused_eq_if,      &&fused_ne_if,      &&fused_lt_if, &&fused_le_if,        &&fused_gt_if,
      &&fused_ge_if,      &&fused_add_assign, &&fused_sub_assign, &&fused_concat_assign,
  };

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
  follow_statement_code();
  ident_info* const g = globals();
  const uint32_t n_globals = tables[T_GLOBALS].length;
  uint64_t instructions = 0;
  uint64_t next_check = 1024;  // the busy check runs every 1024 instructions
  value* top = sp;
  fused_form* f = nullptr;
  uint32_t done_instructions = 0;
  value x{};

#define PUSH(v)                   \
  do {                            \
    if (++top > se) {             \
      sp = top;                   \
      increase_stack();           \
      top = sp;                   \
    }                             \
    *top = (v);                   \
  } while (0)
#define NEXT(n)                                      \
  do {                                               \
    instructions += (n);                             \
    if (instructions >= next_check) goto busy_check; \
    goto* dispatch[*pc++];                           \
  } while (0)
// An inline comparison of INTEGERs; other kinds go to the handler.
#define COMPARE(holds)                 \
  do {                                 \
    if (pc[0] != K_INTEGER) goto op_call; \
    int32_t r = top->i;                \
    --top;                             \
    int32_t l = top->i;                \
    (void)l;                           \
    (void)r;                           \
    set_int(top, (holds));             \
    pc += 1;                           \
    NEXT(1);                           \
  } while (0)
// Goes on at the next form directly where the sequence leads to one.
#define FUSED_IF(holds)                                              \
  do {                                                               \
    int32_t l = f->left->val.i;                                      \
    int32_t r = f->right != nullptr ? f->right->val.i : f->constant; \
    if (holds) {                                                     \
      pc = f->next;                                                  \
      f = linked_form(&f->next_form, pc);                            \
    } else {                                                         \
      pc = f->branch;                                                \
      f = linked_form(&f->branch_form, pc);                          \
    }                                                                \
    done_instructions = 4;                                           \
    goto fused_next;                                                 \
  } while (0)

  if (pc == nullptr || rterror) goto done;
  goto* dispatch[*pc++];

op_constant:
  PUSH(integer_value(pc[-1] - 222));
  NEXT(1);
op_push_byte:
  PUSH(integer_value(pc[0]));
  pc += 1;
  NEXT(1);
op_push_short:
  PUSH(integer_value(get_u16(pc)));
  pc += 2;
  NEXT(1);
op_push_long:
  PUSH(integer_value(int32_t(get_u32(pc))));
  pc += 4;
  NEXT(1);
op_push_var: {
  f = fused_form_at(pc - 1);
  if (f != nullptr) {
    --pc;  // forms start at their first opcode, also when one leads to the next
    goto* fused[f->kind];
  }
plain_push_var:
  ident_ref ref = read_ref(pc);
  ident_info* v = ref.selector == 0 && ref.index < n_globals ? &g[ref.index] : resolve_ref(context, ref, 4670);
  if (is_owned_kind(v->kind)) {
    if (v->kind == K_STRING && v->val.s == nullptr) null_string_pushed(v);
    PUSH(copy_owned(v->kind, v->val));
  } else {
    PUSH(v->val);
  }
  NEXT(1);
}
op_assign_scalar: {
  ident_ref ref = read_ref(pc);
  ident_info* v = ref.selector == 0 && ref.index < n_globals ? &g[ref.index] : resolve_ref(context, ref, 2796);
  x = *top--;
  if (plain_global(v, g, n_globals)) {
    assign_plain(v, x);
    NEXT(1);
  }
  sp = top;
  change_variable(context, v, x, true);
  top = sp;
  if (rterror) {
    ++instructions;
    goto done;
  }
  NEXT(1);
}
op_if: {
  int32_t condition = (top--)->i;
  pc = condition != 0 ? pc + 4 : statement_code(get_u32(pc));
  NEXT(1);
}
op_jump:
  pc = statement_code(get_u32(pc));
  NEXT(1);
op_add_integer:
  --top;
  set_int(top, int32_t(top[0].u + top[1].u));
  NEXT(1);
op_sub_integer:
  --top;
  set_int(top, int32_t(top[0].u - top[1].u));
  NEXT(1);
  // The comparisons, each as a plain opcode and as the fused compare-and-branch.
#define COMPARISONS(X) X(eq, ==) X(ne, !=) X(lt, <) X(le, <=) X(gt, >) X(ge, >=)
#define COMPARISON_HANDLERS(name, op) \
  op_##name:                          \
  COMPARE(l op r);                    \
  fused_##name##_if:                  \
  FUSED_IF(l op r);
  COMPARISONS(COMPARISON_HANDLERS)
#undef COMPARISON_HANDLERS
#undef COMPARISONS
op_context:
  context = decode_ref(context, pc, 8599);
  NEXT(1);
op_release:
  ++instructions;
  goto done;
op_call:
  sp = top;
  pc = op_proc[pc[-1]](context, pc);
  top = sp;
  if (pc == nullptr || rterror) {
    ++instructions;
    goto done;
  }
  NEXT(1);

fused_add_assign:
  x = integer_value(int32_t(f->left->val.u + uint32_t(f->right != nullptr ? f->right->val.i : f->constant)));
  goto fused_assign;
fused_sub_assign:
  x = integer_value(int32_t(f->left->val.u - uint32_t(f->right != nullptr ? f->right->val.i : f->constant)));
  goto fused_assign;
fused_concat_assign:
  if (f->left->val.s == nullptr || f->right->val.s == nullptr) {
    ++pc;
    goto plain_push_var;
  }
  x = concatenated(f->left->val.s, f->right->val.s);
fused_assign:
  if (plain_global(f->assigned, g, n_globals)) {
    assign_plain(f->assigned, x);
  } else {
    sp = top;
    change_variable(context, f->assigned, x, true);
    top = sp;
    if (rterror) {
      // The run ends at the assignment: the sequence's jump, if any, is not taken.
      instructions += 4;
      goto done;
    }
  }
  pc = f->next;
  done_instructions = f->instructions;
  f = linked_form(&f->next_form, pc);
fused_next:
  instructions += done_instructions;
  if (instructions >= next_check) goto busy_check;
  if (f != nullptr) goto* fused[f->kind];
  goto* dispatch[*pc++];

busy_check:
  next_check = (instructions | 1023) + 1;
  if (!all_busy && ticks() - real_start > BUSY_AFTER) {
    sp = top;
    set_windows_busy(true);
    top = sp;
  }
  goto* dispatch[*pc++];

done:
  sp = top;
  if (instructions >= next_check && !all_busy && ticks() - real_start > BUSY_AFTER) set_windows_busy(true);
#undef PUSH
#undef NEXT
#undef COMPARE
#undef FUSED_IF
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

void interpret_code_to(ident_info* context, uint32_t offset, uint32_t end, bool window_code) {
  uint8_t* code = tables[T_CODE].as<uint8_t>();
  uint8_t saved = code[end];
  code[end] = 107;  // release
  suspend_fused_forms();
  interpret_code(context, code + offset, window_code);
  resume_fused_forms();
  code[end] = saved;
}
