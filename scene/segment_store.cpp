#include "scene/segment_store.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "link/si.h"
#include "link/tek_parser.h"
#include "runtime/predefined.h"
#include "runtime/qob.h"
#include "scene/clip_planes.h"
#include "scene/display_options.h"
#include "scene/draw_geometry.h"
#include "scene/entity_list.h"
#include "scene/geom_markers.h"
#include "scene/geom_polygon_list.h"
#include "scene/geom_polyline.h"
#include "scene/geom_shell.h"
#include "scene/geom_text.h"
#include "scene/geom_vector.h"
#include "scene/materials.h"
#include "scene/repaint_attributes.h"
#include "scene/scene_graph.h"
#include "scene/selection.h"
#include "scene/transformation.h"
#include "view/graphics_window.h"
#include "view/model_extent.h"
#include "view/repaint.h"
#include "view/views.h"

namespace {

// A first allocation goes through CheckedMalloc, which counts live blocks.
void* grow_block(void* block, size_t size) {
  return block == nullptr ? CheckedMalloc(size) : CheckedRealloc(block, size);
}

const char* const MODULE = "segment_store";
enum {
  ERR_BALANCE = 501,
  ERR_BAD_SEGMENT = 502,
  ERR_CHAIN = 503,
  ERR_SELF_LINK = 504,
  ERR_PASS = 505,
  ERR_NO_OPEN_SEGMENT = 506,
};

constexpr float FAR = 3.4028235e38f;
constexpr uint32_t POLY_LINE_BLOCK = 128;
constexpr int ENTITY_PATH_LEVELS = 8;

bsegment** segment_infos;
unsigned long segment_array_length;

unsigned long segno;
bool segno_new;
unsigned char segment_lod = 1;

float* poly_line;  // 3 floats per point
uint32_t poly_line_length, poly_line_max_length;
PointBox poly_line_box;  // of the poly-line's points, grown as they come

float next_beam_position[3];
float current_inc_position[3];
bool inc_restart;
// The segment whose written flag, geometry update and line lists the bulk
// insertion has set since the flags were last renewed; null for none.
const bsegment* lines_noticed;

float segment_update_min[3], segment_update_max[3];
bool segment_min_max_update;
bool min_max_update;

DrawAttributes current_draw_attributes;
SelectionType current_selection_type = {{true, true, true}};
int current_texture_parameter[2] = {GL_REPEAT, GL_REPEAT};
float current_texture_translate[2] = {0, 0};
float current_texture_scale[2] = {1, 1};
float current_texture_rotate = 0;

unsigned long no_of_markers_in_segment;

segment_balances balances;

unsigned long triangles_displayed;
bool display_was_fast;
float min_triangle_size = 2.0f;

EntityList* Entities;
unsigned long entity_level;
// Index 0 is the root (only its last-segment link is used), 1..8 the levels.
entity_path_record entity_path[ENTITY_PATH_LEVELS + 1];
unsigned long act_entity_ident, act_entity_type;
int32_t new_states[7];
bool new_states_set;

// Bits of bsegment::counted: the kinds a visible segment adds to the counters.
enum : uint16_t {
  COUNT_SEGMENT = 1 << 0,
  COUNT_FACES = 1 << 1,
  COUNT_LINES = 1 << 2,
  COUNT_MARKERS = 1 << 3,
  COUNT_TEXT = 1 << 4,
  COUNT_FAST_LOD = 1 << 5,
  COUNT_LOD_SHIFT = 6,
};

// ------------------------------------------------------------ helpers

bsegment* open_segment() {
  if (segno == 0) fatal_application_error("no segment open");
  return segment_infos[segno - 1];
}

bsegment* open_segment_or_null() { return segno == 0 ? nullptr : segment_infos[segno - 1]; }

bsegment* existing(unsigned long n) {
  if (n == 0 || n > segment_array_length || segment_infos[n - 1] == nullptr) internal_error(ERR_BAD_SEGMENT, MODULE);
  return segment_infos[n - 1];
}

void tell(const bsegment* s, bool surfaces, bool lines, bool shadows, bool geometry) {
  Entities->UpdateLists(int32_t(s->entity), surfaces, lines, shadows, geometry);
}

void widen(float minimum[3], float maximum[3], const float* p) {
  for (int k = 0; k < 3; ++k) {
    if (p[k] < minimum[k]) minimum[k] = p[k];
    if (p[k] > maximum[k]) maximum[k] = p[k];
  }
}

void widen_running(const float* p) {
  widen(segment_update_min, segment_update_max, p);
  segment_min_max_update = true;
}

// Widening by an object's box is widening by each of its points.
void widen_running_by_box(const GEOMObject* object) {
  widen_running(object->get_minimum());
  widen_running(object->get_maximum());
}

uint16_t kinds_of(const bsegment* s) {
  uint16_t k = COUNT_SEGMENT;
  if (s->flags & SEG_HAS_FACETS) k |= COUNT_FACES;
  if (s->flags & SEG_HAS_LINES) k |= COUNT_LINES;
  if (s->flags & SEG_HAS_MARKERS) k |= COUNT_MARKERS;
  if (s->flags2 & SEG2_HAS_TEXT) k |= COUNT_TEXT;
  if ((s->flags & SEG_HAS_FACETS) && s->attributes.get_fast_lod()) k |= COUNT_FAST_LOD;
  for (int l = 0; l < LEVELS_OF_DETAIL; ++l)
    if (s->facet_tree_present[l]) k |= uint16_t(1u << (COUNT_LOD_SHIFT + l));
  return k;
}

void add_kinds(uint16_t k, int32_t d) {
  int32_t* counters[6] = {&balances.segments, &balances.faces,   &balances.lines,
                          &balances.markers,  &balances.text,    &balances.fast_lod};
  for (int i = 0; i < 6; ++i)
    if (k & (1u << i)) {
      *counters[i] += d;
      if (*counters[i] < 0) internal_error(ERR_BALANCE, MODULE);
    }
  for (int l = 0; l < LEVELS_OF_DETAIL; ++l)
    if (k & (1u << (COUNT_LOD_SHIFT + l))) {
      balances.lod[l] += d;
      if (balances.lod[l] < 0) internal_error(ERR_BALANCE, MODULE);
    }
}

// Moves the segment's use from the material it counted to `now` (0 none).
void count_material(bsegment* s, uint16_t now) {
  if (now != 0 && !material_exists(now)) now = 0;
  if (now == s->counted_material) return;
  if (s->counted_material != 0 && material_exists(s->counted_material)) material_in_use(s->counted_material, false);
  if (now != 0) material_in_use(now, true);
  s->counted_material = now;
}

// Brings the segment's contribution to the counters in step with its
// visibility and kinds: the old contribution out, the new one in.
void recount(bsegment* s) {
  uint16_t now = (s->flags & SEG_VISIBLE) ? kinds_of(s) : 0;
  count_material(s, (now & COUNT_FACES) && (s->flags & SEG_LIT) ? s->attributes.get_material_index() : 0);
  if (now == s->counted) return;
  add_kinds(s->counted, -1);
  add_kinds(now, 1);
  s->counted = now;
  tell(s, s->flags & SEG_HAS_FACETS, s->flags & SEG_HAS_LINES, true, true);
}

void uncount(bsegment* s) {
  add_kinds(s->counted, -1);
  s->counted = 0;
  count_material(s, 0);
}

void clear_record(bsegment* s, unsigned long index) {
  segment_lod = 1;
  memset(s->chain, 0, sizeof s->chain);
  memset(s->facet_tree, 0, sizeof s->facet_tree);
  memset(s->facet_tree_present, 0, sizeof s->facet_tree_present);
  for (float& f : s->facet_size) f = 1e-6f;
  s->first_line = s->first_marker = s->first_text = nullptr;
  s->flags2 = 0;
  s->next = s->previous = nullptr;
  s->entity = 0xFFFFFFFF;
  s->index = uint32_t(index);
  s->flags = 0;
  s->counted = 0;
  s->counted_material = 0;
  for (int k = 0; k < 3; ++k) s->minimum[k] = FAR, s->maximum[k] = -FAR, s->centre[k] = 0;
}

void grow_array(unsigned long n) {
  if (n <= segment_array_length) return;
  unsigned long length = (n & ~4095ul) + 4096;
  segment_infos = static_cast<bsegment**>(grow_block(segment_infos, length * sizeof(bsegment*)));
  for (unsigned long i = segment_array_length; i < length; ++i) segment_infos[i] = nullptr;
  segment_array_length = length;
}

// The current level's entity and its last-segment link.
int32_t current_entity() { return entity_level == 0 ? 0 : entity_path[entity_level].entity; }
bsegment*& current_last_segment() { return entity_path[entity_level].last_segment; }

void append_to_current_entity(bsegment* s) {
  bsegment*& last = current_last_segment();
  int32_t entity = current_entity();
  if (last == s) internal_error(ERR_SELF_LINK, MODULE);
  s->previous = last;
  s->next = nullptr;
  if (last != nullptr) {
    if (last->entity != uint32_t(entity)) internal_error(ERR_CHAIN, MODULE);
    last->next = s;
  } else {
    Entities->SetFirstSegment(entity, s);
  }
  last = s;
  s->entity = uint32_t(entity);
}

void unlink_from_entity(bsegment* s) {
  for (entity_path_record& r : entity_path)
    if (r.last_segment == s) r.last_segment = s->previous;
  if (s->previous != nullptr)
    s->previous->next = s->next;
  else
    Entities->SetFirstSegment(int32_t(s->entity), s->next);
  if (s->next != nullptr) s->next->previous = s->previous;
  s->next = s->previous = nullptr;
}

GEOMObject* tail_start(const bsegment* s) {
  if (s->first_line != nullptr) return s->first_line;
  if (s->first_marker != nullptr) return s->first_marker;
  return s->first_text;
}

// Puts `object` at the front of a sub-list (`head`); every link to the
// sub-list's old position moves to it, so each chain keeps the order
// facet tree, lines, markers, texts.
void link_tail(bsegment* s, GEOMObject* object, GEOMObject** head, GEOMObject* after) {
  GEOMObject* old = *head != nullptr ? *head : after;
  GEOMObject* start = tail_start(s);
  object->next = old;
  if (start != old) {
    for (GEOMObject* p = start; p != nullptr && p != old; p = p->next)
      if (p->next == old) {
        p->next = object;
        break;
      }
  } else {
    for (int l = 0; l < LEVELS_OF_DETAIL; ++l) {
      if (s->facet_tree[l] != nullptr) {
        if (s->facet_tree[l]->next == old) s->facet_tree[l]->next = object;
      } else if (s->chain[l] == old) {
        s->chain[l] = object;
      }
    }
  }
  *head = object;
}

void link_line(bsegment* s, GEOMObject* object) {
  link_tail(s, object, &s->first_line, s->first_marker != nullptr ? s->first_marker : s->first_text);
  s->flags |= SEG_HAS_LINES;
}

void link_marker(bsegment* s, GEOMObject* object) {
  link_tail(s, object, &s->first_marker, s->first_text);
  s->flags |= SEG_HAS_MARKERS;
  bool dots = s->attributes.get_marker_symbol() == '.';
  s->flags = uint8_t(dots ? s->flags | SEG_DOT_MARKERS : s->flags & ~SEG_DOT_MARKERS);
  if (dots)
    tell(s, false, true, false, true);
  else
    set_repaint(true);
}

void link_text(bsegment* s, GEOMObject* object) {
  link_tail(s, object, &s->first_text, nullptr);
  s->flags2 |= SEG2_HAS_TEXT;
}

void insert_shell(bsegment* s, GEOMShell* shell) {
  int l = segment_lod - 1;
  if (s->facet_tree[l] != nullptr) {
    delete shell;
    fatal_application_error("segment already contains facet tree of current level of detail");
  }
  shell->next = tail_start(s);
  s->chain[l] = shell;
  s->facet_tree[l] = shell;
  s->facet_tree_present[l] = 1;
  s->flags |= SEG_HAS_FACETS;
  shell->set_texture_parameters(current_texture_parameter, current_texture_translate, current_texture_scale,
                                current_texture_rotate);
}

void dump_poly_line() {
  if (poly_line == nullptr) return;
  bsegment* s = open_segment_or_null();
  if (s == nullptr || poly_line_length < 2) {
    CheckedFree(poly_line);
  } else {
    float* points = static_cast<float*>(CheckedRealloc(poly_line, sizeof(float) * 3 * poly_line_length));
    link_line(s, new GEOMPolyline(poly_line_length, points, poly_line_box));
  }
  poly_line = nullptr;
  poly_line_length = poly_line_max_length = 0;
  poly_line_box = PointBox();
}

// Room for n more points; the capacity doubles (first block 128 points), so
// a long poly-line is copied a logarithmic number of times.
void reserve_poly_line(uint32_t n) {
  if (uint64_t(poly_line_length) + n <= poly_line_max_length) return;
  uint64_t capacity = poly_line_max_length == 0 ? POLY_LINE_BLOCK : poly_line_max_length;
  while (capacity < uint64_t(poly_line_length) + n) capacity *= 2;
  if (capacity > 0xFFFFFFFFu / 3) halt("poly-line too long");
  poly_line_max_length = uint32_t(capacity);
  poly_line = static_cast<float*>(grow_block(poly_line, sizeof(float) * 3 * poly_line_max_length));
}

void append_poly_line_point(const float* p) {
  reserve_poly_line(1);
  for (int k = 0; k < 3; ++k) poly_line[3 * poly_line_length + k] = p[k];
  ++poly_line_length;
  poly_line_box.grow({p[0], p[1], p[2]});
}

void flush_geometry(bsegment* s) {
  for (int l = 1; l < LEVELS_OF_DETAIL; ++l) {
    delete s->facet_tree[l];
    s->facet_tree[l] = nullptr;
    s->chain[l] = nullptr;
    s->facet_tree_present[l] = 0;
  }
  GEOMObject* p = s->facet_tree[0] != nullptr ? s->facet_tree[0] : tail_start(s);
  while (p != nullptr) {
    GEOMObject* next = p->next;
    delete p;
    p = next;
  }
  s->facet_tree[0] = nullptr;
  s->chain[0] = nullptr;
  s->facet_tree_present[0] = 0;
  s->first_line = s->first_marker = s->first_text = nullptr;
  s->flags &= uint8_t(~(SEG_HAS_FACETS | SEG_HAS_LINES | SEG_HAS_MARKERS | SEG_DOT_MARKERS));
  s->flags2 &= uint8_t(~SEG2_HAS_TEXT);
}

void free_segment(bsegment* s) {
  if (lines_noticed == s) lines_noticed = nullptr;
  flush_geometry(s);
  s->attributes.~DrawAttributes();
  CheckedFree(s);
}

void mark_written(bsegment* s) {
  s->flags |= SEG_WRITTEN;
  set_geometry_update();
}

// The attribute command pattern: the open segment's copy first, then the
// current attributes, whose answer is returned.
template <typename Setter>
bool change_attribute(Setter set, bool (*condition)(const bsegment*), void (*then)(bsegment*)) {
  bsegment* s = open_segment_or_null();
  if (s != nullptr && set(&s->attributes) && condition(s)) then(s);
  return set(&current_draw_attributes);
}

bool visible(const bsegment* s) { return s->flags & SEG_VISIBLE; }
bool visible_with_lines(const bsegment* s) {
  return visible(s) && ((s->flags & SEG_HAS_LINES) ||
                        ((s->flags & SEG_HAS_FACETS) && s->attributes.get_polygon_mode() == GL_LINE));
}
bool visible_with_facets(const bsegment* s) { return visible(s) && (s->flags & SEG_HAS_FACETS); }

}  // namespace

// ------------------------------------------------------------ start and end

void init_segment_structure() {
  for (entity_path_record& r : entity_path) r = entity_path_record{0, 0, -1, {0}, nullptr};
  entity_level = 0;
  poly_line = nullptr;
  poly_line_box = PointBox();
  poly_line_length = poly_line_max_length = 0;
  segno = 0;
  segno_new = false;
  segment_lod = 1;
  for (int k = 0; k < 3; ++k) current_inc_position[k] = 123456792.0f, next_beam_position[k] = 0;
  inc_restart = false;
  lines_noticed = nullptr;
  Entities = new EntityList();
  memset(new_states, 0, sizeof new_states);
  new_states_set = false;
  act_entity_ident = act_entity_type = 0;
  balances = segment_balances{};
  current_draw_attributes = DrawAttributes();
  current_selection_type = SelectionType{{true, true, true}};
  current_texture_parameter[0] = current_texture_parameter[1] = GL_REPEAT;
  current_texture_translate[0] = current_texture_translate[1] = 0;
  current_texture_scale[0] = current_texture_scale[1] = 1;
  current_texture_rotate = 0;
  min_max_update = true;  // the views forget the extent of a store before this one
  display_was_fast = false;
  triangles_displayed = 0;
  if (!color_palette_exists()) init_color_palette();
  if (GEOMShell::polygon_list == nullptr) GEOMShell::polygon_list = new GEOMPolygonList();
  init_scene_graph();
}

void cleanup_ldf() {
  if (poly_line != nullptr) CheckedFree(poly_line);
  poly_line = nullptr;
  poly_line_box = PointBox();
  poly_line_length = poly_line_max_length = 0;
  segno = 0;
  for (unsigned long i = 0; i < segment_array_length; ++i)
    if (segment_infos[i] != nullptr) {
      count_material(segment_infos[i], 0);
      free_segment(segment_infos[i]);
    }
  if (segment_infos != nullptr) CheckedFree(segment_infos);
  segment_infos = nullptr;
  segment_array_length = 0;
  delete Entities;
  Entities = nullptr;
  cleanup_color_palette();
  delete GEOMShell::polygon_list;
  GEOMShell::polygon_list = nullptr;
  cleanup_transformations();
  cleanup_scene_graph();
  cleanup_selection();
  balances = segment_balances{};
}

// ------------------------------------------------------------ segment life

unsigned long create_segment(unsigned long n) {
  set_geometry_update_mode(true);
  no_of_markers_in_segment = 0;
  if (segno != 0) fatal_application_error("another segment is already open");
  if (n == 0 || n > MAX_SEGMENT_NUMBER) fatal_application_error("bad segment number");
  grow_array(n);
  bsegment* s = segment_infos[n - 1];
  int32_t entity = current_entity();
  segno_new = false;
  if (s != nullptr && s->entity != uint32_t(entity)) {
    // Moved to the current entity: emptied, made visible and selectable.
    if (visible(s)) Entities->UnSetVisible(int32_t(s->entity));
    uncount(s);
    unlink_from_entity(s);
    append_to_current_entity(s);
    Entities->SetVisible(entity);
    s->flags = uint8_t((s->flags | SEG_VISIBLE) & ~SEG_NOT_SELECTABLE);
    flush_geometry(s);
    segno_new = true;
  } else if (s == nullptr) {
    s = static_cast<bsegment*>(CheckedMalloc(sizeof(bsegment)));
    new (&s->attributes) DrawAttributes(current_draw_attributes);
    clear_record(s, n - 1);
    s->selection_type = current_selection_type;
    segment_infos[n - 1] = s;
    append_to_current_entity(s);
    s->flags |= SEG_VISIBLE;
    segno_new = true;
    Entities->SetVisible(entity);
  }
  for (int k = 0; k < 3; ++k) segment_update_min[k] = FAR, segment_update_max[k] = -FAR;
  segment_min_max_update = false;
  segno = n;
  return n;
}

void close_segment() {
  bsegment* s = open_segment();
  if (no_of_markers_in_segment > 1) {
    char message[120];
    snprintf(message, sizeof message, "segment %lu has %lu markers/marker arrays", segno, no_of_markers_in_segment);
    fatal_application_error(message);
  }
  no_of_markers_in_segment = 0;
  dump_poly_line();
  recount(s);
  inc_restart = true;
  if (segment_min_max_update) {
    min_max_update = true;
    widen(s->minimum, s->maximum, segment_update_min);
    widen(s->minimum, s->maximum, segment_update_max);
    for (int k = 0; k < 3; ++k) s->centre[k] = (s->minimum[k] + s->maximum[k]) / 2;
    Entities->UpdateBoundingBox(int32_t(s->entity), segment_update_min, segment_update_max);
  }
  segno = 0;
  segno_new = false;
  lines_noticed = nullptr;
}

void delete_one_segment(unsigned long n) {
  bsegment* s = existing(n);
  if (segno == n) close_segment();
  if (visible(s)) Entities->UnSetVisible(int32_t(s->entity));
  uncount(s);
  unlink_from_entity(s);
  free_segment(s);
  segment_infos[n - 1] = nullptr;
  set_geometry_update();
  min_max_update = true;
}

void delete_all_entities() {
  Entities->DeleteAllEntities();
  Entities->CleanUp();
  Entities->InitRoot();
}

void delete_all_segments() {
  if (segno != 0) close_segment();
  delete_all_entities();
  for (int i = 1; i <= ENTITY_PATH_LEVELS; ++i) entity_path[i] = entity_path_record{0, 0, -1, {0}, nullptr};
  entity_path[0].last_segment = nullptr;
  entity_level = 0;
  for (unsigned long i = 0; i < segment_array_length; ++i)
    if (segment_infos[i] != nullptr) {
      count_material(segment_infos[i], 0);
      free_segment(segment_infos[i]);
    }
  if (segment_infos != nullptr) CheckedFree(segment_infos);
  segment_infos = nullptr;
  segment_array_length = 0;
  set_geometry_update();
  Entities->UpdateAllLists(true, true, true);
  min_max_update = true;
  balances = segment_balances{};
}

void flush_segment_content(unsigned long n) {
  if (!segment_exists(long(n))) return;
  bsegment* s = segment_infos[n - 1];
  if (segno == n) dump_poly_line();
  flush_geometry(s);
  if (s->counted != 0) recount(s);
  tell(s, true, true, true, true);
}

bool segment_exists(long n) {
  return n >= 1 && static_cast<unsigned long>(n) <= segment_array_length && segment_infos[n - 1] != nullptr;
}

unsigned long open_segment_number() { return segno; }

bsegment* get_segment(unsigned long n) { return segment_exists(long(n)) ? segment_infos[n - 1] : nullptr; }
unsigned long segment_number_bound() { return segment_array_length; }

void make_one_visible(unsigned long n) {
  bsegment* s = existing(n);
  if (visible(s)) return;
  s->flags |= SEG_VISIBLE;
  Entities->SetVisible(int32_t(s->entity));
  // The entity boxes cull the drawing: they must hold the segment again.
  if (s->minimum[0] <= s->maximum[0]) Entities->UpdateBoundingBox(int32_t(s->entity), s->minimum, s->maximum);
  // An open new segment is counted when it is closed.
  if (!(segno == n && segno_new)) recount(s);
  set_geometry_update();
  min_max_update = true;
}

void make_one_invisible(unsigned long n) {
  bsegment* s = existing(n);
  if (!visible(s)) return;
  s->flags &= uint8_t(~SEG_VISIBLE);
  Entities->UnSetVisible(int32_t(s->entity));
  recount(s);
  set_geometry_update();
  min_max_update = true;
}

void make_all_visible() {
  for (unsigned long i = 0; i < segment_array_length; ++i)
    if (segment_infos[i] != nullptr) make_one_visible(i + 1);
}

void make_all_invisible() {
  for (unsigned long i = 0; i < segment_array_length; ++i)
    if (segment_infos[i] != nullptr) make_one_invisible(i + 1);
}

// ------------------------------------------------------------ geometry

void move_beam(float x, float y, float z) {
  next_beam_position[0] = x, next_beam_position[1] = y, next_beam_position[2] = z;
}

void set_beam_position(long x, long y, long z) { move_beam(float(x), float(y), float(z)); }
const float* get_beam_position() { return next_beam_position; }

void insert_line(float x, float y, float z) {
  bsegment* s = open_segment();
  bool same = true;
  for (int k = 0; k < 3; ++k) same &= next_beam_position[k] == current_inc_position[k];
  if (!same || inc_restart) {
    dump_poly_line();
    append_poly_line_point(next_beam_position);
    inc_restart = false;
    widen_running(next_beam_position);
  }
  const float p[3] = {x, y, z};
  append_poly_line_point(p);
  for (int k = 0; k < 3; ++k) next_beam_position[k] = current_inc_position[k] = p[k];
  mark_written(s);
  tell(s, false, true, true, true);
  widen_running(p);
}

namespace {

// Appends points up to and including the first one holding a NaN (which
// ends the poly-line, as for insert_line); returns how many it took.
unsigned long append_lines(unsigned long n, const float* points) {
  const float* beam = next_beam_position;
  bool same = beam[0] == current_inc_position[0] && beam[1] == current_inc_position[1] &&
              beam[2] == current_inc_position[2];
  if (!same || inc_restart) {
    dump_poly_line();
    append_poly_line_point(beam);
    inc_restart = false;
    widen_running(beam);
  }
  reserve_poly_line(uint32_t(n));
  float* out = poly_line + 3 * size_t(poly_line_length);
  unsigned long taken = 0;
  // The poly-line's box in locals: selects instead of branches and stores.
  // Its points before these are in the segment's box already, so the
  // segment's box takes the poly-line's.
  float lo[3], hi[3];
  for (int k = 0; k < 3; ++k) lo[k] = poly_line_box.lo[k], hi[k] = poly_line_box.hi[k];
  while (taken < n) {
    const float* p = points + 3 * taken++;
    for (int k = 0; k < 3; ++k) {
      out[k] = p[k];
      lo[k] = p[k] < lo[k] ? p[k] : lo[k];
      hi[k] = p[k] > hi[k] ? p[k] : hi[k];
    }
    out += 3;
    if (!(p[0] == p[0] && p[1] == p[1] && p[2] == p[2])) break;
  }
  for (int k = 0; k < 3; ++k) {
    poly_line_box.lo[k] = lo[k], poly_line_box.hi[k] = hi[k];
    segment_update_min[k] = lo[k] < segment_update_min[k] ? lo[k] : segment_update_min[k];
    segment_update_max[k] = hi[k] > segment_update_max[k] ? hi[k] : segment_update_max[k];
  }
  poly_line_length += uint32_t(taken);
  segment_min_max_update = true;
  const float* last = points + 3 * (taken - 1);
  for (int k = 0; k < 3; ++k) next_beam_position[k] = current_inc_position[k] = last[k];
  return taken;
}

}  // namespace

void insert_lines(unsigned long n, const float* points) {
  if (n == 0) return;
  bsegment* s = open_segment();
  if (n > 0xFFFFFFFFu / 3) halt("poly-line too long");
  for (unsigned long done = 0; done < n;) done += append_lines(n - done, points + 3 * done);
  if (lines_noticed != s) {
    mark_written(s);
    tell(s, false, true, true, true);
    lines_noticed = s;
  }
}

void renew_line_notices() { lines_noticed = nullptr; }

void insert_marker() {
  vector_type* p = static_cast<vector_type*>(CheckedMalloc(sizeof(vector_type)));
  *p = vector_type{next_beam_position[0], next_beam_position[1], next_beam_position[2]};
  insert_markers(1, p);
}

void insert_markers(unsigned long n, vector_type* points) {
  if (segno == 0) CheckedFree(points);
  bsegment* s = open_segment();
  link_marker(s, new GEOMMarkers(n, points));
  ++no_of_markers_in_segment;
  for (unsigned long i = 0; i < n; ++i) widen_running(&points[i].x);
  mark_written(s);
}

void insert_text(char* text) {
  if (segno == 0) CheckedFree(text);
  bsegment* s = open_segment();
  link_text(s, new GEOMText(next_beam_position[0], next_beam_position[1], next_beam_position[2], text));
  widen_running(next_beam_position);
  mark_written(s);
}

void insert_vector(const vector_type* position, const vector_type* direction, float size1, float size2) {
  bsegment* s = open_segment();
  float length = std::sqrt(direction->x * direction->x + direction->y * direction->y + direction->z * direction->z);
  if (!(length >= 1e-6f)) return;
  link_line(s, new GEOMVector(position->x, position->y, position->z, direction->x / length, direction->y / length,
                              direction->z / length, size1, size2));
  mark_written(s);
  tell(s, false, true, true, true);
  widen_running(&position->x);
}

void draw_colored_lines(vector_type* points, float* c, unsigned long n) {
  if (segno == 0) {
    CheckedFree(points);
    CheckedFree(c);
  }
  bsegment* s = open_segment();
  if (n == 0) {
    CheckedFree(points);
    CheckedFree(c);
    return;
  }
  float* colours = static_cast<float*>(CheckedMalloc(sizeof(float) * 3 * n));
  for (unsigned long i = 0; i < n; ++i) {
    // Positions outside the palette take its first or last entry.
    float v = c[i];
    if (!(v >= 0)) v = 0;
    if (v > float(PALETTE_SIZE - 1)) v = float(PALETTE_SIZE - 1);
    unsigned lo = unsigned(v), hi = lo + 1 < PALETTE_SIZE ? lo + 1 : lo;
    float d = v - float(lo), a[3], b[3];
    get_colormap_entry(lo, &a[0], &a[1], &a[2]);
    get_colormap_entry(hi, &b[0], &b[1], &b[2]);
    for (int k = 0; k < 3; ++k) colours[3 * i + k] = (1 - d) * a[k] + d * b[k];
    widen_running(&points[i].x);
  }
  CheckedFree(c);
  link_line(s, new GEOMPolyline(n, &points[0].x, colours));
  mark_written(s);
  tell(s, false, true, false, true);
}

void fill_colored_facet_tree(unsigned long n_points, vector_type* points, vector_type* normals, float* colours,
                             unsigned long n_indices, uint32_t* indices, float* texture_coordinates,
                             const PointBox* box) {
  if (segno == 0)
    for (void* block : {static_cast<void*>(points), static_cast<void*>(normals), static_cast<void*>(colours),
                        static_cast<void*>(indices), static_cast<void*>(texture_coordinates)})
      if (block != nullptr) CheckedFree(block);
  bsegment* s = open_segment();
  GEOMShell* shell = new GEOMShell(n_points, points, reinterpret_cast<float*>(normals), colours, n_indices, indices,
                                   texture_coordinates, box);
  insert_shell(s, shell);
  if (n_points > 0) widen_running_by_box(shell);
  s->flags = uint8_t(normals != nullptr ? s->flags | SEG_LIT : s->flags & ~SEG_LIT);
  mark_written(s);
  tell(s, true, false, true, true);
}

void set_segment_lod(unsigned char lod) {
  if (lod < 1 || lod > LEVELS_OF_DETAIL) {
    char message[80];
    snprintf(message, sizeof message, "level of detail %u outside 1..%d", unsigned(lod), LEVELS_OF_DETAIL);
    fatal_application_error(message);
  }
  if (lod == segment_lod) return;
  open_segment();
  dump_poly_line();
  segment_lod = lod;
}

unsigned char get_segment_lod() { return segment_lod; }

void set_segment_facet_size(float size) { open_segment()->facet_size[segment_lod - 1] = size; }

static GEOMShell* open_shell() {
  bsegment* s = open_segment_or_null();
  return s == nullptr ? nullptr : s->facet_tree[segment_lod - 1];
}

vector_type* get_geomshell_points() { return open_shell() ? open_shell()->get_points() : nullptr; }
float* get_geomshell_normals() { return open_shell() ? open_shell()->get_normals() : nullptr; }
float* get_geomshell_texcoords() { return open_shell() ? open_shell()->get_texture_coordinates() : nullptr; }
uint32_t* get_geomshell_indices() { return open_shell() ? open_shell()->get_indices() : nullptr; }
uint32_t get_geomshell_number_of_points() { return open_shell() ? open_shell()->get_number_of_points() : 0; }
uint32_t get_geomshell_number_of_indices() { return open_shell() ? open_shell()->get_number_of_indices() : 0; }
bool get_geomshell_update_allowed() { return open_shell() != nullptr; }

void geomshell_updated() {
  GEOMShell* shell = open_shell();
  if (shell == nullptr) internal_error(ERR_NO_OPEN_SEGMENT, MODULE);
  shell->arrays_changed();
  if (shell->get_number_of_points() > 0) widen_running_by_box(shell);
}

// ------------------------------------------------------------ attributes

bool change_hidden_line_attributes(bool on, short colour, unsigned short value) {
  return change_attribute([&](DrawAttributes* a) { return a->set_hidden_line_mode(on, colour, value); },
                          [](const bsegment* s) { return visible(s) && (s->flags & SEG_HAS_LINES) != 0; },
                          [](bsegment* s) { tell(s, false, true, false, false); });
}

bool change_line_color(short index) {
  return change_attribute([&](DrawAttributes* a) { return a->set_line_color(index); }, visible_with_lines,
                          [](bsegment* s) {
                            bool facet_lines = (s->flags & SEG_HAS_FACETS) &&
                                               s->attributes.get_polygon_mode() == GL_LINE;
                            tell(s, facet_lines, s->flags & SEG_HAS_LINES, false, false);
                          });
}

bool change_line_style(bool on, unsigned short pattern) {
  return change_attribute([&](DrawAttributes* a) { return a->set_line_stipple(on, pattern); }, visible_with_lines,
                          [](bsegment* s) { tell(s, false, true, true, false); });
}

bool change_line_weight(unsigned short width) {
  return change_attribute([&](DrawAttributes* a) { return a->set_line_width(int16_t(width)); }, visible_with_lines,
                          [](bsegment* s) { tell(s, false, true, true, false); });
}

bool change_marker_color(short index) {
  return change_attribute([&](DrawAttributes* a) { return a->set_marker_color(index); },
                          [](const bsegment* s) { return visible(s) && (s->flags & SEG_HAS_MARKERS) != 0; },
                          [](bsegment* s) {
                            if (s->flags & SEG_DOT_MARKERS)
                              tell(s, false, true, false, false);
                            else
                              set_repaint(false);
                          });
}

bool change_text_color(short index) {
  return change_attribute([&](DrawAttributes* a) { return a->set_text_color(index); },
                          [](const bsegment* s) { return visible(s) && (s->flags2 & SEG2_HAS_TEXT) != 0; },
                          [](bsegment*) { set_repaint(false); });
}

bool highlight_segment(bool on, const float* colour) {
  return change_attribute([&](DrawAttributes* a) { return a->set_highlight_mode(on, colour); }, visible_with_facets,
                          [](bsegment* s) { tell(s, true, false, false, false); });
}

bool set_segment_fast_lod(bool on) {
  bool result = change_attribute([&](DrawAttributes* a) { return a->set_fast_lod(on); }, visible_with_facets,
                                 [](bsegment* s) { tell(s, true, false, false, false); });
  // The fast level-of-detail counter follows the attribute of a counted segment.
  bsegment* s = open_segment_or_null();
  if (s != nullptr && s->counted != 0) recount(s);
  return result;
}

bool set_segment_material_index(unsigned short index) {
  bool result = change_attribute([&](DrawAttributes* a) { return a->set_material_index(index); },
                                 visible_with_facets, [](bsegment* s) { tell(s, true, false, false, false); });
  bsegment* s = open_segment_or_null();
  if (s != nullptr && s->counted != 0) recount(s);
  return result;
}

bool set_segment_shade_model(unsigned polygon_mode, bool lit, unsigned shade_model) {
  return change_attribute([&](DrawAttributes* a) { return a->set_facet_mode(shade_model, lit, polygon_mode); },
                          visible_with_facets, [](bsegment* s) { tell(s, true, false, true, false); });
}

bool set_segment_polygon_offset(bool on) {
  return change_attribute([&](DrawAttributes* a) { return a->set_polygon_offset(on); }, visible_with_facets,
                          [](bsegment* s) { tell(s, true, false, false, false); });
}

bool set_segment_enable_clipping_planes(const bool* twelve) {
  return change_attribute([&](DrawAttributes* a) { return a->set_enable_clipping_planes(twelve); }, visible,
                          [](bsegment* s) { tell(s, true, true, false, false); });
}

bool set_segment_marker_size(unsigned char size) {
  return change_attribute([&](DrawAttributes* a) { return a->set_marker_size(size); },
                          [](const bsegment* s) { return (s->flags & SEG_HAS_MARKERS) != 0; },
                          [](bsegment* s) {
                            if (s->flags & SEG_DOT_MARKERS)
                              tell(s, false, true, false, false);
                            else
                              set_repaint(false);
                          });
}

bool set_segment_text_size(unsigned char size) {
  return change_attribute([&](DrawAttributes* a) { return a->set_text_size(size); },
                          [](const bsegment* s) { return visible(s) && (s->flags2 & SEG2_HAS_TEXT) != 0; },
                          [](bsegment*) { set_repaint(false); });
}

bool set_marker_symbol(char symbol) {
  bsegment* s = open_segment_or_null();
  if (s != nullptr && s->attributes.set_marker_symbol(symbol)) {
    bool markers = s->flags & SEG_HAS_MARKERS;
    if (markers) set_repaint(false);
    if (s->flags & SEG_DOT_MARKERS) tell(s, false, true, false, false);
    bool dots = symbol == '.' && markers;
    s->flags = uint8_t(dots ? s->flags | SEG_DOT_MARKERS : s->flags & ~SEG_DOT_MARKERS);
    if (dots) tell(s, false, true, false, false);
  }
  return current_draw_attributes.set_marker_symbol(symbol);
}

void set_segment_selection_type(SelectionType type) {
  bsegment* s = open_segment_or_null();
  if (s != nullptr) s->selection_type = type;
  current_selection_type = type;
}

void set_cg_selectability(bool excluded) {
  bsegment* s = open_segment_or_null();
  if (s == nullptr) return;
  s->flags = uint8_t(excluded ? s->flags | SEG_NOT_SELECTABLE : s->flags & ~SEG_NOT_SELECTABLE);
}

void set_texture_parameters(const int* wrap, const float* translate, const float* scale, float rotate) {
  bsegment* s = open_segment_or_null();
  if (s != nullptr) {
    for (GEOMShell* shell : s->facet_tree)
      if (shell != nullptr) shell->set_texture_parameters(wrap, translate, scale, rotate);
    if (visible(s)) tell(s, true, false, false, false);
  }
  for (int i = 0; i < 2; ++i) {
    current_texture_parameter[i] = wrap[i];
    current_texture_translate[i] = translate[i];
    current_texture_scale[i] = scale[i];
  }
  current_texture_rotate = rotate;
}

const DrawAttributes* get_current_draw_attributes() { return &current_draw_attributes; }

// ------------------------------------------------------------ entities

void set_entity(unsigned long ident, unsigned long type) {
  act_entity_ident = ident;
  act_entity_type = type;
}

void set_level_name(unsigned long level, const char* name) {
  if (level < 1 || level > MAX_ENTITY_LEVEL) {
    char message[80];
    snprintf(message, sizeof message, "entity level %lu outside 1..%u", level, MAX_ENTITY_LEVEL);
    fatal_application_error(message);
  }
  if (level > entity_level + 1) {
    fflush(stdout);
    fputs("found hierarchy level mismatch:\ncurrent entity is\n", stderr);
    for (unsigned long i = 1; i <= entity_level; ++i)
      fprintf(stderr, "   %lu: name = %s, type = %d, ident = %d\n", i, entity_path[i].name, entity_path[i].type,
              entity_path[i].ident);
    fputs("\n   set_level_name trys to open:\n", stderr);
    fprintf(stderr, "      entity with level = %lu, name = %s, type = %lu, ident = %lu\n", level, name,
            act_entity_type, act_entity_ident);
    fputs("\nnew entities level greater than current entities level + 1\n", stderr);
    halt("found hierarchy level mismatch, see message above");
  }
  entity_path_record& r = entity_path[level];
  size_t n = 0;
  while (n < ENTITY_NAME_SIZE - 1 && name[n] != 0 && name[n] != ' ') ++n;
  memcpy(r.name, name, n);
  r.name[n] = 0;
  if (r.type != int32_t(act_entity_type) || r.ident != int32_t(act_entity_ident)) {
    r.type = int32_t(act_entity_type);
    r.ident = int32_t(act_entity_ident);
    for (unsigned long i = level; i <= ENTITY_PATH_LEVELS; ++i) {
      entity_path[i].entity = -1;
      entity_path[i].last_segment = nullptr;
      if (i > level) entity_path[i].type = entity_path[i].ident = 0, entity_path[i].name[0] = 0;
    }
  }
  Entities->AddEntity(level, entity_path, act_entity_type, act_entity_ident, new_states_set ? new_states : nullptr);
  entity_level = level;
}

void set_entity_face(const float* cuboid) { Entities->SetBoundingCuboid(act_entity_type, act_entity_ident, cuboid); }

bool set_entity_states(const long* seven) {
  new_states_set = true;
  for (int i = 0; i < 7; ++i) {
    if (seven[i] >= 0)
      new_states[i] = int32_t(seven[i]);
    else
      new_states_set = false;
  }
  return new_states_set;
}

EntityList* get_entity_list() { return Entities; }
unsigned long get_entity_level() { return entity_level; }

// ------------------------------------------------------------ lists and counters

// Frees the names in the current context, so that a context made next records them anew.
void init_lists() {
  if (Entities != nullptr && Entities->Root() != nullptr) Entities->Root()->DeleteLists();
}

void update_lists(bool surfaces, bool lines, bool shadows) {
  if (Entities != nullptr) Entities->UpdateAllLists(surfaces, lines, shadows);
}

void update_current_segment(bool surfaces, bool lines, bool shadows, bool geometry) {
  bsegment* s = open_segment_or_null();
  if (s == nullptr) internal_error(ERR_NO_OPEN_SEGMENT, MODULE);
  if (visible(s)) tell(s, surfaces, lines, shadows, geometry);
}

void update_lists_using_material(unsigned short material) {
  for (unsigned long i = 0; i < segment_array_length; ++i) {
    bsegment* s = segment_infos[i];
    if (s != nullptr && (s->flags & SEG_HAS_FACETS) && s->attributes.get_material_index() == material)
      tell(s, true, false, false, false);
  }
}

void update_segment_materials(unsigned short material) {
  // Higher numbers close the gap (the same material, so lists stay good);
  // users of the removed one fall back to material 1. True when the material changed.
  auto renumber = [&](DrawAttributes* a) {
    uint16_t index = a->get_material_index();
    if (index > material) {
      a->set_material_index(uint16_t(index - 1));
      return false;
    }
    if (index != material) return false;
    if (index != 1) a->set_material_index(1);
    return true;
  };
  for (unsigned long i = 0; i < segment_array_length; ++i) {
    bsegment* s = segment_infos[i];
    if (s == nullptr) continue;
    // The removed material took its count along; higher ones moved down.
    if (s->counted_material == material) s->counted_material = 0;
    if (s->counted_material > material) --s->counted_material;
    if (renumber(&s->attributes) && visible_with_facets(s)) tell(s, true, false, false, false);
    if (s->counted != 0) recount(s);
  }
  renumber(&current_draw_attributes);
}

void compute_min_max() {
  // Without a store (before its start or after its clean-up) the extent stays empty.
  if (Entities != nullptr) Entities->ComputeMinMax();
  min_max_update = false;
}

bool get_min_max_update() { return min_max_update; }
void set_min_max_update(bool on) { min_max_update = on; }

void get_model_centre(float out[3]) {
  float box[6];
  get_bounding_cuboid(box);
  for (int k = 0; k < 3; ++k) out[k] = (box[k] + box[k + 3]) / 2;
}


unsigned long get_number_of_triangles() {
  unsigned long n = 0;
  for (unsigned long i = 0; i < segment_array_length; ++i) {
    bsegment* s = segment_infos[i];
    if (s != nullptr && visible(s) && s->facet_tree[0] != nullptr) n += s->facet_tree[0]->get_number_triangles();
  }
  return n;
}

void reset_triangles_displayed() { triangles_displayed = 0; }
void add_triangles_in_cache(unsigned long n) { triangles_displayed += n; }
void put_triangles_displayed() { put_predef(99, int32_t(triangles_displayed)); }
unsigned long get_triangles_displayed() { return triangles_displayed; }
bool get_display_was_fast() { return display_was_fast; }
int get_background_color() { return 0; }
const segment_balances* get_segment_balances() { return &balances; }

// ------------------------------------------------------------ drawing

bool draw_entities(RepaintAttributes* attributes, bool (*abort)()) {
  XGLContext* gl = XGLContext::current_context;
  DisplayOptions* options = get_display_options();
  gl->set_line_width(1);
  gl->enable_line_stippling(false);
  bool fast = options->get_fast_lod() && !get_perform_high_quality_repaint() &&
              (options->get_level_of_detail() || balances.fast_lod > 0);
  min_triangle_size = fast ? 10.0f : 2.0f;
  attributes->list_variant = uint8_t(fast ? 2 : 1);
  attributes->polygon_offset = (!gl->get_color_index_mode() && balances.faces > 0 && balances.lines > 0 &&
                                !attributes->geometry_only) ||
                               options->get_self_shadows();
  if (attributes->display_options == nullptr) attributes->display_options = options;
  bool aborted = Entities->DrawEntities(attributes, abort);
  if (!aborted && !attributes->reflection && !attributes->geometry_only) display_was_fast = fast;
  gl->set_polygon_offset(0, 0);
  gl->enable_polygon_offset(false);
  gl->set_line_width(1);
  gl->enable_line_stippling(false);
  gl->enable_lighting(false);
  draw_scene_graph(get_current_view_number(), attributes);
  return aborted;
}

GEOMObject* find_first_geomobject(const bsegment* s, bool mirrored) {
  if (!get_display_options()->get_level_of_detail() || !(s->flags & SEG_HAS_FACETS)) return s->chain[0];
  GEOMObject* chosen = nullptr;
  float y = mirrored ? -s->centre[1] : s->centre[1];
  float scale = get_view_scale(s->centre[0], y, s->centre[2]);
  for (int l = 0; l < LEVELS_OF_DETAIL && s->facet_tree_present[l]; ++l) {
    chosen = s->chain[l];
    if (scale * s->facet_size[l] > min_triangle_size) break;
  }
  return chosen;
}

void draw_segment(bsegment* s, RepaintAttributes* attributes) {
  const DrawAttributes& a = s->attributes;
  DisplayOptions* options = get_display_options();
  bool enables[MAX_CLIPPLANES];
  for (int i = 0; i < MAX_CLIPPLANES; ++i) enables[i] = a.get_clip_plane_enabled(i);
  activate_clipplanes(enables);
  bool lit = (s->flags & SEG_LIT) && !attributes->geometry_only && get_highlight_mode() == 0 &&
             a.get_shaded_facets() && !options->get_display_hidden_line();
  bool dots = s->flags & SEG_DOT_MARKERS;
  bool other_markers = (s->flags & SEG_HAS_MARKERS) && !dots;
  GEOMObject *from, *to;
  switch (attributes->pass) {
    case 0:
    case 3:
      from = find_first_geomobject(s, attributes->mirrored);
      to = tail_start(s);
      break;
    case 1:
      from = s->first_line != nullptr ? s->first_line : (dots ? s->first_marker : s->first_text);
      to = other_markers ? s->first_marker : s->first_text;
      break;
    case 2:
      from = other_markers ? s->first_marker : s->first_text;
      to = nullptr;
      break;
    default:
      internal_error(ERR_PASS, MODULE);
  }
  bool blended = lit && options->get_enable_transparency() && a.get_polygon_mode() == GL_FILL;
  if (blended && material_exists(a.get_material_index()) && material_is_transparent(a.get_material_index())) {
    if (attributes->pass != 3) return;
    for (GEOMObject* p = from; p != nullptr && p != to; p = p->next) {
      p->draw_transparent(&a, attributes);
      triangles_displayed += p->get_number_triangles();
    }
    return;
  }
  // Shadows leave out the transparent-enabled filled segments whose material casts none.
  if (attributes->pass == 0 && attributes->geometry_only && (s->flags & SEG_LIT) && options->get_enable_transparency() &&
      a.get_polygon_mode() == GL_FILL && material_exists(a.get_material_index()) &&
      !material_casts_shadows(a.get_material_index()))
    return;
  XGLContext::current_context->enable_lighting(lit);
  if (attributes->pass == 3) return;
  for (GEOMObject* p = from; p != nullptr && p != to; p = p->next) {
    p->draw(&a, attributes);
    triangles_displayed += p->get_number_triangles();
  }
}

bool segment_contains_geometry_of_pass(const bsegment* s, unsigned char pass) {
  switch (pass) {
    case 0: return s->flags & SEG_HAS_FACETS;
    case 1: return (s->flags & SEG_HAS_LINES) || (s->flags & SEG_DOT_MARKERS);
    case 2: return ((s->flags & SEG_HAS_MARKERS) && !(s->flags & SEG_DOT_MARKERS)) || (s->flags2 & SEG2_HAS_TEXT);
    case 3: return (s->flags & SEG_HAS_FACETS) && get_display_options()->get_enable_transparency();
    default: internal_error(ERR_PASS, MODULE);
  }
}

bool segments_of_pass_visible(unsigned char pass) {
  switch (pass) {
    case 0: return balances.faces != 0;
    case 1: return balances.lines + balances.markers != 0;
    case 2: return balances.markers + balances.text != 0;
    case 3: return balances.faces != 0 && get_display_options()->get_enable_transparency();
    default: internal_error(ERR_PASS, MODULE);
  }
}
