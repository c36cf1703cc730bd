#include "view/gui3d_axis_arrow.h"

#include <cmath>

#include "gl/gl_context.h"
#include "view/gui3d_shapes.h"

// Two unit vectors perpendicular to the unit `axis` and to each other.
static void sides_of(const Vector& axis, Vector* a, Vector* b) {
  Vector helper = std::fabs(axis.x()) < 0.9f ? Vector(1, 0, 0) : Vector(0, 1, 0);
  Vector s = axis.cross_product(helper);
  *a = s * (1 / s.length());
  *b = axis.cross_product(*a);
}

void draw_axis_arrow(GUI3DPlaneType& m, bool lit, const Point& origin, const Vector& axis, float length,
                     float head_scale, const float* colour, float transparency) {
  if (!(axis.length_square() > 1e-10f)) return;
  if (!lit) {
    Vector a, b;
    sides_of(axis, &a, &b);
    m.draw_arrow(origin, axis, length, head_scale, a, b, colour, transparency, false);
    return;
  }
  XGLContext* c = XGLContext::current_context;
  float rgba[4] = {colour[0], colour[1], colour[2], 1 - transparency};
  c->push_matrix();
  glTranslatef(origin.x(), origin.y(), origin.z());
  turn_z_onto(axis);
  m.draw_lighted_arrow(length, head_scale, rgba);
  c->pop_matrix();
}
