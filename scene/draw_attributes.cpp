#include "scene/draw_attributes.h"

#include "gl/gl_context.h"
#include "scene/display_options.h"
#include "scene/materials.h"

namespace {

template <typename T>
bool store(T* field, T value) {
  if (*field == value) return false;
  *field = value;
  return true;
}

}  // namespace

bool DrawAttributes::set_material_index(uint16_t index) {
  mark(MASK_MATERIAL);
  return store(&material_index, index);
}
bool DrawAttributes::set_text_color(int16_t index) {
  mark(MASK_TEXT_COLOR);
  return store(&text_color, index);
}
bool DrawAttributes::set_marker_color(int16_t index) {
  mark(MASK_MARKER_COLOR);
  return store(&marker_color, index);
}
bool DrawAttributes::set_line_color(int16_t index) {
  mark(MASK_LINE_COLOR);
  return store(&line_color, index);
}
bool DrawAttributes::set_line_width(int16_t width) {
  mark(MASK_LINE_WIDTH);
  return store(&line_width, width);
}
bool DrawAttributes::set_line_stipple(bool on, uint16_t pattern) {
  mark(MASK_LINE_STIPPLE);
  bool switched = store(&line_stipple, on);
  bool pattern_changed = store(&line_stipple_pattern, pattern);
  return switched || (pattern_changed && on);
}
bool DrawAttributes::set_hidden_line_mode(bool on, int16_t color, uint16_t value) {
  mark(MASK_HIDDEN_LINE);
  bool switched = store(&hidden_line_mode, on);
  bool color_changed = store(&hidden_line_color, color);
  bool value_changed = store(&hidden_line_value, value);
  return switched || ((color_changed || value_changed) && on);
}
bool DrawAttributes::set_marker_symbol(char symbol) {
  mark(MASK_MARKER_SYMBOL);
  return store(&marker_symbol, symbol);
}
bool DrawAttributes::set_marker_size(uint8_t size) {
  mark(MASK_MARKER_SIZE);
  return store(&marker_size, size);
}
bool DrawAttributes::set_text_size(uint8_t size) {
  mark(MASK_TEXT_SIZE);
  return store(&text_size, size);
}
bool DrawAttributes::set_polygon_offset(bool on) {
  mark(MASK_POLYGON_OFFSET);
  return store(&polygon_offset, on);
}
bool DrawAttributes::set_facet_mode(GLenum model, bool shaded, GLenum mode) {
  mark(MASK_FACET_MODE);
  bool changed = store(&shade_model, model);
  changed |= store(&shaded_facets, shaded);
  changed |= store(&polygon_mode, mode);
  return changed;
}
bool DrawAttributes::set_enable_clipping_planes(const bool enables[NUMBER_OF_CLIP_PLANES]) {
  mark(MASK_CLIP_PLANES);
  bool changed = false;
  for (int i = 0; i < NUMBER_OF_CLIP_PLANES; ++i) changed |= store(&clip_planes[i], enables[i]);
  return changed;
}
bool DrawAttributes::set_fast_lod(bool on) {
  mark(MASK_FAST_LOD);
  return store(&fast_lod, on);
}
bool DrawAttributes::set_highlight_mode(bool on, const float rgb[3]) {
  mark(MASK_HIGHLIGHT);
  bool changed = store(&highlight_mode, on);
  if (on)
    for (int i = 0; i < 3; ++i) changed |= store(&highlight_color[i], rgb[i]);
  return changed && get_display_options()->get_use_shaded_selection_feedback();
}
bool DrawAttributes::set_texture(const int wrap[2], const float translate[2], const float scale[2], float rotate) {
  mark(MASK_TEXTURE);
  bool changed = false;
  for (int i = 0; i < 2; ++i) {
    changed |= store(&texture_wrap[i], GLenum(wrap[i]));
    changed |= store(&texture_translation[i], translate[i]);
    changed |= store(&texture_scale[i], scale[i]);
  }
  changed |= store(&texture_rotation, rotate);
  return changed;
}

bool DrawAttributes::set(const DrawAttributes& o) {
  bool changed = false;
  // Copies a group when any of its values differs.
  auto group = [&](MaskBit bit, bool differs, auto copy) {
    if (!o.is_set(bit)) return;
    mark(bit);
    if (!differs) return;
    copy();
    changed = true;
  };
  group(MASK_MATERIAL, material_index != o.material_index, [&] { material_index = o.material_index; });
  group(MASK_TEXT_COLOR, text_color != o.text_color, [&] { text_color = o.text_color; });
  group(MASK_MARKER_COLOR, marker_color != o.marker_color, [&] { marker_color = o.marker_color; });
  group(MASK_LINE_COLOR, line_color != o.line_color, [&] { line_color = o.line_color; });
  group(MASK_LINE_WIDTH, line_width != o.line_width, [&] { line_width = o.line_width; });
  group(MASK_LINE_STIPPLE, line_stipple != o.line_stipple || line_stipple_pattern != o.line_stipple_pattern, [&] {
    line_stipple = o.line_stipple;
    line_stipple_pattern = o.line_stipple_pattern;
  });
  group(MASK_HIDDEN_LINE,
        hidden_line_mode != o.hidden_line_mode || hidden_line_color != o.hidden_line_color ||
            hidden_line_value != o.hidden_line_value,
        [&] {
          hidden_line_mode = o.hidden_line_mode;
          hidden_line_color = o.hidden_line_color;
          hidden_line_value = o.hidden_line_value;
        });
  group(MASK_MARKER_SYMBOL, marker_symbol != o.marker_symbol, [&] { marker_symbol = o.marker_symbol; });
  group(MASK_MARKER_SIZE, marker_size != o.marker_size, [&] { marker_size = o.marker_size; });
  group(MASK_TEXT_SIZE, text_size != o.text_size, [&] { text_size = o.text_size; });
  group(MASK_POLYGON_OFFSET, polygon_offset != o.polygon_offset, [&] { polygon_offset = o.polygon_offset; });
  group(MASK_HIGHLIGHT,
        highlight_mode != o.highlight_mode || highlight_color[0] != o.highlight_color[0] ||
            highlight_color[1] != o.highlight_color[1] || highlight_color[2] != o.highlight_color[2],
        [&] {
          highlight_mode = o.highlight_mode;
          for (int i = 0; i < 3; ++i) highlight_color[i] = o.highlight_color[i];
        });
  group(MASK_FACET_MODE,
        shaded_facets != o.shaded_facets || polygon_mode != o.polygon_mode || shade_model != o.shade_model, [&] {
          shaded_facets = o.shaded_facets;
          polygon_mode = o.polygon_mode;
          shade_model = o.shade_model;
        });
  bool texture_differs = texture_rotation != o.texture_rotation;
  for (int i = 0; i < 2; ++i)
    texture_differs |= texture_translation[i] != o.texture_translation[i] || texture_scale[i] != o.texture_scale[i] ||
                       texture_wrap[i] != o.texture_wrap[i];
  group(MASK_TEXTURE, texture_differs, [&] {
    for (int i = 0; i < 2; ++i) {
      texture_translation[i] = o.texture_translation[i];
      texture_scale[i] = o.texture_scale[i];
      texture_wrap[i] = o.texture_wrap[i];
    }
    texture_rotation = o.texture_rotation;
  });
  bool planes_differ = false;
  for (int i = 0; i < NUMBER_OF_CLIP_PLANES; ++i) planes_differ |= clip_planes[i] != o.clip_planes[i];
  group(MASK_CLIP_PLANES, planes_differ, [&] {
    for (int i = 0; i < NUMBER_OF_CLIP_PLANES; ++i) clip_planes[i] = o.clip_planes[i];
  });
  group(MASK_FAST_LOD, fast_lod != o.fast_lod, [&] { fast_lod = o.fast_lod; });
  return changed;
}

void DrawAttributes::apply_material() const {
  // An index that names no material (none defined yet) draws in a plain grey.
  if (material_exists(material_index)) {
    set_gl_material(material_index, polygon_mode == GL_FILL);
  } else {
    static const float grey[4] = {0.8f, 0.8f, 0.8f, 1.0f};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, grey);
    set_update_material();
  }
  if (highlight_mode && get_display_options()->get_use_shaded_selection_feedback()) {
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, highlight_color);
    set_update_material();
  }
}
