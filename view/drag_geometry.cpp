#include "view/drag_geometry.h"

#include "view/gui3d.h"

void reset_drag_geometry() {}

void GUI3D::translate_along_vector(const Point& point, const Vector&, TekPoint, Point* result) { *result = point; }
void GUI3D::translate_along_vector_constraint(const Point&, const Point& current, const Vector&, TekPoint,
                                              Point* result) {
  *result = current;
}
bool GUI3D::define_translation_direction(const Point&, uint32_t, const Vector*, TekPoint, uint32_t*) { return false; }
void GUI3D::point_on_sphere(const Point& centre, float, const Vector&, TekPoint, Point* result) { *result = centre; }
bool GUI3D::point_on_circle(const Point&, float, const Vector&, const Vector&, TekPoint, float, float, Point*,
                            float*) {
  return false;
}
bool GUI3D::rotate_on_circle(TekPoint, const Point&, const Vector&, const Vector&, const Vector&, float, bool,
                             Vector*) {
  return false;
}
void GUI3D::rotate_u_around_w(TekPoint, const Point&, const Vector& u, const Vector& v, const Vector&, float,
                              Vector* new_u, Vector* new_v) {
  *new_u = u, *new_v = v;
}
void GUI3D::define_rotation_angle_increment(const Vector& u_start, const Vector&, const Vector&, float,
                                            Vector* result) {
  *result = u_start;
}
void GUI3D::define_scaled_rotation_angle(const Vector& u_start, const Vector&, const Vector&, const Vector&,
                                         const Vector&, float, float accumulated, float* new_accumulated,
                                         Vector* result) {
  *new_accumulated = accumulated, *result = u_start;
}
void GUI3D::rotate_on_perpendicular_circles(TekPoint, const Point&, Vector*, Vector*, Vector*, float) {}
bool GUI3D::set_rotation_data(float, float, float, uint32_t, const Vector&, Vector*, Vector*, const char**) {
  return false;
}
