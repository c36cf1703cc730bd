// Fused forms of common statement-code sequences, decoded once per offset of
// table 3 and kept beside it. The compiled code stays the program counter: a
// form only names where its sequence goes on, so a jump into the middle of
// one runs the plain instructions from there, and every position that
// errors, breakpoints and tracebacks report is a compiled offset.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

enum fused_kind : uint8_t {
  // push_var x; push y; compare INTEGER; if
  FUSED_EQ_IF,
  FUSED_NE_IF,
  FUSED_LT_IF,
  FUSED_LE_IF,
  FUSED_GT_IF,
  FUSED_GE_IF,
  // push_var x; push y; add or sub INTEGER; assign z (and a jump behind)
  FUSED_ADD_ASSIGN,
  FUSED_SUB_ASSIGN,
  // push_var a; push_var b; concatenate; assign s (STRING globals)
  FUSED_CONCAT_ASSIGN,
  N_FUSED_KINDS
};

// x, y, z and a, b, s are plain globals whose kinds the sequence expects.
struct fused_form {
  uint8_t kind;
  uint8_t instructions;  // compiled instructions it stands for
  ident_info* left;
  ident_info* right;     // null: the constant
  ident_info* assigned;  // the assignments' target
  int32_t constant;
  const uint8_t* next;    // where the run goes on (a following jump: its target)
  const uint8_t* branch;  // if: where a false condition goes
  // The forms at next and branch, looked up on first use: until then
  // &unresolved_form.
  fused_form* next_form;
  fused_form* branch_form;
};
extern fused_form unresolved_form;

constexpr uint32_t FORMS_A_CHUNK = 256;

// The statement code that has fused forms: table 3 while no run patches it.
struct fused_forms {
  uintptr_t code;    // tables[T_CODE].items
  uintptr_t length;  // 0: no forms
  uint32_t* slots;   // per code byte: 0 not decoded, 1 none, else form + 2
  fused_form** chunks;  // FORMS_A_CHUNK forms each, never moved
  uint32_t count, n_chunks;
  uint32_t loaded_length;  // of the table the slots were made for
  int suspended;
};
extern fused_forms fusion;

// Drops every form: a new program is loaded or the interpreter ends.
void reset_fused_forms();
// Follows table 3 when it was replaced or grown; at the start of each run.
void follow_statement_code();
// While a run patches table 3 (interpret_code_to) no form is used or made.
inline void suspend_fused_forms() {
  ++fusion.suspended;
  fusion.length = 0;
}
void resume_fused_forms();

fused_form* decode_fused_form(uint32_t offset);

// The form of the sequence whose first opcode is at pc, or null.
inline fused_form* fused_form_at(const uint8_t* pc) {
  uintptr_t offset = uintptr_t(pc) - fusion.code;
  if (offset >= fusion.length) return nullptr;
  uint32_t slot = fusion.slots[offset];
  if (slot == 0) return decode_fused_form(uint32_t(offset));
  if (slot == 1) return nullptr;
  slot -= 2;
  return &fusion.chunks[slot / FORMS_A_CHUNK][slot % FORMS_A_CHUNK];
}

inline fused_form* linked_form(fused_form** link, const uint8_t* pc) {
  if (*link == &unresolved_form) *link = fused_form_at(pc);
  return *link;
}
