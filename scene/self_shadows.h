// Shadows that the model casts onto itself: a depth map from each light,
// compared in texture space during a second drawing of the geometry, which
// darkens the frame where a surface lies behind the light's nearest one.
#pragma once

#include <cstdint>

void init_realtime_self_shadows();
// Deletes the textures and the offscreen drawable (the context that was
// current stays current) and frees the depth buffer.
void cleanup_realtime_self_shadows();
void delete_self_shadow_maps();

// The self shadows of the current view; true when aborted.
bool draw_self_shadows(bool (*abort)());

// The map size used for a requested one: 2 to GL's largest texture.
uint32_t self_shadow_map_size(uint32_t requested);
// Tiles of the offscreen drawable drawn since start (tests).
uint64_t self_shadow_tiles_drawn();
