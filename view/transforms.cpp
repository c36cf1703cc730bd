#include "view/transforms.h"

#include <cmath>

#include "link/si.h"

static float vl_system_viewport[4];

static Point ref_of(const view_type* v) { return Point(v->reference_point); }
static Vector vec(const float a[3]) { return Vector(a); }

void change_vl_system_viewport(float x, float width, float y, float height) {
  vl_system_viewport[0] = x, vl_system_viewport[1] = width, vl_system_viewport[2] = y, vl_system_viewport[3] = height;
}

const float* get_vl_system_viewport() { return vl_system_viewport; }

void set_graphics_viewport(int16_t x, int16_t width, int16_t y, int16_t height) {
  const float* a = vl_system_viewport;
  if (a[0] == x && a[1] == width && a[2] == y && a[3] == height) return;
  change_vl_system_viewport(x, width, y, height);
  update_scaling();
  set_repaint(true);
}

void get_graphics_viewport(int32_t* x, int32_t* width, int32_t* y, int32_t* height) {
  *x = int32_t(vl_system_viewport[0]), *width = int32_t(vl_system_viewport[1]);
  *y = int32_t(vl_system_viewport[2]), *height = int32_t(vl_system_viewport[3]);
}

void update_scaling() {
  float mx, my;
  get_mm_per_pixel(&mx, &my);
  for (int n = 1; n <= NUMBER_OF_VIEWS; ++n) {
    view_type* v = get_view_record(n);
    if (!v->enabled) continue;
    float x0, x1, y0, y1;
    get_screen_viewport(n, &x0, &x1, &y0, &y1);
    if (x1 - x0 <= 0 || v->aspect == 0) continue;
    v->window_height = (y1 - y0) * v->window_width * my / ((x1 - x0) * v->aspect * mx);
  }
}

bool screen_input_to_tek(uint16_t px, uint16_t py, uint16_t* tx, uint16_t* ty) {
  const float* a = vl_system_viewport;
  float x = px, y = py;
  bool inside = true;
  if (x < a[0]) x = a[0], inside = false;
  if (x > a[0] + a[1]) x = a[0] + a[1], inside = false;
  if (y < a[2]) y = a[2], inside = false;
  if (y > a[2] + a[3]) y = a[2] + a[3], inside = false;
  *tx = uint16_t((x - a[0]) * 4095 / a[1]);
  *ty = uint16_t((a[3] - y + a[2]) * 3276 / a[3]);
  return inside;
}

uint32_t window_to_tek(int x, int y) {
  int width = int(vl_system_viewport[1]), height = int(vl_system_viewport[3]);
  uint32_t tx = x < 0 ? 0 : x > width ? 4095 : uint32_t(x * 4095 / width);
  uint32_t ty = y < 0 ? 3276 : y > height ? 0 : uint32_t((height - y) * 3276 / height);
  return ty << 16 | tx;
}

static bool contains(const view_type* v, float tx, float ty) {
  const float* vp = v->viewport;
  return tx > vp[0] && tx < vp[0] + vp[1] && ty > vp[2] && ty < vp[2] + vp[3];
}

int get_view_number(float tx, float ty) {
  int current = get_current_view_number();
  if (contains(get_view_record(current), tx, ty)) return current;
  for (int n = NUMBER_OF_VIEWS; n >= 1; --n)
    if (contains(get_view_record(n), tx, ty)) return n;
  return 0;
}

void tek_to_view(float tx, float ty, float* nx, float* ny) {
  const view_type* v = get_view_record(get_view_number(tx, ty));
  if (v == nullptr) {
    *nx = *ny = 0;
    return;
  }
  *nx = (tx - v->viewport[0]) / v->viewport[1] * 2 - 1;
  *ny = (ty - v->viewport[2]) / v->viewport[3] * 2 - 1;
}

void map_model_view(const view_type* view, const Point& p, bool perspective, Vector* out) {
  Vector d = p - ref_of(view);
  float x = vec(view->u) * d, y = vec(view->v) * d, z = vec(view->direction) * d;
  if (perspective && view->perspective) {
    float f = get_eye_distance(view);
    if (z < f) x *= f / (f - z), y *= f / (f - z);
  }
  *out = Vector(x, y, z);
}

Vector model_to_view(const view_type* view, const Point& p, bool perspective) {
  Vector v;
  map_model_view(view, p, perspective, &v);
  return v;
}

void map_view_model(const view_type* view, const Vector& v, Point* out) {
  *out = ref_of(view) + v.x() * vec(view->u) + v.y() * vec(view->v) + v.z() * vec(view->direction);
}

Point view_to_model(const view_type* view, const Vector& v) {
  Point p;
  map_view_model(view, v, &p);
  return p;
}

// One coordinate of model_to_tek: rounded, clamped to the viewport's edges.
static bool to_tek_axis(float view_coordinate, float window, float origin, float size, uint16_t* out) {
  float t = view_coordinate / window * size + origin + size / 2;
  bool inside = t >= origin && t <= origin + size;
  if (t < origin) t = origin;
  if (t > origin + size) t = origin + size;
  *out = uint16_t(t + 0.5f);
  return inside;
}

bool model_to_tek(const Point& p, TekPoint& t) { return model_to_tek(get_view_pointer(), p, t); }

bool model_to_tek(const view_type* view, const Point& p, TekPoint& t) {
  Vector v = model_to_view(view, p, true);
  bool in_x = to_tek_axis(v.x(), view->window_width, view->viewport[0], view->viewport[1], &t.x);
  bool in_y = to_tek_axis(v.y(), view->window_height, view->viewport[2], view->viewport[3], &t.y);
  return in_x && in_y;
}

Point tek_to_model(const TekPoint& t, float z) { return tek_to_model(get_view_pointer(), t, z); }

Point tek_to_model(const view_type* view, const TekPoint& t, float z) {
  const float* vp = view->viewport;
  float x = (t.x - vp[0] - vp[1] / 2) / vp[1] * view->window_width;
  float y = (t.y - vp[2] - vp[3] / 2) / vp[3] * view->window_height;
  if (view->perspective) {
    float f = get_eye_distance(view);
    if (z < f) x /= f / (f - z), y /= f / (f - z);
  }
  return view_to_model(view, Vector(x, y, z));
}

// The point of the view plane under a tek position.
static Point view_plane_point(const view_type* view, float tx, float ty) {
  const float* vp = view->viewport;
  float x = (tx - vp[0] - vp[1] / 2) * 2 / vp[1] * view->window_width / 2;
  float y = (ty - vp[2] - vp[3] / 2) * 2 / vp[3] * view->window_height / 2;
  return view_to_model(view, Vector(x, y, 0));
}

bool define_pick_ray(const TekPoint& t, Point* origin, Vector* direction) {
  return define_pick_ray(get_view_pointer(), t, origin, direction);
}

bool define_pick_ray(const view_type* view, const TekPoint& t, Point* origin, Vector* direction) {
  bool mirror = view->mirror_mode == 1;
  Point o = view_plane_point(view, t.x, t.y);
  if (mirror) o.set_y(-o.y());
  *origin = o;
  if (view->perspective) {
    Vector d = Point(view->eye) - o;
    if (d.length_square() < 1e-10f) return false;
    d = d * (1.0f / d.length());
    if (mirror) d.set_y(-d.y());
    *direction = d;
  } else {
    Vector d = vec(view->direction);
    if (mirror) d.set_y(-d.y());
    *direction = d;
  }
  return true;
}

void get_3d_line_screen_pos(int16_t tx, int16_t ty, vector_type* point, vector_type* second) {
  const view_type* view = get_view_record(get_current_view_number());
  Point p = view_plane_point(view, tx, ty);
  const float* d = view->perspective ? view->eye : view->direction;
  float s[3] = {d[0], d[1], d[2]};
  float py = p.y();
  if (view->mirror_mode == 1) py = -py, s[1] = -s[1];
  for (float& c : s)
    if (std::fabs(c) < 1e-6f) c = 0;
  *point = {p.x(), py, p.z()};
  *second = {s[0], s[1], s[2]};
}

static void to_screen(const Point& p, bool negate_y, bool perspective, const double* m, float* out, int n) {
  double in[4] = {p.x(), negate_y ? -p.y() : p.y(), p.z(), 1};
  double r[4];
  for (int row = 0; row < 4; ++row)
    r[row] = m[row] * in[0] + m[4 + row] * in[1] + m[8 + row] * in[2] + m[12 + row] * in[3];
  if (perspective) {
    double w = r[3];
    if (std::fabs(w) < 0.001) w = w < 0 ? -0.001 : 0.001;
    for (int i = 0; i < 3; ++i) r[i] /= w;
  }
  for (int i = 0; i < n; ++i) out[i] = float(r[i]);
}

void map_model_screen_2d(const Point& p, bool negate_y, float out[2]) {
  to_screen(p, negate_y, get_view_pointer()->perspective, get_viewing_matrix(), out, 2);
}
void map_model_screen_3d(const Point& p, bool negate_y, float out[3]) {
  to_screen(p, negate_y, get_view_pointer()->perspective, get_viewing_matrix(), out, 3);
}
void model_to_screen_2d(const Point& p, bool negate_y, bool perspective, const double matrix[16], float out[2]) {
  to_screen(p, negate_y, perspective, matrix, out, 2);
}
void model_to_screen_3d(const Point& p, bool negate_y, bool perspective, const double matrix[16], float out[3]) {
  to_screen(p, negate_y, perspective, matrix, out, 3);
}

static Vector unit_or_zero(const Vector& v) {
  float l = v.length();
  return l <= 1e-6f ? Vector() : v * (1.0f / l);
}

void compute_rot_matrix(const Vector& direction, const Vector& up, float m[3][3]) {
  Vector u = unit_or_zero(up.cross_product(direction));
  Vector v = unit_or_zero(direction.cross_product(u));
  const Vector* columns[3] = {&u, &v, &direction};
  for (int c = 0; c < 3; ++c)
    for (int r = 0; r < 3; ++r) m[r][c] = columns[c]->coord_array()[r];
}

Point project_point_to_line(const Point& p, const Point& a, const Vector& d) {
  return a + ((p - a) * d / (d * d)) * d;
}

Point project_point_to_plane(const Point& p, const Point& a, const Vector& n) {
  return p - ((p - a) * n / (n * n)) * n;
}

bool distance_line_line(const Point& p1, const Vector& d1, const Point& p2, const Vector& d2, float* dist,
                        Point* q1, Point* q2) {
  float k = d1 * d2;
  bool parallel = std::fabs(k) > 0.999999f;
  if (parallel) {
    *q1 = p1;
    *q2 = project_point_to_line(p1, p2, d2);
  } else {
    Vector w = p2 - p1;
    float e = k * k - 1;
    float t1 = ((d2 * w) * k - d1 * w) / e;
    float t2 = (d2 * w - k * (d1 * w)) / e;
    *q1 = p1 + t1 * d1;
    *q2 = p2 + t2 * d2;
  }
  *dist = q1->distance_square(*q2);
  return parallel;
}

bool intersect_line_plane(const Point& a, const Vector& normal, const Point& b, const Vector& direction, Point* x,
                          float* t) {
  float ln = normal.length(), ld = direction.length();
  if (ln == 0 || ld == 0 || std::fabs((normal * direction) / (ln * ld)) < 1e-8f) return false;
  *t = ((a - b) * normal) / (direction * normal);
  *x = b + *t * direction;
  return true;
}
