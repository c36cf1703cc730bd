#include "scene/self_shadows.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "gl/gl_context.h"
#include "scene/display_options.h"
#include "scene/draw_geometry.h"
#include "scene/lights.h"
#include "scene/offscreen_drawable.h"
#include "scene/transformation.h"
#include "view/graphics_display.h"
#include "view/graphics_window.h"
#include "view/model_extent.h"
#include "view/repaint.h"
#include "view/views.h"

#ifndef GL_TEXTURE_COMPARE_SGIX
#define GL_TEXTURE_COMPARE_SGIX 0x819A
#define GL_TEXTURE_COMPARE_OPERATOR_SGIX 0x819B
#define GL_TEXTURE_LEQUAL_R_SGIX 0x819C
#endif
#ifndef GL_SHADOW_AMBIENT_SGIX
#define GL_SHADOW_AMBIENT_SGIX 0x80BF
#endif

namespace {

constexpr int SHADOW_MAP_SIZE = 1024;  // the side of the offscreen drawable; larger maps are tiled

OffscreenDrawable* shadow_map;
std::vector<float> shadow_map_data;
GLuint texture_number[MAX_LIGHTS];
double modelview_mat[MAX_LIGHTS][16], perspective_mat[MAX_LIGHTS][16];
uint32_t used_shadowmap_size[MAX_LIGHTS];
uint64_t tiles_drawn;

// Extension answers, asked once: -1 not yet.
int arb_shadow = -1, sgix_shadow = -1, shadow_ambient = -1, env_combine = -1;

bool probe(int* answer, const char* a, const char* b = nullptr) {
  if (*answer < 0) *answer = gl_extension_listed(a) || (b != nullptr && gl_extension_listed(b));
  return *answer == 1;
}

void set_shadow_color(int light) {
  float r = get_light_intensity_ratio(light);
  XGLContext* gl = XGLContext::current_context;
  if (probe(&shadow_ambient, "GL_SGIX_shadow_ambient", "GL_ARB_shadow_ambient")) {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glTexParameterf(GL_TEXTURE_2D, GL_SHADOW_AMBIENT_SGIX, 1 - r);
    gl->set_gl_color(0, 0, 0);
  } else if (probe(&env_combine, "GL_ARB_texture_env_combine")) {
    // Lit: 1 + grey, clamped to 1; in shadow: the grey 1 - r.
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_ADD);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, GL_PRIMARY_COLOR_ARB);
    gl->set_gl_color(1 - r, 1 - r, 1 - r);
  } else {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    gl->set_gl_color(0, 0, 0);
  }
}

void set_texture_transformation() {
  static const float planes[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
  static const GLenum coords[4] = {GL_S, GL_T, GL_R, GL_Q};
  static const GLenum gens[4] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q};
  for (int k = 0; k < 4; ++k) {
    glTexGeni(coords[k], GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTexGenfv(coords[k], GL_EYE_PLANE, planes[k]);
    glEnable(gens[k]);
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  XGLContext::current_context->set_texture2d_wrap(GL_CLAMP, GL_CLAMP);
  if (probe(&arb_shadow, "GL_ARB_shadow")) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_COMPARE_R_TO_TEXTURE_ARB);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB, GL_LEQUAL);
  }
  // Only a GL that offers it takes the SGIX comparison; others refuse its enums.
  if (probe(&sgix_shadow, "GL_SGIX_shadow")) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_SGIX, GL_TRUE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_OPERATOR_SGIX, GL_TEXTURE_LEQUAL_R_SGIX);
  }
}

void reset_texture_transformation() {
  for (GLenum g : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q}) glDisable(g);
  if (probe(&arb_shadow, "GL_ARB_shadow"))
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_NONE);
  else if (probe(&sgix_shadow, "GL_SGIX_shadow"))
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_SGIX, GL_FALSE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

// Draws the light's depth map of u × u texels into the buffer; true when aborted.
bool compute_map(int i, uint32_t u, const float* centre, float diagonal, bool (*abort)()) {
  const view_type* view = get_view_pointer();
  int light = GL_LIGHT0 + i;
  float dx, dy, dz;
  get_light_direction(light, &dx, &dy, &dz);
  float focus = get_eye_distance(view);
  ContextKeeper keeper;
  shadow_map->make_current();
  XGLContext* gl = XGLContext::current_context;
  gl->set_matrix_mode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(centre[0] - focus * dx, centre[1] - focus * dy, centre[2] - focus * dz, centre[0], centre[1], centre[2],
            view->up[0], view->up[1], view->up[2]);
  glGetDoublev(GL_MODELVIEW_MATRIX, modelview_mat[i]);
  double half = diagonal / 2, near_z = view->frustum[4], far_z = view->frustum[5];
  gl->set_matrix_mode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-half, half, -half, half, near_z, far_z);
  glGetDoublev(GL_PROJECTION_MATRIX, perspective_mat[i]);
  gl->enable_polygon_offset(true);
  gl->set_polygon_offset(1, 2);
  glPixelStorei(GL_PACK_ROW_LENGTH, GLint(u));
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  // (u / 1024) rounded up tiles each way; the last row and column cropped.
  uint32_t tiles = (u + SHADOW_MAP_SIZE - 1) / SHADOW_MAP_SIZE;
  bool aborted = false;
  for (uint32_t ty = 0; ty < tiles && !aborted; ++ty)
    for (uint32_t tx = 0; tx < tiles && !aborted; ++tx) {
      uint32_t x0 = tx * SHADOW_MAP_SIZE, y0 = ty * SHADOW_MAP_SIZE;
      uint32_t w = std::min<uint32_t>(SHADOW_MAP_SIZE, u - x0), h = std::min<uint32_t>(SHADOW_MAP_SIZE, u - y0);
      glViewport(0, 0, GLsizei(w), GLsizei(h));
      gl->set_matrix_mode(GL_PROJECTION);
      glLoadIdentity();
      glOrtho(-half + 2 * half * x0 / u, -half + 2 * half * (x0 + w) / u, -half + 2 * half * y0 / u,
              -half + 2 * half * (y0 + h) / u, near_z, far_z);
      gl->set_matrix_mode(GL_MODELVIEW);
      glClear(GL_DEPTH_BUFFER_BIT);
      aborted = draw_geometry(true, true, false, false, abort);
      if (aborted) break;
      glReadPixels(0, 0, GLsizei(w), GLsizei(h), GL_DEPTH_COMPONENT, GL_FLOAT,
                   &shadow_map_data[size_t(y0) * u + x0]);
      ++tiles_drawn;
    }
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  gl->enable_polygon_offset(false);
  used_shadowmap_size[i] = aborted ? 0 : u;
  keeper.restore();
  store_viewing_matrix();
  return aborted;
}

}  // namespace

uint32_t self_shadow_map_size(uint32_t requested) {
  GLint limit = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limit);
  uint32_t most = limit > 2 ? uint32_t(limit) : 2;
  return requested < 2 ? 2 : (requested > most ? most : requested);
}

uint64_t self_shadow_tiles_drawn() { return tiles_drawn; }

void init_realtime_self_shadows() {
  memset(texture_number, 0, sizeof texture_number);
  memset(used_shadowmap_size, 0, sizeof used_shadowmap_size);
}

void delete_self_shadow_maps() {
  XGLContext* gl = XGLContext::current_context;
  for (GLuint& t : texture_number) {
    if (t != 0 && gl != nullptr) gl->delete_texture(&t);
    t = 0;
  }
  memset(used_shadowmap_size, 0, sizeof used_shadowmap_size);
}

void cleanup_realtime_self_shadows() {
  delete_self_shadow_maps();
  if (shadow_map != nullptr) {
    ContextKeeper keeper;
    delete shadow_map;
    shadow_map = nullptr;
    keeper.restore();
  }
  shadow_map_data = std::vector<float>();
}

bool draw_self_shadows(bool (*abort)()) {
  const view_type* view = get_view_pointer();
  if (get_no_geometry()) return false;
  float min[3], max[3];
  get_ldf_min_max(view, min, max);
  float centre[3], diagonal = 0;
  for (int k = 0; k < 3; ++k) {
    centre[k] = (min[k] + max[k]) / 2;
    diagonal += (max[k] - min[k]) * (max[k] - min[k]);
  }
  diagonal = std::sqrt(diagonal);
  if (diagonal <= 0) return false;
  const DisplayOptions* options = get_display_options();
  XGLContext* gl = XGLContext::current_context;
  for (int i = 0; i < get_number_of_lights(); ++i) {
    int light = GL_LIGHT0 + i;
    if (!get_light_on(light) || !get_light_cast_shadows(light)) continue;
    if (shadow_map == nullptr) {
      ContextKeeper keeper;
      shadow_map = new OffscreenDrawable(graphics_display(), SHADOW_MAP_SIZE, SHADOW_MAP_SIZE, 8, 8, 8, 16, true);
      keeper.restore();
    }
    if (!shadow_map->has_context()) return false;
    uint32_t u = self_shadow_map_size(get_perform_high_quality_repaint() ? options->get_self_shadow_map_size_high()
                                                                        : options->get_self_shadow_map_size_low());
    bool recompute = get_update_self_shadows(light) || used_shadowmap_size[i] < u;
    if (recompute) {
      if (shadow_map_data.size() < size_t(u) * u) shadow_map_data.resize(size_t(u) * u);
      if (compute_map(i, u, centre, diagonal, abort)) return true;
    }
    bool made = texture_number[i] == 0;
    if (made) glGenTextures(1, &texture_number[i]);
    gl->bind_texture_2d(texture_number[i]);
    set_shadow_color(light);
    set_texture_transformation();
    if (recompute || made) {
      glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
      glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT, GLsizei(used_shadowmap_size[i]),
                   GLsizei(used_shadowmap_size[i]), 0, GL_DEPTH_COMPONENT, GL_FLOAT, shadow_map_data.data());
    }
    gl->set_matrix_mode(GL_TEXTURE);
    glLoadIdentity();
    glTranslatef(0.5f, 0.5f, 0.4994f);
    glScalef(0.5f, 0.5f, 0.5f);
    glMultMatrixd(perspective_mat[i]);
    glMultMatrixd(modelview_mat[i]);
    if (transformation_enabled()) apply_transformation();
    gl->set_matrix_mode(GL_MODELVIEW);

    glAlphaFunc(GL_GREATER, 0.5f);
    glEnable(GL_ALPHA_TEST);
    glDepthFunc(GL_LEQUAL);
    gl->enable_polygon_offset(true);
    gl->set_polygon_offset(1, 3);
    gl->enable_blending(true);
    gl->set_blend_func(GL_ZERO, GL_SRC_COLOR);
    glDepthMask(GL_FALSE);
    glEnable(GL_TEXTURE_2D);
    bool aborted = draw_geometry(true, true, false, true, abort);
    glDisable(GL_TEXTURE_2D);
    glDepthMask(GL_TRUE);
    gl->enable_blending(false);
    gl->enable_polygon_offset(false);
    glDepthFunc(GL_LESS);
    glDisable(GL_ALPHA_TEST);
    gl->set_matrix_mode(GL_TEXTURE);
    glLoadIdentity();
    gl->set_matrix_mode(GL_MODELVIEW);
    reset_texture_transformation();
    if (aborted) return true;
  }
  return false;
}
