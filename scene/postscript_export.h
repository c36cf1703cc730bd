// PostScript and EPS export of the graphics window: the views are drawn once
// more into a GL feedback buffer, and the points, lines and polygons are
// written back to front as calls of the procedures of the file's prolog.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <cstdio>

// 0, −2 (cannot open or write), −3 (feedback above 128 MB), −4 (nothing
// drawn). The viewport is x0, y0, x1, y1 in window pixels; page sizes are in
// PostScript units; quality 0 (coarsest) to 4. The file is replaced only on
// success: −3 and −4 leave the path as it was.
int save_postscript(const float viewport[4], void (*draw)(), Display* display, Window window, int colour_count,
                    const char* path, bool colour, bool eps, bool landscape, int page_width, int page_height,
                    int quality);

// The header and prolog; colours (16-bit RGB triples) only in index mode.
void write_header(FILE* file, const float viewport[4], bool colour, bool eps, bool landscape, int page_width,
                  int page_height, const uint16_t* colours, int colour_count, int quality, float point_size,
                  float line_width, const float clear_rgb[3]);
// The primitives of a feedback buffer, farthest first. Vertices are x y z r
// g b a, or x y z i in index mode; pass-through tokens carry line widths.
void write_sorted_feedback(FILE* file, int count, const float* buffer, bool index_mode, float line_width);
