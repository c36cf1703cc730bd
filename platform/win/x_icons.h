// Window icons of the Windows layer: the icon pixmap and mask of a window's
// hints made into a system icon, kept in a record under the window's
// "WM_STATE" property and drawn while the window is minimized.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

// Lx_SetIcon, Lx_GetIcon and Lx_UpdateIcon are the layer's (layer.h).

// Destroys the icon made for a window that goes.
void Lx_DestroyWindowIcon(Window window);
