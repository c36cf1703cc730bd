#include "scene/draw_geometry.h"

#include <GL/gl.h>

#include "gl/gl_context.h"
#include "scene/display_options.h"
#include "scene/environment.h"
#include "scene/geom_polygon_list.h"
#include "scene/geom_shell.h"
#include "scene/repaint_attributes.h"
#include "scene/segment_store.h"
#include "scene/transformation.h"
#include "view/graphics_window.h"
#include "view/offscreen.h"
#include "view/views.h"

namespace {

double frustum_planes[6][4];

void push_model_transformation() {
  XGLContext* gl = XGLContext::current_context;
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->push_matrix();
  apply_transformation();
  store_viewing_matrix();
}

void pop_model_transformation() {
  XGLContext* gl = XGLContext::current_context;
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->pop_matrix();
  store_viewing_matrix();
}

// With cube-map reflections, the texture matrix turns the eye-space
// reflection vectors into the environment box's frame: the inverse of its
// orientation times the inverse of the camera's rotation. True when loaded.
bool load_reflection_texture_matrix(bool geometry_only, bool projected_texture) {
  const DisplayOptions* options = get_display_options();
  if (!cube_maps_available() || !options->get_enable_reflection() || geometry_only || projected_texture ||
      options->get_reflection_type() != 1)
    return false;
  double m[16];
  get_model_matrix(m);
  const reflection_frame* f = get_reflection_data();
  const float* axes[3] = {f->x, f->y, f->z};
  double t[16] = {0};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 3; ++k) t[4 * c + r] += double(axes[r][k]) * m[4 * k + c];
  t[15] = 1;
  XGLContext* gl = XGLContext::current_context;
  gl->set_matrix_mode(GL_TEXTURE);
  glLoadMatrixd(t);
  gl->set_matrix_mode(GL_MODELVIEW);
  return true;
}

void reset_texture_matrix() {
  XGLContext* gl = XGLContext::current_context;
  gl->set_matrix_mode(GL_TEXTURE);
  glLoadIdentity();
  gl->set_matrix_mode(GL_MODELVIEW);
}

}  // namespace

// Row r of M is (M[r], M[4 + r], M[8 + r], M[12 + r]).
void setup_frustum_planes(const double* m) {
  static const int ROW[6] = {0, 0, 1, 1, 2, 2};
  static const double SIGN[6] = {-1, 1, 1, -1, -1, 1};
  for (int p = 0; p < 6; ++p)
    for (int c = 0; c < 4; ++c) frustum_planes[p][c] = m[4 * c + 3] + SIGN[p] * m[4 * c + ROW[p]];
}

int box_is_visible(const float* lo, const float* hi) {
  int result = 1;
  for (const double* plane : frustum_planes) {
    int positive = 0;
    for (int corner = 0; corner < 8; ++corner) {
      double x = (corner & 1) ? hi[0] : lo[0], y = (corner & 2) ? hi[1] : lo[1], z = (corner & 4) ? hi[2] : lo[2];
      if (plane[0] * x + plane[1] * y + plane[2] * z + plane[3] > 0) ++positive;
    }
    if (positive == 0) return 2;
    if (positive < 8) result = 0;
  }
  return result;
}

bool point_is_visible(const float* p) {
  for (const double* plane : frustum_planes)
    if (!(plane[0] * p[0] + plane[1] * p[1] + plane[2] * p[2] + plane[3] > 0)) return false;
  return true;
}

bool draw_geometry(bool geometry_only, bool projected_texture, bool reflection, bool cull, bool (*abort)()) {
  XGLContext* gl = XGLContext::current_context;
  DisplayOptions* options = get_display_options();
  bool lists = cull && options->get_use_display_lists() && !get_offscreen_rendering();
  if (lists && !geometry_only)
    lists = get_highlight_mode() == 0 && (!options->get_enable_reflection() || options->get_reflection_type() == 3 ||
                                          cube_maps_available() || options->get_display_hidden_line());

  RepaintAttributes a;
  a.cull = cull;
  a.reflection = reflection;
  a.geometry_only = geometry_only;
  a.projected_texture = projected_texture;
  a.polygon_offset = true;
  a.mirrored = false;
  a.use_lists = lists;
  a.list_variant = 1;
  a.pass = 0;
  a.mirror_display_mode = get_mirror_display();
  a.display_options = options;
  a.highlight_options = get_highlight_options();

  gl->enable_depth_testing(!(geometry_only && !projected_texture));
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, options->get_use_two_sided_lighting() ? GL_TRUE : GL_FALSE);
  if (options->get_enable_transparency() && a.ordinary() && GEOMShell::polygon_list != nullptr)
    GEOMShell::polygon_list->reset();
  bool texture_matrix = load_reflection_texture_matrix(geometry_only, projected_texture);
  bool transformed = transformation_enabled();
  if (transformed) push_model_transformation();
  bool aborted = draw_entities(&a, abort);
  if (texture_matrix) reset_texture_matrix();
  if (transformed) pop_model_transformation();
  return aborted;
}

void draw_transparent_surfaces() {
  GEOMPolygonList* list = GEOMShell::polygon_list;
  if (list == nullptr || list->length() == 0) return;
  XGLContext* gl = XGLContext::current_context;
  bool texture_matrix = load_reflection_texture_matrix(false, false);
  bool transformed = transformation_enabled();
  if (transformed) push_model_transformation();
  gl->set_matrix_mode(GL_MODELVIEW);
  list->sort();
  gl->enable_lighting(true);
  gl->enable_depth_testing(true);
  gl->enable_blending(true);
  gl->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDepthMask(GL_FALSE);
  list->draw(get_display_options());
  glDepthMask(GL_TRUE);
  gl->enable_lighting(false);
  gl->enable_blending(false);
  if (texture_matrix) reset_texture_matrix();
  if (transformed) pop_model_transformation();
}
