// seam: the atom call that the event calls need for the window manager's
// close request, until the atom module lands.
#include <windows.h>

#include <X11/Xlib.h>

#include <cstring>

// seam
Atom XInternAtom(Display*, const char* name, Bool) {
  static const char* const names[] = {"WM_PROTOCOLS", "WM_DELETE_WINDOW"};
  for (unsigned i = 0; i < 2; ++i)
    if (strcmp(name, names[i]) == 0) return 0xC000 + i;
  return None;
}
