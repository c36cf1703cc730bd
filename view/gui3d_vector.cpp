#include "view/gui3d_vector.h"

#include <initializer_list>
#include <algorithm>
#include <cstdio>

#include "view/gui3d_shapes.h"
#include "view/gui3d_values.h"

GUI3DVector::GUI3DVector(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DDirection(item, element, change, activate, AP_VECTOR, 6, true, true, false) {
  access_points.init(AP_VECTOR + 2, true, gui3d_position(&GUI3DVector::coord_end_z_axis), true,
                     gui3d_action(&GUI3DVector::rotate_on_xy_circles), gui3d_drawing(&GUI3DVector::draw_xy_circles),
                     gui3d_drawing(&GUI3DVector::minmax_sphere), true,
                     gui3d_action(&GUI3DVector::rotate_vector_on_sphere), gui3d_drawing(&GUI3DVector::draw_sphere),
                     gui3d_drawing(&GUI3DVector::minmax_sphere));
  for (uint8_t n : {uint8_t(AP_VECTOR + 3), uint8_t(AP_VECTOR + 4)})
    access_points.init(n, true,
                       n == AP_VECTOR + 3 ? gui3d_position(&GUI3DVector::coord_end_axis_left)
                                          : gui3d_position(&GUI3DVector::coord_end_axis_right),
                       true, gui3d_action(&GUI3DVector::change_vector_length), nullptr, nullptr, true,
                       gui3d_action(&GUI3DVector::change_vector_length), nullptr, nullptr);
  symbol_size = length;
}

void GUI3DVector::update_edit_vars(value* values) {
  GUI3DDirection::update_edit_vars(values);
  values[6].r = length;
}

bool GUI3DVector::set_edit_vars(const value* values, const char** message) {
  if (!finite_values(values, 7)) {
    *message = non_finite_message("VECTOR");
    return false;
  }
  bool refused;
  bool changed =
      take_origin_and_direction(values, "VECTOR 3D GUI: Direction vector is not normalized.", message, &refused);
  if (!refused && values[6].r != length) {
    if (values[6].r < LENGTH_MIN) {
      static char text[64];
      std::snprintf(text, sizeof text, "VECTOR 3D GUI: vector length must be at least %f", double(LENGTH_MIN));
      *message = text;
    } else {
      length = values[6].r;
      changed = true;
    }
  }
  compute_minmax();
  return changed;
}

void GUI3DVector::update_symbol_parameter() { symbol_size = length; }

void GUI3DVector::compute_minmax() {
  update_symbol_parameter();
  reset_symbol_minmax();
  update_symbol_minmax(reference_point + z_axis * length);
  add_drag_extent();
}

void GUI3DVector::minmax_sphere() {
  update_symbol_parameter();
  GUI3DPlaneType::minmax_sphere();
}

Point GUI3DVector::end_mark(float side) const {
  float offset = 0.02f * view_.window_width;
  Vector across = z_axis.cross_product(Vector(view_.direction));
  if (across.length_square() < 1e-10f) across = Vector(view_.u);
  else across = across * (1 / across.length());
  return reference_point + z_axis * (length - offset) + across * (side * 0.6f * offset);
}

void GUI3DVector::change_vector_length(TekPoint pointer) {
  static Point start;
  static Vector direction;
  float offset = 0.02f * view_.window_width;
  if (!translation_in_progress) {
    start = reference_point + z_axis * (length - offset);
    direction = z_axis;
    translation_vector = z_axis;
    translation_in_progress = true;
  }
  Point current = reference_point + direction * (length - offset), moved;
  translate_along_vector_constraint(start, current, direction, pointer, &moved);
  float along = (moved - reference_point) * direction;
  length = along > 0 ? std::max(along + offset, LENGTH_MIN) : LENGTH_MIN;
  symbol_size = length;
}

void GUI3DVector::rotate_vector_on_sphere(TekPoint pointer) {
  if (rotation_constraint == 1) {
    rotate_on_xy_circles(pointer);
    return;
  }
  Point on_sphere;
  point_on_sphere(reference_point, length, z_axis, pointer, &on_sphere);
  Vector d = on_sphere - reference_point;
  if (d.length() < 1e-5f) return;
  Vector z = d * (1 / d.length()), x = x_axis, y = y_axis;
  if (rebuild_axes_about_z(x, y, z)) z_axis = z, x_axis = x, y_axis = y;
}
