// Positions and directions in model space.
#pragma once

// Three floats passed by value: a model point or a direction.
struct vector_type {
  float x, y, z;
};

class Vector;

class Point {
 public:
  Point() : c{0, 0, 0} {}
  Point(float x, float y, float z) : c{x, y, z} {}
  explicit Point(const float a[3]) : c{a[0], a[1], a[2]} {}
  Point(const Point&) = default;
  Point& operator=(const Point&) = default;

  float x() const { return c[0]; }
  float y() const { return c[1]; }
  float z() const { return c[2]; }
  void set_x(float v) { c[0] = v; }
  void set_y(float v) { c[1] = v; }
  void set_z(float v) { c[2] = v; }
  const float* coord_array() const { return c; }

  Point operator+(const Vector& v) const;
  Point operator-(const Vector& v) const;
  Vector operator-(const Point& p) const;
  // Exact comparison of the three coordinates.
  bool operator!=(const Point& p) const { return c[0] != p.c[0] || c[1] != p.c[1] || c[2] != p.c[2]; }
  float distance(const Point& p) const;
  float distance_square(const Point& p) const;

 private:
  float c[3];
};

class Vector {
 public:
  Vector() : c{0, 0, 0} {}
  Vector(float x, float y, float z) : c{x, y, z} {}
  explicit Vector(const float a[3]) : c{a[0], a[1], a[2]} {}
  Vector(const Vector&) = default;
  Vector& operator=(const Vector&) = default;

  float x() const { return c[0]; }
  float y() const { return c[1]; }
  float z() const { return c[2]; }
  void set_x(float v) { c[0] = v; }
  void set_y(float v) { c[1] = v; }
  void set_z(float v) { c[2] = v; }
  const float* coord_array() const { return c; }

  float length() const;
  float length_square() const { return c[0] * c[0] + c[1] * c[1] + c[2] * c[2]; }
  bool is_normalized() const;
  // Shorter than 1e-5 is an internal error.
  Vector normalize() const;
  Vector cross_product(const Vector& b) const;

  Vector operator+(const Vector& b) const { return Vector(c[0] + b.c[0], c[1] + b.c[1], c[2] + b.c[2]); }
  Vector operator-(const Vector& b) const { return Vector(c[0] - b.c[0], c[1] - b.c[1], c[2] - b.c[2]); }
  Vector operator-() const { return Vector(-c[0], -c[1], -c[2]); }
  // Dot product.
  float operator*(const Vector& b) const { return c[0] * b.c[0] + c[1] * b.c[1] + c[2] * b.c[2]; }
  Vector operator*(float f) const { return Vector(c[0] * f, c[1] * f, c[2] * f); }
  // True when any coordinate differs by more than 1e-5.
  bool operator!=(const Vector& b) const;

 private:
  float c[3];
};

inline Vector operator*(float f, const Vector& v) { return v * f; }
