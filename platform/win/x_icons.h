// Window icons of the Windows layer: the icon pixmap and mask of a window's
// hints made into a system icon, kept in a record under the window's
// "WM_STATE" property and drawn while the window is minimized.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

void Lx_SetIcon(Display* display, Window window, XWMHints* hints);
// The window's current icon; null when it has no record.
HICON Lx_GetIcon(Display* display, Window window);
// Redraws the icon of a minimized window.
void Lx_UpdateIcon(Display* display, Window window);
// Destroys the icon made for a window that goes.
void Lx_DestroyWindowIcon(Window window);
