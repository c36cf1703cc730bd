// DIRECTION: a unit vector at a point (origin x, y, z; direction x, y, z),
// access points 7 (origin), 8 (middle), 9 (end), 10 (image).
#pragma once

#include "view/gui3d_plane_type.h"

class GUI3DDirection : public GUI3DPlaneType {
 public:
  GUI3DDirection(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  void update_symbol_parameter() override;
  void compute_minmax() override;
  void draw_symbol(bool lit, float transparency) override;
  void draw_line_in_z_direction() override;

  // Button 2 on the middle: the middle follows the pointer along z, the origin with it.
  void translate_in_z_direction(TekPoint pointer);

 protected:
  // For VECTOR: its own numbers and flags.
  GUI3DDirection(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate, uint8_t first,
                 uint8_t count, bool depth, bool fit, bool refresh);
  // Origin and direction from values[0..5]; a direction that is not of unit
  // length is refused with `refusal` and the previous one kept.
  bool take_origin_and_direction(const value* values, const char* refusal, const char** message, bool* refused);
};
