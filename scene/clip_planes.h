// The user clip planes of the graphics window, addressed by their GL name
// (GL_CLIP_PLANE0 + i); each segment chooses which active planes cut it.
#pragma once

constexpr int MAX_CLIPPLANES = 12;

void init_clipplanes();
void cleanup_clipplanes();
bool is_valid_clipplane(int name);
// Enables the active planes for the view being drawn, loading their
// equations in the current modelview when `load`.
void activate_clipplanes(bool load);
// Per segment, while a view is being drawn: which active planes cut it.
void activate_clipplanes(const bool enables[MAX_CLIPPLANES]);
void deactivate_clipplanes();
// True when the point lies inside every active, enabled plane.
bool inside_clip_area(const float point[3]);
