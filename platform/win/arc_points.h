// End points of X shapes as GDI's calls take them: arcs, whose angles are in
// 1/64 degree counterclockwise from three o'clock, and lines, whose last
// pixel GDI leaves out. Portable code.
#pragma once

struct Lx_ArcEnds {
  int start_x, start_y;
  int end_x, end_y;
};

// The arc of the box x, y, width, height from angle1 over angle2; a negative
// extent exchanges the two points, since GDI draws counterclockwise.
Lx_ArcEnds Lx_ArcEndPoints(int x, int y, unsigned width, unsigned height, int angle1, int angle2);

// Where GDI's line from (x1, y1) must end so that (x2, y2) is drawn too: one
// pixel further along each axis in the line's direction; a line of no length
// ends one pixel to the right, so its one point is drawn.
void Lx_LineEndPoint(int x1, int y1, int x2, int y2, int* end_x, int* end_y);
