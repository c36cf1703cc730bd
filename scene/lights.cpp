#include "scene/lights.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "scene/display_file.h"
#include "scene/display_options.h"
#include "view/model_extent.h"
#include "view/views.h"

constexpr const char* MODULE = "light";
constexpr int ERR_BAD_LIGHT = 5401;
constexpr int SIDES = 6;  // of the environment box, one shadow map each

struct light {
  bool on;
  float ambient[4], ambient_effective[4];
  float diffuse[4], diffuse_effective[4];
  float specular[4], specular_effective[4];
  float position[4];  // w = 0: a direction
  float spot_direction[3];
  unsigned spot_exponent;
  float spot_cutoff;  // degrees; 180: no spot
  float constant_attenuation, linear_attenuation, quadratic_attenuation;
  bool cast_shadows, soft_shadows;
  float shadow_softness;
  float intensity;
  bool lens_flares;
  bool emitting;
  bool update_shadow_map[SIDES];
  bool update_self_shadows;
};

static light* lights;
static int max_lights;

static const light initial_light = {
    false,
    {0, 0, 0, 1}, {0, 0, 0, 1},
    {0, 0, 0, 1}, {0, 0, 0, 1},
    {0, 0, 0, 1}, {0, 0, 0, 1},
    {0, 0, 1, 0},
    {0, 0, -1},
    0,
    180,
    1, 0, 0,
    true, false,
    1.0f,
    1.0f,
    true,
    true,
    {true, true, true, true, true, true},
    true,
};

static light& get(int name) {
  if (!is_valid_light(name)) internal_error(ERR_BAD_LIGHT, MODULE);
  return lights[name - GL_LIGHT0];
}

// A float that differs (NaN included) is a change; stores it.
static bool store(float* slot, float v) {
  if (*slot == v) return false;
  *slot = v;
  return true;
}
template <typename T>
static bool store(T* slot, T v) {
  if (*slot == v) return false;
  *slot = v;
  return true;
}
static bool store(float* slots, const float* values, int n) {
  bool changed = false;
  for (int i = 0; i < n; ++i) changed |= store(&slots[i], values[i]);
  return changed;
}

static bool lit(const light& l) { return l.on && l.intensity > 0; }

static void scale(const float given[4], float intensity, float effective[4]) {
  for (int k = 0; k < 3; ++k) effective[k] = given[k] * intensity;
  effective[3] = given[3];
}

static void set_update_flags(light& l, bool self_shadows) {
  std::fill(l.update_shadow_map, l.update_shadow_map + SIDES, true);
  if (self_shadows) l.update_self_shadows = true;
}

void init_lights() {
  cleanup_lights();
  GLint n = 0;
  glGetIntegerv(GL_MAX_LIGHTS, &n);
  max_lights = std::clamp<int>(n, 0, MAX_LIGHTS);
  lights = checked_new_array<light>(size_t(std::max(max_lights, 1)));
  for (int i = 0; i < max_lights; ++i) lights[i] = initial_light;
}

void cleanup_lights() {
  if (lights != nullptr) CheckedFree(lights);
  lights = nullptr;
  max_lights = 0;
}

bool is_valid_light(int name) { return name >= GL_LIGHT0 && name < GL_LIGHT0 + max_lights; }

int get_number_of_lights() { return max_lights; }

bool get_first_inactive_light(int* name) {
  for (int i = 0; i < max_lights; ++i)
    if (!lights[i].on) {
      *name = GL_LIGHT0 + i;
      return true;
    }
  return false;
}

// ---- Setters ----

bool set_light_on(int name, bool on) { return store(&get(name).on, on); }

// Stores the given colour; GL sees it times the intensity.
static bool set_color(int name, float (light::*given)[4], float (light::*effective)[4], const float rgba[4]) {
  light& l = get(name);
  bool changed = store(l.*given, rgba, 4);
  scale(l.*given, l.intensity, l.*effective);
  return changed && l.on;
}

bool set_light_ambient_color(int name, const float rgba[4]) {
  return set_color(name, &light::ambient, &light::ambient_effective, rgba);
}
bool set_light_diffuse_color(int name, const float rgba[4]) {
  return set_color(name, &light::diffuse, &light::diffuse_effective, rgba);
}
bool set_light_specular_color(int name, const float rgba[4]) {
  return set_color(name, &light::specular, &light::specular_effective, rgba);
}

bool set_light_position(int name, const float xyzw[4]) {
  light& l = get(name);
  bool changed = store(l.position, xyzw, 4);
  if (changed) set_update_flags(l, true);
  return changed && l.on;
}

// Stores one field; a change counts while the light is on.
template <typename T>
bool set_field(int name, T light::*field, T value) {
  light& l = get(name);
  return store(&(l.*field), value) && l.on;
}

bool set_light_spot_direction(int name, const float xyz[3]) {
  light& l = get(name);
  bool changed = store(l.spot_direction, xyz, 3);
  if (changed) set_update_flags(l, true);
  return changed && l.on;
}

bool set_light_spot_exponent(int name, unsigned exponent) { return set_field(name, &light::spot_exponent, exponent); }

bool set_light_spot_cutoff(int name, float degrees) { return set_field(name, &light::spot_cutoff, degrees); }

bool set_light_constant_attenuation(int name, float a) { return set_field(name, &light::constant_attenuation, a); }

bool set_light_linear_attenuation(int name, float a) { return set_field(name, &light::linear_attenuation, a); }

bool set_light_quadratic_attenuation(int name, float a) { return set_field(name, &light::quadratic_attenuation, a); }

bool set_light_cast_shadows(int name, bool on) { return set_field(name, &light::cast_shadows, on); }

bool set_light_soft_shadows(int name, bool on) { return set_field(name, &light::soft_shadows, on); }

bool set_light_shadow_softness(int name, float softness) {
  light& l = get(name);
  bool changed = store(&l.shadow_softness, softness);
  if (changed) set_update_flags(l, false);
  return changed && l.on;
}

bool set_light_point_light(int name) { return set_light_spot_cutoff(name, 180); }

bool set_light_intensity(int name, float intensity) {
  light& l = get(name);
  if (!store(&l.intensity, intensity)) return false;
  scale(l.ambient, intensity, l.ambient_effective);
  scale(l.diffuse, intensity, l.diffuse_effective);
  scale(l.specular, intensity, l.specular_effective);
  return l.on;
}

bool set_light_lens_flares(int name, bool on) {
  light& l = get(name);
  return store(&l.lens_flares, on) && l.on && get_display_options()->get_display_lens_flares();
}

bool set_light_emitting(int name, bool on) { return set_field(name, &light::emitting, on); }

// ---- Getters ----

bool get_light_on(int name) { return lit(get(name)); }

light_type get_light_type(int name) {
  const light& l = get(name);
  if (l.ambient[0] > 0 || l.ambient[1] > 0 || l.ambient[2] > 0) return LIGHT_AMBIENT;
  if (l.position[3] == 0) return LIGHT_BEAM;
  if (l.spot_cutoff != 180) return LIGHT_SPOT;
  return LIGHT_POINT;
}

bool get_light_is_spot(int name) { return get_light_type(name) == LIGHT_SPOT; }
bool get_light_is_emitting(int name) { return get(name).emitting; }

bool get_light_cast_shadows(int name) {
  if (get_light_type(name) == LIGHT_AMBIENT) return false;
  const light& l = get(name);
  return l.cast_shadows && l.emitting;
}

bool get_light_cast_soft_shadows(int name) { return get(name).soft_shadows; }
float get_light_shadow_softness(int name) { return get(name).shadow_softness; }

bool get_light_produce_lens_flares(int name) {
  light_type type = get_light_type(name);
  return get(name).lens_flares && (type == LIGHT_POINT || type == LIGHT_SPOT);
}

bool get_lens_flares_visible() {
  for (int i = 0; i < max_lights; ++i)
    if (lit(lights[i]) && get_light_produce_lens_flares(GL_LIGHT0 + i)) return true;
  return false;
}

void get_light_position(int name, float xyz[3]) { std::copy_n(get(name).position, 3, xyz); }
void get_light_spot_direction(int name, float xyz[3]) { std::copy_n(get(name).spot_direction, 3, xyz); }
float get_light_spot_cutoff(int name) { return get(name).spot_cutoff; }
unsigned get_light_spot_exponent(int name) { return get(name).spot_exponent; }
float get_light_constant_attenuation(int name) { return get(name).constant_attenuation; }
float get_light_linear_attenuation(int name) { return get(name).linear_attenuation; }
float get_light_quadratic_attenuation(int name) { return get(name).quadratic_attenuation; }
void get_light_specular_color(int name, float rgba[4]) { std::copy_n(get(name).specular, 4, rgba); }

void get_light_color(int name, float* r, float* g, float* b) {
  const light& l = get(name);
  const float* c = get_light_type(name) == LIGHT_AMBIENT ? l.ambient : l.specular;
  *r = c[0], *g = c[1], *b = c[2];
}

// The centre of the model extent as the current view sees it (mirrored in y);
// the origin without geometry.
static void view_model_centre(float c[3]) {
  test_min_max();
  float low[3], high[3];
  get_ldf_min_max(get_view_record(get_current_view_number()), low, high);
  for (int k = 0; k < 3; ++k) c[k] = get_no_geometry() ? 0 : (low[k] + high[k]) / 2;
}

void get_light_direction(int name, float* x, float* y, float* z) {
  const light& l = get(name);
  double d[3];
  if (get_light_type(name) == LIGHT_BEAM) {
    // A beam's position points toward the light; it travels the other way.
    for (int k = 0; k < 3; ++k) d[k] = -l.position[k];
  } else {
    float c[3];
    view_model_centre(c);
    for (int k = 0; k < 3; ++k) d[k] = double(c[k]) - l.position[k];
  }
  double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
  if (!(length >= 1e-6)) {  // NaN too
    *x = 1, *y = 0, *z = 0;
    return;
  }
  *x = float(d[0] / length), *y = float(d[1] / length), *z = float(d[2] / length);
}

float get_light_intensity(int name) {
  const light& l = get(name);
  if (!lit(l)) return 0;
  if (get_light_type(name) == LIGHT_AMBIENT)
    return (l.ambient_effective[0] + l.ambient_effective[1] + l.ambient_effective[2]) / 3;
  float sum = 0;
  for (int k = 0; k < 3; ++k) sum += l.diffuse_effective[k] + l.specular_effective[k];
  return sum / 6;
}

float get_light_intensity_ratio(int name) {
  float own = get_light_intensity(name);
  float sum = 0;
  for (int i = 0; i < max_lights; ++i)
    if (lights[i].emitting) sum += get_light_intensity(GL_LIGHT0 + i);
  return sum < 1e-6f ? 1.0f : own / sum;
}

// ---- Update flags ----

bool get_update_shadowmap(int name, int side) {
  light& l = get(name);
  if (side < 0 || side >= SIDES) internal_error(ERR_BAD_LIGHT + 1, MODULE);
  bool update = l.update_shadow_map[side];
  l.update_shadow_map[side] = false;
  return update;
}

bool get_update_self_shadows(int name) {
  light& l = get(name);
  bool update = l.update_self_shadows;
  l.update_self_shadows = false;
  return update;
}

void set_update_shadowmaps() {
  for (int i = 0; i < max_lights; ++i) set_update_flags(lights[i], true);
}

// ---- GL ----

void activate_lights() {
  for (int i = 0; i < max_lights; ++i) {
    const light& l = lights[i];
    if (!lit(l) || !l.emitting) continue;
    GLenum gl_light = GLenum(GL_LIGHT0 + i);
    glLightfv(gl_light, GL_AMBIENT, l.ambient_effective);
    glLightfv(gl_light, GL_DIFFUSE, l.diffuse_effective);
    glLightfv(gl_light, GL_SPECULAR, l.specular_effective);
    glLightfv(gl_light, GL_POSITION, l.position);
    // GL refuses a cutoff outside 0..90 other than 180 and an exponent above
    // 128, and would keep the previous value: such a light is sent as no spot.
    bool spot = l.spot_cutoff >= 0 && l.spot_cutoff <= 90;
    glLightf(gl_light, GL_SPOT_CUTOFF, spot ? l.spot_cutoff : 180.0f);
    glLightfv(gl_light, GL_SPOT_DIRECTION, l.spot_direction);
    glLighti(gl_light, GL_SPOT_EXPONENT, GLint(std::min(l.spot_exponent, 128u)));
    glEnable(gl_light);
  }
}

void deactivate_lights() {
  for (int i = 0; i < max_lights; ++i)
    if (lit(lights[i])) glDisable(GLenum(GL_LIGHT0 + i));
}

// ---- Display file ----

void save_lights(write_df* out) {
  for (int i = 0; i < max_lights; ++i) {
    const light& l = lights[i];
    if (!lit(l)) continue;
    int name = GL_LIGHT0 + i;
    light_type type = get_light_type(name);
    static const df_tokens tokens[5] = {DF_END, DF_BEAM_LIGHT, DF_POINT_LIGHT, DF_SPOT_LIGHT, DF_AMBIENT_LIGHT};
    out->begin(tokens[type]);
    out->put_float(l.intensity);
    out->put_int(l.emitting);
    const float* colour = type == LIGHT_AMBIENT ? l.ambient : l.diffuse;
    for (int k = 0; k < 4; ++k) out->put_float(colour[k]);
    if (type != LIGHT_AMBIENT) {
      for (int k = 0; k < 3; ++k) out->put_float(l.position[k]);
      if (type == LIGHT_SPOT) {
        for (float d : l.spot_direction) out->put_float(d);
        out->put_float(2 * l.spot_cutoff);
        out->put_float(float(l.spot_exponent));
      }
      out->put_int(!l.cast_shadows ? 1 : l.soft_shadows ? 2 : 3);
      out->put_float(l.shadow_softness);
      if (type != LIGHT_BEAM) {
        out->put_int(l.lens_flares);
        out->put_float(l.constant_attenuation);
        out->put_float(l.linear_attenuation);
        out->put_float(l.quadratic_attenuation);
      }
    }
    out->end();
  }
}
