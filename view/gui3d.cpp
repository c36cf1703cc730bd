#include "view/gui3d.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>

#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "runtime/tables.h"
#include "toolkit/image.h"
#include "view/drag_geometry.h"
#include "view/offscreen.h"

GUI3D* GUI3D::selected_object = nullptr;
bool GUI3D::translation_in_progress = false;
bool GUI3D::rotation_in_progress = false;
uint8_t GUI3D::selected_access_point_index = 0;
uint8_t GUI3D::selection_button = 0;
TekPoint GUI3D::pick_point_tek = {0, 0};
Point GUI3D::position_saved_;
Vector GUI3D::translation_vector;
Vector GUI3D::rotation_vector;
ViewType GUI3D::view_;

const float GUI3D::COS_VAL[25] = {
    1.0f,        0.9659258f,  0.8660254f,  0.7071068f,  0.5f,        0.2588190f, 0.0f,
    -0.2588190f, -0.5f,       -0.7071068f, -0.8660254f, -0.9659258f, -1.0f,      -0.9659258f,
    -0.8660254f, -0.7071068f, -0.5f,       -0.2588190f, 0.0f,        0.2588190f, 0.5f,
    0.7071068f,  0.8660254f,  0.9659258f,  1.0f};
const float GUI3D::SIN_VAL[25] = {
    0.0f,        0.2588190f,  0.5f,        0.7071068f,  0.8660254f,  0.9659258f,  1.0f,
    0.9659258f,  0.8660254f,  0.7071068f,  0.5f,        0.2588190f,  0.0f,        -0.2588190f,
    -0.5f,       -0.7071068f, -0.8660254f, -0.9659258f, -1.0f,       -0.9659258f, -0.8660254f,
    -0.7071068f, -0.5f,       -0.2588190f, 0.0f};

// Longest list of edit variables of any kind.
constexpr int MAX_EDIT_VARS = 16;

// ---- Access points ----

GUI3DAccessPoint::GUI3DAccessPoint(uint8_t first_, uint8_t count_)
    : first(first_), count(count_), disabled_mask(0), image_disabled(false), entries(new GUI3DAccessPointEntry[count_]) {
  if (count_ == 0 || count_ > 32 || first_ == 0 || first_ + count_ - 1 > AP_LAST) internal_error(8101, "gui3d");
  for (int i = 0; i < count; ++i) {
    GUI3DAccessPointEntry& e = entries[i];
    e.enabled = e.offered = false;
    e.position = nullptr;
    for (int b = 0; b < 2; ++b) {
      e.drag[b] = false;
      e.action[b] = &GUI3D::no_action;
      e.drawing[b] = &GUI3D::draw_nothing;
      e.extent[b] = nullptr;
    }
  }
}

GUI3DAccessPoint::~GUI3DAccessPoint() { delete[] entries; }

void GUI3DAccessPoint::init(uint8_t number, bool active, GUI3DPosition position, bool drag1, GUI3DAction action1,
                            GUI3DDrawing drawing1, GUI3DDrawing extent1, bool drag2, GUI3DAction action2,
                            GUI3DDrawing drawing2, GUI3DDrawing extent2) {
  if (!contains(number)) internal_error(8102, "gui3d");
  GUI3DAccessPointEntry& e = entry(number);
  e.position = position;
  e.drag[0] = drag1, e.drag[1] = drag2;
  e.action[0] = action1 != nullptr ? action1 : &GUI3D::no_action;
  e.action[1] = action2 != nullptr ? action2 : &GUI3D::no_action;
  e.drawing[0] = drawing1 != nullptr ? drawing1 : &GUI3D::draw_nothing;
  e.drawing[1] = drawing2 != nullptr ? drawing2 : &GUI3D::draw_nothing;
  e.extent[0] = extent1, e.extent[1] = extent2;
  offer(number, active);
}

void GUI3DAccessPoint::offer(uint8_t number, bool on) {
  if (!contains(number)) internal_error(8102, "gui3d");
  GUI3DAccessPointEntry& e = entry(number);
  e.offered = on;
  e.enabled = on && e.position != nullptr && !(disabled_mask & bit(number));
}

// ---- Coordinate system ----

static const char* const NOT_NORMALIZED = "COORDINATE_SYSTEM item attribute: Direction vector is not normalized";

bool CoordinateSystem::verify_coordinate_system(const Vector axes[3], const char** message) const {
  for (int i = 0; i < 3; ++i) {
    if (!((mask >> i) & 1) && !axes[i].is_normalized()) {
      *message = NOT_NORMALIZED;
      return false;
    }
  }
  return true;
}

bool CoordinateSystem::set(uint32_t new_type, const Vector axes[3], uint32_t new_mask, const char** message) {
  *message = nullptr;
  if (new_type == GIVEN) {
    // Checked before anything is stored, against the mask that will hold.
    CoordinateSystem next;
    next.mask = new_mask;
    if (!next.verify_coordinate_system(axes, message)) return false;
  }
  bool changed = new_mask != mask;
  mask = new_mask;
  switch (new_type) {
    case WORLD:
      if (type != WORLD) {
        axis[0] = Vector(1, 0, 0), axis[1] = Vector(0, 1, 0), axis[2] = Vector(0, 0, 1);
        changed = true;
      }
      break;
    case GIVEN:
    case OWN:
    case VIEW:
      if (new_type != GIVEN || type != GIVEN || axis[0] != axes[0] || axis[1] != axes[1] || axis[2] != axes[2]) {
        for (int i = 0; i < 3; ++i) {
          if (axis[i] != axes[i]) changed = true;
          axis[i] = axes[i];
        }
        if (new_type == GIVEN && type != GIVEN) changed = true;
      }
      break;
    default:
      internal_error(8103, "gui3d");
  }
  type = new_type;
  return changed;
}

// ---- GUI3D ----

GUI3D::GUI3D(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate, uint8_t first,
             uint8_t count, bool depth, bool fit, bool refresh)
    : item_number(item),
      element_index(element),
      change_callback(change),
      activate_callback(activate),
      access_points(first, count),
      depth_flag(depth),
      fit_flag(fit),
      refresh_flag(refresh),
      coordinate_system(new CoordinateSystem),
      increments(new GUI3DIncrements) {
  uint8_t last = access_points.last();
  access_points.init(last, false, &GUI3D::coord_image, false, nullptr, nullptr, nullptr, false, nullptr, nullptr,
                     nullptr);
}

GUI3D::~GUI3D() {
  delete image;
  delete coordinate_system;
  delete increments;
}

void GUI3D::update_edit_vars(value*) {}
void GUI3D::update_symbol_parameter() {}
void GUI3D::delete_texture() {}
bool GUI3D::set_configuration(uint32_t) { return false; }
bool GUI3D::set_coordinate_system(uint32_t, const float*, uint32_t, const char**) { return false; }
bool GUI3D::set_highlight_border(bool) { return false; }
bool GUI3D::set_rotation(float, float, float, uint32_t, const char**) { return false; }
bool GUI3D::set_texture(bool, const char*, float, float, float, float, float, float, float, const char**) {
  return false;
}

void GUI3D::convert_int_to_rgb(uint32_t rgb, float (&out)[3]) {
  out[0] = float((rgb >> 16) & 0xFF) / 255.0f;
  out[1] = float((rgb >> 8) & 0xFF) / 255.0f;
  out[2] = float(rgb & 0xFF) / 255.0f;
}

bool GUI3D::set_color(uint32_t rgb) {
  float c[3];
  convert_int_to_rgb(rgb, c);
  bool changed = c[0] != color[0] || c[1] != color[1] || c[2] != color[2];
  color[0] = c[0], color[1] = c[1], color[2] = c[2];
  return changed;
}

static char message_buffer[200];

bool GUI3D::set_disabled_access_points(uint32_t count, const uint32_t* numbers, const char** message) {
  uint32_t mask = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t n = numbers[i];
    if (!access_points.contains(n)) {
      snprintf(message_buffer, sizeof message_buffer,
               "3D GUI: Invalid DISABLE_ACCESS_POINTS argument %lu, must be in range %d - %d", (unsigned long)n,
               int(access_points.first), int(access_points.last()));
      *message = message_buffer;
      return false;
    }
    uint32_t b = access_points.bit(uint8_t(n));
    if (mask & b) {
      snprintf(message_buffer, sizeof message_buffer, "3D GUI: Duplicate DISABLE_ACCESS_POINTS argument %lu",
               (unsigned long)n);
      *message = message_buffer;
      return false;
    }
    mask |= b;
  }
  uint8_t last = access_points.last();
  bool image_given = (mask & access_points.bit(last)) != 0;
  if (image == nullptr) mask |= access_points.bit(last);
  if (mask == access_points.disabled_mask) return false;
  access_points.disabled_mask = mask;
  access_points.image_disabled = image_given;
  for (uint8_t n = access_points.first; n <= last; ++n) access_points.offer(n, access_points.entry(n).offered);
  return true;
}

void GUI3D::set_image(Image* new_image) {
  if (new_image == image) return;
  delete image;
  image = new_image;
  uint8_t last = access_points.last();
  // Without an image its access point is masked; with one, only a given number masks it.
  if (image != nullptr && !access_points.image_disabled) access_points.disabled_mask &= ~access_points.bit(last);
  access_points.offer(last, image != nullptr);
}

bool GUI3D::set_increment_angular(uint32_t a) {
  bool changed = a != increments->angular;
  increments->angular = a;
  return changed;
}

bool GUI3D::set_increment_linear(float l) {
  bool changed = l != increments->linear;
  increments->linear = l;
  return changed;
}

bool GUI3D::set_motion_scale(float s) {
  bool changed = s != increments->motion_scale;
  increments->motion_scale = s;
  return changed;
}

void GUI3D::call_change_callback() {
  value values[MAX_EDIT_VARS] = {};
  update_edit_vars(values);
  if (change_callback != nullptr) change_callback(item_number, element_index, values);
}

void GUI3D::call_activate_callback(bool with_values) {
  value values[MAX_EDIT_VARS] = {};
  if (with_values) update_edit_vars(values);
  if (activate_callback != nullptr) activate_callback(item_number, element_index, with_values ? values : nullptr);
}

void GUI3D::set_view() { set_view(get_view_record(get_current_view_number())); }

void GUI3D::set_view(const view_type* v) {
  float window[3] = {v->window_width, v->window_height, v->window_depth};
  float gl[4];
  get_viewport(gl);
  view_.initialize(v->reference_point, v->direction, v->u, v->v, window, v->aspect, v->eye, v->frustum,
                   v->perspective, v->viewport[0], v->viewport[2], v->viewport[1], v->viewport[3], v->mirror_mode,
                   gl[0], gl[1], gl[2], gl[3], get_viewing_matrix(), uint8_t(get_offscreen_alias()),
                   get_offscreen_scale());
  view_.scale = v->scale;
  view_.dependent_count = v->dependent_count;
}

void GUI3D::update_symbol_minmax(const Point& p) {
  float lo[3] = {symbol_min.x(), symbol_min.y(), symbol_min.z()};
  float hi[3] = {symbol_max.x(), symbol_max.y(), symbol_max.z()};
  const float* c = p.coord_array();
  for (int i = 0; i < 3; ++i) {
    if (c[i] < lo[i]) lo[i] = c[i];
    else if (c[i] > hi[i]) hi[i] = c[i];
  }
  symbol_min = Point(lo), symbol_max = Point(hi);
}

float GUI3D::clip_to_plus_minus_one(float f) { return f < -1 ? -1 : f > 1 ? 1 : f; }

Point GUI3D::coord_image() const {
  TekPoint t;
  model_to_tek(&view_, get_symbol_reference(), t);
  if (image != nullptr && view_.gl_viewport[3] > 0) {
    long up = lround(image->height * 0.5 * 3276 / view_.gl_viewport[3]);
    long y = long(t.y) + up;
    t.y = uint16_t(y > 3276 ? 3276 : y);
  }
  Point origin;
  Vector direction;
  if (!define_pick_ray(&view_, t, &origin, &direction)) return get_symbol_reference();
  return origin;
}

// ---- Pointer handlers ----

static TekPoint tek_of_window(int x, int y) {
  uint32_t packed = window_to_tek(x, y);
  return TekPoint{uint16_t(packed & 0xFFFF), uint16_t(packed >> 16)};
}

bool GUI3D::near_me(TekPoint pointer, uint32_t& distance, uint32_t& count, uint8_t* numbers, TekPoint* positions) {
  update_symbol_parameter();
  distance = 2501;
  count = 0;
  bool found = false;
  for (uint8_t n = access_points.first; n <= access_points.last(); ++n) {
    const GUI3DAccessPointEntry& e = access_points.entry(n);
    if (!e.enabled || e.position == nullptr) continue;
    TekPoint t;
    if (!model_to_tek(&view_, (this->*e.position)(), t)) continue;
    int32_t dx = int32_t(t.x) - pointer.x, dy = int32_t(t.y) - pointer.y;
    uint32_t d = uint32_t(dx * dx + dy * dy);
    if (d >= 2501) continue;
    found = true;
    if (d < distance) {
      distance = d;
      numbers[0] = n, positions[0] = t;
      count = 1;
    } else if (d == distance && count < 11) {
      numbers[count] = n, positions[count] = t;
      ++count;
    }
  }
  return found;
}

void GUI3D::handle_button_press(uint8_t button, int x, int y, bool* handled, bool* grabbed) {
  if (selected_object == this) return;
  *handled = true;
  pick_point_tek = tek_of_window(x, y);
  if (button == 1 || button == 2) {
    *grabbed = true;
    selection_button = button;
    selected_object = this;
    if (access_points.contains(selected_access_point_index)) {
      const GUI3DAccessPointEntry& e = access_points.entry(selected_access_point_index);
      if (!e.drag[button - 1]) (this->*e.action[button - 1])(TekPoint{0, 0});
    }
    compute_minmax();
    call_change_callback();
  } else {
    call_activate_callback(false);
  }
}

void GUI3D::handle_motion_notify(int x, int y) {
  if ((selection_button != 1 && selection_button != 2) || !access_points.contains(selected_access_point_index))
    return;
  const GUI3DAccessPointEntry& e = access_points.entry(selected_access_point_index);
  if (!e.drag[selection_button - 1]) return;
  (this->*e.action[selection_button - 1])(tek_of_window(x, y));
  call_change_callback();
}

void GUI3D::handle_button_release(uint8_t button, int x, int y, bool* handled) {
  if (selected_object != this || button != selection_button) return;
  *handled = true;
  if ((button == 1 || button == 2) && access_points.contains(selected_access_point_index)) {
    const GUI3DAccessPointEntry& e = access_points.entry(selected_access_point_index);
    if (e.drag[button - 1]) (this->*e.action[button - 1])(tek_of_window(x, y));
  }
  selected_object = nullptr;
  translation_in_progress = rotation_in_progress = false;
  reset_drag_geometry();
  call_activate_callback(true);
}

// The entry of the drag this manipulator holds, or null.
static const GUI3DAccessPointEntry* drag_entry(const GUI3D* g) {
  if (GUI3D::selected_object != g || (GUI3D::selection_button != 1 && GUI3D::selection_button != 2) ||
      !g->access_points.contains(GUI3D::selected_access_point_index))
    return nullptr;
  return &g->access_points.entry(GUI3D::selected_access_point_index);
}

void GUI3D::add_drag_extent() {
  const GUI3DAccessPointEntry* e = drag_entry(this);
  if (e != nullptr && e->extent[selection_button - 1] != nullptr) (this->*e->extent[selection_button - 1])();
}

void GUI3D::draw_drag() {
  const GUI3DAccessPointEntry* e = drag_entry(this);
  if (e != nullptr) (this->*e->drawing[selection_button - 1])();
}

// ---- Drawing ----

void GUI3D::gl_colour(const float* c, float transparency) {
  XGLContext::current_context->set_gl_color(c[0], c[1], c[2], 1 - transparency);
}

void GUI3D::draw_image(float x, float y, float z, const float* colour) {
  if (image == nullptr) return;
  XGLContext::current_context->set_gl_color(colour[0], colour[1], colour[2]);
  image->draw(x, y, z);
}

void GUI3D::draw_translation_line(const Point& a, const Point& b) {
  Vector d = b - a;
  float l = d.length();
  if (l < 1e-5f) return;
  bool along = translation_in_progress && std::fabs(std::fabs((d * (1 / l)) * translation_vector) - 1) < 1e-6f;
  XGLContext::current_context->set_gl_color(along ? WHITE : GREY);
  glBegin(GL_LINES);
  glVertex3fv(a.coord_array());
  glVertex3fv(b.coord_array());
  glEnd();
}

// One square unit of the handles: 6 pixels in model units at the view's scale.
// Drawn in identity matrices (the handle sweeps): each square, of side 0.8 × 6
// pixels, at its access point's place in normalised device coordinates.
void GUI3D::draw_handles(float transparency) {
  XGLContext* gl = XGLContext::current_context;
  const double* m = view_.viewing_matrix;
  if (m == nullptr || view_.gl_viewport[2] <= 0 || view_.gl_viewport[3] <= 0) return;
  float hx = 0.8f * 6 / view_.gl_viewport[2], hy = 0.8f * 6 / view_.gl_viewport[3];
  static const float FILL[3] = {0.2f, 0.2f, 0.9f};
  float centres[256][3];
  int n = 0;
  for (uint8_t k = access_points.first; k < access_points.last(); ++k) {
    const GUI3DAccessPointEntry& e = access_points.entry(k);
    if (!e.enabled || e.position == nullptr) continue;
    Point p = (this->*e.position)();
    double c[4];
    for (int r = 0; r < 4; ++r) c[r] = m[r] * p.x() + m[4 + r] * p.y() + m[8 + r] * p.z() + m[12 + r];
    if (!(c[3] > 0)) continue;  // behind the eye
    centres[n][0] = float(c[0] / c[3]), centres[n][1] = float(c[1] / c[3]), centres[n][2] = float(c[2] / c[3]);
    ++n;
  }
  if (n == 0) return;
  // All squares in one batch, then all outlines: state changes cost more than vertices.
  static const float SIGNS[5][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
  gl->enable_polygon_offset(true);
  gl->set_polygon_offset(1, 1);
  gl_colour(FILL, transparency);
  glBegin(GL_QUADS);
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < 4; ++k)
      glVertex3f(centres[i][0] + SIGNS[k][0] * hx, centres[i][1] + SIGNS[k][1] * hy, centres[i][2]);
  glEnd();
  gl->enable_polygon_offset(false);
  gl_colour(WHITE, transparency);
  glBegin(GL_LINES);
  for (int i = 0; i < n; ++i)
    for (int k = 0; k < 4; ++k)
      for (int j = k; j <= k + 1; ++j)
        glVertex3f(centres[i][0] + SIGNS[j][0] * hx, centres[i][1] + SIGNS[j][1] * hy, centres[i][2]);
  glEnd();
}

void GUI3D::draw_rotation_circle(bool active, bool stipple_back, const Point& centre, const Vector& u,
                                 const Vector& v, float radius) {
  XGLContext* gl = XGLContext::current_context;
  float width = gl->get_line_width();
  gl->set_line_width(width * 1.5f);
  gl->set_gl_color(active ? WHITE : GREY);
  Vector toward(view_.direction);
  // Two passes: the front part solid, the back part stippled when asked.
  for (int back = 0; back < (stipple_back ? 2 : 1); ++back) {
    if (stipple_back) {
      gl->enable_line_stippling(back == 1);
      if (back == 1) gl->set_line_stipple_pattern(8);
    }
    glBegin(GL_LINE_STRIP);
    bool open = false;
    for (int i = 0; i <= 180; ++i) {
      float a = float(i) * 2 * 3.14159265f / 180;
      Vector offset = (u * std::cos(a) + v * std::sin(a)) * radius;
      bool behind = offset * toward <= 0;
      bool mine = !stipple_back || behind == (back == 1);
      if (!mine) {
        if (open) glEnd(), glBegin(GL_LINE_STRIP), open = false;
        continue;
      }
      glVertex3fv((centre + offset).coord_array());
      open = true;
    }
    glEnd();
  }
  gl->enable_line_stippling(false);
  gl->set_line_width(width);
}

void GUI3D::draw_perpendicular_circles(const Point& centre, const Vector& u, const Vector& v, const Vector& w,
                                       float radius) {
  bool wu_active = rotation_in_progress && std::fabs(rotation_vector * v) > 0.999999f;
  bool wv_active = rotation_in_progress && !wu_active;
  draw_rotation_circle(wv_active, true, centre, w, v, radius);
  if (rotation_constraint != 1) draw_rotation_circle(wu_active, true, centre, w, u, radius);
}
