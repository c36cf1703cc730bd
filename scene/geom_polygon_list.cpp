#include "scene/geom_polygon_list.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "gl/gl_context.h"
#include "scene/geom_shell.h"
#include "scene/repaint_attributes.h"

GEOMPolygonList::GEOMPolygonList() { table_create(&list, sizeof(record), 16); }
GEOMPolygonList::~GEOMPolygonList() { table_delete(&list); }

void GEOMPolygonList::add(GEOMShell* shell, bool mirrored, const DrawAttributes* attributes) {
  if (list.length + 1 >= list.capacity) table_expand(&list, 1);
  list.as<record>()[list.length++] = record{shell, uint8_t(mirrored ? 1 : 0), shell->get_depth(mirrored), attributes};
}

void GEOMPolygonList::sort() {
  record* r = list.as<record>();
  std::sort(r, r + list.length, [](const record& a, const record& b) {
    bool a_nan = std::isnan(a.depth), b_nan = std::isnan(b.depth);
    if (a_nan || b_nan) return !a_nan && b_nan;
    return a.depth < b.depth;
  });
}

void GEOMPolygonList::draw(DisplayOptions* options) const {
  XGLContext* gl = XGLContext::current_context;
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->enable_dithering(true);
  bool mirrored = false;
  RepaintAttributes repaint;
  repaint.display_options = options;
  repaint.pass = 3;  // the transparent pass: materials are sent with their alpha
  for (uint32_t i = 0; i < list.length; ++i) {
    const record& r = list.as<record>()[i];
    if (bool(r.flags & 1) != mirrored) {
      mirrored = !mirrored;
      glScalef(1, -1, 1);
      gl->flip_front_face();
    }
    gl->enable_blending(true);
    gl->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    repaint.mirrored = mirrored;
    r.shell->draw(r.attributes, &repaint);
  }
  if (mirrored) {
    glScalef(1, -1, 1);
    gl->flip_front_face();
  }
  glDepthMask(GL_TRUE);
  gl->enable_dithering(false);
}
