// The fuzz side of `halt` and `internal_error`: both jump back to the entry
// of the run that armed them, which then releases what was loaded.
#pragma once

#include <csetjmp>

// Armed by the fuzz entry around one run; null otherwise, when a halt or an
// internal error aborts so that libFuzzer reports it.
extern std::jmp_buf* escape_point;
