#include "scene/environment.h"

#include <cmath>

#include "scene/lights.h"

namespace {

constexpr double ARC_SECOND = 4.84813681109536e-6;  // radians

// The box's frame: unit axes X, Y, Z and the angles that turned the model axes into them.
struct {
  float x[3] = {1, 0, 0};
  float y[3] = {0, 1, 0};
  float z[3] = {0, 0, 1};
  int32_t angle[3] = {0, 0, 0};
} reflection_data;

// Turns v about model axis `axis` (0 x, 1 y, 2 z).
void rotate_vector(int32_t angle, int axis, float v[3]) {
  double a = angle * ARC_SECOND, c = std::cos(a), s = std::sin(a);
  int i = axis == 0 ? 1 : 0;  // the two coordinates that turn
  int j = axis == 2 ? 1 : 2;
  double p = v[i], q = v[j];
  v[i] = float(c * p - s * q);
  v[j] = float(s * p + c * q);
}

void cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

bool normalise(float v[3]) {
  double length = std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
  if (length < 1e-6) return false;
  for (int k = 0; k < 3; ++k) v[k] = float(v[k] / length);
  return true;
}

// Makes the frame orthonormal again with Z kept: Y = Z × X, X = Y × Z.
void update_reflection_vectors() {
  auto& r = reflection_data;
  if (!normalise(r.z)) r.z[0] = 0, r.z[1] = 0, r.z[2] = 1;
  cross(r.z, r.x, r.y);
  normalise(r.y);
  cross(r.y, r.z, r.x);
  normalise(r.x);
}

}  // namespace

bool set_rotate_reflection(int32_t ax, int32_t ay, int32_t az) {
  auto& r = reflection_data;
  if (ax == r.angle[0] && ay == r.angle[1] && az == r.angle[2]) return false;
  r.angle[0] = ax, r.angle[1] = ay, r.angle[2] = az;
  float* axes[2] = {r.x, r.z};
  r.x[0] = 1, r.x[1] = 0, r.x[2] = 0;
  r.z[0] = 0, r.z[1] = 0, r.z[2] = 1;
  for (float* v : axes)
    for (int axis = 0; axis < 3; ++axis) rotate_vector(r.angle[axis], axis, v);
  update_reflection_vectors();
  set_update_shadowmaps();
  return true;
}

bool change_rotate_reflection(int32_t dx, int32_t dy, int32_t dz) {
  const int32_t* a = reflection_data.angle;
  // ANGLE sums wrap like YARL's INTEGER arithmetic.
  return set_rotate_reflection(int32_t(uint32_t(a[0]) + uint32_t(dx)), int32_t(uint32_t(a[1]) + uint32_t(dy)),
                               int32_t(uint32_t(a[2]) + uint32_t(dz)));
}

void get_rotate_reflection(int32_t* ax, int32_t* ay, int32_t* az) {
  *ax = reflection_data.angle[0];
  *ay = reflection_data.angle[1];
  *az = reflection_data.angle[2];
}
