#include "view/model_extent.h"
#include "scene/environment.h"

#include <cmath>

#include "scene/segment_store.h"
#include "runtime/gui3d_items.h"
#include "scene/transformation.h"
#include "view/gui3d.h"
#include "view/transforms.h"

static float ldf_minimum[3] = {1e20f, 1e20f, 1e20f};
static float ldf_maximum[3] = {-1e20f, -1e20f, -1e20f};
static float ldf_size = 1;
static bool no_geometry = true;

void update_min_max(float min_x, float min_y, float min_z, float max_x, float max_y, float max_z) {
  const float low[3] = {min_x, min_y, min_z}, high[3] = {max_x, max_y, max_z};
  for (int k = 0; k < 3; ++k) {
    ldf_minimum[k] = std::fmin(ldf_minimum[k], low[k]);
    ldf_maximum[k] = std::fmax(ldf_maximum[k], high[k]);
  }
}

void test_min_max() {
  if (!get_min_max_update()) return;
  for (int k = 0; k < 3; ++k) ldf_minimum[k] = 1e20f, ldf_maximum[k] = -1e20f;
  compute_min_max();  // feeds update_min_max with every visible segment's box
  no_geometry = !(ldf_minimum[0] <= ldf_maximum[0] && ldf_minimum[1] <= ldf_maximum[1] &&
                  ldf_minimum[2] <= ldf_maximum[2]);
  if (no_geometry) {
    ldf_size = 1;
  } else {
    float d[3];
    for (int k = 0; k < 3; ++k) d[k] = ldf_maximum[k] - ldf_minimum[k];
    ldf_size = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  }
}

bool get_no_geometry() { return no_geometry; }
float get_ldf_size() { return ldf_size; }

void get_ldf_min_max(const view_type* view, float min[3], float max[3]) {
  for (int k = 0; k < 3; ++k) min[k] = ldf_minimum[k], max[k] = ldf_maximum[k];
  if (view->mirror_mode == 1) {
    min[1] = -ldf_maximum[1];
    max[1] = -ldf_minimum[1];
  } else if (view->mirror_mode == 2) {
    min[1] = std::fmin(ldf_minimum[1], -ldf_maximum[1]);
    max[1] = std::fmax(ldf_maximum[1], -ldf_minimum[1]);
  }
}

void get_bounding_cuboid(float out[6]) {
  test_min_max();
  for (int k = 0; k < 3; ++k) {
    out[k] = no_geometry ? 0 : ldf_minimum[k];
    out[k + 3] = no_geometry ? 0 : ldf_maximum[k];
  }
}

// A model point as drawn: through the model transformation when one is on.
static Point transformed(float x, float y, float z) {
  if (!transformation_enabled()) return Point(x, y, z);
  double in[3] = {x, y, z}, out[3];
  transform_point(in, out);
  return Point(float(out[0]), float(out[1]), float(out[2]));
}

// Corner i (0..7) of a box; corner 0 is the minimum.
static Point corner(const float min[3], const float max[3], int i) {
  return transformed(i & 1 ? max[0] : min[0], i & 2 ? max[1] : min[1], i & 4 ? max[2] : min[2]);
}

struct Range {
  float low = 0, high = 0;
  void start(float v) { low = high = v; }
  void widen(float v) {
    if (v < low) low = v;
    if (v > high) high = v;
  }
  // The half extent about the reference point.
  float reach() const { return std::fmax(high, -low); }
};

void update_depth_gui3d(const GUI3D* item, const view_type* view, float* z_min, float* z_max) {
  const Point& lo = item->symbol_min;
  const Point& hi = item->symbol_max;
  float min[3] = {lo.x(), lo.y(), lo.z()}, max[3] = {hi.x(), hi.y(), hi.z()};
  for (int i = 0; i < 8; ++i) {
    float z = model_to_view(view, corner(min, max, i), true).z();
    if (z < *z_min) *z_min = z;
    if (z > *z_max) *z_max = z;
  }
}

// The manipulators with their depth flag widen z; with points, their fit
// flag widens all three ranges by their reference point.
static void widen_by_manipulators(const view_type* view, Range* x, Range* y, Range& z) {
  // Symbol sizes follow the view's window: the boxes are those of this view,
  // not of the one drawn last (or of none, before the first frame).
  const ViewType drawn = GUI3D::view_;
  GUI3D::set_view(view);
  GUI3DTableIterator it;
  while (GUI3D* g = it.next()) {
    if (x != nullptr && g->fit_flag) {
      Vector c = model_to_view(view, g->get_symbol_reference(), true);
      x->widen(c.x()), y->widen(c.y()), z.widen(c.z());
    }
    if (!g->depth_flag) continue;
    if (g->refresh_flag) g->compute_minmax();
    update_depth_gui3d(g, view, &z.low, &z.high);
  }
  GUI3D::view_ = drawn;
}

void update_depth(int n) {
  view_type* view = get_view_record(n);
  if (view == nullptr) return;
  test_min_max();
  Range z;
  if (no_geometry) {
    z.low = -100, z.high = 100;
  } else {
    float min[3], max[3];
    get_ldf_min_max(view, min, max);
    for (int i = 0; i < 8; ++i) {
      float c = model_to_view(view, corner(min, max, i), true).z();
      if (i == 0) z.start(c); else z.widen(c);
    }
  }
  widen_by_manipulators(view, nullptr, nullptr, z);
  float near_z, far_z;
  if (get_environment_min_max(view, &near_z, &far_z)) z.widen(near_z), z.widen(far_z);
  view->window_depth = 4 * 1.03f * z.reach();
  if (view->window_depth < 1e-6f) view->window_depth = 1;
}

static bool not_a_number3(const float* a) { return std::isnan(a[0]) || std::isnan(a[1]) || std::isnan(a[2]); }

bool auto_max_min(int mode) {
  int n = get_current_view_number();
  view_type* view = get_view_record(n);
  test_min_max();
  float d = get_eye_distance(view);
  float x0, x1, y0, y1, mx, my;
  get_screen_viewport(n, &x0, &x1, &y0, &y1);
  get_mm_per_pixel(&mx, &my);
  if (no_geometry) {
    for (int k = 0; k < 3; ++k) view->reference_point[k] = 0, view->eye[k] = d * view->direction[k];
    view->window_width = (x1 - x0) * mx;
    view->window_height = (y1 - y0) * my;
    update_depth(n);
  } else {
    float min[3], max[3];
    get_ldf_min_max(view, min, max);
    Point centre = transformed((min[0] + max[0]) / 2, (min[1] + max[1]) / 2, (min[2] + max[2]) / 2);
    for (int k = 0; k < 3; ++k) {
      view->reference_point[k] = centre.coord_array()[k];
      view->eye[k] = view->reference_point[k] + d * view->direction[k];
    }
    Range x, y, z;
    for (int i = 0; i < 8; ++i) {
      Vector c = model_to_view(view, corner(min, max, i), true);
      if (i == 0) {
        x.start(c.x()), y.start(c.y()), z.start(c.z());
      } else {
        x.widen(c.x()), y.widen(c.y()), z.widen(c.z());
      }
    }
    widen_by_manipulators(view, &x, &y, z);
    float near_z, far_z;
    if (get_environment_min_max(view, &near_z, &far_z)) z.widen(near_z), z.widen(far_z);
    if (mode == 0 || mode == 1) view->window_width = 2 * 1.03f * x.reach();
    if (mode == 0 || mode == 2) view->window_height = 2 * 1.03f * y.reach();
    view->window_depth = 4 * 1.03f * z.reach();
    float m = std::fmax(view->window_width, std::fmax(view->window_height, view->window_depth)) * 1e-6f + 0.1f;
    if (view->window_width < m) view->window_width = m;
    if (view->window_height < m) view->window_height = m;
    if (view->window_depth < m) view->window_depth = m;
    if (mode == 0) {
      float r = ((x1 - x0) * mx) / ((y1 - y0) * my);
      if (view->window_width / view->window_height > r)
        view->window_height = view->window_width / r;
      else
        view->window_width = view->window_height * r;
    }
  }
  view->needs_update = true;
  update_view(false);
  return not_a_number3(view->reference_point) || not_a_number3(view->eye) || std::isnan(view->window_width) ||
         std::isnan(view->window_height) || std::isnan(view->window_depth);
}
