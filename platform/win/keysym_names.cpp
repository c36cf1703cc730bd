#include "platform/win/keysym_names.h"

#include "platform/win/hash_table.h"

namespace {

Lx_HashTable keySymTable;
bool table_built = false;

void build_table() {
  Lx_InitHashTable(&keySymTable, LX_STRING_KEYS);
  for (const Lx_KeysymName* k = keyArray; k->name != nullptr; ++k) {
    int is_new;
    Lx_HashEntry* e = Lx_CreateHashEntry(&keySymTable, k->name, &is_new);
    if (is_new) Lx_SetHashValue(e, const_cast<Lx_KeysymName*>(k));
  }
  table_built = true;
}

}  // namespace

uint32_t Lx_StringToKeysym(const char* name) {
  if (name == nullptr) return 0;
  if (!table_built) build_table();
  const Lx_HashEntry* e = Lx_FindHashEntry(&keySymTable, name);
  return e != nullptr ? static_cast<const Lx_KeysymName*>(Lx_GetHashValue(e))->keysym : 0;
}

const char* Lx_KeysymToString(uint32_t keysym) {
  for (const Lx_KeysymName* k = keyArray; k->name != nullptr; ++k)
    if (k->keysym == keysym) return k->name;
  return nullptr;
}
