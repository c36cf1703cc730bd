// The arrows of the kinds with axes: an axis of a manipulator drawn unlit by
// `draw_arrow`, or lit, turned from +z onto the axis, by `draw_lighted_arrow`.
#pragma once

#include "view/gui3d_plane_type.h"

void draw_axis_arrow(GUI3DPlaneType& m, bool lit, const Point& origin, const Vector& axis, float length,
                     float head_scale, const float* colour, float transparency);
