#include "runtime/variables.h"

bool change_variable(ident_info*, ident_info* variable, value v, bool) {
  bool owned = variable->kind == K_STRING || variable->kind == K_PICTURE;
  if (!owned && variable->val.raw == v.raw) return false;
  if (owned && variable->val.raw != 0) CheckedFree(variable->val.s);
  variable->val = v;
  ++variable->count;
  return true;
}

static void free_value(int kind, value* v) {
  if (v->raw != 0) CheckedFree(v->s);
  (void)kind;
  v->raw = 0;
}

void destroy_variables(int table_number) {
  table& t = tables[table_number];
  ident_info* idents = t.as<ident_info>();
  for (uint32_t i = 0; i < t.length; ++i) {
    ident_info& id = idents[i];
    if (id.kind == K_STRING || id.kind == K_PICTURE) {
      free_value(id.kind, &id.val);
    } else if (is_array_kind(id.kind) && id.val.a != nullptr) {
      if (id.kind == K_ARRAY + K_STRING || id.kind == K_ARRAY + K_PICTURE) {
        for (uint32_t e = 0; e < id.word6; ++e) free_value(id.kind - K_ARRAY, &id.val.a[e]);
      }
      CheckedFree(id.val.a);
      id.val.a = nullptr;
      id.word6 = 0;
    }
  }
}
