#include "view/gui3d_spot_light.h"

#include "view/gui3d_beam_light.h"
#include "view/gui3d_shapes.h"
#include "view/gui3d_values.h"

GUI3DSpotLight::GUI3DSpotLight(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DPlaneType(item, element, change, activate, AP_SPOT_LIGHT, 4, true, true, true) {
  access_points.init(AP_SPOT_LIGHT, true, gui3d_position(&GUI3DSpotLight::coord_origin), true,
                     gui3d_action(&GUI3DSpotLight::translate_xyz), gui3d_drawing(&GUI3DSpotLight::draw_xyz_lines),
                     nullptr, true, gui3d_action(&GUI3DSpotLight::translate_in_view), nullptr, nullptr);
  access_points.init(AP_SPOT_LIGHT + 1, true, gui3d_position(&GUI3DSpotLight::coord_middle_z_axis), true,
                     gui3d_action(&GUI3DSpotLight::translate_along_z_direction),
                     gui3d_drawing(&GUI3DSpotLight::draw_line_in_z_direction), nullptr, true,
                     gui3d_action(&GUI3DSpotLight::no_action), nullptr, nullptr);
  access_points.init(AP_SPOT_LIGHT + 2, true, gui3d_position(&GUI3DSpotLight::coord_end_z_axis), true,
                     gui3d_action(&GUI3DSpotLight::rotate_on_xy_circles),
                     gui3d_drawing(&GUI3DSpotLight::draw_xy_circles), gui3d_drawing(&GUI3DSpotLight::minmax_sphere),
                     true, gui3d_action(&GUI3DSpotLight::rotate_z_on_sphere),
                     gui3d_drawing(&GUI3DSpotLight::draw_sphere), gui3d_drawing(&GUI3DSpotLight::minmax_sphere));
}

void GUI3DSpotLight::update_edit_vars(value* values) {
  put_point(values, reference_point);
  put_vector(values + 3, -z_axis);
  values[6].r = spot_angle;
  values[7].r = spot_focus;
}

// Refusals stop at the first bad value; the values before it are taken.
bool GUI3DSpotLight::set_edit_vars(const value* values, const char** message) {
  if (!finite_values(values, 8)) {
    *message = non_finite_message("SPOT_LIGHT");
    return false;
  }
  bool changed = take_point(values, &reference_point), refused;
  changed |= take_z_axis(-vector_value(values + 3), &x_axis, &y_axis, &z_axis,
                         "SPOT_LIGHT 3D GUI: Direction vector is not normalized.", message, &refused);
  if (refused) {
    compute_minmax();
    return changed;
  }
  float angle = values[6].r, focus = values[7].r;
  if (angle != spot_angle) {
    if (angle < SPOT_ANGLE_MIN || angle > SPOT_ANGLE_MAX) {
      *message = "SPOT_LIGHT 3D GUI: Spot angle is out of range";
      compute_minmax();
      return changed;
    }
    spot_angle = angle, changed = true;
  }
  if (focus != spot_focus) {
    if (focus < SPOT_FOCUS_MIN || focus > SPOT_FOCUS_MAX) {
      *message = "SPOT_LIGHT 3D GUI: Spot focus is out of range";
      compute_minmax();
      return changed;
    }
    spot_focus = focus, changed = true;
  }
  compute_minmax();
  return changed;
}

void GUI3DSpotLight::update_symbol_parameter() {
  float h = view_.window_height;
  position_copy = reference_point;
  first_length = FIRST_CONE_RELATIVE_LENGTH * h, first_radius = FIRST_CONE_RELATIVE_SMALL_RADIUS * h;
  second_length = SECOND_CONE_RELATIVE_LENGTH * h, second_radius = SECOND_CONE_RELATIVE_SMALL_RADIUS * h;
  cylinder_length = CYLINDER_RELATIVE_LENGTH * h, cylinder_radius = CYLINDER_RELATIVE_RADIUS * h;
  symbol_size = first_length + second_length;
}

void GUI3DSpotLight::compute_minmax() {
  update_symbol_parameter();
  reset_symbol_minmax();
  update_symbol_minmax(reference_point + z_axis * symbol_size);
  update_symbol_minmax(reference_point - z_axis * cylinder_length);
  add_drag_extent();
}

// The lamp opens toward the light's direction (-z): the rim at the position,
// the body narrowing back along +z, and the cap that ends at the end handle.
void GUI3DSpotLight::draw_symbol(bool lit, float transparency) {
  update_symbol_parameter();
  const LampSection lamp[3] = {{cylinder_length, cylinder_radius, cylinder_radius},
                               {first_length, cylinder_radius, first_radius},
                               {second_length, second_radius, 0}};
  Point rim = reference_point - z_axis * cylinder_length;
  draw_lamp(rim, z_axis, lamp, 1, lit, color, transparency);
  draw_lamp(reference_point, z_axis, lamp + 1, 2, lit, color, transparency);
  draw_image(reference_point.x(), reference_point.y(), reference_point.z(), color);
}
