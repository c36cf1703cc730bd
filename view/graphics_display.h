// The display connection of the graphics window: the application context's
// graphics connection (the second display with -2). Without a context, as in
// tests of the views alone, a connection of its own is opened.
#pragma once

#include <X11/Xlib.h>

// The connection; opened on first use when there is no context; halts when
// there is no display.
Display* graphics_display();
void close_graphics_display();
int graphics_display_width();   // pixels of the default screen
int graphics_display_height();
int graphics_display_width_mm();  // the -g size when given, else the screen's
int graphics_display_height_mm();
