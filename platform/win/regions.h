// Regions of the Windows layer: a small record owning one system region, in
// device pixels. The X region calls and the clip masks of graphics contexts
// work on these records. Only the Windows build has it.
#pragma once

#include <windows.h>

struct _XRegion {
  HRGN region;
};

// A new empty region; null when the system can't give one.
_XRegion* Lx_CreateRegion();
void Lx_DestroyRegion(_XRegion* region);
// A new region with the same area; null when it can't be had.
_XRegion* Lx_CopyRegion(const _XRegion* region);
// destination = source (when they differ) with the rectangle from x, y to
// x + width, y + height added; 0, or 11 (bad alloc) when the copy can't be made.
int Lx_UnionRectWithRegion(int x, int y, unsigned width, unsigned height, const _XRegion* source,
                           _XRegion* destination);
void Lx_IntersectRegion(const _XRegion* a, const _XRegion* b, _XRegion* result);
// The bounding box; width and height 0 for an empty region.
void Lx_ClipBox(const _XRegion* region, int* x, int* y, unsigned* width, unsigned* height);
