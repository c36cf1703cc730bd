#include "view/gui3d_world_axis.h"

#include <initializer_list>
#include <algorithm>

#include "gl/gl_context.h"
#include "view/gui3d_axis_arrow.h"
#include "view/gui3d_shapes.h"
#include "view/gui3d_values.h"

GUI3DWorldAxis::GUI3DWorldAxis(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DPlaneType(item, element, change, activate, AP_WORLD_AXIS, 4, true, false, true) {
  outside_change_abort = false;
  access_points.init(AP_WORLD_AXIS, true, gui3d_position(&GUI3DWorldAxis::coord_end_x_axis), true,
                     gui3d_action(&GUI3DWorldAxis::rotate_x_around_z), gui3d_drawing(&GUI3DWorldAxis::draw_z_circle),
                     nullptr, true, gui3d_action(&GUI3DWorldAxis::rotate_x_on_sphere),
                     gui3d_drawing(&GUI3DWorldAxis::draw_sphere), nullptr);
  access_points.init(AP_WORLD_AXIS + 1, true, gui3d_position(&GUI3DWorldAxis::coord_end_y_axis), true,
                     gui3d_action(&GUI3DWorldAxis::rotate_y_around_z), gui3d_drawing(&GUI3DWorldAxis::draw_z_circle),
                     nullptr, true, gui3d_action(&GUI3DWorldAxis::rotate_y_on_sphere),
                     gui3d_drawing(&GUI3DWorldAxis::draw_sphere), nullptr);
  access_points.init(AP_WORLD_AXIS + 2, true, gui3d_position(&GUI3DWorldAxis::coord_end_z_axis), true,
                     gui3d_action(&GUI3DWorldAxis::rotate_on_xy_circles),
                     gui3d_drawing(&GUI3DWorldAxis::draw_xy_circles), gui3d_drawing(&GUI3DWorldAxis::minmax_sphere),
                     true, gui3d_action(&GUI3DWorldAxis::rotate_z_on_sphere),
                     gui3d_drawing(&GUI3DWorldAxis::draw_sphere), gui3d_drawing(&GUI3DWorldAxis::minmax_sphere));
}

// The report carries the turned axes; the symbol goes back to the world's.
void GUI3DWorldAxis::update_edit_vars(value* values) {
  put_vector(values, x_axis);
  put_vector(values + 3, y_axis);
  put_vector(values + 6, z_axis);
  x_axis = Vector(1, 0, 0), y_axis = Vector(0, 1, 0), z_axis = Vector(0, 0, 1);
  compute_minmax();
}

bool GUI3DWorldAxis::set_edit_vars(const value*, const char**) {
  compute_minmax();
  return true;
}

void GUI3DWorldAxis::update_symbol_parameter() {
  symbol_size = symbol_size_2 = 0.06f * std::min(view_.window_width, view_.window_height);
  if (view_.viewing_matrix == nullptr) return;
  float x, y;
  world_axis_pixel(view_.gl_viewport, &x, &y);
  Point at;
  if (unproject_front(view_.viewing_matrix, view_.gl_viewport, x, y, &at))
    reference_point = at;
}

void GUI3DWorldAxis::compute_minmax() {
  update_symbol_parameter();
  reset_symbol_minmax();
  for (const Vector* axis : {&x_axis, &y_axis, &z_axis}) update_symbol_minmax(reference_point + *axis * symbol_size);
  add_drag_extent();
}

// Always in front of the scene.
void GUI3DWorldAxis::draw_symbol(bool lit, float transparency) {
  update_symbol_parameter();
  XGLContext* c = XGLContext::current_context;
  c->enable_depth_testing(false);
  draw_axis_arrow(*this, lit, reference_point, x_axis, symbol_size, 0.01f, color, transparency);
  draw_axis_arrow(*this, lit, reference_point, y_axis, symbol_size, 0.01f, color, transparency);
  draw_axis_arrow(*this, lit, reference_point, z_axis, symbol_size, 0.01f, color, transparency);
  draw_image(reference_point.x(), reference_point.y(), reference_point.z(), color);
}
