// The material list: materials numbered 1 to the count in predefined 110,
// with colours, transparency, reflection and textures, sent to GL on use.
#pragma once

#include <cstdint>

// The attributes of one material in the order of `set_material`. Strings are
// heap blocks (CheckedMalloc) or null; "stored" fields take no part in drawing.
struct material_attributes {
  char* name = nullptr;
  uint32_t integer_a = 1;  // stored
  float ambient[4] = {0.2f, 0.2f, 0.2f, 1};
  float diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
  float specular[4] = {0, 0, 0, 1};
  float emission[4] = {0, 0, 0, 1};  // stored
  float shininess = 0;               // 0 to 128
  bool flag_a = false;               // stored
  bool texture_on = false;
  bool flag_b = false, flag_c = false;  // stored
  char* texture_file = nullptr;         // RGBA texture
  char* second_file = nullptr;          // luminance texture, stored
  char* third_file = nullptr;           // RGBA texture, stored
  // 1: the texture replaces the diffuse colour; 3: decal with alpha; else modulate.
  uint32_t texture_mode = 2;
  float value_a = 0, value_b = 0;  // stored
  float reflection = 0;            // 0 to 1
  float transparency = 0;          // 0 to 1
  bool flag_d = false;             // stored
  float value_c = 1;               // stored
  uint32_t integer_b = 1;          // stored
  bool casts_shadows = true;
  bool flag_e = false;  // stored
};

// Frees the strings of a record (as filled by `get_material_attributes`).
void free_material_attributes(material_attributes* a);

void init_material_list();
void cleanup_material_list();
// Number of materials (mirrored in predefined 110).
uint16_t get_material_count();

// Defines material `number` (1 to count + 1; count + 1 appends) from `a`,
// taking its strings; empty file names count as none.
void set_material(uint16_t number, material_attributes* a);
// Closes the gap: higher numbers drop by one; users of `number` fall back to 1.
void remove_material(uint16_t number);
// Copies of every attribute; file names as the paths found (or as given).
void get_material_attributes(uint16_t number, material_attributes* out);

void material_in_use(uint16_t number, bool in_use);
bool check_material_in_use(uint16_t number);
bool material_is_transparent(uint16_t number);
bool material_is_reflective(uint16_t number);
bool material_has_texture(uint16_t number);
bool material_casts_shadows(uint16_t number);
// True when `number` names an existing material.
bool material_exists(uint16_t number);

// Sends the material to GL unless it is the one last sent and nothing changed.
void set_gl_material(uint16_t number, bool transparent_pass);
void setup_reflection_pass(uint16_t number);
void setup_specular_pass(uint16_t number);
// The next material sent goes to GL even when it equals the last one.
void set_update_material();
// Loads the textures of every textured material.
void update_textures();
void update_reflection_maps();
// Reflection maps (cube maps or panorama textures) built since start (tests).
uint64_t get_reflection_maps_built();
// Drops every GL texture name, keeping the pixels for the next activation.
void delete_all_textures();

// The preview sphere of a material label, drawn into the current context.
void draw_sphere(long number, long x, long y, long width, long height);

class write_df;
// The display-file record of the material list.
void save_materials_to_df(write_df* out);

// Texture directories, parted by TEXTURE_PATH_SEPARATOR; empty: texture files
// are not searched. `init_material_list` takes the environment variable
// QOB_TEXTURE_PATH.
void set_texture_path(const char* directories);
// ':', and ';' on Windows, where a drive letter takes the colon (as in PATH).
#ifdef _WIN32
constexpr char TEXTURE_PATH_SEPARATOR = ';';
#else
constexpr char TEXTURE_PATH_SEPARATOR = ':';
#endif
// The file found for `name` along the texture path (the caller frees it),
// or null; a name found nowhere is remembered for `get_texture_not_found`.
char* expand_texture_name(const char* name);
// The waiting name of a texture that was not found (the caller frees it), or null.
char* get_texture_not_found();
// Keeps `name` as the waiting one unless a name already waits.
void remember_texture_not_found(const char* name);
