// Chained hash tables of the Windows layer: per-window records, keysym names
// and colour names. Keys are strings (copied), one word, or n-word arrays (copied).
// Portable code: no system header.
#pragma once

#include <cstdint>

struct Lx_HashTable;

struct Lx_HashEntry {
  Lx_HashEntry* next;       // next entry of the same bucket
  Lx_HashTable* table;
  Lx_HashEntry** bucket;    // the bucket head that holds this entry
  void* client_value;       // nullptr until the user stores one
  // The key follows the record: a string, one word, or an array of words.
};

constexpr int LX_STRING_KEYS = 0;
constexpr int LX_ONE_WORD_KEYS = 1;  // above 1: an array of that many words
constexpr int LX_STATIC_BUCKETS = 4;

struct Lx_HashTable {
  Lx_HashEntry** buckets;   // static_buckets until the first growth
  Lx_HashEntry* static_buckets[LX_STATIC_BUCKETS];
  int num_buckets;
  int num_entries;
  int rebuild_size;         // entry count at which the table grows
  int down_shift;           // word hash: bits dropped from the product
  int mask;
  int key_type;             // LX_STRING_KEYS, LX_ONE_WORD_KEYS or a word count
  Lx_HashEntry* (*find)(Lx_HashTable* table, const void* key);
  Lx_HashEntry* (*create)(Lx_HashTable* table, const void* key, int* is_new);
};

struct Lx_HashSearch {
  Lx_HashTable* table;
  int next_index;           // next bucket to visit
  Lx_HashEntry* next_entry;
};

// A one-word key is passed as the word itself; string and array keys by address.
void Lx_InitHashTable(Lx_HashTable* table, int key_type);
void Lx_DeleteHashTable(Lx_HashTable* table);
void Lx_DeleteHashEntry(Lx_HashEntry* entry);
Lx_HashEntry* Lx_FirstHashEntry(Lx_HashTable* table, Lx_HashSearch* search);
Lx_HashEntry* Lx_NextHashEntry(Lx_HashSearch* search);
// A new text from CheckedMalloc; the caller frees it with CheckedFree.
char* Lx_HashStats(Lx_HashTable* table);

inline Lx_HashEntry* Lx_FindHashEntry(Lx_HashTable* table, const void* key) {
  return table->find(table, key);
}
inline Lx_HashEntry* Lx_CreateHashEntry(Lx_HashTable* table, const void* key, int* is_new) {
  return table->create(table, key, is_new);
}
inline void* Lx_GetHashValue(const Lx_HashEntry* entry) { return entry->client_value; }
inline void Lx_SetHashValue(Lx_HashEntry* entry, void* value) { entry->client_value = value; }

// The stored key: the string, the word, or the first word of the array.
const char* Lx_GetHashKeyString(const Lx_HashEntry* entry);
uintptr_t Lx_GetHashKeyWord(const Lx_HashEntry* entry);
const uintptr_t* Lx_GetHashKeyWords(const Lx_HashEntry* entry);
