// X windows as system windows: the three window classes, the window table,
// the conversion between client and frame rectangles, and the shared window
// procedure. The window calls themselves are X's.
// (Named apart from the system header windows.h.)
#pragma once

#include <windows.h>

#include <X11/Xlib.h>

// Registers "TopLevel", "Widget" and "InputOnly" for the module.
void Lx_RegisterWindowClasses(HINSTANCE instance);
// The system's arrow cursor as an X cursor: the default of all windows.
Cursor Lx_ArrowCursor();

// Client rectangle to frame rectangle of a window and back: the system's own
// frame of the window's styles (so the client area keeps the X size), the
// caption only for a maximized window, nothing for a child window.
void Lx_AdjustRect(HWND window, RECT* rect);
void Lx_ReAdjustRect(HWND window, RECT* rect);

// The window under a screen position, or none when the position lies above
// or left of its client area.
Window XWindowFromPoint(Display* display, int x, int y);
