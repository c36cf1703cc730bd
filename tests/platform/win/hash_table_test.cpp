// The layer's chained hash tables: growth, the three key types, iteration,
// deletion and the abort on misuse.
#include "platform/win/hash_table.h"

#include <gtest/gtest.h>

#include <csignal>
#include <set>
#include <string>
#include <vector>

#include "base/checked_mm.h"

namespace {

const void* word_key(uintptr_t word) { return reinterpret_cast<const void*>(word); }

// How a child that called abort() ends: by the signal, or on Windows with status 3.
#ifdef _WIN32
testing::ExitedWithCode aborted() { return testing::ExitedWithCode(3); }
#else
testing::KilledBySignal aborted() { return testing::KilledBySignal(SIGABRT); }
#endif

TEST(HashTable, TwelfthEntryGrowsToSixteenBucketsAndEveryEntryIsStillFound) {
  for (int key_type : {LX_STRING_KEYS, LX_ONE_WORD_KEYS, 3}) {
    SCOPED_TRACE(key_type);
    Lx_HashTable table;
    Lx_InitHashTable(&table, key_type);
    std::vector<std::string> names;
    std::vector<std::vector<uintptr_t>> arrays;
    for (int i = 0; i < 12; ++i) {
      names.push_back("entry" + std::to_string(i));
      arrays.push_back({static_cast<uintptr_t>(i), 7, static_cast<uintptr_t>(i) * 1000});
    }
    auto key = [&](int i) -> const void* {
      if (key_type == LX_STRING_KEYS) return names[i].c_str();
      if (key_type == LX_ONE_WORD_KEYS) return word_key(0x10000u + static_cast<uintptr_t>(i) * 8);
      return arrays[i].data();
    };
    for (int i = 0; i < 12; ++i) {
      EXPECT_EQ(table.num_buckets, 4) << i;
      int is_new = -1;
      Lx_HashEntry* e = Lx_CreateHashEntry(&table, key(i), &is_new);
      EXPECT_EQ(is_new, 1);
      EXPECT_EQ(Lx_GetHashValue(e), nullptr);
      Lx_SetHashValue(e, &names[i]);
    }
    EXPECT_EQ(table.num_buckets, 16);
    EXPECT_EQ(table.rebuild_size, 48);
    EXPECT_EQ(table.down_shift, 26);
    EXPECT_EQ(table.mask, 15);
    EXPECT_NE(table.buckets, table.static_buckets);
    for (int i = 0; i < 12; ++i) {
      Lx_HashEntry* e = Lx_FindHashEntry(&table, key(i));
      ASSERT_NE(e, nullptr) << i;
      EXPECT_EQ(Lx_GetHashValue(e), &names[i]);
      EXPECT_EQ(*e->bucket, table.buckets[e->bucket - table.buckets]);
      EXPECT_LT(e->bucket - table.buckets, 16);
    }
    Lx_DeleteHashTable(&table);
  }
}

TEST(HashTable, ManyEntriesGrowRepeatedlyAndStayFindable) {
  const int32_t balance = GetMallocBalance();
  Lx_HashTable table;
  Lx_InitHashTable(&table, LX_ONE_WORD_KEYS);
  for (uintptr_t i = 0; i < 1000; ++i) {
    int is_new = 0;
    Lx_CreateHashEntry(&table, word_key(i * 16), &is_new);
    ASSERT_EQ(is_new, 1);
  }
  // The server checks its own blocks' balance at its end; tables the layer
  // keeps until then must not count.
  EXPECT_EQ(GetMallocBalance(), balance);
  EXPECT_EQ(table.num_buckets, 1024);  // grown at 12, 48, 192 and 768 entries
  EXPECT_EQ(table.mask, 1023);
  EXPECT_EQ(table.down_shift, 20);
  for (uintptr_t i = 0; i < 1000; ++i) EXPECT_NE(Lx_FindHashEntry(&table, word_key(i * 16)), nullptr);
  EXPECT_EQ(Lx_FindHashEntry(&table, word_key(8)), nullptr);
  Lx_DeleteHashTable(&table);
  EXPECT_EQ(GetMallocBalance(), balance);
}

TEST(HashTable, CreatingAnExistingKeyReturnsTheSameEntryNotNew) {
  Lx_HashTable table;
  Lx_InitHashTable(&table, LX_STRING_KEYS);
  int is_new = 0;
  Lx_HashEntry* first = Lx_CreateHashEntry(&table, "navy", &is_new);
  ASSERT_EQ(is_new, 1);
  char copy[] = "navy";  // the key is copied: another buffer finds the same entry
  EXPECT_EQ(Lx_CreateHashEntry(&table, copy, &is_new), first);
  EXPECT_EQ(is_new, 0);
  EXPECT_EQ(table.num_entries, 1);
  EXPECT_STREQ(Lx_GetHashKeyString(first), "navy");
  Lx_DeleteHashTable(&table);
}

TEST(HashTable, StringKeysThatDifferOnlyAfterATerminatorAreOneKey) {
  Lx_HashTable table;
  Lx_InitHashTable(&table, LX_STRING_KEYS);
  const char a[] = "red\0one";
  const char b[] = "red\0two";
  int is_new = 0;
  Lx_HashEntry* e = Lx_CreateHashEntry(&table, a, &is_new);
  EXPECT_EQ(Lx_CreateHashEntry(&table, b, &is_new), e);
  EXPECT_EQ(is_new, 0);
  EXPECT_EQ(Lx_FindHashEntry(&table, "red"), e);
  Lx_DeleteHashTable(&table);
}

TEST(HashTable, ArrayKeysCompareEveryWord) {
  Lx_HashTable table;
  Lx_InitHashTable(&table, 2);
  const uintptr_t a[] = {1, 2};
  const uintptr_t b[] = {2, 1};  // same word sum, so the same bucket
  int is_new = 0;
  Lx_HashEntry* ea = Lx_CreateHashEntry(&table, a, &is_new);
  Lx_HashEntry* eb = Lx_CreateHashEntry(&table, b, &is_new);
  EXPECT_EQ(is_new, 1);
  EXPECT_NE(ea, eb);
  EXPECT_EQ(ea->bucket, eb->bucket);
  EXPECT_EQ(Lx_FindHashEntry(&table, a), ea);
  EXPECT_EQ(Lx_GetHashKeyWords(eb)[0], 2u);
  Lx_DeleteHashTable(&table);
}

TEST(HashTable, IterationVisitsBucketsInOrderEachFromItsHead) {
  Lx_HashTable table;
  Lx_InitHashTable(&table, LX_ONE_WORD_KEYS);
  Lx_HashSearch search;
  EXPECT_EQ(Lx_FirstHashEntry(&table, &search), nullptr);

  int is_new = 0;
  for (uintptr_t i = 1; i <= 11; ++i) Lx_CreateHashEntry(&table, word_key(i), &is_new);
  std::vector<Lx_HashEntry*> expected;
  for (int i = 0; i < table.num_buckets; ++i)
    for (Lx_HashEntry* e = table.buckets[i]; e != nullptr; e = e->next) expected.push_back(e);
  std::vector<Lx_HashEntry*> seen;
  for (Lx_HashEntry* e = Lx_FirstHashEntry(&table, &search); e != nullptr; e = Lx_NextHashEntry(&search))
    seen.push_back(e);
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(seen.size(), 11u);
  Lx_DeleteHashTable(&table);
}

TEST(HashTable, WordHashTakesTopBitsOfTheLow32BitProduct) {
  // Bucket = bits 28-29 of key * 1103515245 (mod 2^32) for four buckets.
  const struct { uintptr_t key; long bucket; } cases[] = {
      {9, 0}, {10, 1}, {19, 2}, {28, 3}, {37, 0}, {uintptr_t{1} << 32 | 19, 2},
  };
  for (const auto& c : cases) {
    Lx_HashTable table;
    Lx_InitHashTable(&table, LX_ONE_WORD_KEYS);
    int is_new = 0;
    Lx_HashEntry* e = Lx_CreateHashEntry(&table, word_key(c.key), &is_new);
    EXPECT_EQ(e->bucket - table.buckets, c.bucket) << c.key;
    Lx_DeleteHashTable(&table);
  }
}

TEST(HashTable, DeletedEntriesLeaveTheirChainAndTheRestStays) {
  const int32_t balance = GetMallocBalance();
  Lx_HashTable table;
  Lx_InitHashTable(&table, LX_STRING_KEYS);
  int is_new = 0;
  std::vector<std::string> names;
  for (int i = 0; i < 30; ++i) names.push_back(std::string("n").append(std::to_string(i)));
  for (const std::string& n : names) Lx_CreateHashEntry(&table, n.c_str(), &is_new);
  for (int i = 0; i < 30; i += 2) Lx_DeleteHashEntry(Lx_FindHashEntry(&table, names[i].c_str()));
  EXPECT_EQ(table.num_entries, 15);
  for (int i = 0; i < 30; ++i)
    EXPECT_EQ(Lx_FindHashEntry(&table, names[i].c_str()) != nullptr, i % 2 == 1) << names[i];
  Lx_DeleteHashTable(&table);
  EXPECT_EQ(GetMallocBalance(), balance);
}

TEST(HashTable, StatisticsCountBucketsByLengthAndTheSearchDistance) {
  Lx_HashTable table;
  Lx_InitHashTable(&table, LX_STRING_KEYS);
  char* empty = Lx_HashStats(&table);
  EXPECT_NE(std::string(empty).find("0 entries in table, 4 buckets\n"), std::string::npos);
  EXPECT_NE(std::string(empty).find("average search distance for entry: 0.0"), std::string::npos);
  CheckedFree(empty);

  // "a" and "e" hash to bucket 1 (97 & 3, 101 & 3); "c" to bucket 3.
  int is_new = 0;
  for (const char* k : {"a", "e", "c"}) Lx_CreateHashEntry(&table, k, &is_new);
  char* text = Lx_HashStats(&table);
  EXPECT_STREQ(text,
               "3 entries in table, 4 buckets\n"
               "number of buckets with 0 entries: 2\n"
               "number of buckets with 1 entries: 1\n"
               "number of buckets with 2 entries: 1\n"
               "number of buckets with 3 entries: 0\n"
               "number of buckets with 4 entries: 0\n"
               "number of buckets with 5 entries: 0\n"
               "number of buckets with 6 entries: 0\n"
               "number of buckets with 7 entries: 0\n"
               "number of buckets with 8 entries: 0\n"
               "number of buckets with 9 entries: 0\n"
               "number of buckets with 10 or more entries: 0\n"
               "average search distance for entry: 1.3");  // 3*2/3/2 + 2*1/3/2 = 4/3
  CheckedFree(text);
  Lx_DeleteHashTable(&table);
}

TEST(HashTableDeathTest, MisuseAborts) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  Lx_HashTable table;
  Lx_InitHashTable(&table, LX_ONE_WORD_KEYS);
  Lx_DeleteHashTable(&table);
  int is_new = 0;
  EXPECT_EXIT(Lx_FindHashEntry(&table, word_key(1)), aborted(), "deleted hash table");
  EXPECT_EXIT(Lx_CreateHashEntry(&table, word_key(1), &is_new), aborted(),
              "deleted hash table");

  Lx_InitHashTable(&table, LX_ONE_WORD_KEYS);
  Lx_HashEntry* e = Lx_CreateHashEntry(&table, word_key(5), &is_new);
  Lx_HashEntry* stray = e->next;  // an entry unlinked behind the table's back
  table.buckets[e->bucket - table.buckets] = stray;
  EXPECT_EXIT(Lx_DeleteHashEntry(e), aborted(), "missing from its bucket");
  table.buckets[e->bucket - table.buckets] = e;
  Lx_DeleteHashTable(&table);
}

}  // namespace
