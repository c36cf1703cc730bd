// Manipulators positioned by a reference point: the origin drags along the
// coordinate system's axes or in a plane.
#pragma once

#include "view/gui3d.h"

class GUI3DPointType : public GUI3D {
 public:
  using GUI3D::GUI3D;

  void reset_symbol_minmax() override;
  void compute_minmax() override;
  Point get_symbol_reference() const override { return reference_point; }
  // Type 0 (the manipulator's own axes) has no meaning here and is refused.
  bool set_coordinate_system(uint32_t type, const float* axes, uint32_t mask, const char** message) override;

  Point coord_origin() const { return reference_point; }
  // Button 1 drag of an origin: along the axis the first movement picks.
  void translate_xyz(TekPoint pointer);
  // Button 2 drag of an origin: in the plane of the free axes, or the view plane.
  void translate_in_view(TekPoint pointer);
  void draw_xyz_lines();

  Point reference_point;

 protected:
  // The coordinate-system axes whose exemption bit is clear, in x, y, z order.
  uint32_t free_axes(Vector out[3]) const;
};
