// The display's lists of what the layer made: pixmaps with the drawable each
// was created for, and the cursors it must destroy. A drawable is a pixmap
// exactly when it is listed. Portable code: drawables and cursors are handles.
#pragma once

#include <cstdint>

void Lx_ListPixmap(uintptr_t pixmap, uintptr_t created_for);
// False for a pixmap that is not listed.
bool Lx_UnlistPixmap(uintptr_t pixmap);
bool Lx_IsPixmap(uintptr_t drawable);
// The window at the end of the created-for links from a drawable (the
// drawable itself when it is no pixmap); 0 when a link leads back into the chain.
uintptr_t Lx_GetDrawableWindow(uintptr_t drawable);

void Lx_ListCursor(uintptr_t cursor);
// False for a cursor that is not listed, which is then left alone.
bool Lx_UnlistCursor(uintptr_t cursor);

// Empties both lists.
void Lx_ClearDrawableLists();
