// RECTANGLE: a rectangle in the plane of its coordinate system's x and y
// axes (lower left corner; edge lengths along x and y; centre u, v, or -1, -1
// for none), with eight resize handles, a movable centre and an optional
// texture; access points 15 to 22 (corners and edge middles), 23 (origin), 24
// (centre), 25 (image).
#pragma once

#include "view/gui3d_point_type.h"
#include "view/gui3d_shapes.h"

class LoadedTexture;

class GUI3DRectangle : public GUI3DPointType {
 public:
  GUI3DRectangle(uint32_t item, uint32_t element, GUI3DCallback change, GUI3DCallback activate);
  ~GUI3DRectangle() override;

  void update_edit_vars(value* values) override;
  bool set_edit_vars(const value* values, const char** message) override;
  void reset_symbol_minmax() override;
  Point get_symbol_reference() const override { return corner; }
  bool set_coordinate_system(uint32_t type, const float* axes, uint32_t mask, const char** message) override;
  // The angle in radians.
  bool set_texture(bool on, const char* name, float repeat_x, float repeat_y, float x_offset, float y_offset,
                   float angle, float lightness, float transparency, const char** message) override;
  // Drops the GL texture; the image stays for the next context.
  void delete_texture() override;
  void draw_symbol(bool lit, float transparency) override;

  // Handle positions, 15 to 24.
  Point coord_lower_left() const { return corner; }
  Point coord_lower_middle() const { return handles[0]; }
  Point coord_lower_right() const { return handles[1]; }
  Point coord_middle_left() const { return handles[2]; }
  Point coord_middle_right() const { return handles[3]; }
  Point coord_upper_left() const { return handles[4]; }
  Point coord_upper_middle() const { return handles[5]; }
  Point coord_upper_right() const { return handles[6]; }
  Point coord_rectangle_origin() const { return handles[7]; }
  Point coord_center() const { return handles[8]; }

  // Resizes: the opposite corner or edge stays; button 2 keeps the edges' ratio.
  void resize_lower_left(TekPoint pointer);
  void resize_lower_right(TekPoint pointer);
  void resize_upper_left(TekPoint pointer);
  void resize_upper_right(TekPoint pointer);
  void resize_lower_middle(TekPoint pointer) { resize_edge(pointer, 0, false); }
  void resize_middle_left(TekPoint pointer) { resize_edge(pointer, 1, false); }
  void resize_middle_right(TekPoint pointer) { resize_edge(pointer, 2, false); }
  void resize_upper_middle(TekPoint pointer) { resize_edge(pointer, 3, false); }
  void resize_lower_middle_prop(TekPoint pointer) { resize_edge(pointer, 0, true); }
  void resize_middle_left_prop(TekPoint pointer) { resize_edge(pointer, 1, true); }
  void resize_middle_right_prop(TekPoint pointer) { resize_edge(pointer, 2, true); }
  void resize_upper_middle_prop(TekPoint pointer) { resize_edge(pointer, 3, true); }
  // The whole rectangle follows the origin handle.
  void translate_xyz(TekPoint pointer);
  void translate_in_view(TekPoint pointer);
  // The centre along one axis of the plane (button 1) or both (button 2).
  void translate_center_uv(TekPoint pointer);
  void translate_center(TekPoint pointer);
  void draw_center_uv_lines();

  static constexpr float BORDER_TOL = 0.001f;
  static constexpr float EDGE_LENGTH_MIN = EDGE_LENGTH_MINIMUM;

  Point corner;
  Point handles[RECTANGLE_HANDLES];
  float length_x = 1, length_y = 1;
  float center_u = -1, center_v = -1;
  bool center = false;
  LoadedTexture* texture = nullptr;
  bool texture_on = false;
  RectangleTexture placement;
  float texture_angle = 0, lightness = 1, texture_transparency = 0;

 private:
  const Vector& axis(int k) const { return coordinate_system->axis[k]; }
  void recompute_handles();
  bool perpendicular_to_view(TekPoint pointer) const;
  static bool proportional();
  bool plane_hit(TekPoint pointer, Point* hit) const;
  // Lengths from a hit seen from `fixed` along d1 and d2; false when nothing moves.
  bool resize_corner(bool proportional, TekPoint pointer, const Point& fixed, const Vector& d1, const Vector& d2,
                     float* length1, float* length2);
  // Edge 0 lower, 1 left, 2 right, 3 upper.
  void resize_edge(TekPoint pointer, int edge, bool proportional);
  void translate_center_along_line(int k, TekPoint pointer);
};
