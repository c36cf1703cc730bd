#include "scene/transformation.h"

#include <GL/gl.h>

#include <cmath>

#include "base/internal_error.h"

namespace {

const char* const MODULE = "transformation";
enum { ERR_NO_TRANSFORMATION = 611, ERR_NO_INVERSE = 612 };

const double IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

const Transformation* model_transformation;

// Row r, column c of a column-major matrix.
inline double at(const double* a, int r, int c) { return a[c * 4 + r]; }

void apply(const double* a, const double in[3], double out[3], bool translate) {
  double w = in[0] * a[3] + in[1] * a[7] + in[2] * a[11] + a[15];
  for (int r = 0; r < 3; ++r) {
    double v = in[0] * at(a, r, 0) + in[1] * at(a, r, 1) + in[2] * at(a, r, 2);
    if (translate) v += a[12 + r];
    out[r] = v / w;
  }
}

const Transformation* required() {
  if (model_transformation == nullptr) internal_error(ERR_NO_TRANSFORMATION, MODULE);
  return model_transformation;
}

}  // namespace

Transformation::Transformation() : inverse_valid(true), identity(true) {
  for (int i = 0; i < 16; ++i) m[i] = inv[i] = IDENTITY[i];
}

Transformation::Transformation(const double* sixteen) : inverse_valid(false), identity(true) {
  for (int i = 0; i < 16; ++i) {
    m[i] = sixteen[i];
    if (!(m[i] == IDENTITY[i])) identity = false;
  }
  if (identity) {
    for (int i = 0; i < 16; ++i) inv[i] = IDENTITY[i];
    inverse_valid = true;
  } else {
    compute_inverse();
  }
}

bool Transformation::operator!=(const Transformation& other) const {
  for (int i = 0; i < 16; ++i)
    if (!(m[i] == other.m[i])) return true;
  return false;
}

double Transformation::det3x3(double a, double b, double c, double d, double e, double f, double g, double h,
                              double i) {
  return (e * i - f * h) * a - (b * i - c * h) * d + (b * f - c * e) * g;
}

double Transformation::det4x4() const {
  // Cofactor expansion along the first column of the column-major layout.
  double d = 0;
  for (int k = 0; k < 4; ++k) {
    int c[3], n = 0;
    for (int j = 0; j < 4; ++j)
      if (j != k) c[n++] = j;
    double minor = det3x3(m[4 + c[0]], m[8 + c[0]], m[12 + c[0]], m[4 + c[1]], m[8 + c[1]], m[12 + c[1]],
                          m[4 + c[2]], m[8 + c[2]], m[12 + c[2]]);
    d += (k % 2 == 0 ? 1 : -1) * m[k] * minor;
  }
  return d;
}

void Transformation::compute_inverse() {
  double d = det4x4();
  if (!(std::fabs(d) >= 1.1754944e-38)) {
    inverse_valid = false;
    return;
  }
  // inverse(r, c) = cofactor(c, r) / d
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      int rows[3], cols[3], nr = 0, nc = 0;
      for (int j = 0; j < 4; ++j) {
        if (j != c) rows[nr++] = j;
        if (j != r) cols[nc++] = j;
      }
      double minor = det3x3(at(m, rows[0], cols[0]), at(m, rows[0], cols[1]), at(m, rows[0], cols[2]),
                            at(m, rows[1], cols[0]), at(m, rows[1], cols[1]), at(m, rows[1], cols[2]),
                            at(m, rows[2], cols[0]), at(m, rows[2], cols[1]), at(m, rows[2], cols[2]));
      // det3x3's argument order expands the transposed minor; the value is the same.
      double cofactor = ((r + c) % 2 == 0 ? 1 : -1) * minor;
      inv[c * 4 + r] = cofactor / d;
    }
  inverse_valid = true;
}

void Transformation::transform_point(const double in[3], double out[3]) const { apply(m, in, out, true); }
void Transformation::transform_vector(const double in[3], double out[3]) const { apply(m, in, out, false); }

void Transformation::inverse_transform_point(const double in[3], double out[3]) const {
  if (!inverse_valid) internal_error(ERR_NO_INVERSE, MODULE);
  apply(inv, in, out, true);
}

void Transformation::inverse_transform_vector(const double in[3], double out[3]) const {
  if (!inverse_valid) internal_error(ERR_NO_INVERSE, MODULE);
  apply(inv, in, out, false);
}

void Transformation::transform_normal(const double in[3], double out[3]) const {
  if (!inverse_valid) internal_error(ERR_NO_INVERSE, MODULE);
  // (M^-1)^T: row r of the transpose is column r of the inverse.
  for (int r = 0; r < 3; ++r) out[r] = in[0] * at(inv, 0, r) + in[1] * at(inv, 1, r) + in[2] * at(inv, 2, r);
}

// ------------------------------------------------------------ the model transformation

bool set_transformation(const Transformation* t) {
  if (model_transformation != nullptr && t != nullptr && !(*model_transformation != *t)) return false;
  if (model_transformation == t) return false;
  delete model_transformation;
  model_transformation = t;
  return true;
}

bool transformation_enabled() { return model_transformation != nullptr && !model_transformation->is_identity(); }
const Transformation* get_transformation() { return model_transformation; }
void apply_transformation() { glMultMatrixd(required()->matrix()); }

void transform_point(vector_type* p) {
  double in[3] = {p->x, p->y, p->z}, out[3];
  required()->transform_point(in, out);
  p->x = float(out[0]), p->y = float(out[1]), p->z = float(out[2]);
}
void transform_point(const double* in, double* out) { required()->transform_point(in, out); }
void transform_vector(const double* in, double* out) { required()->transform_vector(in, out); }
void transform_vector(vector_type* v) {
  double in[3] = {v->x, v->y, v->z}, out[3];
  required()->transform_vector(in, out);
  v->x = float(out[0]), v->y = float(out[1]), v->z = float(out[2]);
}
void inverse_transform_point(const double* in, double* out) { required()->inverse_transform_point(in, out); }
void inverse_transform_vector(const double* in, double* out) { required()->inverse_transform_vector(in, out); }

void cleanup_transformations() {
  delete model_transformation;
  model_transformation = nullptr;
}
