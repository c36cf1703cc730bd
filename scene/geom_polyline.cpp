#include "scene/geom_polyline.h"

#include <GL/gl.h>

#include <cmath>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "scene/display_file.h"
#include "scene/draw_attributes.h"
#include "scene/repaint_attributes.h"

GEOMPolyline::GEOMPolyline(unsigned long n, float* p) : points(p), colours(nullptr), number_of_points(uint32_t(n)) {
  set_bounding_box(n, reinterpret_cast<const vector_type*>(p));
}

GEOMPolyline::GEOMPolyline(unsigned long n, float* p, const PointBox& box)
    : points(p), colours(nullptr), number_of_points(uint32_t(n)) {
  set_bounding_box(box);
}

GEOMPolyline::GEOMPolyline(unsigned long n, float* p, float* c)
    : points(p), colours(c), number_of_points(uint32_t(n)) {}

GEOMPolyline::~GEOMPolyline() {
  if (points != nullptr) CheckedFree(points);
  if (colours != nullptr) CheckedFree(colours);
}

void GEOMPolyline::draw(const DrawAttributes* a, const RepaintAttributes* repaint) {
  XGLContext* gl = XGLContext::current_context;
  gl->enable_lighting(false);
  set_line_attributes(a);
  if (colours != nullptr && repaint->ordinary()) {
    gl->set_shade_model(GL_SMOOTH);
    glBegin(GL_LINE_STRIP);
    for (uint32_t i = 0; i < number_of_points; ++i) {
      glColor3fv(colours + 3 * i);
      glVertex3fv(points + 3 * i);
    }
    glEnd();
    // GL's colour is now the last vertex's.
    if (number_of_points > 0) gl->set_gl_color(colours + 3 * (number_of_points - 1));
  } else {
    set_index_color(a->get_line_color(), repaint);
    draw_select();
  }
  if (a->get_hidden_line_mode()) {
    glDepthFunc(GL_GREATER);
    set_index_color(a->get_hidden_line_color(), repaint);
    gl->set_line_stipple_pattern(a->get_hidden_line_value() % 10);
    gl->enable_line_stippling(true);
    draw_select();
    gl->enable_line_stippling(false);
    glDepthFunc(GL_LESS);
  }
}

void GEOMPolyline::draw_select() const {
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, points);
  glDrawArrays(GL_LINE_STRIP, 0, GLsizei(number_of_points));
  glDisableClientState(GL_VERTEX_ARRAY);
}

bool GEOMPolyline::nt_select(const float* point, float radius_squared, bool mirrored, GEOMSelect_info* info) {
  bool found = false;
  float best = radius_squared, best_t = 0;
  uint32_t best_i = 0;
  float a[2], b[2];
  if (number_of_points > 0) project_to_screen(points, mirrored, b);
  for (uint32_t i = 1; i < number_of_points; ++i) {
    a[0] = b[0], a[1] = b[1];
    project_to_screen(points + 3 * i, mirrored, b);
    float d[2] = {b[0] - a[0], b[1] - a[1]};
    float l = d[0] * d[0] + d[1] * d[1];
    float t = l <= 1e-8f ? 0 : ((point[0] - a[0]) * d[0] + (point[1] - a[1]) * d[1]) / l;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    float q[2] = {a[0] + t * d[0], a[1] + t * d[1]};
    float d2 = screen_distance_squared(point, q);
    if (d2 < best) best = d2, best_t = t, best_i = i - 1, found = true;
  }
  if (!found) return false;
  *info = GEOMSelect_info{};
  info->a = best_i, info->b = best_i + 1, info->c = NO_VERTEX;
  info->u = best_t;
  const float *pa = points + 3 * best_i, *pb = pa + 3;
  for (int k = 0; k < 3; ++k) info->hit[k] = pa[k] + best_t * (pb[k] - pa[k]);
  info->distance = std::sqrt(best);
  info->number_of_points = 1;
  info->point = info->hit;
  return true;
}

void GEOMPolyline::write_ldf(write_df* out, const DrawAttributes* a, unsigned char, float) const {
  if (colours != nullptr) return;
  out->begin(DF_POLYLINE);
  out->put_float_array(points, 3 * number_of_points);
  out->put_int(a->get_line_color());
  out->put_int(a->get_line_width());
  out->put_int(a->get_line_stipple() ? a->get_line_stipple_pattern() : 0);
  out->end();
}
