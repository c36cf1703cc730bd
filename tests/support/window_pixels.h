// The pixels of a window's area as 0xRRGGBB, row by row, read with XGetImage:
// the X server's under Linux, the layer's read-back of the window under
// Windows. Empty when the area can't be read.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

std::vector<uint32_t> window_pixels(Display* display, Window window, int x, int y, unsigned width, unsigned height);
