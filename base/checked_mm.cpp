#include "base/checked_mm.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/internal_error.h"

static int32_t malloc_balance;
static int32_t saved_malloc_balance;

[[noreturn]] static void out_of_memory() {
  fputs("Not enough memory.\n", stderr);
  exit(1);
}

void* CheckedMalloc(size_t size) {
  ++malloc_balance;
  void* block = malloc(size == 0 ? 1 : size);
  if (block == nullptr) out_of_memory();
  return block;
}

void* CheckedRealloc(void* block, size_t size) {
  void* grown = realloc(block, size == 0 ? 1 : size);
  if (grown == nullptr) out_of_memory();
  return grown;
}

void CheckedFree(void* block) {
  if (block == nullptr) internal_error(286, "CheckedMM");
  if (malloc_balance == 0) {
    // A block made before the main function began is being freed.
    malloc_balance = saved_malloc_balance;
    saved_malloc_balance = 0;
    if (malloc_balance == 0) internal_error(292, "CheckedMM");
  }
  --malloc_balance;
  free(block);
}

int32_t GetMallocBalance() { return malloc_balance; }

void InitMallocBalance() {
  saved_malloc_balance = malloc_balance;
  malloc_balance = 0;
}

char* dup_chars(const char* text) {
  size_t size = strlen(text) + 1;
  char* copy = static_cast<char*>(CheckedMalloc(size));
  memcpy(copy, text, size);
  return copy;
}

void table_create(table* t, uint16_t element_size, uint32_t n) {
  t->element_size = element_size;
  t->capacity = n;
  t->length = 0;
  t->items = CheckedMalloc(size_t(n) * element_size);
  memset(t->items, 0, size_t(n) * element_size);
}

void table_expand(table* t, uint32_t n) {
  uint64_t needed = uint64_t(t->length) + n + 1;
  uint64_t capacity = t->capacity == 0 ? 1 : t->capacity;
  do capacity *= 2;
  while (capacity < needed);
  if (capacity > UINT32_MAX) out_of_memory();
  size_t old_bytes = size_t(t->capacity) * t->element_size;
  size_t new_bytes = size_t(capacity) * t->element_size;
  t->items = CheckedRealloc(t->items, new_bytes);
  memset(static_cast<char*>(t->items) + old_bytes, 0, new_bytes - old_bytes);
  t->capacity = uint32_t(capacity);
}

void table_delete(table* t) {
  if (t->items != nullptr) CheckedFree(t->items);
  t->items = nullptr;
  t->capacity = 0;
  t->length = 0;
}
