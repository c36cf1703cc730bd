#include "scene/clip_planes.h"

// Not built yet: no plane is ever active.
void init_clipplanes() {}
void cleanup_clipplanes() {}
bool is_valid_clipplane(int) { return false; }
void activate_clipplanes(bool) {}
void activate_clipplanes(const bool*) {}
void deactivate_clipplanes() {}
bool inside_clip_area(const float*) { return true; }
