// Fuzz target of the loader of the compiled YARL binary: any file image must
// load or end in a halt or internal error, never in a fault, and a halted
// load must leave nothing behind once the tables are deleted.
#include <cstddef>
#include <cstdint>

#include "fuzz/escape.h"
#include "runtime/read_tables.h"
#include "runtime/tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::jmp_buf here;
  if (setjmp(here) == 0) {
    escape_point = &here;
    decode_tables(data, size);
    // Names are looked up by offset from every identifier: the lookup must
    // stay inside table 9 whatever the offsets say.
    for (int t = T_GLOBALS; t <= T_WINDOW_LOCALS; ++t)
      for (uint32_t i = 0; i < tables[t].length; ++i) ident_name(tables[t].as<ident_info>()[i]);
  }
  escape_point = nullptr;
  delete_tables();
  return 0;
}
