#include "view/gui3d_clip_plane.h"

#include <initializer_list>

#include "view/gui3d_axis_arrow.h"
#include "view/gui3d_shapes.h"
#include "view/gui3d_values.h"

GUI3DClipPlane::GUI3DClipPlane(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DPlaneType(item, element, change, activate, AP_CLIP_PLANE, 4, true, true, true) {
  access_points.init(AP_CLIP_PLANE, true, gui3d_position(&GUI3DClipPlane::coord_origin), true,
                     gui3d_action(&GUI3DClipPlane::translate_xyz), gui3d_drawing(&GUI3DClipPlane::draw_xyz_lines),
                     nullptr, true, gui3d_action(&GUI3DClipPlane::translate_in_view), nullptr, nullptr);
  access_points.init(AP_CLIP_PLANE + 1, true, gui3d_position(&GUI3DClipPlane::coord_middle_z_axis), false,
                     gui3d_action(&GUI3DClipPlane::invert_xz), nullptr, nullptr, false,
                     gui3d_action(&GUI3DClipPlane::no_action), nullptr, nullptr);
  access_points.init(AP_CLIP_PLANE + 2, true, gui3d_position(&GUI3DClipPlane::coord_end_z_axis), true,
                     gui3d_action(&GUI3DClipPlane::rotate_on_xy_circles),
                     gui3d_drawing(&GUI3DClipPlane::draw_xy_circles), gui3d_drawing(&GUI3DClipPlane::minmax_sphere),
                     true, gui3d_action(&GUI3DClipPlane::rotate_z_on_sphere),
                     gui3d_drawing(&GUI3DClipPlane::draw_sphere), gui3d_drawing(&GUI3DClipPlane::minmax_sphere));
}

void GUI3DClipPlane::update_edit_vars(value* values) {
  put_point(values, reference_point);
  put_vector(values + 3, z_axis);
}

bool GUI3DClipPlane::set_edit_vars(const value* values, const char** message) {
  if (!finite_values(values, 6)) {
    *message = non_finite_message("CLIP_PLANE");
    return false;
  }
  bool changed = take_point(values, &reference_point), refused;
  changed |= take_z_axis(vector_value(values + 3), &x_axis, &y_axis, &z_axis,
                         "CLIP_PLANE 3D GUI: Plane normal vector is not normalized.", message, &refused);
  compute_minmax();
  return changed;
}

void GUI3DClipPlane::update_symbol_parameter() { symbol_size = symbol_size_2 = 0.1f * view_.window_height; }

void GUI3DClipPlane::compute_minmax() {
  update_symbol_parameter();
  reset_symbol_minmax();
  float r = symbol_size;
  update_symbol_minmax(reference_point + z_axis * r);
  for (float sx : {-r, r})
    for (float sy : {-r, r}) update_symbol_minmax(reference_point + x_axis * sx + y_axis * sy);
  add_drag_extent();
}

void GUI3DClipPlane::draw_symbol(bool lit, float transparency) {
  update_symbol_parameter();
  draw_axis_arrow(*this, lit, reference_point, z_axis, symbol_size, 0.02f, color, transparency);
  gl_colour(color, transparency);
  draw_circle_loop(reference_point, x_axis, y_axis, symbol_size, 24);
  draw_image(reference_point.x(), reference_point.y(), reference_point.z(), color);
}
