// The GDI half of pixmaps and bitmap files: bitmaps made from X bitmap data
// and from bitmap files (Windows "BM" files and X bitmap text files). Only the
// Windows build has it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/win/bitmap_file.h"

// A bitmap for a pixmap of the given depth: 1 a monochrome bitmap with no X
// bit set, any other depth one compatible with the screen. Null when it can't be had.
HBITMAP Lx_CreatePixmapBitmap(int width, int height, int depth);
// A 1-bit bitmap from X bitmap data (rows of (width + 7) / 8 bytes, least
// significant bit leftmost, 1 foreground). Null for sizes out of range.
HBITMAP Lx_CreateBitmapFromXData(const uint8_t* data, int width, int height);

// Reads a bitmap file into a bitmap: results as X numbers them (0 success,
// 1 open failed, 2 invalid file, 3 no memory). The hot spot is -1 where the
// file gives none, and (0, 0) for a "BM" file.
int Lx_ReadBitmapFileToBitmap(const char* path, HBITMAP* bitmap, int* width, int* height, int* x_hot, int* y_hot);

// Reads an X bitmap text file; results as above, the data from CheckedMalloc.
int Lx_ReadXBitmapFile(const char* path, Lx_XBitmap* bitmap);

// A plain copy of an area between two contexts.
bool Lx_GdiCopyArea(HDC source, HDC destination, int sx, int sy, int width, int height, int dx, int dy);
// Paints a 1-bit source's set bits (its X bits: GDI holds them inverted) in
// the foreground and its clear bits in the background.
bool Lx_GdiCopyPlane(HDC source, HDC destination, int sx, int sy, int width, int height, int dx, int dy,
                     COLORREF foreground, COLORREF background);

// The colours of an area as 32-bit pixels, bytes blue, green, red and zero,
// rows top-down of width x 4 bytes; false when the area can't be read.
bool Lx_GdiGetPixels(HDC source, int x, int y, int width, int height, uint8_t* pixels);
// Draws an area of image data (8 or 32 bits per pixel, rows of bytes_per_line)
// from sx, sy at dx, dy: 32-bit pixels in the byte order Lx_GdiGetPixels gives
// (the fourth byte ignored), 8-bit pixels as indices into an identity table.
bool Lx_GdiPutPixels(HDC destination, int dx, int dy, int width, int height, const char* data, int bytes_per_line,
                     int bits_per_pixel, int sx, int sy);
