// YARL code that reproduces the current resource state: the geometry of the
// windows and the values of the resource variables, for a partner server.
#pragma once

#include "runtime/tables.h"

// Appends to `code` (a table of bytes) the code for the identifiers
// [first, last): with selector 0 globals, with selector 2 the locals of the
// window made the context before, `first` its first local. The outermost call,
// selector 0, ends the code with a RELEASE.
void compile_resources(ident_info* first, ident_info* last, int selector, table* code);
