// The text selection of the Windows layer: the system clipboard's text,
// with the selection last taken remembered for the events that name it.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>

// What the loss of the clipboard means: false when the layer emptied it
// itself (no SelectionClear); else the remembered selection, which is then
// forgotten.
bool Lx_ClipboardLost(Atom* selection);
// The remembered selection (0 when none), for the copy, cut and paste events.
Atom Lx_RememberedSelection();
