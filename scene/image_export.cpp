#include "scene/image_export.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gl/gl_context.h"
#include "scene/image_io.h"
#include "view/graphics_window.h"
#include "view/offscreen.h"
#include "view/transforms.h"

// The offscreen drawable of one export and its context.
namespace {
struct ExportDrawable {
  Pixmap pixmap = None;
  GLXPixmap glx_pixmap = None;
  Window window = None;
  Colormap colormap = None;
  GLXDrawable target = None;
};

// What every tile of one export shares.
struct TileJob {
  uint8_t kind;
  bool colour;
  uint32_t tile_width, tile_height;
  bool inches;
  uint32_t x_resolution, y_resolution;
  unsigned oversampling;
  uint8_t compression;
  uint32_t largest_width, largest_height;  // drawable size, multiples of the oversampling
  uint32_t total_x, total_y;               // image size
  const XColor* colours;                   // index mode only, else null
};
}  // namespace

static ExportDrawable drawable;
static XGLContext* offscreen_context = nullptr;

// X errors while the drawable is made are recorded, not fatal.
static int x_error_code = 0;
static int record_x_error(Display*, XErrorEvent* event) {
  x_error_code = event->error_code;
  return 0;
}

static const char* x_error_text(Display* display) {
  static char text[81];
  if (x_error_code == 0) return "no drawable";
  XGetErrorText(display, x_error_code, text, sizeof text);
  return text;
}

void map_i_rgb(const XColor* colours, const uint16_t* indices, uint8_t* output, uint32_t count, bool colour) {
  for (uint32_t i = 0; i < count; ++i) {
    const XColor& c = colours[indices[i]];
    if (colour) {
      *output++ = uint8_t(c.red >> 8);
      *output++ = uint8_t(c.green >> 8);
      *output++ = uint8_t(c.blue >> 8);
    } else {
      *output++ = uint8_t(unsigned(0.299 * c.red + 0.587 * c.green + 0.114 * c.blue) >> 8);
    }
  }
}

// GLX attribute lists of the drawable's visual: RGB with or without stencil,
// 8-bit and 12-bit colour index; each single, then double buffered.
static std::vector<int> visual_list(bool window, int index_bits, bool stencil, bool double_buffer) {
  std::vector<int> list;
  if (window) list.push_back(GLX_USE_GL);
  if (index_bits == 0)
    list.insert(list.end(), {GLX_RGBA, GLX_RED_SIZE, 3});
  else
    list.insert(list.end(), {GLX_BUFFER_SIZE, index_bits});
  list.insert(list.end(), {GLX_DEPTH_SIZE, 16});
  if (double_buffer) list.push_back(GLX_DOUBLEBUFFER);
  if (stencil) list.insert(list.end(), {GLX_STENCIL_SIZE, 1});
  list.push_back(None);
  return list;
}

static XVisualInfo* choose_visual(Display* display, bool window, int index_bits, bool stencil) {
  for (bool double_buffer : {false, true}) {
    std::vector<int> list = visual_list(window, index_bits, stencil, double_buffer);
    XVisualInfo* vi = glXChooseVisual(display, DefaultScreen(display), list.data());
    if (vi == nullptr) continue;
    int rgba = 0;
    bool true_color = vi->c_class == TrueColor || vi->c_class == DirectColor;
    if (glXGetConfig(display, vi, GLX_RGBA, &rgba) == 0 && (rgba == 1) == (index_bits == 0) &&
        true_color == (index_bits == 0))
      return vi;
    XFree(vi);
  }
  return nullptr;
}

// Mean of a 2 × 2 block, or the weighted mean of a 3 × 3 block (centre 1,
// edges 0.5, corners 0.35), of channel `c` at block (x, y) of rows `rows`.
static uint8_t filter_pixel(const uint8_t* const* rows, uint32_t x, unsigned channels, unsigned c, unsigned os) {
  if (os == 2) {
    unsigned sum = 0;
    for (unsigned j = 0; j < 2; ++j)
      for (unsigned i = 0; i < 2; ++i) sum += rows[j][(2 * x + i) * channels + c];
    return uint8_t(sum >> 2);
  }
  static const float WEIGHT[3][3] = {{0.35f, 0.5f, 0.35f}, {0.5f, 1.0f, 0.5f}, {0.35f, 0.5f, 0.35f}};
  float sum = 0;
  for (unsigned j = 0; j < 3; ++j)
    for (unsigned i = 0; i < 3; ++i) sum += WEIGHT[j][i] * float(rows[j][(3 * x + i) * channels + c]);
  long v = std::lround(sum / 4.4f);
  return uint8_t(v > 255 ? 255 : v);
}

// Reads `height` rows of `width` pixels of the drawable, top row first, into
// `band` at column `x` of rows `stride` bytes long.
static void read_rows(const TileJob& job, uint8_t* band, size_t stride, uint32_t x, uint32_t width, uint32_t height) {
  unsigned channels = job.colour ? 3 : 1;
  std::vector<uint16_t> indices(job.colours != nullptr ? width : 0);
  std::vector<uint8_t> rgb(job.colour || job.colours != nullptr ? 0 : size_t(width) * 3);
  for (uint32_t i = 0; i < height; ++i) {
    GLint y = GLint(height - 1 - i);
    uint8_t* out = band + i * stride + size_t(x) * channels;
    if (job.colours != nullptr) {
      glReadPixels(0, y, GLsizei(width), 1, GL_COLOR_INDEX, GL_UNSIGNED_SHORT, indices.data());
      map_i_rgb(job.colours, indices.data(), out, width, job.colour);
    } else if (job.colour) {
      glReadPixels(0, y, GLsizei(width), 1, GL_RGB, GL_UNSIGNED_BYTE, out);
    } else {
      // GL's own luminance is the clamped sum of the channels: weigh them as in index mode.
      glReadPixels(0, y, GLsizei(width), 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
      for (uint32_t k = 0; k < width; ++k) {
        const uint8_t* p = &rgb[size_t(k) * 3];
        out[k] = uint8_t(std::lround(0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]));
      }
    }
  }
}

static int write_failed(int error_number) {
  fprintf(stderr, "SAVE_IMAGE - error writing image file - %s.\n", strerror(error_number));
  return SAVE_IMAGE_WRITE_FAILED;
}

// One tile into one file: rendered in bands of sub-tiles of at most the
// drawable's size, each band filtered down and written as it is complete.
static int save_tile(const TileJob& job, const char* name, uint32_t tile_x, uint32_t tile_y) {
  ImageIO image(job.kind, job.colour ? GL_RGB : GL_LUMINANCE, job.tile_width, job.tile_height, job.compression, name,
                job.inches, job.x_resolution, job.y_resolution);
  if (!image.ok) {
    fprintf(stderr, "SAVE_IMAGE - error opening '%s' - %s.\n", name, image.open_failure());
    return SAVE_IMAGE_WRITE_FAILED;
  }
  unsigned os = job.oversampling, channels = job.colour ? 3 : 1;
  uint32_t width = job.tile_width * os, height = job.tile_height * os;  // oversampled tile
  size_t stride = size_t(width) * channels;
  std::vector<uint8_t> band(stride * std::min(height, job.largest_height));
  std::vector<uint8_t> scanline(size_t(job.tile_width) * channels);
  uint32_t row = 0;
  for (uint32_t top = 0; top < height; top += job.largest_height) {
    uint32_t band_height = std::min(job.largest_height, height - top);
    uint32_t bottom = height - top - band_height;  // from the tile's bottom
    for (uint32_t x = 0; x < width; x += job.largest_width) {
      uint32_t sub_width = std::min(job.largest_width, width - x);
      change_vl_system_viewport(0, float(sub_width), 0, float(band_height));
      set_tiling_conf(job.total_x, job.total_y, tile_x + x / os, tile_y + bottom / os);
      paint_all_views();
      glFinish();
      read_rows(job, band.data(), stride, x, sub_width, band_height);
    }
    for (uint32_t y = 0; y < band_height; y += os, ++row) {
      const uint8_t* line = band.data() + size_t(y) * stride;
      if (os == 1) {
        memcpy(scanline.data(), line, stride);
      } else {
        const uint8_t* rows[3] = {line, line + stride, os == 3 ? line + 2 * stride : nullptr};
        for (uint32_t px = 0; px < job.tile_width; ++px)
          for (unsigned c = 0; c < channels; ++c) scanline[size_t(px) * channels + c] = filter_pixel(rows, px, channels, c, os);
      }
      if (image.write_scanline(row, scanline.data())) return write_failed(errno);
    }
  }
  if (image.finish_write()) return write_failed(errno);
  return SAVE_IMAGE_OK;
}

static int refuse(const char* what) {
  fprintf(stderr, "SAVE_IMAGE - %s out of range.\n", what);
  return SAVE_IMAGE_BAD_PARAMETER;
}

// The parameters that size buffers and divide: checked before anything is made.
static int check_parameters(const char** files, uint32_t tile_width, uint32_t tile_height, uint32_t across,
                            uint32_t down, uint8_t oversampling, int32_t viewport_width, int32_t viewport_height) {
  if (oversampling < 1 || oversampling > 3) return refuse("oversampling");
  if (tile_width < 1 || tile_width > SAVE_IMAGE_MAX_TILE) return refuse("tile width");
  if (tile_height < 1 || tile_height > SAVE_IMAGE_MAX_TILE) return refuse("tile height");
  if (across < 1 || uint64_t(across) * tile_width > SAVE_IMAGE_MAX_IMAGE) return refuse("x tiles");
  if (down < 1 || uint64_t(down) * tile_height > SAVE_IMAGE_MAX_IMAGE) return refuse("y tiles");
  if (viewport_width < 1 || viewport_height < 1) return refuse("graphics viewport");
  if (files == nullptr) return refuse("file name array");
  for (uint64_t i = 0; i < uint64_t(across) * down; ++i)
    if (files[i] == nullptr) return refuse("file name array");
  return SAVE_IMAGE_OK;
}

// The GLX pixmap, or a window over the graphics window; false on failure.
static bool make_drawable(Display* display, XVisualInfo* vi, Window graphics, bool use_window, uint32_t width,
                          uint32_t height, const std::vector<XColor>& colours) {
  Window root = RootWindow(display, vi->screen);
  if (!use_window) {
    drawable.pixmap = XCreatePixmap(display, root, width, height, unsigned(vi->depth));
    if (drawable.pixmap != None) drawable.glx_pixmap = glXCreateGLXPixmap(display, vi, drawable.pixmap);
    XSync(display, False);
    drawable.target = drawable.glx_pixmap;
  } else {
    bool index_mode = !colours.empty();
    drawable.colormap = XCreateColormap(display, root, vi->visual, index_mode ? AllocAll : AllocNone);
    if (index_mode) {
      std::vector<XColor> stored = colours;
      for (XColor& c : stored) c.flags = DoRed | DoGreen | DoBlue;
      XStoreColors(display, drawable.colormap, stored.data(), int(stored.size()));
    }
    int x = 0, y = 0;
    Window child;
    XTranslateCoordinates(display, graphics, root, 0, 0, &x, &y, &child);
    if (x < 0 || x + int64_t(width) > DisplayWidth(display, vi->screen)) x = 0;
    if (y < 0 || y + int64_t(height) > DisplayHeight(display, vi->screen)) y = 0;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.colormap = drawable.colormap;
    attributes.border_pixel = 0;
    drawable.window = XCreateWindow(display, root, x, y, width, height, 0, vi->depth, InputOutput, vi->visual,
                                    CWOverrideRedirect | CWColormap | CWBorderPixel, &attributes);
    if (drawable.window != None) XMapRaised(display, drawable.window);
    XSync(display, False);  // an override-redirect window is mapped once the server has the request
    drawable.target = drawable.window;
  }
  return drawable.target != None && x_error_code == 0;
}

static void free_drawable(Display* display) {
  if (drawable.glx_pixmap != None) glXDestroyGLXPixmap(display, drawable.glx_pixmap);
  if (drawable.pixmap != None) XFreePixmap(display, drawable.pixmap);
  if (drawable.window != None) XDestroyWindow(display, drawable.window);
  if (drawable.colormap != None) XFreeColormap(display, drawable.colormap);
  drawable = ExportDrawable();
}

int save_image(Display* display, Window window, int colour_count, int background, uint8_t kind, const char** files,
               bool colour, uint32_t tile_width, uint32_t tile_height, uint32_t tiles_across, uint32_t tiles_down,
               bool inches, uint32_t x_resolution, uint32_t y_resolution, uint8_t oversampling, uint8_t compression,
               bool use_window) {
  int32_t vx, vw, vy, vh;
  get_graphics_viewport(&vx, &vw, &vy, &vh);
  int checked = check_parameters(files, tile_width, tile_height, tiles_across, tiles_down, oversampling, vw, vh);
  if (checked != SAVE_IMAGE_OK) return checked;
  XWindowAttributes window_attributes;
  if (XGetWindowAttributes(display, window, &window_attributes) == 0) return SAVE_IMAGE_NO_DRAWABLE;
  make_graphics_context_active();
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  bool index_mode = get_color_index_mode();
  std::vector<XColor> colours;
  if (index_mode) {
    GLint table = 0;
    glGetIntegerv(GL_MAX_PIXEL_MAP_TABLE, &table);
    if (colour_count < 1 || colour_count > table || colour_count > 4096) return SAVE_IMAGE_NO_DRAWABLE;
    colours.resize(size_t(colour_count));
    for (int i = 0; i < colour_count; ++i) colours[size_t(i)].pixel = unsigned(i);
    XQueryColors(display, window_attributes.colormap, colours.data(), colour_count);
  }

  const float saved_viewport[4] = {float(vx), float(vw), float(vy), float(vh)};
  unsigned os = oversampling;
  uint32_t total_x = tiles_across * tile_width, total_y = tiles_down * tile_height;
  save_views();
  set_offscreen_alias(oversampling);
  set_offscreen_aspect(float((double(total_x) / total_y) / (double(vw) / vh)));
  if (double(total_x) / vw <= double(total_y) / vh)
    set_offscreen_scale(float(double(total_x) * os / vw));
  else
    set_offscreen_scale(float(double(total_y) * os / vh));
  if (!colour) set_offscreen_background(background);

  GLint limits[2] = {0, 0};
  if (use_window) {
    limits[0] = DisplayWidth(display, DefaultScreen(display)), limits[1] = DisplayHeight(display, DefaultScreen(display));
  } else {
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, limits);
  }
  uint32_t channels = colour ? 3 : 1;
  uint32_t largest_width = uint32_t(std::clamp(limits[0], 0, 2048)) / os * os;
  uint32_t largest_height = uint32_t(std::clamp(limits[1], 0, 2048));
  largest_height = std::min<uint32_t>(largest_height, 134217728u / (tile_width * channels)) / os * os;

  TileJob job = {kind,           colour,         tile_width, tile_height, inches,  x_resolution, y_resolution, os,
                 compression,    largest_width,  largest_height, total_x,  total_y, colours.empty() ? nullptr : colours.data()};
  int result = SAVE_IMAGE_OK;
  XVisualInfo* vi = nullptr;
  int (*previous_handler)(Display*, XErrorEvent*) = nullptr;
  bool prepared = false;
  if (largest_width == 0 || largest_height == 0) {
    result = SAVE_IMAGE_NO_DRAWABLE;
  } else {
    int index_bits = !index_mode ? 0 : colour_count <= 256 ? 8 : 12;
    vi = choose_visual(display, use_window, index_bits, !index_mode && get_stencil_buffer_present());
    if (vi == nullptr) {
      fputs("SAVE_image - no appropriate visual found.\n", stderr);
      result = SAVE_IMAGE_NO_VISUAL;
    }
  }
  if (result == SAVE_IMAGE_OK) {
    XSync(display, False);
    x_error_code = 0;
    previous_handler = XSetErrorHandler(record_x_error);
    bool big_cube = colour_count > 256;
    offscreen_context = new XGLContext(display, vi, true, index_mode, big_cube ? 10 : 4, big_cube ? 256 : 4, 0, 0.75f,
                                       0.75f, 0.75f, 0.86f, 0.86f, 0.86f);
    uint32_t width = std::min(os * tile_width, largest_width), height = std::min(os * tile_height, largest_height);
    if (!offscreen_context->has_glx_context() ||
        !make_drawable(display, vi, window, use_window, width, height, colours)) {
      fprintf(stderr, use_window ? "SAVE_IMAGE - error creating window - %s.\n" : "SAVE_IMAGE - error creating pixmap - %s.\n",
              offscreen_context->has_glx_context() ? x_error_text(display) : "no GL context");
      result = SAVE_IMAGE_NO_DRAWABLE;
    } else {
      prepare_offscreen_rendering();
      prepared = true;
      if (!offscreen_context->test_context(drawable.target, true)) {
        fprintf(stderr, "SAVE_IMAGE - error creating pixmap - %s.\n", x_error_text(display));
        result = SAVE_IMAGE_NO_DRAWABLE;
      } else {
        init_offscreen_context();
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
      }
    }
    XSync(display, False);
    XSetErrorHandler(previous_handler);
  }

  for (uint32_t column = 0; column < tiles_across && result == SAVE_IMAGE_OK; ++column)
    for (uint32_t row = 0; row < tiles_down && result == SAVE_IMAGE_OK; ++row) {
      uint32_t tile_x = column * tile_width, tile_y = (tiles_down - row - 1) * tile_height;
      set_tiling_conf(total_x, total_y, tile_x, tile_y);
      change_vl_system_viewport(0, float(tile_width * os), 0, float(tile_height * os));
      result = save_tile(job, files[size_t(row) * tiles_across + column], tile_x, tile_y);
    }

  if (prepared) reset_offscreen_rendering();
  XGLContext::release();
  free_drawable(display);
  delete offscreen_context;
  offscreen_context = nullptr;
  if (vi != nullptr) XFree(vi);
  change_vl_system_viewport(saved_viewport[0], saved_viewport[1], saved_viewport[2], saved_viewport[3]);
  set_offscreen_alias(1);
  set_offscreen_aspect(1.0f);
  set_offscreen_background(-1);
  set_offscreen_scale(1.0f);
  make_graphics_context_active();
  return result;
}
