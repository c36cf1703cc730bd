#include "view/repaint.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <tiffio.h>

#include <cmath>
#include <vector>

#include "gl/gl_context.h"
#include "link/si.h"
#include "platform/posix_services.h"
#include "runtime/gui3d_items.h"
#include "runtime/qob.h"
#include "scene/clip_planes.h"
#include "scene/display_options.h"
#include "scene/draw_geometry.h"
#include "scene/environment.h"
#include "scene/gui3d_drawing.h"
#include "scene/lens_flares.h"
#include "scene/lights.h"
#include "scene/logo.h"
#include "scene/materials.h"
#include "scene/repaint_attributes.h"
#include "scene/segment_store.h"
#include "scene/selection.h"
#include "scene/self_shadows.h"
#include "scene/shadows.h"
#include "scene/transformation.h"
#include "toolkit/draw_characters.h"
#include "toolkit/hls.h"
#include "view/graphics_display.h"
#include "view/graphics_window.h"
#include "view/gui3d.h"
#include "view/offscreen.h"
#include "view/transforms.h"
#include "view/views.h"

static bool perform_accum_anti_alias = false;
static bool perform_high_quality_repaint = false;
static bool high_quality_repaint_performed = false;
static bool update_reflection_data = false;
static bool update_reflection_image = false;
static bool update_compute_reflection = false;

// Sub-pixel offsets of the four accumulation passes, each of weight 0.25.
static const float JITTER[4][2] = {{-0.125f, -0.25f}, {-0.375f, 0.25f}, {0.375f, -0.25f}, {0.125f, 0.25f}};

// ---- Views ----------------------------------------------------------------

static XGLContext* gl() { return XGLContext::current_context; }

// A viewport this close to the whole tek area covers the screen.
static bool covers_screen(const float* viewport) {
  return viewport[0] <= 4 && viewport[2] <= 4 && viewport[1] >= 4091 && viewport[3] >= 3272;
}

static void clear_color_and_depth() {
  set_clear_color(unsigned(get_background_color()));
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

static bool accumulation_buffer_present() {
  GLint bits = 0;
  glGetIntegerv(GL_ACCUM_RED_BITS, &bits);
  return bits > 0;
}

// The logo images, made on first use.
static Logo* centred_logo;
static Logo* corner_logo;

// The logo centred in the view, or in its top-right corner; at the left or
// bottom edge on an axis of fewer pixels than the logo has.
static void draw_logo(Logo*& logo, uint8_t alpha, bool corner) {
  if (logo == nullptr) logo = new Logo(alpha);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  float w = float(viewport[2]), h = float(viewport[3]);
  float x = w <= LOGO_WIDTH - 1 ? -1 : corner ? ((w - LOGO_WIDTH) / w - 0.5f) * 2 : -LOGO_WIDTH / w;
  float y = h <= LOGO_HEIGHT - 1 ? -1 : corner ? ((h - LOGO_HEIGHT) / h - 0.5f) * 2 : -LOGO_HEIGHT / h;
  XGLContext* c = gl();
  c->enable_blending(true);
  c->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glRasterPos2f(x, y);
  logo->draw();
  c->enable_blending(false);
}

void cleanup_logos() {
  delete centred_logo;
  delete corner_logo;
  centred_logo = corner_logo = nullptr;
}

void draw_view_frame(bool current, int n) {
  XGLContext* c = gl();
  c->set_matrix_mode(GL_PROJECTION);
  c->push_matrix();
  glLoadIdentity();
  gluOrtho2D(-1, 1, -1, 1);
  c->set_matrix_mode(GL_MODELVIEW);
  c->push_matrix();
  glLoadIdentity();

  bool offscreen = get_offscreen_rendering();
  if (offscreen && get_offscreen_background() > 0)
    c->set_gl_color(0, 0, 0);
  else if (current)
    c->set_gl_color(0.9f, 0.9f, 0.5f);
  else
    c->set_gl_color(0.5f, 0.5f, 0.5f);
  c->enable_lighting(false);
  c->set_polygon_mode(GL_LINE);
  c->enable_depth_testing(false);

  if (get_display_options()->get_display_view_number())
    draw_characters(get_view_number_label(n), 0.004f, 0.004f, 0.004f, 0.95f, 0.94f, 0, justify_left, justify_bottom);

  // Inset half a pixel, so that the edges fall on the view's outer pixels.
  float x0, x1, y0, y1;
  get_screen_viewport(n, &x0, &x1, &y0, &y1);
  float px = 1 / (x1 - x0), py = 1 / (y1 - y0);
  if (!offscreen) {
    glRectf(px - 1, py - 1, 1 - px, 1 - py);
  } else {
    unsigned edges = get_offscreen_frame(n);
    glBegin(GL_LINES);
    if (edges & 1) glVertex2f(px - 1, py - 1), glVertex2f(px - 1, 1.1f - py);
    if (edges & 2) glVertex2f(1 - px, py - 1), glVertex2f(1 - px, 1.1f - py);
    if (edges & 4) glVertex2f(px - 1, py - 1), glVertex2f(1.1f - px, py - 1);
    if (edges & 8) glVertex2f(px - 1, 1 - py), glVertex2f(1.1f - px, 1 - py);
    glEnd();
  }
  const DisplayOptions* options = get_display_options();
  if (options->get_rendering_option() == 3) draw_logo(centred_logo, 128, false);
  if (options->get_display_vorq_logo() && !offscreen) draw_logo(corner_logo, 96, true);

  c->set_polygon_mode(GL_FILL);
  c->set_matrix_mode(GL_PROJECTION);
  c->pop_matrix();
  c->set_matrix_mode(GL_MODELVIEW);
  c->pop_matrix();
}

// A view other than the current one; true when aborted.
static bool paint_other_view(int n, bool effects, bool (*abort)()) {
  set_view_being_drawn(n);
  compute_view_camera(n, false, false, nullptr);
  clear_color_and_depth();  // inside the view's scissor box
  activate_lights();
  gl()->set_front_face(GL_CW);
  if (effects && get_environment_visible() && get_enable_magic_module())
    for (int side = 0; side < ENVIRONMENT_SIDES; ++side) draw_environment_side(side);
  bool aborted = draw_geometry(false, false, false, true, abort);
  deactivate_lights();
  if (aborted) return true;
  if (get_display_options()->get_display_lens_flares() && get_enable_magic_module()) draw_lens_flares();
  GUI3D::set_view(get_view_record(n));
  draw_gui3d_objects();
  draw_view_frame(false, n);
  return false;
}

bool paint_current_view(bool right_eye, const float* jitter, bool effects, bool (*abort)()) {
  int n = get_current_view_number();
  compute_view_camera(n, get_stereo(), right_eye, jitter);
  if (covers_screen(get_view_record(n)->viewport)) {
    gl()->enable_scissor(false);
  } else {
    float box[4];
    get_viewport(box);
    gl()->enable_scissor(true, int(box[0]), int(box[1]), int(box[2]), int(box[3]));
  }
  clear_color_and_depth();
  activate_lights();
  gl()->set_front_face(GL_CW);
  bool aborted = false;
  if (effects && get_environment_visible() && get_enable_magic_module()) {
    aborted = draw_environment_shadows_and_reflections(abort);
    store_viewing_matrix();
  }
  reset_triangles_displayed();
  activate_clipplanes(true);
  if (!aborted) aborted = draw_geometry(false, false, false, true, abort);
  if (!aborted && get_display_options()->get_self_shadows() && effects && get_enable_realtime_renderer())
    aborted = draw_self_shadows(abort);
  if (!aborted && effects && get_display_options()->get_enable_transparency()) draw_transparent_surfaces();
  deactivate_clipplanes();
  deactivate_lights();
  if (aborted) return true;
  if (get_display_options()->get_display_lens_flares() && effects && get_enable_realtime_renderer())
    draw_lens_flares();
  GUI3D::set_view(get_view_record(n));
  draw_gui3d_objects();
  draw_view_frame(true, n);
  return false;
}

// The current view in four jittered passes summed in the accumulation buffer.
static bool paint_accumulated(bool right_eye, bool effects, bool (*abort)()) {
  for (int i = 0; i < 4; ++i) {
    gl()->set_matrix_mode(GL_MODELVIEW);
    gl()->push_matrix();
    bool aborted = paint_current_view(right_eye, JITTER[i], effects, abort);
    gl()->set_matrix_mode(GL_MODELVIEW);
    gl()->pop_matrix();
    if (aborted) return true;
    glAccum(i == 0 ? GL_LOAD : GL_ACCUM, 0.25f);
  }
  glAccum(GL_RETURN, 1.0f);
  glFlush();
  return false;
}

bool repaint_views(bool right_eye, bool (*abort)()) {
  high_quality_repaint_performed = false;
  const DisplayOptions* options = get_display_options();
  bool effects = get_highlight_mode() == 0 && !options->get_display_hidden_line();
  if (effects && get_environment_visible()) compute_environment_vertices();
  if (options->get_enable_reflection()) {
    if (options->get_reflection_type() == 1 && update_compute_reflection) {
      compute_reflection_image();
      update_compute_reflection = false;
      update_reflection_data = true;
    }
    if (update_reflection_data || update_reflection_image) {
      update_reflection_maps();
      update_reflection_data = update_reflection_image = false;
    }
  }
  if (options->get_use_display_lists() && (options->get_enable_reflection() || options->get_enable_textures()))
    update_textures();

  const float* area = get_vl_system_viewport();
  gl()->enable_scissor(false);
  clear_color_and_depth();
  gl()->enable_scissor(true, int(area[0]), int(area[2]), int(area[1]), int(area[3]));
  HighlightOptions* highlight = get_highlight_options();
  if (get_highlight_mode() != 0 && !get_offscreen_rendering() && highlight != nullptr) {
    // Surfaces are shaded by their angle to light 0, seen from the light.
    if (is_valid_light(GL_LIGHT0)) {
      float x, y, z;
      get_light_direction(GL_LIGHT0, &x, &y, &z);
      double model[3] = {x, y, z}, out[3] = {x, y, z};
      if (transformation_enabled()) transform_vector(model, out);
      highlight->set_direction(float(-out[0]), float(-out[1]), float(-out[2]));
    }
    highlight->apply_colormap();
  }

  int current = get_current_view_number();
  // In stereo only the current view is drawn.
  if (!get_stereo())
    for (int n = 1; n <= NUMBER_OF_VIEWS; ++n)
      if (n != current && get_view_record(n)->enabled && paint_other_view(n, effects, abort)) return true;

  set_view_being_drawn(current);
  if (get_view_record(current)->enabled) {
    bool aborted = perform_accum_anti_alias && accumulation_buffer_present()
                       ? paint_accumulated(right_eye, effects, abort)
                       : paint_current_view(right_eye, nullptr, effects, abort);
    if (aborted) {
      perform_accum_anti_alias = perform_high_quality_repaint = false;
      return true;
    }
  }
  high_quality_repaint_performed = perform_high_quality_repaint;
  perform_accum_anti_alias = perform_high_quality_repaint = false;
  return false;
}

bool repaint_screen(bool mark_all, bool (*abort)()) {
  if (get_graphics_context() == nullptr) return false;  // no graphics window yet: nothing to draw
  if (mark_all) set_geometry_update();
  make_graphics_context_active();
  if (get_display_repaint_time()) glFinish();
  if (get_stereo()) {
    glDrawBuffer(GL_BACK_LEFT);
    bool aborted = repaint_views(false, abort);
    if (!aborted) {
      glDrawBuffer(GL_BACK_RIGHT);
      aborted = repaint_views(true, abort);
    }
    glDrawBuffer(GL_BACK);
    if (aborted) return true;
  } else if (repaint_views(false, abort)) {
    return true;
  }
  put_triangles_displayed();
  return false;
}

// ---- Quality and update requests --------------------------------------------

bool allow_accum_anti_alias() {
  int current = get_current_view_number();
  for (int n = 1; n <= NUMBER_OF_VIEWS; ++n)
    if (n != current && get_view_record(n)->enabled) return false;
  return true;
}

bool set_high_quality_repaint() {
  if (high_quality_repaint_performed) return false;
  bool accumulate = get_anti_alias_mode() == 2 && allow_accum_anti_alias();
  const DisplayOptions* options = get_display_options();
  if (!accumulate &&
      !(options->get_self_shadows() && options->get_self_shadow_map_size_low() < options->get_self_shadow_map_size_high()))
    return false;
  request_high_quality_repaint(accumulate);
  return true;
}

void request_high_quality_repaint(bool accumulate) {
  perform_accum_anti_alias = accumulate;
  perform_high_quality_repaint = true;
}

bool get_perform_high_quality_repaint() { return perform_high_quality_repaint; }

void set_update_window() {
  update_reflection_data = update_reflection_image = update_compute_reflection = true;
  update_lists(true, true, true);
  if (HighlightOptions* highlight = get_highlight_options()) highlight->request_loading();
}

void set_update_reflection() { update_reflection_data = true; }

void set_update_compute_reflection() { update_compute_reflection = update_reflection_data = true; }

void reset_lists() {
  delete_gui3d_textures();
  delete_environment_textures();
  delete_shadow_maps();
  delete_self_shadow_maps();
  delete_lens_flares();
  delete_all_textures();
  init_lists();
}

bool modify_color(int index, float hls[3]) {
  float r, g, b;
  convert_hls_to_rgb(hls[0], hls[1], hls[2], &r, &g, &b);
  hls[0] = r, hls[1] = g, hls[2] = b;
  if (index < 0 || index >= int(PALETTE_SIZE)) return false;
  set_colormap_entry(unsigned(index), r, g, b);
  return true;
}

// ---- Selection through a view -------------------------------------------------

// Camera of view n as the selection sees the model; false when there is no view.
static bool selection_camera(int n) {
  if (n == 0) return false;
  set_view_being_drawn(n);
  compute_view_camera(n, get_stereo(), false, nullptr);
  if (transformation_enabled()) apply_transformation();
  return true;
}

unsigned long compute_segment_selection(float tx, float ty, unsigned long mode) {
  int n = get_view_number(tx, ty);
  if (!selection_camera(n)) return 0;
  float point[2];
  tek_to_view(tx, ty, &point[0], &point[1]);
  reset_selection();
  uint32_t mirror = get_view_record(n)->mirror_mode;
  unsigned long result = 0;
  if (mirror == 0 || mirror == 2) result = select_segments(point, false, mode);
  if (mirror == 1 || mirror == 2) result = select_segments(point, true, mode);
  return result;
}

unsigned long compute_segment_selection_by_region(float x1, float y1, float x2, float y2, unsigned long mode,
                                                  bool inside) {
  int n = get_view_number(x1, y1);
  if (!selection_camera(n)) return 0;
  const view_type* v = get_view_record(n);
  float corners[4];
  corners[0] = (std::fmin(x1, x2) - v->viewport[0]) / v->viewport[1] * 2 - 1;
  corners[1] = (std::fmin(y1, y2) - v->viewport[2]) / v->viewport[3] * 2 - 1;
  corners[2] = (std::fmax(x1, x2) - v->viewport[0]) / v->viewport[1] * 2 - 1;
  corners[3] = (std::fmax(y1, y2) - v->viewport[2]) / v->viewport[3] * 2 - 1;
  set_selection_frustum(corners);
  reset_selection();
  unsigned long result = select_segments_by_region(corners, false, mode, inside);
  if (v->mirror_mode == 1 || v->mirror_mode == 2) {
    glScalef(1, -1, 1);
    result = select_segments_by_region(corners, true, mode, inside);
  }
  return result;
}

void set_selection_frustum(const float corners[4]) {
  const view_type* v = get_view_pointer();
  const float* f = v->frustum;
  float width = f[1] - f[0], height = f[3] - f[2];
  float left = f[0] + (corners[0] + 1) / 2 * width, right = f[0] + (corners[2] + 1) / 2 * width;
  float bottom = f[2] + (corners[1] + 1) / 2 * height, top = f[2] + (corners[3] + 1) / 2 * height;
  gl()->set_matrix_mode(GL_PROJECTION);
  glLoadIdentity();
  if (v->perspective)
    glFrustum(left, right, bottom, top, f[4], f[5]);
  else
    glOrtho(left, right, bottom, top, f[4], f[5]);
  gl()->set_matrix_mode(GL_MODELVIEW);
}

// ---- Benchmark --------------------------------------------------------------

// The back buffer inside the last camera's viewport as an RGB TIFF, top row first.
static void dump_back_buffer(const char* file) {
  TIFF* tif = TIFFOpen(file, "w");
  if (tif == nullptr) return;
  float box[4];
  get_viewport(box);
  uint32_t width = uint32_t(box[2]), height = uint32_t(box[3]);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
  TIFFSetField(tif, TIFFTAG_DOCUMENTNAME, file);
  TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, "Vorq Benchmark framebuffer dump");
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  std::vector<unsigned char> row(size_t(width) * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  for (uint32_t r = 0; r < height; ++r) {
    glReadPixels(GLint(box[0]), GLint(box[1] + float(height - 1 - r)), GLsizei(width), 1, GL_RGB, GL_UNSIGNED_BYTE,
                 row.data());
    if (TIFFWriteScanline(tif, row.data(), r, 0) < 0) break;
  }
  TIFFClose(tif);
}

void test_performance(float seconds, const char* file, float* frames_per_second, float* cpu_percent) {
  make_graphics_context_active();
  int64_t t0 = ticks();
  cpu_ticks cpu0 = process_cpu_ticks();
  glFinish();
  XSync(graphics_display(), False);
  long frames = 0;
  int64_t elapsed;
  do {
    set_update_shadowmaps();
    if (get_anti_alias_mode() == 2) request_high_quality_repaint(true);
    repaint_screen(true, never_abort_repaint);
    swapbuffers();
    glFinish();
    ++frames;
    elapsed = ticks() - t0;
  } while (double(elapsed) < double(seconds) * 100);
  cpu_ticks cpu1 = process_cpu_ticks();
  if (elapsed < 1) elapsed = 1;
  *frames_per_second = float(std::floor(10.0 * double(frames) / (double(elapsed) / 100) + 0.5) / 10);
  *cpu_percent = float(100.0 * double(cpu1.user - cpu0.user + cpu1.system - cpu0.system) / double(elapsed));
  if (file == nullptr) return;
  // After a swap the back buffer is undefined: one more drawing, read before its swap.
  if (get_anti_alias_mode() == 2) request_high_quality_repaint(true);
  repaint_screen(true, never_abort_repaint);
  dump_back_buffer(file);
  swapbuffers();
}
