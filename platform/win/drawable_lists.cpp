#include "platform/win/drawable_lists.h"

#include "platform/win/hash_table.h"

namespace {

Lx_HashTable pixmaps;  // pixmap -> the drawable it was created for
Lx_HashTable cursors;  // cursor -> nothing
bool ready = false;

void make_ready() {
  if (ready) return;
  Lx_InitHashTable(&pixmaps, LX_ONE_WORD_KEYS);
  Lx_InitHashTable(&cursors, LX_ONE_WORD_KEYS);
  ready = true;
}

const void* key(uintptr_t handle) { return reinterpret_cast<const void*>(handle); }

bool unlist(Lx_HashTable* table, uintptr_t handle) {
  make_ready();
  Lx_HashEntry* entry = Lx_FindHashEntry(table, key(handle));
  if (entry == nullptr) return false;
  Lx_DeleteHashEntry(entry);
  return true;
}

}  // namespace

void Lx_ListPixmap(uintptr_t pixmap, uintptr_t created_for) {
  make_ready();
  int is_new = 0;
  Lx_SetHashValue(Lx_CreateHashEntry(&pixmaps, key(pixmap), &is_new), reinterpret_cast<void*>(created_for));
}

bool Lx_UnlistPixmap(uintptr_t pixmap) { return unlist(&pixmaps, pixmap); }

bool Lx_IsPixmap(uintptr_t drawable) {
  make_ready();
  return drawable != 0 && Lx_FindHashEntry(&pixmaps, key(drawable)) != nullptr;
}

uintptr_t Lx_GetDrawableWindow(uintptr_t drawable) {
  make_ready();
  // A chain longer than the list holds entries revisits one of them.
  for (int steps = 0; steps <= pixmaps.num_entries; ++steps) {
    const Lx_HashEntry* entry = Lx_FindHashEntry(&pixmaps, key(drawable));
    if (entry == nullptr) return drawable;
    drawable = reinterpret_cast<uintptr_t>(Lx_GetHashValue(entry));
  }
  return 0;
}

void Lx_ListCursor(uintptr_t cursor) {
  make_ready();
  int is_new = 0;
  Lx_CreateHashEntry(&cursors, key(cursor), &is_new);
}

bool Lx_UnlistCursor(uintptr_t cursor) { return unlist(&cursors, cursor); }

void Lx_ClearDrawableLists() {
  if (!ready) return;
  Lx_DeleteHashTable(&pixmaps);
  Lx_DeleteHashTable(&cursors);
  ready = false;
}
