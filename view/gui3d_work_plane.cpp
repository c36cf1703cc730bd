#include "view/gui3d_work_plane.h"

#include <initializer_list>
#include <cmath>

#include "gl/gl_context.h"
#include "view/gui3d_axis_arrow.h"
#include "view/gui3d_shapes.h"
#include "view/gui3d_values.h"

GUI3DWorkPlane::GUI3DWorkPlane(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DPlaneType(item, element, change, activate, AP_WORK_PLANE, 9, true, true, true) {
  using P = GUI3DWorkPlane;
  auto none = gui3d_action(&P::no_action);
  access_points.init(AP_WORK_PLANE, true, gui3d_position(&P::coord_origin), true, gui3d_action(&P::translate_xyz),
                     gui3d_drawing(&P::draw_xyz_lines), nullptr, true, gui3d_action(&P::translate_in_view), nullptr,
                     nullptr);
  access_points.init(AP_WORK_PLANE + 1, true, gui3d_position(&P::coord_x_end), true,
                     gui3d_action(&P::rotate_x_around_z), gui3d_drawing(&P::draw_z_circle), nullptr, true,
                     gui3d_action(&P::rotate_x_around_z), gui3d_drawing(&P::draw_z_circle), nullptr);
  access_points.init(AP_WORK_PLANE + 2, true, gui3d_position(&P::coord_y_end), true,
                     gui3d_action(&P::rotate_y_around_z), gui3d_drawing(&P::draw_z_circle), nullptr, true,
                     gui3d_action(&P::rotate_y_around_z), gui3d_drawing(&P::draw_z_circle), nullptr);
  access_points.init(AP_WORK_PLANE + 3, true, gui3d_position(&P::coord_z_end), true,
                     gui3d_action(&P::rotate_on_xy_circles), gui3d_drawing(&P::draw_xy_circles),
                     gui3d_drawing(&P::minmax_sphere), true, gui3d_action(&P::rotate_z_on_sphere),
                     gui3d_drawing(&P::draw_sphere), gui3d_drawing(&P::minmax_sphere));
  access_points.init(AP_WORK_PLANE + 4, true, gui3d_position(&P::coord_x_middle), false, gui3d_action(&P::invert_x),
                     nullptr, nullptr, false, none, nullptr, nullptr);
  access_points.init(AP_WORK_PLANE + 5, true, gui3d_position(&P::coord_y_middle), false, gui3d_action(&P::invert_y),
                     nullptr, nullptr, false, none, nullptr, nullptr);
  access_points.init(AP_WORK_PLANE + 6, true, gui3d_position(&P::coord_z_middle), false, gui3d_action(&P::invert_z),
                     nullptr, nullptr, false, none, nullptr, nullptr);
  access_points.init(AP_WORK_PLANE + 7, true, gui3d_position(&P::coord_symbol_corner), true,
                     gui3d_action(&P::resize_symbol), nullptr, nullptr, false, none, nullptr, nullptr);
}

void GUI3DWorkPlane::update_edit_vars(value* values) {
  put_point(values, reference_point);
  put_vector(values + 3, x_axis);
  put_vector(values + 6, y_axis);
  put_vector(values + 9, z_axis);
  values[12].r = symbol_scale;
}

// The axes are tested before they are stored: a refused frame keeps the previous one.
bool GUI3DWorkPlane::set_edit_vars(const value* values, const char** message) {
  if (!finite_values(values, 13)) {
    *message = non_finite_message("WORK_PLANE");
    return false;
  }
  bool changed = take_point(values, &reference_point);
  float scale = std::fmax(values[12].r, SYMBOL_SCALE_MIN);
  if (scale != symbol_scale) symbol_scale = scale, changed = true;
  Vector x = vector_value(values + 3), y = vector_value(values + 6), z = vector_value(values + 9);
  bool x_changed = differs(x, x_axis), y_changed = differs(y, y_axis), z_changed = differs(z, z_axis);
  const char* refusal = nullptr;
  if (x_changed && !x.is_normalized())
    refusal = "WORK_PLANE 3D GUI: X direction vector is not normalized";
  else if (y_changed && !y.is_normalized())
    refusal = "WORK_PLANE 3D GUI: Y direction vector is not normalized";
  else if ((x_changed || y_changed) && std::fabs(x * y) > 1e-6f)
    refusal = "WORK_PLANE 3D GUI: X direction and Y direction are not orthogonal";
  else if (z_changed && !z.is_normalized())
    refusal = "WORK_PLANE 3D GUI: Z direction vector is not normalized";
  else if ((x_changed || y_changed || z_changed) && x.cross_product(y) * z < 0.999999f)
    refusal = "WORK_PLANE 3D GUI: Direction vectors do not form a right-handed coordinate system";
  if (refusal != nullptr) {
    *message = refusal;
  } else if (x_changed || y_changed || z_changed) {
    x_axis = x, y_axis = y, z_axis = z;
    changed = true;
  }
  compute_minmax();
  return changed;
}

void GUI3DWorkPlane::update_symbol_parameter() {
  float size = view_.window_width + view_.window_height;
  extent_1 = handles ? symbol_scale * SYMBOL_SHRINK_HIGHLIGHTED * size : SYMBOL_SHRINK_NON_HIGHLIGHTED * size;
  extent_2 = SYMBOL_XY_RATIO * extent_1;
  symbol_size = extent_1, symbol_size_2 = extent_2;
}

void GUI3DWorkPlane::compute_minmax() {
  update_symbol_parameter();
  reset_symbol_minmax();
  for (float sx : {-extent_1, extent_1})
    for (float sy : {-extent_2, extent_2}) update_symbol_minmax(reference_point + x_axis * sx + y_axis * sy);
  update_symbol_minmax(coord_z_end());
  add_drag_extent();
}

bool GUI3DWorkPlane::set_configuration(uint32_t configuration) {
  bool on = !(configuration & 1);
  if (on == handles) return false;
  handles = on;
  for (uint8_t n = AP_WORK_PLANE + 1; n <= AP_WORK_PLANE + 7; ++n) access_points.offer(n, on);
  compute_minmax();
  return true;
}

void GUI3DWorkPlane::resize_symbol(TekPoint pointer) {
  update_symbol_parameter();
  Point origin, hit;
  Vector direction;
  float t;
  if (!define_pick_ray(pointer, &origin, &direction)) return;
  if (!intersect_line_plane(reference_point, z_axis, origin, direction, &hit, &t)) return;
  Vector diagonal = x_axis * extent_1 + y_axis * extent_2;
  float length = diagonal.length();
  if (!(length > 0)) return;
  float projection = ((hit - reference_point) * diagonal) / length;
  if (projection <= 0) return;
  symbol_scale = std::fmax(symbol_scale * projection / length, SYMBOL_SCALE_MIN);
  update_symbol_parameter();
}

void GUI3DWorkPlane::draw_symbol(bool lit, float transparency) {
  update_symbol_parameter();
  const Point& o = reference_point;
  Point corners[4] = {o - x_axis * extent_1 - y_axis * extent_2, o + x_axis * extent_1 - y_axis * extent_2,
                      o + x_axis * extent_1 + y_axis * extent_2, o - x_axis * extent_1 + y_axis * extent_2};
  gl_colour(color, transparency);
  draw_line_loop(corners, 4);
  Vector u(view_.u), v(view_.v);
  if (handles) {
    float size = text_size_for_height(0.015f * (view_.window_width + view_.window_height));
    draw_screen_text("X", coord_x_end(), u, v, size, justify_left, justify_bottom);
    draw_screen_text("Y", coord_y_end(), u, v, size, justify_left, justify_bottom);
    draw_screen_text("Z", coord_z_end(), u, v, size, justify_left, justify_bottom);
    draw_axis_arrow(*this, lit, o, x_axis, extent_1, 0.02f, YELLOW, transparency);
    draw_axis_arrow(*this, lit, o, y_axis, extent_2, 0.02f, BLUE, transparency);
    draw_axis_arrow(*this, lit, o, z_axis, extent_1, 0.02f, RED, transparency);
  } else {
    draw_axis_arrow(*this, lit, o, z_axis, extent_1, 0.02f, color, transparency);
  }
  draw_image(o.x(), o.y(), o.z(), color);
}
