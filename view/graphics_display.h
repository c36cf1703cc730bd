// The display connection of the graphics window. A stand-in for the toolkit's
// application context until that exists: it opens its own connection.
#pragma once

#include <X11/Xlib.h>

// Opens the connection on first use; halts when there is no display.
Display* graphics_display();
void close_graphics_display();
int graphics_display_width();   // pixels of the default screen
int graphics_display_height();
int graphics_display_width_mm();
int graphics_display_height_mm();
