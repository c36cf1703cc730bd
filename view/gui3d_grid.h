// GRID: square cells in up to three axis planes from an origin toward -x,
// -y and +z (origin x, y, z; segment size; number of segments); access
// points 11 (origin) and 12 (image). Drags move the origin by whole segments.
#pragma once

#include "view/gui3d_point_type.h"

class GUI3DGrid : public GUI3DPointType {
 public:
  GUI3DGrid(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  void compute_minmax() override;
  // Bit 0 markers instead of lines; bits 1 to 3 hide the planes of side_index_.
  bool set_configuration(uint32_t configuration) override;
  bool set_coordinate_system(uint32_t, const float*, uint32_t, const char**) override { return false; }
  void draw_symbol(bool lit, float transparency) override;

  void translate_xyz(TekPoint pointer);
  void translate_in_view(TekPoint pointer);

  static constexpr float SEGMENT_SIZE_MIN = 0.1f;
  // Beyond this a frame would draw (n + 1)² markers per plane without end.
  static constexpr uint32_t SEGMENTS_MAX = 1000;
  static const Vector side_direction_[3];
  static const int side_index_[3][2];

  float segment_size = 100;
  uint32_t segments = 10;
  bool markers = false;
  bool shown[3] = {true, true, true};
};
