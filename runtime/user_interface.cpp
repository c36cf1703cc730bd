#include "runtime/user_interface.h"

#include "runtime/checked_mm.h"
#include "runtime/predefined.h"
#include "runtime/tables.h"
#include "runtime/variables.h"

void preset_user_interface(const char*, bool, bool, const char*, const char*, const char*) {
  put_predef_string(91, dup_chars(""));
  put_predef(513, -1);
  put_predef(514, -1);
}

void cleanup_user_interface() {
  destroy_variables(T_WINDOW_LOCALS);
  destroy_variables(T_GLOBALS);
  destroy_variables(T_PROC_LOCALS);
  delete_tables();
}
