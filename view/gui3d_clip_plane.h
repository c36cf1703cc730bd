// CLIP_PLANE: a plane through a point with a normal (point x, y, z; normal
// x, y, z, the z axis); access points 3 (origin), 4 (normal middle), 5
// (normal end), 6 (image).
#pragma once

#include "view/gui3d_plane_type.h"

class GUI3DClipPlane : public GUI3DPlaneType {
 public:
  GUI3DClipPlane(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  void update_symbol_parameter() override;
  void compute_minmax() override;
  void draw_symbol(bool lit, float transparency) override;
};
