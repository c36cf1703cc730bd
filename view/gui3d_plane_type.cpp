#include "view/gui3d_plane_type.h"

bool GUI3DPlaneType::set_coordinate_system(uint32_t type, const float* axes, uint32_t mask, const char** message) {
  if (type != CoordinateSystem::OWN) return GUI3DPointType::set_coordinate_system(type, axes, mask, message);
  Vector a[3] = {x_axis, y_axis, z_axis};
  return coordinate_system->set(type, a, mask, message);
}

bool GUI3DPlaneType::set_rotation(float, float, float, uint32_t, const char**) { return false; }
void GUI3DPlaneType::rotate_x_around_z(TekPoint) {}
void GUI3DPlaneType::rotate_y_around_z(TekPoint) {}
void GUI3DPlaneType::rotate_on_xy_circles(TekPoint) {}
void GUI3DPlaneType::rotate_x_on_sphere(TekPoint) {}
void GUI3DPlaneType::rotate_y_on_sphere(TekPoint) {}
void GUI3DPlaneType::rotate_z_on_sphere(TekPoint) {}
void GUI3DPlaneType::translate_along_z_direction(TekPoint) {}
void GUI3DPlaneType::invert_x(TekPoint) { x_axis = -x_axis, y_axis = -y_axis; }
void GUI3DPlaneType::invert_y(TekPoint) { x_axis = -x_axis, y_axis = -y_axis; }
void GUI3DPlaneType::invert_z(TekPoint) { z_axis = -z_axis, y_axis = -y_axis; }
void GUI3DPlaneType::invert_xz(TekPoint) { x_axis = -x_axis, z_axis = -z_axis; }
void GUI3DPlaneType::minmax_sphere() {}
void GUI3DPlaneType::draw_xy_circles() {}
void GUI3DPlaneType::draw_z_circle() {}
void GUI3DPlaneType::draw_sphere() {}
void GUI3DPlaneType::draw_line_in_z_direction() {}
void GUI3DPlaneType::draw_arrow(const Point&, const Vector&, float, float, const Vector&, const Vector&, const float*,
                                float, bool) {}
void GUI3DPlaneType::draw_lighted_arrow(float, float, const float*) {}
void GUI3DPlaneType::rotate_on_sphere(TekPoint, const Point&, Vector*, Vector*, Vector*) {}
