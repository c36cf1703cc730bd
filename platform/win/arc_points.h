// The start and end points of an X arc as GDI's arc calls take them. Angles
// are in 1/64 degree, counterclockwise from three o'clock. Portable code.
#pragma once

struct Lx_ArcEnds {
  int start_x, start_y;
  int end_x, end_y;
};

// The arc of the box x, y, width, height from angle1 over angle2; a negative
// extent exchanges the two points, since GDI draws counterclockwise.
Lx_ArcEnds Lx_ArcEndPoints(int x, int y, unsigned width, unsigned height, int angle1, int angle2);
