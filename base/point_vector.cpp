#include "base/point_vector.h"

#include <cmath>

#include "base/internal_error.h"

Point Point::operator+(const Vector& v) const { return Point(c[0] + v.x(), c[1] + v.y(), c[2] + v.z()); }
Point Point::operator-(const Vector& v) const { return Point(c[0] - v.x(), c[1] - v.y(), c[2] - v.z()); }
Vector Point::operator-(const Point& p) const { return Vector(c[0] - p.c[0], c[1] - p.c[1], c[2] - p.c[2]); }
float Point::distance(const Point& p) const { return std::sqrt(distance_square(p)); }
float Point::distance_square(const Point& p) const { return (*this - p).length_square(); }

float Vector::length() const { return std::sqrt(length_square()); }
bool Vector::is_normalized() const { return std::fabs(length() - 1.0f) < 1e-6f; }

Vector Vector::normalize() const {
  float l = length();
  if (l < 1e-5f) internal_error(71, "Vector");
  return Vector(c[0] / l, c[1] / l, c[2] / l);
}

Vector Vector::cross_product(const Vector& b) const {
  return Vector(c[1] * b.c[2] - b.c[1] * c[2], c[2] * b.c[0] - b.c[2] * c[0], b.c[1] * c[0] - c[1] * b.c[0]);
}

bool Vector::operator!=(const Vector& b) const {
  return std::fabs(c[0] - b.c[0]) > 1e-5f || std::fabs(c[1] - b.c[1]) > 1e-5f || std::fabs(c[2] - b.c[2]) > 1e-5f;
}
