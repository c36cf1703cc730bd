// BEAM_LIGHT: a light from a direction (x, y, z: where it shines; the
// symbol's z axis is its negation), drawn at the view's reference point;
// access points 1 (end of z) and 2 (image).
#pragma once

#include "view/gui3d_plane_type.h"

class GUI3DBeamLight : public GUI3DPlaneType {
 public:
  GUI3DBeamLight(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  void update_symbol_parameter() override;
  void compute_minmax() override;
  Point get_symbol_reference() const override { return light_point; }
  void draw_symbol(bool lit, float transparency) override;

  static constexpr float SYMBOL_SCALE = 0.005f;
  static constexpr float SMALL_CYLINDER_RELATIVE_LENGTH = 0.03f;
  static constexpr float SMALL_CYLINDER_RELATIVE_RADIUS = 0.005f;
  static constexpr float BIG_CYLINDER_RELATIVE_LENGTH = 0.033f;
  static constexpr float BIG_CYLINDER_RELATIVE_RADIUS = 0.0075f;

  Point light_point;
  float small_length = 0, small_radius = 0, big_length = 0, big_radius = 0;
};

// The lamp of a light symbol along the unit `axis` from `at`: closed GLU
// cylinders of the given lengths and radii, one after the other, lit or flat.
struct LampSection {
  float length, base_radius, top_radius;
};
void draw_lamp(const Point& at, const Vector& axis, const LampSection* sections, int count, bool lit,
               const float* colour, float transparency);
