#include "view/view_navigation.h"

#include <cmath>

#include "view/transforms.h"
#include "view/views.h"

// The rotation origin of the display options, at its default until the option store exists.
static Point rotation_origin() {
  Point o(0, 0, 0);
  const view_type* v = get_view_record(get_current_view_number());
  if (v->mirror_mode == 1) o.set_y(-o.y());
  return o;
}

static view_type* cur() { return get_view_record(get_current_view_number()); }
static Vector vec(const float a[3]) { return Vector(a); }
static void put(float d[3], const Vector& v) { d[0] = v.x(), d[1] = v.y(), d[2] = v.z(); }
static void put(float d[3], const Point& p) { d[0] = p.x(), d[1] = p.y(), d[2] = p.z(); }

// The view coordinates of the rotation origin, negated: what keeps it in place.
static Vector origin_in_view() {
  Vector v = model_to_view(cur(), rotation_origin(), false);
  return -v;
}

static void restore_reference(const Vector& o_v) {
  view_type* v = cur();
  put(v->reference_point, rotation_origin());
  compute_view_vectors(v);
  put(v->reference_point, view_to_model(v, o_v));
}

void set_view_angles(int32_t ax, int32_t ay, int32_t az, Vector* direction, Vector* up) {
  double a = -ax * ARC_SECOND, b = ay * ARC_SECOND, c = -az * ARC_SECOND;
  double cA = cos(a), sA = sin(a), cB = cos(b), sB = sin(b), cC = cos(c), sC = sin(c);
  *direction = Vector(float(cC * sB * cA + sC * sA), float(sC * sB * cA - sA * cC), float(cA * cB));
  *up = Vector(float(sA * sB * cC - sC * cA), float(sC * sA * sB + cC * cA), float(sA * cB));
}

static double clamp1(double x) { return x < -1 ? -1 : x > 1 ? 1 : x; }
static double fold(double x) { return x < 0 ? -M_PI - x : M_PI - x; }
static int32_t to_arc_seconds(double radians) { return int32_t(std::lround(radians / ARC_SECOND)); }

void get_view_angles(const Vector& u, const Vector& v, const Vector& d, int32_t* ax, int32_t* ay, int32_t* az) {
  double a, b, c;
  if (std::fabs(std::fabs(u.z()) - 1) < 1e-6) {
    b = u.z() > 0 ? -M_PI / 2 : M_PI / 2;
    a = -asin(clamp1(d.y()));
    c = 0;
    if (v.y() < 0) a = fold(a);
  } else {
    b = asin(clamp1(-u.z()));
    double f = sqrt(1 - double(u.z()) * u.z());
    a = asin(clamp1(v.z() / f));
    if (d.z() < 0) a = fold(a);
    c = -asin(clamp1(u.y() / f));
    if (u.x() < 0) c = fold(c);
  }
  *ax = to_arc_seconds(-a), *ay = to_arc_seconds(b), *az = to_arc_seconds(c);
}

void get_rotate(int32_t* ax, int32_t* ay, int32_t* az) {
  const view_type* v = cur();
  get_view_angles(vec(v->u), vec(v->v), vec(v->direction), ax, ay, az);
}

bool set_rotate(int32_t ax, int32_t ay, int32_t az) {
  view_type* v = cur();
  Vector o_v = origin_in_view();
  Vector direction, up;
  set_view_angles(ax, ay, az, &direction, &up);
  put(v->direction, direction);
  put(v->up, up);
  restore_reference(o_v);
  update_view(true);
  v->needs_update = true;
  return true;
}

bool change_rotate(int32_t dx, int32_t dy, int32_t dz) {
  view_type* v = cur();
  float e = get_eye_distance(v);
  auto finish = [&](const Vector& o_v) {
    restore_reference(o_v);
    put(v->eye, Point(v->reference_point) + e * vec(v->direction));
    v->needs_update = true;
    update_view(false);
  };
  if (dx != 0) {
    Vector o_v = origin_in_view();
    double a = -dx * ARC_SECOND;
    float c = float(cos(a)), s = float(sin(a));
    Vector up = c * vec(v->v) - s * vec(v->direction);
    Vector dir = s * vec(v->v) + c * vec(v->direction);
    put(v->up, up), put(v->direction, dir);
    finish(o_v);
  }
  if (dy != 0) {
    Vector o_v = origin_in_view();
    double a = -dy * ARC_SECOND;
    put(v->direction, float(sin(a)) * vec(v->u) + float(cos(a)) * vec(v->direction));
    finish(o_v);
  }
  if (dz != 0) {
    Vector o_v = origin_in_view();
    double a = dz * ARC_SECOND;
    put(v->up, float(sin(a)) * vec(v->u) + float(cos(a)) * vec(v->v));
    finish(o_v);
  }
  return dx != 0 || dy != 0 || dz != 0;
}

bool change_translate(float dx, float dy, float dz) {
  if (dx == 0 && dy == 0 && dz == 0) return false;
  view_type* v = cur();
  bool mirror = v->mirror_mode == 1;
  Vector u = vec(v->u), w = vec(v->v), d = vec(v->direction);
  Point r(v->reference_point);
  if (mirror) {
    r.set_y(-r.y());
    u.set_y(-u.y()), w.set_y(-w.y()), d.set_y(-d.y());
  }
  r = r - dx * u - dy * w - dz * d;
  if (mirror) r.set_y(-r.y());
  put(v->reference_point, r);
  update_view(true);
  v->needs_update = true;
  return true;
}

bool change_zoom(float f) {
  if (f == 0) return false;
  view_type* v = cur();
  float old_width = v->window_width;
  v->window_width = f * old_width;
  v->window_height = v->window_width * (v->window_height / old_width);
  Point r(v->reference_point);
  put(v->reference_point, r + (rotation_origin() - r) * (1 - f));
  update_view(true);
  v->needs_update = true;
  return true;
}

// Zoom along one screen axis: the window extent and the reference point along that axis.
static bool zoom_axis(float f, float* extent, const float axis[3]) {
  view_type* v = cur();
  *extent = f * *extent;
  Point r(v->reference_point);
  Vector a = vec(axis);
  put(v->reference_point, r + (((rotation_origin() - r) * a) * (1 - f)) * a);
  update_view(true);
  v->needs_update = true;
  return true;
}

bool change_zoom_x(float f) { return f != 0 && zoom_axis(f, &cur()->window_width, cur()->u); }
bool change_zoom_y(float f) { return f != 0 && zoom_axis(f, &cur()->window_height, cur()->v); }

static bool set_zoom_axis(float z, bool x_axis) {
  if (!(z > 1e-6f)) return false;  // fitting the model comes with the model extent
  view_type* v = cur();
  float x0, x1, y0, y1, mx, my;
  get_screen_viewport(get_current_view_number(), &x0, &x1, &y0, &y1);
  get_mm_per_pixel(&mx, &my);
  float w = x_axis ? z * (x1 - x0) * mx : z * (y1 - y0) * my;
  float* extent = x_axis ? &v->window_width : &v->window_height;
  if (w == *extent) return false;
  return zoom_axis(w / *extent, extent, x_axis ? v->u : v->v);
}

bool set_zoom_x(float z) { return set_zoom_axis(z, true); }
bool set_zoom_y(float z) { return set_zoom_axis(z, false); }

bool set_zoom(float z) {
  if (!(z > 1e-6f)) return false;
  view_type* v = cur();
  float x0, x1, y0, y1, mx, my;
  get_screen_viewport(get_current_view_number(), &x0, &x1, &y0, &y1);
  get_mm_per_pixel(&mx, &my);
  float pw = x1 - x0, ph = y1 - y0;
  float w = pw * my * z;
  float h = w * (ph / pw) * my / mx;
  if (w == v->window_width && h == v->window_height) return false;
  float ratio = w / v->window_width;
  v->window_width = w, v->window_height = h;
  Point r(v->reference_point);
  put(v->reference_point, r + (rotation_origin() - r) * (1 - ratio));
  update_view(true);
  v->needs_update = true;
  return true;
}

// Views are not linked yet: no view has dependants.
void update_dependent_views(bool) {}
