// Atoms and window properties of the Windows layer. Atoms are the system's
// global atoms; a property is a movable global block, a 32-bit type atom
// followed by the data, hung on the window under the name "#0x%0.4x" of
// its atom. Of the properties only the window-manager hints have effects.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstddef>

// Stores a property block, freeing the block it replaces; false when no
// memory can be had.
bool Lx_StoreProperty(HWND window, Atom property, Atom type, const void* data, size_t bytes);
// Lx_ReadProperty is the layer's (layer.h).
// Whether `property` is one of the text properties the layer stores
// (WM_NAME, WM_ICON_NAME).
bool Lx_IsStoredText(Atom property);
// Fills `text` with a new copy of a stored text property, as X reads it back;
// false, all fields 0, when the window has none.
bool Lx_ReadTextProperty(Window window, Atom property, XTextProperty* text);
