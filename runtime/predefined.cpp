#include "runtime/predefined.h"

#include "base/internal_error.h"
#include "runtime/tables.h"
#include "runtime/variables.h"

constexpr uint32_t MAX_PREDEF = N_PREDEFINED - 1;

static bool is_word_kind(int kind) {
  return kind == K_ANGLE || kind == K_INTEGER || kind == K_BOOLEAN || kind == K_CHARACTER;
}

int32_t get_predef(uint32_t number) {
  if (number > MAX_PREDEF) internal_error(8496, "get_predef");
  const ident_info& id = globals()[number];
  if (!is_word_kind(id.kind)) internal_error(8499, "get_predef");
  return id.val.i;
}

void put_predef(uint32_t number, int32_t v) {
  if (number > MAX_PREDEF) internal_error(9066, "put_predef");
  ident_info& id = globals()[number];
  if (!is_word_kind(id.kind)) internal_error(9069, "put_predef");
  if (id.kind == K_BOOLEAN) v = v != 0;
  else if (id.kind == K_CHARACTER) v = uint8_t(v);
  change_variable(&globals()[1], &id, integer_value(v), false);
}

void put_predef_string(uint32_t number, char* text) {
  if (number > MAX_PREDEF) internal_error(9051, "put_predef_string");
  ident_info& id = globals()[number];
  if (id.kind != K_STRING) internal_error(9054, "put_predef_string");
  value stored{};
  stored.s = text;
  change_variable(&globals()[1], &id, stored, false);
}
