#include "scene/shadows.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "scene/display_options.h"
#include "scene/draw_geometry.h"
#include "scene/environment.h"
#include "scene/lights.h"
#include "scene/offscreen_drawable.h"
#include "view/graphics_display.h"
#include "view/model_extent.h"
#include "view/views.h"

namespace {

constexpr const char* MODULE = "shadows";
constexpr int HARD_SHADOW_MAP_SIZE = 1024, SOFT_SHADOW_MAP_SIZE = 512;
constexpr int MAX_SHADOW_MAP_SIZE = HARD_SHADOW_MAP_SIZE;

// The 24-sample jitter table of the OpenGL Programming Guide.
const float JITTER24[24][2] = {
    {0.030245f, 0.136384f},   {0.018865f, -0.348867f},  {-0.350114f, -0.472309f}, {0.222181f, 0.149524f},
    {-0.393670f, -0.266873f}, {0.404568f, 0.230436f},   {0.098381f, 0.465337f},   {0.462671f, 0.442116f},
    {0.400373f, -0.212720f},  {-0.409988f, 0.263345f},  {-0.115878f, -0.001981f}, {0.348425f, -0.009237f},
    {-0.464016f, 0.066467f},  {-0.138674f, -0.468006f}, {0.144932f, -0.022780f},  {-0.250195f, 0.150161f},
    {-0.181400f, -0.264219f}, {0.196097f, -0.234139f},  {-0.311082f, -0.078815f}, {0.268379f, 0.366778f},
    {-0.040601f, 0.327109f},  {-0.234392f, 0.354659f},  {-0.003102f, -0.154402f}, {0.297997f, -0.417965f},
};

// In-plane axes (u, v) of each side with u x v the inward normal: image
// columns run along u, rows along v.
const int U_AXIS[ENVIRONMENT_SIDES] = {0, 0, 2, 2, 1, 1};
const int V_AXIS[ENVIRONMENT_SIDES] = {1, 2, 1, 0, 2, 0};

std::vector<uint8_t> shadow_map_data, filtered_shadow_map_data;
OffscreenDrawable* shadow_map;
GLuint shadow_textures[MAX_LIGHTS][ENVIRONMENT_SIDES];
float shadow_textures_coords[MAX_LIGHTS][ENVIRONMENT_SIDES][4][3];
uint64_t maps_computed;

int light_index(int light) {
  int i = light - GL_LIGHT0;
  if (i < 0 || i >= MAX_LIGHTS) internal_error(1, MODULE);
  return i;
}

const float* box_axis(int a) {
  const reflection_frame* f = get_reflection_data();
  return a == 0 ? f->x : (a == 1 ? f->y : f->z);
}

bool soft(int light) { return get_light_cast_soft_shadows(light) && get_display_options()->get_display_soft_shadows(); }

bool casts_on(int light, int side) {
  return get_light_on(light) && get_light_cast_shadows(light) && side_is_lit_by_light(side, light);
}

// The box's centre, the side's centre and the half extents along its u and v axes.
struct side_frame {
  float centre[3], side_centre[3];
  float half_u, half_v, distance;
  const float *u, *v, *inward;
  float inward_vector[3];
};

side_frame frame_of(int side) {
  const environment_settings* e = get_environment_data();
  side_frame f{};
  for (int k = 0; k < 3; ++k) f.centre[k] = e->position[k] + (k == 2 ? e->size[2] / 2 : 0);
  float nx, ny, nz;
  get_environment_side_normal(side, &nx, &ny, &nz);
  f.inward_vector[0] = nx, f.inward_vector[1] = ny, f.inward_vector[2] = nz;
  const float* vertex = get_environment_vertex(side, 0);
  f.distance = 0;
  for (int k = 0; k < 3; ++k) f.distance += (f.centre[k] - vertex[k]) * f.inward_vector[k];
  for (int k = 0; k < 3; ++k) f.side_centre[k] = f.centre[k] - f.inward_vector[k] * f.distance;
  f.u = box_axis(U_AXIS[side]), f.v = box_axis(V_AXIS[side]);
  f.half_u = e->size[U_AXIS[side]] / 2, f.half_v = e->size[V_AXIS[side]] / 2;
  return f;
}

double dot3(const float* a, const float* b) { return double(a[0]) * b[0] + double(a[1]) * b[1] + double(a[2]) * b[2]; }

// The planar projection onto the side along the light, column order.
void shadow_matrix(int light, int side, double m[16]) {
  const float* n = get_environment_side_axis(side);
  const float* vertex = get_environment_vertex(side, 0);
  double plane[4] = {n[0], n[1], n[2], -dot3(n, vertex)};
  float x, y, z;
  get_light_direction(light, &x, &y, &z);
  double l[4] = {-x, -y, -z, 0};
  double d = plane[0] * l[0] + plane[1] * l[1] + plane[2] * l[2];
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) m[4 * c + r] = (r == c ? d : 0) - l[r] * plane[c];
}

// The camera over the side, narrowed to where the model's shadow falls; the
// area's corners in texture order go to `corners`.
void setup_shadow_map_camera(int side, int light, float corners[4][3]) {
  side_frame f = frame_of(side);
  double lo[2] = {-1, -1}, hi[2] = {1, 1};
  const view_type* view = get_view_pointer();
  if (!get_no_geometry() && view != nullptr) {
    float min[3], max[3];
    get_ldf_min_max(view, min, max);
    double m[16];
    shadow_matrix(light, side, m);
    double found_lo[2] = {1e30, 1e30}, found_hi[2] = {-1e30, -1e30};
    bool all = true;
    for (int i = 0; i < 8; ++i) {
      double p[4] = {(i & 1) ? max[0] : min[0], (i & 2) ? max[1] : min[1], (i & 4) ? max[2] : min[2], 1}, q[4];
      for (int r = 0; r < 4; ++r) q[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r] * p[3];
      if (std::fabs(q[3]) < 1e-12) {
        all = false;
        break;
      }
      float flat[3];
      for (int k = 0; k < 3; ++k) flat[k] = float(q[k] / q[3] - f.side_centre[k]);
      double c[2] = {dot3(flat, f.u) / f.half_u, dot3(flat, f.v) / f.half_v};
      for (int a = 0; a < 2; ++a) found_lo[a] = std::fmin(found_lo[a], c[a]), found_hi[a] = std::fmax(found_hi[a], c[a]);
    }
    if (all)
      for (int a = 0; a < 2; ++a) {
        lo[a] = std::fmax(-1, std::fmin(1, found_lo[a] - 0.1));
        hi[a] = std::fmax(-1, std::fmin(1, found_hi[a] + 0.1));
        if (hi[a] <= lo[a]) lo[a] = -1, hi[a] = 1;  // the shadow falls beside the side: keep it whole
      }
  }
  // Eye at the box centre looking out at the side: view x along u, y along v.
  double mv[16] = {0};
  const float* axes[3] = {f.u, f.v, f.inward_vector};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) mv[4 * c + r] = axes[r][c];
    mv[12 + r] = -dot3(axes[r], f.centre);
  }
  mv[15] = 1;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // A little beyond the side, so the flattened model on its plane is not clipped.
  glOrtho(lo[0] * f.half_u, hi[0] * f.half_u, lo[1] * f.half_v, hi[1] * f.half_v, 0, f.distance * 1.01 + 1e-3);
  glMatrixMode(GL_MODELVIEW);
  XGLContext::current_context->set_matrix_mode(GL_MODELVIEW);
  glLoadMatrixd(mv);
  const double at[4][2] = {{lo[0], lo[1]}, {hi[0], lo[1]}, {hi[0], hi[1]}, {lo[0], hi[1]}};
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 3; ++k)
      corners[i][k] = float(f.side_centre[k] + at[i][0] * f.half_u * f.u[k] + at[i][1] * f.half_v * f.v[k]);
}

// The model box's diagonal in the current view.
float model_diagonal() {
  const view_type* view = get_view_pointer();
  if (view == nullptr || get_no_geometry()) return 1;
  float min[3], max[3];
  get_ldf_min_max(view, min, max);
  return std::sqrt((max[0] - min[0]) * (max[0] - min[0]) + (max[1] - min[1]) * (max[1] - min[1]) +
                   (max[2] - min[2]) * (max[2] - min[2]));
}

// The light's cached texture over its stored corners, moved by (du, dv) along the side.
void textured_quad(int light, int side, float du, float dv) {
  side_frame f = frame_of(side);
  static const float TEX[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const float(*c)[3] = shadow_textures_coords[light_index(light)][side];
  glBegin(GL_QUADS);
  for (int i = 0; i < 4; ++i) {
    glTexCoord2fv(TEX[i]);
    glVertex3f(c[i][0] + du * f.u[0] + dv * f.v[0], c[i][1] + du * f.u[1] + dv * f.v[1],
               c[i][2] + du * f.u[2] + dv * f.v[2]);
  }
  glEnd();
}

}  // namespace

int shadow_map_size(int light) {
  if (!soft(light)) return HARD_SHADOW_MAP_SIZE;
  int size = SOFT_SHADOW_MAP_SIZE;
  float softness = get_light_shadow_softness(light);
  if (softness > 2) size /= 2;
  if (softness > 5) size /= 2;
  return size;
}

uint32_t get_shadow_texture(int light, int side) { return shadow_textures[light_index(light)][side]; }
uint64_t shadow_maps_computed() { return maps_computed; }

void init_realtime_shadows() { memset(shadow_textures, 0, sizeof shadow_textures); }

void delete_shadow_maps() {
  XGLContext* gl = XGLContext::current_context;
  for (auto& light : shadow_textures)
    for (GLuint& t : light) {
      if (t != 0 && gl != nullptr) gl->delete_texture(&t);
      t = 0;
    }
}

void cleanup_realtime_shadows() {
  delete_shadow_maps();
  if (shadow_map != nullptr) {
    ContextKeeper keeper;
    delete shadow_map;  // releases the current context
    shadow_map = nullptr;
    keeper.restore();
  }
  shadow_map_data = std::vector<uint8_t>();
  filtered_shadow_map_data = std::vector<uint8_t>();
}

bool side_is_lit_by_light(int side, int light) {
  float nx, ny, nz, x, y, z;
  get_environment_side_normal(side, &nx, &ny, &nz);
  get_light_direction(light, &x, &y, &z);
  return nx * x + ny * y + nz * z < 0;
}

void compute_shadow_projection(int light, int side) {
  double m[16];
  shadow_matrix(light, side, m);
  glMultMatrixd(m);
  store_viewing_matrix();
}

void filter_shadow_map(const uint8_t* in, uint8_t* out, int size, int radius) {
  int width = 2 * radius + 1;
  // Row sums over the window, then column sums of those: the integer sum of the square.
  std::vector<uint32_t> rows(size_t(size) * size_t(size));
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      uint32_t s = 0;
      for (int dx = -radius; dx <= radius; ++dx)
        if (x + dx >= 0 && x + dx < size) s += in[size_t(y) * size_t(size) + size_t(x + dx)];
      rows[size_t(y) * size_t(size) + size_t(x)] = s;
    }
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      uint32_t s = 0;
      for (int dy = -radius; dy <= radius; ++dy)
        if (y + dy >= 0 && y + dy < size) s += rows[size_t(y + dy) * size_t(size) + size_t(x)];
      out[size_t(y) * size_t(size) + size_t(x)] = uint8_t(s / uint32_t(width * width));
    }
}

bool compute_shadow_maps(int side, bool (*abort)()) {
  const DisplayOptions* options = get_display_options();
  for (int i = 0; i < get_number_of_lights(); ++i) {
    int light = GL_LIGHT0 + i;
    if (!casts_on(light, side)) continue;
    bool needed;
    if (get_light_cast_soft_shadows(light))
      needed = (get_update_shadowmap(light, side) && options->get_update_shadow_maps()) ||
               shadow_textures[i][side] == 0;
    else
      needed = !options->get_update_shadow_maps() && shadow_textures[i][side] == 0;
    if (!needed) continue;
    if (shadow_map == nullptr) {
      shadow_map_data.assign(size_t(MAX_SHADOW_MAP_SIZE) * MAX_SHADOW_MAP_SIZE, 0);
      filtered_shadow_map_data.assign(shadow_map_data.size(), 0);
      ContextKeeper keeper;
      shadow_map = new OffscreenDrawable(graphics_display(), MAX_SHADOW_MAP_SIZE, MAX_SHADOW_MAP_SIZE, 8, 8, 8, 16,
                                         true);
      keeper.restore();
    }
    if (!shadow_map->has_context()) return false;
    int size = shadow_map_size(light);
    ContextKeeper keeper;
    shadow_map->make_current();
    XGLContext* gl = XGLContext::current_context;
    glViewport(0, 0, size, size);
    glClearColor(0, 0, 0, 0);
    gl->set_gl_color(1, 1, 1);
    gl->set_shade_model(GL_FLAT);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    setup_shadow_map_camera(side, light, shadow_textures_coords[i][side]);
    gl->set_matrix_mode(GL_MODELVIEW);
    gl->push_matrix();
    compute_shadow_projection(light, side);
    bool aborted = draw_geometry(true, false, false, false, abort);
    gl->set_matrix_mode(GL_MODELVIEW);
    gl->pop_matrix();
    if (aborted) {
      keeper.restore();
      store_viewing_matrix();
      return true;
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, size, size, GL_LUMINANCE, GL_UNSIGNED_BYTE, shadow_map_data.data());
    const uint8_t* data = shadow_map_data.data();
    int softness = int(get_light_shadow_softness(light));
    if (soft(light) && options->get_high_quality_soft_shadows() && softness > 1) {
      filter_shadow_map(shadow_map_data.data(), filtered_shadow_map_data.data(), size, softness / 2);
      data = filtered_shadow_map_data.data();
    }
    keeper.restore();
    store_viewing_matrix();
    gl = XGLContext::current_context;
    GLuint& texture = shadow_textures[i][side];
    if (texture == 0) glGenTextures(1, &texture);
    gl->bind_texture_2d(texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    static const float black[4] = {0, 0, 0, 0};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, black);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_ALPHA, size, size, GL_ALPHA, GL_UNSIGNED_BYTE, data);
    ++maps_computed;
  }
  return false;
}

bool draw_shadows(int side, bool (*abort)()) {
  const DisplayOptions* options = get_display_options();
  if ((options->get_display_soft_shadows() || !options->get_update_shadow_maps()) && compute_shadow_maps(side, abort))
    return true;
  XGLContext* gl = XGLContext::current_context;
  float step = 0.01f * model_diagonal();
  bool aborted = false;
  for (int i = 0; i < get_number_of_lights() && !aborted; ++i) {
    int light = GL_LIGHT0 + i;
    if (!casts_on(light, side)) continue;
    stencil_environment_side(side);
    float r = get_light_intensity_ratio(light);
    bool is_soft = soft(light);
    float alpha = is_soft ? 1 - std::pow(1 - r, 1.0f / 24) : r;
    gl->set_gl_color(0, 0, 0, alpha);
    gl->set_shade_model(GL_FLAT);
    gl->enable_lighting(false);
    bool cached = is_soft || !options->get_update_shadow_maps();
    if (cached) {
      if (shadow_textures[i][side] == 0) continue;  // no offscreen drawing: nothing to lay
      glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
      gl->set_texture2d_wrap(GL_CLAMP, GL_CLAMP);
      gl->bind_texture_2d(shadow_textures[i][side]);
      gl->enable_blending(true);
      gl->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND);
      glEnable(GL_TEXTURE_2D);
      if (is_soft) {
        float s = step * get_light_shadow_softness(light);
        for (const float* j : JITTER24) textured_quad(light, side, j[0] * s, j[1] * s);
      } else {
        textured_quad(light, side, 0, 0);
      }
      glDisable(GL_TEXTURE_2D);
    } else {
      // Each pixel is darkened once: a drawn pixel leaves the mask.
      glStencilOp(GL_KEEP, GL_KEEP, GL_ZERO);
      gl->set_matrix_mode(GL_MODELVIEW);
      gl->push_matrix();
      compute_shadow_projection(light, side);
      aborted = draw_geometry(true, false, false, true, abort);
      gl->set_matrix_mode(GL_MODELVIEW);
      gl->pop_matrix();
      store_viewing_matrix();
      gl->enable_depth_testing(false);
    }
  }
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  gl->enable_stencil_test(false);
  return aborted;
}
