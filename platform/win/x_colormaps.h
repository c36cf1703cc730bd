// Colormaps and colours of the Windows layer. Pixels are colour references
// 0x00BBGGRR; colormap 1 is the screen's default and, like 0, never freed.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>

// Selects, realises and applies the palette of a window's colormap and,
// recursively, of its children's: the answer to a system colour change.
void Lx_UpdatePaletteColors(Window window);
