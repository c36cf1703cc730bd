// Cursors of the Windows layer: system cursors and black-and-white cursors
// made from bitmap pairs. A window without a cursor shows its parent's, up
// to the default cursor.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>

// Lx_FindCursor and Lx_SetDefaultCursor are the layer's (layer.h): a window's
// cursor, else its parent's (recursively), else the default cursor, which
// is also the answer for a null or unknown window.
