#include "view/gui3d_plane_type.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "view/drag_geometry.h"

bool GUI3DPlaneType::set_coordinate_system(uint32_t type, const float* axes, uint32_t mask, const char** message) {
  if (type != CoordinateSystem::OWN) return GUI3DPointType::set_coordinate_system(type, axes, mask, message);
  Vector a[3] = {x_axis, y_axis, z_axis};
  return coordinate_system->set(type, a, mask, message);
}

bool GUI3DPlaneType::set_rotation(float x, float y, float z, uint32_t kind, const char** message) {
  if (rotation_in_progress) return false;
  return set_rotation_data(x, y, z, kind, z_axis, &x_axis, &y_axis, message);
}

// ---- Drags ----

void GUI3DPlaneType::rotate_x_around_z(TekPoint pointer) {
  rotate_u_around_w(pointer, reference_point, x_axis, y_axis, z_axis, symbol_size, &x_axis, &y_axis);
}

void GUI3DPlaneType::rotate_y_around_z(TekPoint pointer) {
  // y turns with -x as its partner, so that y × (-x) = z.
  Vector minus_x;
  rotate_u_around_w(pointer, reference_point, y_axis, -x_axis, z_axis, symbol_size, &y_axis, &minus_x);
  x_axis = -minus_x;
}

void GUI3DPlaneType::rotate_on_xy_circles(TekPoint pointer) {
  rotate_on_perpendicular_circles(pointer, reference_point, &x_axis, &y_axis, &z_axis, symbol_size);
}

// The dragged axis a follows the sphere; b := unit(c × a) and c := unit(a × b)
// keep the triple (a, b, c) right-handed.
void GUI3DPlaneType::rotate_on_sphere(TekPoint pointer, const Point& tip, Vector* a, Vector* b, Vector* c) {
  float radius = reference_point.distance(tip);
  if (radius < 1e-5f) return;
  Point p;
  point_on_sphere(reference_point, radius, *a, pointer, &p);
  Vector d = p - reference_point;
  if (d.length() < 1e-5f) return;
  Vector na = d * (1 / d.length());
  Vector nb = c->cross_product(na);
  if (nb.length() < 1e-5f) return;
  nb = nb * (1 / nb.length());
  Vector nc = na.cross_product(nb);
  *a = na, *b = nb, *c = nc * (1 / nc.length());
}

void GUI3DPlaneType::rotate_x_on_sphere(TekPoint pointer) {
  if (rotation_constraint == 1) return rotate_on_xy_circles(pointer);
  rotate_on_sphere(pointer, coord_end_x_axis(), &x_axis, &y_axis, &z_axis);
}

void GUI3DPlaneType::rotate_y_on_sphere(TekPoint pointer) {
  if (rotation_constraint == 1) return rotate_on_xy_circles(pointer);
  rotate_on_sphere(pointer, coord_end_y_axis(), &y_axis, &z_axis, &x_axis);
}

void GUI3DPlaneType::rotate_z_on_sphere(TekPoint pointer) {
  if (rotation_constraint == 1) return rotate_on_xy_circles(pointer);
  rotate_on_sphere(pointer, coord_end_z_axis(), &z_axis, &x_axis, &y_axis);
}

void GUI3DPlaneType::translate_along_z_direction(TekPoint pointer) {
  Point middle = coord_middle_z_axis(), moved;
  translate_along_vector(middle, z_axis, pointer, &moved);
  reference_point = reference_point + (moved - middle);
  compute_minmax();
}

void GUI3DPlaneType::invert_x(TekPoint) { x_axis = -x_axis, y_axis = -y_axis; }
void GUI3DPlaneType::invert_y(TekPoint) { x_axis = -x_axis, y_axis = -y_axis; }
void GUI3DPlaneType::invert_z(TekPoint) { z_axis = -z_axis, y_axis = -y_axis; }
void GUI3DPlaneType::invert_xz(TekPoint) { x_axis = -x_axis, z_axis = -z_axis; }

void GUI3DPlaneType::minmax_sphere() {
  const Vector axes[3] = {Vector(view_.u), Vector(view_.v), Vector(view_.direction)};
  for (const Vector& a : axes) {
    update_symbol_minmax(reference_point + a * symbol_size);
    update_symbol_minmax(reference_point - a * symbol_size);
  }
}

// ---- Drag drawings ----

void GUI3DPlaneType::draw_xy_circles() {
  draw_perpendicular_circles(reference_point, x_axis, y_axis, z_axis, symbol_size);
}

void GUI3DPlaneType::draw_z_circle() {
  draw_rotation_circle(rotation_in_progress, false, reference_point, x_axis, y_axis, symbol_size);
}

void GUI3DPlaneType::draw_sphere() {
  if (rotation_constraint == 1) return draw_xy_circles();
  draw_rotation_circle(rotation_in_progress, true, reference_point, z_axis, x_axis, symbol_size);
  draw_rotation_circle(rotation_in_progress, true, reference_point, z_axis, y_axis, symbol_size);
}

void GUI3DPlaneType::draw_line_in_z_direction() {
  float reach = view_.window_width;
  draw_translation_line(reference_point - z_axis * reach, reference_point + z_axis * reach);
}

// ---- Symbol drawing ----

void GUI3DPlaneType::draw_arrow(const Point& origin, const Vector& direction, float length, float head_scale,
                                const Vector& side1, const Vector& side2, const float* colour, float transparency,
                                bool thin) {
  // Base circle of the head in steps of 45 degrees.
  static const float cos_val[9] = {1, 0.7071068f, 0, -0.7071068f, -1, -0.7071068f, 0, 0.7071068f, 1};
  static const float sin_val[9] = {0, 0.7071068f, 1, 0.7071068f, 0, -0.7071068f, -1, -0.7071068f, 0};
  float h = view_.window_width * head_scale, radius = h / 4;
  Point tip = origin + direction * length;
  Point base = tip - direction * h;
  gl_colour(colour, transparency);
  glBegin(GL_TRIANGLE_FAN);
  glVertex3fv(tip.coord_array());
  for (int i = 0; i < 9; ++i)
    glVertex3fv((base + (side1 * cos_val[i] + side2 * sin_val[i]) * radius).coord_array());
  glEnd();
  glBegin(GL_TRIANGLE_FAN);
  glVertex3fv(base.coord_array());
  for (int i = 8; i >= 0; --i)
    glVertex3fv((base + (side1 * cos_val[i] + side2 * sin_val[i]) * radius).coord_array());
  glEnd();
  if (thin) {
    glBegin(GL_LINES);
    glVertex3fv(origin.coord_array());
    glVertex3fv(tip.coord_array());
    glEnd();
    return;
  }
  float tube = 0.15f * radius;
  glBegin(GL_QUAD_STRIP);
  for (int i = 0; i < 25; ++i) {
    Vector offset = (side1 * COS_VAL[i] + side2 * SIN_VAL[i]) * tube;
    glVertex3fv((origin + offset).coord_array());
    glVertex3fv((base + offset).coord_array());
  }
  glEnd();
}

void GUI3DPlaneType::draw_lighted_arrow(float length, float head_scale, const float* colour) {
  XGLContext* gl = XGLContext::current_context;
  float g = (view_.window_width + view_.window_height) * 0.55f * head_scale;
  bool was_lit = glIsEnabled(GL_LIGHTING);
  gl->enable_lighting(false);
  gl->set_gl_color(colour[0], colour[1], colour[2], colour[3]);
  glBegin(GL_LINES);
  glVertex3f(0, 0, 0);
  glVertex3f(0, 0, length);
  glEnd();
  GLUquadric* q = gluNewQuadric();
  if (q == nullptr) internal_error(60, "gui3d");
  gl->enable_lighting(true);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, colour);
  bool solid = colour[3] == 1;
  int slices = solid ? 30 : 10;
  gluQuadricDrawStyle(q, solid ? GLU_FILL : GLU_SILHOUETTE);
  gl->push_matrix();
  glTranslatef(0, 0, length - g);
  gluQuadricOrientation(q, GLU_INSIDE);
  gluDisk(q, 0, g / 4, slices, 1);
  gluQuadricOrientation(q, GLU_OUTSIDE);
  gluCylinder(q, g / 4, 0, g, slices, 1);
  gl->pop_matrix();
  gluDeleteQuadric(q);
  gl->enable_lighting(was_lit);
}
