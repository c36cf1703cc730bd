#include "platform/win/hash_table.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/checked_mm.h"

namespace {

// Entries and buckets live with the layer, often until the process ends:
// they are not the server's checked blocks, whose balance it checks at its end.
void* layer_block(size_t size) {
  void* block = malloc(size);
  if (block == nullptr) {
    fputs("Not enough memory.\n", stderr);
    exit(1);
  }
  return block;
}

char* key_bytes(Lx_HashEntry* entry) { return reinterpret_cast<char*>(entry + 1); }
const char* key_bytes(const Lx_HashEntry* entry) { return reinterpret_cast<const char*>(entry + 1); }

uintptr_t stored_word(const Lx_HashEntry* entry) {
  uintptr_t word;
  memcpy(&word, key_bytes(entry), sizeof word);
  return word;
}

unsigned string_hash(const Lx_HashTable* table, const char* key) {
  uint32_t h = 0;
  for (const char* c = key; *c != '\0'; ++c) h = h * 9 + static_cast<uint32_t>(static_cast<signed char>(*c));
  return h & static_cast<uint32_t>(table->mask);
}

unsigned word_hash(const Lx_HashTable* table, uintptr_t key) {
  // The product is taken as a signed 32-bit value and shifted arithmetically.
  const int32_t product = static_cast<int32_t>(static_cast<uint32_t>(key) * 1103515245u);
  return static_cast<unsigned>((product >> table->down_shift) & table->mask);
}

uintptr_t word_sum(const uintptr_t* words, int count) {
  uintptr_t sum = 0;
  for (int i = 0; i < count; ++i) sum += words[i];
  return sum;
}

unsigned entry_hash(const Lx_HashTable* table, const Lx_HashEntry* entry) {
  switch (table->key_type) {
    case LX_STRING_KEYS: return string_hash(table, key_bytes(entry));
    case LX_ONE_WORD_KEYS: return word_hash(table, stored_word(entry));
    default: return word_hash(table, word_sum(Lx_GetHashKeyWords(entry), table->key_type));
  }
}

void grow(Lx_HashTable* table) {
  Lx_HashEntry** old_buckets = table->buckets;
  const int old_count = table->num_buckets;
  table->num_buckets *= 4;
  table->rebuild_size *= 4;
  table->down_shift -= 2;
  table->mask = table->mask * 4 + 3;
  table->buckets = static_cast<Lx_HashEntry**>(layer_block(sizeof(Lx_HashEntry*) * size_t(table->num_buckets)));
  for (int i = 0; i < table->num_buckets; ++i) table->buckets[i] = nullptr;
  for (int i = 0; i < old_count; ++i) {
    for (Lx_HashEntry* entry = old_buckets[i]; entry != nullptr;) {
      Lx_HashEntry* next = entry->next;
      Lx_HashEntry** bucket = &table->buckets[entry_hash(table, entry)];
      entry->next = *bucket;
      entry->bucket = bucket;
      *bucket = entry;
      entry = next;
    }
  }
  if (old_buckets != table->static_buckets) free(old_buckets);
}

// Links a new entry with key_size bytes of key at the head of its bucket.
Lx_HashEntry* link_new(Lx_HashTable* table, unsigned index, const void* key, size_t key_size) {
  auto* entry = static_cast<Lx_HashEntry*>(layer_block(sizeof(Lx_HashEntry) + key_size));
  memcpy(key_bytes(entry), key, key_size);
  entry->table = table;
  entry->client_value = nullptr;
  entry->bucket = &table->buckets[index];
  entry->next = *entry->bucket;
  *entry->bucket = entry;
  if (++table->num_entries >= table->rebuild_size) grow(table);
  return entry;
}

Lx_HashEntry* string_find(Lx_HashTable* table, const void* key) {
  const char* text = static_cast<const char*>(key);
  for (Lx_HashEntry* e = table->buckets[string_hash(table, text)]; e != nullptr; e = e->next)
    if (strcmp(key_bytes(e), text) == 0) return e;
  return nullptr;
}

Lx_HashEntry* string_create(Lx_HashTable* table, const void* key, int* is_new) {
  Lx_HashEntry* found = string_find(table, key);
  *is_new = found == nullptr;
  if (found != nullptr) return found;
  const char* text = static_cast<const char*>(key);
  return link_new(table, string_hash(table, text), text, strlen(text) + 1);
}

Lx_HashEntry* word_find(Lx_HashTable* table, const void* key) {
  const auto word = reinterpret_cast<uintptr_t>(key);
  for (Lx_HashEntry* e = table->buckets[word_hash(table, word)]; e != nullptr; e = e->next)
    if (stored_word(e) == word) return e;
  return nullptr;
}

Lx_HashEntry* word_create(Lx_HashTable* table, const void* key, int* is_new) {
  Lx_HashEntry* found = word_find(table, key);
  *is_new = found == nullptr;
  if (found != nullptr) return found;
  const auto word = reinterpret_cast<uintptr_t>(key);
  return link_new(table, word_hash(table, word), &word, sizeof word);
}

Lx_HashEntry* array_find(Lx_HashTable* table, const void* key) {
  const auto* words = static_cast<const uintptr_t*>(key);
  const size_t size = sizeof(uintptr_t) * static_cast<size_t>(table->key_type);
  for (Lx_HashEntry* e = table->buckets[word_hash(table, word_sum(words, table->key_type))]; e != nullptr;
       e = e->next)
    if (memcmp(key_bytes(e), words, size) == 0) return e;
  return nullptr;
}

Lx_HashEntry* array_create(Lx_HashTable* table, const void* key, int* is_new) {
  Lx_HashEntry* found = array_find(table, key);
  *is_new = found == nullptr;
  if (found != nullptr) return found;
  const auto* words = static_cast<const uintptr_t*>(key);
  return link_new(table, word_hash(table, word_sum(words, table->key_type)), words,
                  sizeof(uintptr_t) * static_cast<size_t>(table->key_type));
}

[[noreturn]] void deleted_table_used() {
  fputs("Error - a deleted hash table was used\n", stderr);
  abort();
}
Lx_HashEntry* deleted_find(Lx_HashTable*, const void*) { deleted_table_used(); }
Lx_HashEntry* deleted_create(Lx_HashTable*, const void*, int*) { deleted_table_used(); }

}  // namespace

void Lx_InitHashTable(Lx_HashTable* table, int key_type) {
  table->buckets = table->static_buckets;
  for (Lx_HashEntry*& bucket : table->static_buckets) bucket = nullptr;
  table->num_buckets = LX_STATIC_BUCKETS;
  table->num_entries = 0;
  table->rebuild_size = 3 * LX_STATIC_BUCKETS;
  table->down_shift = 28;
  table->mask = 3;
  table->key_type = key_type;
  if (key_type == LX_STRING_KEYS) {
    table->find = string_find;
    table->create = string_create;
  } else if (key_type == LX_ONE_WORD_KEYS) {
    table->find = word_find;
    table->create = word_create;
  } else {
    table->find = array_find;
    table->create = array_create;
  }
}

void Lx_DeleteHashEntry(Lx_HashEntry* entry) {
  Lx_HashEntry** link = entry->bucket;
  while (*link != entry) {
    if (*link == nullptr) {
      fputs("Error - a hash entry is missing from its bucket\n", stderr);
      abort();
    }
    link = &(*link)->next;
  }
  *link = entry->next;
  entry->table->num_entries--;
  free(entry);
}

void Lx_DeleteHashTable(Lx_HashTable* table) {
  for (int i = 0; i < table->num_buckets; ++i) {
    for (Lx_HashEntry* entry = table->buckets[i]; entry != nullptr;) {
      Lx_HashEntry* next = entry->next;
      free(entry);
      entry = next;
    }
  }
  if (table->buckets != table->static_buckets) free(table->buckets);
  table->buckets = table->static_buckets;
  for (Lx_HashEntry*& bucket : table->static_buckets) bucket = nullptr;
  table->num_entries = 0;
  table->find = deleted_find;
  table->create = deleted_create;
}

Lx_HashEntry* Lx_FirstHashEntry(Lx_HashTable* table, Lx_HashSearch* search) {
  search->table = table;
  search->next_index = 0;
  search->next_entry = nullptr;
  return Lx_NextHashEntry(search);
}

Lx_HashEntry* Lx_NextHashEntry(Lx_HashSearch* search) {
  while (search->next_entry == nullptr) {
    if (search->next_index >= search->table->num_buckets) return nullptr;
    search->next_entry = search->table->buckets[search->next_index++];
  }
  Lx_HashEntry* entry = search->next_entry;
  search->next_entry = entry->next;
  return entry;
}

char* Lx_HashStats(Lx_HashTable* table) {
  constexpr int kLines = 10;
  int count[kLines + 1] = {};
  double average = 0.0;
  for (int i = 0; i < table->num_buckets; ++i) {
    int j = 0;
    for (const Lx_HashEntry* e = table->buckets[i]; e != nullptr; e = e->next) ++j;
    count[j < kLines ? j : kLines]++;
    if (table->num_entries > 0) average += (j + 1.0) * (static_cast<double>(j) / table->num_entries) / 2.0;
  }
  constexpr size_t kSize = 64 * (kLines + 3);
  char* text = static_cast<char*>(CheckedMalloc(kSize));
  int at = snprintf(text, kSize, "%d entries in table, %d buckets\n", table->num_entries, table->num_buckets);
  for (int j = 0; j < kLines; ++j)
    at += snprintf(text + at, kSize - static_cast<size_t>(at), "number of buckets with %d entries: %d\n", j,
                   count[j]);
  at += snprintf(text + at, kSize - static_cast<size_t>(at), "number of buckets with %d or more entries: %d\n",
                 kLines, count[kLines]);
  snprintf(text + at, kSize - static_cast<size_t>(at), "average search distance for entry: %.1f", average);
  return text;
}

const char* Lx_GetHashKeyString(const Lx_HashEntry* entry) { return key_bytes(entry); }
uintptr_t Lx_GetHashKeyWord(const Lx_HashEntry* entry) { return stored_word(entry); }
const uintptr_t* Lx_GetHashKeyWords(const Lx_HashEntry* entry) {
  return reinterpret_cast<const uintptr_t*>(key_bytes(entry));
}
