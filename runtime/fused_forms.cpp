#include "runtime/fused_forms.h"

#include <cstring>

#include "runtime/interpreter.h"

fused_forms fusion;
fused_form unresolved_form;

constexpr uint8_t OP_IF = 2, OP_JUMP = 20, OP_ASSIGN_SCALAR = 22, OP_CONCATENATE = 43, OP_PUSH_BYTE = 72,
                  OP_PUSH_LONG = 73, OP_PUSH_VAR = 94, OP_PUSH_SHORT = 100, OP_ADD_INTEGER = 210,
                  OP_SUB_INTEGER = 211, OP_EQ = 216, OP_NE = 221, OP_CONSTANT_0 = 222;

// The comparison opcodes 216-221 in their fused kinds.
static const fused_kind compare_kinds[6] = {FUSED_EQ_IF, FUSED_GE_IF, FUSED_GT_IF,
                                            FUSED_LE_IF, FUSED_LT_IF, FUSED_NE_IF};

void reset_fused_forms() {
  if (fusion.slots != nullptr) CheckedFree(fusion.slots);
  for (uint32_t i = 0; i < fusion.n_chunks; ++i) CheckedFree(fusion.chunks[i]);
  if (fusion.chunks != nullptr) CheckedFree(fusion.chunks);
  int suspended = fusion.suspended;
  fusion = fused_forms{};
  fusion.suspended = suspended;
}

void follow_statement_code() {
  const table& code = tables[T_CODE];
  if (fusion.code == uintptr_t(code.items) && fusion.loaded_length == code.length) return;
  reset_fused_forms();
  fusion.code = uintptr_t(code.items);
  fusion.loaded_length = code.length;
  if (code.items == nullptr || code.length == 0) return;
  fusion.slots = checked_new_array<uint32_t>(code.length);
  memset(fusion.slots, 0, code.length * sizeof(uint32_t));
  if (fusion.suspended == 0) fusion.length = code.length;
}

void resume_fused_forms() {
  if (--fusion.suspended == 0 && fusion.slots != nullptr) fusion.length = fusion.loaded_length;
}

namespace {

// Reads one sequence of table 3, never past its end.
struct reader {
  const uint8_t* code;
  uint32_t at, length;

  bool has(uint32_t n) const { return uint64_t(at) + n <= length; }
  int peek() const { return at < length ? code[at] : -1; }
  uint8_t byte() { return code[at++]; }
  uint32_t u32() {
    uint32_t v = get_u32(code + at);
    at += 4;
    return v;
  }

  // A plain global of `kind`: not predefined, so no assignment to it moves the pointer.
  ident_info* global(uint8_t kind) {
    if (!has(1)) return nullptr;
    ident_ref ref{};
    if (code[at] & 0x20) {
      ref = {uint8_t(code[at] >> 6), uint16_t(code[at] & 0x1F)};
      at += 1;
    } else {
      if (!has(2)) return nullptr;
      uint16_t word = get_u16(code + at);
      ref = {uint8_t(word >> 14), uint16_t(word & 0x1FFF)};
      at += 2;
    }
    if (ref.selector != 0 || ref.index < N_PREDEFINED || ref.index >= tables[T_GLOBALS].length) return nullptr;
    ident_info* id = &globals()[ref.index];
    return id->kind == kind ? id : nullptr;
  }

  // push_var of an INTEGER global, or one of the constant pushes.
  bool integer_operand(fused_form* f) {
    int op = peek();
    if (op < 0 || !has(1)) return false;
    ++at;
    if (op >= OP_CONSTANT_0) {
      f->constant = op - OP_CONSTANT_0;
    } else if (op == OP_PUSH_BYTE && has(1)) {
      f->constant = code[at++];
    } else if (op == OP_PUSH_SHORT && has(2)) {
      f->constant = get_u16(code + at);
      at += 2;
    } else if (op == OP_PUSH_LONG && has(4)) {
      f->constant = int32_t(u32());
    } else if (op == OP_PUSH_VAR) {
      f->right = global(K_INTEGER);
      return f->right != nullptr;
    } else {
      return false;
    }
    return true;
  }
};

bool decode_integer_form(reader& r, fused_form* f) {
  if ((f->left = r.global(K_INTEGER)) == nullptr || !r.integer_operand(f)) return false;
  int op = r.peek();
  if (op >= OP_EQ && op <= OP_NE) {
    r.at++;
    if (!r.has(6) || r.byte() != K_INTEGER || r.byte() != OP_IF) return false;
    uint32_t target = r.u32();
    if (target >= r.length) return false;
    f->kind = compare_kinds[op - OP_EQ];
    f->instructions = 4;
    f->branch = r.code + target;
    f->next = r.code + r.at;
    return true;
  }
  if (op != OP_ADD_INTEGER && op != OP_SUB_INTEGER) return false;
  r.at++;
  if (r.peek() != OP_ASSIGN_SCALAR) return false;
  r.at++;
  if ((f->assigned = r.global(K_INTEGER)) == nullptr) return false;
  f->kind = op == OP_ADD_INTEGER ? FUSED_ADD_ASSIGN : FUSED_SUB_ASSIGN;
  f->instructions = 4;
  f->next = r.code + r.at;
  if (r.peek() == OP_JUMP && r.has(5)) {
    r.at++;
    uint32_t target = r.u32();
    if (target < r.length) {
      f->instructions = 5;
      f->next = r.code + target;
    }
  }
  return true;
}

bool decode_concat_form(reader& r, fused_form* f) {
  if ((f->left = r.global(K_STRING)) == nullptr || r.peek() != OP_PUSH_VAR) return false;
  r.at++;
  if ((f->right = r.global(K_STRING)) == nullptr || r.peek() != OP_CONCATENATE) return false;
  r.at++;
  if (r.peek() != OP_ASSIGN_SCALAR) return false;
  r.at++;
  if ((f->assigned = r.global(K_STRING)) == nullptr) return false;
  f->kind = FUSED_CONCAT_ASSIGN;
  f->instructions = 4;
  f->next = r.code + r.at;
  return true;
}

}  // namespace

fused_form* decode_fused_form(uint32_t offset) {
  const uint8_t* code = reinterpret_cast<const uint8_t*>(fusion.code);
  fused_form form{};
  bool found = false;
  if (code[offset] == OP_PUSH_VAR) {
    reader r{code, offset + 1, uint32_t(fusion.length)};
    found = decode_integer_form(r, &form);
    if (!found) {
      form = fused_form{};
      r.at = offset + 1;
      found = decode_concat_form(r, &form);
    }
  }
  if (!found) {
    fusion.slots[offset] = 1;
    return nullptr;
  }
  form.next_form = form.branch_form = &unresolved_form;
  if (fusion.count == fusion.n_chunks * FORMS_A_CHUNK) {
    fusion.chunks = static_cast<fused_form**>(
        fusion.chunks == nullptr ? CheckedMalloc(sizeof(fused_form*))
                                 : CheckedRealloc(fusion.chunks, (fusion.n_chunks + 1) * sizeof(fused_form*)));
    fusion.chunks[fusion.n_chunks++] = checked_new_array<fused_form>(FORMS_A_CHUNK);
  }
  uint32_t n = fusion.count++;
  fused_form* f = &fusion.chunks[n / FORMS_A_CHUNK][n % FORMS_A_CHUNK];
  *f = form;
  fusion.slots[offset] = n + 2;
  return f;
}
