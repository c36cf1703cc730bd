// Offscreen rendering of all views in tiles, for the image export.
#pragma once

bool get_offscreen_rendering();
// Whole-number factor by which the offscreen image is finer than the views.
unsigned get_offscreen_alias();
// The offscreen scale while rendering offscreen, else 1.
float get_offscreen_scale();
// Edge bits of view n's frame that fall inside the current tile:
// 1 left, 2 right, 4 bottom, 8 top.
unsigned get_offscreen_frame(int n);
// The offscreen clear colour, -1 for the normal background.
long get_offscreen_background();
