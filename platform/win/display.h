// The display and screen of the Windows layer: the visual table built from the
// system's OpenGL pixel formats. The display calls themselves are X's.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>

// Pixel-format counts above this are taken as this many.
constexpr int LX_MAX_PIXEL_FORMATS = 4096;

// Builds the visual table for a screen of `depth` bits and returns its default
// visual; ends the program (status 1) when no format meets the minimum.
Visual* mkVisuals(int depth);
// The same, reading the formats' descriptors instead of their WGL attributes
// when `attribute_query` is false.
Visual* Lx_MakeVisuals(int depth, bool attribute_query);
