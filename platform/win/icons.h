// The GDI half of window icons: a system icon from an icon pixmap and mask.
// Only the Windows build has it.
#pragma once

#include <windows.h>

// An icon (hot spot 0, 0) of the colour bitmap and the mask; without a mask,
// one of the system's icon size with every pixel white is used. Null on failure.
HICON CreateXIconFromBitmaps(HBITMAP colour, HBITMAP mask);
