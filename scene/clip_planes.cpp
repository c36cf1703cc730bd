#include "scene/clip_planes.h"

#include <GL/gl.h>

#include <algorithm>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "scene/segment_store.h"

constexpr const char* MODULE = "clipplane";
constexpr int ERR_BAD_CLIPPLANE = 5421;

struct clipping_plane {
  bool active;            // switched on
  bool enabled;           // cuts the segment being drawn
  double equation[4];     // a x + b y + c z + d > 0 inside
};

static clipping_plane* clipping_planes;
static int max_clipplanes;
static int highest_active_clipplane = -1;  // the loops run from 0 to it
static bool clipping_enabled;              // a view is being drawn with its planes

static clipping_plane& get(int name) {
  if (!is_valid_clipplane(name)) internal_error(ERR_BAD_CLIPPLANE, MODULE);
  return clipping_planes[name - GL_CLIP_PLANE0];
}

static void find_highest_active() {
  highest_active_clipplane = -1;
  for (int i = 0; i < max_clipplanes; ++i)
    if (clipping_planes[i].active) highest_active_clipplane = i;
}

void init_clipplanes() {
  cleanup_clipplanes();
  GLint n = 0;
  glGetIntegerv(GL_MAX_CLIP_PLANES, &n);
  max_clipplanes = std::clamp<int>(n, 0, MAX_CLIPPLANES);
  clipping_planes = checked_new_array<clipping_plane>(size_t(std::max(max_clipplanes, 1)));
  for (int i = 0; i < max_clipplanes; ++i) clipping_planes[i] = {false, true, {1, 0, 0, 0}};
}

void cleanup_clipplanes() {
  if (clipping_planes != nullptr) CheckedFree(clipping_planes);
  clipping_planes = nullptr;
  max_clipplanes = 0;
  highest_active_clipplane = -1;
  clipping_enabled = false;
}

bool is_valid_clipplane(int name) {
  return name >= GL_CLIP_PLANE0 && name < GL_CLIP_PLANE0 + max_clipplanes;
}

bool gl_set_clipplane(int name, bool on) {
  clipping_plane& p = get(name);
  if (p.active == on) return false;
  p.active = on;
  find_highest_active();
  update_lists(true, true, false);
  return true;
}

bool gl_set_clipplane(int name, bool on, const float origin[3], const float normal[3]) {
  clipping_plane& p = get(name);
  bool changed = gl_set_clipplane(name, on);
  float d = -(origin[0] * normal[0] + origin[1] * normal[1] + origin[2] * normal[2]);
  const float coefficients[4] = {normal[0], normal[1], normal[2], d};
  // Equations are loaded at activation, so a new one leaves the display lists alone.
  for (int k = 0; k < 4; ++k)
    if (float(p.equation[k]) != coefficients[k]) {
      p.equation[k] = coefficients[k];
      changed = true;
    }
  return changed;
}

void activate_clipplanes(bool load) {
  // Without `load` the planes only come back within a view drawn with them:
  // a view drawn without planes must not get them, with another view's equations.
  if (!load && !clipping_enabled) return;
  clipping_enabled = true;
  for (int i = 0; i <= highest_active_clipplane; ++i) {
    if (!clipping_planes[i].active) continue;
    glEnable(GLenum(GL_CLIP_PLANE0 + i));
    if (load) glClipPlane(GLenum(GL_CLIP_PLANE0 + i), clipping_planes[i].equation);
  }
}

void activate_clipplanes(const bool enables[MAX_CLIPPLANES]) {
  if (!clipping_enabled) return;
  for (int i = 0; i <= highest_active_clipplane; ++i) {
    clipping_plane& p = clipping_planes[i];
    if (!p.active) continue;
    p.enabled = enables[i];
    if (p.enabled)
      glEnable(GLenum(GL_CLIP_PLANE0 + i));
    else
      glDisable(GLenum(GL_CLIP_PLANE0 + i));
  }
}

void deactivate_clipplanes() {
  clipping_enabled = false;
  for (int i = 0; i <= highest_active_clipplane; ++i)
    if (clipping_planes[i].active) glDisable(GLenum(GL_CLIP_PLANE0 + i));
}

void suspend_clipplanes(bool suspend) {
  if (!clipping_enabled) return;
  for (int i = 0; i <= highest_active_clipplane; ++i) {
    const clipping_plane& p = clipping_planes[i];
    if (!p.active || !p.enabled) continue;
    if (suspend)
      glDisable(GLenum(GL_CLIP_PLANE0 + i));
    else
      glEnable(GLenum(GL_CLIP_PLANE0 + i));
  }
}

static double plane_value(const clipping_plane& p, double x, double y, double z) {
  return p.equation[0] * x + p.equation[1] * y + p.equation[2] * z + p.equation[3];
}

bool inside_clip_area(const float point[3]) {
  for (int i = 0; i <= highest_active_clipplane; ++i) {
    const clipping_plane& p = clipping_planes[i];
    if (p.active && p.enabled && !(plane_value(p, point[0], point[1], point[2]) > 0)) return false;
  }
  return true;
}

bool inside_clip_area(const float point[3], const bool enables[MAX_CLIPPLANES]) {
  for (int i = 0; i <= highest_active_clipplane; ++i) {
    const clipping_plane& p = clipping_planes[i];
    if (p.active && enables[i] && !(plane_value(p, point[0], point[1], point[2]) > 0)) return false;
  }
  return true;
}

bool clipped_in_drawing(const float point[3]) { return clipping_enabled && !inside_clip_area(point); }

int inside_clip_area(vector_type min, vector_type max) {
  int result = 1;
  for (int i = 0; i <= highest_active_clipplane; ++i) {
    const clipping_plane& p = clipping_planes[i];
    if (!p.active) continue;
    int positive = 0;
    for (int corner = 0; corner < 8; ++corner) {
      double x = corner & 1 ? max.x : min.x, y = corner & 2 ? max.y : min.y, z = corner & 4 ? max.z : min.z;
      if (plane_value(p, x, y, z) > 0) ++positive;
    }
    if (positive == 0) return 2;
    if (positive < 8) result = 0;
  }
  return result;
}
