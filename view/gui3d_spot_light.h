// SPOT_LIGHT: a positioned light with a direction, spot angle and focus
// (position, direction with the z axis its negation, angle 0..90, focus
// 0..128); access points 32 (origin), 33 (middle of z), 34 (end of z), 35 (image).
#pragma once

#include "view/gui3d_plane_type.h"

class GUI3DSpotLight : public GUI3DPlaneType {
 public:
  GUI3DSpotLight(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  void update_symbol_parameter() override;
  void compute_minmax() override;
  void draw_symbol(bool lit, float transparency) override;

  static constexpr float SYMBOL_SCALE = 0.005f;
  static constexpr float FIRST_CONE_RELATIVE_LENGTH = 0.03325f;
  static constexpr float FIRST_CONE_RELATIVE_SMALL_RADIUS = 0.0075f;
  static constexpr float SECOND_CONE_RELATIVE_LENGTH = 0.01175f;
  static constexpr float SECOND_CONE_RELATIVE_SMALL_RADIUS = 0.01f;
  static constexpr float CYLINDER_RELATIVE_LENGTH = 0.005f;
  static constexpr float CYLINDER_RELATIVE_RADIUS = 0.0175f;
  static constexpr float SPOT_ANGLE_MIN = 0, SPOT_ANGLE_MAX = 90;
  static constexpr float SPOT_FOCUS_MIN = 0, SPOT_FOCUS_MAX = 128;

  float spot_angle = 45, spot_focus = 0;
  Point position_copy;
  float first_length = 0, first_radius = 0, second_length = 0, second_radius = 0, cylinder_length = 0,
        cylinder_radius = 0;
};
