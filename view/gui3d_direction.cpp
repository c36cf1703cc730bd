#include "view/gui3d_direction.h"

#include "view/gui3d_axis_arrow.h"
#include "view/gui3d_shapes.h"
#include "view/gui3d_values.h"

GUI3DDirection::GUI3DDirection(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DDirection(item, element, change, activate, AP_DIRECTION, 4, true, true, true) {
  access_points.init(AP_DIRECTION + 2, true, gui3d_position(&GUI3DDirection::coord_end_z_axis), true,
                     gui3d_action(&GUI3DDirection::rotate_on_xy_circles),
                     gui3d_drawing(&GUI3DDirection::draw_xy_circles), gui3d_drawing(&GUI3DDirection::minmax_sphere),
                     true, gui3d_action(&GUI3DDirection::rotate_z_on_sphere),
                     gui3d_drawing(&GUI3DDirection::draw_sphere), gui3d_drawing(&GUI3DDirection::minmax_sphere));
}

GUI3DDirection::GUI3DDirection(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate,
                               uint8_t first, uint8_t count, bool depth, bool fit, bool refresh)
    : GUI3DPlaneType(item, element, change, activate, first, count, depth, fit, refresh) {
  access_points.init(first, true, gui3d_position(&GUI3DDirection::coord_origin), true,
                     gui3d_action(&GUI3DDirection::translate_xyz), gui3d_drawing(&GUI3DDirection::draw_xyz_lines),
                     nullptr, true, gui3d_action(&GUI3DDirection::translate_in_view), nullptr, nullptr);
  access_points.init(uint8_t(first + 1), true, gui3d_position(&GUI3DDirection::coord_middle_z_axis), false,
                     gui3d_action(&GUI3DDirection::invert_xz), nullptr, nullptr, true,
                     gui3d_action(&GUI3DDirection::translate_in_z_direction),
                     gui3d_drawing(&GUI3DDirection::draw_line_in_z_direction), nullptr);
}

void GUI3DDirection::update_edit_vars(value* values) {
  put_point(values, reference_point);
  put_vector(values + 3, z_axis);
}

bool GUI3DDirection::take_origin_and_direction(const value* values, const char* refusal, const char** message,
                                               bool* refused) {
  bool changed = take_point(values, &reference_point);
  return take_z_axis(vector_value(values + 3), &x_axis, &y_axis, &z_axis, refusal, message, refused) || changed;
}

bool GUI3DDirection::set_edit_vars(const value* values, const char** message) {
  if (!finite_values(values, 6)) {
    *message = non_finite_message("DIRECTION");
    return false;
  }
  bool refused;
  bool changed = take_origin_and_direction(values, "DIRECTION 3D GUI: Direction vector is not normalized.", message,
                                           &refused);
  compute_minmax();
  return changed;
}

void GUI3DDirection::update_symbol_parameter() { symbol_size = 0.12f * view_.window_height; }

void GUI3DDirection::compute_minmax() {
  update_symbol_parameter();
  reset_symbol_minmax();
  update_symbol_minmax(reference_point + z_axis * symbol_size);
  add_drag_extent();
}

void GUI3DDirection::draw_symbol(bool lit, float transparency) {
  update_symbol_parameter();
  draw_axis_arrow(*this, lit, reference_point, z_axis, symbol_size, 0.02f, color, transparency);
  draw_image(reference_point.x(), reference_point.y(), reference_point.z(), color);
}

void GUI3DDirection::draw_line_in_z_direction() {
  float l = 5 * (view_.window_width + view_.window_height);
  draw_translation_line(reference_point - z_axis * l, reference_point + z_axis * l);
}

void GUI3DDirection::translate_in_z_direction(TekPoint pointer) {
  static Point middle_saved;
  if (!translation_in_progress) {
    middle_saved = coord_middle_z_axis();
    position_saved_ = reference_point;
    translation_vector = z_axis;
    translation_in_progress = true;
  }
  Point moved;
  translate_along_vector_constraint(middle_saved, coord_middle_z_axis(), z_axis, pointer, &moved);
  reference_point = position_saved_ + (moved - middle_saved);
}
