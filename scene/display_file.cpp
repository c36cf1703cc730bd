#include "scene/display_file.h"

#include <GL/gl.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <new>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "scene/display_options.h"
#include "scene/environment.h"
#include "scene/geom_object.h"
#include "scene/geom_shell.h"
#include "scene/lens_flares.h"
#include "scene/lights.h"
#include "scene/materials.h"
#include "scene/segment_store.h"
#include "view/graphics_window.h"
#include "view/view_navigation.h"
#include "view/views.h"

const char DF_HEADER[] = "Vorq Display File, created by Vorq QOBS 11.1596 2003/08/06.\n";
constexpr size_t DF_HEADER_COMPARED = 40;
constexpr uint32_t DF_EARLIEST_TIME = 1046188613;
constexpr int64_t DF_FUTURE_SLACK = 7200;  // seconds a file may seem to come from the future
constexpr int DF_LEVELS = 10;

// ------------------------------------------------------------ number codes

size_t df_encode_int(int32_t v, char* out) {
  uint32_t m = v < 0 ? 0u - uint32_t(v) : uint32_t(v);
  size_t n = 0;
  if (m > 0x0FFFFFFF) out[n++] = char(0x40 | (m >> 28));
  if (m > 0x3FFFFF) out[n++] = char(0x40 | ((m >> 22) & 0x3F));
  if (m > 0xFFFF) out[n++] = char(0x40 | ((m >> 16) & 0x3F));
  if (m >= 1024) out[n++] = char(0x40 | ((m >> 10) & 0x3F));
  if (m > 15) out[n++] = char(0x40 | ((m >> 4) & 0x3F));
  out[n++] = char((m & 0xF) | (v >= 0 ? 0x30 : 0x20));
  return n;
}

// A normalised magnitude in [2^30, 2^31) and its exponent: the same result
// as scaling by whole steps of 2^30 and single doublings, since every step
// is exact above the smallest normal number.
void df_float_parts(float v, int32_t* mantissa, int32_t* exponent) {
  float a = std::fabs(v);
  if (std::isnan(v) || a <= 1.1754944e-38f) {
    *mantissa = 0, *exponent = 0;
  } else if (a >= 3.4028235e38f) {
    *mantissa = v < 0 ? -1 : 1, *exponent = 128;
  } else {
    int e;
    float f = std::frexp(a, &e);  // a = f × 2^e, f in [0.5, 1)
    int32_t m = int32_t(std::ldexp(f, 31));
    *mantissa = v < 0 ? -m : m;
    *exponent = e - 31;
  }
}

void df_double_parts(double v, int32_t* mantissa, int32_t* exponent) {
  double a = std::fabs(v);
  if (std::isnan(v) || a <= 2.2250738585072014e-308) {
    *mantissa = 0, *exponent = 0;
  } else if (a >= 1.7976931348623157e308) {
    *mantissa = v < 0 ? -1 : 1, *exponent = 1024;
  } else {
    int e;
    double s = std::ldexp(std::frexp(a, &e), 31);  // in [2^30, 2^31)
    e -= 31;
    if (s >= 2147483647.0) s /= 2, ++e;
    int32_t m = int32_t(s + 0.5);
    *mantissa = v < 0 ? -m : m;
    *exponent = e;
  }
}

// ------------------------------------------------------------ writer

write_df::~write_df() {
  if (stream != nullptr) close();
}

bool write_df::open(const char* name, int32_t stamp) {
  if (stream != nullptr) return true;
  if (int e = atomic_file_open(&file, name)) {
    fprintf(stderr, "Error - write_df failed to open '%s' - %s.\n", name, strerror(e));
    return true;
  }
  stream = file.stream;
  atomic = true;
  error = 0;
  used = 0;
  put_header(stamp);
  return false;
}

bool write_df::set_stream(FILE* s, int32_t stamp) {
  if (s == nullptr || stream != nullptr) return true;
  stream = s;
  atomic = false;
  error = 0;
  used = 0;
  put_header(stamp);
  return false;
}

void write_df::put_header(int32_t stamp) {
  for (const char* p = DF_HEADER; *p != '\0'; ++p) put_char(*p);
  put_int(0);
  uint32_t now = uint32_t(time(nullptr));
  put_uint(now);
  put_int(int32_t(uint32_t(stamp) ^ now));
}

void write_df::flush() {
  if (used != 0 && error == 0 && fwrite(buffer, 1, used, stream) != used) error = errno != 0 ? errno : EIO;
  used = 0;
}

void write_df::put_int(int32_t v) {
  if (sizeof buffer - used < 8) flush();
  used += df_encode_int(v, buffer + used);
}

void write_df::put_uint(uint32_t v) {
  if (v <= 0x7FFFFFFF) return put_int(int32_t(v));
  // The top group carries bits 28..31 and the sign character stays positive.
  if (sizeof buffer - used < 8) flush();
  char* o = buffer + used;
  o[0] = char(0x40 | (v >> 28));
  o[1] = char(0x40 | ((v >> 22) & 0x3F));
  o[2] = char(0x40 | ((v >> 16) & 0x3F));
  o[3] = char(0x40 | ((v >> 10) & 0x3F));
  o[4] = char(0x40 | ((v >> 4) & 0x3F));
  o[5] = char((v & 0xF) | 0x30);
  used += 6;
}

void write_df::put_float(float v) {
  int32_t m, e;
  df_float_parts(v, &m, &e);
  put_int(m);
  put_int(e);
}

void write_df::put_double(double v) {
  int32_t m, e;
  df_double_parts(v, &m, &e);
  put_int(m);
  put_int(e);
}

void write_df::put_string(const char* s) {
  size_t n = s != nullptr ? strlen(s) : 0;
  put_int(int32_t(n));
  for (size_t i = 0; i < n; ++i) put_char(s[i]);
}

void write_df::put_int_array(const int32_t* a, uint32_t n) {
  put_int(int32_t(n));
  for (uint32_t i = 0; i < n; ++i) put_int(a[i]);
}

void write_df::put_uint_array(const uint32_t* a, uint32_t n) {
  put_int(int32_t(n));
  for (uint32_t i = 0; i < n; ++i) put_int(int32_t(a[i]));
}

void write_df::put_float_array(const float* a, uint32_t n) {
  put_int(int32_t(n));
  for (uint32_t i = 0; i < n; ++i) put_float(a[i]);
}

// Thousandths, rounded half away from zero, held within 32 bits; the
// differences wrap in 32 bits and the reader's sums wrap back.
static int32_t thousandths(float v) {
  double t = std::round(double(v) / 0.001);
  if (!(t == t)) return 0;
  if (t > 2147483647.0) return 2147483647;
  if (t < -2147483647.0) return -2147483647;
  return int32_t(t);
}

void write_df::put_xyz_plus_array(const float* xyz, uint32_t n) {
  put_int(int32_t(n));
  int32_t last[3] = {0, 0, 0};
  for (uint64_t i = 0; i < 3 * uint64_t(n); i += 3)
    for (int k = 0; k < 3; ++k) {
      int32_t q = thousandths(xyz[i + k]);
      put_int(int32_t(uint32_t(q) - uint32_t(last[k])));
      last[k] = q;
    }
}

bool write_df::close() {
  if (stream == nullptr) return false;
  put_int(DF_END);
  end();
  flush();
  int e = error;
  if (atomic) {
    if (e != 0) {
      atomic_file_abandon(&file);
    } else {
      e = atomic_file_commit(&file);
    }
  } else {
    if (fflush(stream) != 0 && e == 0) e = errno != 0 ? errno : EIO;
    if (fclose(stream) != 0 && e == 0) e = errno != 0 ? errno : EIO;
  }
  stream = nullptr;
  if (e == 0) return false;
  fprintf(stderr, "Error - write_df failed - %s.\n", strerror(e));
  return true;
}

// ------------------------------------------------------------ saving

static uint32_t option_bits() {
  const DisplayOptions* o = get_display_options();
  uint32_t bits = 0;
  if (o->get_enable_reflection()) bits |= DF_REFLECTIONS;
  if (o->get_reflection_type() != 1) bits |= DF_REFLECTION_NOT_1;
  if (o->get_reflection_type() == 3) bits |= DF_REFLECTION_3;
  if (o->get_enable_transparency()) bits |= DF_TRANSPARENCY;
  if (o->get_enable_textures()) bits |= DF_TEXTURES;
  if (o->get_use_two_sided_lighting()) bits |= DF_TWO_SIDED;
  if (o->get_self_shadows()) bits |= DF_SELF_SHADOWS;
  if (o->get_display_soft_shadows()) bits |= DF_SOFT_SHADOWS;
  if (o->get_update_shadow_maps()) bits |= DF_SHADOW_MAPS;
  if (o->get_display_lens_flares()) bits |= DF_LENS_FLARES_SHOWN;
  return bits;
}

static void save_colormap(write_df* out) {
  out->begin(DF_COLORMAP);
  for (unsigned i = 0; i < PALETTE_SIZE - 1; ++i) {
    float r = 0, g = 0, b = 0;
    if (color_palette_exists()) get_colormap_entry(i, &r, &g, &b);
    out->put_float(r), out->put_float(g), out->put_float(b);
  }
  out->end();
}

static void save_fog(write_df* out) {
  const fog_settings* f = get_fog();
  out->begin(DF_FOG);
  for (float c : f->color) out->put_float(c);
  out->put_float(f->distance);
  out->put_float(f->density);
  out->put_int(f->ground);
  out->put_float(f->height);
  float vertex[3] = {}, normal[3] = {};  // a side outside 0 to 5 has none: zeros
  if (f->side < ENVIRONMENT_SIDES) {
    compute_environment_vertices();
    const float* first = get_environment_vertex(int(f->side), 0);
    for (int k = 0; k < 3; ++k) vertex[k] = first[k];
    get_environment_side_normal(int(f->side), &normal[0], &normal[1], &normal[2]);
  }
  for (float v : vertex) out->put_float(v);
  for (float v : normal) out->put_float(v);
  out->end();
}

static void save_view(write_df* out) {
  int n = get_current_view_number();
  view_type* view = get_view_record(n);
  if (get_graphics_context() != nullptr) {
    make_graphics_context_active();
    compute_view_camera(n, false, false, nullptr);
  }
  double model[16];
  get_model_matrix(model);
  float projection[16] = {};
  if (get_graphics_context() != nullptr) glGetFloatv(GL_PROJECTION_MATRIX, projection);
  out->begin(DF_VIEWING_MATRICES);
  for (double v : model) out->put_float(float(v));
  for (float v : projection) out->put_float(v);
  out->end();

  out->begin(DF_VIEWING_VOLUME);
  out->put_int(view != nullptr && view->perspective);
  for (int k = 0; k < 6; ++k) out->put_double(view != nullptr ? view->frustum[k] : 0);
  out->end();

  float v[9];
  get_translate(&v[0], &v[1], &v[2]);
  get_vup(&v[3], &v[4], &v[5]);
  get_vpn(&v[6], &v[7], &v[8]);
  out->begin(DF_VIEW);
  for (float c : v) out->put_float(c);
  out->put_float(get_focus());
  out->put_float(get_zoom_x());
  out->put_float(get_zoom_y());
  out->put_int(get_projection());
  out->end();
}

static void save_segment(write_df* out, const bsegment* s, bool all_levels) {
  for (const GEOMObject* p = s->first_line; p != nullptr && p != s->first_marker; p = p->next)
    p->write_ldf(out, &s->attributes, 1, 1e-6f);
  if (!(s->flags & SEG_HAS_FACETS)) return;
  for (int level = 0; level < (all_levels ? DF_LEVELS : 1); ++level)
    if (s->facet_tree[level] != nullptr)
      s->facet_tree[level]->write_ldf(out, &s->attributes, uint8_t(level + 1), s->facet_size[level]);
}

int save_df(write_df* out, bool all_levels) {
  if (get_segment_balances()->segments == 0) return -1;
  out->put_int(int32_t(option_bits()));
  save_colormap(out);
  if (get_fog()->enable) save_fog(out);
  bool depth_of_field;
  float aperture, focus;
  get_depth_of_field(&depth_of_field, &aperture, &focus);
  if (depth_of_field) {
    out->begin(DF_DEPTH_OF_FIELD);
    out->put_float(aperture);
    out->put_float(focus);
    out->end();
  }
  save_lens_flares(out);
  save_view(out);
  save_materials_to_df(out);
  save_lights(out);
  save_environment(out);
  out->begin(DF_MIRROR_SWITCH);
  out->put_int(int32_t(get_mirror_display()));
  out->end();
  for (unsigned long n = 1; n <= segment_number_bound(); ++n) {
    const bsegment* s = get_segment(n);
    if (s != nullptr && (s->flags & SEG_VISIBLE) && (s->flags & (SEG_HAS_LINES | SEG_HAS_FACETS)))
      save_segment(out, s, all_levels);
  }
  return out->close() ? -2 : 0;
}

// ------------------------------------------------------------ reader

namespace {

// The input with one buffer, a record's state and its messages. `bad` is set
// by any field that was cut, malformed or refused; the record is then skipped.
struct df_input {
  FILE* stream = nullptr;
  unsigned char buffer[1 << 16];
  size_t position = 0, length = 0;
  bool at_end = false;
  bool bad = false;
  unsigned long record = 0;

  int peek() {
    if (position == length && !refill()) return -1;
    return buffer[position];
  }
  int next() {
    int c = peek();
    if (c >= 0) ++position;
    return c;
  }
  bool refill() {
    if (at_end) return false;
    length = fread(buffer, 1, sizeof buffer, stream);
    position = 0;
    if (length == 0) at_end = true;
    return length != 0;
  }
  // Through the next line feed; false at end of file.
  bool skip_line() {
    for (;;) {
      if (position == length && !refill()) return false;
      const void* lf = memchr(buffer + position, '\n', length - position);
      if (lf != nullptr) {
        position = size_t(static_cast<const unsigned char*>(lf) - buffer) + 1;
        return true;
      }
      position = length;
    }
  }

  // At most five 6-bit groups before the last character; a character below
  // 0x20 (a line feed, the end) is left for the line skip and gives −1.
  int32_t get_int() {
    uint32_t v = 0;
    int groups = 0;
    for (;;) {
      if (position == length && !refill()) return fail();
      int c = buffer[position];
      if (c < 0x20) return fail();
      ++position;
      if (c >= 0x40) {
        if (++groups > 5) bad = true;
        v = v * 64 + uint32_t(c & 0x3F);
        continue;
      }
      v = v * 16 + uint32_t(c & 0xF);
      return int32_t(c & 0x10 ? v : 0u - v);
    }
  }
  int32_t fail() {
    bad = true;
    return -1;
  }
  bool get_bool() {
    int32_t v = get_int();
    if (v != 0 && v != 1) bad = true;
    return v == 1;
  }
  double get_real() {
    int32_t m = get_int(), e = get_int();
    return std::ldexp(double(m), e < -2100 ? -2100 : (e > 2100 ? 2100 : e));
  }
  float get_float() { return float(get_real()); }
  double get_double() { return get_real(); }
  // A new string, null for a negative length (and for a bad one).
  char* get_string() {
    int32_t n = get_int();
    if (n < 0 || bad) return nullptr;
    uint32_t capacity = 64;
    char* s = static_cast<char*>(CheckedMalloc(capacity));
    for (int32_t i = 0; i < n; ++i) {
      int c = next();
      if (c < 0) {
        bad = true;
        CheckedFree(s);
        return nullptr;
      }
      if (uint32_t(i) + 1 >= capacity) s = static_cast<char*>(CheckedRealloc(s, capacity *= 2));
      s[i] = char(c);
    }
    s[n] = '\0';
    return s;
  }
  // n elements of `read`, into an array grown as they arrive, so that no
  // count allocates beyond the bytes read; null for a count of 0 or less.
  template <typename T, typename F>
  T* get_array(uint32_t* count, unsigned per_element, F read) {
    *count = 0;
    int32_t n = get_int();
    if (n <= 0 || bad) return nullptr;
    uint64_t total = uint64_t(n) * per_element;
    uint64_t capacity = total < 1024 ? total : 1024;
    T* a = static_cast<T*>(CheckedMalloc(sizeof(T) * capacity));
    for (uint64_t i = 0; i < total && !bad; ++i) {
      if (i == capacity) {
        capacity = capacity * 2 < total ? capacity * 2 : total;
        a = static_cast<T*>(CheckedRealloc(a, sizeof(T) * capacity));
      }
      a[i] = read(i);
    }
    if (bad) {
      CheckedFree(a);
      return nullptr;
    }
    *count = uint32_t(n);
    return a;
  }
  float* get_float_array(uint32_t* n) {
    return get_array<float>(n, 1, [this](uint64_t) { return get_float(); });
  }
  uint32_t* get_index_array(uint32_t* n) {
    return get_array<uint32_t>(n, 1, [this](uint64_t) { return uint32_t(get_int()); });
  }
  float* get_xyz_plus_array(uint32_t* n) {
    uint32_t sum[3] = {0, 0, 0};
    return get_array<float>(n, 3, [this, &sum](uint64_t i) {
      uint32_t& s = sum[i % 3];
      s += uint32_t(get_int());
      return float(double(int32_t(s)) * 0.001);
    });
  }
};

void free_blocks(std::initializer_list<void*> blocks) {
  for (void* b : blocks)
    if (b != nullptr) CheckedFree(b);
}

bool finite_all(const float* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

// ---- shells and poly-lines

GLenum clamp_wrap() {
  static GLenum mode = 0;
  if (mode == 0) {
    bool border = false;
    if (XGLContext::current_context != nullptr)
      border = get_gl_version(1, 3) || get_gl_extension("GL_SGIS_texture_border_clamp") ||
               get_gl_extension("GL_ARB_texture_border_clamp");
    mode = border ? 0x812D : 0x2900;  // GL_CLAMP_TO_BORDER, else GL_CLAMP
  }
  return mode;
}

// Closes the open segment and opens the next one by number.
void next_segment() {
  unsigned long n = open_segment_number();
  if (n != 0) close_segment();
  if (n >= MAX_SEGMENT_NUMBER) n = 0;
  move_beam(0, 0, 0);
  create_segment(n + 1);
}

// A level-1 shell opens a new segment; any other joins the open one, once per level.
bool level_free(int32_t level) {
  if (level == 1) return true;
  const bsegment* s = open_segment_number() != 0 ? get_segment(open_segment_number()) : nullptr;
  return s != nullptr && level >= 1 && level <= DF_LEVELS && s->facet_tree[level - 1] == nullptr;
}

bool process_df_geomshell(df_input* in) {
  int32_t material = in->get_int();
  int32_t level = in->get_int();
  float facet_size = in->get_float();
  uint32_t n = 0, nn = 0, nc = 0, nt = 0, ni = 0;
  float* points = in->get_xyz_plus_array(&n);
  float* normals = in->get_xyz_plus_array(&nn);
  float* colours = in->get_float_array(&nc);
  float* texture = in->get_float_array(&nt);
  uint32_t* indices = in->get_index_array(&ni);
  bool repeat[2] = {in->get_bool(), in->get_bool()};
  float values[5];  // translation s, t, scale s, t, rotation
  for (float& v : values) v = in->get_float();
  // Material 1 is every segment's default, present or not.
  bool good = !in->bad && level >= 1 && level <= DF_LEVELS && (material == 1 || (material > 1 && material <= 0xFFFF && material_exists(uint16_t(material)))) && n >= 3 && (nn == 0 || nn == n) &&
              (nc == 0 || nc == 3 * uint64_t(n)) && (nt == 0 || nt == 2 * uint64_t(n)) &&
              level_free(level) && finite_all(values, 5) && values[2] != 0 &&
              values[3] != 0 && std::isfinite(facet_size) && indices != nullptr &&
              check_index_array(indices, ni, n) == nullptr;
  if (!good) {
    free_blocks({points, normals, colours, texture, indices});
    return false;
  }
  if (level == 1) next_segment();
  set_segment_lod(uint8_t(level));
  set_segment_facet_size(facet_size);
  set_segment_material_index(uint16_t(material));
  int wrap[2];
  for (int k = 0; k < 2; ++k) wrap[k] = repeat[k] ? GL_REPEAT : int(clamp_wrap());
  set_texture_parameters(wrap, values, values + 2, values[4]);
  fill_colored_facet_tree(n, reinterpret_cast<vector_type*>(points), reinterpret_cast<vector_type*>(normals),
                          colours, ni, indices, texture);
  return true;
}

bool process_df_geompolyline(df_input* in) {
  uint32_t n = 0;
  float* points = in->get_float_array(&n);
  int32_t colour = in->get_int(), width = in->get_int(), stipple = in->get_int();
  bool good = !in->bad && n >= 6 && n % 3 == 0 && finite_all(points, int(n)) && colour >= 0 &&
              colour < int32_t(PALETTE_SIZE) - 1 && width >= 1 && width <= 16 && stipple >= 0 && stipple <= 9;
  if (!good) {
    free_blocks({points});
    return false;
  }
  next_segment();
  change_line_color(int16_t(colour));
  change_line_weight(uint16_t(width));
  change_line_style(stipple != 0, uint16_t(stipple));
  move_beam(points[0], points[1], points[2]);
  insert_lines(n / 3 - 1, points + 3);
  renew_line_notices();
  set_geometry_update();
  CheckedFree(points);
  return true;
}

// ---- lights

enum light_record { AMBIENT, BEAM, POINT, SPOT };

bool process_df_light(df_input* in, light_record kind) {
  float intensity = in->get_float();
  bool emitting = in->get_bool();
  float colour[4];
  for (float& c : colour) c = in->get_float();
  float position[4] = {0, 0, 0, kind == BEAM ? 0.0f : 1.0f}, direction[3] = {0, 0, -1};
  float cone = 360, exponent = 0, softness = 1, attenuation[3] = {1, 0, 0};
  int32_t shadows = 1;
  bool flares = false;
  if (kind != AMBIENT) {
    for (int k = 0; k < 3; ++k) position[k] = in->get_float();
    if (kind == SPOT) {
      for (float& d : direction) d = in->get_float();
      cone = in->get_float();
      exponent = in->get_float();
    }
    shadows = in->get_int();
    softness = in->get_float();
    if (kind != BEAM) {
      flares = in->get_bool();
      for (float& a : attenuation) a = in->get_float();
    }
  }
  float all[] = {intensity, colour[0], colour[1], colour[2], colour[3], position[0], position[1], position[2],
                 direction[0], direction[1], direction[2], cone, exponent, softness,
                 attenuation[0], attenuation[1], attenuation[2]};
  bool good = !in->bad && finite_all(all, int(sizeof all / sizeof *all)) && shadows >= 1 && shadows <= 3 &&
              (kind != SPOT || (cone >= 0 && cone <= 180 && exponent >= 0 && exponent <= 128));
  if (!good) return false;
  int name;
  if (!get_first_inactive_light(&name)) return true;  // no free slot: ignored
  const float black[4] = {0, 0, 0, 1};
  set_light_on(name, true);
  set_light_point_light(name);
  if (kind == AMBIENT) {
    set_light_ambient_color(name, colour);
    set_light_diffuse_color(name, black);
    set_light_specular_color(name, black);
    set_light_cast_shadows(name, false);
  } else {
    set_light_ambient_color(name, black);
    set_light_diffuse_color(name, colour);
    set_light_specular_color(name, colour);
    set_light_cast_shadows(name, shadows != 1);
    set_light_soft_shadows(name, shadows == 2);
    set_light_shadow_softness(name, softness);
  }
  set_light_position(name, position);
  set_light_emitting(name, emitting);
  set_light_intensity(name, intensity);
  set_light_lens_flares(name, kind == POINT || kind == SPOT ? flares : false);
  if (kind == SPOT) {
    set_light_spot_direction(name, direction);
    set_light_spot_exponent(name, unsigned(exponent));
    set_light_spot_cutoff(name, cone / 2);
  }
  if (kind == POINT || kind == SPOT) {
    set_light_constant_attenuation(name, attenuation[0]);
    set_light_linear_attenuation(name, attenuation[1]);
    set_light_quadratic_attenuation(name, attenuation[2]);
  }
  return true;
}

// ---- materials

// The part after the last '/' or '\\', the whole name without either.
const char* after_directory(const char* path) {
  if (path == nullptr) return nullptr;
  const char* slash = strrchr(path, '/');
  const char* back = strrchr(path, '\\');
  const char* cut = slash > back ? slash : back;
  return cut != nullptr ? cut + 1 : path;
}

// The part after the last '/' or '\\'; null (no texture) without either.
char* file_part(char* path) {
  if (path == nullptr) return nullptr;
  const char* name = after_directory(path);
  char* kept = name != path && name[0] != '\0' ? dup_chars(name) : nullptr;
  CheckedFree(path);
  return kept;
}

bool get_material(df_input* in, material_attributes* a) {
  a->integer_a = uint32_t(in->get_int());
  float* floats[] = {a->ambient, a->diffuse, a->specular, a->emission};
  for (float* f : floats)
    for (int k = 0; k < 4; ++k) f[k] = in->get_float();
  a->shininess = in->get_float();
  a->flag_a = in->get_bool();
  a->texture_on = in->get_bool();
  a->flag_b = in->get_bool();
  a->flag_c = in->get_bool();
  a->texture_mode = uint32_t(in->get_int());
  a->value_a = in->get_float();
  a->value_b = in->get_float();
  a->reflection = in->get_float();
  a->transparency = in->get_float();
  a->flag_d = in->get_bool();
  a->value_c = in->get_float();
  a->integer_b = uint32_t(in->get_int());
  a->casts_shadows = in->get_bool();
  a->flag_e = in->get_bool();
  a->texture_file = file_part(in->get_string());
  a->second_file = file_part(in->get_string());
  a->third_file = file_part(in->get_string());
  float checked[] = {a->shininess, a->value_a, a->value_b, a->reflection, a->transparency, a->value_c};
  return !in->bad && finite_all(checked, 6) && a->shininess >= 0 && a->shininess <= 128 && a->reflection >= 0 &&
         a->reflection <= 1 && a->transparency >= 0 && a->transparency <= 1 &&
         finite_all(a->ambient, 4) && finite_all(a->diffuse, 4) && finite_all(a->specular, 4) &&
         finite_all(a->emission, 4);
}

void preset_df_materials(uint16_t) {}

// Every material is read before any is defined, so a bad one leaves none.
bool process_df_material(df_input* in) {
  uint16_t count = uint16_t(in->get_int());
  if (in->bad) return false;
  preset_df_materials(count);
  table read;
  table_create(&read, sizeof(material_attributes), 4);
  bool good = true;
  for (uint16_t i = 0; i < count && good; ++i) {
    if (read.length + 1 >= read.capacity) table_expand(&read, 1);
    material_attributes* a = new (read.as<material_attributes>() + read.length) material_attributes();
    ++read.length;
    good = get_material(in, a);
  }
  good = good && uint32_t(get_material_count()) + read.length <= 0xFFFF;
  for (uint32_t i = 0; i < read.length; ++i) {
    material_attributes* a = read.as<material_attributes>() + i;
    if (good) {
      uint16_t number = uint16_t(get_material_count() + 1);
      char name[32];
      snprintf(name, sizeof name, "Material%d\n", int(number));
      a->name = dup_chars(name);
      set_material(number, a);
    } else {
      free_material_attributes(a);
    }
  }
  table_delete(&read);
  return good;
}

// ---- the rest

bool process_df_view(df_input* in) {
  float v[12];
  for (float& c : v) c = in->get_float();
  int32_t projection = in->get_int();
  // Within a range where the camera's vectors neither overflow nor vanish
  // when squared in single precision.
  auto length = [](const float* a) {
    return std::sqrt(double(a[0]) * a[0] + double(a[1]) * a[1] + double(a[2]) * a[2]);
  };
  bool bounded = true;
  for (float c : v) bounded &= std::fabs(c) <= 1e7f;
  bool good = !in->bad && finite_all(v, 12) && bounded && length(v + 6) >= 1e-3 && length(v + 3) >= 1e-3 &&
              v[9] >= 1e-6f && v[10] >= 1e-6f && v[11] >= 1e-6f && (projection == 0 || projection == 1);
  if (!good) return false;
  set_vpn(v[6], v[7], v[8]);
  set_translate(v[0], v[1], v[2]);
  set_vup(v[3], v[4], v[5]);
  set_focus(v[9]);
  DisplayOptions* o = get_display_options();
  o->set_rotation_about_model_centre(false);
  o->set_rotation_origin(v[0], v[1], v[2]);
  set_projection(projection == 1);
  set_zoom_x(v[10]);
  set_zoom_y(v[11]);
  return true;
}

bool process_df_colormap(df_input* in) {
  float c[3 * (PALETTE_SIZE - 1)];
  for (float& v : c) v = in->get_float();
  if (in->bad) return false;
  for (float v : c)
    if (!(v >= 0 && v <= 1)) return false;
  for (unsigned i = 0; i < PALETTE_SIZE - 1; ++i) set_colormap_entry(i, c[3 * i], c[3 * i + 1], c[3 * i + 2]);
  return true;
}

bool process_df_mirror_switch(df_input* in) {
  int32_t mode = in->get_int();
  if (in->bad || mode < 0 || mode > 2) return false;
  set_mirror_display(uint32_t(mode));
  return true;
}

// Fields read and checked, nothing kept.
bool skip_floats(df_input* in, int n) {
  for (int i = 0; i < n; ++i) in->get_float();
  return !in->bad;
}

bool process_df_viewingmatrices(df_input* in) { return skip_floats(in, 32); }

bool process_df_viewingvolume(df_input* in) {
  in->get_int();
  for (int i = 0; i < 6; ++i) in->get_double();
  return !in->bad;
}

bool process_df_depth_of_field(df_input* in) { return skip_floats(in, 2); }

bool process_df_fog(df_input* in) {
  skip_floats(in, 5);
  in->get_bool();
  return skip_floats(in, 7);
}

// Side texture and reflection image names lose their directory part; the
// corner points are not used. The box is on when a side is present; absent
// sides take the initial values.
bool process_df_environment(df_input* in) {
  bool present[ENVIRONMENT_SIDES] = {}, lit[ENVIRONMENT_SIDES] = {}, shadows[ENVIRONMENT_SIDES] = {};
  float reflection[ENVIRONMENT_SIDES] = {}, repeat[2 * ENVIRONMENT_SIDES], corners[12];
  char* names[ENVIRONMENT_SIDES] = {};
  bool good = true, any = false;
  for (float& r : repeat) r = 1;
  for (int side = 0; side < ENVIRONMENT_SIDES && !in->bad; ++side) {
    present[side] = in->get_bool();
    if (!present[side]) continue;
    any = true;
    names[side] = in->get_string();
    for (float& c : corners) c = in->get_float();
    lit[side] = in->get_bool();
    shadows[side] = in->get_bool();
    repeat[2 * side] = in->get_float();
    repeat[2 * side + 1] = in->get_float();
    reflection[side] = in->get_float();
    good = good && finite_all(corners, 12) && finite_all(repeat + 2 * side, 2) && finite_all(reflection + side, 1);
  }
  float place[6];  // position, then size
  for (float& p : place) p = in->get_float();
  int32_t angles[3];
  for (int32_t& a : angles) a = in->get_int();
  bool cull = in->get_bool();
  char* reflection_file = in->get_string();
  good = good && !in->bad && finite_all(place, 6);
  if (good) {
    const char* files[ENVIRONMENT_SIDES];
    for (int side = 0; side < ENVIRONMENT_SIDES; ++side) files[side] = after_directory(names[side]);
    set_rotate_reflection(angles[0], angles[1], angles[2]);
    set_environment(any, present, place, place + 3, reflection, lit, shadows, repeat, files, cull);
    get_display_options()->set_reflection_texture(after_directory(reflection_file));
  }
  for (char* name : names)
    if (name != nullptr) CheckedFree(name);
  if (reflection_file != nullptr) CheckedFree(reflection_file);
  return good;
}

bool process_df_lens_flares(df_input* in) {
  int32_t type = in->get_int();
  bool visible = in->get_bool(), hidden = in->get_bool();
  if (in->bad || type < 1 || type > int32_t(LENS_FLARE_TYPES)) return false;
  set_lens_flares(unsigned(type), visible, hidden);
  return true;
}

enum record_result { RECORD_DONE, RECORD_GEOMETRY, RECORD_BAD, RECORD_UNKNOWN };

record_result read_record(df_input* in, int32_t token) {
  switch (token) {
    case DF_GEOMSHELL: return process_df_geomshell(in) ? RECORD_GEOMETRY : RECORD_BAD;
    case DF_POLYLINE: return process_df_geompolyline(in) ? RECORD_GEOMETRY : RECORD_BAD;
    case DF_VIEWING_MATRICES: return process_df_viewingmatrices(in) ? RECORD_DONE : RECORD_BAD;
    case DF_VIEWING_VOLUME: return process_df_viewingvolume(in) ? RECORD_DONE : RECORD_BAD;
    case DF_AMBIENT_LIGHT: return process_df_light(in, AMBIENT) ? RECORD_DONE : RECORD_BAD;
    case DF_BEAM_LIGHT: return process_df_light(in, BEAM) ? RECORD_DONE : RECORD_BAD;
    case DF_POINT_LIGHT: return process_df_light(in, POINT) ? RECORD_DONE : RECORD_BAD;
    case DF_SPOT_LIGHT: return process_df_light(in, SPOT) ? RECORD_DONE : RECORD_BAD;
    case DF_ENVIRONMENT: return process_df_environment(in) ? RECORD_DONE : RECORD_BAD;
    case DF_MATERIALS: return process_df_material(in) ? RECORD_DONE : RECORD_BAD;
    case DF_MIRROR_SWITCH: return process_df_mirror_switch(in) ? RECORD_DONE : RECORD_BAD;
    case DF_COLORMAP: return process_df_colormap(in) ? RECORD_DONE : RECORD_BAD;
    case DF_DEPTH_OF_FIELD: return process_df_depth_of_field(in) ? RECORD_DONE : RECORD_BAD;
    case DF_LENS_FLARES: return process_df_lens_flares(in) ? RECORD_DONE : RECORD_BAD;
    case DF_FOG: return process_df_fog(in) ? RECORD_DONE : RECORD_BAD;
    case DF_VIEW: return process_df_view(in) ? RECORD_DONE : RECORD_BAD;
    default: return RECORD_UNKNOWN;
  }
}

// The header line: up to its line feed, at most 79 characters kept.
bool read_header_line(df_input* in) {
  char line[80];
  size_t n = 0;
  for (;;) {
    int c = in->next();
    if (c < 0) break;
    if (n < sizeof line - 1) line[n++] = char(c);
    if (c == '\n' || n == sizeof line - 1) break;
  }
  return n >= DF_HEADER_COMPARED && memcmp(line, DF_HEADER, DF_HEADER_COMPARED) == 0;
}

int read_from(df_input* in, int32_t* stamp, int32_t* options) {
  if (!read_header_line(in)) return -5;
  in->bad = false;
  int32_t version = in->get_int();
  if (in->bad || version < 0) return -5;
  if (version > 10) return -6;
  uint32_t created = uint32_t(in->get_int());
  int64_t now = int64_t(time(nullptr));
  if (in->bad || created < DF_EARLIEST_TIME || int64_t(created) > now + DF_FUTURE_SLACK) return -7;
  int32_t stamp_word = in->get_int();
  int32_t option_word = in->get_int();
  *stamp = int32_t(uint32_t(stamp_word) ^ created);
  *options = option_word;
  bool geometry = false;
  for (in->record = 1;; ++in->record) {
    if (in->peek() < 0) {
      fprintf(stderr, "Error - read_df: Unexpected EOF encountered at line %lu.\n", in->record);
      break;
    }
    in->bad = false;
    int32_t token = in->get_int();
    if (token == DF_END && !in->bad) break;
    record_result r = in->bad ? RECORD_BAD : read_record(in, token);
    if (r == RECORD_UNKNOWN)
      fprintf(stderr, "Error - read_df: unknown token %d skipped in line %lu.\n", int(token), in->record);
    else if (r == RECORD_BAD)
      fprintf(stderr, "Error - read_df: bad record %d skipped in line %lu.\n", int(token), in->record);
    geometry |= r == RECORD_GEOMETRY;
    if (!in->skip_line()) {
      fprintf(stderr, "Error - read_df: Unexpected EOF encountered at line %lu.\n", in->record);
      break;
    }
  }
  return geometry ? 0 : -3;
}

}  // namespace

void clear_df_scene() {
  if (open_segment_number() != 0) close_segment();
  delete_all_segments();
  cleanup_material_list();
  init_material_list();
  cleanup_lights();
  init_lights();
  set_entity(1, 1);
  set_level_name(1, "DF file");
}

int read_df_stream(FILE* stream, int32_t* stamp, int32_t* options) {
  df_input* in = new df_input;
  in->stream = stream;
  int result = read_from(in, stamp, options);
  delete in;
  return result;
}

int read_df(const char* name, int32_t* stamp, int32_t* options) {
  FILE* stream = stdin;
  if (name != nullptr) {
    stream = fopen(name, "rb");
    if (stream == nullptr) return -1;
  } else if (feof(stdin)) {
    return -2;
  }
  int result = read_df_stream(stream, stamp, options);
  if (name != nullptr) fclose(stream);
  return result;
}
