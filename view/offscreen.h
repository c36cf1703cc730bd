// Offscreen rendering of all views in tiles, for the image export: the
// settings, the tiling of the image, and the drawing of one tile.
#pragma once

#include <cstdint>

bool get_offscreen_rendering();
// Whole-number factor by which the offscreen image is finer than the views
// (1 unless rendering offscreen).
unsigned get_offscreen_alias();
// The offscreen scale while rendering offscreen, else 1.
float get_offscreen_scale();
// Edge bits of view n's frame that fall inside the current tile:
// 1 left, 2 right, 4 bottom, 8 top (all four unless rendering offscreen).
unsigned get_offscreen_frame(int n);
// The offscreen clear colour, -1 for the normal background.
long get_offscreen_background();

void set_offscreen_alias(uint8_t factor);
// (image width / height) / (graphics viewport width / height).
void set_offscreen_aspect(float aspect);
void set_offscreen_background(long background);
void set_offscreen_scale(float scale);
// The image size in pixels at factor 1 and the tile's position in it
// (from the bottom left).
void set_tiling_conf(uint32_t total_x, uint32_t total_y, uint32_t x_offset, uint32_t y_offset);
void get_tiling_conf(uint32_t* total_x, uint32_t* total_y, uint32_t* x_offset, uint32_t* y_offset);

// The export's order: save_views, the settings, prepare_offscreen_rendering,
// (make the offscreen context current) init_offscreen_context, per tile
// set_tiling_conf and paint_all_views, then reset_offscreen_rendering.
void prepare_offscreen_rendering();
void init_offscreen_context();
// Repaints all views into the current drawable; offscreen, each view is
// first fitted to the current tile and afterwards restored.
void paint_all_views();
void reset_offscreen_rendering();
void save_views();
void restore_views();
