// WORK_PLANE: a movable, turnable frame drawn as a plane with axes (origin;
// x, y and z axis; symbol scale); access points 42 (origin), 43 to 45 (axis
// ends), 46 to 48 (axis middles), 49 (symbol corner), 50 (image).
#pragma once

#include "view/gui3d_plane_type.h"

class GUI3DWorkPlane : public GUI3DPlaneType {
 public:
  GUI3DWorkPlane(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  void update_symbol_parameter() override;
  void compute_minmax() override;
  // Bit 0 set: no rotation and resize handles (43 to 49).
  bool set_configuration(uint32_t configuration) override;
  bool set_rotation(float, float, float, uint32_t, const char**) override { return false; }
  void draw_symbol(bool lit, float transparency) override;

  Point coord_x_end() const { return reference_point + x_axis * extent_1; }
  Point coord_y_end() const { return reference_point + y_axis * extent_2; }
  Point coord_z_end() const { return reference_point + z_axis * extent_1; }
  Point coord_x_middle() const { return reference_point + x_axis * (extent_1 / 2); }
  Point coord_y_middle() const { return reference_point + y_axis * (extent_2 / 2); }
  Point coord_z_middle() const { return reference_point + z_axis * (extent_1 / 2); }
  Point coord_symbol_corner() const { return reference_point + x_axis * extent_1 + y_axis * extent_2; }
  // The corner follows the pointer along the plane's diagonal.
  void resize_symbol(TekPoint pointer);

  static constexpr float SYMBOL_SCALE_MIN = 0.5f;
  static constexpr float SYMBOL_SHRINK_HIGHLIGHTED = 0.05f;
  static constexpr float SYMBOL_SHRINK_NON_HIGHLIGHTED = 0.02f;
  static constexpr float SYMBOL_XY_RATIO = 0.8f;

  bool handles = true;
  float symbol_scale = 1;
  float extent_1 = 0, extent_2 = 0;  // half-extents of the drawn plane along x and y
};
