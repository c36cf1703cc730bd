#include "view/offscreen.h"

#include <cstring>

#include "gl/gl_context.h"
#include "link/si.h"
#include "scene/display_options.h"
#include "scene/materials.h"
#include "scene/segment_store.h"
#include "view/graphics_window.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

enum FrameEdge : unsigned { FRAME_LEFT = 1, FRAME_RIGHT = 2, FRAME_BOTTOM = 4, FRAME_TOP = 8, FRAME_ALL = 15 };

static bool offscreen_rendering = false;
static uint8_t offscreen_anti_alias = 1;
static float offscreen_aspect_ratio = 1.0f;
static long offscreen_clear_color = -1;
static float offscreen_scale = 1.0f;
static uint32_t total_x_size = 0, total_y_size = 0, x_offset = 0, y_offset = 0;
static unsigned frame[NUMBER_OF_VIEWS];
static view_type tmp_views[NUMBER_OF_VIEWS];
static float tmp_ldf_colors[PALETTE_SIZE][3];

bool get_offscreen_rendering() { return offscreen_rendering; }
unsigned get_offscreen_alias() { return offscreen_rendering ? offscreen_anti_alias : 1; }
float get_offscreen_scale() { return offscreen_rendering ? offscreen_scale : 1.0f; }
unsigned get_offscreen_frame(int n) {
  return offscreen_rendering && n >= 1 && n <= NUMBER_OF_VIEWS ? frame[n - 1] : FRAME_ALL;
}
long get_offscreen_background() { return offscreen_clear_color; }

void set_offscreen_alias(uint8_t factor) { offscreen_anti_alias = factor == 0 ? 1 : factor; }
void set_offscreen_aspect(float aspect) { offscreen_aspect_ratio = aspect; }
void set_offscreen_background(long background) { offscreen_clear_color = background; }
void set_offscreen_scale(float scale) { offscreen_scale = scale; }

void set_tiling_conf(uint32_t total_x, uint32_t total_y, uint32_t x, uint32_t y) {
  total_x_size = total_x, total_y_size = total_y, x_offset = x, y_offset = y;
}

void get_tiling_conf(uint32_t* total_x, uint32_t* total_y, uint32_t* x, uint32_t* y) {
  *total_x = total_x_size, *total_y = total_y_size, *x = x_offset, *y = y_offset;
}

void save_views() {
  for (int n = 1; n <= NUMBER_OF_VIEWS; ++n) tmp_views[n - 1] = *get_view_record(n);
}

void restore_views() {
  for (int n = 1; n <= NUMBER_OF_VIEWS; ++n) *get_view_record(n) = tmp_views[n - 1];
}

// One axis of a view fitted into the tile: position and size in tek units of
// the tile (limit 4095 or 3276), the frustum's low and high side, and the
// frame bits of that axis. False when no part of the view lies in the tile.
static bool clip_axis(float* position, float* size, float limit, float* low, float* high, unsigned* bits,
                      unsigned low_bit, unsigned high_bit) {
  float p = *position, s = *size, l = *low, h = *high;
  if (s <= 0 || p + s <= 0 || p >= limit) return false;
  if (p < 0) {
    *low = l + (h - l) * -p / s;
    *size = p + s;
    *position = 0;
    *bits &= ~low_bit;
  }
  if (p + s > limit) {
    *high = l + (h - l) * (limit - p) / s;
    *size = limit - *position;
    *bits &= ~high_bit;
  }
  return true;
}

// Fits every enabled view into the current tile: its window keeps its aspect
// in the image's pixels, and the part of it outside the tile is cut off, both
// from its viewport and from its frustum. Views outside the tile are disabled.
static void prepare_tiled_rendering() {
  const float* area = get_vl_system_viewport();
  float f = float(offscreen_anti_alias);
  for (int n = 1; n <= NUMBER_OF_VIEWS; ++n) {
    view_type* view = get_view_record(n);
    if (!view->enabled) continue;
    frame[n - 1] = FRAME_ALL;
    float* vp = view->viewport;  // x, width, y, height in tek units
    float image_width = f * float(total_x_size) * vp[1] / 4095, image_height = f * float(total_y_size) * vp[3] / 3276;
    if (image_width <= 0 || image_height <= 0 || view->aspect <= 0 || area[1] <= 0 || area[3] <= 0) {
      view->enabled = false;
      continue;
    }
    view->window_height = view->window_width * image_height / (image_width * view->aspect);
    compute_frustum(view, 0);
    float* fr = view->frustum;
    if (offscreen_aspect_ratio > 1) {
      for (int i = 0; i < 4; i += 2) {
        float centre = (fr[i] + fr[i + 1]) / 2, half = (fr[i + 1] - fr[i]) / 2 * offscreen_aspect_ratio;
        fr[i] = centre - half, fr[i + 1] = centre + half;
      }
    }
    float x = (f * float(total_x_size) * vp[0] - f * float(x_offset) * 4095) / area[1];
    float width = f * float(total_x_size) * vp[1] / area[1];
    float y = (f * float(total_y_size) * vp[2] - f * float(y_offset) * 3276) / area[3];
    float height = f * float(total_y_size) * vp[3] / area[3];
    if (!clip_axis(&x, &width, 4095, &fr[0], &fr[1], &frame[n - 1], FRAME_LEFT, FRAME_RIGHT) ||
        !clip_axis(&y, &height, 3276, &fr[2], &fr[3], &frame[n - 1], FRAME_BOTTOM, FRAME_TOP)) {
      view->enabled = false;
      continue;
    }
    vp[0] = x, vp[1] = width, vp[2] = y, vp[3] = height;
  }
}

void paint_all_views() {
  if (offscreen_rendering) prepare_tiled_rendering();
  repaint_views(false, never_abort_repaint);
  if (offscreen_rendering) restore_views();
}

// Display lists, textures and materials belong to one GL context: they are
// made again in the context that draws next.
static void renew_lists() {
  reset_lists();
  set_update_material();
}

void prepare_offscreen_rendering() {
  make_graphics_context_active();
  renew_lists();
  offscreen_rendering = true;
  request_high_quality_repaint(false);
}

void init_offscreen_context() {
  if (offscreen_clear_color != -1) {
    static const float WHITE[3] = {1, 1, 1};
    XGLContext::current_context->set_gl_clear_color(WHITE);
    for (unsigned i = 0; i < PALETTE_SIZE; ++i) {
      get_colormap_entry(i, &tmp_ldf_colors[i][0], &tmp_ldf_colors[i][1], &tmp_ldf_colors[i][2]);
      set_colormap_entry(i, 0, 0, 0);
    }
    set_colormap_entry(0, 1, 1, 1);
  }
  if (HighlightOptions* highlight = get_highlight_options()) highlight->apply_colormap();
  reset_gl_state();
  set_update_window();
}

void reset_offscreen_rendering() {
  if (offscreen_clear_color != -1)
    for (unsigned i = 0; i < PALETTE_SIZE; ++i)
      set_colormap_entry(i, tmp_ldf_colors[i][0], tmp_ldf_colors[i][1], tmp_ldf_colors[i][2]);
  offscreen_rendering = false;
  renew_lists();
  if (XGLContext::current_context != nullptr) reset_gl_state();
}
