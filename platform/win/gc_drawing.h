// The GDI half of X drawing on a device context: points, lines that draw
// their end point, filled rectangles, and arcs as outlines, chords or pies.
// Only the Windows build has it; the graphics-context calls draw through it.
#pragma once

#include <windows.h>

#include <functional>

// What a graphics context gives a drawing call.
struct Lx_DrawState {
  COLORREF foreground;
  int function;    // a pen raster operation for SetROP2 (13 copies the pen)
  int line_width;
  int line_style;  // a pen style, passed unchanged
  int arc_mode;    // 0 chord, 1 pie slice
};

void Lx_GdiDrawPoint(HDC dc, const Lx_DrawState& state, int x, int y);
void Lx_GdiDrawLine(HDC dc, const Lx_DrawState& state, int x1, int y1, int x2, int y2);
// A polyline whose last point is drawn too (the points are left as given).
// A closed one draws each corner once.
void Lx_GdiDrawLines(HDC dc, const Lx_DrawState& state, POINT* points, int count);
// A polygon with no pen and a solid foreground brush; fill_mode a polygon
// fill mode (2 winding).
void Lx_GdiFillPolygon(HDC dc, const Lx_DrawState& state, const POINT* points, int count, int fill_mode);
// Fills x to x + width, y to y + height, the far edges left out as in X.
void Lx_GdiFillRectangle(HDC dc, const Lx_DrawState& state, int x, int y, unsigned width, unsigned height);
void Lx_GdiDrawArc(HDC dc, const Lx_DrawState& state, int x, int y, unsigned width, unsigned height, int angle1,
                   int angle2, bool fill);

// Fills through a stipple (a 1-bit bitmap holding inverted X bits): the
// foreground lands where the X stipple is set, tiled from the origin (taken
// modulo 8); elsewhere the target stays. false when memory can't be had.
bool Lx_GdiFillRectangleStippled(HDC dc, const Lx_DrawState& state, HBITMAP stipple, int origin_x, int origin_y,
                                 int x, int y, unsigned width, unsigned height);
bool Lx_GdiFillArcStippled(HDC dc, const Lx_DrawState& state, HBITMAP stipple, int origin_x, int origin_y, int x,
                           int y, unsigned width, unsigned height, int angle1, int angle2);

// The stipple technique for any shape: `draw_at_origin` draws it at (0, 0) of
// a memory context `width` x `height`, which lands at x, y of the target;
// lines and polygons take another copy operation than the other shapes.
bool Lx_GdiStippled(HDC dc, HBITMAP stipple, int origin_x, int origin_y, int x, int y, int width, int height,
                    bool line, const std::function<void(HDC)>& draw_at_origin);
