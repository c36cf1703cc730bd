#include "scene/geom_object.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

#include "gl/gl_context.h"
#include "scene/display_options.h"
#include "scene/draw_attributes.h"
#include "scene/repaint_attributes.h"
#include "view/transforms.h"
#include "view/views.h"

void GEOMObject::set_bounding_box(unsigned long n, const vector_type* points) {
  // A local box keeps the loop in registers, without branches or stores.
  PointBox box;
  for (unsigned long i = 0; i < n; ++i) box.grow(points[i]);
  set_bounding_box(box);
}

void GEOMObject::set_bounding_box(const PointBox& box) {
  for (int k = 0; k < 3; ++k) {
    minimum[k] = box.lo[k], maximum[k] = box.hi[k];
    centre[k] = (minimum[k] + maximum[k]) / 2;
  }
}

void GEOMObject::set_line_attributes(const DrawAttributes* a) {
  XGLContext* gl = XGLContext::current_context;
  gl->enable_line_stippling(a->get_line_stipple());
  if (a->get_line_stipple()) gl->set_line_stipple_pattern(a->get_line_stipple_pattern() % 10);
  gl->set_line_width(float(a->get_line_width()) * get_offscreen_alias());
}

void GEOMObject::set_index_color(int index, const RepaintAttributes* repaint) {
  if (!repaint->ordinary()) return;
  if (index < 0 || index >= int(PALETTE_SIZE)) index = 1;
  set_color(unsigned(index));
}

void GEOMObject::point_hit(float* position, uint32_t index, float distance_squared, GEOMSelect_info* info) {
  *info = GEOMSelect_info{};
  info->a = index;
  for (int k = 0; k < 3; ++k) info->hit[k] = position[k];
  info->distance = std::sqrt(distance_squared);
  info->number_of_points = 1;
  info->point = position;
}

bool GEOMObject::select_point(float* position, const float* point, float radius_squared, bool mirrored,
                              GEOMSelect_info* info) {
  float s[2];
  project_to_screen(position, mirrored, s);
  float d2 = screen_distance_squared(point, s);
  if (!(d2 < radius_squared)) return false;
  point_hit(position, 0, d2, info);
  return true;
}

void project_to_screen(const float* p, bool mirrored, float out[2]) {
  map_model_screen_2d(Point(p), mirrored, out);
}

void begin_pixel_drawing() {
  XGLContext* gl = XGLContext::current_context;
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  gl->set_matrix_mode(GL_PROJECTION);
  gl->push_matrix();
  glLoadIdentity();
  gluOrtho2D(0, viewport[2], 0, viewport[3]);
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->push_matrix();
  glLoadIdentity();
}

void end_pixel_drawing() {
  XGLContext* gl = XGLContext::current_context;
  gl->set_matrix_mode(GL_PROJECTION);
  gl->pop_matrix();
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->pop_matrix();
}

bool project_to_pixel(const float* p, bool mirrored, float* x, float* y) {
  float s[3];
  map_model_screen_3d(Point(p), mirrored, s);
  // Outside the view volume: not drawn.
  for (float v : s)
    if (!(v >= -1 && v <= 1)) return false;
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  float w = float(viewport[2]), h = float(viewport[3]);
  *x = float(std::lround(w / 2 + s[0] * w / 2)) + 0.5f;
  *y = float(std::lround(h / 2 + s[1] * h / 2)) + 0.5f;
  return true;
}
