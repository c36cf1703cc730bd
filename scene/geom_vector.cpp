#include "scene/geom_vector.h"

#include <GL/gl.h>

#include <cmath>

#include "gl/gl_context.h"
#include "scene/draw_attributes.h"
#include "scene/repaint_attributes.h"
#include "view/views.h"

GEOMVector::GEOMVector(float x, float y, float z, float dx, float dy, float dz, float s1, float s2)
    : position{x, y, z}, direction{dx, dy, dz}, size1(s1), size2(s2) {
  vector_type p = {x, y, z};
  set_bounding_box(1, &p);
}

void GEOMVector::draw(const DrawAttributes* a, const RepaintAttributes* repaint) {
  XGLContext* gl = XGLContext::current_context;
  gl->enable_lighting(false);
  set_line_attributes(a);
  set_index_color(a->get_line_color(), repaint);
  draw_symbol();
}

void GEOMVector::draw_select() const { draw_symbol(); }

void GEOMVector::draw_symbol() const {
  const view_type* view = get_view_pointer();
  Vector dir(direction), d(view->direction);
  Point start(position);
  float width = view->window_width;
  float l = size1 * width, h = size2 * width;
  XGLContext::current_context->set_shade_model(GL_FLAT);
  Point tip = start + dir * l;
  if (std::fabs(dir * d) < 0.999999f) {
    Vector side = d.cross_product(dir);
    float n = side.length();
    if (n > 0) side = side * (1 / n);
    Point base = start + dir * (l - h);
    Point p1 = base + side * (0.4f * h), p2 = base - side * (0.4f * h);
    glBegin(GL_POLYGON);
    glVertex3fv(tip.coord_array());
    glVertex3fv(p1.coord_array());
    glVertex3fv(p2.coord_array());
    glVertex3fv(tip.coord_array());
    glEnd();
  }
  glBegin(GL_LINES);
  glVertex3fv(position);
  glVertex3fv(tip.coord_array());
  glEnd();
}

bool GEOMVector::nt_select(const float* point, float radius_squared, bool mirrored, GEOMSelect_info* info) {
  return select_point(position, point, radius_squared, mirrored, info);
}
