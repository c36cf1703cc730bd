// Atoms and window properties of the Windows layer. Atoms are the system's
// global atoms; a property is a movable global block, a 32-bit type atom
// followed by the data, hung on the window under the name "#0x%0.4x" of
// its atom. Of the properties only the window-manager hints have effects.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>

#include <cstddef>

// Stores a property block, freeing the block it replaces; false when no
// memory can be had.
bool Lx_StoreProperty(HWND window, Atom property, Atom type, const void* data, size_t bytes);
// Copies at most `size` bytes of a property's data and gives its type; the
// count of its data bytes, 0 (type None) when the window has no such block.
size_t Lx_ReadProperty(HWND window, Atom property, Atom* type, void* data, size_t size);
