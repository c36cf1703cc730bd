#include "view/gui3d_point_type.h"

#include <cmath>

#include "base/internal_error.h"
#include "view/drag_geometry.h"

void GUI3DPointType::reset_symbol_minmax() { symbol_min = symbol_max = reference_point; }

void GUI3DPointType::compute_minmax() { reset_symbol_minmax(); }

uint32_t GUI3DPointType::free_axes(Vector out[3]) const {
  uint32_t n = 0;
  for (int i = 0; i < 3; ++i)
    if (!coordinate_system->exempt(i)) out[n++] = coordinate_system->axis[i];
  return n;
}

bool GUI3DPointType::set_coordinate_system(uint32_t type, const float* axes, uint32_t mask, const char** message) {
  Vector a[3];
  switch (type) {
    case CoordinateSystem::ABSENT:
      type = CoordinateSystem::WORLD;
      [[fallthrough]];
    case CoordinateSystem::WORLD:
      a[0] = Vector(1, 0, 0), a[1] = Vector(0, 1, 0), a[2] = Vector(0, 0, 1);
      break;
    case CoordinateSystem::GIVEN:
      for (int i = 0; i < 3; ++i) a[i] = Vector(axes + 3 * i);
      break;
    case CoordinateSystem::VIEW:
      a[0] = Vector(view_.u), a[1] = Vector(view_.v), a[2] = Vector(view_.direction);
      break;
    case CoordinateSystem::OWN:
      // Only a manipulator with axes of its own has them to give.
      *message = "COORDINATE_SYSTEM item attribute: type 0 needs a 3D GUI object with its own axes";
      return false;
    default:
      internal_error(248, "gui3d");
  }
  return coordinate_system->set(type, a, mask, message);
}

void GUI3DPointType::translate_xyz(TekPoint pointer) {
  drag_geometry_state& s = drag_state();
  if (!translation_in_progress) {
    Vector axes[3];
    uint32_t index[3], n = 0;
    for (uint32_t i = 0; i < 3; ++i)
      if (!coordinate_system->exempt(int(i))) axes[n] = coordinate_system->axis[i], index[n++] = i;
    uint32_t chosen;
    if (!define_translation_direction(reference_point, n, axes, pointer, &chosen)) return;
    translation_in_progress = true;
    s.direction_index = index[chosen];
    translation_vector = axes[chosen];
    position_saved_ = reference_point;
  }
  translate_along_vector_constraint(position_saved_, reference_point, coordinate_system->axis[s.direction_index],
                                    pointer, &reference_point);
  compute_minmax();
}

// Rounded steps of `increment` along one view axis; tiny projections are 0.
static float snapped(const Vector& moved, const Vector& axis, float increment) {
  float p = moved * axis;
  if (std::fabs(p) < 1e-5f) return 0;
  return increment * std::round(p / increment);
}

void GUI3DPointType::translate_in_view(TekPoint pointer) {
  drag_geometry_state& s = drag_state();
  if (!s.plane_started) {
    s.plane_started = true;
    s.plane_start = reference_point;
    Vector axes[3];
    s.plane_axes = free_axes(axes);
    if (s.plane_axes == 2) {
      s.plane_normal = axes[0].cross_product(axes[1]);
      if (s.plane_normal.length_square() < 1e-10f) {
        s.plane_axes = 0;  // the two axes span no plane
      } else if (Vector d(view_.direction); std::fabs(s.plane_normal * d) < 1e-5f * s.plane_normal.length() * d.length()) {
        s.plane_axes = 1;  // a plane seen edge-on: the drag runs along the free axis the view shows
      }
    } else if (s.plane_axes == 3) {
      s.plane_normal = Vector(view_.direction);
    }
  }
  if (s.plane_axes == 1) return translate_xyz(pointer);
  if (s.plane_axes == 0) return;
  Point o, hit;
  Vector r;
  float t;
  if (!define_pick_ray(&view_, pointer, &o, &r) || !intersect_line_plane(reference_point, s.plane_normal, o, r, &hit, &t))
    return;
  if (scaled_drag()) {
    float scale = increments->motion_scale, l = increments->linear;
    hit = s.plane_start + (hit - s.plane_start) * scale;
    if (l > 0) {
      Vector moved = hit - s.plane_start, u(view_.u), v(view_.v);
      hit = s.plane_start + u * snapped(moved, u, l) + v * snapped(moved, v, l);
    }
  }
  reference_point = hit;
  compute_minmax();
}

void GUI3DPointType::draw_xyz_lines() {
  float reach = 10 * view_.window_width;
  for (int i = 0; i < 3; ++i) {
    if (coordinate_system->exempt(i)) continue;
    const Vector& a = coordinate_system->axis[i];
    draw_translation_line(reference_point - a * reach, reference_point + a * reach);
  }
}
