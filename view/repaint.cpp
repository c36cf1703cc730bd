#include "view/repaint.h"

#include <GL/gl.h>

#include "runtime/qob.h"
#include "scene/display_options.h"
#include "scene/draw_geometry.h"
#include "scene/gl_context.h"
#include "scene/segment_store.h"
#include "view/graphics_window.h"
#include "view/views.h"

// A viewport this close to the whole tek area covers the screen.
static bool covers_screen(const float* viewport) {
  return viewport[0] <= 4 && viewport[2] <= 4 && viewport[1] >= 4091 && viewport[3] >= 3272;
}

// Clears colour and depth inside the scissor box of the view whose camera was set last.
static void clear_view(XGLContext* gl, bool scissor) {
  float box[4];
  get_viewport(box);
  if (scissor)
    gl->enable_scissor(true, int(box[0]), int(box[1]), int(box[2]), int(box[3]));
  else
    gl->enable_scissor(false);
  set_clear_color(unsigned(get_background_color()));
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

static bool paint_other_view(XGLContext* gl, int n, bool (*abort)()) {
  set_view_being_drawn(n);
  compute_view_camera(n, false, false, nullptr);
  clear_view(gl, true);
  gl->set_front_face(GL_CW);
  return draw_geometry(false, false, false, true, abort);
}

static bool paint_current_view(XGLContext* gl, bool (*abort)()) {
  int n = get_current_view_number();
  compute_view_camera(n, get_stereo(), false, nullptr);
  clear_view(gl, !covers_screen(get_view_record(n)->viewport));
  gl->set_front_face(GL_CW);
  reset_triangles_displayed();
  if (draw_geometry(false, false, false, true, abort)) return true;
  if (get_display_options()->get_enable_transparency()) draw_transparent_surfaces();
  return false;
}

bool repaint_views(bool /*right_eye*/, bool (*abort)()) {
  XGLContext* gl = get_graphics_context();
  gl->enable_scissor(false);
  set_clear_color(unsigned(get_background_color()));
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  int current = get_current_view_number();
  // In stereo only the current view is drawn.
  if (!get_stereo())
    for (int n = 1; n <= NUMBER_OF_VIEWS; ++n)
      if (n != current && get_view_record(n)->enabled && paint_other_view(gl, n, abort)) return true;
  set_view_being_drawn(current);
  return get_view_record(current)->enabled && paint_current_view(gl, abort);
}

bool repaint_screen(bool mark_all, bool (*abort)()) {
  if (get_graphics_context() == nullptr) return false;  // no graphics window yet: nothing to draw
  if (mark_all) set_geometry_update();
  make_graphics_context_active();
  if (get_display_repaint_time()) glFinish();
  if (repaint_views(false, abort)) return true;
  put_triangles_displayed();
  return false;
}
