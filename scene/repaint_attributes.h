// The settings of one drawing of entities and segments.
#pragma once

#include <cstdint>

class DisplayOptions;
class HighlightOptions;

struct RepaintAttributes {
  bool cull = false;
  bool reflection = false;
  bool geometry_only = false;      // shadows: no lighting
  bool projected_texture = false;  // self shadows
  bool polygon_offset = false;
  bool mirrored = false;
  bool use_lists = false;
  uint8_t list_variant = 1;
  uint8_t pass = 0;  // 0 surfaces, 1 lines, 2 overlay, 3 transparent
  uint32_t mirror_display_mode = 0;
  DisplayOptions* display_options = nullptr;
  HighlightOptions* highlight_options = nullptr;

  // Neither geometry-only nor projected-texture drawing.
  bool ordinary() const { return !geometry_only && !projected_texture; }
};
