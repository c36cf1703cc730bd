#include "link/scene_commands.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "link/si.h"
#include "link/tek_parser.h"
#include "platform/posix_services.h"
#include "runtime/predefined.h"
#include "scene/geom_shell.h"
#include "scene/materials.h"
#include "scene/scene_graph.h"
#include "scene/segment_store.h"

namespace {

constexpr long MAX_SEGMENT = 33554431;
constexpr long MAX_POINTS = 11184810;  // 3 × n integers stay below 2^25

// Slots of the command's held blocks (slot 0 belongs to string parameters).
enum { HOLD_POINTS = 1, HOLD_NORMALS = 2, HOLD_EXTRA = 3, HOLD_INDICES = 4, HOLD_TEXTURE = 5, HOLD_CHECK = 6 };

template <typename T>
T* held_array(int slot, unsigned long n) {
  size_t size = sizeof(T) * (n > 0 ? n : 1);
  T* a = static_cast<T*>(CheckedMalloc(size));
  advise_large_block(a, size);  // the arrays are written in full as they are read
  hold_command_block(slot, a);
  return a;
}

void fail(const char* message) { fatal_application_error(message); }

// Integers are read in blocks of this many, straight from the input buffer.
constexpr unsigned long READ_BLOCK = 768;

// Delta-coded lists send each element as the difference to the one before;
// 11184810 differences below 2^31 each stay far inside 64 bits. The points'
// box is grown on the way when `box` is given, saving a pass over them.
// Whole triples straight from the buffer: the position after the triple at
// p, or null when it is cut by the buffer's end or malformed.
inline const unsigned char* scan_triple(const unsigned char* p, const unsigned char* end, long d[3]) {
  for (int k = 0; k < 3 && p != nullptr; ++k) p = scan_buffered_integer(p, end, &d[k]);
  return p;
}

// Triples summed as they are decoded, `take(i, d)` for triple i, while they
// lie whole in the buffer; a triple cut by the buffer's end or malformed goes
// to the one-at-a-time reader, which refills or reports. `take` sees the read
// position just after its triple when it fails.
template <typename Take>
void read_triples(unsigned long n, Take take) {
  for (unsigned long i = 0; i < n;) {
    const unsigned char *p, *end;
    buffered_bytes(&p, &end);
    long d[3];
    for (const unsigned char* q; i < n && (q = scan_triple(p, end, d)) != nullptr; ++i) {
      p = q;
      take(i, d, p);
    }
    set_read_position(p);
    if (i == n) break;
    assemble_integer_parameters(d, 3);
    take(i++, d, nullptr);
  }
}

// Delta-coded lists send each element as the difference to the one before;
// 11184810 differences below 2^31 each stay far inside 64 bits. The points'
// box is grown on the way when `box` is given, saving a pass over them.
vector_type* read_delta_points(unsigned long n, int slot, PointBox* box = nullptr) {
  vector_type* points = held_array<vector_type>(slot, n);
  long long sum[3] = {0, 0, 0};
  PointBox grown;
  read_triples(n, [&](unsigned long i, const long d[3], const unsigned char*) {
    for (int k = 0; k < 3; ++k) sum[k] += d[k];
    points[i] = vector_type{float(sum[0]) * 0.001f, float(sum[1]) * 0.001f, float(sum[2]) * 0.001f};
    grown.grow(points[i]);
  });
  if (box != nullptr) *box = grown;
  return points;
}

// Normals summed like points and normalised in double precision. A zero
// normal is reported with the read position just after it, as a read of one
// normal at a time leaves it.
vector_type* read_delta_normals(unsigned long n, int slot) {
  vector_type* normals = held_array<vector_type>(slot, n);
  long long sum[3] = {0, 0, 0};
  read_triples(n, [&](unsigned long i, const long d[3], const unsigned char* after) {
    if (i > 0 && d[0] == 0 && d[1] == 0 && d[2] == 0) {
      normals[i] = normals[i - 1];  // the same sum: the same normal, and no sqrt
      return;
    }
    for (int k = 0; k < 3; ++k) sum[k] += d[k];
    double x = double(sum[0]), y = double(sum[1]), z = double(sum[2]);
    double l = std::sqrt(x * x + y * y + z * z);
    if (l == 0) {
      if (after != nullptr) set_read_position(after);
      fflush(stdout);
      fprintf(stderr, "Normal number %lu is 0, 0, 0.\n", i);
      fail("Bad normal vector");
    }
    normals[i] = vector_type{float(x / l), float(y / l), float(z / l)};
  });
  return normals;
}

float* read_delta_texture_coordinates(unsigned long n, int slot) {
  float* t = held_array<float>(slot, 2 * n);
  long long sum[2] = {0, 0};
  long block[READ_BLOCK];
  for (unsigned long i = 0; i < 2 * n;) {
    unsigned long m = std::min(2 * n - i, READ_BLOCK);
    assemble_integer_parameters(block, m);
    for (unsigned long j = 0; j < m; ++j, ++i) {
      sum[i % 2] += block[j];
      t[i] = float(double(sum[i % 2]) * 0.000001);
    }
  }
  return t;
}

// The list is checked block by block while it is read; a fault is reported
// once the whole list is read.
void read_and_check_indices(unsigned long c, unsigned long n, uint32_t** out) {
  uint32_t* list = held_array<uint32_t>(HOLD_INDICES, c);
  unsigned long words = n / 64 + 1;
  uint64_t* used = held_array<uint64_t>(HOLD_CHECK, words);
  memset(used, 0, 8 * words);
  IndexArrayCheck check(c, n, used);
  long block[READ_BLOCK];
  for (unsigned long i = 0; i < c;) {
    unsigned long m = std::min(c - i, READ_BLOCK);
    assemble_integer_parameters(block, m);
    for (unsigned long j = 0; j < m; ++j) list[i + j] = static_cast<uint32_t>(block[j]);
    check.feed(list + i, m);
    i += m;
  }
  const char* fault = check.finish();
  release_command_block(HOLD_CHECK);
  CheckedFree(used);
  if (fault != nullptr) fail(fault);
  *out = list;
}

void release_all() {
  for (int slot = HOLD_POINTS; slot < HELD_BLOCKS; ++slot) release_command_block(slot);
}

void read_point(float p[3]) {
  long x, y, z;
  assemble_xyz_parameter(&x, &y, &z);
  p[0] = float(x) * 0.001f, p[1] = float(y) * 0.001f, p[2] = float(z) * 0.001f;
}

bool read_flag() { return range_integer_parameter(0, 1) != 0; }

}  // namespace

// ------------------------------------------------------------ segments

void cmd_segment_open() {
  long n = range_integer_parameter(1, MAX_SEGMENT);
  if (open_segment_number() != 0) fail("A segment is already open");
  move_beam(0, 0, 0);
  create_segment(static_cast<unsigned long>(n));
}

void cmd_segment_end_and_open() {
  if (open_segment_number() != 0) close_segment();
  create_segment(static_cast<unsigned long>(range_integer_parameter(1, MAX_SEGMENT)));
}

void cmd_segment_close() { close_segment(); }

void cmd_segment_flush() { flush_segment_content(static_cast<unsigned long>(range_integer_parameter(1, MAX_SEGMENT))); }

void cmd_segment_kill() {
  long n = range_integer_parameter(-3, MAX_SEGMENT);
  if (n == -1) {
    delete_all_segments();
  } else if (n == 0 || n == -2) {
    fail("bad segment number");
  } else if (n == -3) {
    not_supported("delete matching segments");
  } else if (segment_exists(n)) {
    delete_one_segment(static_cast<unsigned long>(n));
  } else {
    fflush(stdout);
    fprintf(stderr, "Application error - segment %ld does not exist.\n", n);
  }
}

void cmd_segment_visibility() {
  long n = range_integer_parameter(-3, MAX_SEGMENT);
  bool on = read_flag();
  if (n == 0) not_supported("cursor visibility");
  if (n == -3) not_supported("matching segment visibility");
  if (n == -2) not_supported("future segment visibility");
  if (n == -1) {
    on ? make_all_visible() : make_all_invisible();
  } else if (segment_exists(n)) {
    on ? make_one_visible(static_cast<unsigned long>(n)) : make_one_invisible(static_cast<unsigned long>(n));
  } else {
    fail(on ? "tried to make non-existent segment visible" : "tried to make non-existent segment invisible");
  }
  set_geometry_update_mode(true);
}

void cmd_selection_type() {
  SelectionType t;
  for (bool& b : t.selectable) b = read_flag();
  set_segment_selection_type(t);
}

void cmd_highlight_segment() {
  bool on = read_flag();
  float colour[3] = {0, 0, 1};
  if (on)
    for (float& c : colour) c = range_real_parameter(0, 1);
  highlight_segment(on, colour);
}

void cmd_entity() {
  long type = range_integer_parameter(0, 254);
  long ident = range_integer_parameter(0, MAX_SEGMENT + 1);
  set_entity(static_cast<unsigned long>(ident), static_cast<unsigned long>(type));
}

void cmd_level_name() {
  long level = range_integer_parameter(0, 8);
  char* name = assemble_string_parameter();
  if (name == nullptr) fail("empty entity name");
  hold_command_block(HOLD_EXTRA, name);
  set_level_name(static_cast<unsigned long>(level), name);
  release_command_block(HOLD_EXTRA);
  CheckedFree(name);
}

void cmd_entity_states() {
  range_integer_parameter(7, 7);
  long states[7];
  for (long& s : states) s = assemble_integer_parameter();
  set_entity_states(states);
}

void cmd_entity_face() {
  range_integer_parameter(2, 2);
  long corner[3], delta[3];
  for (long& c : corner) c = assemble_integer_parameter();
  for (long& d : delta) d = assemble_integer_parameter();
  float box[6];
  for (int k = 0; k < 3; ++k) {
    box[k] = float(corner[k]) * 0.001f;
    box[3 + k] = float(double(corner[k]) + double(delta[k])) * 0.001f;
  }
  set_entity_face(box);
}

void cmd_level_of_detail() { set_segment_lod(static_cast<unsigned char>(range_integer_parameter(1, 10))); }
void cmd_selectability() { set_cg_selectability(read_flag()); }

// ------------------------------------------------------------ geometry

void cmd_move() {
  float p[3];
  read_point(p);
  move_beam(p[0], p[1], p[2]);
}

void cmd_line() {
  float p[3];
  read_point(p);
  insert_line(p[0], p[1], p[2]);
}

void cmd_marker() {
  float p[3];
  read_point(p);
  move_beam(p[0], p[1], p[2]);
  insert_marker();
}

void cmd_text() {
  char* text = assemble_string_parameter();
  if (text == nullptr) not_supported("empty text string");
  insert_text(text);
}

void cmd_markers() {
  unsigned long n = static_cast<unsigned long>(range_integer_parameter(2, MAX_POINTS));
  vector_type* points = read_delta_points(n, HOLD_POINTS);
  release_all();
  insert_markers(n, points);
}

void cmd_colored_lines() {
  unsigned long n = static_cast<unsigned long>(range_integer_parameter(1, MAX_POINTS));
  vector_type* points = read_delta_points(n, HOLD_POINTS);
  range_integer_parameter(long(n), long(n));
  float* values = held_array<float>(HOLD_EXTRA, n);
  for (unsigned long i = 0; i < n; ++i) values[i] = assemble_real_parameter();
  release_all();
  draw_colored_lines(points, values, n);
}

void cmd_vector() {
  range_integer_parameter(2, 2);
  long p[3], d[3];
  for (long& v : p) v = assemble_integer_parameter();
  for (long& v : d) v = assemble_integer_parameter();
  float a = float(range_integer_parameter(1, 1000)) * 0.001f;
  float b = float(range_integer_parameter(1, 1000)) * 0.001f;
  vector_type position = {float(p[0]) * 0.001f, float(p[1]) * 0.001f, float(p[2]) * 0.001f};
  vector_type direction = {float(d[0]), float(d[1]), float(d[2])};
  insert_vector(&position, &direction, a, b);
}

void cmd_colored_facet_tree() {
  unsigned long n = static_cast<unsigned long>(range_integer_parameter(3, MAX_POINTS));
  PointBox box;
  vector_type* points = read_delta_points(n, HOLD_POINTS, &box);
  long k = range_integer_parameter(1, 100);
  float* palette = held_array<float>(HOLD_NORMALS, 3 * size_t(k));
  for (long i = 0; i < 3 * k; ++i) palette[i] = float(range_integer_parameter(0, 255)) / 255.0f;
  range_integer_parameter(long(n), long(n));
  float* colours = held_array<float>(HOLD_EXTRA, 3 * n);
  for (unsigned long i = 0; i < n; ++i) {
    float p = assemble_real_parameter();
    if (!(p >= 0 && p <= float(k - 1))) fail("Color index out of range");
    long lo = long(std::floor(p));
    float f = p - float(lo);
    for (int c = 0; c < 3; ++c)
      colours[3 * i + c] = lo == k - 1 ? palette[3 * lo + c]
                                       : (1 - f) * palette[3 * lo + c] + f * palette[3 * (lo + 1) + c];
  }
  release_command_block(HOLD_NORMALS);
  CheckedFree(palette);
  unsigned long c = static_cast<unsigned long>(range_integer_parameter(long(n) + 2, MAX_SEGMENT + 1));
  uint32_t* indices;
  read_and_check_indices(c, n, &indices);
  release_all();
  fill_colored_facet_tree(n, points, nullptr, colours, c, indices, nullptr, &box);
}

void cmd_normal_facet_tree() {
  unsigned long n = static_cast<unsigned long>(range_integer_parameter(3, MAX_POINTS));
  PointBox box;
  vector_type* points = read_delta_points(n, HOLD_POINTS, &box);
  range_integer_parameter(long(n), long(n));
  vector_type* normals = read_delta_normals(n, HOLD_NORMALS);
  long t = assemble_integer_parameter();
  float* texture = nullptr;
  if (t != 0) {
    if (t != long(n)) fail("Wrong number of texture coordinates");
    texture = read_delta_texture_coordinates(n, HOLD_TEXTURE);
  }
  unsigned long c = static_cast<unsigned long>(range_integer_parameter(long(n) + 2, MAX_SEGMENT + 1));
  uint32_t* indices;
  read_and_check_indices(c, n, &indices);
  release_all();
  fill_colored_facet_tree(n, points, normals, nullptr, c, indices, texture, &box);
}

void cmd_update_facet_tree() {
  if (!get_geomshell_update_allowed()) fail("Update of facet tree not allowed");
  unsigned long n = get_geomshell_number_of_points(), m = get_geomshell_number_of_indices();
  // Everything is read and checked before anything of the facet tree changes.
  long a = range_integer_parameter(0, MAX_POINTS);
  vector_type *points = nullptr, *normals = nullptr;
  float* texture = nullptr;
  uint32_t* indices = nullptr;
  if (a != 0) {
    if (a != long(n)) fail("Bad number of points");
    points = read_delta_points(n, HOLD_POINTS);
  }
  long b = range_integer_parameter(0, a);
  if (b != 0) {
    if (b != a) fail("Bad number of points");
    if (get_geomshell_normals() == nullptr) fail("Facet tree has no normals to update");
    normals = read_delta_normals(n, HOLD_NORMALS);
  }
  long t = range_integer_parameter(0, a);
  if (t != 0) {
    if (t != a) fail("Wrong number of texture coordinates");
    if (get_geomshell_texcoords() == nullptr) fail("Facet tree has no texture coordinates to update");
    texture = read_delta_texture_coordinates(n, HOLD_TEXTURE);
  }
  long d = range_integer_parameter(0, long(m));
  if (d != 0) {
    if (d != long(m)) fail("Bad number of indices");
    read_and_check_indices(m, n, &indices);
  }
  release_all();
  if (points != nullptr) {
    vector_type* target = get_geomshell_points();
    for (unsigned long i = 0; i < n; ++i) target[i] = points[i];
    CheckedFree(points);
  }
  if (normals != nullptr) {
    float* target = get_geomshell_normals();
    for (unsigned long i = 0; i < n; ++i)
      target[3 * i] = normals[i].x, target[3 * i + 1] = normals[i].y, target[3 * i + 2] = normals[i].z;
    CheckedFree(normals);
  }
  if (texture != nullptr) {
    float* target = get_geomshell_texcoords();
    for (unsigned long i = 0; i < 2 * n; ++i) target[i] = texture[i];
    CheckedFree(texture);
  }
  if (indices != nullptr) {
    uint32_t* target = get_geomshell_indices();
    for (unsigned long i = 0; i < m; ++i) target[i] = indices[i];
    CheckedFree(indices);
  }
  geomshell_updated();
  update_current_segment(true, false, true, true);
}

void cmd_texture_parameters() {
  static int clamp_mode = 0;
  if (clamp_mode == 0) {
    bool border = false;
    if (XGLContext::current_context != nullptr) {
      const char* e = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
      border = gl_version_at_least(1, 3) || (e != nullptr && (strstr(e, "GL_SGIS_texture_border_clamp") ||
                                                              strstr(e, "GL_ARB_texture_border_clamp")));
    }
    clamp_mode = border ? 0x812D : 0x2900;
  }
  int wrap[2];
  for (int& w : wrap) w = read_flag() ? 0x2901 : clamp_mode;
  float translate[2], scale[2];
  for (float& v : translate) v = assemble_real_parameter();
  for (float& v : scale) v = assemble_real_parameter();
  if (scale[0] == 0.0f || scale[1] == 0.0f) fail("texture scale 0.0 not allowed");
  float rotate = assemble_real_parameter();
  set_texture_parameters(wrap, translate, scale, rotate);
}

void cmd_facet_size() {
  float size = assemble_real_parameter();
  if (!(size > 0)) fail("wrong facet size");
  set_segment_facet_size(size);
}

void cmd_fast_lod() { set_segment_fast_lod(read_flag()); }

void cmd_clip_planes() {
  bool enables[12];
  for (bool& e : enables) e = read_flag();
  set_segment_enable_clipping_planes(enables);
}

void cmd_polygon_offset() { set_segment_polygon_offset(read_flag()); }

void cmd_shade_model() {
  static const GLenum shade[4] = {GL_FLAT, GL_SMOOTH, GL_FLAT, GL_SMOOTH};
  static const bool lighting[4] = {true, true, false, true};
  static const GLenum polygon[4] = {GL_FILL, GL_FILL, GL_LINE, GL_LINE};
  long n = range_integer_parameter(0, 3);
  set_segment_shade_model(polygon[n], lighting[n], shade[n]);
}

// ------------------------------------------------------------ drawing attributes

void cmd_line_color() { change_line_color(short(range_integer_parameter(0, 99))); }
void cmd_marker_color() { change_marker_color(short(range_integer_parameter(0, 99))); }
void cmd_text_color() { change_text_color(short(range_integer_parameter(0, 99))); }

void cmd_line_style() {
  long style = range_integer_parameter(0, 9);
  change_line_style(style != 0, static_cast<unsigned short>(style));
}

void cmd_line_weight() { change_line_weight(static_cast<unsigned short>(range_integer_parameter(1, 16))); }

void cmd_hidden_line() {
  bool on = read_flag();
  long colour = range_integer_parameter(0, 99);
  long style = range_integer_parameter(0, 9);
  change_hidden_line_attributes(on, short(colour), static_cast<unsigned short>(style));
}

void cmd_marker_symbol() {
  static const char symbols[11] = {'.', '.', '+', '*', 'O', 'X', 'H', '#', 'o', 'x', '-'};
  set_marker_symbol(symbols[range_integer_parameter(0, 10)]);
}

void cmd_marker_size() { set_segment_marker_size(static_cast<unsigned char>(range_integer_parameter(1, 24))); }
void cmd_text_size() { set_segment_text_size(static_cast<unsigned char>(range_integer_parameter(6, 24))); }

// Material numbers are checked against the list's own count (predefined 110
// mirrors it), so that a YARL program writing 110 cannot reach a bad slot.
void cmd_material() {
  set_segment_material_index(static_cast<unsigned short>(range_integer_parameter(1, get_material_count())));
}

// ------------------------------------------------------------ materials

void cmd_define_material() {
  material_attributes a;
  auto number = static_cast<uint16_t>(range_integer_parameter(1, long(get_material_count()) + 1));
  bool flags[7];
  for (bool& f : flags) f = read_flag();
  uint32_t integers[3];
  for (uint32_t& u : integers) u = uint32_t(range_integer_parameter(1, 65535));
  auto colour = [](float* rgba) {
    for (int k = 0; k < 4; ++k) rgba[k] = range_real_parameter(0, 1);
  };
  colour(a.ambient);
  colour(a.diffuse);
  a.shininess = range_real_parameter(0, 128);
  colour(a.specular);
  colour(a.emission);
  a.value_a = range_real_parameter(-1, 1);
  a.value_b = range_real_parameter(0, 10);
  a.reflection = range_real_parameter(0, 1);
  a.transparency = range_real_parameter(0, 1);
  a.value_c = range_real_parameter(1, 3.5f);
  char* strings[4];
  for (int k = 0; k < 4; ++k) {
    strings[k] = assemble_string_parameter();
    hold_command_block(1 + k, strings[k]);
  }
  for (int k = 0; k < 4; ++k) release_command_block(1 + k);
  a.name = strings[0];
  a.texture_file = strings[1];
  a.second_file = strings[2];
  a.third_file = strings[3];
  a.integer_a = integers[0];
  a.texture_mode = integers[1];
  a.integer_b = integers[2];
  a.flag_a = flags[0];
  a.texture_on = flags[1];
  a.flag_b = flags[2];
  a.flag_c = flags[3];
  a.flag_d = flags[4];
  a.casts_shadows = flags[5];
  a.flag_e = flags[6];
  set_material(number, &a);
}

void cmd_delete_material() { remove_material(static_cast<uint16_t>(range_integer_parameter(1, get_material_count()))); }

// ------------------------------------------------------------ scene graph

void cmd_open_node() { get_scene_graph()->open_node(static_cast<unsigned long>(range_integer_parameter(1, MAX_SEGMENT))); }
void cmd_close_node() { get_scene_graph()->close_node(); }

// The parent may be 0, the root: otherwise no first node could be made.
void cmd_prepare_node() {
  auto number = static_cast<unsigned long>(range_integer_parameter(1, MAX_SEGMENT));
  auto parent = static_cast<unsigned long>(range_integer_parameter(0, MAX_SEGMENT));
  auto value = static_cast<unsigned long>(assemble_integer_parameter());
  get_scene_graph()->prepare_node(number, parent, value);
}

void cmd_remove_node() { get_scene_graph()->remove_node(static_cast<unsigned long>(range_integer_parameter(1, MAX_SEGMENT))); }

void cmd_node_visibility() {
  auto number = static_cast<unsigned long>(range_integer_parameter(1, MAX_SEGMENT));
  auto visibility = static_cast<uint32_t>(assemble_integer_parameter());
  get_scene_graph()->set_node_visibility(number, visibility);  // stored, not drawn
}
