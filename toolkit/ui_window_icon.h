// The icon pixmap shared by all top-level windows.
#pragma once

#include <X11/Xlib.h>

// Built once, in the size the window manager asks for (32x32 by default).
Pixmap make_window_icon(Display* display);
