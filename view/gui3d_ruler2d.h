// RULER2D: two rulers along the view's screen axes through a point (x, y,
// z); access points 28 (origin) and 29 (image).
#pragma once

#include "view/gui3d_point_type.h"

class GUI3DRuler2D : public GUI3DPointType {
 public:
  GUI3DRuler2D(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  // A ruler along u over a quarter of the view's width to each side of the
  // origin and one along v over a quarter of its height, sectioned like the 3D ruler.
  void draw_symbol(bool lit, float transparency) override;
};
