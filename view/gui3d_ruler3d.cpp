#include "view/gui3d_ruler3d.h"

#include <algorithm>
#include <cmath>

#include "gl/gl_context.h"
#include "view/gui3d_shapes.h"
#include "view/gui3d_values.h"

GUI3DRuler3D::GUI3DRuler3D(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate)
    : GUI3DPointType(item, element, change, activate, AP_RULER3D, 2, false, false, false) {
  access_points.init(AP_RULER3D, true, gui3d_position(&GUI3DRuler3D::coord_origin), true,
                     gui3d_action(&GUI3DRuler3D::translate_xyz), gui3d_drawing(&GUI3DRuler3D::draw_xyz_lines), nullptr,
                     true, gui3d_action(&GUI3DRuler3D::translate_in_view), nullptr, nullptr);
}

bool set_ruler_origin(GUI3DPointType& ruler, const value* values, const char* kind, const char** message) {
  if (!finite_values(values, 3)) {
    *message = non_finite_message(kind);
    return false;
  }
  bool changed = take_point(values, &ruler.reference_point);
  ruler.compute_minmax();
  return changed;
}

void GUI3DRuler3D::update_edit_vars(value* values) { put_point(values, reference_point); }

bool GUI3DRuler3D::set_edit_vars(const value* values, const char** message) {
  return set_ruler_origin(*this, values, "RULER3D", message);
}

bool GUI3DRuler3D::visible_part(const Vector& axis, float* from, float* to) const {
  Vector d(view_.direction), u(view_.u), v(view_.v);
  Point r(view_.reference_point);
  Vector normal = axis.cross_product(d);
  float ad = axis * d;
  if (normal.length_square() < 1e-12f || 1 - ad * ad < 1e-9f) return false;
  float hw = 0.55f * view_.window_width, hh = 0.55f * view_.window_height;
  // The four edges: a corner and the edge's direction with its half length.
  struct Edge {
    Point centre;
    Vector along;
    float half;
  } edges[4] = {{r + u * hw, v, hh}, {r - u * hw, v, hh}, {r + v * hh, u, hw}, {r - v * hh, u, hw}};
  float t[4];
  int cuts = 0;
  for (const Edge& e : edges) {
    float denominator = normal * e.along;
    if (std::fabs(denominator) < 1e-12f) continue;
    float s = (normal * (reference_point - e.centre)) / denominator;
    if (std::fabs(s) > e.half) continue;
    Vector c = (e.centre + e.along * s) - reference_point;
    t[cuts++] = ((c * axis) - (c * d) * ad) / (1 - ad * ad);
  }
  if (cuts != 2) return false;
  *from = std::min(t[0], t[1]), *to = std::max(t[0], t[1]);
  return std::isfinite(*from) && std::isfinite(*to);
}

void GUI3DRuler3D::draw_symbol(bool, float transparency) {
  float w = view_.window_width, h = view_.window_height;
  float spacing;
  int subdivisions;
  reset_symbol_minmax();
  // A view zoomed beyond the sections' range shows no ruler.
  if (!define_axis_sections((w + h) * 0.075f, &spacing, &subdivisions)) return;
  const Vector world[3] = {Vector(1, 0, 0), Vector(0, 1, 0), Vector(0, 0, 1)};
  Vector d(view_.direction);
  int order[3] = {0, 1, 2};
  std::sort(order, order + 3, [&](int a, int b) { return std::fabs(world[a] * d) < std::fabs(world[b] * d); });
  XGLContext* c = XGLContext::current_context;
  gl_colour(color, transparency);
  for (int k = 0; k < 2; ++k) {
    const Vector& axis = world[order[k]];
    float from, to;
    if (!visible_part(axis, &from, &to)) continue;
    Vector across = d.cross_product(axis);
    across = across * (1 / across.length());
    RulerAxis ruler{reference_point, axis, across, Vector(view_.u), Vector(view_.v), from, to, spacing,
                    subdivisions, (w + h) * 0.01f, text_size_for_height((w + h) * 0.01f), c->get_line_width()};
    draw_ruler_axis(ruler);
    update_symbol_minmax(reference_point + axis * from);
    update_symbol_minmax(reference_point + axis * to);
  }
  draw_image(reference_point.x(), reference_point.y(), reference_point.z(), color);
}
