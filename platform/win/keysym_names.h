// The names of X keysyms: the table generated from X11's keysymdef.h and the
// lookups both ways. Portable code.
#pragma once

#include <cstdint>

struct Lx_KeysymName {
  const char* name;  // null in the closing pair
  uint32_t keysym;
};

// In keysymdef.h's order, closed by an empty pair.
extern const Lx_KeysymName keyArray[];
extern const int lx_keysym_name_count;

// The keysym of a name, 0 for a name not in the table. The name table is built
// on the first call.
uint32_t Lx_StringToKeysym(const char* name);
// The first name of the keysym in keyArray, null when it has none.
const char* Lx_KeysymToString(uint32_t keysym);
