// Global rendering switches, the highlight colour ramp, the colour palette of
// 100 entries used by colour indices, and the stored fog settings.
#pragma once

#include <cstdint>

class write_df;

// Every setter returns true when a repaint is needed; an unchanged value
// returns false and does nothing.
class DisplayOptions {
 public:
  bool get_line_anti_alias() const { return line_anti_alias; }
  bool get_display_view_number() const { return display_view_number; }
  uint8_t get_rendering_option() const { return rendering_option; }
  bool get_enable_transparency() const { return enable_transparency; }
  uint8_t get_reflection_type() const { return reflection_type; }
  bool get_enable_reflection() const { return enable_reflection; }
  bool get_display_soft_shadows() const { return display_soft_shadows; }
  bool get_update_shadow_maps() const { return update_shadow_maps; }
  bool get_enable_textures() const { return enable_textures; }
  bool get_display_hidden_line() const { return display_hidden_line; }
  bool get_display_text_background() const { return display_text_background; }
  uint8_t get_text_background() const { return text_background; }
  bool get_use_display_lists() const { return use_display_lists; }
  bool get_use_two_sided_lighting() const { return use_two_sided_lighting; }
  bool get_use_shaded_selection_feedback() const { return use_shaded_selection_feedback; }
  bool get_level_of_detail() const { return level_of_detail; }
  bool get_self_shadows() const { return self_shadows; }
  bool get_rotation_about_model_centre() const { return rotation_about_model_centre; }
  uint8_t get_transparent_shadows_threshold() const { return transparent_shadows_threshold; }
  uint32_t get_reflection_map_size() const { return reflection_map_size; }
  bool get_fast_lod() const { return fast_lod; }
  bool get_display_lens_flares() const { return display_lens_flares; }
  bool get_high_quality_soft_shadows() const { return high_quality_soft_shadows; }
  uint32_t get_self_shadow_map_size_low() const { return self_shadow_map_size_low; }
  uint32_t get_self_shadow_map_size_high() const { return self_shadow_map_size_high; }
  bool get_display_vorq_logo() const { return display_vorq_logo; }

  bool set_line_anti_alias(bool on);
  bool set_display_view_number(bool on);
  bool set_rendering_option(uint8_t option);
  bool set_enable_transparency(bool on);
  bool set_reflection_type(uint8_t type);
  bool set_enable_reflection(bool on);
  bool set_display_soft_shadows(bool on);
  bool set_update_shadow_maps(bool on);
  bool set_enable_textures(bool on);
  bool set_display_hidden_line(bool on);
  bool set_display_text_background(bool on);
  bool set_text_background(uint8_t index);
  void set_use_display_lists(bool on) { use_display_lists = on; }
  bool set_use_two_sided_lighting(bool on);
  bool set_use_shaded_selection_feedback(bool on);
  bool set_level_of_detail(bool on);
  // Refused (false, value kept) unless GL offers shadows and depth textures.
  bool set_self_shadows(bool on);
  bool set_rotation_about_model_centre(bool on);
  void set_rotation_origin(float x, float y, float z);
  // The model centre while rotation about it is on, else the stored origin.
  void get_rotation_origin(float out[3]) const;
  bool set_transparent_shadows_threshold(uint8_t value);
  bool set_reflection_map_size(uint32_t size);
  bool set_fast_lod(bool on);
  bool set_display_lens_flares(bool on);
  bool set_high_quality_soft_shadows(bool on);
  bool set_self_shadow_map_size_low(uint32_t size);
  bool set_self_shadow_map_size_high(uint32_t size);
  bool set_display_vorq_logo(bool on);
  bool set_reflection_texture(const char* name);

  // Back to the defaults (start-up and tests).
  void reset() { *this = DisplayOptions(); }

 private:
  bool line_anti_alias = false;
  bool display_view_number = false;
  uint8_t rendering_option = 2;
  bool enable_transparency = false;
  uint8_t reflection_type = 1;
  bool enable_reflection = false;
  bool display_soft_shadows = true;
  bool update_shadow_maps = true;
  bool enable_textures = false;
  bool display_hidden_line = false;
  bool display_text_background = false;
  uint8_t text_background = 1;
  bool use_display_lists = false;
  bool use_two_sided_lighting = true;
  bool use_shaded_selection_feedback = true;
  bool level_of_detail = false;
  bool self_shadows = false;
  bool rotation_about_model_centre = false;
  float rotation_origin[3] = {0, 0, 0};
  uint8_t transparent_shadows_threshold = 50;
  uint32_t reflection_map_size = 512;
  bool fast_lod = false;
  bool display_lens_flares = false;
  bool high_quality_soft_shadows = false;
  uint32_t self_shadow_map_size_low = 1024;
  uint32_t self_shadow_map_size_high = 1024;
  bool display_vorq_logo = false;
};

DisplayOptions* get_display_options();
// Test seam: the answer of the self-shadow probe, decided once from GL otherwise.
void set_self_shadows_available_for_test(int available);

// The colour ramp of highlight drawing: surfaces coloured by the angle of
// their normal to the highlight direction.
class HighlightOptions {
 public:
  HighlightOptions();
  ~HighlightOptions();
  HighlightOptions(const HighlightOptions&) = delete;
  HighlightOptions& operator=(const HighlightOptions&) = delete;

  void init_highlight(unsigned kind);
  // Ramp size and base for type 0..2 and target 0 RGB, 1 colour index, 2 texture.
  void setup_colormap(unsigned type, unsigned target);
  // Hue and angles in arc-seconds, saturation and lightness in percent.
  bool set_highlight_attributes(unsigned long mode, unsigned long bands, long hue, unsigned long saturation,
                                unsigned long lightness_min, unsigned long lightness_max, unsigned long gamma,
                                unsigned long contrast, long angle1, long angle2);
  void compute_colormap();
  void apply_colormap();
  // The next apply_colormap loads the ramp again (a new GL context has none).
  void request_loading() { needs_loading = true; }
  void apply_highlight_color(float nx, float ny, float nz);
  // The ramp position (0..size-1) or texture coordinate for a normal.
  float highlight_parameter(float nx, float ny, float nz) const;

  bool get_on() const { return on; }
  void set_on(bool v) { on = v; }
  unsigned get_mode() const { return mode; }
  unsigned get_ramp_kind() const { return ramp_kind; }
  unsigned get_ramp_size() const { return ramp_size; }
  unsigned get_ramp_base() const { return ramp_base; }
  const float* get_ramp() const { return ramp; }
  float get_hue() const { return hue; }
  uint8_t get_contrast() const { return contrast; }
  float get_gamma() const { return gamma; }
  double get_texture_limit() const { return texture_limit; }
  const float* get_direction() const { return direction; }
  void set_direction(float x, float y, float z) { direction[0] = x, direction[1] = y, direction[2] = z; }

 private:
  bool on = false;
  float direction[3] = {1, 1, 1};
  unsigned mode = 0;
  unsigned bands = 10;
  float hue = 0;
  float saturation = 1.0f;
  float lightness_min = 0;
  float lightness_max = 1.0f;
  float gamma = 128.0f;
  float angle1 = 90.0f;
  float angle2 = 1.0f;
  uint8_t contrast = 200;
  float lightness_curve[14];
  unsigned ramp_size = 0;
  unsigned ramp_base = 0;
  double texture_limit = 0;
  float spare = 5.0f;
  bool needs_computing = true;
  bool needs_loading = true;
  unsigned ramp_kind = 0;
  float* ramp = nullptr;
};

void init_highlight_options();
void cleanup_highlight_options();
HighlightOptions* get_highlight_options();

// Palette of 100 colours (entry 0 the background); an index of 100 or more is
// an internal error.
constexpr unsigned PALETTE_SIZE = 100;
void init_color_palette();
void cleanup_color_palette();
bool color_palette_exists();
void get_colormap_entry(unsigned index, float* r, float* g, float* b);
void set_color(unsigned index);
void set_clear_color(unsigned index);
void set_colormap_entry(unsigned index, float r, float g, float b);

// Fog: stored and saved, never drawn.
struct fog_settings {
  bool enable;
  float color[3];
  float distance;
  float density;
  bool ground;
  float height;
  uint8_t side;
};
bool set_fog(bool enable, const float color[3], float distance, float density, bool ground, float height,
             uint8_t side);
const fog_settings* get_fog();
