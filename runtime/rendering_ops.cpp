#include "runtime/rendering_ops.h"

#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "link/si.h"
#include "runtime/procedures.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "scene/clip_planes.h"
#include "scene/display_options.h"
#include "scene/environment.h"
#include "scene/lens_flares.h"
#include "scene/lights.h"
#include "view/graphics_window.h"
#include "view/repaint.h"

constexpr const char* MODULE = "ui";
constexpr double FULL_TURN = 1296000.0;  // arc-seconds

static double degrees_of(int32_t seconds) { return seconds / FULL_TURN * 360.0; }

// Degrees as an ANGLE, rounded and kept within INTEGER range.
static int32_t angle_of(float degrees) {
  double seconds = std::round(double(degrees) * FULL_TURN / 360.0);
  if (!(seconds >= -2147483648.0)) return INT32_MIN;  // NaN too
  if (seconds > 2147483647.0) return INT32_MAX;
  return int32_t(seconds);
}

// ---- GET_LIGHT ----

// Stores reals into an array variable re-sized to n and runs its change handling.
static void store_reals(ident_info* context, ident_info* variable, const float* reals, uint32_t n) {
  if (!reset_array_size(context, variable, n)) return;
  for (uint32_t i = 0; i < n; ++i) variable->val.a[i].r = reals[i];
  process_variable_change(context, variable);
}

static void store_real(ident_info* context, ident_info* variable, float r) {
  value v{};
  v.r = r;
  change_variable(context, variable, v, false);
}

static void store_int(ident_info* context, ident_info* variable, int32_t i) {
  change_variable(context, variable, integer_value(i), false);
}

const uint8_t* get_light_op(ident_info* context, const uint8_t* pc) {
  uint16_t selector = get_u16(pc);
  pc += 2;
  ident_info* variable = decode_ref(context, pc, 3502);
  if (used_slots() == 0) internal_error(3504, MODULE);
  int name = (sp--)->i;
  if (!is_valid_light(name)) {
    sp = sb - 1;
    error("GET_LIGHT specified light source not supported by graphics system", 0, context);
    return pc;
  }
  float reals[3];
  switch (selector) {
    case 1: store_int(context, variable, get_light_on(name)); break;
    case 2: store_int(context, variable, get_light_cast_shadows(name)); break;
    case 3: store_int(context, variable, get_light_cast_soft_shadows(name)); break;
    case 4: store_real(context, variable, get_light_shadow_softness(name)); break;
    case 5: store_int(context, variable, get_light_type(name)); break;
    case 6: store_real(context, variable, get_light_intensity(name)); break;
    case 7: store_int(context, variable, get_light_produce_lens_flares(name)); break;
    case 8: store_int(context, variable, get_light_is_emitting(name)); break;
    case 9: store_int(context, variable, int32_t(get_light_spot_exponent(name))); break;
    case 10: store_int(context, variable, angle_of(get_light_spot_cutoff(name))); break;
    case 11:
      get_light_spot_direction(name, reals);
      store_reals(context, variable, reals, 3);
      break;
    case 12: store_real(context, variable, get_light_constant_attenuation(name)); break;
    case 13: store_real(context, variable, get_light_linear_attenuation(name)); break;
    case 14: store_real(context, variable, get_light_quadratic_attenuation(name)); break;
    case 15:
      get_light_position(name, reals);
      store_reals(context, variable, reals, 3);
      break;
    case 16:
      get_light_color(name, &reals[0], &reals[1], &reals[2]);
      store_reals(context, variable, reals, 3);
      break;
    default: internal_error(3503, MODULE);
  }
  return pc;
}

// ---- SET_LIGHT ----

// One attribute: its selector, the number of values above the light number
// and the setter, which receives them deepest first.
struct light_setter {
  int16_t selector;
  uint8_t values;
  bool (*set)(int name, const value* v);
};

static void reals(const value* v, float* out, int n) {
  for (int i = 0; i < n; ++i) out[i] = v[i].r;
}
template <bool (*setter)(int, const float*), int N>
static bool set_reals(int name, const value* v) {
  float r[N];
  reals(v, r, N);
  return setter(name, r);
}
template <bool (*setter)(int, float)>
static bool set_real(int name, const value* v) {
  return setter(name, v[0].r);
}
template <bool (*setter)(int, bool)>
static bool set_bool(int name, const value* v) {
  return setter(name, v[0].i != 0);
}

static const light_setter light_setters[] = {
    {4608, 4, set_reals<set_light_ambient_color, 4>},   // GL_AMBIENT
    {4609, 4, set_reals<set_light_diffuse_color, 4>},   // GL_DIFFUSE
    {4610, 4, set_reals<set_light_specular_color, 4>},  // GL_SPECULAR
    {4611, 4, set_reals<set_light_position, 4>},        // GL_POSITION
    {4612, 3, set_reals<set_light_spot_direction, 3>},  // GL_SPOT_DIRECTION
    {4613, 1, [](int name, const value* v) { return set_light_spot_exponent(name, v[0].u); }},
    {4614, 1, [](int name, const value* v) { return set_light_spot_cutoff(name, float(degrees_of(v[0].i))); }},
    {4615, 1, set_real<set_light_constant_attenuation>},
    {4616, 1, set_real<set_light_linear_attenuation>},
    {4617, 1, set_real<set_light_quadratic_attenuation>},
    {-1, 1, set_bool<set_light_on>},
    {-2, 1, set_bool<set_light_cast_shadows>},
    {-3, 1, set_bool<set_light_soft_shadows>},
    {-4, 1, set_real<set_light_shadow_softness>},
    {-5, 0, [](int name, const value*) { return set_light_point_light(name); }},
    {-6, 1, set_real<set_light_intensity>},
    {-7, 1, set_bool<set_light_lens_flares>},
    {-8, 1, set_bool<set_light_emitting>},
};

const uint8_t* set_light_op(ident_info* context, const uint8_t* pc) {
  int16_t selector = int16_t(get_u16(pc));
  pc += 2;
  if (used_slots() == 0) internal_error(3983, MODULE);
  int name = sb[0].i;  // the light number lies below the values
  if (!is_valid_light(name)) {
    sp = sb - 1;
    error("SET_LIGHT specified light source not supported by graphics system", 0, context);
    return pc;
  }
  const light_setter* setter = nullptr;
  for (const light_setter& s : light_setters)
    if (s.selector == selector) setter = &s;
  if (setter == nullptr) internal_error(3979, MODULE);
  // Exactly the light number and the attribute's values: nothing is read below the stack.
  if (used_slots() != 1u + setter->values) internal_error(3983, MODULE);
  if (setter->set(name, sb + 1)) set_repaint(false);
  sp = sb - 1;
  return pc;
}

// ---- GL_SET_CLIPPLANE ----

// Pops a 3-element REAL array (its count on top); false when the count differs.
static bool pop_triple(float out[3]) {
  if (sp < sb || sp->i != 3 || used_slots() < 4) return false;
  --sp;
  for (int i = 2; i >= 0; --i) out[i] = (sp--)->r;
  return true;
}

const uint8_t* gl_set_clipplane_op(ident_info* context, const uint8_t* pc) {
  bool with_plane = pc[0] != 0;
  ++pc;
  float origin[3], normal[3];
  if (with_plane) {
    if (!pop_triple(normal)) {
      error("GL_SET_CLIPPLANE normal array must be 3 elements long", 0, context);
      return pc;
    }
    if (!pop_triple(origin)) {
      error("GL_SET_CLIPPLANE origin array must be 3 elements long", 0, context);
      return pc;
    }
  }
  if (used_slots() < 2) internal_error(3984, MODULE);
  bool enable = (sp--)->i != 0;
  int name = (sp--)->i;
  if (!is_valid_clipplane(name)) {
    error("GL_SET_CLIPPLANE specified clipping plane not supported by graphics system", 0, context);
    return pc;
  }
  bool changed = with_plane ? gl_set_clipplane(name, enable, origin, normal) : gl_set_clipplane(name, enable);
  if (changed) set_repaint(false);
  return pc;
}

// ---- SET_DISPLAY_OPTION ----

namespace {

struct display_option {
  bool repaint;  // a change requests a repaint
  bool (*set)(DisplayOptions* o, const value& v);
};

#define OPTION_BOOL(setter) [](DisplayOptions* o, const value& v) { return o->setter(v.i != 0); }
#define OPTION_BYTE(setter) [](DisplayOptions* o, const value& v) { return o->setter(uint8_t(v.i & 0xFF)); }
#define OPTION_SIZE(setter) [](DisplayOptions* o, const value& v) { return o->setter(v.u); }

// Selectors 1 to 27; 18 (the rotation origin) and 28 (the reflection texture)
// take other operands and are handled apart.
const display_option display_options[28] = {
    {false, nullptr},
    {true, OPTION_BOOL(set_line_anti_alias)},
    {true, OPTION_BOOL(set_display_view_number)},
    {true, OPTION_BYTE(set_rendering_option)},
    {true, OPTION_BYTE(set_reflection_type)},
    {true, OPTION_BOOL(set_enable_reflection)},
    {true, OPTION_BOOL(set_enable_transparency)},
    {true, OPTION_BOOL(set_display_soft_shadows)},
    {true, OPTION_BOOL(set_update_shadow_maps)},
    {true, OPTION_BOOL(set_enable_textures)},
    {true, OPTION_BOOL(set_display_hidden_line)},
    {true, OPTION_BOOL(set_display_text_background)},
    {true, OPTION_BYTE(set_text_background)},
    {false,
     [](DisplayOptions* o, const value& v) {
       o->set_use_display_lists(v.i != 0);
       return false;
     }},
    {true, OPTION_BOOL(set_use_two_sided_lighting)},
    {true, OPTION_BOOL(set_use_shaded_selection_feedback)},
    {true, OPTION_BOOL(set_level_of_detail)},
    {true, OPTION_BOOL(set_self_shadows)},
    {false, nullptr},
    {false, OPTION_BOOL(set_rotation_about_model_centre)},
    {true, OPTION_BYTE(set_transparent_shadows_threshold)},
    {true, OPTION_SIZE(set_reflection_map_size)},
    {true, OPTION_BOOL(set_fast_lod)},
    {true, OPTION_BOOL(set_display_lens_flares)},
    {true, OPTION_BOOL(set_high_quality_soft_shadows)},
    {true, OPTION_SIZE(set_self_shadow_map_size_low)},
    {true, OPTION_SIZE(set_self_shadow_map_size_high)},
    {false, OPTION_BOOL(set_display_vorq_logo)},
};

#undef OPTION_BOOL
#undef OPTION_BYTE
#undef OPTION_SIZE

}  // namespace

const uint8_t* set_display_option_op(ident_info* context, const uint8_t* pc) {
  uint16_t selector = get_u16(pc);
  pc += 2;
  DisplayOptions* options = get_display_options();
  if (selector == 0 || selector > 28) internal_error(5987, MODULE);
  if (selector == 18) {
    float origin[3];
    if (!pop_triple(origin)) {
      sp = sb - 1;
      error("SET_DISPLAY_OPTION rotation origin array must be 3 elements long", 0, context);
      return pc;
    }
    options->set_rotation_origin(origin[0], origin[1], origin[2]);
    return pc;
  }
  if (used_slots() == 0) internal_error(5988, MODULE);
  if (selector == 28) {
    // The name is taken and freed here; the two values below it are
    // dropped without being read, since nothing tells what they hold.
    char* name = (sp--)->s;
    bool changed = options->set_reflection_texture(name != nullptr ? name : "");
    if (name != nullptr) CheckedFree(name);
    for (int k = 0; k < 2 && used_slots() > 0; ++k) --sp;
    if (changed) set_repaint(false);
    return pc;
  }
  const display_option& option = display_options[selector];
  if (option.set(options, *sp--) && option.repaint) set_repaint(false);
  return pc;
}

// ---- SET_DISPLAY_MODE ----

const uint8_t* set_display_mode_op(ident_info* context, const uint8_t* pc) {
  if (used_slots() < 4) internal_error(5989, MODULE);
  uint32_t stereo = (sp--)->u, highlight = (sp--)->u, colour = (sp--)->u, anti_alias = (sp--)->u;
  if (!available_display_mode(anti_alias, colour, highlight, stereo)) {
    error("SET_DISPLAY_MODE - requested mode not available", 0, context);
    return pc;
  }
  if (set_display_mode(anti_alias, colour, highlight, stereo)) set_repaint(false);
  return pc;
}

// ---- TEST_PERFORMANCE ----

const uint8_t* test_performance_op(ident_info* context, const uint8_t* pc) {
  ident_info* rate = decode_ref(context, pc, 3505);
  ident_info* load = decode_ref(context, pc, 3506);
  if (used_slots() < 2) internal_error(5990, MODULE);
  char* name = (sp--)->s;
  int32_t seconds = (sp--)->i;
  float frames_per_second = 0, cpu_percent = 0;
  test_performance(float(seconds), name != nullptr ? name : "", &frames_per_second, &cpu_percent);
  if (name != nullptr) CheckedFree(name);
  store_real(context, rate, frames_per_second);
  store_real(context, load, cpu_percent);
  return pc;
}

// ---- Environment, lens flares, fog, highlight, GL queries ----

namespace {

constexpr int SIDES = ENVIRONMENT_SIDES;

// One array on the stack: its elements from `first`, its count `n`.
struct stacked_array {
  value* first;
  int32_t n;
};

// The arrays of SET_ENVIRONMENT from the top down, below its last flag.
enum { NAMES, REPEAT, GET_LIGHT, GET_SHADOW, REFLECTION, SIZE, POSITION, SURFACES, ENVIRONMENT_ARRAYS };
const struct {
  int32_t length;
  const char* message;
} environment_arrays[ENVIRONMENT_ARRAYS] = {
    {6, "SET_ENVIRONMENT filename array must be 6 elements long"},
    {12, "SET_ENVIRONMENT repeat array must be 12 elements long"},
    {6, "SET_ENVIRONMENT get_light array must be 6 elements long"},
    {6, "SET_ENVIRONMENT get_shadow array must be 6 elements long"},
    {6, "SET_ENVIRONMENT reflection array must be 6 elements long"},
    {3, "SET_ENVIRONMENT size array must be 3 elements long"},
    {3, "SET_ENVIRONMENT position array must be 3 elements long"},
    {6, "SET_ENVIRONMENT visible surfaces array must be 6 elements long"},
};

void free_strings(value* first, int32_t n) {
  for (int32_t k = 0; k < n; ++k)
    if (first[k].s != nullptr) CheckedFree(first[k].s);
}

void store_flags(ident_info* variable, const bool* flags, int n) {
  for (int k = 0; k < n; ++k) variable->val.a[k] = integer_value(flags[k]);
}
void store_floats(ident_info* variable, const float* reals, int n) {
  for (int k = 0; k < n; ++k) variable->val.a[k].r = reals[k];
}

}  // namespace

// Operands: ten ident references, the settings in YARL order.
const uint8_t* get_environment_op(ident_info* context, const uint8_t* pc) {
  ident_info* out[10];
  for (ident_info*& v : out) v = decode_ref(context, pc, 3521);
  bool visible, surfaces[SIDES], reflective_lit[SIDES], shadows[SIDES], cull;
  float position[3], size[3], reflection[SIDES], repeat[2 * SIDES];
  char* names[SIDES];
  get_environment(&visible, surfaces, position, size, reflection, reflective_lit, shadows, repeat, names, &cull);
  static const uint32_t lengths[10] = {0, 6, 3, 3, 6, 6, 6, 12, 6, 0};
  for (int k = 1; k <= 8; ++k)
    if (!reset_array_size(context, out[k], lengths[k])) {
      for (char* n : names) CheckedFree(n);
      return pc;
    }
  store_flags(out[1], surfaces, SIDES);
  store_floats(out[2], position, 3);
  store_floats(out[3], size, 3);
  store_floats(out[4], reflection, SIDES);
  store_flags(out[5], shadows, SIDES);         // get_shadow: receives shadows
  store_flags(out[6], reflective_lit, SIDES);  // get_light: lit
  store_floats(out[7], repeat, 2 * SIDES);
  for (int k = 0; k < SIDES; ++k) out[8]->val.a[k].s = names[k];
  change_variable(context, out[0], integer_value(visible), false);
  for (int k = 1; k <= 8; ++k) process_variable_change(context, out[k]);
  change_variable(context, out[9], integer_value(cull), false);
  return pc;
}

// The stack from the bottom: visible, the eight arrays (elements and count
// each) in YARL order, the last flag on top.
const uint8_t* set_environment_op(ident_info* context, const uint8_t* pc) {
  if (used_slots() < 2) internal_error(3522, MODULE);
  value* p = sp - 1;  // the count of the file names
  stacked_array arrays[ENVIRONMENT_ARRAYS];
  const char* failure = nullptr;
  for (int a = 0; a < ENVIRONMENT_ARRAYS; ++a) {
    int32_t n = p->i;
    // The compiler pushes each array's elements below its count.
    if (n < 0 || p - n <= sb) internal_error(3523, MODULE);
    arrays[a] = {p - n, n};
    if (failure == nullptr && n != environment_arrays[a].length) failure = environment_arrays[a].message;
    p = p - n - 1;
  }
  if (p != sb) internal_error(3524, MODULE);
  if (failure != nullptr) {
    free_strings(arrays[NAMES].first, arrays[NAMES].n);
    sp = sb - 1;
    error(failure, 0, context);
    return pc;
  }
  bool surfaces[SIDES], lit[SIDES], shadows[SIDES];
  float position[3], size[3], reflection[SIDES], repeat[2 * SIDES];
  const char* names[SIDES];
  for (int k = 0; k < SIDES; ++k) {
    surfaces[k] = arrays[SURFACES].first[k].i != 0;
    lit[k] = arrays[GET_LIGHT].first[k].i != 0;
    shadows[k] = arrays[GET_SHADOW].first[k].i != 0;
    reflection[k] = arrays[REFLECTION].first[k].r;
    names[k] = arrays[NAMES].first[k].s;
  }
  for (int k = 0; k < 3; ++k) position[k] = arrays[POSITION].first[k].r, size[k] = arrays[SIZE].first[k].r;
  for (int k = 0; k < 2 * SIDES; ++k) repeat[k] = arrays[REPEAT].first[k].r;
  bool changed = set_environment(sb[0].i != 0, surfaces, position, size, reflection, lit, shadows, repeat, names,
                                 sp->i != 0);
  free_strings(arrays[NAMES].first, SIDES);
  sp = sb - 1;
  if (changed) set_repaint(false);
  return pc;
}

const uint8_t* set_lens_flares_op(ident_info* context, const uint8_t* pc) {
  if (used_slots() < 3) internal_error(3525, MODULE);
  bool hidden = (sp--)->i != 0, visible = (sp--)->i != 0;
  int32_t type = (sp--)->i;
  if (type < 1 || type > int32_t(LENS_FLARE_TYPES)) {
    error("SET_LENS_FLARES - flare type out of range", 0, context);
    return pc;
  }
  if (set_lens_flares(unsigned(type), visible, hidden)) set_repaint(false);
  return pc;
}

// The stack from the bottom: enable, the colour array, a, b, c, d, e.
const uint8_t* set_fog_op(ident_info* context, const uint8_t* pc) {
  if (used_slots() < 7) internal_error(3526, MODULE);
  uint8_t side = uint8_t((sp--)->i & 0xFF);
  float height = (sp--)->r;
  bool ground = (sp--)->i != 0;
  float density = (sp--)->r, distance = (sp--)->r;
  float colour[3];
  if (!pop_triple(colour)) {
    sp = sb - 1;
    error("SET_FOG color array must be 3 elements long", 0, context);
    return pc;
  }
  if (used_slots() < 1) internal_error(3527, MODULE);
  bool enable = (sp--)->i != 0;
  set_fog(enable, colour, distance, density, ground, height, side);  // stored only: never a repaint
  return pc;
}

const uint8_t* set_highlight_attributes_op(ident_info* context, const uint8_t* pc) {
  if (used_slots() < 10) internal_error(3528, MODULE);
  value* v = sp - 9;  // the deepest first
  sp -= 10;
  if (v[0].u > 3) {
    error("SET_HIGHLIGHT_ATTRIBUTES - highlight mode out of range", 0, context);
    return pc;
  }
  if (v[3].u > 100 || v[4].u > 100 || v[5].u > 100) {
    error("SET_HIGHLIGHT_ATTRIBUTES - saturation or lightness out of range", 0, context);
    return pc;
  }
  HighlightOptions* h = get_highlight_options();
  if (h == nullptr) return pc;
  if (h->set_highlight_attributes(v[0].u, v[1].u, v[2].i, v[3].u, v[4].u, v[5].u, v[6].u, v[7].u, v[8].i, v[9].i))
    set_repaint(false);
  return pc;
}

// Operands: the variable's kind, a count, the GL parameter name, the variable.
const uint8_t* gl_get_op(ident_info* context, const uint8_t* pc) {
  uint8_t kind = pc[0], count = pc[1];
  GLenum name = get_u16(pc + 2);
  pc += 4;
  ident_info* variable = decode_ref(context, pc, 3529);
  make_graphics_context_active();
  if (count == 0) {
    if (variable->kind != K_STRING) internal_error(3641, MODULE);
    const char* text = reinterpret_cast<const char*>(glGetString(name));
    value v{};
    v.s = dup_chars(text != nullptr ? text : "");
    change_variable(context, variable, v, false);
    return pc;
  }
  // GL writes all of a parameter's values whatever the count asked.
  size_t room = count > 16 ? count : 16;
  std::vector<GLfloat> floats(room);
  std::vector<GLint> ints(room);
  std::vector<GLboolean> bools(room);
  int scalar = count == 1 ? kind : kind - K_ARRAY;
  if ((count == 1 && kind > K_BOOLEAN) || (count > 1 && kind < K_ARRAY)) scalar = -1;
  auto at = [&](uint32_t k) -> value {
    value v{};
    if (scalar == K_REAL) v.r = floats[k];
    else if (scalar == K_INTEGER) v = integer_value(ints[k]);
    else v = integer_value(bools[k] != GL_FALSE);
    return v;
  };
  switch (scalar) {
    case K_REAL: glGetFloatv(name, floats.data()); break;
    case K_INTEGER: glGetIntegerv(name, ints.data()); break;
    case K_BOOLEAN: glGetBooleanv(name, bools.data()); break;
    default: internal_error(count == 1 ? 3680 : 3715, MODULE);
  }
  if (count == 1) {
    change_variable(context, variable, at(0), false);
    return pc;
  }
  if (!reset_array_size(context, variable, count)) return pc;
  for (uint32_t k = 0; k < count; ++k) variable->val.a[k] = at(k);
  process_variable_change(context, variable);
  return pc;
}

const uint8_t* available_display_mode_op(ident_info*, const uint8_t* pc) {
  if (used_slots() < 4) internal_error(3530, MODULE);
  uint32_t stereo = (sp--)->u, highlight = (sp--)->u, colour = (sp--)->u, anti_alias = (sp--)->u;
  push_int(available_display_mode(anti_alias, colour, highlight, stereo));
  return pc;
}
