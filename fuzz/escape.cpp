#include "fuzz/escape.h"

#include <cstdlib>

#include "base/internal_error.h"
#include "runtime/qob.h"

std::jmp_buf* escape_point;

[[noreturn]] static void escape() {
  if (escape_point == nullptr) abort();
  std::longjmp(*escape_point, 1);
}

void halt(const char*) { escape(); }

void internal_error(int, const char*) { escape(); }
