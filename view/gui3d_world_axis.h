// WORLD_AXIS: the world axes as a rotation input (x, y and z axis, nine
// values), drawn at tek (300, 400) of the viewport and back to the world
// directions after every report; access points 51 to 53 (axis ends), 54 (image).
#pragma once

#include "view/gui3d_plane_type.h"

class GUI3DWorldAxis : public GUI3DPlaneType {
 public:
  GUI3DWorldAxis(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  void update_symbol_parameter() override;
  void compute_minmax() override;
  bool set_coordinate_system(uint32_t, const float*, uint32_t, const char**) override { return false; }
  void draw_symbol(bool lit, float transparency) override;

  uint16_t tek_x = 300, tek_y = 400;
};
