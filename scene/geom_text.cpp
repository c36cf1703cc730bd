#include "scene/geom_text.h"

#include <GL/gl.h>

#include <cstring>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "scene/clip_planes.h"
#include "scene/display_options.h"
#include "scene/draw_attributes.h"
#include "scene/repaint_attributes.h"
#include "toolkit/draw_characters.h"

GEOMText::GEOMText(float x, float y, float z, char* t)
    : position{x, y, z}, text(t), length(uint32_t(strlen(t))) {
  vector_type p = {x, y, z};
  set_bounding_box(1, &p);
}

GEOMText::~GEOMText() { CheckedFree(text); }

void GEOMText::draw(const DrawAttributes* a, const RepaintAttributes* repaint) {
  float x, y;
  if (clipped_in_drawing(position) || !project_to_pixel(position, repaint->mirrored, &x, &y)) return;
  XGLContext* gl = XGLContext::current_context;
  const DisplayOptions* options = get_display_options();
  gl->enable_lighting(false);
  float h = float(a->get_text_size()) * get_offscreen_scale() * get_offscreen_alias() / 12.0f;
  set_index_color(a->get_text_color(), repaint);
  suspend_clipplanes(true);
  begin_pixel_drawing();
  draw_characters(text, 0.8f * h, h, 1.2f * h, x, y, 0, justify_left, justify_bottom);
  if (options->get_display_text_background()) {
    float x2 = x + float(length) * (8 * h + 1.2f * h) + 3, y2 = y + 10 * h + 3;
    gl->set_polygon_mode(GL_LINE);
    glRectf(x - 3, y - 3, x2, y2);
    gl->set_polygon_mode(GL_FILL);
    set_index_color(options->get_text_background() % PALETTE_SIZE, repaint);
    gl->enable_polygon_offset(true);
    gl->set_polygon_offset(0, 1);
    glRectf(x - 3, y - 3, x2, y2);
    gl->enable_polygon_offset(false);
  }
  end_pixel_drawing();
  suspend_clipplanes(false);
}

void GEOMText::draw_select() const {
  float x, y;
  if (!project_to_pixel(position, false, &x, &y)) return;
  glBegin(GL_POINTS);
  glVertex3fv(position);
  glEnd();
}

bool GEOMText::nt_select(const float* point, float radius_squared, bool mirrored, GEOMSelect_info* info) {
  return select_point(position, point, radius_squared, mirrored, info);
}
