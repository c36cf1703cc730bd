#include "view/drag_geometry.h"

#include <cmath>

#include "view/gui3d.h"
#include "view/transforms.h"

constexpr float PI = 3.14159265358979f;
constexpr float TWO_PI = 6.2831855f;
constexpr float ONE_DEGREE = 0.017453292f;
constexpr uint32_t START_RADIUS_SQUARE = 224;  // a drag picks its direction beyond 14.97 tek units

static drag_geometry_state state;

drag_geometry_state& drag_state() { return state; }

void reset_drag_geometry() { state = drag_geometry_state{}; }

// A unit vector, or false when v is shorter than 1e-5.
static bool unit(const Vector& v, Vector* out) {
  float l = v.length();
  if (!(l >= 1e-5f)) return false;
  *out = v * (1 / l);
  return true;
}

// The pick ray of a tek point in the manipulators' view; the direction is
// a unit vector toward the viewer.
static bool pick_ray(TekPoint t, Point* origin, Vector* direction) {
  return define_pick_ray(&GUI3D::view_, t, origin, direction);
}

static uint32_t moved_square(TekPoint pointer) {
  int32_t dx = int32_t(pointer.x) - GUI3D::pick_point_tek.x, dy = int32_t(pointer.y) - GUI3D::pick_point_tek.y;
  return uint32_t(dx * dx + dy * dy);
}

void GUI3D::translate_along_vector(const Point& point, const Vector& direction, TekPoint pointer, Point* result) {
  Point o;
  Vector r, d;
  if (!pick_ray(pointer, &o, &r) || !unit(direction, &d)) {
    *result = point;
    return;
  }
  float dist;
  Point q1, q2;
  distance_line_line(point, d, o, r, &dist, &q1, &q2);
  *result = q1;
}

void GUI3D::translate_along_vector_constraint(const Point& start, const Point& current, const Vector& direction,
                                              TekPoint pointer, Point* result) {
  translate_along_vector(current, direction, pointer, result);
  float l = increments->linear, s = increments->motion_scale;
  if (l == 0 && s == 1) return;
  if (s != 1) *result = start + (*result - start) * s;
  if (l > 0) {
    Vector moved = *result - start;
    float t = std::floor((moved.length() + l / 2) / l);
    if (moved * direction < 0) t = -t;
    *result = start + direction * (l * t);
  }
}

bool GUI3D::define_translation_direction(const Point& point, uint32_t count, const Vector* directions,
                                         TekPoint pointer, uint32_t* chosen) {
  if (count == 0) return false;
  if (count == 1) {
    *chosen = 0;
    return true;
  }
  if (moved_square(pointer) <= START_RADIUS_SQUARE) return false;
  float mx = float(int32_t(pointer.x) - pick_point_tek.x), my = float(int32_t(pointer.y) - pick_point_tek.y);
  float mlen = std::sqrt(mx * mx + my * my);
  float size = 0.1f * std::fmin(view_.window_width, view_.window_height);
  TekPoint a;
  model_to_tek(&view_, point, a);
  float best = -1;
  for (uint32_t i = 0; i < count; ++i) {
    TekPoint b;
    model_to_tek(&view_, point + directions[i] * size, b);
    float ix = float(int32_t(b.x) - a.x), iy = float(int32_t(b.y) - a.y);
    float ilen = std::sqrt(ix * ix + iy * iy);
    if (ilen == 0) continue;
    float c = std::fabs(ix * mx + iy * my) / (ilen * mlen);
    if (c > best) best = c, *chosen = i;
  }
  return best >= 0;
}

void GUI3D::point_on_sphere(const Point& centre, float radius, const Vector& axis, TekPoint pointer, Point* result) {
  rotation_in_progress = true;
  Point o;
  Vector r;
  if (!pick_ray(pointer, &o, &r)) {
    *result = centre + axis * radius;
    return;
  }
  // The ray from the viewer's side of the sphere away from the viewer.
  Point q0 = o + r * (view_.window_depth + o.distance(centre) + radius);
  Vector f = -r;
  Vector to_centre = centre - q0;
  float along = to_centre * f;
  Point closest = q0 + f * along;
  float miss_square = closest.distance_square(centre);
  if (miss_square > radius * radius) {
    if (state.half_decided) state.left_sphere = true;
    Vector out;
    *result = unit(closest - centre, &out) ? centre + out * radius : centre + axis * radius;
    return;
  }
  if (!state.half_decided) {
    state.half_decided = true;
    state.front_half = axis * (q0 - centre) > 0;
  } else if (state.left_sphere) {
    state.front_half = !state.front_half;
  }
  state.left_sphere = false;
  float half_chord = std::sqrt(std::fmax(radius * radius - miss_square, 0.0f));
  *result = q0 + f * (state.front_half ? along - half_chord : along + half_chord);
}

bool GUI3D::point_on_circle(const Point& centre, float radius, const Vector& u, const Vector& v, TekPoint pointer,
                            float from, float to, Point* result, float* distance) {
  Point o;
  Vector r;
  if (!pick_ray(pointer, &o, &r)) return false;
  int steps = int(std::ceil((to - from) / ONE_DEGREE));
  if (steps < 1) steps = 1;
  float step = (to - from) / float(steps);
  Point eye(view_.eye);
  Vector n(view_.direction);
  // Circle points carried onto the view plane through o, along the ray.
  auto onto_plane = [&](const Point& p) {
    if (!view_.perspective) return p - n * ((p - o) * n);
    Vector toward = p - eye;
    float k = toward * n;
    if (std::fabs(k) < 1e-12f) return p;
    return eye + toward * (((o - eye) * n) / k);
  };
  float best = 3.4028235e38f;
  Point previous = centre + (u * std::cos(from) + v * std::sin(from)) * radius;
  Point previous_flat = onto_plane(previous);
  for (int i = 1; i <= steps; ++i) {
    float a = from + step * float(i);
    Point next = centre + (u * std::cos(a) + v * std::sin(a)) * radius;
    if (next.distance_square(previous) < 1e-10f) return false;
    Point next_flat = onto_plane(next);
    Vector chord = next_flat - previous_flat;
    float len_square = chord.length_square();
    float s = len_square > 0 ? ((o - previous_flat) * chord) / len_square : 0;
    s = s < 0 ? 0 : s > 1 ? 1 : s;
    float d = (previous_flat + chord * s).distance_square(o);
    if (d < best) {
      best = d;
      *result = previous + (next - previous) * s;
    }
    previous = next, previous_flat = next_flat;
  }
  *distance = best;
  return true;
}

bool GUI3D::rotate_on_circle(TekPoint pointer, const Point& centre, const Vector& u, const Vector& v,
                             const Vector& w, float radius, bool inside, Vector* new_u) {
  Point o, hit, on_circle;
  Vector r;
  float t, d;
  if (!pick_ray(pointer, &o, &r)) return false;
  if (intersect_line_plane(centre, w, o, r, &hit, &t)) {
    if (hit.distance_square(centre) > radius * radius) {
      if (!point_on_circle(centre, radius, u, v, pointer, 0, TWO_PI, &on_circle, &d)) return false;
    } else {
      Vector out;
      if (!unit(hit - centre, &out)) return false;  // the hit at the centre names no direction
      on_circle = centre + out * radius;
    }
  } else {
    Vector dd, cc;
    if (!unit(Vector(view_.direction).cross_product(w), &dd) || !unit(w.cross_product(dd), &cc)) return false;
    if (inside) dd = -dd, cc = -cc;
    if (!point_on_circle(centre, radius, dd, cc, pointer, 0, PI, &on_circle, &d)) return false;
  }
  return unit(on_circle - centre, new_u);
}

void GUI3D::rotate_u_around_w(TekPoint pointer, const Point& centre, const Vector& u, const Vector& v,
                              const Vector& w, float radius, Vector* new_u, Vector* new_v) {
  *new_u = u, *new_v = v;
  if (!rotation_in_progress) {
    rotation_in_progress = true;
    state.input_good = true;
    state.dir_u_inside = Vector(view_.direction) * u < 0;
    state.u_start = state.u_last = state.raw_u = u;
    state.v_start = state.v_last = state.raw_v = v;
    state.accumulated = 0;
  } else if (!state.input_good || (outside_change_abort && (u != state.u_last || v != state.v_last))) {
    state.input_good = false;
    return;
  }
  bool scaled = scaled_drag();
  float a = scaled ? float(increments->angular) : 0;
  float s = scaled ? increments->motion_scale : 1;
  Vector raw;
  if (!rotate_on_circle(pointer, centre, s != 1 ? state.raw_u : u, s != 1 ? state.raw_v : v, w, radius,
                        state.dir_u_inside, &raw))
    return;
  Vector result = raw;
  if (s != 1) {
    define_scaled_rotation_angle(state.u_start, state.v_start, w, state.raw_u, raw, s, state.accumulated,
                                 &state.accumulated, &result);
    state.raw_u = raw;
    Vector raw_v;
    if (unit(w.cross_product(raw), &raw_v)) state.raw_v = raw_v;
  }
  if (a > 0) define_rotation_angle_increment(state.u_start, state.v_start, result, a * PI / 180 / 3600, &result);
  Vector nu, nv;
  // A degenerate pointer direction keeps the previous axes for this motion.
  if (!unit(w.cross_product(result), &nv) || !unit(nv.cross_product(w), &nu)) return;
  *new_u = state.u_last = nu;
  *new_v = state.v_last = nv;
}

void GUI3D::define_rotation_angle_increment(const Vector& u_start, const Vector& v_start, const Vector& u,
                                            float increment, Vector* result) {
  float angle = std::acos(clip_to_plus_minus_one(u_start * u));
  float n = std::floor((angle + increment / 2) / increment);
  if (n == 0) {
    *result = u_start;
    return;
  }
  float a = n * increment;
  if (u * v_start < 0) a = -a;
  *result = u_start * std::cos(a) + v_start * std::sin(a);
}

void GUI3D::define_scaled_rotation_angle(const Vector& u_start, const Vector& v_start, const Vector& w,
                                         const Vector& u_last, const Vector& u_new, float scale, float accumulated,
                                         float* new_accumulated, Vector* result) {
  float step = std::acos(clip_to_plus_minus_one(u_last * u_new));
  Vector cross = u_last.cross_product(u_new);
  if (cross.length() < 1e-5f || cross * w < 0) step = -step;
  float sum = accumulated + step;
  // The revolution of the sum that agrees with the angle from the start.
  float phi = std::atan2(u_start.cross_product(u_new) * w, u_start * u_new);
  sum = phi + TWO_PI * std::round((sum - phi) / TWO_PI);
  *result = u_start * std::cos(scale * sum) + v_start * std::sin(scale * sum);
  *new_accumulated = sum;
}

void GUI3D::rotate_on_perpendicular_circles(TekPoint pointer, const Point& centre, Vector* u, Vector* v, Vector* w,
                                            float radius) {
  if (state.rotation_circle == 0) {
    if (rotation_constraint == 1) {
      state.rotation_circle = 1;
    } else {
      if (moved_square(pointer) <= START_RADIUS_SQUARE) return;
      TekPoint tip;
      model_to_tek(&view_, centre + *w * radius, tip);
      auto moved = [](int t, int d, int top) { return uint16_t(t + d < 0 ? 0 : t + d > top ? top : t + d); };
      TekPoint target = {moved(tip.x, int(pointer.x) - pick_point_tek.x, 4095),
                         moved(tip.y, int(pointer.y) - pick_point_tek.y, 3276)};
      Point p;
      float around_u = 3.4028235e38f, around_v = 3.4028235e38f;
      bool a = point_on_circle(centre, radius, *w, *v, target, 0, TWO_PI, &p, &around_u);
      bool b = point_on_circle(centre, radius, *w, *u, target, 0, TWO_PI, &p, &around_v);
      if (!a && !b) return;
      state.rotation_circle = around_u < around_v ? 1 : 2;
    }
    rotation_vector = state.rotation_circle == 1 ? *u : *v;
  }
  Vector nw, other;
  if (state.rotation_circle == 1) {
    rotate_u_around_w(pointer, centre, *w, *v, -*u, radius, &nw, &other);
    *w = nw, *v = other;
  } else {
    rotate_u_around_w(pointer, centre, *w, *u, *v, radius, &nw, &other);
    *w = nw, *u = other;
  }
}

bool GUI3D::set_rotation_data(float x, float y, float z, uint32_t kind, const Vector& z_axis, Vector* x_axis,
                              Vector* y_axis, const char** message) {
  bool changed = kind != rotation_constraint;
  rotation_constraint = kind;
  Vector r(x, y, z);
  if (kind != 1 || !(r != *x_axis)) return changed;
  if (!r.is_normalized()) {
    *message = "3D GUI: rotation vector is not normalized";
    return changed;
  }
  if (std::fabs(r * z_axis) > 1e-6f) {
    *message = "3D GUI: rotation vector is not perpendicular to direction vector";
    return changed;
  }
  Vector y_new;
  if (!unit(z_axis.cross_product(r), &y_new)) return changed;
  *x_axis = r, *y_axis = y_new;
  return true;
}
