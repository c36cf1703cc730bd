#include "scene/display_options.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "scene/environment.h"
#include "scene/lights.h"
#include "scene/materials.h"
#include "scene/segment_store.h"
#include "scene/shadows.h"
#include "toolkit/hls.h"
#include "view/graphics_window.h"
#include "view/repaint.h"

namespace {

// A first allocation goes through CheckedMalloc, which counts live blocks.
void* grow_block(void* block, size_t size) {
  return block == nullptr ? CheckedMalloc(size) : CheckedRealloc(block, size);
}

const char* const MODULE = "display_options";
enum {
  ERR_COLORMAP_TARGET = 601,
  ERR_HIGHLIGHT_MODE = 602,
  ERR_PALETTE_EXISTS = 603,
  ERR_PALETTE_INDEX = 604,
  ERR_NO_PALETTE = 605,
};

DisplayOptions current_options;
HighlightOptions* highlight_options;
float (*color_palette)[3];
fog_settings fog = {false, {1, 1, 1}, 10000, 100.0f, false, 100.0f, 0};

// -1 not probed yet, else 0 or 1.
int self_shadows_available = -1;

bool probe_self_shadows() {
  if (self_shadows_available < 0) {
    bool shadow = gl_extension_listed("GL_SGIX_shadow") || gl_extension_listed("GL_ARB_shadow") ||
                  gl_extension_listed("GL_EXT_shadow");
    bool depth = gl_extension_listed("GL_SGIX_depth_texture") || gl_extension_listed("GL_ARB_depth_texture") ||
                 gl_extension_listed("GL_EXT_depth_texture");
    self_shadows_available = (gl_version_at_least(1, 4) || (shadow && depth)) ? 1 : 0;
  }
  return self_shadows_available == 1;
}

template <typename T>
bool store(T* field, T value) {
  if (*field == value) return false;
  *field = value;
  return true;
}

void surfaces_out_of_date() { update_lists(true, false, false); }

void check_palette(unsigned index) {
  if (color_palette == nullptr) internal_error(ERR_NO_PALETTE, MODULE);
  if (index >= PALETTE_SIZE) internal_error(ERR_PALETTE_INDEX, MODULE);
}

}  // namespace

DisplayOptions* get_display_options() { return &current_options; }
void set_self_shadows_available_for_test(int available) { self_shadows_available = available; }

// ------------------------------------------------------------ display options

bool DisplayOptions::set_line_anti_alias(bool on) {
  if (!store(&line_anti_alias, on)) return false;
  update_lists(false, true, false);
  return true;
}
bool DisplayOptions::set_display_view_number(bool on) { return store(&display_view_number, on); }
bool DisplayOptions::set_rendering_option(uint8_t option) { return store(&rendering_option, option); }
bool DisplayOptions::set_enable_transparency(bool on) {
  if (!store(&enable_transparency, on)) return false;
  update_lists(true, false, true);
  return true;
}
bool DisplayOptions::set_reflection_type(uint8_t type) {
  if (!store(&reflection_type, type)) return false;
  if (type == 1) set_update_compute_reflection();
  set_update_reflection();
  set_update_material();
  surfaces_out_of_date();
  return true;
}
bool DisplayOptions::set_enable_reflection(bool on) {
  if (!store(&enable_reflection, on)) return false;
  set_update_material();
  surfaces_out_of_date();
  return true;
}
bool DisplayOptions::set_display_soft_shadows(bool on) { return store(&display_soft_shadows, on); }
bool DisplayOptions::set_update_shadow_maps(bool on) {
  if (!store(&update_shadow_maps, on)) return false;
  delete_shadow_maps();
  return true;
}
bool DisplayOptions::set_enable_textures(bool on) {
  if (!store(&enable_textures, on)) return false;
  surfaces_out_of_date();
  if (!on && XGLContext::current_context != nullptr) XGLContext::current_context->enable_texture_lighting(false);
  return true;
}
bool DisplayOptions::set_display_hidden_line(bool on) {
  if (!store(&display_hidden_line, on)) return false;
  surfaces_out_of_date();
  return true;
}
bool DisplayOptions::set_display_text_background(bool on) { return store(&display_text_background, on); }
bool DisplayOptions::set_text_background(uint8_t index) { return store(&text_background, index); }
bool DisplayOptions::set_use_two_sided_lighting(bool on) {
  if (!store(&use_two_sided_lighting, on)) return false;
  surfaces_out_of_date();
  return true;
}
bool DisplayOptions::set_use_shaded_selection_feedback(bool on) {
  if (!store(&use_shaded_selection_feedback, on)) return false;
  surfaces_out_of_date();
  return true;
}
bool DisplayOptions::set_level_of_detail(bool on) {
  if (!store(&level_of_detail, on)) return false;
  surfaces_out_of_date();
  return true;
}
bool DisplayOptions::set_self_shadows(bool on) {
  if (on == self_shadows || !probe_self_shadows()) return false;
  self_shadows = on;
  surfaces_out_of_date();
  return true;
}
bool DisplayOptions::set_rotation_about_model_centre(bool on) { return store(&rotation_about_model_centre, on); }
void DisplayOptions::set_rotation_origin(float x, float y, float z) {
  rotation_origin[0] = x, rotation_origin[1] = y, rotation_origin[2] = z;
}
void DisplayOptions::get_rotation_origin(float out[3]) const {
  if (rotation_about_model_centre) {
    get_model_centre(out);
    return;
  }
  for (int i = 0; i < 3; ++i) out[i] = rotation_origin[i];
}
bool DisplayOptions::set_transparent_shadows_threshold(uint8_t value) {
  if (!store(&transparent_shadows_threshold, value)) return false;
  if (rendering_option == 0 || !enable_transparency || !(self_shadows || get_environment_visible())) return false;
  update_lists(true, false, true);
  return true;
}
bool DisplayOptions::set_reflection_map_size(uint32_t size) {
  if (!store(&reflection_map_size, size)) return false;
  set_update_compute_reflection();
  return rendering_option != 0 && enable_reflection;
}
bool DisplayOptions::set_fast_lod(bool on) {
  if (!store(&fast_lod, on)) return false;
  return !on && get_display_was_fast();
}
bool DisplayOptions::set_display_lens_flares(bool on) { return store(&display_lens_flares, on); }
// The shadow maps are renewed after these three.
bool DisplayOptions::set_high_quality_soft_shadows(bool on) {
  if (!store(&high_quality_soft_shadows, on)) return false;
  set_update_shadowmaps();
  return true;
}
bool DisplayOptions::set_self_shadow_map_size_low(uint32_t size) {
  if (!store(&self_shadow_map_size_low, size)) return false;
  set_update_shadowmaps();
  return true;
}
bool DisplayOptions::set_self_shadow_map_size_high(uint32_t size) {
  if (!store(&self_shadow_map_size_high, size)) return false;
  set_update_shadowmaps();
  return true;
}
bool DisplayOptions::set_display_vorq_logo(bool on) { return store(&display_vorq_logo, on); }
bool DisplayOptions::set_reflection_texture(const char* name) {
  set_reflection_image(name);
  if (!enable_reflection || reflection_type == 1) return false;
  set_update_reflection();
  set_update_material();
  surfaces_out_of_date();
  return true;
}

// ------------------------------------------------------------ highlight

HighlightOptions::HighlightOptions() {
  for (int i = 0; i < 14; ++i) lightness_curve[i] = float(i) / 14.0f;
}

HighlightOptions::~HighlightOptions() {
  if (ramp != nullptr) CheckedFree(ramp);
}

void HighlightOptions::init_highlight(unsigned kind) {
  on = kind != 0;
  bool index_mode = get_color_index_mode();
  ramp_kind = kind == 1 ? (index_mode ? 0 : 1) : 2;
}

void HighlightOptions::setup_colormap(unsigned type, unsigned target) {
  texture_limit = 0;
  if (target == 1 && type <= 2) {
    const unsigned sizes[3] = {4096, 187, 2839}, bases[3] = {0, 69, 1257};
    ramp_size = sizes[type], ramp_base = bases[type];
  } else if (target == 0 && (type == 1 || type == 2)) {
    ramp_size = type == 1 ? 256 : 4096, ramp_base = 0;
  } else if (target == 2) {
    GLint max = 4096;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
    ramp_size = max > 0 && max < 4096 ? unsigned(max) : 4096;
    ramp_base = 0;
    texture_limit = 1.0 - 1.5 / ramp_size;
  } else {
    internal_error(ERR_COLORMAP_TARGET, MODULE);
  }
  ramp = static_cast<float*>(grow_block(ramp, sizeof(float) * 3 * ramp_size));
  needs_computing = needs_loading = true;
}

bool HighlightOptions::set_highlight_attributes(unsigned long new_mode, unsigned long new_bands, long new_hue,
                                                unsigned long new_saturation, unsigned long new_lightness_min,
                                                unsigned long new_lightness_max, unsigned long new_gamma,
                                                unsigned long new_contrast, long new_angle1, long new_angle2) {
  bool changed = false;
  changed |= store(&mode, unsigned(new_mode));
  changed |= store(&bands, unsigned(new_bands));
  changed |= store(&hue, float(double(new_hue) * 360.0 / 1296000.0));
  changed |= store(&saturation, float(new_saturation) / 100.0f);
  changed |= store(&lightness_min, float(new_lightness_min) / 100.0f);
  changed |= store(&lightness_max, float(new_lightness_max) / 100.0f);
  if (store(&gamma, float(new_gamma) / 2.0f)) {
    changed = true;
    for (int i = 0; i < 14; ++i) lightness_curve[i] = float(std::pow(i / 14.0, gamma / 20.0));
  }
  changed |= store(&contrast, uint8_t(255 - new_contrast * 55 / 100));
  changed |= store(&angle1, float(double(new_angle1) * 4.848137e-06));
  changed |= store(&angle2, float(double(new_angle2) * 4.848137e-06));
  if (!changed) return false;
  needs_computing = needs_loading = true;
  bool index_mode = get_color_index_mode();
  if (index_mode) apply_colormap();
  return ramp_kind != 0 && !(ramp_kind == 1 && index_mode);
}

void HighlightOptions::compute_colormap() {
  if (ramp == nullptr || ramp_size < 2) return;
  unsigned n = ramp_size / 2;
  float limit = float(contrast) / 255.0f;
  limit *= limit;
  // Entry i of the half, written symmetrically from the middle outward.
  auto put = [&](unsigned i, float r, float g, float b) {
    float c[3] = {r, g, b};
    if (mode <= 1)
      for (float& v : c)
        if (v > limit) v = 1.0f;
    float* up = ramp + 3 * (n + i);
    float* down = ramp + 3 * (n - 1 - i);
    for (int k = 0; k < 3; ++k) up[k] = down[k] = c[k];
  };
  for (unsigned i = 0; i < n; ++i) {
    float t = n > 1 ? float(i) / float(n - 1) : 0.0f;
    float r = 0, g = 0, b = 0;
    switch (mode) {
      case 0: {
        float x = t * 13.0f;
        unsigned k = unsigned(x);
        if (k > 12) k = 12;
        float f = x - float(k);
        float l = lightness_curve[k] * (1 - f) + lightness_curve[k + 1] * f;
        l = lightness_min + l * (lightness_max - lightness_min);
        convert_hls_to_rgb(hue, l, saturation, &r, &g, &b);
        break;
      }
      case 1: {
        float h = std::fmod(t * float(bands) * 360.0f, 360.0f);
        convert_hls_to_rgb(h, 0.5f, 1.0f, &r, &g, &b);
        break;
      }
      case 2: {
        float p1 = std::cos(float(M_PI / 2) - angle1), p2 = std::cos(float(M_PI / 2) - angle1 - angle2);
        r = t > p1 ? 0.2f + 0.8f * (t - p1) / (1 - p1 + 1e-6f) : 0.2f;
        g = t < p2 ? 0.2f + 0.8f * (p2 - t) / (p2 + 1e-6f) : 0.2f;
        b = 0.2f;
        break;
      }
      case 3: {
        float band = t * float(bands + 1);
        unsigned k = unsigned(band);
        float f = band - float(k);
        r = g = b = (k % 2 == 0) ? f : 1 - f;
        break;
      }
      default:
        internal_error(ERR_HIGHLIGHT_MODE, MODULE);
    }
    put(i, r, g, b);
  }
  if (ramp_size % 2 == 1) {
    float* last = ramp + 3 * (ramp_size - 1);
    for (int k = 0; k < 3; ++k) last[k] = ramp[3 * (ramp_size - 2) + k];
  }
  needs_computing = false;
}

void HighlightOptions::apply_colormap() {
  if (needs_computing) compute_colormap();
  if (!needs_loading || ramp == nullptr) return;
  // Index-mode colour maps do not exist on the RGBA visuals of this build.
  if (ramp_kind == 2) glTexImage1D(GL_TEXTURE_1D, 0, GL_RGB, GLsizei(ramp_size), 0, GL_RGB, GL_FLOAT, ramp);
  needs_loading = false;
}

float HighlightOptions::highlight_parameter(float nx, float ny, float nz) const {
  float t = nx * direction[0] + ny * direction[1] + nz * direction[2];
  if (mode == 2) {
    t += 0.1f;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
  } else {
    t = (t + 1) / 2;
  }
  if (!(t >= 0)) t = 0;  // NaN from a zero normal
  if (t > 1) t = 1;
  return t;
}

void HighlightOptions::apply_highlight_color(float nx, float ny, float nz) {
  float t = highlight_parameter(nx, ny, nz);
  XGLContext* gl = XGLContext::current_context;
  if (ramp_kind == 2) {
    glTexCoord1f(float(std::fmin(double(t), texture_limit)));
    return;
  }
  if (ramp == nullptr || ramp_size == 0) return;
  unsigned i = unsigned(std::lround(double(ramp_size - 1) * t));
  if (ramp_kind == 0)
    gl->set_gl_color_index(int(ramp_base + i));
  else
    gl->set_gl_color(ramp + 3 * i);
}

void init_highlight_options() {
  if (highlight_options == nullptr) highlight_options = new HighlightOptions();
}
void cleanup_highlight_options() {
  delete highlight_options;
  highlight_options = nullptr;
}
HighlightOptions* get_highlight_options() { return highlight_options; }

// ------------------------------------------------------------ palette

void init_color_palette() {
  if (color_palette != nullptr) internal_error(ERR_PALETTE_EXISTS, MODULE);
  color_palette = static_cast<float(*)[3]>(CheckedMalloc(sizeof(float) * 3 * PALETTE_SIZE));
  // Before the application sets them: black background, white foreground.
  for (unsigned i = 0; i < PALETTE_SIZE; ++i)
    for (int k = 0; k < 3; ++k) color_palette[i][k] = i == 0 ? 0.0f : 1.0f;
}

void cleanup_color_palette() {
  if (color_palette != nullptr) CheckedFree(color_palette);
  color_palette = nullptr;
}

bool color_palette_exists() { return color_palette != nullptr; }

void get_colormap_entry(unsigned index, float* r, float* g, float* b) {
  check_palette(index);
  *r = color_palette[index][0], *g = color_palette[index][1], *b = color_palette[index][2];
}

void set_color(unsigned index) {
  check_palette(index);
  XGLContext::current_context->set_gl_color(color_palette[index]);
}

void set_clear_color(unsigned index) {
  check_palette(index);
  XGLContext::current_context->set_gl_clear_color(color_palette[index]);
}

void set_colormap_entry(unsigned index, float r, float g, float b) {
  check_palette(index);
  float* e = color_palette[index];
  if (e[0] == r && e[1] == g && e[2] == b) return;
  e[0] = r, e[1] = g, e[2] = b;
  update_lists(index == 0 && current_options.get_display_hidden_line(), true, false);
}

// ------------------------------------------------------------ fog

bool set_fog(bool enable, const float color[3], float distance, float density, bool ground, float height,
             uint8_t side) {
  fog = fog_settings{enable, {color[0], color[1], color[2]}, distance, density, ground, height, side};
  return false;
}

const fog_settings* get_fog() { return &fog; }
