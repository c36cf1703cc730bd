// Shadows that the model casts onto the sides of the environment box: drawn
// flattened onto the side (hard shadows while the maps update continuously),
// or as a cached shadow texture laid over the side, blurred by 24 jittered
// passes for soft shadows.
#pragma once

#include <cstdint>

void init_realtime_shadows();
// Deletes the textures and the offscreen drawable (the context that was
// current stays current) and frees the buffers.
void cleanup_realtime_shadows();
// Deletes every shadow texture of every light and side.
void delete_shadow_maps();

// The side's inward normal against the light's direction of travel.
bool side_is_lit_by_light(int side, int light);
// Multiplies the current matrix by the projection onto the side's plane along the light.
void compute_shadow_projection(int light, int side);
// The shadow maps of the side that are due; true when aborted. The context
// and drawable current before are current again afterwards.
bool compute_shadow_maps(int side, bool (*abort)());
// The shadows on the side; true when aborted.
bool draw_shadows(int side, bool (*abort)());

// Box filter of a size × size map with (2 radius + 1)² neighbours, those
// outside counting 0, truncated.
void filter_shadow_map(const uint8_t* in, uint8_t* out, int size, int radius);
// The map size of a light (1024 hard; soft 512, halved above softness 2 and 5).
int shadow_map_size(int light);
// The GL texture of a light's map for a side, 0 when none (tests).
uint32_t get_shadow_texture(int light, int side);
// Maps computed since start (tests and the benchmark).
uint64_t shadow_maps_computed();
