// The same names as the system's X headers give them.
#include <X11/X.h>
#include <X11/Xatom.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include "tests/platform/x_constants.h"

#define X_CONSTANT(name) {#name, static_cast<long>(name)},

std::vector<x_constant> system_x_constants() {
  return {
#include "x_constant_names.inc"
  };
}
