#include "view/view_navigation.h"

#include <cmath>

#include "link/si.h"
#include "scene/display_options.h"
#include "view/model_extent.h"
#include "view/transforms.h"
#include "view/views.h"

// The model point that rotations and zooms keep in place, as the current view's mirror sees it.
static Point rotation_origin() {
  float origin[3];
  get_display_options()->get_rotation_origin(origin);
  Point o(origin[0], origin[1], origin[2]);
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

// A zoom of 1e-6 or less fits the view to the model. The fit reports only a
// result that is not a number, so it asks for the repaint itself.
static bool fit(int mode) {
  bool not_a_number = auto_max_min(mode);
  set_repaint(false);
  return not_a_number;
}

static bool set_zoom_axis(float z, bool x_axis) {
  if (z <= 1e-6f) return fit(x_axis ? 1 : 2);
  if (!(z > 1e-6f)) return false;  // not a number
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
  if (z <= 1e-6f) return fit(0);
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

// ---------------------------------------------------------------- linked views

namespace {

// A view has at most 8 links; row 8 is spare.
constexpr int LINK_ROWS = 9;
constexpr uint32_t MAX_LINKS = 8;

// What view n knows about a view linked with it, in n's own axes.
struct view_link {
  int32_t view;
  int32_t index;               // the slot of the opposite record in the linked view's rows
  float offset[3];             // linked reference point minus n's
  float relative_direction[3];
  float relative_up[3];        // the linked view's v axis
  float width_ratio, height_ratio;
};

view_link view_dependencies[LINK_ROWS][NUMBER_OF_VIEWS];

// The view's axes as the columns u, v, direction.
void frame_of(const view_type* v, float m[3][3]) {
  for (int r = 0; r < 3; ++r) m[r][0] = v->u[r], m[r][1] = v->v[r], m[r][2] = v->direction[r];
}

// m × a, or with `transpose` the transpose of m × a (model axes into the frame's).
Vector times(const float m[3][3], const Vector& a, bool transpose = false) {
  float r[3];
  for (int i = 0; i < 3; ++i) {
    r[i] = 0;
    for (int k = 0; k < 3; ++k) r[i] += (transpose ? m[k][i] : m[i][k]) * a.coord_array()[k];
  }
  return Vector(r);
}

Vector in_frame(const float m[3][3], const Vector& a) { return times(m, a, true); }

// Fills `from`'s record at `slot` about view `to`, whose own record about `from` sits at `index`.
void record_link(int from, int slot, int to, int index) {
  const view_type* a = get_view_record(from);
  const view_type* b = get_view_record(to);
  float m[3][3];
  frame_of(a, m);
  view_link& l = view_dependencies[slot][from - 1];
  l.view = to;
  l.index = index;
  put(l.offset, in_frame(m, Point(b->reference_point) - Point(a->reference_point)));
  put(l.relative_direction, in_frame(m, vec(b->direction)));
  put(l.relative_up, in_frame(m, vec(b->v)));
  l.width_ratio = b->window_width / a->window_width;
  l.height_ratio = b->window_height / a->window_height;
}

}  // namespace

void create_view_dependency(uint32_t n) {
  int c = get_current_view_number();
  if (n < 1 || n > NUMBER_OF_VIEWS || int(n) == c) return;
  view_type* linked = get_view_record(int(n));
  view_type* current = cur();
  if (linked->dependent_count > 0 || current->dependent_count >= MAX_LINKS) return;
  // The views already linked with c, then c itself; read before c's count grows.
  int members[MAX_LINKS + 1];
  uint32_t count = current->dependent_count;
  for (uint32_t i = 0; i < count; ++i) members[i] = view_dependencies[i][c - 1].view;
  members[count] = c;
  for (uint32_t pair = 0; pair <= count; ++pair) {
    int m = members[pair];
    view_type* member = get_view_record(m);
    int slot = int(member->dependent_count);
    record_link(m, slot, int(n), int(pair));
    record_link(int(n), int(pair), m, slot);
    member->dependent_count++;
    linked->dependent_count++;
  }
}

void delete_view_dependency(uint32_t n) {
  if (n < 1 || n > NUMBER_OF_VIEWS) return;
  view_type* v = get_view_record(int(n));
  for (uint32_t i = 0; i < v->dependent_count; ++i)
    get_view_record(view_dependencies[i][n - 1].view)->dependent_count = 0;
  v->dependent_count = 0;
}

// Expects the current view's axes to be up to date.
void update_dependent_views(bool move_eye) {
  const view_type* c = cur();
  float mc[3][3];
  frame_of(c, mc);
  for (uint32_t i = 0; i < c->dependent_count; ++i) {
    const view_link& l = view_dependencies[i][get_current_view_number() - 1];
    view_type* d = get_view_record(l.view);
    float rel[3][3];
    compute_rot_matrix(vec(l.relative_direction), vec(l.relative_up), rel);
    float eye_distance = get_eye_distance(d);
    Vector axis[3];
    for (int k = 0; k < 3; ++k) axis[k] = times(mc, Vector(rel[0][k], rel[1][k], rel[2][k]));
    put(d->u, axis[0]), put(d->v, axis[1]), put(d->direction, axis[2]);
    put(d->up, axis[1]);
    put(d->reference_point, Point(c->reference_point) + times(mc, vec(l.offset)));
    d->window_width = c->window_width * l.width_ratio;
    d->window_height = c->window_height * l.height_ratio;
    if (move_eye) put(d->eye, Point(d->reference_point) + eye_distance * axis[2]);
    d->needs_update = true;  // its depth range follows at the next drawing
    compute_view_vectors(d);
  }
}
