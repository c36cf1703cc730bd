// The GDI half of cursors: black-and-white cursors from two 1-bit bitmaps,
// the cursor-font shapes as system cursors or glyph cursors, and the best
// cursor size. Only the Windows build has it.
#pragma once

#include <windows.h>

// A cursor from a 1-bit source bitmap and a mask (null, or the source itself:
// none), as wide and high as the source. Null when the source is not a
// one-plane, one-bit bitmap.
HCURSOR Lx_CreateCursorFromBitmaps(HBITMAP source, HBITMAP mask, int x_hot, int y_hot);

// The cursor of a cursor-font shape: a system cursor for the shapes that name
// one, else the glyph with the mask glyph (mask_char above 153: no mask).
// Null for shapes above 153 that name no system cursor. *made tells whether
// the cursor was made here (and must be destroyed) or is the system's.
HCURSOR Lx_CreateShapeCursor(unsigned shape, unsigned mask_char, bool* made);

// Each asked size limited to the system's cursor size.
void Lx_BestCursorSize(unsigned width, unsigned height, unsigned* best_width, unsigned* best_height);
