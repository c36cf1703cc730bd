#include "view/gui3d_point.h"

#include <GL/gl.h>

#include "gl/gl_context.h"
#include "runtime/tables.h"
#include "view/gui3d_shapes.h"
#include "view/gui3d_values.h"

GUI3DPoint::GUI3DPoint(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DPointType(item, element, change, activate, AP_POINT, 2, true, true, false) {
  color[0] = YELLOW[0], color[1] = YELLOW[1], color[2] = YELLOW[2];
  access_points.init(AP_POINT, true, gui3d_position(&GUI3DPoint::coord_origin), true,
                     gui3d_action(&GUI3DPoint::translate_xyz), gui3d_drawing(&GUI3DPoint::draw_xyz_lines), nullptr,
                     true, gui3d_action(&GUI3DPoint::translate_in_view), nullptr, nullptr);
}

void GUI3DPoint::update_edit_vars(value* values) {
  values[0].r = reference_point.x();
  values[1].r = reference_point.y();
  values[2].r = reference_point.z();
}

bool GUI3DPoint::set_edit_vars(const value* values, const char** message) {
  if (!finite_values(values, 3)) {
    *message = non_finite_message("POINT");
    return false;
  }
  bool changed = false;
  if (values[0].r != reference_point.x()) reference_point.set_x(values[0].r), changed = true;
  if (values[1].r != reference_point.y()) reference_point.set_y(values[1].r), changed = true;
  if (values[2].r != reference_point.z()) reference_point.set_z(values[2].r), changed = true;
  compute_minmax();
  return changed;
}

// A screen-aligned cross with an open middle, unless the point is hidden behind its image.
void GUI3DPoint::draw_symbol(bool, float transparency) {
  if (access_points.entry(AP_POINT).enabled || image == nullptr) {
    gl_colour(color, transparency);
    draw_open_cross(reference_point, Vector(view_.u), Vector(view_.v), 0.01f * view_.window_height);
  }
  draw_image(reference_point.x(), reference_point.y(), reference_point.z(), color);
}
