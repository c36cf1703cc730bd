// The keyboard mapping over the system's keyboard layout: keysyms and
// characters of the virtual-key codes that key events carry as keycodes.
// The X calls are declared in X11/Xlib.h and X11/Xutil.h.
#pragma once

#include <X11/Xlib.h>

// XKeycodeToKeysym for any keycode: 0 above 255, the table's keysym, or the
// one character that the layout gives the key in the state `index` names.
KeySym Lx_KeycodeToKeysym(unsigned keycode, int index);
