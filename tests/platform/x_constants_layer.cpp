// The constants as the Windows layer's own headers give them.
#include "platform/win/X11/X.h"
#include "platform/win/X11/Xatom.h"
#include "platform/win/X11/cursorfont.h"
#include "platform/win/X11/keysym.h"
#include "tests/platform/x_constants.h"

#define X_CONSTANT(name) {#name, static_cast<long>(name)},

std::vector<x_constant> layer_x_constants() {
  return {
#include "x_constant_names.inc"
  };
}
