// Lens flares: 2D glows over a finished view for each visible point or spot
// light, strung along the line from the light through the view's centre.
#pragma once

constexpr unsigned LENS_FLARE_TYPES = 9;  // types 1 to 9

// True when a setting changed while lens flares are displayed.
bool set_lens_flares(unsigned type, bool visible, bool hidden);
void get_lens_flares(unsigned* type, bool* visible, bool* hidden);
class write_df;
// The display-file record of the settings, written while visible or hidden
// flares are on and some light produces them.
void save_lens_flares(write_df* out);
// The flares of every light into the current view.
void draw_lens_flares();
// Deletes the four profile textures; they are built again on next use.
void delete_lens_flares();
void cleanup_realtime_lens_flares();

// Profile value (0 to 1) of texture 0 ring, 1 disc, 2 hexagon, 3 star at texel (i, j) of 512 × 512.
float lens_flare_profile(int texture, int i, int j);
