// The application's 3D model as numbered segments (1 to 33554431): each holds
// a facet tree per level of detail 1..10 and a shared tail of lines, markers
// and texts, and belongs to an entity of the entity tree. One store per server.
#pragma once

#include <cstdint>

#include "base/point_vector.h"
#include "scene/draw_attributes.h"

struct PointBox;

class EntityList;
class GEOMObject;
class GEOMShell;
struct RepaintAttributes;

constexpr unsigned long MAX_SEGMENT_NUMBER = 33554431;
constexpr int LEVELS_OF_DETAIL = 10;

// Segment flags.
enum : uint8_t {
  SEG_VISIBLE = 0x01,
  SEG_NOT_SELECTABLE = 0x02,
  SEG_WRITTEN = 0x04,
  SEG_LIT = 0x08,
  SEG_HAS_FACETS = 0x10,
  SEG_HAS_LINES = 0x20,
  SEG_HAS_MARKERS = 0x40,
  SEG_DOT_MARKERS = 0x80,
};
enum : uint8_t { SEG2_HAS_TEXT = 0x01 };

struct SelectionType {
  bool selectable[3];  // selection types 3, 4 and 5
};

struct bsegment {
  uint32_t entity;  // 0xFFFFFFFF when cleared
  uint32_t index;   // segment number - 1
  bsegment* next;
  bsegment* previous;
  float minimum[3];
  float maximum[3];
  float centre[3];
  GEOMObject* chain[LEVELS_OF_DETAIL];
  GEOMShell* facet_tree[LEVELS_OF_DETAIL];
  GEOMObject* first_line;
  GEOMObject* first_marker;
  GEOMObject* first_text;
  uint8_t facet_tree_present[LEVELS_OF_DETAIL];
  float facet_size[LEVELS_OF_DETAIL];
  DrawAttributes attributes;
  SelectionType selection_type;
  uint8_t flags;
  uint8_t flags2;
  // The kinds this segment was last counted with (a visible segment's
  // contribution to the counters), so that a change subtracts exactly that.
  uint16_t counted;
  // The material this segment counts as in use (a visible lit facet tree), 0 none.
  uint16_t counted_material;
};

// Start and end.
void init_segment_structure();
void cleanup_ldf();

// Segment life.
unsigned long create_segment(unsigned long n);
void close_segment();
void delete_one_segment(unsigned long n);
void delete_all_segments();
void delete_all_entities();
void flush_segment_content(unsigned long n);
bool segment_exists(long n);
unsigned long open_segment_number();
void make_one_visible(unsigned long n);
void make_one_invisible(unsigned long n);
void make_all_visible();
void make_all_invisible();
// The record of an existing segment, null otherwise.
bsegment* get_segment(unsigned long n);
// Every segment's number is at most this.
unsigned long segment_number_bound();

// Geometry into the open segment.
void move_beam(float x, float y, float z);
void set_beam_position(long x, long y, long z);
const float* get_beam_position();
void insert_line(float x, float y, float z);
// The lines that n insert_line calls through the points (3 floats each)
// would draw, in one step. The written flag, the geometry update and the
// entity's line lists are set once per segment until renew_line_notices.
void insert_lines(unsigned long n, const float* points);
// After anything that may have read those flags (a refill, which may
// repaint, or a command): the next insert_lines sets them again.
void renew_line_notices();
void insert_marker();
void insert_markers(unsigned long n, vector_type* points);
void insert_text(char* text);
void insert_vector(const vector_type* position, const vector_type* direction, float size1, float size2);
// Takes ownership of both arrays; colour positions are palette indices with
// a fraction that blends toward the next entry.
void draw_colored_lines(vector_type* points, float* colour_indices, unsigned long n);
// Takes ownership of every array; normals, colours and texture coordinates may
// be null; `box`, when given, is the points' box.
void fill_colored_facet_tree(unsigned long n_points, vector_type* points, vector_type* normals, float* colours,
                             unsigned long n_indices, uint32_t* indices, float* texture_coordinates,
                             const PointBox* box = nullptr);
void set_segment_lod(unsigned char lod);
unsigned char get_segment_lod();
void set_segment_facet_size(float size);
vector_type* get_geomshell_points();
float* get_geomshell_normals();
float* get_geomshell_texcoords();
uint32_t* get_geomshell_indices();
uint32_t get_geomshell_number_of_points();
uint32_t get_geomshell_number_of_indices();
bool get_geomshell_update_allowed();
// After an in-place update of those arrays: box and triangle count anew.
void geomshell_updated();

// Attribute commands: the open segment's copy and the current attributes.
bool change_hidden_line_attributes(bool on, short colour, unsigned short value);
bool change_line_color(short index);
bool change_line_style(bool on, unsigned short pattern);
bool change_line_weight(unsigned short width);
bool change_marker_color(short index);
bool change_text_color(short index);
bool highlight_segment(bool on, const float* colour);
bool set_segment_fast_lod(bool on);
bool set_segment_material_index(unsigned short index);
bool set_segment_shade_model(unsigned polygon_mode, bool lit, unsigned shade_model);
bool set_segment_polygon_offset(bool on);
bool set_segment_enable_clipping_planes(const bool* twelve);
bool set_segment_marker_size(unsigned char size);
bool set_segment_text_size(unsigned char size);
bool set_marker_symbol(char symbol);
void set_segment_selection_type(SelectionType type);
void set_cg_selectability(bool excluded);
void set_texture_parameters(const int* wrap, const float* translate, const float* scale, float rotate);
const DrawAttributes* get_current_draw_attributes();

// Entities.
void set_entity(unsigned long ident, unsigned long type);
void set_level_name(unsigned long level, const char* name);
void set_entity_face(const float* cuboid);
bool set_entity_states(const long* seven);
EntityList* get_entity_list();
unsigned long get_entity_level();

// Lists and counters.
void init_lists();
void update_lists(bool surfaces, bool lines, bool shadows);
void update_current_segment(bool surfaces, bool lines, bool shadows, bool geometry);
void update_lists_using_material(unsigned short material);
void update_segment_materials(unsigned short material);
void compute_min_max();
bool get_min_max_update();
void set_min_max_update(bool on);
// Centre of the model extent; the origin without geometry.
void get_model_centre(float out[3]);
unsigned long get_number_of_triangles();
void reset_triangles_displayed();
void add_triangles_in_cache(unsigned long n);
void put_triangles_displayed();
unsigned long get_triangles_displayed();
bool get_display_was_fast();
int get_background_color();

// Visibility counters: visible segments, in all and per kind.
struct segment_balances {
  int32_t segments, faces, lines, markers, text, fast_lod;
  int32_t lod[LEVELS_OF_DETAIL];
};
const segment_balances* get_segment_balances();

// Drawing.
bool draw_entities(RepaintAttributes* attributes, bool (*abort)());
void draw_segment(bsegment* segment, RepaintAttributes* attributes);
bool segment_contains_geometry_of_pass(const bsegment* segment, unsigned char pass);
bool segments_of_pass_visible(unsigned char pass);
GEOMObject* find_first_geomobject(const bsegment* segment, bool mirrored);
