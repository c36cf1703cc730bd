// The light table of the graphics window: up to 32 GL lights addressed by
// their GL name (GL_LIGHT0 + i), switched on around the drawing of each view.
// Every function but is_valid_light takes a valid name (internal error else).
#pragma once

constexpr int MAX_LIGHTS = 32;

// Light types, derived from the light's settings on every request.
enum light_type { LIGHT_BEAM = 1, LIGHT_POINT = 2, LIGHT_SPOT = 3, LIGHT_AMBIENT = 4 };

// init reads GL_MAX_LIGHTS of the current context; a second init replaces the table.
void init_lights();
void cleanup_lights();
bool is_valid_light(int name);
int get_number_of_lights();
// The first light that is off; false when all are on.
bool get_first_inactive_light(int* name);

// Setters store the value and return true only when it changed and the
// light is on; set_light_on reports every change of its own flag.
bool set_light_on(int name, bool on);
bool set_light_ambient_color(int name, const float rgba[4]);
bool set_light_diffuse_color(int name, const float rgba[4]);
bool set_light_specular_color(int name, const float rgba[4]);
bool set_light_position(int name, const float xyzw[4]);
bool set_light_spot_direction(int name, const float xyz[3]);
bool set_light_spot_exponent(int name, unsigned exponent);
bool set_light_spot_cutoff(int name, float degrees);
bool set_light_constant_attenuation(int name, float a);
bool set_light_linear_attenuation(int name, float a);
bool set_light_quadratic_attenuation(int name, float a);
bool set_light_cast_shadows(int name, bool on);
bool set_light_soft_shadows(int name, bool on);
bool set_light_shadow_softness(int name, float softness);
bool set_light_point_light(int name);  // spot cutoff 180
bool set_light_intensity(int name, float intensity);
bool set_light_lens_flares(int name, bool on);  // also needs display_lens_flares
bool set_light_emitting(int name, bool on);

bool get_light_on(int name);  // on with an intensity above 0
light_type get_light_type(int name);
bool get_light_is_spot(int name);
bool get_light_is_emitting(int name);
bool get_light_cast_shadows(int name);
bool get_light_cast_soft_shadows(int name);
float get_light_shadow_softness(int name);
bool get_light_produce_lens_flares(int name);
bool get_lens_flares_visible();
void get_light_position(int name, float xyz[3]);
void get_light_spot_direction(int name, float xyz[3]);
float get_light_spot_cutoff(int name);  // degrees
unsigned get_light_spot_exponent(int name);
float get_light_constant_attenuation(int name);
float get_light_linear_attenuation(int name);
float get_light_quadratic_attenuation(int name);
void get_light_specular_color(int name, float rgba[4]);
// The given ambient RGB of an ambient light, else the given specular RGB.
void get_light_color(int name, float* r, float* g, float* b);
// Unit direction the light travels (a beam against its position vector, the
// others toward the model centre); (1, 0, 0) when degenerate.
void get_light_direction(int name, float* x, float* y, float* z);
// Mean effective colour component; 0 when not lit.
float get_light_intensity(int name);
// This light's share of the intensity of all emitting lights.
float get_light_intensity_ratio(int name);

// Update flags of the shadow maps: each read clears the flag.
bool get_update_shadowmap(int name, int side);  // side 0 to 5
bool get_update_self_shadows(int name);
void set_update_shadowmaps();  // all flags of every light

// Enables every lit, emitting light with its colours and position in the
// current modelview; deactivate_lights disables every lit light.
void activate_lights();

class write_df;
// One display-file record for each light that is on, by its type.
void save_lights(write_df* out);
void deactivate_lights();
