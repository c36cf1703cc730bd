#include "scene/environment.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "scene/display_file.h"
#include "scene/display_options.h"
#include "scene/image_io.h"
#include "scene/lights.h"
#include "scene/loaded_texture.h"
#include "scene/materials.h"
#include "scene/reflections.h"
#include "scene/segment_store.h"
#include "scene/shadows.h"
#include "view/graphics_window.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

constexpr const char* MODULE = "environment";
constexpr double ARC_SECOND = 4.84813681109536e-6;  // radians

// Corners of each side in box units, in drawing order.
const int8_t CORNERS[ENVIRONMENT_SIDES][4][3] = {
    {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1}},  // floor
    {{-1, 1, -1}, {1, 1, -1}, {1, 1, 1}, {-1, 1, 1}},      // +Y
    {{1, 1, -1}, {1, -1, -1}, {1, -1, 1}, {1, 1, 1}},      // +X
    {{1, -1, -1}, {-1, -1, -1}, {-1, -1, 1}, {1, -1, 1}},  // -Y
    {{-1, -1, -1}, {-1, 1, -1}, {-1, 1, 1}, {-1, -1, 1}},  // -X
    {{-1, 1, 1}, {1, 1, 1}, {1, -1, 1}, {-1, -1, 1}},      // ceiling
};
// Inward normal of each side: box axis (0 X, 1 Y, 2 Z) and sign.
const int NORMAL_AXIS[ENVIRONMENT_SIDES] = {2, 1, 0, 1, 0, 2};
const int NORMAL_SIGN[ENVIRONMENT_SIDES] = {1, -1, -1, 1, 1, -1};

environment_settings settings;
std::unique_ptr<LoadedTexture> side_textures[ENVIRONMENT_SIDES];
environment_image side_images[ENVIRONMENT_SIDES];
float environment_cube[ENVIRONMENT_SIDES][4][3];
float normal[ENVIRONMENT_SIDES][3];
reflection_frame frame;
environment_image reflection_image;
char* reflection_image_file;
bool environment_resized;

void check_side(int side) {
  if (side < 0 || side >= ENVIRONMENT_SIDES) internal_error(1, MODULE);
}

const float* axis(int a) { return a == 0 ? frame.x : (a == 1 ? frame.y : frame.z); }

void rotate_vector(int32_t angle, int about, float v[3]) {
  double a = angle * ARC_SECOND, c = std::cos(a), s = std::sin(a);
  double x = v[0], y = v[1], z = v[2];
  if (about == 0) {
    v[1] = float(c * y - s * z), v[2] = float(s * y + c * z);
  } else if (about == 1) {
    v[0] = float(c * x - s * z), v[2] = float(s * x + c * z);
  } else {
    v[0] = float(c * x - s * y), v[1] = float(s * x + c * y);
  }
}

void cross(const float a[3], const float b[3], float out[3]) {
  float r[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  memcpy(out, r, sizeof r);
}

void normalise(float v[3], const float fallback[3]) {
  double n = std::sqrt(double(v[0]) * v[0] + double(v[1]) * v[1] + double(v[2]) * v[2]);
  if (!(n >= 1e-6)) {
    memcpy(v, fallback, 3 * sizeof(float));
    return;
  }
  for (int k = 0; k < 3; ++k) v[k] = float(v[k] / n);
}

void update_reflection_vectors() {
  static const float Z[3] = {0, 0, 1}, Y[3] = {0, 1, 0}, X[3] = {1, 0, 0};
  normalise(frame.z, Z);
  cross(frame.z, frame.x, frame.y);
  normalise(frame.y, Y);
  cross(frame.y, frame.z, frame.x);
  normalise(frame.x, X);
}

bool side_shown(int side) { return settings.visible_surfaces[side]; }

// The current view's placement of the box: reference point and window sizes.
void default_geometry() {
  const view_type* v = get_view_pointer();
  for (int k = 0; k < 3; ++k) settings.position[k] = v != nullptr ? v->reference_point[k] : 0;
  settings.size[0] = v != nullptr ? v->window_width : 1;
  settings.size[1] = v != nullptr ? v->window_height : 1;
  settings.size[2] = v != nullptr ? v->window_depth : 1;
  for (float& s : settings.size)
    if (s == 0) s = 1;
}

float view_depth(const view_type* view, const float* p) {
  Vector out;
  map_model_view(view, Point(p), view->perspective, &out);
  return out.z();
}

void background_rgba(uint8_t out[4]) {
  float r = 0, g = 0, b = 0;
  if (color_palette_exists()) get_colormap_entry(unsigned(get_background_color()) % PALETTE_SIZE, &r, &g, &b);
  out[0] = uint8_t(r * 255), out[1] = uint8_t(g * 255), out[2] = uint8_t(b * 255), out[3] = 255;
}

// Texel (x, y) of a loaded side as RGBA.
void texel(const Texture* t, int x, int y, uint8_t out[4]) {
  const uint8_t* p = t->get_pixels() + (size_t(y) * size_t(t->get_width()) + size_t(x)) * size_t(t->get_components());
  if (t->get_components() == 1) {
    out[0] = out[1] = out[2] = p[0];
  } else {
    out[0] = p[0], out[1] = p[1], out[2] = p[2];
  }
  out[3] = 255;
}

// A side's texture with its pixels read, or null when it has none.
const LoadedTexture* loaded_side(int side) {
  LoadedTexture* t = side_textures[side].get();
  if (t == nullptr || t->get_filename() == nullptr) return nullptr;
  t->load_pixels();
  return t->get_pixels() != nullptr ? t : nullptr;
}

// Bilinear sample of a side at (u, v) in 0..1.
void sample_bilinear(const Texture* t, double u, double v, uint8_t out[4]) {
  int w = t->get_width(), h = t->get_height();
  double fx = u * (w - 1), fy = v * (h - 1);
  int x0 = int(fx), y0 = int(fy);
  int x1 = x0 + 1 < w ? x0 + 1 : x0, y1 = y0 + 1 < h ? y0 + 1 : y0;
  double ax = fx - x0, ay = fy - y0;
  uint8_t c[4][4];
  texel(t, x0, y0, c[0]), texel(t, x1, y0, c[1]), texel(t, x0, y1, c[2]), texel(t, x1, y1, c[3]);
  for (int k = 0; k < 4; ++k) {
    double top = c[0][k] * (1 - ax) + c[1][k] * ax, bottom = c[2][k] * (1 - ax) + c[3][k] * ax;
    out[k] = uint8_t(std::lround(top * (1 - ay) + bottom * ay));
  }
}

// The reflection map size from the display options, held to what GL can take.
int clamped_map_size() {
  uint32_t n = get_display_options()->get_reflection_map_size();
  uint32_t limit = uint32_t(get_gl_max_texture_size() > 2 ? get_gl_max_texture_size() : 2);
  if (n < 2) n = 2;
  if (n > limit) n = limit;
  return int(n);
}

double fraction(double a) { return a - std::floor(a); }

}  // namespace

// -1 not probed yet, else 0 or 1.
static int cube_maps = -1;

bool cube_maps_available() {
  if (cube_maps < 0) cube_maps = gl_version_at_least(1, 3) || gl_extension_listed("GL_ARB_texture_cube_map");
  return cube_maps == 1;
}

void set_cube_maps_available_for_test(int available) { cube_maps = available; }

void init_environment() {
  cleanup_environment();
  settings = environment_settings{};
  for (float& r : settings.repeat) r = 1;
  default_geometry();
  static const float X[3] = {1, 0, 0}, Y[3] = {0, 1, 0}, Z[3] = {0, 0, 1};
  memcpy(frame.x, X, sizeof X), memcpy(frame.y, Y, sizeof Y), memcpy(frame.z, Z, sizeof Z);
  frame.angles[0] = frame.angles[1] = frame.angles[2] = 0;
  environment_resized = false;
  compute_environment_vertices();
}

void cleanup_environment() {
  for (auto& t : side_textures) t.reset();
  for (environment_image& i : side_images) i = environment_image{};
  reflection_image = environment_image{};
  if (reflection_image_file != nullptr) CheckedFree(reflection_image_file);
  reflection_image_file = nullptr;
}

void delete_environment_textures() {
  for (auto& t : side_textures)
    if (t != nullptr) t->remove();
}

bool set_environment(bool visible, const bool visible_surfaces[6], const float position[3], const float size[3],
                     const float reflection[6], const bool lit[6], const bool receives_shadows[6],
                     const float repeat[12], const char* const file_names[6], bool cull_back_faces) {
  bool changed = false, geometry = false;
  if (settings.visible != visible) settings.visible = visible, changed = geometry = true;
  for (int k = 0; k < 3; ++k) {
    float s = size[k] == 0 ? 1 : size[k];
    if (settings.position[k] != position[k] || settings.size[k] != s) changed = geometry = true;
    settings.position[k] = position[k], settings.size[k] = s;
  }
  for (int side = 0; side < ENVIRONMENT_SIDES; ++side) {
    if (settings.visible_surfaces[side] != visible_surfaces[side]) changed = geometry = true;
    bool shown = visible_surfaces[side];
    settings.visible_surfaces[side] = shown;
    bool differs = settings.reflection[side] != reflection[side] || settings.lit[side] != lit[side] ||
                   settings.receives_shadows[side] != receives_shadows[side] ||
                   settings.repeat[2 * side] != repeat[2 * side] || settings.repeat[2 * side + 1] != repeat[2 * side + 1];
    if (differs && shown) changed = true;
    settings.reflection[side] = reflection[side], settings.lit[side] = lit[side];
    settings.receives_shadows[side] = receives_shadows[side];
    settings.repeat[2 * side] = repeat[2 * side], settings.repeat[2 * side + 1] = repeat[2 * side + 1];

    const char* name = file_names[side] != nullptr && file_names[side][0] != '\0' ? file_names[side] : nullptr;
    const char* old = side_textures[side] != nullptr ? side_textures[side]->get_filename() : nullptr;
    if ((name == nullptr) != (old == nullptr) || (name != nullptr && strcmp(name, old) != 0)) {
      side_textures[side].reset();
      if (name != nullptr) {
        side_textures[side] = std::make_unique<LoadedTexture>(GL_RGBA);
        side_textures[side]->set_filename(dup_chars(name));
      }
      changed = true;
      set_update_compute_reflection();
    }
  }
  if (settings.cull_back_faces != cull_back_faces) settings.cull_back_faces = cull_back_faces, changed = true;
  if (geometry) {
    environment_resized = true;
    set_update_shadowmaps();
  }
  return changed;
}

void get_environment(bool* visible, bool visible_surfaces[6], float position[3], float size[3], float reflection[6],
                     bool lit[6], bool receives_shadows[6], float repeat[12], char* file_names[6],
                     bool* cull_back_faces) {
  *visible = settings.visible;
  for (int k = 0; k < 3; ++k) position[k] = settings.position[k], size[k] = settings.size[k];
  for (int side = 0; side < ENVIRONMENT_SIDES; ++side) {
    visible_surfaces[side] = settings.visible_surfaces[side];
    reflection[side] = settings.reflection[side];
    lit[side] = settings.lit[side];
    receives_shadows[side] = settings.receives_shadows[side];
    repeat[2 * side] = settings.repeat[2 * side], repeat[2 * side + 1] = settings.repeat[2 * side + 1];
    const char* name = side_textures[side] != nullptr ? side_textures[side]->get_filename() : nullptr;
    file_names[side] = dup_chars(name != nullptr && settings.visible_surfaces[side] ? name : "");
  }
  *cull_back_faces = settings.cull_back_faces;
}

bool get_environment_visible() {
  if (!settings.visible) return false;
  for (bool shown : settings.visible_surfaces)
    if (shown) return true;
  return false;
}

bool get_environment_resized() {
  bool resized = environment_resized;
  environment_resized = false;
  return resized;
}

bool set_rotate_reflection(int32_t ax, int32_t ay, int32_t az) {
  if (frame.angles[0] == ax && frame.angles[1] == ay && frame.angles[2] == az) return false;
  frame.angles[0] = ax, frame.angles[1] = ay, frame.angles[2] = az;
  float* vectors[2] = {frame.x, frame.z};
  frame.x[0] = 1, frame.x[1] = 0, frame.x[2] = 0;
  frame.z[0] = 0, frame.z[1] = 0, frame.z[2] = 1;
  for (float* v : vectors)
    for (int about = 0; about < 3; ++about) rotate_vector(frame.angles[about], about, v);
  update_reflection_vectors();
  set_update_shadowmaps();
  return true;
}

bool change_rotate_reflection(int32_t dx, int32_t dy, int32_t dz) {
  // Angles wrap as YARL integers do.
  auto add = [](int32_t a, int32_t d) { return int32_t(uint32_t(a) + uint32_t(d)); };
  return set_rotate_reflection(add(frame.angles[0], dx), add(frame.angles[1], dy), add(frame.angles[2], dz));
}

void get_rotate_reflection(int32_t* ax, int32_t* ay, int32_t* az) {
  *ax = frame.angles[0], *ay = frame.angles[1], *az = frame.angles[2];
}

void compute_environment_vertices() {
  for (int side = 0; side < ENVIRONMENT_SIDES; ++side) {
    for (int corner = 0; corner < 4; ++corner) {
      const int8_t* c = CORNERS[side][corner];
      for (int k = 0; k < 3; ++k)
        environment_cube[side][corner][k] = settings.position[k] + frame.x[k] * settings.size[0] * c[0] / 2 +
                                            frame.y[k] * settings.size[1] * c[1] / 2 +
                                            frame.z[k] * settings.size[2] * c[2] / 2 + (k == 2 ? settings.size[2] / 2 : 0);
    }
    const float* a = axis(NORMAL_AXIS[side]);
    for (int k = 0; k < 3; ++k) normal[side][k] = float(NORMAL_SIGN[side]) * a[k];
  }
}

const float* get_environment_vertex(int side, int corner) {
  check_side(side);
  if (corner < 0 || corner > 3) internal_error(2, MODULE);
  return environment_cube[side][corner];
}

void get_environment_side_normal(int side, float* x, float* y, float* z) {
  check_side(side);
  *x = normal[side][0], *y = normal[side][1], *z = normal[side][2];
}

const float* get_environment_side_axis(int side) {
  check_side(side);
  return axis(NORMAL_AXIS[side]);
}

const environment_settings* get_environment_data() { return &settings; }
const reflection_frame* get_reflection_data() { return &frame; }

environment_image* get_environment_side_image(int side) {
  check_side(side);
  return &side_images[side];
}

const LoadedTexture* get_environment_side_texture(int side) {
  check_side(side);
  return loaded_side(side);
}

environment_image* get_reflection_image() { return &reflection_image; }
const char* get_reflection_image_file() { return reflection_image_file; }

bool get_environment_min_max(const view_type* view, float* near_z, float* far_z) {
  if (!get_environment_visible()) return false;
  bool first = true;
  auto widen = [&](float z) {
    if (first || z < *near_z) *near_z = z;
    if (first || z > *far_z) *far_z = z;
    first = false;
  };
  for (int side = 0; side < ENVIRONMENT_SIDES; ++side) {
    if (!side_shown(side)) continue;
    for (int corner = 0; corner < 4; ++corner) widen(view_depth(view, environment_cube[side][corner]));
    if (settings.reflection[side] <= 0) continue;
    // The mirrored room lies one box size beyond the side, outwards.
    int a = NORMAL_AXIS[side];
    float out = -float(NORMAL_SIGN[side]) * settings.size[a];
    for (int corner = 0; corner < 4; ++corner) {
      float p[3];
      for (int k = 0; k < 3; ++k) p[k] = environment_cube[side][corner][k] + axis(a)[k] * out;
      widen(view_depth(view, p));
    }
  }
  return true;
}

// ------------------------------------------------------------ drawing

bool environment_side_faces_eye(int side) {
  const view_type* v = get_view_pointer();
  float d;
  if (v->perspective) {
    d = 0;
    for (int k = 0; k < 3; ++k) d += (v->eye[k] - environment_cube[side][0][k]) * normal[side][k];
  } else {
    d = 0;
    for (int k = 0; k < 3; ++k) d += v->direction[k] * normal[side][k];
  }
  return d > 0;
}

// One quad over the side with texture coordinates up to its repeats.
static void side_quad(int side, bool textured) {
  float s = settings.repeat[2 * side], t = settings.repeat[2 * side + 1];
  const float tex[4][2] = {{0, 0}, {s, 0}, {s, t}, {0, t}};
  glBegin(GL_QUADS);
  glNormal3fv(normal[side]);
  for (int corner = 3; corner >= 0; --corner) {
    if (textured) glTexCoord2fv(tex[corner]);
    glVertex3fv(environment_cube[side][corner]);
  }
  glEnd();
}

void draw_environment_side(int side) {
  check_side(side);
  if (!side_shown(side)) return;
  XGLContext* gl = XGLContext::current_context;
  if (gl_version_at_least(1, 2)) glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SINGLE_COLOR);
  if (settings.cull_back_faces) {
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
  }
  float reflection = settings.reflection[side];
  bool lit = settings.lit[side] || reflection > 0;
  if (lit) {
    gl->enable_lighting(true);
  } else {
    gl->set_gl_color(1, 1, 1);
    gl->enable_lighting(false);
  }
  gl->set_polygon_mode(GL_FILL);
  gl->set_shade_model(GL_FLAT);
  gl->enable_depth_testing(true);
  glMaterialf(GL_FRONT, GL_SHININESS, 64);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
  const float front[4] = {1, 1, 1, 1 - reflection * 0.5f}, black[4] = {0, 0, 0, 1};
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, front);
  glMaterialfv(GL_FRONT, GL_SPECULAR, front);
  glMaterialfv(GL_BACK, GL_AMBIENT_AND_DIFFUSE, black);
  glMaterialfv(GL_BACK, GL_SPECULAR, black);
  if (!lit) gl->set_gl_color(1, 1, 1, 1 - reflection * 0.5f);
  bool textured = side_textures[side] != nullptr && side_textures[side]->get_filename() != nullptr;
  if (textured) {
    side_textures[side]->activate();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, settings.lit[side] ? GL_MODULATE : GL_DECAL);
    gl->set_texture2d_wrap(GL_REPEAT, GL_REPEAT);
    glEnable(GL_TEXTURE_2D);
  }
  gl->enable_dithering(true);
  side_quad(side, textured);
  glDisable(GL_TEXTURE_2D);
  gl->enable_dithering(false);
  glDisable(GL_CULL_FACE);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  gl->enable_lighting(false);
  set_update_material();
}

void stencil_environment_side(int side) {
  check_side(side);
  XGLContext* gl = XGLContext::current_context;
  gl->enable_stencil_test(true);
  glDepthMask(GL_FALSE);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glCullFace(GL_BACK);
  glEnable(GL_CULL_FACE);
  glClearStencil(0);
  glClear(GL_STENCIL_BUFFER_BIT);
  glStencilFunc(GL_ALWAYS, 1, 1);
  glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
  gl->enable_lighting(false);
  side_quad(side, false);
  glStencilFunc(GL_EQUAL, 1, 1);
  glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  glDisable(GL_CULL_FACE);
  glDepthMask(GL_TRUE);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

bool draw_environment_shadows_and_reflections(bool (*abort)()) {
  const view_type* v = get_view_pointer();
  float sum[ENVIRONMENT_SIDES];
  int order[ENVIRONMENT_SIDES];
  for (int side = 0; side < ENVIRONMENT_SIDES; ++side) {
    order[side] = side;
    sum[side] = 0;
    for (int corner = 0; corner < 4; ++corner) sum[side] += view_depth(v, environment_cube[side][corner]);
  }
  for (int i = 0; i < ENVIRONMENT_SIDES; ++i)
    for (int j = i + 1; j < ENVIRONMENT_SIDES; ++j)
      if (sum[order[i]] > sum[order[j]]) std::swap(order[i], order[j]);

  XGLContext* gl = XGLContext::current_context;
  bool realtime = get_display_options()->get_rendering_option() > 1;
  bool aborted = false;
  for (int i = 0; i < ENVIRONMENT_SIDES && !aborted; ++i) {
    int side = order[i];
    if (!side_shown(side)) continue;
    bool facing = environment_side_faces_eye(side);
    bool mirror = realtime && facing && settings.reflection[side] > 0;
    if (mirror) {
      stencil_environment_side(side);
      aborted = draw_reflections(side, abort);
      gl->enable_stencil_test(false);
      gl->enable_blending(true);
      gl->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    if (aborted) break;
    if (!settings.cull_back_faces || facing) draw_environment_side(side);
    if (realtime && facing) {
      if (mirror) gl->enable_blending(false);
      if (settings.receives_shadows[side]) {
        gl->enable_depth_testing(false);
        gl->enable_blending(true);
        gl->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        aborted = draw_shadows(side, abort);
        gl->enable_blending(false);
        gl->enable_depth_testing(true);
      }
    }
  }
  return aborted;
}

// ------------------------------------------------------------ reflection images

void compute_reflection_image() {
  for (int side = 0; side < ENVIRONMENT_SIDES; ++side) loaded_side(side);
  if (cube_maps_available()) {
    compute_cube_map_images();
    return;
  }
  int n = clamped_map_size();
  reflection_image.width = reflection_image.height = n;
  reflection_image.pixels.assign(size_t(n) * size_t(n) * 4, 255);
  update_reflection_maps();
  uint8_t background[4];
  background_rgba(background);
  const double pi = 3.14159265358979323846;
  for (int i = 0; i < n; ++i) {
    double a = i * pi / (n - 1);
    for (int j = 0; j < n; ++j) {
      double b = 2 * pi * j / (n - 1);
      double ray[3] = {std::sin(a) * std::cos(b), std::sin(a) * std::sin(b), std::cos(a)};
      double inverse[3];
      for (int k = 0; k < 3; ++k) inverse[k] = std::fabs(ray[k]) < 1e-6 ? 1e6 : 1 / std::fabs(ray[k]);
      int side, u_axis, v_axis, hit;
      if (inverse[0] <= inverse[1] && inverse[0] <= inverse[2]) {
        hit = 0, side = ray[0] > 0 ? 2 : 4, u_axis = 1, v_axis = 2;
      } else if (inverse[1] <= inverse[2]) {
        hit = 1, side = ray[1] > 0 ? 1 : 3, u_axis = 0, v_axis = 2;
      } else {
        hit = 2, side = ray[2] > 0 ? 5 : 0, u_axis = 0, v_axis = 1;
      }
      double u = ray[u_axis] * inverse[hit] * 0.5 + 0.5, v = ray[v_axis] * inverse[hit] * 0.5 + 0.5;
      u = std::fmin(1, std::fmax(0, fraction(u * settings.repeat[2 * side])));
      v = std::fmin(1, std::fmax(0, fraction(v * settings.repeat[2 * side + 1])));
      uint8_t* out = &reflection_image.pixels[(size_t(n - 1 - i) * size_t(n) + size_t(j)) * 4];
      const LoadedTexture* t = side_shown(side) ? loaded_side(side) : nullptr;
      if (t != nullptr)
        sample_bilinear(t, u, v, out);
      else if (side_shown(side))
        out[0] = out[1] = out[2] = out[3] = 255;
      else
        memcpy(out, background, 4);
    }
  }
}

void compute_cube_map_images() {
  int n = clamped_map_size() / 2;
  GLint limit = 0;
  glGetIntegerv(GL_MAX_CUBE_MAP_TEXTURE_SIZE, &limit);
  if (limit > 0 && n > limit) n = limit;
  if (n < 1) n = 1;
  uint8_t background[4];
  background_rgba(background);
  update_reflection_maps();
  for (int side = 0; side < ENVIRONMENT_SIDES; ++side) {
    environment_image& image = side_images[side];
    image.width = image.height = n;
    image.pixels.assign(size_t(n) * size_t(n) * 4, 255);
    const LoadedTexture* t = side_shown(side) ? loaded_side(side) : nullptr;
    bool exchange = side == 2 || side == 4;
    bool mirror_x = side == 0 || side == 2 || side == 3, mirror_y = side == 0 || side == 3 || side == 4;
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        uint8_t* out = &image.pixels[(size_t(y) * size_t(n) + size_t(x)) * 4];
        if (!side_shown(side)) {
          memcpy(out, background, 4);
          continue;
        }
        if (t == nullptr) continue;  // a shown side without an image is white
        int sx = exchange ? y : x, sy = exchange ? x : y;
        if (mirror_x) sx = n - 1 - sx;
        if (mirror_y) sy = n - 1 - sy;
        int w = t->get_width(), h = t->get_height();
        // Texel indices wrap modulo the image size: a 1-pixel image stays valid.
        int tx = int(int64_t(double(sx) / n * settings.repeat[2 * side] * w) % w);
        int ty = int(int64_t(double(sy) / n * settings.repeat[2 * side + 1] * h) % h);
        if (tx < 0) tx += w;
        if (ty < 0) ty += h;
        texel(t, tx, ty, out);
      }
  }
}

void save_environment(write_df* out) {
  bool on = settings.visible;
  if (!on && get_display_options()->get_reflection_type() == 1) return;
  compute_environment_vertices();
  out->begin(DF_ENVIRONMENT);
  for (int side = 0; side < ENVIRONMENT_SIDES; ++side) {
    bool present = on && settings.visible_surfaces[side];
    out->put_int(present);
    if (!present) continue;
    out->put_string(side_textures[side] != nullptr ? side_textures[side]->get_filename() : nullptr);
    for (const float* corner : environment_cube[side])
      for (int k = 0; k < 3; ++k) out->put_float(corner[k]);
    out->put_int(settings.lit[side]);
    out->put_int(settings.receives_shadows[side]);
    out->put_float(settings.repeat[2 * side]);
    out->put_float(settings.repeat[2 * side + 1]);
    out->put_float(settings.reflection[side]);
  }
  for (float p : settings.position) out->put_float(p);
  for (float s : settings.size) out->put_float(s);
  for (int32_t a : frame.angles) out->put_int(a);
  out->put_int(settings.cull_back_faces);
  out->put_string(reflection_image_file);
  out->end();
}

void set_reflection_image(const char* file) {
  if (reflection_image_file != nullptr) CheckedFree(reflection_image_file);
  reflection_image_file = dup_chars(file != nullptr ? file : "");
  char* path = file != nullptr && file[0] != '\0' ? expand_texture_name(file) : nullptr;
  std::unique_ptr<ImageIO> io(path != nullptr ? new ImageIO(GL_RGBA, path) : new ImageIO(GL_RGBA));
  if (path != nullptr) CheckedFree(path);
  reflection_image.width = int(io->width), reflection_image.height = int(io->height);
  reflection_image.pixels = std::move(io->pixels);
  for (size_t i = 3; i < reflection_image.pixels.size(); i += 4) reflection_image.pixels[i] = 255;
  update_reflection_maps();
  set_update_reflection();
}
