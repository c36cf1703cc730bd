#include "view/views.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "link/si.h"
#include "runtime/predefined.h"
#include "runtime/qob.h"
#include "scene/clip_planes.h"
#include "scene/display_options.h"
#include "scene/draw_geometry.h"
#include "scene/environment.h"
#include "scene/lens_flares.h"
#include "scene/lights.h"
#include "scene/materials.h"
#include "scene/segment_store.h"
#include "scene/self_shadows.h"
#include "scene/shadows.h"
#include "view/graphics_display.h"
#include "view/graphics_window.h"
#include "view/model_extent.h"
#include "view/offscreen.h"
#include "view/transforms.h"
#include "view/view_navigation.h"

static view_type views[NUMBER_OF_VIEWS];
static int current_view_number = 1;
static int view_being_drawn = 1;
static double model_matrix[16];
static double viewing_matrix[16];
static float gl_viewport[4];
static float mm_per_pixel_x = 1.0f, mm_per_pixel_y = 1.0f;
static char view_number_labels[NUMBER_OF_VIEWS][3];

static struct {
  bool enabled = false;  // the display mode is stereo
  bool on = false;       // the application's stereo switch
  bool eye_swap = false;
  float eye_separation = 5.0f;
  float distance = 5000.0f;
  float eye_offset = 0.0f;
} stereo_view;

static bool enable_depth_of_field = false;
static float depth_of_field_aperture = 5.6f;
static float depth_of_field_focus = 5000.0f;

static bool valid_view(int n) { return n >= 1 && n <= NUMBER_OF_VIEWS; }
static view_type& current() { return views[current_view_number - 1]; }

static void set3(float d[3], float x, float y, float z) { d[0] = x, d[1] = y, d[2] = z; }
static bool equal3(const float a[3], float x, float y, float z) { return a[0] == x && a[1] == y && a[2] == z; }
static float dot3(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
static float length3(const float a[3]) { return std::sqrt(dot3(a, a)); }
static void cross3(const float a[3], const float b[3], float out[3]) {
  float r[3] = {a[1] * b[2] - b[1] * a[2], a[2] * b[0] - b[2] * a[0], b[1] * a[0] - a[1] * b[0]};
  memcpy(out, r, sizeof r);
}
static bool finite3(vector_type p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

view_type* get_view_record(int n) { return valid_view(n) ? &views[n - 1] : nullptr; }
int get_current_view_number() { return current_view_number; }
int get_view_number() { return view_being_drawn; }
view_type* get_view_pointer() { return &views[view_being_drawn - 1]; }
void set_view_being_drawn(int n) {
  if (valid_view(n)) view_being_drawn = n;
}
const char* get_view_number_label(int n) { return valid_view(n) ? view_number_labels[n - 1] : ""; }
void get_mm_per_pixel(float* x, float* y) { *x = mm_per_pixel_x, *y = mm_per_pixel_y; }

void init_views() {
  glDrawBuffer(GL_BACK);
  mm_per_pixel_x = float(graphics_display_width_mm()) / float(graphics_display_width());
  mm_per_pixel_y = float(graphics_display_height_mm()) / float(graphics_display_height());
  for (int n = 1; n <= NUMBER_OF_VIEWS; ++n) {
    view_type& v = views[n - 1];
    v = view_type{};
    v.viewport[0] = v.viewport[2] = 0;
    v.viewport[1] = v.viewport[3] = 1;
    v.enabled = false;
    set3(v.reference_point, 0, 0, 0);
    set3(v.direction, 0, -1, 0);
    set3(v.up, 0, 0, 1);
    v.window_width = 4095, v.window_height = 3276, v.window_depth = 3276;
    v.aspect = 1;
    set3(v.eye, 0, -3000, 0);
    v.perspective = false;
    if (n == 1) {
      v.viewport[1] = 4095, v.viewport[3] = 3276;
      v.enabled = true;
    }
    compute_view_vectors(&v);
    snprintf(view_number_labels[n - 1], sizeof view_number_labels[n - 1], "%d", n);
  }
  int n = get_predef(111);
  current_view_number = view_being_drawn = valid_view(n) ? n : 1;
  current().enabled = true;
  stereo_view.enabled = false;
  stereo_view.on = false;
  stereo_view.eye_swap = false;
  stereo_view.eye_separation = 5;
  stereo_view.distance = 5000;
  stereo_view.eye_offset = 0;
  init_environment();
  init_clipplanes();
  init_lights();
  init_realtime_shadows();
  init_realtime_self_shadows();
  init_material_list();
}

void cleanup_vl() {
  make_graphics_context_active();  // the textures of the materials go with it
  cleanup_environment();
  cleanup_realtime_shadows();
  cleanup_realtime_self_shadows();
  cleanup_realtime_lens_flares();
  cleanup_material_list();
  cleanup_lights();
  cleanup_clipplanes();
}

bool update_current_viewport() {
  int n = get_predef(111);
  if (!valid_view(n) || n == current_view_number) return false;
  current_view_number = n;
  return true;
}

void set_geometry_update() {
  for (view_type& v : views) v.needs_update = true;
}

void compute_view_vectors(view_type* view) {
  float length = length3(view->direction);
  if (length < 1e-6f) halt("compute_view_vectors - view normal vector is nearly zero!");
  for (float& c : view->direction) c /= length;
  float u[3];
  cross3(view->up, view->direction, u);
  if (length3(u) < 1e-6f) {
    float up[3] = {0, 0, 1};
    if (std::fabs(view->direction[2]) >= 0.999999f) set3(up, 0, 1, 0);
    cross3(up, view->direction, u);
  }
  float lu = length3(u);
  for (float& c : u) c /= lu;
  memcpy(view->u, u, sizeof u);
  float v[3];
  cross3(view->direction, u, v);
  float lv = length3(v);
  for (float& c : v) c /= lv;
  memcpy(view->v, v, sizeof v);
}

float get_eye_distance(const view_type* view) {
  float d[3] = {view->eye[0] - view->reference_point[0], view->eye[1] - view->reference_point[1],
                view->eye[2] - view->reference_point[2]};
  return length3(d);
}

// The distance at which a parallel camera sits, also the depth reference of its frustum.
static float parallel_distance(const view_type* view) {
  float a = std::fmax(std::fabs(view->window_depth), std::fmax(view->window_width / 100, view->window_height / 100));
  return get_display_options()->get_self_shadows() ? std::fmax(a, get_ldf_size()) : a;
}

void compute_frustum(view_type* view, float shift) {
  float a = view->perspective ? get_eye_distance(view) : parallel_distance(view);
  float depth = view->window_depth;
  float near = std::fmax(a - depth / 2, a * 0.001f);
  float far = a + depth / 2;
  float* f = view->frustum;
  if (view->perspective) {
    float k = near / a;
    f[0] = -view->window_width * k / 2 - shift * k;
    f[1] = view->window_width * k / 2 - shift * k;
    f[2] = -view->window_height * k / 2;
    f[3] = view->window_height * k / 2;
  } else {
    f[0] = -view->window_width / 2, f[1] = view->window_width / 2;
    f[2] = -view->window_height / 2, f[3] = view->window_height / 2;
    if (get_display_options()->get_self_shadows()) near = 1, far = 2 * a;
  }
  f[4] = near, f[5] = far;
}

void get_screen_viewport(int n, float* x0, float* x1, float* y0, float* y1) {
  if (!valid_view(n)) {
    *x0 = *x1 = *y0 = *y1 = 0;
    return;
  }
  const float* area = get_vl_system_viewport();
  const float* vp = views[n - 1].viewport;
  *x0 = area[1] * vp[0] / 4095;
  *x1 = area[1] * (vp[0] + vp[1]) / 4095;
  *y0 = area[3] * vp[2] / 3276;
  *y1 = area[3] * (vp[2] + vp[3]) / 3276;
}

static int round_half_up(float x) { return int(std::floor(x + 0.5f)); }

void change_hardware_viewport(int n) {
  if (!valid_view(n)) return;
  const float* area = get_vl_system_viewport();
  const float* vp = views[n - 1].viewport;
  int x = round_half_up(area[1] * vp[0] / 4095), y = round_half_up(area[3] * vp[2] / 3276);
  int w = round_half_up(area[1] * vp[1] / 4095), h = round_half_up(area[3] * vp[3] / 3276);
  glViewport(x, y, w, h);
  glScissor(x, y, w, h);
  gl_viewport[0] = float(x), gl_viewport[1] = float(y), gl_viewport[2] = float(w), gl_viewport[3] = float(h);
}

static void read_viewing_matrix(XGLContext* gl) {
  // viewing_matrix := projection × model_matrix, computed on the projection stack.
  gl->set_matrix_mode(GL_PROJECTION);
  gl->push_matrix();
  glMultMatrixd(model_matrix);
  glGetDoublev(GL_PROJECTION_MATRIX, viewing_matrix);
  gl->pop_matrix();
  gl->set_matrix_mode(GL_MODELVIEW);
  setup_frustum_planes(viewing_matrix);
}

void compute_view_camera(int n, bool stereo, bool right_eye, const float* jitter) {
  if (!valid_view(n)) return;
  make_graphics_context_active();
  XGLContext* gl = XGLContext::current_context;
  view_type* view = &views[n - 1];
  if (get_environment_resized() || view->needs_update) update_depth(n);
  view->needs_update = false;

  if (!view->perspective) {
    float s = parallel_distance(view);
    for (int i = 0; i < 3; ++i) view->eye[i] = view->reference_point[i] + s * view->direction[i];
  }
  if (view->window_width < 1e-6f) view->window_width = 1e-6f;
  if (view->window_height < 1e-6f) view->window_height = 1e-6f;

  float x0, x1, y0, y1;
  get_screen_viewport(n, &x0, &x1, &y0, &y1);
  view->aspect = (view->window_width / view->window_height) /
                 ((x1 - x0) * mm_per_pixel_x / ((y1 - y0) * mm_per_pixel_y));

  float s0 = 0, s = 0;
  if (stereo) {
    float sign = right_eye ? 1.0f : -1.0f;
    if (stereo_view.eye_swap) sign = -sign;
    s0 = get_zoom() * stereo_view.eye_separation * sign / 2;
    s = s0 + sign * stereo_view.eye_offset;
  }
  double eye[3], look[3];
  for (int i = 0; i < 3; ++i) {
    eye[i] = view->eye[i] + s * view->u[i];
    look[i] = view->reference_point[i] + s * view->u[i];
  }
  gl->set_matrix_mode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(eye[0], eye[1], eye[2], look[0], look[1], look[2], view->up[0], view->up[1], view->up[2]);
  glGetDoublev(GL_MODELVIEW_MATRIX, model_matrix);

  gl->set_matrix_mode(GL_PROJECTION);
  glLoadIdentity();
  if (!get_offscreen_rendering()) compute_frustum(view, s0);  // offscreen, the tiling set it per tile
  float* f = view->frustum;
  change_hardware_viewport(n);
  if (jitter != nullptr) {
    float dx = (f[1] - f[0]) * jitter[0] / gl_viewport[2], dy = (f[3] - f[2]) * jitter[1] / gl_viewport[3];
    f[0] += dx, f[1] += dx, f[2] += dy, f[3] += dy;
  }
  if (view->perspective)
    glFrustum(f[0], f[1], f[2], f[3], f[4], f[5]);
  else
    glOrtho(f[0], f[1], f[2], f[3], f[4], f[5]);
  read_viewing_matrix(gl);

  if (get_display_options()->get_level_of_detail()) {
    const float* area = get_vl_system_viewport();
    view->scale = (area[1] * view->viewport[1] / 4095 / view->window_width +
                   area[3] * view->viewport[3] / 3276 / view->window_height) / 2;
    if (view->perspective) view->direction_dot_reference = dot3(view->direction, view->reference_point);
  }
}

void store_viewing_matrix() {
  glGetDoublev(GL_MODELVIEW_MATRIX, model_matrix);
  read_viewing_matrix(XGLContext::current_context);
}

void get_model_matrix(double out[16]) { memcpy(out, model_matrix, sizeof model_matrix); }
const double* get_viewing_matrix() { return viewing_matrix; }
void get_viewport(float out[4]) { memcpy(out, gl_viewport, sizeof gl_viewport); }

float get_view_scale(float x, float y, float z) {
  const view_type* view = get_view_pointer();
  if (!view->perspective) return view->scale;
  float focus = get_eye_distance(view);
  float p[3] = {x, y, z};
  float distance = dot3(view->direction, p) - view->direction_dot_reference;
  if ((focus - distance) / focus < 1e-6f) return 3.4028235e38f;
  return view->scale * focus / (focus - distance);
}

void update_view(bool move_eye) {
  view_type& v = current();
  if (move_eye) {
    float d = get_eye_distance(&v);
    if (d > 0)
      for (int i = 0; i < 3; ++i) v.eye[i] = v.reference_point[i] + d * v.direction[i];
  }
  // The linked views follow the current view's new axes, so these come first.
  compute_view_vectors(&v);
  if (v.dependent_count > 0) update_dependent_views(move_eye);
}

bool set_translate(float x, float y, float z) {
  view_type& v = current();
  if (equal3(v.reference_point, x, y, z)) return false;
  float d = get_eye_distance(&v);
  set3(v.reference_point, x, y, z);
  // A new reference point on the eye keeps the old eye distance.
  if (get_eye_distance(&v) == 0)
    for (int i = 0; i < 3; ++i) v.eye[i] = v.reference_point[i] + d * v.direction[i];
  update_view(true);
  v.needs_update = true;
  return true;
}

void get_translate(float* x, float* y, float* z) {
  const float* p = current().reference_point;
  *x = p[0], *y = p[1], *z = p[2];
}

bool set_vpn(float x, float y, float z) {
  view_type& v = current();
  if (equal3(v.direction, -x, -y, -z)) return false;
  set3(v.direction, -x, -y, -z);
  update_view(true);
  v.needs_update = true;
  return true;
}

void get_vpn(float* x, float* y, float* z) {
  const float* d = current().direction;
  *x = -d[0], *y = -d[1], *z = -d[2];
}

bool set_vup(float x, float y, float z) {
  view_type& v = current();
  if (equal3(v.up, x, y, z)) return false;
  set3(v.up, x, y, z);
  update_view(true);
  v.needs_update = true;
  return true;
}

void get_vup(float* x, float* y, float* z) {
  const float* u = current().v;
  *x = u[0], *y = u[1], *z = u[2];
}

bool set_eye_position(float x, float y, float z) {
  view_type& v = current();
  if (equal3(v.eye, x, y, z)) return false;
  if (equal3(v.reference_point, x, y, z)) return false;  // an eye on the reference point has no direction
  set3(v.eye, x, y, z);
  update_view(false);
  v.needs_update = true;
  return true;
}

void get_eye_position(float* x, float* y, float* z) {
  const float* e = current().eye;
  *x = e[0], *y = e[1], *z = e[2];
}

bool set_focus(float f) {
  view_type& v = current();
  if (!(f > 0) || f == get_eye_distance(&v)) return false;
  for (int i = 0; i < 3; ++i) v.eye[i] = v.reference_point[i] + f * v.direction[i];
  update_view(false);
  v.needs_update = true;
  return true;
}

float get_focus() { return get_eye_distance(&current()); }

bool set_projection(bool perspective) {
  view_type& v = current();
  if (v.perspective == perspective) return false;
  v.perspective = perspective;
  update_view(false);
  v.needs_update = true;
  return true;
}

bool get_projection() { return current().perspective; }

bool set_mirror_display(uint32_t mode) {
  if (mode > 2) internal_error(3078, "vl");
  view_type& v = current();
  if (v.mirror_mode == mode) return false;
  v.mirror_mode = mode;
  update_view(false);
  set_min_max_update(true);
  v.needs_update = true;  // the mirror image widens the depth range
  return true;
}

uint32_t get_mirror_display() { return current().mirror_mode; }

// A view other than view 1 is drawn only while its viewport is at least 12 units each way.
static void apply_enabling_rule(view_type& v, float size) {
  if (&v == &views[0]) return;
  if (size < 12) {
    v.enabled = false;
  } else if (!v.enabled) {
    v.enabled = true;
    v.needs_update = true;
  }
}

static bool set_viewport_value(int index, int32_t value, int32_t limit) {
  view_type& v = current();
  if (value < 0 || value > limit) return false;
  bool size = index == 1 || index == 3;
  if (size && &v == &views[0] && value < 1) return false;
  if (v.viewport[index] == float(value)) return false;
  v.viewport[index] = float(value);
  if (size) apply_enabling_rule(v, float(value));
  return true;
}

bool set_viewport_origin_x(int32_t x) { return set_viewport_value(0, x, 4094); }
bool set_viewport_origin_y(int32_t y) { return set_viewport_value(2, y, 3275); }
bool set_viewport_size_x(int32_t w) { return set_viewport_value(1, w, 4095); }
bool set_viewport_size_y(int32_t h) { return set_viewport_value(3, h, 3276); }
int32_t get_viewport_origin_x() { return int32_t(current().viewport[0]); }
int32_t get_viewport_origin_y() { return int32_t(current().viewport[2]); }
int32_t get_viewport_size_x() { return int32_t(current().viewport[1]); }
int32_t get_viewport_size_y() { return int32_t(current().viewport[3]); }

void change_viewport(int32_t x1, int32_t x2, int32_t y1, int32_t y2) {
  if (!(x1 < x2 && y1 < y2) || x1 < 0 || y1 < 0 || x2 > 4095 || y2 > 3276) return;
  view_type& v = current();
  v.viewport[0] = float(x1), v.viewport[1] = float(x2 - x1);
  v.viewport[2] = float(y1), v.viewport[3] = float(y2 - y1);
  apply_enabling_rule(v, std::fmin(v.viewport[1], v.viewport[3]));
}

const char* change_view_data(vector_type vrp, vector_type vpn, vector_type vup, const float* window,
                             vector_type prp, float front, float back, bool perspective) {
  if (!finite3(vrp) || !finite3(vpn) || !finite3(vup) || !finite3(prp) || !std::isfinite(window[0]) ||
      !std::isfinite(window[1]) || !std::isfinite(front) || !std::isfinite(back))
    return "view data is not a finite number";
  float ln = std::sqrt(vpn.x * vpn.x + vpn.y * vpn.y + vpn.z * vpn.z);
  float lu = std::sqrt(vup.x * vup.x + vup.y * vup.y + vup.z * vup.z);
  if (ln < 1e-6f) return "view plane normal is zero";
  if (lu < 1e-6f) return "view up vector is zero";
  if (perspective && prp.z == 0) return "projection reference point lies on the view plane";
  view_type& v = current();
  set3(v.reference_point, vrp.x, vrp.y, vrp.z);
  set3(v.direction, -vpn.x / ln, -vpn.y / ln, -vpn.z / ln);
  set3(v.up, vup.x / lu, vup.y / lu, vup.z / lu);
  v.window_width = window[0], v.window_height = window[1];
  v.window_depth = back - front;
  for (int i = 0; i < 3; ++i) v.eye[i] = v.reference_point[i] - prp.z * v.direction[i];
  v.perspective = perspective;
  update_view(false);
  v.needs_update = true;
  set_repaint(false);
  return nullptr;
}

float get_zoom() { return get_zoom_x(); }

float get_zoom_x() {
  float x0, x1, y0, y1;
  get_screen_viewport(current_view_number, &x0, &x1, &y0, &y1);
  return current().window_width / ((x1 - x0) * mm_per_pixel_x);
}

float get_zoom_y() {
  float x0, x1, y0, y1;
  get_screen_viewport(current_view_number, &x0, &x1, &y0, &y1);
  return current().window_height / ((y1 - y0) * mm_per_pixel_y);
}

bool set_screen_resolution(float mm_x, float mm_y) {
  if (!(mm_x > 0) || !(mm_y > 0)) return false;
  if (mm_x == mm_per_pixel_x && mm_y == mm_per_pixel_y) return false;
  float zx = get_zoom_x(), zy = get_zoom_y();
  mm_per_pixel_x = mm_x, mm_per_pixel_y = mm_y;
  set_zoom_x(zx);
  set_zoom_y(zy);
  return true;
}

void get_screen_resolution(float* mm_x, float* mm_y) { *mm_x = mm_per_pixel_x, *mm_y = mm_per_pixel_y; }

bool set_depth_of_field(bool enable, float aperture, float focus) {
  enable_depth_of_field = enable;
  depth_of_field_aperture = aperture;
  depth_of_field_focus = focus;
  return false;
}

void get_depth_of_field(bool* enable, float* aperture, float* focus) {
  *enable = enable_depth_of_field, *aperture = depth_of_field_aperture, *focus = depth_of_field_focus;
}

void set_stereo(bool on) { stereo_view.enabled = on; }
bool get_stereo() { return stereo_view.enabled; }

bool set_stereo_attributes(bool on, float separation, float distance, float offset) {
  // A distance of zero would put the eye on the reference point.
  if (!(distance > 0) || !std::isfinite(distance) || !std::isfinite(separation) || !std::isfinite(offset))
    return false;
  bool changed = on != stereo_view.on || separation != stereo_view.eye_separation ||
                 distance != stereo_view.distance || offset != stereo_view.eye_offset;
  stereo_view.on = on;
  stereo_view.eye_separation = separation;
  stereo_view.eye_offset = offset;
  if (distance != stereo_view.distance) {
    stereo_view.distance = distance;
    view_type& v = current();
    float move = distance - get_eye_distance(&v);
    for (int i = 0; i < 3; ++i) v.eye[i] += move * v.direction[i];
  }
  return changed && stereo_view.enabled;
}

void get_stereo_attributes(bool* on, float* separation, float* distance, float* offset) {
  *on = stereo_view.on, *separation = stereo_view.eye_separation;
  *distance = stereo_view.distance, *offset = stereo_view.eye_offset;
}

bool get_enable_magic_module() { return get_display_options()->get_rendering_option() != 0; }
bool get_enable_realtime_renderer() { return get_display_options()->get_rendering_option() > 1; }

void ViewType::initialize(const float reference[3], const float dir[3], const float u_axis[3],
                          const float v_axis[3], const float window[3], float aspect_, const float eye_[3],
                          const float frustum_[6], bool perspective_, float vx, float vy, float vw, float vh,
                          uint32_t mirror, float gx, float gy, float gw, float gh, const double* matrix,
                          uint8_t alias, float scale_) {
  memcpy(reference_point, reference, sizeof reference_point);
  memcpy(direction, dir, sizeof direction);
  memcpy(u, u_axis, sizeof u);
  memcpy(v, v_axis, sizeof v);
  window_width = window[0], window_height = window[1], window_depth = window[2];
  aspect = aspect_;
  memcpy(eye, eye_, sizeof eye);
  memcpy(frustum, frustum_, sizeof frustum);
  perspective = perspective_;
  viewport[0] = vx, viewport[1] = vw, viewport[2] = vy, viewport[3] = vh;
  mirror_mode = mirror;
  gl_viewport[0] = gx, gl_viewport[1] = gy, gl_viewport[2] = gw, gl_viewport[3] = gh;
  viewing_matrix = matrix;
  offscreen_alias = alias;
  offscreen_scale = scale_;
  enabled = true;
}
