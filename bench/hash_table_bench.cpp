// The Windows layer's hash tables against std::unordered_map, measured in
// pairs in the same run: 100,000 one-word keys (window handles) and the
// colour names as string keys, each inserted and then found.
#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/checked_mm.h"
#include "bench/paired.h"
#include "platform/win/colour_db.h"
#include "platform/win/hash_table.h"

namespace {

volatile uintptr_t sink;

double lx_words(const std::vector<uintptr_t>& keys) {
  auto t0 = std::chrono::steady_clock::now();
  Lx_HashTable table;
  Lx_InitHashTable(&table, LX_ONE_WORD_KEYS);
  int is_new = 0;
  for (uintptr_t k : keys) Lx_SetHashValue(Lx_CreateHashEntry(&table, reinterpret_cast<void*>(k), &is_new), &table);
  uintptr_t found = 0;
  for (uintptr_t k : keys) found += Lx_FindHashEntry(&table, reinterpret_cast<void*>(k)) != nullptr;
  Lx_DeleteHashTable(&table);
  sink = found;
  return found == keys.size() ? paired::seconds_since(t0) : -1.0;
}

double std_words(const std::vector<uintptr_t>& keys) {
  auto t0 = std::chrono::steady_clock::now();
  uintptr_t found = 0;
  {  // its destruction is timed too, as the table's deletion is
    std::unordered_map<uintptr_t, void*> table;
    for (uintptr_t k : keys) table.emplace(k, &table);
    for (uintptr_t k : keys) found += table.find(k) != table.end();
  }
  sink = found;
  return found == keys.size() ? paired::seconds_since(t0) : -1.0;
}

double lx_strings(const std::vector<std::string>& keys, int rounds) {
  auto t0 = std::chrono::steady_clock::now();
  uintptr_t found = 0;
  for (int r = 0; r < rounds; ++r) {
    Lx_HashTable table;
    Lx_InitHashTable(&table, LX_STRING_KEYS);
    int is_new = 0;
    for (const std::string& k : keys) Lx_CreateHashEntry(&table, k.c_str(), &is_new);
    for (const std::string& k : keys) found += Lx_FindHashEntry(&table, k.c_str()) != nullptr;
    Lx_DeleteHashTable(&table);
  }
  sink = found;
  return paired::seconds_since(t0);
}

double std_strings(const std::vector<std::string>& keys, int rounds) {
  auto t0 = std::chrono::steady_clock::now();
  uintptr_t found = 0;
  for (int r = 0; r < rounds; ++r) {
    std::unordered_map<std::string, void*> table;
    for (const std::string& k : keys) table.emplace(k, nullptr);
    for (const std::string& k : keys) found += table.find(k) != table.end();
  }
  sink = found;
  return paired::seconds_since(t0);
}

}  // namespace

int main() {
  InitMallocBalance();
  std::vector<uintptr_t> handles;
  for (uintptr_t i = 0; i < 100000; ++i) handles.push_back(0x10000 + i * 4);  // handles step by 4
  paired::Result words = paired::measure(9, [&] { return lx_words(handles); }, [&] { return std_words(handles); });
  paired::report("hash table, 100000 handles", words, "std::unordered_map", 2.0);

  std::vector<std::string> names;
  for (int i = 0; i < colorDB_count; ++i) names.push_back(colorDB[i].name);
  paired::Result strings =
      paired::measure(9, [&] { return lx_strings(names, 200); }, [&] { return std_strings(names, 200); });
  paired::report("hash table, colour names x 200", strings, "std::unordered_map", 2.0);
  return 0;
}
