// The drawing of the model for one view: frustum culling, the passes over the
// entity tree, and the transparent surfaces collected by them, drawn last.
#pragma once

// Frustum planes from projection × modelview (16 doubles, column-major).
void setup_frustum_planes(const double* matrix);
// 1 wholly inside, 0 partly inside, 2 outside.
int box_is_visible(const float* minimum, const float* maximum);
// Strictly inside all six planes.
bool point_is_visible(const float* point);

// Draws the model into the current view; true when `abort` stopped it.
bool draw_geometry(bool geometry_only, bool projected_texture, bool reflection, bool cull, bool (*abort)());
// Draws the transparent facet trees of the last drawing, far to near, blended.
void draw_transparent_surfaces();
