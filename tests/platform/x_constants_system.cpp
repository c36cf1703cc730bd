// The same names as the system's X and GLX headers give them.
#include <GL/glx.h>
#include <X11/X.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XInput.h>
#include <X11/keysym.h>

#include <cstddef>

#include "tests/platform/x_constants.h"

#define X_CONSTANT(name) {#name, static_cast<long>(name), ""},
#define X_TEXT(name) {#name, 0, name},
#define X_SIZE(type) {"sizeof " #type, static_cast<long>(sizeof(type)), ""},
#define X_OFFSET(type, field) {#type "." #field, static_cast<long>(offsetof(type, field)), ""},

std::vector<x_constant> system_x_constants() {
  return {
#include "x_constant_names.inc"
#include "tests/platform/x_record_fields.inc"
  };
}
