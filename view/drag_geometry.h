// The per-drag state of the drag geometry beyond GUI3D's statics: the chosen
// axis, circle and sphere half, the saved start values and accumulated angle.
#pragma once

#include <cstdint>

#include "base/point_vector.h"

struct drag_geometry_state {
  uint32_t direction_index;  // translate_xyz: the chosen coordinate-system axis
  bool plane_started;        // translate_in_view: start position and plane taken
  uint32_t plane_axes;       // the free axes at the start, 0 when nothing moves
  Vector plane_normal;
  Point plane_start;
  bool half_decided, front_half, left_sphere;  // point_on_sphere
  bool input_good, dir_u_inside;               // rotate_u_around_w
  Vector u_start, v_start, u_last, v_last, raw_u, raw_v;
  float accumulated;
  uint8_t rotation_circle;  // rotate_on_perpendicular_circles: 0 none, 1 around u, 2 around v
  bool middle_started;      // saved middle point of a z translation
  Point middle_saved;
};

drag_geometry_state& drag_state();
// Clears the state at a release and when the dragged manipulator disappears.
void reset_drag_geometry();
