#include "scene/lens_flares.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "scene/display_file.h"
#include "scene/display_options.h"
#include "scene/draw_geometry.h"
#include "scene/lights.h"
#include "view/offscreen.h"
#include "view/views.h"

namespace {

constexpr const char* MODULE = "lens_flares";
constexpr int TEXTURE_SIZE = 512;
constexpr double PI = 3.14159265358979323846;

unsigned lens_flare_type = 1;
bool enable_visible_lens_flares = true;
bool enable_hidden_lens_flares = false;
GLuint textures[4];  // ring, disc, hexagon, star
std::vector<uint8_t> texture_data;

enum Shape : uint8_t { SPARK, RING, DISC, HEXAGON, STAR };
enum Colour : uint8_t { L, A, B, C, D };

// One element of a flare; `at_light` puts it on the light, else at position t.
struct element {
  Shape shape;
  Colour colour;
  float size;
  bool at_light;
  float t;
};

constexpr element at_p(Shape s, Colour c, float size) { return {s, c, size, true, 0}; }
constexpr element at(float t, Shape s, Colour c, float size) { return {s, c, size, false, t}; }

const std::vector<element> FLARES[LENS_FLARE_TYPES] = {
    {at_p(SPARK, L, 1), at_p(RING, A, 1), at(0.8f, DISC, A, 0.75f)},
    {at_p(SPARK, L, 1), at_p(RING, A, 1), at(-0.1f, DISC, L, 0.5f), at(-0.1f, DISC, C, 0.1f), at(0.2f, DISC, B, 0.2f),
     at(0.3f, DISC, C, 0.5f), at(0.5f, DISC, A, 0.1f)},
    {at_p(SPARK, L, 1), at_p(RING, A, 1), at(-0.1f, DISC, L, 0.5f), at(-0.1f, DISC, C, 0.3f), at(0.2f, DISC, B, 0.4f),
     at(0.3f, DISC, C, 0.5f), at(0.4f, DISC, A, 0.3f), at(0.6f, DISC, B, 0.2f), at(0.65f, DISC, D, 0.1f)},
    {at_p(SPARK, B, 1), at_p(DISC, B, 0.55f), at_p(DISC, B, 0.5f), at_p(DISC, B, 0.45f), at(-0.3f, HEXAGON, C, 0.2f),
     at(-0.25f, HEXAGON, A, 0.3f), at(-0.2f, HEXAGON, B, 0.3f), at(-0.1f, HEXAGON, D, 0.4f),
     at(-0.1f, HEXAGON, B, 0.75f), at(0.3f, HEXAGON, C, 0.4f), at(0.35f, HEXAGON, A, 0.5f),
     at(0.4f, HEXAGON, A, 0.35f), at(0.45f, HEXAGON, C, 0.3f), at(0.45f, HEXAGON, A, 0.2f),
     at(0.47f, HEXAGON, B, 0.2f), at(0.55f, HEXAGON, C, 0.2f), at(0.6f, HEXAGON, D, 0.1f), at(0.7f, HEXAGON, B, 0.2f)},
    {at_p(SPARK, L, 1), at_p(RING, A, 1), at(0.8f, HEXAGON, A, 0.75f)},
    {at_p(SPARK, L, 1), at_p(RING, A, 1), at(-0.1f, HEXAGON, L, 0.75f), at(-0.1f, HEXAGON, C, 0.1f),
     at(0.2f, HEXAGON, B, 0.3f), at(0.3f, HEXAGON, C, 0.5f), at(0.4f, HEXAGON, A, 0.2f)},
    {at_p(SPARK, L, 1), at_p(RING, A, 1), at(-0.1f, HEXAGON, L, 0.75f), at(-0.1f, HEXAGON, C, 0.3f),
     at(0.2f, HEXAGON, B, 0.3f), at(0.25f, HEXAGON, C, 0.4f), at(0.3f, HEXAGON, A, 0.25f), at(0.5f, HEXAGON, B, 0.2f),
     at(0.55f, HEXAGON, D, 0.1f)},
    {at_p(SPARK, L, 1)},  // grows with the offscreen scale
    {at_p(STAR, L, 1)},   // grows with the offscreen scale
};

double square(double v) { return v * v; }

// The ring's band around radius 0.85, 0.2 wide each way.
double band(double d) { return d <= 0.65 || d >= 1.05 ? 0 : square(1 - std::fabs(d - 0.85) / 0.2); }

// A filled disc with the band at its edge, at least 0.5 inside radius 0.85.
double filled(double d) {
  double value = d < 0.65 ? std::pow(1 - d / 0.65, 3) : band(d);
  return d < 0.85 ? std::fmax(value, 0.5) : value;
}

GLuint texture_of(Shape s) {
  int index = s == RING ? 0 : (s == DISC ? 1 : (s == HEXAGON ? 2 : 3));
  GLuint& name = textures[index];
  if (name != 0) return name;
  if (texture_data.empty()) texture_data.resize(size_t(TEXTURE_SIZE) * TEXTURE_SIZE);
  for (int j = 0; j < TEXTURE_SIZE; ++j)
    for (int i = 0; i < TEXTURE_SIZE; ++i)
      texture_data[size_t(j) * TEXTURE_SIZE + size_t(i)] = uint8_t(std::lround(lens_flare_profile(index, i, j) * 255));
  glGenTextures(1, &name);
  XGLContext::current_context->bind_texture_2d(name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  gluBuild2DMipmaps(GL_TEXTURE_2D, GL_ALPHA, TEXTURE_SIZE, TEXTURE_SIZE, GL_ALPHA, GL_UNSIGNED_BYTE,
                    texture_data.data());
  return name;
}

void bind_profile(Shape s) {
  XGLContext::current_context->bind_texture_2d(texture_of(s));
  XGLContext::current_context->set_texture2d_wrap(GL_CLAMP, GL_CLAMP);
  static const float black[4] = {0, 0, 0, 0};
  glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, black);
  glEnable(GL_TEXTURE_2D);
}

void draw_spark(float x, float y, const float* l, float intensity) {
  XGLContext* gl = XGLContext::current_context;
  gl->set_shade_model(GL_SMOOTH);
  gl->set_line_width(1.2f);
  gl->enable_line_anti_alias(true);
  glBegin(GL_LINES);
  for (int i = 0; i < 360; ++i) {
    double a = i * 2 * PI / 167;
    double length = intensity * 0.3 * (std::abs(i % 10 - 5) / 5.0) * (std::abs(i % 27 - 13) / 13.0);
    glColor4f(l[0], l[1], l[2], 0.5f);
    glVertex2f(x, y);
    glColor4f(l[0], l[1], l[2], 0);
    glVertex2f(float(x + std::cos(a) * length), float(y + std::sin(a) * length));
  }
  glEnd();
  gl->enable_line_anti_alias(false);
  gl->set_gl_color(l[0], l[1], l[2], 0);  // the cache follows GL's current colour
}

void draw_element(const element& e, float x, float y, const float* colour, float intensity) {
  XGLContext* gl = XGLContext::current_context;
  if (e.shape == SPARK) {
    draw_spark(x, y, colour, intensity);
    return;
  }
  gl->set_gl_color(colour[0], colour[1], colour[2], colour[3]);
  bind_profile(e.shape);
  if (e.shape == STAR) {
    float s = intensity * 0.2f;
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1), glVertex2f(x + 0.866f * s, y + 0.5f * s);
    glTexCoord2f(1, 1), glVertex2f(x + 0.5f * s, y - 0.866f * s);
    glTexCoord2f(1, 0), glVertex2f(x - 0.866f * s, y - 0.5f * s);
    glTexCoord2f(0, 0), glVertex2f(x - 0.5f * s, y + 0.866f * s);
    glEnd();
  } else if (e.shape == HEXAGON) {
    float s = intensity * e.size * 0.12f;
    glBegin(GL_TRIANGLE_FAN);
    glTexCoord2f(0.5f, 0.5f), glVertex2f(x, y);
    glTexCoord2f(0.5f, 1), glVertex2f(x, y + s);
    glTexCoord2f(1, 1), glVertex2f(x + 0.79f * s, y + 0.44f * s);
    glTexCoord2f(1, 0), glVertex2f(x + 0.79f * s, y - 0.44f * s);
    glTexCoord2f(0.5f, 0), glVertex2f(x, y - s);
    glTexCoord2f(0, 0), glVertex2f(x - 0.79f * s, y - 0.44f * s);
    glTexCoord2f(0, 1), glVertex2f(x - 0.79f * s, y + 0.44f * s);
    glTexCoord2f(0.5f, 1), glVertex2f(x, y + s);
    glEnd();
  } else {
    float s = intensity * e.size * 0.12f;
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1), glVertex2f(x + s, y - s);
    glTexCoord2f(1, 1), glVertex2f(x - s, y - s);
    glTexCoord2f(1, 0), glVertex2f(x - s, y + s);
    glTexCoord2f(0, 0), glVertex2f(x + s, y + s);
    glEnd();
  }
  glDisable(GL_TEXTURE_2D);
}

// Moves p along the line through the view centre; the distance is taken in the screen plane.
void compute_flare_position(const float p[2], float t, float out[2]) {
  double n = std::sqrt(double(p[0]) * p[0] + double(p[1]) * p[1]);
  if (n < 1e-6) {
    out[0] = p[0], out[1] = p[1];
    return;
  }
  out[0] = float(p[0] - p[0] / n * t * 1.5), out[1] = float(p[1] - p[1] / n * t * 1.5);
}

void draw_lens_flare(const float p[2], int light) {
  if (lens_flare_type < 1 || lens_flare_type > LENS_FLARE_TYPES) internal_error(1, MODULE);
  float l[4];
  get_light_specular_color(light, l);
  float intensity = get_light_intensity(light);
  float half = 0.5f * intensity;
  const float colours[5][4] = {{l[0], l[1], l[2], l[3]},
                               {0.59f * l[0], 0.18f * l[1], 0.18f * l[2], half},
                               {0.44f * l[0], 0.26f * l[1], 0.88f * l[2], half},
                               {0.67f * l[0], 0.65f * l[1], 0.46f * l[2], half},
                               {0.38f * l[0], 0.35f * l[1], 0.11f * l[2], half}};
  if (lens_flare_type >= 8) intensity *= get_offscreen_scale();
  for (const element& e : FLARES[lens_flare_type - 1]) {
    float where[2] = {p[0], p[1]};
    if (!e.at_light) compute_flare_position(p, e.t, where);
    draw_element(e, where[0], where[1], colours[e.colour], intensity);
  }
}

// Whether the eye lies inside a spot light's cone.
bool eye_in_cone(int light, const float* position) {
  const view_type* v = get_view_pointer();
  double e[3], d[3];
  float direction[3];
  get_light_spot_direction(light, direction);
  for (int k = 0; k < 3; ++k) e[k] = double(v->eye[k]) - position[k], d[k] = direction[k];
  double le = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
  double ld = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (le < 1e-6 || ld < 1e-6) return false;
  double c = (d[0] * e[0] + d[1] * e[1] + d[2] * e[2]) / (le * ld);
  c = std::fmax(-1, std::fmin(1, c));
  return std::acos(c) * 180 / PI < get_light_spot_cutoff(light);
}

}  // namespace

float lens_flare_profile(int texture, int i, int j) {
  double u = i / 256.0 - 1, v = j / 256.0 - 1;
  switch (texture) {
    case 0: return float(band(std::sqrt(u * u + v * v)));
    case 1: return float(filled(std::sqrt(u * u + v * v)));
    case 2: return float(filled(std::fmax(std::fabs(u), std::fabs(v))));
    case 3: {
      double dx = std::abs(i - 256), dy = std::abs(j - 256);
      double r = (dx * dx + dy * dy) / 65536 * 0.5;
      double core = r < 0.05 ? std::pow(1 - r / 0.05, 4) : 0;
      double w = std::fabs(dx - dy), k = (1 - std::fabs(r - 0.4)) * 15 + 1;
      double ray = w >= 3 * k ? 0 : (1 - std::sqrt(r)) * std::pow(1 - (w / 3) / k, 4);
      return float(std::fmin(1, ray + core));
    }
    default: internal_error(2, MODULE);
  }
}

bool set_lens_flares(unsigned type, bool visible, bool hidden) {
  bool changed = type != lens_flare_type || visible != enable_visible_lens_flares || hidden != enable_hidden_lens_flares;
  lens_flare_type = type;
  enable_visible_lens_flares = visible;
  enable_hidden_lens_flares = hidden;
  return changed && get_display_options()->get_display_lens_flares();
}

void get_lens_flares(unsigned* type, bool* visible, bool* hidden) {
  *type = lens_flare_type, *visible = enable_visible_lens_flares, *hidden = enable_hidden_lens_flares;
}

void save_lens_flares(write_df* out) {
  if (!(enable_visible_lens_flares || enable_hidden_lens_flares) || !get_lens_flares_visible()) return;
  out->begin(DF_LENS_FLARES);
  out->put_int(int32_t(lens_flare_type));
  out->put_int(enable_visible_lens_flares);
  out->put_int(enable_hidden_lens_flares);
  out->end();
}

void delete_lens_flares() {
  XGLContext* gl = XGLContext::current_context;
  for (GLuint& t : textures) {
    if (t != 0 && gl != nullptr) gl->delete_texture(&t);
    t = 0;
  }
}

void cleanup_realtime_lens_flares() {
  delete_lens_flares();
  texture_data = std::vector<uint8_t>();
}

void draw_lens_flares() {
  XGLContext* gl = XGLContext::current_context;
  float viewport[4];
  get_viewport(viewport);
  if (viewport[2] <= 0 || viewport[3] <= 0) return;
  float aspect = viewport[3] / viewport[2];
  const double* m = get_viewing_matrix();  // read before the matrices change
  double matrix[16];
  for (int k = 0; k < 16; ++k) matrix[k] = m[k];

  gl->set_matrix_mode(GL_PROJECTION);
  gl->push_matrix();
  glLoadIdentity();
  glOrtho(-1, 1, -aspect, aspect, 1, -1);
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->push_matrix();
  glLoadIdentity();
  gl->enable_depth_testing(false);
  gl->enable_lighting(false);
  gl->enable_blending(true);
  gl->set_blend_func(GL_SRC_ALPHA, GL_ONE);
  gl->set_polygon_mode(GL_FILL);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

  for (int i = 0; i < get_number_of_lights(); ++i) {
    int light = GL_LIGHT0 + i;
    if (!get_light_on(light) || !get_light_produce_lens_flares(light)) continue;
    float position[3];
    get_light_position(light, position);
    double c[4];
    for (int r = 0; r < 4; ++r)
      c[r] = matrix[r] * position[0] + matrix[4 + r] * position[1] + matrix[8 + r] * position[2] + matrix[12 + r];
    if (!(c[3] > 1e-9)) continue;  // behind the eye: no flare
    float x = float(c[0] / c[3]), y = float(c[1] / c[3]), z = float(c[2] / c[3]);
    bool inside = point_is_visible(position);
    bool qualifies = (enable_visible_lens_flares && enable_hidden_lens_flares) ||
                     (inside ? enable_visible_lens_flares : enable_hidden_lens_flares);
    if (!qualifies) continue;
    if (get_light_is_spot(light) && !eye_in_cone(light, position)) continue;
    // Occlusion by the depth at the light's pixel; outside the viewport nothing occludes.
    int px = int(std::floor(viewport[0] + (x + 1) / 2 * viewport[2]));
    int py = int(std::floor(viewport[1] + (y + 1) / 2 * viewport[3]));
    if (px >= int(viewport[0]) && px < int(viewport[0] + viewport[2]) && py >= int(viewport[1]) &&
        py < int(viewport[1] + viewport[3])) {
      float depth = 0;
      glReadPixels(px, py, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
      if (!(depth > (z + 1) / 2)) continue;
    }
    const float p[2] = {x, y * aspect};
    draw_lens_flare(p, light);
  }

  gl->set_matrix_mode(GL_PROJECTION);
  gl->pop_matrix();
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->pop_matrix();
  gl->enable_blending(false);
  gl->enable_depth_testing(true);
}
