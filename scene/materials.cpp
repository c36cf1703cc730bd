#include "scene/materials.h"

#include <sys/stat.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "link/si.h"
#include "runtime/predefined.h"
#include "scene/display_file.h"
#include "scene/display_options.h"
#include "scene/environment.h"
#include "scene/image_io.h"
#include "scene/loaded_texture.h"
#include "scene/scene_graph.h"
#include "scene/segment_store.h"

namespace {

constexpr const char* MODULE = "material_list";
constexpr uint32_t LIST_STEP = 256;
constexpr int PREDEF_MATERIAL_COUNT = 110;

// The name of a texture file not found or not readable, until it is taken.
char* texture_not_found;
uint64_t reflection_maps_built;

bool separate_specular() {
  static int known = -1;
  if (known < 0) known = gl_version_at_least(1, 2) ? 1 : 0;
  return known == 1;
}

void material_fv(GLenum what, const float* v) { glMaterialfv(GL_FRONT_AND_BACK, what, v); }

char* owned_or_null(char* text) {
  if (text != nullptr && text[0] == '\0') {
    CheckedFree(text);
    return nullptr;
  }
  return text;
}

class Material {
 public:
  explicit Material(material_attributes* a) : texture(GL_RGBA), second_texture(GL_LUMINANCE), third_texture(GL_RGBA),
                                              reflection_texture(GL_RGBA) {
    take(a);
  }
  ~Material() {
    if (attributes.name != nullptr) CheckedFree(attributes.name);
    delete_cube_map();
  }
  Material(const Material&) = delete;
  Material& operator=(const Material&) = delete;

  bool update(material_attributes* a);
  void set_rgba_material(bool transparent_pass);
  void set_ci_material() {
    gl_state_stale = false;
    XGLContext::current_context->set_gl_color_index_material(attributes.diffuse);
  }
  void set_reflection_pass();
  void set_specular_pass();
  void update_reflection_map();
  void update_textures() {
    if (attributes.texture_on && get_display_options()->get_enable_textures()) texture.activate();
    update_reflection_map();
  }
  void delete_textures() {
    texture.remove();
    second_texture.remove();
    reflection_texture.remove();
    delete_cube_map();
  }
  void get(material_attributes* out);
  void draw_sphere(long x, long y, long width, long height);

  material_attributes attributes;  // strings: name only (the file names live in the textures)
  int use_count = 0;
  bool reflection_map_stale = true;
  bool gl_state_stale = true;

 private:
  void take(material_attributes* a);
  void delete_cube_map() {
    if (cube_map != 0 && XGLContext::current_context != nullptr) glDeleteTextures(1, &cube_map);
    cube_map = 0;
  }

  LoadedTexture texture, second_texture, third_texture;
  ComputedTexture reflection_texture;
  GLuint cube_map = 0;
};

// Stores the record, moving its strings into the material.
void Material::take(material_attributes* a) {
  if (attributes.name != nullptr && attributes.name != a->name) CheckedFree(attributes.name);
  attributes = *a;
  texture.set_filename(owned_or_null(a->texture_file));
  second_texture.set_filename(owned_or_null(a->second_file));
  third_texture.set_filename(owned_or_null(a->third_file));
  texture.set_use_alpha(a->texture_mode == 3);
  attributes.texture_file = attributes.second_file = attributes.third_file = nullptr;
  *a = material_attributes{};
  a->name = a->texture_file = a->second_file = a->third_file = nullptr;
}

bool Material::update(material_attributes* a) {
  const DisplayOptions* o = get_display_options();
  const material_attributes& old = attributes;
  bool visible = old.shininess != a->shininess;
  for (int i = 0; i < 4; ++i)
    visible |= old.ambient[i] != a->ambient[i] || old.diffuse[i] != a->diffuse[i] || old.specular[i] != a->specular[i];
  bool textures = o->get_enable_textures();
  if (old.texture_on != a->texture_on) {
    if (!a->texture_on) texture.cleanup();
    visible |= textures;
  }
  if (old.texture_mode != a->texture_mode) visible |= textures;
  if (old.transparency != a->transparency) visible |= o->get_enable_transparency();
  if (old.reflection != a->reflection) {
    reflection_map_stale = true;
    visible |= o->get_enable_reflection();
  }
  char* file = owned_or_null(a->texture_file);
  const char* old_file = texture.get_filename();
  bool file_changed = file != nullptr && (old_file == nullptr || strcmp(file, old_file) != 0);
  visible |= file_changed && textures;
  a->texture_file = file;
  take(a);
  gl_state_stale = true;
  return visible;
}

void Material::get(material_attributes* out) {
  *out = attributes;
  out->name = attributes.name != nullptr ? dup_chars(attributes.name) : nullptr;
  auto file = [](LoadedTexture& t) -> char* {
    const char* path = t.get_file_and_pathname();
    if (path == nullptr) path = t.get_filename();
    return path != nullptr ? dup_chars(path) : nullptr;
  };
  out->texture_file = file(texture);
  out->second_file = file(second_texture);
  out->third_file = file(third_texture);
}

void Material::set_rgba_material(bool transparent_pass) {
  const DisplayOptions* o = get_display_options();
  const material_attributes& m = attributes;
  gl_state_stale = false;
  material_fv(GL_AMBIENT, m.ambient);
  bool textured = m.texture_on && o->get_enable_textures();
  if (textured) {
    texture.activate();
  } else {
    texture.remove();
    update_reflection_map();
  }
  float diffuse[4] = {m.diffuse[0], m.diffuse[1], m.diffuse[2], m.diffuse[3]};
  float specular[4] = {m.specular[0], m.specular[1], m.specular[2], m.specular[3]};
  if (!textured) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
  } else {
    if (m.texture_mode == 1) diffuse[0] = diffuse[1] = diffuse[2] = 1;
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, m.texture_mode == 3 ? GL_DECAL : GL_MODULATE);
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, m.diffuse);
    if (!separate_specular()) specular[0] = specular[1] = specular[2] = 0;
    specular[3] = 1;
  }
  if (m.reflection > 0 && o->get_enable_reflection())
    for (int i = 0; i < 3; ++i) diffuse[i] *= 1 - m.reflection;
  diffuse[3] = transparent_pass ? 1 - m.transparency : 1;
  XGLContext::current_context->set_gl_color(diffuse[0], diffuse[1], diffuse[2], diffuse[3]);
  material_fv(GL_DIFFUSE, diffuse);
  material_fv(GL_SPECULAR, specular);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
}

void Material::set_reflection_pass() {
  update_reflection_map();
  static const float black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1};
  material_fv(GL_AMBIENT, black);
  material_fv(GL_SPECULAR, black);
  material_fv(GL_DIFFUSE, white);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  gl_state_stale = true;
}

void Material::set_specular_pass() {
  float dark[4] = {0, 0, 0, 1 - attributes.transparency};
  material_fv(GL_AMBIENT, dark);
  material_fv(GL_DIFFUSE, dark);
  material_fv(GL_SPECULAR, attributes.specular);
  gl_state_stale = true;
}

// Alpha of a reflection texel: its brightness times the material's reflection.
void reflection_alpha(uint8_t* rgba, size_t bytes, float reflection) {
  for (size_t i = 0; i + 3 < bytes; i += 4)
    rgba[i + 3] = uint8_t(float(rgba[i] + rgba[i + 1] + rgba[i + 2]) * reflection / 3);
}

// The environment's images are the source of reflection maps: six cube faces,
// else the panorama. Only materials in use keep a map.
void Material::update_reflection_map() {
  const DisplayOptions* o = get_display_options();
  bool reflective = attributes.reflection > 0 && o->get_enable_reflection() && use_count > 0;
  if (cube_maps_available() && o->get_reflection_type() == 1) {
    reflection_texture.remove();
    if (!reflective) {
      delete_cube_map();
      return;
    }
    if (!reflection_map_stale && cube_map != 0) {
      glBindTexture(GL_TEXTURE_CUBE_MAP, cube_map);
      return;
    }
    if (cube_map == 0) glGenTextures(1, &cube_map);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube_map);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    static const GLenum faces[ENVIRONMENT_SIDES] = {
        GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, GL_TEXTURE_CUBE_MAP_POSITIVE_Y, GL_TEXTURE_CUBE_MAP_POSITIVE_X,
        GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, GL_TEXTURE_CUBE_MAP_NEGATIVE_X, GL_TEXTURE_CUBE_MAP_POSITIVE_Z};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int side = 0; side < ENVIRONMENT_SIDES; ++side) {
      const environment_image* image = get_environment_side_image(side);
      std::vector<uint8_t> rgba = image->pixels;
      int size = image->width;
      if (rgba.empty()) rgba.assign(4, 0), size = 1;  // not computed yet: a black face
      reflection_alpha(rgba.data(), rgba.size(), attributes.reflection);
      gluBuild2DMipmaps(faces[side], GL_RGBA, size, size, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    }
    reflection_map_stale = false;
    ++reflection_maps_built;
    return;
  }
  delete_cube_map();
  environment_image* panorama = get_reflection_image();
  if (reflective && !panorama->pixels.empty()) {
    if (reflection_map_stale) {
      reflection_alpha(panorama->pixels.data(), panorama->pixels.size(), attributes.reflection);
      reflection_texture.set_texture_data(panorama->pixels.data(), panorama->width, panorama->height);
      reflection_map_stale = false;
      ++reflection_maps_built;
    }
    reflection_texture.activate();
  } else {
    reflection_texture.remove();
  }
}

// ------------------------------------------------------------ the list

Material** material_list;
uint32_t material_list_length;
uint16_t material_count;
bool update_material = true;
uint16_t last_material;
std::vector<std::string> texture_path;

Material* check_material_index(uint16_t number, int error_number = 1) {
  if (number == 0 || number > material_count || material_list[number - 1] == nullptr)
    internal_error(error_number, MODULE);
  return material_list[number - 1];
}

void publish_count() { put_predef(PREDEF_MATERIAL_COUNT, material_count); }

}  // namespace

void free_material_attributes(material_attributes* a) {
  for (char** s : {&a->name, &a->texture_file, &a->second_file, &a->third_file}) {
    if (*s != nullptr) CheckedFree(*s);
    *s = nullptr;
  }
}

void init_material_list() {
  cleanup_material_list();
  material_list_length = LIST_STEP;
  material_list = static_cast<Material**>(CheckedMalloc(LIST_STEP * sizeof(Material*)));
  for (uint32_t i = 0; i < LIST_STEP; ++i) material_list[i] = nullptr;
  material_count = 0;
  update_material = true;
  last_material = 0;
  const char* path = getenv("QOB_TEXTURE_PATH");
  set_texture_path(path != nullptr ? path : "");
}

void cleanup_material_list() {
  if (material_list == nullptr) return;
  for (uint32_t i = 0; i < material_list_length; ++i) delete material_list[i];
  CheckedFree(material_list);
  material_list = nullptr;
  material_list_length = 0;
  material_count = 0;
  publish_count();
  if (texture_not_found != nullptr) CheckedFree(texture_not_found);
  texture_not_found = nullptr;
  draw_sphere(0, 0, 0, 0, 0);  // frees the preview textures
}

uint16_t get_material_count() { return material_count; }

bool material_exists(uint16_t number) {
  return number >= 1 && number <= material_count && material_list[number - 1] != nullptr;
}

void set_material(uint16_t number, material_attributes* a) {
  if (number == 0 || number > uint32_t(material_count) + 1) internal_error(328, MODULE);
  if (number > material_list_length) {
    material_list = static_cast<Material**>(
        CheckedRealloc(material_list, (material_list_length + LIST_STEP) * sizeof(Material*)));
    for (uint32_t i = material_list_length; i < material_list_length + LIST_STEP; ++i) material_list[i] = nullptr;
    material_list_length += LIST_STEP;
  }
  Material*& slot = material_list[number - 1];
  if (slot != nullptr) {
    if (slot->update(a)) {
      update_lists_using_material(number);
      set_repaint(false);
    }
    return;
  }
  slot = new Material(a);
  ++material_count;
  publish_count();
}

void remove_material(uint16_t number) {
  check_material_index(number, 2);
  delete material_list[number - 1];
  for (uint32_t i = number; i < material_count; ++i) material_list[i - 1] = material_list[i];
  material_list[material_count - 1] = nullptr;
  --material_count;
  publish_count();
  update_material = true;
  update_segment_materials(number);
  update_scene_graph_materials(number);
  set_repaint(false);
}

void get_material_attributes(uint16_t number, material_attributes* out) { check_material_index(number, 45)->get(out); }

void material_in_use(uint16_t number, bool in_use) { check_material_index(number, 3)->use_count += in_use ? 1 : -1; }
bool check_material_in_use(uint16_t number) { return check_material_index(number, 4)->use_count > 0; }
bool material_is_transparent(uint16_t number) { return check_material_index(number, 5)->attributes.transparency > 0; }
bool material_is_reflective(uint16_t number) { return check_material_index(number, 6)->attributes.reflection > 0; }
bool material_has_texture(uint16_t number) { return check_material_index(number, 7)->attributes.texture_on; }

bool material_casts_shadows(uint16_t number) {
  const material_attributes& m = check_material_index(number, 8)->attributes;
  if (!m.casts_shadows) return false;
  const DisplayOptions* o = get_display_options();
  float threshold = o->get_enable_transparency() ? o->get_transparent_shadows_threshold() / 100.0f : 1.0f;
  return threshold > m.transparency;
}

void set_gl_material(uint16_t number, bool transparent_pass) {
  Material* m = check_material_index(number, 9);
  XGLContext* gl = XGLContext::current_context;
  // A display list being compiled must hold the material itself.
  if (!update_material && number == last_material && !m->gl_state_stale && !gl->is_recording()) return;
  update_material = false;
  last_material = number;
  if (gl->get_color_index_mode())
    m->set_ci_material();
  else
    m->set_rgba_material(transparent_pass);
}

void setup_reflection_pass(uint16_t number) { check_material_index(number, 10)->set_reflection_pass(); }
void setup_specular_pass(uint16_t number) { check_material_index(number, 11)->set_specular_pass(); }
void set_update_material() { update_material = true; }

void update_textures() {
  for (uint16_t i = 0; i < material_count; ++i)
    if (material_list[i]->use_count > 0) material_list[i]->update_textures();
  update_material = true;
}

uint64_t get_reflection_maps_built() { return reflection_maps_built; }

void update_reflection_maps() {
  for (uint16_t i = 0; i < material_count; ++i) material_list[i]->reflection_map_stale = true;
}

void delete_all_textures() {
  for (uint16_t i = 0; i < material_count; ++i) material_list[i]->delete_textures();
}

// ------------------------------------------------------------ texture path

void set_texture_path(const char* directories) {
  texture_path.clear();
  for (const char* p = directories; *p != '\0';) {
    const char* end = strchr(p, TEXTURE_PATH_SEPARATOR);
    size_t n = end != nullptr ? size_t(end - p) : strlen(p);
    if (n > 0) texture_path.emplace_back(p, n);
    p += n;
    if (*p == TEXTURE_PATH_SEPARATOR) ++p;
  }
}

char* expand_texture_name(const char* name) {
  if (name == nullptr) internal_error(1, "expand_texture_name");
  int saved_errno = errno;
  // A name with a directory part (a room surface's checked image) is taken as it stands.
  struct stat info;
  if (strpbrk(name, "/\\") != nullptr && stat(name, &info) == 0 && S_ISREG(info.st_mode)) {
    errno = saved_errno;
    return dup_chars(name);
  }
  if (texture_path.empty()) return nullptr;
  for (const std::string& directory : texture_path) {
    std::string path = directory + "/" + name;
    if (FILE* f = fopen(path.c_str(), "r")) {
      fclose(f);
      errno = saved_errno;
      return dup_chars(path.c_str());
    }
  }
  if (texture_not_found == nullptr) texture_not_found = dup_chars(name);
  errno = saved_errno;
  return nullptr;
}

char* get_texture_not_found() { return std::exchange(texture_not_found, nullptr); }

void remember_texture_not_found(const char* name) {
  if (texture_not_found == nullptr && name != nullptr) texture_not_found = dup_chars(name);
}

// ------------------------------------------------------------ preview sphere

namespace {

constexpr int PICTURE_WIDTH = 152, PICTURE_HEIGHT = 77;

// The surroundings mirrored by a reflective preview: sky above a horizon,
// ground below, from a four-colour palette; rows bottom-up.
const std::vector<uint8_t>& reflection_picture() {
  static std::vector<uint8_t> rgba;
  if (!rgba.empty()) return rgba;
  static const uint8_t palette[4][3] = {{70, 60, 50}, {120, 110, 90}, {150, 180, 220}, {230, 240, 255}};
  rgba.resize(size_t(PICTURE_WIDTH) * PICTURE_HEIGHT * 4);
  for (int y = 0; y < PICTURE_HEIGHT; ++y)
    for (int x = 0; x < PICTURE_WIDTH; ++x) {
      int index = y < 30 ? ((x / 8 + y / 8) % 2) : (y < 60 ? 2 : 3);
      uint8_t* p = &rgba[(size_t(y) * PICTURE_WIDTH + size_t(x)) * 4];
      for (int c = 0; c < 3; ++c) p[c] = palette[index][c];
      p[3] = 255;
    }
  return rgba;
}

LoadedTexture* preview_texture;
ComputedTexture* preview_reflection;

}  // namespace

void Material::draw_sphere(long x, long y, long width, long height) {
  XGLContext* gl = XGLContext::current_context;
  const material_attributes& m = attributes;
  glPushAttrib(GL_VIEWPORT_BIT);
  glViewport(GLint(x), GLint(y), GLsizei(width), GLsizei(height));
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->push_matrix();
  glLoadIdentity();
  gluLookAt(0, -1, 0, 0, 0, 0, 0, 0, 1);
  gl->set_matrix_mode(GL_PROJECTION);
  gl->push_matrix();
  glLoadIdentity();
  glOrtho(-1, 1, -1, 1, -1, 1);
  gl->set_matrix_mode(GL_MODELVIEW);
  bool textured = m.texture_on && texture.get_filename() != nullptr;
  if (textured) {
    if (preview_texture == nullptr) preview_texture = new LoadedTexture(GL_RGBA);
    preview_texture->set_filename(dup_chars(texture.get_filename()));
    preview_texture->set_use_alpha(m.texture_mode == 3);
    preview_texture->activate();
  }
  gl->enable_lighting(false);
  glBegin(GL_QUADS);
  for (int square = 0; square < 4; ++square) {
    float x0 = square % 2 == 0 ? -1.0f : 0.0f, z0 = square < 2 ? -1.0f : 0.0f;
    float grey = (square == 0 || square == 3) ? 0.3f : 0.6f;
    gl->set_gl_color(grey, grey, grey);
    glVertex3f(x0, -1, z0);
    glVertex3f(x0 + 1, -1, z0);
    glVertex3f(x0 + 1, -1, z0 + 1);
    glVertex3f(x0, -1, z0 + 1);
  }
  glEnd();
  static GLUquadric* quadric = nullptr;
  if (quadric == nullptr) {
    quadric = gluNewQuadric();
    gluQuadricDrawStyle(quadric, GLU_FILL);
    gluQuadricNormals(quadric, GLU_SMOOTH);
    gluQuadricTexture(quadric, GL_TRUE);
  }
  static const float black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1}, light[4] = {-1, -1, 0.5f, 0};
  glLightfv(GL_LIGHT0, GL_AMBIENT, black);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
  glLightfv(GL_LIGHT0, GL_SPECULAR, white);
  glLightfv(GL_LIGHT0, GL_POSITION, light);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, m.texture_mode == 3 ? GL_DECAL : GL_MODULATE);
  float diffuse[4], alpha = 1 - m.transparency;
  for (int i = 0; i < 3; ++i) diffuse[i] = (1 - m.reflection) * (textured && m.texture_mode == 1 ? 1 : m.diffuse[i]);
  diffuse[3] = alpha;
  material_fv(GL_AMBIENT, m.ambient);
  material_fv(GL_DIFFUSE, diffuse);
  material_fv(GL_SPECULAR, textured ? black : m.specular);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m.shininess);
  glEnable(GL_LIGHT0);
  gl->enable_lighting(true);
  if (m.transparency > 0) {
    gl->enable_blending(true);
    gl->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  gl->set_shade_model(GL_SMOOTH);
  glPushMatrix();
  glRotatef(35, 1, 0, 0.5f);
  if (textured) glEnable(GL_TEXTURE_2D);
  GLint slices = GLint(width / 3), stacks = GLint(height / 3);
  gluSphere(quadric, 0.9, slices, stacks);
  glPopMatrix();
  if (m.reflection > 0) {
    static std::vector<uint8_t> picture;
    static float last_reflection = -1;
    if (preview_reflection == nullptr) preview_reflection = new ComputedTexture(GL_RGBA);
    if (m.reflection != last_reflection || picture.empty()) {
      picture = reflection_picture();
      for (size_t i = 0; i < picture.size(); i += 4)
        picture[i + 3] = uint8_t((picture[i] + picture[i + 1] + picture[i + 2]) * m.reflection / 3);
      last_reflection = m.reflection;
      preview_reflection->set_texture_data(picture.data(), PICTURE_WIDTH, PICTURE_HEIGHT);
    }
    preview_reflection->activate();
    glEnable(GL_TEXTURE_2D);
    gl->enable_blending(true);
    gl->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    float faded[4] = {1, 1, 1, alpha};
    material_fv(GL_AMBIENT, faded);
    material_fv(GL_DIFFUSE, faded);
    material_fv(GL_SPECULAR, faded);
    glPushMatrix();
    glRotatef(-25, 1, 0, 0.5f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    gluSphere(quadric, 0.9, slices, stacks);
    glPopMatrix();
  }
  if (textured) {
    gl->enable_blending(true);
    gl->set_blend_func(GL_SRC_ALPHA, GL_ONE);
    float dark[4] = {0, 0, 0, alpha};
    material_fv(GL_AMBIENT, dark);
    material_fv(GL_DIFFUSE, dark);
    material_fv(GL_SPECULAR, m.specular);
    glPushMatrix();
    glRotatef(35, 1, 0, 0.5f);
    gluSphere(quadric, 0.9, slices, stacks);
    glPopMatrix();
  }
  glDisable(GL_TEXTURE_2D);
  gl->set_shade_model(GL_FLAT);
  gl->enable_blending(false);
  gl->enable_lighting(false);
  glDisable(GL_LIGHT0);
  gl->set_matrix_mode(GL_PROJECTION);
  gl->pop_matrix();
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->pop_matrix();
  glPopAttrib();
  set_update_material();
}

void draw_sphere(long number, long x, long y, long width, long height) {
  if (number == 0) {  // the clean-up's call: free the shared preview textures
    delete preview_texture;
    delete preview_reflection;
    preview_texture = nullptr;
    preview_reflection = nullptr;
    return;
  }
  if (number < 0 || number > material_count) internal_error(12, MODULE);
  material_list[number - 1]->draw_sphere(x, y, width, height);
}

// The values of set_material after the name, with the three file names last.
void save_materials_to_df(write_df* out) {
  uint16_t count = get_material_count();
  out->begin(DF_MATERIALS);
  out->put_int(count);
  for (uint16_t n = 1; n <= count; ++n) {
    material_attributes a;
    get_material_attributes(n, &a);
    out->put_int(int32_t(a.integer_a));
    for (const float* colour : {a.ambient, a.diffuse, a.specular, a.emission})
      for (int k = 0; k < 4; ++k) out->put_float(colour[k]);
    out->put_float(a.shininess);
    for (bool b : {a.flag_a, a.texture_on, a.flag_b, a.flag_c}) out->put_int(b);
    out->put_int(int32_t(a.texture_mode));
    for (float v : {a.value_a, a.value_b, a.reflection, a.transparency}) out->put_float(v);
    out->put_int(a.flag_d);
    out->put_float(a.value_c);
    out->put_int(int32_t(a.integer_b));
    out->put_int(a.casts_shadows);
    out->put_int(a.flag_e);
    out->put_string(a.texture_file);
    out->put_string(a.second_file);
    out->put_string(a.third_file);
    free_material_attributes(&a);
  }
  out->end();
}
