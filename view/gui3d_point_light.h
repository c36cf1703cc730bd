// POINT_LIGHT: a positioned light (x, y, z), access points 26 (origin) and 27 (image).
#pragma once

#include "view/gui3d_point_type.h"

class GUI3DPointLight : public GUI3DPointType {
 public:
  GUI3DPointLight(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  // Unlit a disc with rays, lit a bulb.
  void draw_symbol(bool lit, float transparency) override;
};
