// Changes of YARL variables.
#pragma once

#include "runtime/tables.h"

// Stores `v` into `variable` and reports whether it differed; the variable
// takes ownership of a STRING or PICTURE value.
bool change_variable(ident_info* context, ident_info* variable, value v, bool move_pointer);

// Frees the heap values held by every identifier of one identifier table.
void destroy_variables(int table_number);
