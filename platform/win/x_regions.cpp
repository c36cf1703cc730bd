// The X region calls over the layer's region records.
#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/win/regions.h"

Region XCreateRegion() { return Lx_CreateRegion(); }

int XDestroyRegion(Region region) {
  Lx_DestroyRegion(region);
  return 0;
}

int XUnionRectWithRegion(XRectangle* rectangle, Region source, Region destination) {
  return Lx_UnionRectWithRegion(rectangle->x, rectangle->y, rectangle->width, rectangle->height, source, destination);
}

int XIntersectRegion(Region a, Region b, Region result) {
  Lx_IntersectRegion(a, b, result);
  return 0;
}

int XClipBox(Region region, XRectangle* rectangle) {
  int x, y;
  unsigned width, height;
  Lx_ClipBox(region, &x, &y, &width, &height);
  rectangle->x = static_cast<short>(x);
  rectangle->y = static_cast<short>(y);
  rectangle->width = static_cast<unsigned short>(width);
  rectangle->height = static_cast<unsigned short>(height);
  return 0;
}
