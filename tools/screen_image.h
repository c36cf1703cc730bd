// Pixels of the screen and PNG files, for the screenshot and screen tools.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

// The RGB rows (top first) of a rectangle of `window`; false when X refused.
bool read_rgb(Display* display, Window window, int x, int y, int width, int height, std::vector<uint8_t>* rgb);

// RGB rows as a PNG with stored (uncompressed) deflate blocks.
bool write_png(const char* path, int width, int height, const std::vector<uint8_t>& rgb);
