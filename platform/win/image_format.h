// The layout of the layer's X images (format ZPixmap, least significant byte
// first): bits per pixel by depth, bytes per line, and pixels of 8, 16 and
// 32 bits read and written. Portable code.
#pragma once

#include <cstdint>

// 8 for depth 8, else 32.
int Lx_ImageBitsPerPixel(int depth);
// (width x bits per pixel + 31) / 8, rounded down to a multiple of 4: the rows
// of 32-bit units that the system's bitmaps use.
int Lx_ImageBytesPerLine(int width, int bits_per_pixel);
// Pixel (x, y) of image data; bits per pixel 8, 16 or 32 (any other reads 0
// and writes nothing).
unsigned long Lx_ImageGetPixel(const char* data, int bytes_per_line, int bits_per_pixel, int x, int y);
void Lx_ImagePutPixel(char* data, int bytes_per_line, int bits_per_pixel, int x, int y, unsigned long pixel);
