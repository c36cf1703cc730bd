// Checked heap blocks and growable tables.
//
// Every record or string that outlives one function is allocated here. The
// live-block count lets the orderly stop prove that everything was released.
#pragma once

#include <cstddef>
#include <cstdint>

void* CheckedMalloc(size_t size);
void* CheckedRealloc(void* block, size_t size);
void CheckedFree(void* block);
int32_t GetMallocBalance();
void InitMallocBalance();
char* dup_chars(const char* text);

template <typename T>
T* checked_new_array(size_t count) {
  return static_cast<T*>(CheckedMalloc(count * sizeof(T)));
}

// A growable array of fixed-size records. length < capacity always holds, so
// one zeroed spare element follows the last one; elements past length are zero.
struct table {
  void* items;
  uint16_t element_size;
  uint32_t capacity;
  uint32_t length;

  template <typename T>
  T* as() const { return static_cast<T*>(items); }
};

void table_create(table* t, uint16_t element_size, uint32_t n);
void table_expand(table* t, uint32_t n);
void table_delete(table* t);
