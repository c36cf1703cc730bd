#include "view/gui3d_values.h"

#include <cmath>
#include <cstdio>

#include "view/gui3d_shapes.h"

bool finite_values(const value* values, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(values[i].r)) return false;
  return true;
}

const char* non_finite_message(const char* kind) {
  static char message[80];
  std::snprintf(message, sizeof message, "%s 3D GUI: Edit value is not a finite number.", kind);
  return message;
}

Vector vector_value(const value* values) { return Vector(values[0].r, values[1].r, values[2].r); }

bool take_point(const value* values, Point* p) {
  bool changed = false;
  if (values[0].r != p->x()) p->set_x(values[0].r), changed = true;
  if (values[1].r != p->y()) p->set_y(values[1].r), changed = true;
  if (values[2].r != p->z()) p->set_z(values[2].r), changed = true;
  return changed;
}

bool differs(const Vector& given, const Vector& v) {
  return given.x() != v.x() || given.y() != v.y() || given.z() != v.z();
}

void put_point(value* values, const Point& p) {
  values[0].r = p.x(), values[1].r = p.y(), values[2].r = p.z();
}

void put_vector(value* values, const Vector& v) {
  values[0].r = v.x(), values[1].r = v.y(), values[2].r = v.z();
}

bool take_z_axis(const Vector& z, Vector* x, Vector* y, Vector* axis_z, const char* refusal, const char** message,
                 bool* refused) {
  *refused = false;
  if (!differs(z, *axis_z)) return false;
  Vector nx = *x, ny = *y;
  if (!z.is_normalized() || !rebuild_axes_about_z(nx, ny, z)) {
    *message = refusal;
    *refused = true;
    return false;
  }
  *axis_z = z, *x = nx, *y = ny;
  return true;
}
