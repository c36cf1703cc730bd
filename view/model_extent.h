// The model extent over all segments, the depth range of a view derived from
// it, and the fit of the current view to the model.
#pragma once

#include "view/views.h"

// Recomputes the extent when the segment store says it is out of date.
void test_min_max();
// Widens the extent by one box.
void update_min_max(float min_x, float min_y, float min_z, float max_x, float max_y, float max_z);
bool get_no_geometry();
// The extent's diagonal, 1 without geometry.
float get_ldf_size();
// The extent as the view sees it through its mirror mode.
void get_ldf_min_max(const view_type* view, float min[3], float max[3]);
// Minimum and maximum of the extent, six zeros without geometry.
void get_bounding_cuboid(float out[6]);
class GUI3D;
// Widens [z_min, z_max] by the view z of the corners of a manipulator's symbol box.
void update_depth_gui3d(const GUI3D* item, const view_type* view, float* z_min, float* z_max);
// Recomputes view n's window depth so that it covers the model and the manipulators.
void update_depth(int n);
// Fits the current view to the model: mode 0 both axes, 1 the width, 2 the
// height. True when the fit left a coordinate that is not a number.
bool auto_max_min(int mode);
