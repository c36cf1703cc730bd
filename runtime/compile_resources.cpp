#include "runtime/compile_resources.h"

#include <algorithm>
#include <cstring>

#include "base/checked_mm.h"
#include "runtime/read_resources.h"
#include "runtime/window_record.h"

namespace opcode {
constexpr uint8_t ASSIGN_ARRAY = 9, ASSIGN_SCALAR = 22, CONCATENATE = 43, PUSH_BYTE = 72, PUSH_LONG = 73,
                  PUSH_0_STRING = 74, PUSH_16_STRING = 87, PUSH_8_STRING = 88, PUSH_SHORT = 100, RELEASE = 107,
                  CONTEXT = 158, SET_WIN_ATTR = 196, CONSTANT_0 = 222;
}
// The attribute bytes of SET_WIN_ATTR, by resource attribute.
static const uint8_t attribute_codes[N_RESOURCE_ATTRIBUTES] = {89, 90, 61, 62};
constexpr uint32_t MAX_STRING_PIECE = 65535;  // the longest push: a 16-bit length
constexpr uint32_t MAX_REFERENCE_INDEX = 0x1FFF;

static uint8_t* room(table* code, size_t n) {
  if (code->length + n + 1 > code->capacity) table_expand(code, uint32_t(n));
  uint8_t* at = code->as<uint8_t>() + code->length;
  code->length += uint32_t(n);
  return at;
}

static void emit(table* code, uint8_t byte) { *room(code, 1) = byte; }

static void emit_u16(table* code, uint32_t w) {
  uint8_t* at = room(code, 2);
  at[0] = uint8_t(w >> 8);
  at[1] = uint8_t(w);
}

static void emit_reference(table* code, int selector, uint32_t index) {
  if (index <= 31)
    emit(code, uint8_t(selector << 6 | 0x20 | index));
  else
    emit_u16(code, uint32_t(selector) << 14 | index);
}

static void push_value(table* code, uint32_t v) {
  if (v <= 33) {
    emit(code, uint8_t(opcode::CONSTANT_0 + v));
  } else if (v <= 255) {
    emit(code, opcode::PUSH_BYTE);
    emit(code, uint8_t(v));
  } else if (v <= 65535) {
    emit(code, opcode::PUSH_SHORT);
    emit_u16(code, v);
  } else {
    emit(code, opcode::PUSH_LONG);
    emit_u16(code, v >> 16);
    emit_u16(code, v & 0xFFFF);
  }
}

// A string longer than one push goes in pieces joined by CONCATENATE.
static void push_string(table* code, const char* s) {
  size_t length = s != nullptr ? strlen(s) : 0;
  if (length == 0) return emit(code, opcode::PUSH_0_STRING);
  if (length <= 255) {
    emit(code, opcode::PUSH_8_STRING);
    emit(code, uint8_t(length));
    memcpy(room(code, length), s, length);
    return;
  }
  for (size_t at = 0; at < length; at += MAX_STRING_PIECE) {
    size_t piece = std::min<size_t>(MAX_STRING_PIECE, length - at);
    emit(code, opcode::PUSH_16_STRING);
    emit_u16(code, uint32_t(piece));
    memcpy(room(code, piece), s + at, piece);
    if (at != 0) emit(code, opcode::CONCATENATE);
  }
}

static bool has_any_resource_attribute(const ident_info& window) {
  for (int a = 0; a < N_RESOURCE_ATTRIBUTES; ++a)
    if (has_resource_attribute(window, a)) return true;
  return false;
}

static void compile_window(table* code, ident_info* window, uint32_t index) {
  if (index == 1 || (index >= N_PREDEFINED && has_any_resource_attribute(*window))) {
    for (int a = 0; a < N_RESOURCE_ATTRIBUTES; ++a) {
      int32_t v = window_geometry(window, a);
      if (v <= (a >= RA_SIZE_X ? 1 : 0)) continue;
      push_value(code, uint32_t(v));
      emit(code, opcode::SET_WIN_ATTR);
      emit_reference(code, 0, index);
      emit(code, attribute_codes[a]);
    }
  }
  if (index < N_PREDEFINED) return;
  emit(code, opcode::CONTEXT);
  emit_reference(code, 0, index);
  ident_info* locals = tables[T_WINDOW_LOCALS].as<ident_info>() + window->count;
  compile_resources(locals, locals + window->word6, 2, code);
}

static void compile_variable(table* code, const ident_info& id, int selector, uint32_t index) {
  if (id.kind <= K_STRING) {
    if (id.kind == K_STRING)
      push_string(code, id.val.s);
    else
      push_value(code, id.val.u);
    emit(code, opcode::ASSIGN_SCALAR);
  } else if (id.kind >= K_ARRAY + K_REAL && id.kind <= K_ARRAY + K_STRING) {
    for (uint32_t e = 0; e < id.word6; ++e) {
      if (id.kind == K_ARRAY + K_STRING)
        push_string(code, id.val.a[e].s);
      else
        push_value(code, id.val.a[e].u);
    }
    emit(code, opcode::ASSIGN_ARRAY);
  } else {
    return;  // PICTURE values are not sent
  }
  emit_reference(code, selector, index);
}

void compile_resources(ident_info* first, ident_info* last, int selector, table* code) {
  // Selector 0 counts from the first global, selector 2 from the window's first local.
  const ident_info* base = selector == 0 ? globals() : first;
  for (ident_info* id = first; id < last; ++id) {
    uint32_t index = uint32_t(id - base);
    if (index > MAX_REFERENCE_INDEX) break;  // no reference reaches further
    if (selector == 0 && is_window_kind(id->kind))
      compile_window(code, id, index);
    else if (is_variable_kind(id->kind) && (id->word8 & IDENT_RESOURCE))
      compile_variable(code, *id, selector, index);
  }
  if (selector == 0) emit(code, opcode::RELEASE);
}
