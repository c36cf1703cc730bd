// RULER3D: rulers along the two world axes most nearly across the view,
// through a point (x, y, z); access points 30 (origin) and 31 (image).
#pragma once

#include "view/gui3d_point_type.h"

class GUI3DRuler3D : public GUI3DPointType {
 public:
  GUI3DRuler3D(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  void draw_symbol(bool lit, float transparency) override;

  // The part of the world axis `axis` through the origin that the view shows,
  // as distances from the origin; false when the view's frame is not cut twice.
  bool visible_part(const Vector& axis, float* from, float* to) const;
};

// The point-kind rulers' edit variables and their refusal of non-finite values.
bool set_ruler_origin(GUI3DPointType& ruler, const value* values, const char* kind, const char** message);
