// How one segment or scene-graph leaf is drawn: a value record whose setters
// report a change, with a mask of the attribute groups ever set explicitly.
#pragma once

#include <GL/gl.h>

#include <cstdint>

constexpr int NUMBER_OF_CLIP_PLANES = 12;

class DrawAttributes {
 public:
  // Bits of the set mask: byte × 8 + bit.
  enum MaskBit : uint8_t {
    MASK_MATERIAL = 0,
    MASK_TEXT_COLOR = 1,
    MASK_MARKER_COLOR = 2,
    MASK_LINE_COLOR = 3,
    MASK_LINE_WIDTH = 4,
    MASK_LINE_STIPPLE = 5,
    MASK_HIDDEN_LINE = 6,
    MASK_MARKER_SYMBOL = 7,
    MASK_MARKER_SIZE = 8,
    MASK_TEXT_SIZE = 9,
    MASK_POLYGON_OFFSET = 10,
    MASK_HIGHLIGHT = 11,
    MASK_FACET_MODE = 12,
    MASK_TEXTURE = 13,
    MASK_CLIP_PLANES = 14,
    MASK_FAST_LOD = 15,
  };

  bool set_material_index(uint16_t index);
  bool set_text_color(int16_t index);
  bool set_marker_color(int16_t index);
  bool set_line_color(int16_t index);
  bool set_line_width(int16_t width);
  // A pattern change counts only while stippling is on (or switches).
  bool set_line_stipple(bool on, uint16_t pattern);
  // A colour or value change counts only while the mode is on (or switches).
  bool set_hidden_line_mode(bool on, int16_t color, uint16_t value);
  bool set_marker_symbol(char symbol);
  bool set_marker_size(uint8_t size);
  bool set_text_size(uint8_t size);
  bool set_polygon_offset(bool on);
  bool set_facet_mode(GLenum shade_model, bool shaded, GLenum polygon_mode);
  bool set_enable_clipping_planes(const bool enables[NUMBER_OF_CLIP_PLANES]);
  bool set_fast_lod(bool on);
  // True only when something changed and shaded selection feedback is on.
  bool set_highlight_mode(bool on, const float rgb[3]);
  bool set_texture(const int wrap[2], const float translate[2], const float scale[2], float rotate);
  // Merges the groups set in `other`; true when anything changed.
  bool set(const DrawAttributes& other);

  void apply_material() const;

  uint16_t get_material_index() const { return material_index; }
  int16_t get_text_color() const { return text_color; }
  int16_t get_marker_color() const { return marker_color; }
  int16_t get_line_color() const { return line_color; }
  int16_t get_hidden_line_color() const { return hidden_line_color; }
  int16_t get_line_width() const { return line_width; }
  uint16_t get_line_stipple_pattern() const { return line_stipple_pattern; }
  uint16_t get_hidden_line_value() const { return hidden_line_value; }
  char get_marker_symbol() const { return marker_symbol; }
  uint8_t get_marker_size() const { return marker_size; }
  uint8_t get_text_size() const { return text_size; }
  bool get_polygon_offset() const { return polygon_offset; }
  bool get_highlight_mode() const { return highlight_mode; }
  const float* get_highlight_color() const { return highlight_color; }
  bool get_shaded_facets() const { return shaded_facets; }
  bool get_hidden_line_mode() const { return hidden_line_mode; }
  bool get_line_stipple() const { return line_stipple; }
  GLenum get_polygon_mode() const { return polygon_mode; }
  GLenum get_shade_model() const { return shade_model; }
  const float* get_texture_translation() const { return texture_translation; }
  const float* get_texture_scale() const { return texture_scale; }
  float get_texture_rotation() const { return texture_rotation; }
  const GLenum* get_texture_wrap() const { return texture_wrap; }
  bool get_clip_plane_enabled(int i) const { return clip_planes[i]; }
  bool get_fast_lod() const { return fast_lod; }
  bool is_set(MaskBit bit) const { return (set_mask[bit / 8] >> (bit % 8)) & 1; }

 private:
  void mark(MaskBit bit) { set_mask[bit / 8] |= uint8_t(1u << (bit % 8)); }

  uint16_t material_index = 1;
  int16_t text_color = 1;
  int16_t marker_color = 1;
  int16_t line_color = 1;
  int16_t hidden_line_color = 1;
  int16_t line_width = 1;
  uint16_t line_stipple_pattern = 0;
  uint16_t hidden_line_value = 0;
  char marker_symbol = '+';
  uint8_t marker_size = 8;
  uint8_t text_size = 10;
  bool polygon_offset = false;
  bool highlight_mode = false;
  float highlight_color[4] = {0, 0, 1, 1};
  bool shaded_facets = true;
  bool hidden_line_mode = false;
  bool line_stipple = false;
  GLenum polygon_mode = GL_FILL;
  GLenum shade_model = GL_SMOOTH;
  float texture_translation[2] = {0, 0};
  float texture_scale[2] = {1, 1};
  float texture_rotation = 0;
  GLenum texture_wrap[2] = {GL_REPEAT, GL_REPEAT};
  bool clip_planes[NUMBER_OF_CLIP_PLANES] = {true, true, true, true, true, true,
                                             true, true, true, true, true, true};
  bool fast_lod = false;
  uint8_t set_mask[2] = {0, 0};
};
