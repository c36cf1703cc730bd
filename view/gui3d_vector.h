// VECTOR: a direction with a length at a point (origin, direction, length),
// access points 36 (origin), 37 (middle), 38 (end), 39 and 40 (end marks),
// 41 (image).
#pragma once

#include "view/gui3d_direction.h"

class GUI3DVector : public GUI3DDirection {
 public:
  GUI3DVector(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  void update_symbol_parameter() override;
  void compute_minmax() override;

  Point coord_end_axis_left() const { return end_mark(1); }
  Point coord_end_axis_right() const { return end_mark(-1); }
  // The end marks follow the pointer along the direction; the length stays at least the minimum.
  void change_vector_length(TekPoint pointer);
  void rotate_vector_on_sphere(TekPoint pointer);
  void minmax_sphere();

  static constexpr float LENGTH_MIN = 0.001f;
  float length = 1;

 private:
  Point end_mark(float side) const;
};
