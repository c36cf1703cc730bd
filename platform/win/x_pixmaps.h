// Pixmaps, images and bitmap files of the Windows layer: pixmaps are GDI
// bitmaps listed with the drawable each was made for; images are ZPixmap
// records of 8 or 32 bits per pixel.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>

int Lx_XDestroyImage(XImage* image);
unsigned long Lx_XGetPixel(XImage* image, int x, int y);
int Lx_XPutPixel(XImage* image, int x, int y, unsigned long pixel);
