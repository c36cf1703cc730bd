// Manipulators with three orthonormal axes at their reference point: the
// rotations, the z translation, the axis inversions and the arrow drawing.
#pragma once

#include "view/gui3d_point_type.h"

class GUI3DPlaneType : public GUI3DPointType {
 public:
  using GUI3DPointType::GUI3DPointType;

  bool set_coordinate_system(uint32_t type, const float* axes, uint32_t mask, const char** message) override;
  bool set_rotation(float x, float y, float z, uint32_t kind, const char** message) override;

  // Drags.
  void rotate_x_around_z(TekPoint pointer);
  void rotate_y_around_z(TekPoint pointer);
  void rotate_on_xy_circles(TekPoint pointer);
  void rotate_x_on_sphere(TekPoint pointer);
  void rotate_y_on_sphere(TekPoint pointer);
  void rotate_z_on_sphere(TekPoint pointer);
  void translate_along_z_direction(TekPoint pointer);
  // Clicks: the triple turns by 180 degrees and stays right-handed.
  void invert_x(TekPoint);
  void invert_y(TekPoint);
  void invert_z(TekPoint);
  void invert_xz(TekPoint);
  // Drag extent of the rotations: the sphere of radius symbol_size.
  void minmax_sphere();

  Point coord_end_x_axis() const { return reference_point + x_axis * symbol_size; }
  Point coord_end_y_axis() const { return reference_point + y_axis * symbol_size; }
  Point coord_end_z_axis() const { return reference_point + z_axis * symbol_size; }
  Point coord_middle_x_axis() const { return reference_point + x_axis * (symbol_size / 2); }
  Point coord_middle_y_axis() const { return reference_point + y_axis * (symbol_size / 2); }
  Point coord_middle_z_axis() const { return reference_point + z_axis * (symbol_size / 2); }

  // Drag drawings.
  void draw_xy_circles();
  void draw_z_circle();
  void draw_sphere();
  virtual void draw_line_in_z_direction();

  // Shared symbol drawing.
  void draw_arrow(const Point& origin, const Vector& direction, float length, float head_scale,
                  const Vector& side1, const Vector& side2, const float* colour, float transparency, bool thin);
  // At the local origin along +z; colour holds four floats (alpha last).
  void draw_lighted_arrow(float length, float head_scale, const float* colour);

  Vector x_axis = Vector(1, 0, 0);
  Vector y_axis = Vector(0, 1, 0);
  Vector z_axis = Vector(0, 0, 1);
  float symbol_size = 0;  // model units: rotation sphere radius, drawn axis length
  float symbol_size_2 = 0;

 protected:
  // The dragged axis follows the sphere through its tip; the others stay orthonormal.
  void rotate_on_sphere(TekPoint pointer, const Point& tip, Vector* dragged, Vector* second, Vector* third);
};
