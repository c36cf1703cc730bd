// The YARL interpreter: the opcode table, the operand stack and the loop
// that runs compiled code.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

// Every handler: (context, position after the opcode) -> next position, or
// null to end the run. Operands stand inline, multi-byte ones big-endian.
using op_handler = const uint8_t* (*)(ident_info* context, const uint8_t* pc);

constexpr int N_OPCODES = 242;
extern op_handler op_proc[N_OPCODES];

// The operand stack: sb the first slot, se the last usable one, sp the top
// (sb - 1 when empty), sm the mark. STRING and PICTURE slots own their block.
extern value* sb;
extern value* se;
extern value* sp;
extern value* sm;

extern bool rterror;   // a run-time error was raised in this run
extern bool wc_ok;     // when-changed lists may run
extern bool all_busy;  // all windows are shown busy

void preset_const_expr_eval();
void ini_tables();
void cleanup_const_expr_eval();

// Runs code for `context` until it ends or a run-time error is raised.
// window_code: the code of a window (its running mark guards recursion).
void interpret_code(ident_info* context, const uint8_t* code, bool window_code);
// Runs statement code from `offset` as if the byte at `end` were a release:
// the conditions and index expressions of items end behind them.
void interpret_code_to(ident_info* context, uint32_t offset, uint32_t end, bool window_code);

void increase_stack();
void allocate_stack_space(uint32_t n);

inline uint32_t used_slots() { return uint32_t(sp + 1 - sb); }

inline void push_value(value v) {
  if (++sp > se) increase_stack();
  *sp = v;
}
inline void push_int(int32_t i) { push_value(integer_value(i)); }
inline void push_real(float r) {
  value v{};
  v.r = r;
  push_value(v);
}
inline void set_int(value* slot, int32_t i) { *slot = integer_value(i); }
inline void set_real(value* slot, float r) {
  value v{};
  v.r = r;
  *slot = v;
}

// Big-endian inline operands.
inline uint16_t get_u16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint32_t get_u32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// A statement-code offset as a code position.
inline const uint8_t* statement_code(uint32_t offset) {
  return tables[T_CODE].as<uint8_t>() + offset;
}
inline uint32_t statement_offset(const uint8_t* pc) {
  return uint32_t(pc - tables[T_CODE].as<uint8_t>());
}

// An inline ident reference: selector and index; advances pc.
struct ident_ref {
  uint8_t selector;
  uint16_t index;
};
inline ident_ref read_ref(const uint8_t*& pc) {
  uint8_t first = pc[0];
  if (first & 0x20) {
    ++pc;
    return {uint8_t(first >> 6), uint16_t(first & 0x1F)};
  }
  uint16_t word = get_u16(pc);
  pc += 2;
  return {uint8_t(word >> 14), uint16_t(word & 0x1FFF)};
}

// Resolves a reference in the context's top call frame; selector 3 and an
// index outside its table are internal error `error_number`.
ident_info* resolve_ref(ident_info* context, ident_ref ref, int error_number);
inline ident_info* decode_ref(ident_info* context, const uint8_t*& pc, int error_number) {
  ident_ref ref = read_ref(pc);
  if (ref.selector == 0 && ref.index < tables[T_GLOBALS].length) return &globals()[ref.index];
  return resolve_ref(context, ref, error_number);
}

// The kind names of messages, by kind number 0 to 19.
const char* type_name(int kind);
// The name of an identifier as a C string ("" without a name table).
const char* name_of(const ident_info* ident);

// STRING or PICTURE: the value is a heap block.
inline bool is_owned_kind(int kind) { return kind == K_STRING || kind == K_PICTURE; }
value copy_owned(int kind, value v);
void free_owned(int kind, value* v);

// Array-constructor sizes.
void push_stack_size(uint32_t used);
uint32_t pop_stack_size();

const uint8_t* un_op(ident_info* context, const uint8_t* pc);
