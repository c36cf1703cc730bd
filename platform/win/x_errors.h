// The X error handler slot. No X error ever reaches a handler: X calls of
// the layer report failure through their results.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>

// Shows the error's name and resource id in a box titled "Error Handler"; 0.
int DefaultErrorHandler(Display* display, XErrorEvent* error);
