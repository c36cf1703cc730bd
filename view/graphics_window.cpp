#include "view/graphics_window.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "runtime/predefined.h"
#include "runtime/qob.h"
#include "runtime/user_interface.h"
#include "scene/display_options.h"
#include "scene/materials.h"
#include "scene/offscreen_drawable.h"
#include "view/graphics_display.h"
#include "view/offscreen.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

static const char* const MODULE = "window";

static Window graphics_window = None;
static Colormap graphics_colormap = None;
static XGLContext* graphics_context = nullptr;
static unsigned graphics_width = 0, graphics_height = 0;
static XVisualInfo* visuals[NUMBER_OF_VISUAL_SLOTS];
static XVisualInfo* current_visual = nullptr;
static uint32_t current_anti_alias_mode = 0, current_color_mode = 0, current_highlight_mode = 0,
                current_stereo_mode = 0;
static int gl_max_texture_size = 0;
static bool stencil_buffer_present = false;
static bool rubber_drawing_active = false;
static bool rubber_on_front = false;  // drawing with X into the window, not GL
static GC rubber_gc = nullptr;

int x_error_handler(Display* display, XErrorEvent* event) {
  char text[81];
  XGetErrorText(display, event->error_code, text, sizeof text);
  fprintf(stderr, "X error code %d = '%s',\n", event->error_code, text);
  fprintf(stderr, "resource ID %lu, serial number %lu, request code %d, minor code %d.\n", event->resourceid,
          event->serial, event->request_code, event->minor_code);
  internal_error(762, MODULE);
}

// Attribute lists of the visual table. The multisample lists are built at run time.
#define RGB_332 GLX_RED_SIZE, 3, GLX_GREEN_SIZE, 3, GLX_BLUE_SIZE, 2
#define ACCUM_332 GLX_ACCUM_RED_SIZE, 3, GLX_ACCUM_GREEN_SIZE, 3, GLX_ACCUM_BLUE_SIZE, 2
#define DB_DEPTH GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16
static int off_rgb_off[] = {GLX_USE_GL, GLX_RGBA, RGB_332, DB_DEPTH, None};
static int off_rgb_off_stencil[] = {GLX_USE_GL, GLX_RGBA, RGB_332, DB_DEPTH, GLX_STENCIL_SIZE, 1, None};
static int off_rgb_stereo[] = {GLX_USE_GL, GLX_RGBA, RGB_332, GLX_STEREO, DB_DEPTH, None};
static int off_rgb_stereo_stencil[] = {GLX_USE_GL, GLX_RGBA, RGB_332, GLX_STEREO, DB_DEPTH, GLX_STENCIL_SIZE, 1, None};
static int off_8bit_off[] = {GLX_USE_GL, GLX_BUFFER_SIZE, 8, DB_DEPTH, None};
static int off_8bit_stereo[] = {GLX_USE_GL, GLX_BUFFER_SIZE, 8, GLX_STEREO, DB_DEPTH, None};
static int off_12bit_off[] = {GLX_USE_GL, GLX_BUFFER_SIZE, 12, DB_DEPTH, None};
static int off_12bit_stereo[] = {GLX_USE_GL, GLX_BUFFER_SIZE, 12, GLX_STEREO, DB_DEPTH, None};
static int accumulation_rgb_off[] = {GLX_USE_GL, GLX_RGBA, RGB_332, ACCUM_332, DB_DEPTH, None};
static int accumulation_rgb_off_stencil[] = {GLX_USE_GL, GLX_RGBA, RGB_332, ACCUM_332, DB_DEPTH,
                                             GLX_STENCIL_SIZE, 1, None};
static int accumulation_rgb_stereo[] = {GLX_USE_GL, GLX_RGBA, RGB_332, ACCUM_332, GLX_STEREO, DB_DEPTH, None};
static int accumulation_rgb_stereo_stencil[] = {GLX_USE_GL, GLX_RGBA, RGB_332, ACCUM_332, GLX_STEREO, DB_DEPTH,
                                                GLX_STENCIL_SIZE, 1, None};
static int accumulation_8bit_off[] = {GLX_USE_GL, GLX_BUFFER_SIZE, 8, ACCUM_332, DB_DEPTH, None};
static int accumulation_8bit_stereo[] = {GLX_USE_GL, GLX_BUFFER_SIZE, 8, ACCUM_332, GLX_STEREO, DB_DEPTH, None};
static int accumulation_12bit_off[] = {GLX_USE_GL, GLX_BUFFER_SIZE, 12, ACCUM_332, DB_DEPTH, None};
static int accumulation_12bit_stereo[] = {GLX_USE_GL, GLX_BUFFER_SIZE, 12, ACCUM_332, GLX_STEREO, DB_DEPTH, None};

// What an attribute list asks, read back from the list itself.
struct VisualRequest {
  bool rgba = false, stereo = false, double_buffer = false;
  int buffer_size = 0, depth = 0, stencil = 0, accum[3] = {0, 0, 0}, sample_buffers = 0, samples = 0;
};

static VisualRequest read_request(const int* list) {
  VisualRequest r;
  for (const int* a = list; *a != None; ++a) {
    switch (*a) {
      case GLX_USE_GL: break;
      case GLX_RGBA: r.rgba = true; break;
      case GLX_STEREO: r.stereo = true; break;
      case GLX_DOUBLEBUFFER: r.double_buffer = true; break;
      case GLX_BUFFER_SIZE: r.buffer_size = *++a; break;
      case GLX_DEPTH_SIZE: r.depth = *++a; break;
      case GLX_STENCIL_SIZE: r.stencil = *++a; break;
      case GLX_ACCUM_RED_SIZE: r.accum[0] = *++a; break;
      case GLX_ACCUM_GREEN_SIZE: r.accum[1] = *++a; break;
      case GLX_ACCUM_BLUE_SIZE: r.accum[2] = *++a; break;
      case GLX_SAMPLE_BUFFERS: r.sample_buffers = *++a; break;
      case GLX_SAMPLES: r.samples = *++a; break;
      default: ++a; break;  // a token with a value that is not checked
    }
  }
  return r;
}

static int config_of(Display* display, XVisualInfo* vi, int attribute) {
  int value = 0;
  if (glXGetConfig(display, vi, attribute, &value) != 0) return -1;
  return value;
}

// A chosen visual is kept only when it is what the list asked: GLX may answer
// a colour-index list with an RGBA visual, and using that would fail later.
static bool visual_matches(Display* display, XVisualInfo* vi, const int* list) {
  VisualRequest r = read_request(list);
  if ((config_of(display, vi, GLX_RGBA) == 1) != r.rgba) return false;
  bool true_color = vi->c_class == TrueColor || vi->c_class == DirectColor;
  if (true_color != r.rgba) return false;
  if ((config_of(display, vi, GLX_STEREO) == 1) != r.stereo) return false;
  if (r.double_buffer && config_of(display, vi, GLX_DOUBLEBUFFER) != 1) return false;
  if (config_of(display, vi, GLX_DEPTH_SIZE) < r.depth) return false;
  if (config_of(display, vi, GLX_STENCIL_SIZE) < r.stencil) return false;
  if (!r.rgba && config_of(display, vi, GLX_BUFFER_SIZE) < r.buffer_size) return false;
  static const int ACCUM[3] = {GLX_ACCUM_RED_SIZE, GLX_ACCUM_GREEN_SIZE, GLX_ACCUM_BLUE_SIZE};
  for (int i = 0; i < 3; ++i)
    if (config_of(display, vi, ACCUM[i]) < r.accum[i]) return false;
  if (r.samples > 0) {
    if (config_of(display, vi, GLX_SAMPLE_BUFFERS) < 1 || config_of(display, vi, GLX_SAMPLES) < r.samples)
      return false;
  } else if (config_of(display, vi, GLX_SAMPLE_BUFFERS) > 0) {
    return false;
  }
  return true;
}

static XVisualInfo* choose(Display* display, int* list) {
  XVisualInfo* vi = glXChooseVisual(display, DefaultScreen(display), list);
  if (vi != nullptr && !visual_matches(display, vi, list)) {
    XFree(vi);
    vi = nullptr;
  }
  return vi;
}

static XVisualInfo* choose_either(Display* display, int* first, int* second) {
  XVisualInfo* vi = choose(display, first);
  return vi != nullptr ? vi : choose(display, second);
}

// A multisample list: colour_bits 0 for RGBA, else the index buffer size.
static std::vector<int> multisample_list(int colour_bits, bool stereo, bool stencil, int samples) {
  std::vector<int> l = {GLX_USE_GL};
  if (colour_bits == 0)
    l.insert(l.end(), {GLX_RGBA, RGB_332});
  else
    l.insert(l.end(), {GLX_BUFFER_SIZE, colour_bits});
  if (stereo) l.push_back(GLX_STEREO);
  l.insert(l.end(), {GLX_SAMPLE_BUFFERS, 1, GLX_SAMPLES, samples, DB_DEPTH});
  if (stencil) l.insert(l.end(), {GLX_STENCIL_SIZE, 1});
  l.push_back(None);
  return l;
}

void get_visuals() {
  Display* d = graphics_display();
  for (XVisualInfo*& vi : visuals) {
    if (vi != nullptr) XFree(vi);
    vi = nullptr;
  }
  visuals[0] = choose_either(d, off_rgb_off_stencil, off_rgb_off);
  visuals[1] = choose_either(d, off_rgb_stereo_stencil, off_rgb_stereo);
  visuals[2] = choose(d, off_8bit_off);
  visuals[3] = choose(d, off_8bit_stereo);
  visuals[4] = choose(d, off_12bit_off);
  visuals[5] = choose(d, off_12bit_stereo);
  visuals[12] = choose_either(d, accumulation_rgb_off_stencil, accumulation_rgb_off);
  visuals[13] = choose_either(d, accumulation_rgb_stereo_stencil, accumulation_rgb_stereo);
  visuals[14] = choose(d, accumulation_8bit_off);
  visuals[15] = choose(d, accumulation_8bit_stereo);
  visuals[16] = choose(d, accumulation_12bit_off);
  visuals[17] = choose(d, accumulation_12bit_stereo);
  for (int n = 4; n >= 2; --n) {
    for (int slot = 6; slot <= 11; ++slot) {
      if (visuals[slot] != nullptr) continue;
      bool stereo = slot % 2 == 1;
      int colour_bits = slot < 8 ? 0 : slot < 10 ? 8 : 12;
      if (colour_bits == 0) {
        std::vector<int> with = multisample_list(0, stereo, true, n);
        std::vector<int> without = multisample_list(0, stereo, false, n);
        visuals[slot] = choose_either(d, with.data(), without.data());
      } else {
        std::vector<int> list = multisample_list(colour_bits, stereo, false, n);
        visuals[slot] = choose(d, list.data());
      }
    }
  }
  if (visuals[0] == nullptr) halt("no suitable TrueColor visual available");
}

XVisualInfo* get_visual_slot(int slot) {
  return slot >= 0 && slot < NUMBER_OF_VISUAL_SLOTS ? visuals[slot] : nullptr;
}

bool available_display_mode(uint32_t anti_alias, uint32_t color, uint32_t highlight, uint32_t stereo) {
  if (anti_alias > 2 || color > 2 || highlight > 2 || stereo > 1) return false;
  if (color != 0 && (highlight == 2 || anti_alias == 2)) return false;
  if (highlight == 2 && gl_max_texture_size < 256) return false;
  return visuals[anti_alias * 6 + color * 2 + stereo] != nullptr;
}

bool set_display_mode(uint32_t anti_alias, uint32_t color, uint32_t highlight, uint32_t stereo) {
  if (current_visual != nullptr && anti_alias == current_anti_alias_mode && color == current_color_mode &&
      highlight == current_highlight_mode && stereo == current_stereo_mode)
    return false;
  if (anti_alias > 2 || color > 2 || highlight > 2 || stereo > 1) internal_error(683, MODULE);
  XVisualInfo* vi = visuals[color * 2 + anti_alias * 6 + stereo];
  if (vi == nullptr) internal_error(683, MODULE);
  current_color_mode = color, current_highlight_mode = highlight, current_stereo_mode = stereo;
  HighlightOptions* highlight_options = get_highlight_options();
  if (highlight_options != nullptr && (color != 0 || highlight != 0)) highlight_options->setup_colormap(color, highlight);
  if (current_visual == nullptr || XVisualIDFromVisual(vi->visual) != XVisualIDFromVisual(current_visual->visual)) {
    current_visual = vi;
    create_graphics_window();
    int stencil = 0;
    if (glXGetConfig(graphics_display(), current_visual, GLX_STENCIL_SIZE, &stencil) != 0)
      internal_error(703, MODULE);
    stencil_buffer_present = stencil > 0;
  }
  set_stereo(stereo == 1);
  if (color != 0) init_color_index_graphics();
  if (highlight_options != nullptr) highlight_options->init_highlight(highlight);
  current_anti_alias_mode = anti_alias;
  set_update_material();
  return true;
}

void create_graphics_window() {
  Display* d = graphics_display();
  int screen = DefaultScreen(d);
  int x = 0, y = 0;
  unsigned width = unsigned(DisplayWidth(d, screen)), height = unsigned(DisplayHeight(d, screen));
  Window old_window = graphics_window;
  bool was_shown = false;
  if (old_window != None) {
    XWindowAttributes shown;
    was_shown = XGetWindowAttributes(d, old_window, &shown) != 0 && shown.map_state != IsUnmapped;
    Window root;
    unsigned border, depth;
    XGetGeometry(d, old_window, &root, &x, &y, &width, &height, &border, &depth);
    // The lists and textures hold names of the old context: freed there, made anew in the next.
    graphics_context->make_current(old_window);
    reset_lists();
    if (rubber_drawing_active) end_rubber_drawing();
    if (rubber_gc != nullptr) XFreeGC(d, rubber_gc);  // the new visual's depth may differ
    rubber_gc = nullptr;
    delete graphics_context;
    graphics_context = nullptr;
    XFreeColormap(d, graphics_colormap);
  }
  bool index_mode = current_color_mode != 0;
  graphics_colormap = XCreateColormap(d, RootWindow(d, screen), current_visual->visual, index_mode ? AllocAll : AllocNone);
  XSetWindowAttributes attributes{};
  attributes.border_pixel = BlackPixel(d, screen);
  attributes.colormap = graphics_colormap;
  attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | EnterWindowMask |
                          LeaveWindowMask | PointerMotionMask | ExposureMask | StructureNotifyMask;
  graphics_window = XCreateWindow(d, RootWindow(d, screen), x, y, width, height, 0, current_visual->depth,
                                  InputOutput, current_visual->visual, CWBorderPixel | CWColormap | CWEventMask,
                                  &attributes);
  bool eight_bit = current_color_mode == 1;
  graphics_context = new XGLContext(d, current_visual, true, index_mode, eight_bit ? 4 : 10, eight_bit ? 4 : 256, 0,
                                    0.75f, 0.75f, 0.75f, 0.86f, 0.86f, 0.86f);
  if (!graphics_context->has_glx_context()) halt("Unable to create graphics GLX context");
  graphics_context->make_current(graphics_window);
  if (old_window != None) {
    // Its unmapping and destruction are no events of ours: nothing knows the window any more.
    XSelectInput(d, old_window, NoEventMask);
    XDestroyWindow(d, old_window);
    if (index_mode) XInstallColormap(d, graphics_colormap);
    // A window that the YARL program has not shown yet stays hidden.
    if (was_shown) XMapRaised(d, graphics_window);
    reset_graphics_window();
  }
  if (graphics_width == 0) graphics_width = width, graphics_height = height;
  reset_gl_state();
  set_update_window();
}

// While rendering offscreen the offscreen context stays current.
void make_graphics_context_active() {
  if (get_offscreen_rendering()) return;
  if (graphics_context != nullptr) graphics_context->make_current(graphics_window);
}

void swapbuffers() { glXSwapBuffers(graphics_display(), graphics_window); }

void reset_gl_state() {
  static const GLfloat ambient[4] = {0, 0, 0, 1};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_1D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glDisable(GL_COLOR_MATERIAL);
  glPixelStorei(GL_UNPACK_SWAP_BYTES, 0);
  glPixelStorei(GL_UNPACK_LSB_FIRST, 0);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  XGLContext::current_context->enable_dithering(false);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void set_color_ramp(int index, const float rgb[3]) {
  XColor c{};
  c.pixel = unsigned(index);
  c.red = uint16_t(rgb[0] * 65535), c.green = uint16_t(rgb[1] * 65535), c.blue = uint16_t(rgb[2] * 65535);
  c.flags = DoRed | DoGreen | DoBlue;
  XStoreColor(graphics_display(), graphics_colormap, &c);
}

void init_color_index_graphics() {
  bool eight_bit = current_color_mode == 1;
  int levels = current_highlight_mode == 0 ? (eight_bit ? 6 : 16) : (eight_bit ? 4 : 10);
  int base = current_highlight_mode == 0 ? 0 : (eight_bit ? 4 : 256);
  for (int r = 0; r < levels; ++r)
    for (int g = 0; g < levels; ++g)
      for (int b = 0; b < levels; ++b) {
        XColor c{};
        c.pixel = unsigned(base + b + levels * (g + levels * r));
        c.red = uint16_t(r * 65535 / (levels - 1));
        c.green = uint16_t(g * 65535 / (levels - 1));
        c.blue = uint16_t(b * 65535 / (levels - 1));
        c.flags = DoRed | DoGreen | DoBlue;
        XStoreColor(graphics_display(), graphics_colormap, &c);
      }
}

void resize_graphics_child_windows(unsigned width, unsigned height) {
  graphics_width = width;
  graphics_height = height;
}

Window get_graphics_window() { return graphics_window; }
XGLContext* get_graphics_context() { return graphics_context; }
uint32_t get_anti_alias_mode() { return current_anti_alias_mode; }
bool get_color_index_mode() { return current_color_mode != 0; }
uint32_t get_highlight_mode() { return current_highlight_mode; }
int get_gl_max_texture_size() { return gl_max_texture_size; }
bool get_stencil_buffer_present() { return stencil_buffer_present; }

// Mesa does not show GL drawing into the front buffer over the window, so the
// front-buffer band inverts the window's pixels with X core drawing instead;
// the back buffer is drawn with GL's inverting blend.
void begin_rubber_drawing(bool front) {
  if (rubber_drawing_active) internal_error(779, MODULE);
  rubber_drawing_active = true;
  make_graphics_context_active();
  rubber_on_front = front;
  if (front) {
    glXWaitGL();  // what GL drew is on the window before X inverts it
    if (rubber_gc == nullptr) {
      XGCValues values{};
      values.function = GXinvert;
      values.plane_mask = AllPlanes;
      values.line_width = 0;
      rubber_gc = XCreateGC(graphics_display(), graphics_window, GCFunction | GCPlaneMask | GCLineWidth, &values);
    }
    return;
  }
  XGLContext* gl = graphics_context;
  gl->enable_depth_testing(false);
  if (current_color_mode != 0) {
    gl->enable_logic_op(true, GL_XOR);
  } else {
    gl->enable_blending(true);
    gl->set_blend_func(GL_ONE_MINUS_DST_COLOR, GL_ZERO);
  }
  gl->set_gl_color(1, 1, 1);
  gl->set_matrix_mode(GL_PROJECTION);
  gl->push_matrix();
  glLoadIdentity();
  glOrtho(0, 4095, 0, 3276, -1, 1);
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->push_matrix();
  glViewport(0, 0, GLsizei(graphics_width), GLsizei(graphics_height));
  glLoadIdentity();
  glTranslatef(0.375f, 0.375f, 0);
  gl->enable_scissor(false);
}

// A tek position as the window pixel that GL's projection above puts it on.
static int pixel_x(uint16_t x) {
  int px = int((x + 0.375) * graphics_width / 4095.0);
  return px < int(graphics_width) ? px : int(graphics_width) - 1;
}
static int pixel_y(uint16_t y) {
  int py = int((y + 0.375) * graphics_height / 3276.0);
  if (py >= int(graphics_height)) py = int(graphics_height) - 1;
  return int(graphics_height) - 1 - py;
}

static void rubber_line(uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2) {
  if (rubber_on_front) {
    XDrawLine(graphics_display(), graphics_window, rubber_gc, pixel_x(x1), pixel_y(y1), pixel_x(x2), pixel_y(y2));
    return;
  }
  glBegin(GL_LINES);
  glVertex2i(x1, y1);
  glVertex2i(x2, y2);
  glEnd();
}

static void rubber_box(uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2) {
  if (rubber_on_front) {
    // X draws no pixel of a rectangle's outline twice, so a second draw restores it.
    int left = std::min(pixel_x(x1), pixel_x(x2)), right = std::max(pixel_x(x1), pixel_x(x2));
    int top = std::min(pixel_y(y1), pixel_y(y2)), bottom = std::max(pixel_y(y1), pixel_y(y2));
    XDrawRectangle(graphics_display(), graphics_window, rubber_gc, left, top, unsigned(right - left),
                   unsigned(bottom - top));
    return;
  }
  glBegin(GL_LINE_LOOP);
  glVertex2i(x1, y1);
  glVertex2i(x1, y2);
  glVertex2i(x2, y2);
  glVertex2i(x2, y1);
  glEnd();
}

static void flush_rubber() {
  if (rubber_on_front) XFlush(graphics_display());
  else glFlush();
}

void draw_rubber_line(uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2) {
  rubber_line(x1, y1, x2, y2);
  flush_rubber();
}
void clear_rubber_line(uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2) { rubber_line(x1, y1, x2, y2); }
void draw_rubber_box(uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2) {
  rubber_box(x1, y1, x2, y2);
  flush_rubber();
}
void clear_rubber_box(uint16_t x1, uint16_t y1, uint16_t x2, uint16_t y2) { rubber_box(x1, y1, x2, y2); }

void end_rubber_drawing() {
  if (!rubber_drawing_active) internal_error(861, MODULE);
  rubber_drawing_active = false;
  if (rubber_on_front) {
    XFlush(graphics_display());
    rubber_on_front = false;
    return;
  }
  XGLContext* gl = graphics_context;
  gl->set_matrix_mode(GL_PROJECTION);
  gl->pop_matrix();
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->pop_matrix();
  gl->enable_blending(false);
  if (current_color_mode != 0) gl->enable_logic_op(false);
  glDrawBuffer(GL_BACK);
}

// Whole-word test would be stricter; a prefix of a longer name counts as present.
static bool contains_name(const char* list, const char* name) { return list != nullptr && strstr(list, name) != nullptr; }

bool get_glx_extension(Display* display, const char* name) {
  return contains_name(glXQueryExtensionsString(display, DefaultScreen(display)), name);
}

bool get_gl_extension(const char* name) {
  return contains_name(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)), name);
}

bool get_gl_version(unsigned char major, unsigned char minor) { return gl_version_at_least(major, minor); }

bool get_glx_version(Display* display, int major, int minor) {
  int have_major = 0, have_minor = 0;
  if (!glXQueryVersion(display, &have_major, &have_minor)) return false;
  return have_major > major || (have_major == major && have_minor >= minor);
}

bool probe_offscreen_drawable() {
  bool worked;
  {
    OffscreenDrawable probe(graphics_display(), 512, 512, 3, 3, 2, 16, true);
    worked = probe.has_context();
  }
  make_graphics_context_active();  // the probe's context is gone
  return worked;
}

void preset_window() {
  Display* d = graphics_display();
  XSetErrorHandler(x_error_handler);
  int error_base, event_base;
  if (!glXQueryExtension(d, &error_base, &event_base)) halt("OpenGL X extension (GLX) not available");
  get_visuals();
  init_highlight_options();
  set_display_mode(0, 0, 0, 0);
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &gl_max_texture_size);
  if (gl_max_texture_size > 2048) gl_max_texture_size = 2048;
  init_views();
  change_vl_system_viewport(0, float(graphics_width), 0, float(graphics_height));
  put_predef(106, probe_offscreen_drawable() ? 1 : 0);
}

void cleanup_window() {
  cleanup_logos();
  if (rubber_gc != nullptr) XFreeGC(graphics_display(), rubber_gc);
  rubber_gc = nullptr;
  delete graphics_context;
  graphics_context = nullptr;
  Display* d = graphics_display();
  if (graphics_window != None) XDestroyWindow(d, graphics_window);
  if (graphics_colormap != None) XFreeColormap(d, graphics_colormap);
  graphics_window = None;
  graphics_colormap = None;
  current_visual = nullptr;
  for (XVisualInfo*& vi : visuals) {
    if (vi != nullptr) XFree(vi);
    vi = nullptr;
  }
  close_graphics_display();
}
