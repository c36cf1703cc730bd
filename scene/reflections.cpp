#include "scene/reflections.h"

#include <GL/gl.h>

#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "scene/display_options.h"
#include "scene/draw_geometry.h"
#include "scene/environment.h"
#include "scene/lights.h"
#include "view/views.h"

namespace {

constexpr const char* MODULE = "reflections";

// Outward sign of each side's axis: the clip plane keeps the side's far half-space.
const double OUTWARD[ENVIRONMENT_SIDES] = {-1, 1, 1, -1, -1, 1};

double dot(const float* a, const float* b) { return double(a[0]) * b[0] + double(a[1]) * b[1] + double(a[2]) * b[2]; }

}  // namespace

void compute_reflection_projection(int side) {
  if (side < 0 || side >= ENVIRONMENT_SIDES) internal_error(2, MODULE);
  const float* n = get_environment_side_axis(side);
  const float* v = get_environment_vertex(side, 0);
  double nv = dot(n, v);
  double m[16];
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) m[4 * c + r] = (r == c ? 1 : 0) - 2.0 * n[r] * n[c];
  for (int r = 0; r < 3; ++r) m[12 + r] = 2 * nv * n[r];
  m[3] = m[7] = m[11] = 0, m[15] = 1;
  glMultMatrixd(m);
  activate_lights();
  store_viewing_matrix();
}

void set_clipplane(int side, bool on) {
  if (side < 0 || side >= ENVIRONMENT_SIDES) internal_error(1, MODULE);
  if (!on) {
    glDisable(GL_CLIP_PLANE5);
    return;
  }
  const float* n = get_environment_side_axis(side);
  const float* v = get_environment_vertex(side, 0);
  double s = OUTWARD[side];
  const double plane[4] = {s * n[0], s * n[1], s * n[2], -s * dot(n, v)};
  glClipPlane(GL_CLIP_PLANE5, plane);
  glEnable(GL_CLIP_PLANE5);
}

bool draw_reflections(int side, bool (*abort)()) {
  XGLContext* gl = XGLContext::current_context;
  set_clipplane(side, true);
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->push_matrix();
  gl->flip_front_face();
  compute_reflection_projection(side);
  for (int other = 0; other < ENVIRONMENT_SIDES; ++other)
    if (other != side) draw_environment_side(other);
  bool aborted = draw_geometry(false, false, true, true, abort);
  if (!aborted && get_display_options()->get_enable_transparency()) draw_transparent_surfaces();
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->pop_matrix();
  gl->flip_front_face();
  set_clipplane(side, false);
  activate_lights();
  store_viewing_matrix();
  return aborted;
}
