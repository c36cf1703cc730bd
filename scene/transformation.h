// A 4 × 4 matrix of doubles with its cached inverse, and the one optional
// model transformation that the application can put on all its geometry.
#pragma once

#include "base/point_vector.h"

// Matrix elements are in glMultMatrixd's column-major order: m[12..14] is the
// translation, and a point maps as GL maps it: x' = m[0]x + m[4]y + m[8]z + m[12].
class Transformation {
 public:
  Transformation();
  explicit Transformation(const double* sixteen);

  bool operator!=(const Transformation& other) const;
  double operator[](unsigned char i) const { return m[i]; }
  const double* matrix() const { return m; }
  const double* inverse_matrix() const { return inv; }
  bool is_identity() const { return identity; }
  bool is_inverse_valid() const { return inverse_valid; }

  void compute_inverse();
  static double det3x3(double a, double b, double c, double d, double e, double f, double g, double h, double i);
  double det4x4() const;

  // Points and directions divide by the w row (m[3], m[7], m[11], m[15]); a
  // direction drops the translation. The inverse operations need a valid inverse.
  void transform_point(const double in[3], double out[3]) const;
  void inverse_transform_point(const double in[3], double out[3]) const;
  void transform_vector(const double in[3], double out[3]) const;
  void inverse_transform_vector(const double in[3], double out[3]) const;
  // A surface normal: the inverse transpose of the 3 × 3 part, not normalised.
  void transform_normal(const double in[3], double out[3]) const;

 private:
  double m[16];
  double inv[16];
  bool inverse_valid;
  bool identity;
};

// The model transformation; `set_transformation` takes ownership of `t` only
// when it returns true (the caller keeps an unchanged one).
bool set_transformation(const Transformation* t);
bool transformation_enabled();
const Transformation* get_transformation();
void apply_transformation();
void transform_point(vector_type* p);
void transform_point(const double* in, double* out);
void transform_vector(const double* in, double* out);
void transform_vector(vector_type* v);
void inverse_transform_point(const double* in, double* out);
void inverse_transform_vector(const double* in, double* out);
void cleanup_transformations();
