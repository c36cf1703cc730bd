#include "runtime/variables.h"

#include <cstdio>
#include <cstring>

#include "base/internal_error.h"
#include "runtime/encode_value.h"
#include "runtime/interpreter.h"
#include "runtime/op_handlers.h"
#include "runtime/procedures.h"
#include "runtime/qob.h"
#include "runtime/run_time_errors.h"
#include "runtime/window_record.h"
#include "toolkit/ui_app_context.h"

static uint32_t max_length(const ident_info* array) { return array->word2; }

bool change_variable(ident_info* context, ident_info* variable, value v, bool move_pointer) {
  if (is_owned_kind(variable->kind)) {
    if (variable->val.raw == v.raw) return false;
    if (variable->val.raw != 0) CheckedFree(variable->val.s);
    variable->val = v;
  } else {
    if (variable->val.u == v.u) return false;
    variable->val = integer_value(v.i);
    // Assigning the pointer position (predefined 511, 512) moves the pointer.
    ident_info* position = &globals()[511];
    if (move_pointer && AppContext != nullptr && (variable == position || variable == position + 1))
      AppContext->move_pointer(short(position[0].val.i), short(position[1].val.i));
  }
  process_variable_change(context, variable);
  return true;
}

static void print_element_line(const ident_info* variable, const char* tail) {
  fprintf(stderr, "%s '%s' current size=%u, %s.\n", type_name(variable->kind), name_of(variable),
          unsigned(variable->word6), tail);
}

bool assign_array_element(ident_info* context, ident_info* variable, uint32_t index, value v) {
  int kind = variable->kind - K_ARRAY;
  uint32_t size = variable->word6;
  if (index > size) {
    char tail[40];
    snprintf(tail, sizeof tail, "index=%u", index);
    print_element_line(variable, tail);
    error("store into non-existent array element", 0, context);
    index = size;
  }
  if (index == size) {
    if (size >= max_length(variable)) {
      error("store into non-existent array element", 0, context);
      if (is_owned_kind(kind)) free_owned(kind, &v);
      return false;
    }
    variable->val.a = size == 0 ? checked_new_array<value>(1)
                                : static_cast<value*>(CheckedRealloc(variable->val.a, (size + 1) * sizeof(value)));
    variable->val.a[size] = value{};
    variable->word6 = uint16_t(size + 1);
  } else if (is_owned_kind(kind)) {
    free_owned(kind, &variable->val.a[index]);
  } else if (variable->val.a[index].u == v.u) {
    return false;
  }
  variable->val.a[index] = is_owned_kind(kind) ? v : integer_value(v.i);
  process_variable_change(context, variable);
  return true;
}

bool reset_array_size(ident_info* context, ident_info* variable, uint32_t n) {
  if (n > max_length(variable)) {
    char message[200];
    snprintf(message, sizeof message,
             "Array assignment (%u elements) exceeds maximum array length (%u elements), variable '%s'",
             n, max_length(variable), name_of(variable));
    error(message, 0, context);
    return false;
  }
  int kind = variable->kind - K_ARRAY;
  uint32_t size = variable->word6;
  if (is_owned_kind(kind))
    for (uint32_t i = 0; i < size; ++i) free_owned(kind, &variable->val.a[i]);
  if (size != n) {
    if (variable->val.a != nullptr) CheckedFree(variable->val.a);
    variable->val.a = n == 0 ? nullptr : checked_new_array<value>(n);
    variable->word6 = uint16_t(n);
  }
  if (n != 0) memset(variable->val.a, 0, n * sizeof(value));
  return true;
}

void extend_array(ident_info* context, ident_info* variable, uint32_t n) {
  if (variable->kind < K_ARRAY + K_REAL || variable->kind > K_ARRAY + K_CHARACTER)
    internal_error(519, "ui");
  uint32_t size = variable->word6;
  if (n <= size || n > max_length(variable)) internal_error(521, "ui");
  value* grown = checked_new_array<value>(n);
  if (size != 0) {
    memcpy(grown, variable->val.a, size * sizeof(value));
    CheckedFree(variable->val.a);
  }
  memset(grown + size, 0, (n - size) * sizeof(value));
  variable->val.a = grown;
  variable->word6 = uint16_t(n);
  process_variable_change(context, variable);
}

bool assign_edit_var(ident_info* context, uint32_t code_offset, uint8_t code_length, int32_t index,
                     value v, uint16_t reference) {
  ident_info* variable = nullptr;
  uint16_t i = reference & 0x1FFF;
  switch (reference >> 14) {
    case 0:
      if (i < tables[T_GLOBALS].length) variable = &globals()[i];
      break;
    case 2: {
      const ident_info& window = globals()[record_of(context)->frames[0].window];
      if (i < window.word6) variable = &record_of(&window)->locals[i];
      break;
    }
    default:
      break;
  }
  if (variable == nullptr) internal_error(7547, "ui");
  if (code_length != 0) {
    uint64_t end = uint64_t(code_offset) + code_length;
    if (end >= tables[T_CODE].length) internal_error(7548, "ui");
    interpret_code_to(context, code_offset, uint32_t(end), false);
    if (rterror) return false;
    index = int16_t((sp--)->i);
  } else if (!is_array_kind(variable->kind)) {
    return change_variable(context, variable, v, true);
  } else {
    index -= 1;
  }
  if (!is_array_kind(variable->kind)) return change_variable(context, variable, v, true);
  return assign_array_element(context, variable, uint32_t(index), v);
}

uint32_t find_var(const char* name, int table_number, uint32_t first, uint32_t count) {
  const table& t = tables[table_number];
  ident_info* idents = t.as<ident_info>();
  for (uint32_t i = first; i < t.length && i - first < count; ++i) {
    if (strcmp(name_of(&idents[i]), name) != 0) continue;
    if (!is_variable_kind(idents[i].kind) || (idents[i].flags1 & IDENT_HIDDEN)) return 0;
    return uint32_t(table_number) << 30 | i;
  }
  return 0;
}

void push_conversion(int kind, value v) {
  if (kind == K_STRING) {
    push_value(copy_owned(K_STRING, v));
    if (sp->raw == 0) sp->s = dup_chars("");
    return;
  }
  char text[ENCODE_BUFFER_SIZE];
  encode_value(text, kind, v);
  value s{};
  s.s = dup_chars(text);
  push_value(s);
}

void destroy_variables(int table_number) {
  table& t = tables[table_number];
  ident_info* idents = t.as<ident_info>();
  for (uint32_t i = 0; i < t.length; ++i) {
    ident_info& id = idents[i];
    if (is_owned_kind(id.kind)) {
      free_owned(id.kind, &id.val);
    } else if (is_array_kind(id.kind) && id.val.a != nullptr) {
      int kind = id.kind - K_ARRAY;
      if (is_owned_kind(kind))
        for (uint32_t e = 0; e < id.word6; ++e) free_owned(kind, &id.val.a[e]);
      CheckedFree(id.val.a);
      id.val.a = nullptr;
      id.word6 = 0;
    }
  }
}

// ---- Operations ----

static value pushed_copy(int kind, value v) { return is_owned_kind(kind) ? copy_owned(kind, v) : v; }

const uint8_t* push_var_op(ident_info* context, const uint8_t* pc) {
  ident_info* variable = decode_ref(context, pc, 4670);
  if (variable->kind == K_STRING && variable->val.s == nullptr) {
    fprintf(stderr, "Error - string pointer is NULL.\n        String variable '%s'.\n", name_of(variable));
    internal_error(4678, "ui");
  }
  push_value(pushed_copy(variable->kind, variable->val));
  return pc;
}

const uint8_t* assign_scalar_op(ident_info* context, const uint8_t* pc) {
  ident_info* variable = decode_ref(context, pc, 2796);
  value v = *sp--;
  change_variable(context, variable, v, true);
  return pc;
}

static void push_elements(const ident_info* variable, uint32_t first, uint32_t count) {
  int kind = variable->kind - K_ARRAY;
  allocate_stack_space(count);
  for (uint32_t i = first; i < first + count; ++i) *++sp = pushed_copy(kind, variable->val.a[i]);
}

const uint8_t* push_array_op(ident_info* context, const uint8_t* pc) {
  ident_info* variable = decode_ref(context, pc, 4561);
  push_elements(variable, 0, variable->word6);
  return pc;
}

const uint8_t* push_array_element_op(ident_info* context, const uint8_t* pc) {
  ident_info* variable = decode_ref(context, pc, 4528);
  int32_t index = sp->i;
  if (uint32_t(index) < variable->word6) {
    *sp = pushed_copy(variable->kind - K_ARRAY, variable->val.a[index]);
    return pc;
  }
  char tail[40];
  snprintf(tail, sizeof tail, "index=%ld", long(index));
  print_element_line(variable, tail);
  error("Attempt to load non-existent array element", 0, context);
  set_int(sp, 0);
  return pc;
}

const uint8_t* push_array_slice_op(ident_info* context, const uint8_t* pc) {
  ident_info* variable = decode_ref(context, pc, 4604);
  int32_t last = sp[0].i, first = sp[-1].i;
  sp -= 2;
  char tail[80];
  snprintf(tail, sizeof tail, "first index=%ld, last index=%ld", long(first), long(last));
  const char* fault = nullptr;
  if (last < first) {
    if (int64_t(first) == int64_t(last) + 1) return pc;
    fault = "first index > last index+1 in array slice";
  } else if (first < 0 || last < 0) {
    fault = "Array slice start/end < declared lower bound";
  } else if (uint32_t(last) >= variable->word6) {
    fault = "Attempt to access non-existent array element";
  }
  if (fault != nullptr) {
    print_element_line(variable, tail);
    error(fault, 0, context);
    return pc;
  }
  push_elements(variable, uint32_t(first), uint32_t(last - first + 1));
  return pc;
}

const uint8_t* assign_array_element_op(ident_info* context, const uint8_t* pc) {
  ident_info* variable = decode_ref(context, pc, 2780);
  value v = sp[0];
  int32_t index = sp[-1].i;
  sp -= 2;
  assign_array_element(context, variable, uint32_t(index), v);
  return pc;
}

const uint8_t* assign_array_op(ident_info* context, const uint8_t* pc) {
  ident_info* variable = decode_ref(context, pc, 2760);
  uint32_t n = used_slots();
  if (!reset_array_size(context, variable, n)) return pc;
  int kind = variable->kind - K_ARRAY;
  for (uint32_t i = 0; i < n; ++i) variable->val.a[i] = is_owned_kind(kind) ? sb[i] : integer_value(sb[i].i);
  sp = sb - 1;
  process_variable_change(context, variable);
  return pc;
}

constexpr uint32_t NO_SOURCE_FILE = 2000;

const uint8_t* address_op(ident_info*, const uint8_t* pc) {
  int32_t number = (sp--)->i;
  value name = *sp;
  uint32_t reference = 0;
  if (uint32_t(number - 1) != NO_SOURCE_FILE) {
    for (uint32_t i = 0; reference == 0 && windows != nullptr && i < n_windows_listed; ++i) {
      const ident_info& window = globals()[windows[i]];
      if ((window.source_position & 0xFFF) == uint32_t(number - 1))
        reference = find_var(name.s, T_WINDOW_LOCALS, window.count, window.word6);
    }
  }
  ident_info* stopped = stopped_context();
  if (reference == 0 && stopped != nullptr) {
    const ident_info& window = globals()[record_of(stopped)->top->window];
    reference = find_var(name.s, T_WINDOW_LOCALS, window.count, window.word6);
  }
  if (reference == 0) reference = find_var(name.s, T_GLOBALS, 1, tables[T_GLOBALS].length - 1);
  free_owned(K_STRING, &name);
  set_int(sp, int32_t(reference));
  return pc;
}

const uint8_t* value_op(ident_info* context, const uint8_t* pc) {
  uint32_t reference = (sp--)->u;
  if (reference == 0) return pc;
  uint32_t table_number = reference >> 30, index = reference & 0x3FFFFFF;
  ident_info* variable = nullptr;
  if ((table_number == 0 || table_number == 2) && index < tables[table_number].length)
    variable = &tables[table_number].as<ident_info>()[index];
  int kind = variable != nullptr && is_array_kind(variable->kind) ? variable->kind - K_ARRAY
                                                                    : variable != nullptr ? variable->kind : -1;
  if (kind < 0 || kind > K_STRING) {
    error("Incorrect VALUE argument", 0, context);
    return pc;
  }
  if (!is_array_kind(variable->kind)) {
    push_conversion(kind, variable->val);
    return pc;
  }
  allocate_stack_space(variable->word6);
  for (uint32_t i = 0; i < variable->word6; ++i) push_conversion(kind, variable->val.a[i]);
  return pc;
}

const uint8_t* reset_local_variables_op(ident_info* context, const uint8_t* pc) {
  ident_info* window = &globals()[record_of(context)->top->window];
  wc_ok = false;
  interpret_code(window, tables[T_WINDOW_INITIAL_CODE].as<uint8_t>() + window->code_offset, false);
  return pc;
}
