#include "scene/geom_markers.h"

#include <GL/gl.h>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "scene/clip_planes.h"
#include "scene/draw_attributes.h"
#include "scene/repaint_attributes.h"

int marker_symbol_segments(char symbol, float x, float y, float r, float o[16]) {
  auto put = [&](int i, float x1, float y1, float x2, float y2) {
    o[4 * i] = x1, o[4 * i + 1] = y1, o[4 * i + 2] = x2, o[4 * i + 3] = y2;
  };
  switch (symbol) {
    case '+':
      put(0, x - r, y, x + r + 1, y);
      put(1, x, y - r, x, y + r + 1);
      return 2;
    case '-':
      put(0, x - r, y, x + r + 1, y);
      return 1;
    case 'X':
      put(0, x - r, y - r, x + r + 1, y + r + 1);
      put(1, x - r, y + r, x + r + 1, y - r - 1);
      return 2;
    case '*': {
      float s = 0.8f * r;
      put(0, x - s, y - s, x + s, y + s);
      put(1, x - s, y + s, x + s, y - s);
      put(2, x - r, y, x + r + 1, y);
      put(3, x, y + r, x, y - r - 1);
      return 4;
    }
    case 'O': {
      float s = 0.4f * r;
      const float p[16] = {x + s, y + r, x + r, y + s, x + r, y - s, x + s, y - r,
                           x - s, y - r, x - r, y - s, x - r, y + s, x - s, y + r};
      for (int i = 0; i < 16; ++i) o[i] = p[i];
      return -1;
    }
    default:
      return 0;
  }
}

GEOMMarkers::GEOMMarkers(unsigned long n, vector_type* p) : number_of_points(uint32_t(n)), points(p) {
  set_bounding_box(n, p);
}

GEOMMarkers::~GEOMMarkers() {
  if (points != nullptr) CheckedFree(points);
}

void GEOMMarkers::draw(const DrawAttributes* a, const RepaintAttributes* repaint) {
  XGLContext* gl = XGLContext::current_context;
  set_index_color(a->get_marker_color(), repaint);
  float r = float(a->get_marker_size()) * get_offscreen_scale() * get_offscreen_alias() * 0.5f;
  gl->enable_lighting(false);
  if (a->get_marker_symbol() == '.') {
    glPointSize(float(a->get_marker_size()) * get_offscreen_alias());
    draw_select();
    glPointSize(1);
    return;
  }
  // Project while the model matrices are in place, then draw in pixels.
  float* centres = static_cast<float*>(CheckedMalloc(sizeof(float) * 2 * (number_of_points + 1)));
  uint32_t n = 0;
  for (uint32_t i = 0; i < number_of_points; ++i)
    if (!clipped_in_drawing(&points[i].x) &&
        project_to_pixel(&points[i].x, repaint->mirrored, &centres[2 * n], &centres[2 * n + 1]))
      ++n;
  suspend_clipplanes(true);
  begin_pixel_drawing();
  for (uint32_t i = 0; i < n; ++i) {
    float s[16];
    int count = marker_symbol_segments(a->get_marker_symbol(), centres[2 * i], centres[2 * i + 1], r, s);
    glBegin(count < 0 ? GL_LINE_LOOP : GL_LINES);
    for (int k = 0; k < (count < 0 ? 8 : 2 * count); ++k) glVertex2f(s[2 * k], s[2 * k + 1]);
    glEnd();
  }
  end_pixel_drawing();
  suspend_clipplanes(false);
  CheckedFree(centres);
}

void GEOMMarkers::draw_select() const {
  glBegin(GL_POINTS);
  for (uint32_t i = 0; i < number_of_points; ++i) glVertex3fv(&points[i].x);
  glEnd();
}

bool GEOMMarkers::nt_select(const float* point, float radius_squared, bool mirrored, GEOMSelect_info* info) {
  for (uint32_t i = 0; i < number_of_points; ++i) {
    float s[2];
    project_to_screen(&points[i].x, mirrored, s);
    float d2 = screen_distance_squared(point, s);
    if (d2 < radius_squared) {
      point_hit(&points[i].x, i, d2, info);
      return true;
    }
  }
  return false;
}
