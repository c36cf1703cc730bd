// Graphics contexts and drawing of the Windows layer over GDI, and the
// device contexts of drawables: a window's from the window, a pixmap's a
// memory context that stays open across calls (at most two at once).
#pragma once

#include <windows.h>

#include <X11/Xlib.h>

HDC Lx_GetDrawableDC(Display* display, Drawable drawable);
void Lx_ReleaseDrawableDC(Display* display, Drawable drawable, HDC dc);
// Closes a pixmap's memory context, so its bitmap is free to be read or
// selected elsewhere; nothing when none is open.
void Lx_ClosePixmapDC(Drawable pixmap);
