// The GDI half of window icons: a system icon from an icon pixmap and mask.
// Only the Windows build has it.
#pragma once

#include <windows.h>

// An icon (hot spot 0, 0) of the colour bitmap and the mask; without a mask
// the icon is opaque, through a mask of the system's icon size that lets no
// pixel of the screen through. Null on failure.
HICON CreateXIconFromBitmaps(HBITMAP colour, HBITMAP mask);
