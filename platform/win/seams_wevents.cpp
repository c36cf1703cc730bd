// seam: the atom calls that the event and keyboard calls and their tests
// need, until the atom module lands.
#include <windows.h>

#include <X11/Xlib.h>

#include <cstring>

#include "platform/win/layer.h"

// seam
Atom XInternAtom(Display*, const char* name, Bool) {
  static const char* const names[] = {"WM_PROTOCOLS", "WM_DELETE_WINDOW"};
  for (unsigned i = 0; i < 2; ++i)
    if (strcmp(name, names[i]) == 0) return 0xC000 + i;
  return None;
}
