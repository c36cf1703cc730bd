// POINT: a movable point (x, y, z), access points 13 (origin) and 14 (image).
#pragma once

#include "view/gui3d_point_type.h"

class GUI3DPoint : public GUI3DPointType {
 public:
  GUI3DPoint(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  void draw_symbol(bool lit, float transparency) override;
};
