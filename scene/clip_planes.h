// The user clip planes of the graphics window, addressed by their GL name
// (GL_CLIP_PLANE0 + i); each segment chooses which active planes cut it.
#pragma once

#include "base/point_vector.h"

constexpr int MAX_CLIPPLANES = 12;

// init reads GL_MAX_CLIP_PLANES of the current context; a second init replaces the table.
void init_clipplanes();
void cleanup_clipplanes();
bool is_valid_clipplane(int name);
// Switch a plane on or off (and set it from a point and a normal); true when
// anything changed. A valid name is required (internal error else).
bool gl_set_clipplane(int name, bool on);
bool gl_set_clipplane(int name, bool on, const float origin[3], const float normal[3]);
// Enables the active planes for the view being drawn, loading their
// equations in the current modelview when `load`; without `load` it only
// enables them again in a view whose drawing activated them.
void activate_clipplanes(bool load);
// Per segment, while a view is being drawn: which active planes cut it.
void activate_clipplanes(const bool enables[MAX_CLIPPLANES]);
void deactivate_clipplanes();
// Takes the planes out of GL while pixel-space drawing runs inside a view's
// drawing (their equations are in model space), and puts them back.
void suspend_clipplanes(bool suspend);
// True when the point lies inside every active, enabled plane.
bool inside_clip_area(const float point[3]);
// True when the point lies inside every active plane that a segment's
// `enables` let cut it.
bool inside_clip_area(const float point[3], const bool enables[MAX_CLIPPLANES]);
// True when the view being drawn has planes on and they cut the point away:
// for markers and texts, whose pixel drawing GL does not clip.
bool clipped_in_drawing(const float point[3]);
// A box against every active plane: 1 wholly inside, 0 cut, 2 wholly
// outside some plane.
int inside_clip_area(vector_type min, vector_type max);
