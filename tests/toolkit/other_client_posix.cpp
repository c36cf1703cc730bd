#include "tests/toolkit/other_client.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

bool another_program_takes_primary() {
  Display* other = XOpenDisplay(nullptr);
  if (other == nullptr) return false;
  Window w = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 1, 1, 0, 0, 0);
  XSetSelectionOwner(other, XA_PRIMARY, w, CurrentTime);
  XSync(other, False);
  bool taken = XGetSelectionOwner(other, XA_PRIMARY) == w;
  XDestroyWindow(other, w);
  XCloseDisplay(other);
  return taken;
}
