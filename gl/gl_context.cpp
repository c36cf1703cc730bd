#include "gl/gl_context.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/internal_error.h"

static const char* const MODULE = "XGLContext";

// Internal error numbers of this module.
enum {
  ERR_NOT_CURRENT = 101,
  ERR_NO_FREE_SLOT = 102,
  ERR_STALE = 103,
  ERR_BAD_ID = 104,
  ERR_MAKE_CURRENT = 105,
  ERR_BEGIN_LIST = 106,
  ERR_END_LIST = 107,
  ERR_RGB_MODE = 108,
  ERR_STIPPLE_INDEX = 109,
  ERR_MATRIX_MODE = 110,
  ERR_PUSH = 111,
  ERR_POP = 112,
  ERR_COLORMAP = 113,
  ERR_NO_SLOT = 114,
  ERR_RESTORE = 115,
};

static const uint16_t STIPPLE_PATTERNS[10] = {0xFFFF, 0x3333, 0x33FF, 0x3F3F, 0x0FFF,
                                              0x333F, 0x99FF, 0x0F0F, 0x00FF, 0x5555};

struct RegistrySlot {
  XGLContext* context;
  uint32_t id;
};
static RegistrySlot objects_in_use[XGLContext::MAX_CONTEXTS];

XGLContext* XGLContext::current_context = nullptr;
GLXDrawable XGLContext::current_drawable = None;
uint32_t XGLContext::highest_id = 0;
uint64_t XGLContext::gl_call_count = 0;

bool gl_version_at_least(unsigned short major, unsigned short minor) {
  static bool read = false;
  static unsigned short have_major = 1, have_minor = 0;
  if (!read) {
    const char* text = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (text == nullptr) return major < 1 || (major == 1 && minor == 0);  // no context yet: ask again later
    read = true;
    if (sscanf(text, "%hu.%hu", &have_major, &have_minor) != 2) have_major = 1, have_minor = 0;
  }
  return have_major > major || (have_major == major && have_minor >= minor);
}

bool gl_extension_listed(const char* name) {
  const char* list = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (list == nullptr) return false;
  size_t n = strlen(name);
  for (const char* p = strstr(list, name); p != nullptr; p = strstr(p + 1, name))
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
  return false;
}

uint16_t allocate_x_pixel(Display* display, Colormap colormap, unsigned red, unsigned green, unsigned blue) {
  XColor c{};
  c.red = uint16_t(red), c.green = uint16_t(green), c.blue = uint16_t(blue);
  c.flags = DoRed | DoGreen | DoBlue;
  if (XAllocColor(display, colormap, &c) == 0) {
    fprintf(stderr, "Warning - Unable to allocate r%.4x, g%.4x, b%.4x as an X color.\n", red, green, blue);
    return 0;
  }
  return uint16_t(c.pixel & 0xFFFF);
}

static int round_channel(float c) { return int(lroundf(c * 65535.0f)); }

void XGLContext::construct_common(Display* d) {
  display = d;
  id = ++highest_id;
  for (RegistrySlot& slot : objects_in_use) {
    if (slot.context == nullptr) {
      slot = {this, id};
      return;
    }
  }
  internal_error(ERR_NO_FREE_SLOT, MODULE);
}

XGLContext::XGLContext(Display* d, XVisualInfo* visual, bool direct, bool index_mode, int size, int base,
                       Colormap colormap, float r1, float g1, float b1, float r2, float g2, float b2)
    : color_index_mode(index_mode), cube_size(size), cube_base(base),
      first_reserved{r1, g1, b1}, second_reserved{r2, g2, b2} {
  construct_common(d);
  context = glXCreateContext(display, visual, nullptr, direct ? True : False);
  int transparent_type = GLX_NONE_EXT;
  if (glXGetConfig(display, visual, GLX_TRANSPARENT_TYPE_EXT, &transparent_type) != 0) transparent_type = GLX_NONE_EXT;

  if (colormap != 0) {
    if (!color_index_mode || cube_base <= 2) internal_error(ERR_COLORMAP, MODULE);
    int n = cube_size;
    int entries = cube_base + n * n * n;
    pixel_table = new uint16_t[size_t(entries)]();
    pixel_table[1] = allocate_x_pixel(display, colormap, round_channel(r1), round_channel(g1), round_channel(b1));
    pixel_table[2] = allocate_x_pixel(display, colormap, round_channel(r2), round_channel(g2), round_channel(b2));
    int black = cube_base, white = cube_base + n * n * n - 1;
    pixel_table[black] = allocate_x_pixel(display, colormap, 0, 0, 0);
    pixel_table[white] = allocate_x_pixel(display, colormap, 65535, 65535, 65535);
    int transparent_index = 0;
    if (transparent_type == GLX_TRANSPARENT_INDEX_EXT &&
        glXGetConfig(display, visual, GLX_TRANSPARENT_INDEX_VALUE_EXT, &transparent_index) == 0)
      pixel_table[0] = uint16_t(transparent_index);
    else
      pixel_table[0] = pixel_table[1];
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j)
        for (int k = 0; k < n; ++k) {
          int entry = cube_base + (i * n + j) * n + k;
          if (entry == black || entry == white) continue;
          pixel_table[entry] = allocate_x_pixel(display, colormap, unsigned(i * 65535 / (n - 1)),
                                                unsigned(j * 65535 / (n - 1)), unsigned(k * 65535 / (n - 1)));
        }
  } else if (transparent_type == GLX_TRANSPARENT_RGB_EXT) {
    int bits[3] = {0, 0, 0}, value[3] = {0, 0, 0};
    bool ok = glXGetConfig(display, visual, GLX_RED_SIZE, &bits[0]) == 0 &&
              glXGetConfig(display, visual, GLX_GREEN_SIZE, &bits[1]) == 0 &&
              glXGetConfig(display, visual, GLX_BLUE_SIZE, &bits[2]) == 0 &&
              glXGetConfig(display, visual, GLX_TRANSPARENT_RED_VALUE_EXT, &value[0]) == 0 &&
              glXGetConfig(display, visual, GLX_TRANSPARENT_GREEN_VALUE_EXT, &value[1]) == 0 &&
              glXGetConfig(display, visual, GLX_TRANSPARENT_BLUE_VALUE_EXT, &value[2]) == 0;
    if (ok) set_transparent_key(value[0], value[1], value[2], bits[0], bits[1], bits[2]);
  }
}

XGLContext::XGLContext(Display* d, GLXFBConfig* configs) : uses_fbconfig(true) {
  construct_common(d);
  context = glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, nullptr, True);
}

XGLContext::~XGLContext() {
  release();
  if (context != nullptr) glXDestroyContext(display, context);
  delete[] pixel_table;
  for (RegistrySlot& slot : objects_in_use) {
    if (slot.context == this && slot.id == id) {
      slot = {nullptr, 0};
      id = 0;
      return;
    }
  }
  internal_error(ERR_NO_SLOT, MODULE);
}

void XGLContext::set_transparent_key(int red, int green, int blue, int red_bits, int green_bits, int blue_bits) {
  transparent_rgb[0] = float(red) / float((1 << red_bits) - 1);
  transparent_rgb[1] = float(green) / float((1 << green_bits) - 1);
  transparent_rgb[2] = float(blue) / float((1 << blue_bits) - 1);
  float top = float((1 << blue_bits) - 1);
  nudged_blue = blue + 1 == (1 << blue_bits) ? (top - 1.0f) / top : float(blue + 1) / top;
}

void XGLContext::check_existence() const {
  if (id == 0 || id > highest_id) internal_error(ERR_STALE, MODULE);
  for (const RegistrySlot& slot : objects_in_use)
    if (slot.context == this && slot.id == id) return;
  internal_error(ERR_STALE, MODULE);
}

XGLContext* XGLContext::get_context(uint32_t wanted) {
  if (wanted == 0 || wanted > highest_id) internal_error(ERR_BAD_ID, MODULE);
  for (const RegistrySlot& slot : objects_in_use)
    if (slot.context != nullptr && slot.id == wanted) return slot.context;
  return nullptr;
}

// Makes `c` current on `drawable`, or releases with c null; false when GLX refused.
static bool glx_make_current(Display* display, XGLContext* c, GLXDrawable drawable, GLXContext glx, bool fbconfig) {
  int saved_errno = errno;
  Bool ok = fbconfig ? glXMakeContextCurrent(display, drawable, drawable, glx)
                     : glXMakeCurrent(display, drawable, glx);
  errno = saved_errno;
  (void)c;
  return ok == True;
}

bool XGLContext::make_current(GLXDrawable drawable) {
  if (current_context == this && current_drawable == drawable) return false;
  if (current_context != nullptr) glFlush();
  if (!glx_make_current(display, this, drawable, context, uses_fbconfig)) internal_error(ERR_MAKE_CURRENT, MODULE);
  current_context = this;
  current_drawable = drawable;
  return true;
}

bool XGLContext::test_context(GLXDrawable drawable, bool keep) {
  XGLContext* previous = current_context;
  GLXDrawable previous_drawable = current_drawable;
  if (previous != nullptr) glFlush();
  bool worked = glx_make_current(display, this, drawable, context, uses_fbconfig);
  if (worked && keep) {
    current_context = this;
    current_drawable = drawable;
    return true;
  }
  if (previous != nullptr) {
    if (!glx_make_current(previous->display, previous, previous_drawable, previous->context, previous->uses_fbconfig))
      internal_error(ERR_RESTORE, MODULE);
  } else if (worked) {
    glx_make_current(display, nullptr, None, nullptr, false);
  }
  current_context = previous;
  current_drawable = previous_drawable;
  return worked;
}

void XGLContext::release() {
  if (current_drawable == None && current_context == nullptr) return;
  glFlush();
  if (current_context != nullptr) glx_make_current(current_context->display, nullptr, None, nullptr, false);
  current_context = nullptr;
  current_drawable = None;
}

void XGLContext::require_current() const {
  if (current_context != this) internal_error(ERR_NOT_CURRENT, MODULE);
}

bool XGLContext::skip(bool same, TouchedState s) const {
  return same && (!recording || list_touched(*recorded_list, s));
}

void XGLContext::touch(TouchedState s) {
  if (recording) recorded_list->flags[s / 8] |= uint8_t(1u << (s % 8));
}

void XGLContext::enable(GLenum cap, bool on) {
  ++gl_call_count;
  if (on)
    glEnable(cap);
  else
    glDisable(cap);
}

bool XGLContext::enable_blending(bool on) {
  require_current();
  if (skip(on == blending, TOUCH_BLENDING)) return on;
  enable(GL_BLEND, on);
  blending = on;
  touch(TOUCH_BLENDING);
  return on;
}

bool XGLContext::enable_lighting(bool on) {
  require_current();
  if (skip(on == lighting, TOUCH_LIGHTING)) return on;
  enable(GL_LIGHTING, on);
  lighting = on;
  touch(TOUCH_LIGHTING);
  return on;
}

bool XGLContext::enable_polygon_offset(bool on) {
  require_current();
  if (skip(on == polygon_offset_enabled, TOUCH_POLYGON_OFFSET_ENABLED)) return on;
  enable(GL_POLYGON_OFFSET_FILL, on);
  polygon_offset_enabled = on;
  touch(TOUCH_POLYGON_OFFSET_ENABLED);
  return on;
}

void XGLContext::set_blend_func(GLenum source, GLenum destination) {
  require_current();
  if (skip(source == blend_source && destination == blend_destination, TOUCH_BLEND_FUNC)) return;
  ++gl_call_count;
  glBlendFunc(source, destination);
  blend_source = source, blend_destination = destination;
  touch(TOUCH_BLEND_FUNC);
}

void XGLContext::set_polygon_mode(GLenum mode) {
  require_current();
  if (skip(mode == polygon_mode, TOUCH_POLYGON_MODE)) return;
  ++gl_call_count;
  glPolygonMode(GL_FRONT_AND_BACK, mode);
  polygon_mode = mode;
  touch(TOUCH_POLYGON_MODE);
}

void XGLContext::set_shade_model(GLenum model) {
  require_current();
  if (skip(model == shade_model, TOUCH_SHADE_MODEL)) return;
  ++gl_call_count;
  glShadeModel(model);
  shade_model = model;
  touch(TOUCH_SHADE_MODEL);
}

void XGLContext::enable_depth_testing(bool on) {
  require_current();
  if (skip(on == depth_testing, TOUCH_DEPTH_TEST)) return;
  enable(GL_DEPTH_TEST, on);
  depth_testing = on;
  touch(TOUCH_DEPTH_TEST);
}

// GL_LINE_SMOOTH is on only while anti-aliasing is asked and the width is smoothable.
void XGLContext::apply_line_smooth() {
  bool want = line_anti_alias && line_width >= smooth_line_min && line_width <= smooth_line_max;
  if (want == line_smooth_on) return;
  enable(GL_LINE_SMOOTH, want);
  line_smooth_on = want;
}

void XGLContext::set_line_width(float width) {
  require_current();
  if (skip(width == line_width, TOUCH_LINE_WIDTH)) return;
  ++gl_call_count;
  glLineWidth(width);
  // Marks the change in a feedback buffer (the PostScript export keeps each
  // line's width); ignored while rendering.
  glPassThrough(width);
  line_width = width;
  touch(TOUCH_LINE_WIDTH);
  if (line_anti_alias) apply_line_smooth();
}

void XGLContext::enable_line_anti_alias(bool on) {
  require_current();
  if (skip(on == line_anti_alias, TOUCH_LINE_ANTI_ALIAS)) return;
  if (on && smooth_line_min == -1.0f && smooth_line_max == -1.0f) {
    GLfloat range[2] = {-1, -1};
    glGetFloatv(GL_LINE_WIDTH_RANGE, range);
    smooth_line_min = range[0], smooth_line_max = range[1];
  }
  line_anti_alias = on;
  if (recording) {
    // Compiled into the list even when GL already agrees.
    enable(GL_LINE_SMOOTH, on && line_width >= smooth_line_min && line_width <= smooth_line_max);
    line_smooth_on = on && line_width >= smooth_line_min && line_width <= smooth_line_max;
  } else {
    apply_line_smooth();
  }
  touch(TOUCH_LINE_ANTI_ALIAS);
}

void XGLContext::enable_line_stippling(bool on) {
  require_current();
  if (skip(on == line_stippling, TOUCH_LINE_STIPPLING)) return;
  enable(GL_LINE_STIPPLE, on);
  line_stippling = on;
  touch(TOUCH_LINE_STIPPLING);
}

void XGLContext::set_line_stipple_pattern(unsigned index) {
  require_current();
  if (index > 9) internal_error(ERR_STIPPLE_INDEX, MODULE);
  if (skip(index == stipple_pattern, TOUCH_STIPPLE_PATTERN)) return;
  ++gl_call_count;
  glLineStipple(1, STIPPLE_PATTERNS[index]);
  stipple_pattern = uint8_t(index);
  touch(TOUCH_STIPPLE_PATTERN);
}

void XGLContext::set_polygon_offset(int factor, int units) {
  require_current();
  if (skip(factor == polygon_offset_factor && units == polygon_offset_units, TOUCH_POLYGON_OFFSET)) return;
  ++gl_call_count;
  glPolygonOffset(float(factor), float(units));
  polygon_offset_factor = factor, polygon_offset_units = units;
  touch(TOUCH_POLYGON_OFFSET);
}

static bool within_1_255(const float a[3], float r, float g, float b) {
  const float d = 0.00392156862745098f;
  return std::fabs(a[0] - r) < d && std::fabs(a[1] - g) < d && std::fabs(a[2] - b) < d;
}

int XGLContext::color_to_index(float r, float g, float b) const {
  int n = cube_size;
  auto step = [n](float c) { return int(c * float(n - 1) + 0.5f); };
  int cube_entry = cube_base + (step(r) * n + step(g)) * n + step(b);
  if (pixel_table == nullptr) return cube_entry;
  if (within_1_255(first_reserved, r, g, b)) return pixel_table[1];
  if (within_1_255(second_reserved, r, g, b)) return pixel_table[2];
  return pixel_table[cube_entry];
}

void XGLContext::apply_color(float r, float g, float b, float a) {
  if (r == transparent_rgb[0] && g == transparent_rgb[1] && b == transparent_rgb[2]) b = nudged_blue;
  bool same = r == color[0] && g == color[1] && b == color[2] && a == color[3];
  if (skip(same, TOUCH_COLOR)) return;
  color[0] = r, color[1] = g, color[2] = b, color[3] = a;
  ++gl_call_count;
  glColor4fv(color);
  touch(TOUCH_COLOR);
}

void XGLContext::set_gl_color(const float rgb[3]) { set_gl_color(rgb[0], rgb[1], rgb[2]); }

void XGLContext::set_gl_color(float r, float g, float b) { set_gl_color(r, g, b, 1.0f); }

void XGLContext::set_gl_color(float r, float g, float b, float a) {
  require_current();
  if (color_index_mode)
    set_gl_color_index(color_to_index(r, g, b));
  else
    apply_color(r, g, b, a);
}

void XGLContext::set_gl_color_to_transparent() {
  require_current();
  if (color_index_mode && pixel_table != nullptr) {
    set_gl_color_index(pixel_table[0]);
  } else if (transparent_rgb[2] == -1.0f) {
    set_gl_color(first_reserved[0], first_reserved[1], first_reserved[2]);
  } else {
    const float* k = transparent_rgb;
    if (skip(k[0] == color[0] && k[1] == color[1] && k[2] == color[2] && color[3] == 1.0f, TOUCH_COLOR)) return;
    color[0] = k[0], color[1] = k[1], color[2] = k[2], color[3] = 1.0f;
    ++gl_call_count;
    glColor4fv(color);
    touch(TOUCH_COLOR);
  }
}

void XGLContext::apply_clear_color(float r, float g, float b) {
  if (skip(r == clear_color[0] && g == clear_color[1] && b == clear_color[2], TOUCH_CLEAR_COLOR)) return;
  clear_color[0] = r, clear_color[1] = g, clear_color[2] = b;
  ++gl_call_count;
  glClearColor(r, g, b, 0.0f);
  touch(TOUCH_CLEAR_COLOR);
}

void XGLContext::set_gl_clear_color(const float rgb[3]) {
  require_current();
  if (color_index_mode) {
    set_gl_clear_color_index(color_to_index(rgb[0], rgb[1], rgb[2]));
    return;
  }
  float b = rgb[2];
  if (rgb[0] == transparent_rgb[0] && rgb[1] == transparent_rgb[1] && b == transparent_rgb[2]) b = nudged_blue;
  apply_clear_color(rgb[0], rgb[1], b);
}

void XGLContext::set_gl_clear_color_to_transparent() {
  require_current();
  if (color_index_mode && pixel_table != nullptr)
    set_gl_clear_color_index(pixel_table[0]);
  else if (transparent_rgb[2] == -1.0f)
    set_gl_clear_color(first_reserved);
  else
    apply_clear_color(transparent_rgb[0], transparent_rgb[1], transparent_rgb[2]);
}

void XGLContext::set_gl_color_index(int index) {
  require_current();
  if (!color_index_mode) internal_error(ERR_RGB_MODE, MODULE);
  if (skip(index == color_index, TOUCH_COLOR_INDEX)) return;
  ++gl_call_count;
  glIndexi(index);
  color_index = index;
  touch(TOUCH_COLOR_INDEX);
}

void XGLContext::set_gl_clear_color_index(int index) {
  require_current();
  if (!color_index_mode) internal_error(ERR_RGB_MODE, MODULE);
  if (skip(index == clear_index, TOUCH_CLEAR_INDEX)) return;
  ++gl_call_count;
  glClearIndex(float(index));
  clear_index = index;
  touch(TOUCH_CLEAR_INDEX);
}

void XGLContext::set_gl_color_index_material(const float rgb[3]) {
  require_current();
  if (!color_index_mode) return;
  int index = color_to_index(rgb[0], rgb[1], rgb[2]);
  GLint indexes[3] = {index, 0, 0};
  ++gl_call_count;
  glMaterialiv(GL_FRONT_AND_BACK, GL_COLOR_INDEXES, indexes);
  set_gl_color_index(index);
}

void XGLContext::enable_texture_lighting(bool on) {
  require_current();
  if (!gl_version_at_least(1, 2)) return;
  if (skip(on == texture_lighting, TOUCH_TEXTURE_LIGHTING)) return;
  ++gl_call_count;
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, on ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
  texture_lighting = on;
  touch(TOUCH_TEXTURE_LIGHTING);
}

void XGLContext::enable_dithering(bool on) {
  require_current();
  if (skip(on == dithering, TOUCH_DITHERING)) return;
  enable(GL_DITHER, on);
  dithering = on;
  touch(TOUCH_DITHERING);
}

void XGLContext::set_texture2d_wrap(int s, int t) {
  require_current();
  bool listed = recording && list_touched(*recorded_list, TOUCH_TEXTURE_WRAP);
  bool force = recording && !listed;
  if (s != texture_wrap_s || force) {
    ++gl_call_count;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, s);
    texture_wrap_s = s;
  }
  if (t != texture_wrap_t || force) {
    ++gl_call_count;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, t);
    texture_wrap_t = t;
  }
  if (force) touch(TOUCH_TEXTURE_WRAP);
}

void XGLContext::bind_texture_2d(GLuint name) {
  require_current();
  if (skip(name == bound_texture, TOUCH_BOUND_TEXTURE)) return;
  ++gl_call_count;
  glBindTexture(GL_TEXTURE_2D, name);
  bound_texture = name;
  touch(TOUCH_BOUND_TEXTURE);
  // A new binding has its own wrap state: bring it to the cached one.
  gl_call_count += 2;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, texture_wrap_s);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, texture_wrap_t);
  touch(TOUCH_TEXTURE_WRAP);
}

GLuint XGLContext::delete_texture(GLuint* name) {
  GLuint old = *name;
  if (old == 0) return 0;
  ++gl_call_count;
  glDeleteTextures(1, name);
  if (bound_texture == old) bound_texture = 0;
  *name = 0;
  return old;
}

void XGLContext::set_matrix_mode(GLenum mode) {
  require_current();
  uint8_t index;
  switch (mode) {
    case GL_MODELVIEW: index = 0; break;
    case GL_PROJECTION: index = 1; break;
    case GL_TEXTURE: index = 2; break;
    default: internal_error(ERR_MATRIX_MODE, MODULE);
  }
  if (skip(mode == matrix_mode, TOUCH_MATRIX_MODE)) return;
  ++gl_call_count;
  glMatrixMode(mode);
  matrix_mode = mode;
  matrix_mode_index = index;
  touch(TOUCH_MATRIX_MODE);
}

void XGLContext::push_matrix() {
  require_current();
  if (stack_depths[matrix_mode_index] >= stack_limits[matrix_mode_index]) internal_error(ERR_PUSH, MODULE);
  ++gl_call_count;
  glPushMatrix();
  ++stack_depths[matrix_mode_index];
  if (recording) ++recorded_list->push_counts[matrix_mode_index];
}

void XGLContext::pop_matrix() {
  require_current();
  if (stack_depths[matrix_mode_index] <= 1) internal_error(ERR_POP, MODULE);
  ++gl_call_count;
  glPopMatrix();
  --stack_depths[matrix_mode_index];
  if (recording) --recorded_list->push_counts[matrix_mode_index];
}

void XGLContext::enable_stencil_test(bool on) {
  require_current();
  if (skip(on == stencil_test, TOUCH_STENCIL_TEST)) return;
  enable(GL_STENCIL_TEST, on);
  stencil_test = on;
  touch(TOUCH_STENCIL_TEST);
}

void XGLContext::set_front_face(GLenum mode) {
  require_current();
  if (skip(mode == front_face, TOUCH_FRONT_FACE)) return;
  ++gl_call_count;
  glFrontFace(mode);
  front_face = mode;
  touch(TOUCH_FRONT_FACE);
}

void XGLContext::flip_front_face() {
  require_current();
  front_face = front_face == GL_CW ? GL_CCW : GL_CW;
  ++gl_call_count;
  glFrontFace(front_face);
  touch(TOUCH_FRONT_FACE);
}

void XGLContext::enable_polygon_stipple(bool on) {
  require_current();
  if (skip(on == polygon_stipple, TOUCH_POLYGON_STIPPLE)) return;
  enable(GL_POLYGON_STIPPLE, on);
  polygon_stipple = on;
  touch(TOUCH_POLYGON_STIPPLE);
}

void XGLContext::enable_scissor(bool on, int x, int y, int width, int height) {
  require_current();
  // The box is not cached: views and dialogs set it per drawing.
  if (on) {
    ++gl_call_count;
    glScissor(x, y, width, height);
  }
  if (skip(on == scissor_test, TOUCH_SCISSOR_TEST)) return;
  enable(GL_SCISSOR_TEST, on);
  scissor_test = on;
  touch(TOUCH_SCISSOR_TEST);
}

void XGLContext::enable_logic_op(bool on, GLenum op) {
  require_current();
  if (on && !skip(op == logic_op_mode, TOUCH_LOGIC_OP_MODE)) {
    ++gl_call_count;
    glLogicOp(op);
    logic_op_mode = op;
    touch(TOUCH_LOGIC_OP_MODE);
  }
  if (skip(on == logic_op, TOUCH_LOGIC_OP)) return;
  enable(color_index_mode ? GL_INDEX_LOGIC_OP : GL_COLOR_LOGIC_OP, on);
  logic_op = on;
  touch(TOUCH_LOGIC_OP);
}

void XGLContext::begin_list(display_list* list) {
  if (current_context != this || recording) internal_error(ERR_BEGIN_LIST, MODULE);
  if (list->name == 0) list->name = glGenLists(1);
  recorded_list = list;
  recording = true;
  ++gl_call_count;
  glNewList(list->name, GL_COMPILE_AND_EXECUTE);
  list->flags[0] &= 1;
  list->flags[1] = list->flags[2] = list->flags[3] = 0;
  list->push_counts[0] = list->push_counts[1] = list->push_counts[2] = 0;
}

void XGLContext::end_list() {
  if (!recording) internal_error(ERR_END_LIST, MODULE);
  ++gl_call_count;
  glEndList();
  recorded_list->flags[0] &= uint8_t(~1u);
  recorded_list = nullptr;
  recording = false;
}

// Sends the cached value of one state to GL again.
void XGLContext::resend(TouchedState s) {
  ++gl_call_count;
  switch (s) {
    case TOUCH_COLOR:
      if (!color_index_mode) glColor4fv(color);
      break;
    case TOUCH_COLOR_INDEX:
      if (color_index_mode) glIndexi(color_index);
      break;
    case TOUCH_CLEAR_COLOR:
      if (!color_index_mode) glClearColor(clear_color[0], clear_color[1], clear_color[2], 0.0f);
      break;
    case TOUCH_CLEAR_INDEX:
      if (color_index_mode) glClearIndex(float(clear_index));
      break;
    case TOUCH_BLENDING: blending ? glEnable(GL_BLEND) : glDisable(GL_BLEND); break;
    case TOUCH_BLEND_FUNC: glBlendFunc(blend_source, blend_destination); break;
    case TOUCH_DEPTH_TEST: depth_testing ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST); break;
    case TOUCH_LIGHTING: lighting ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING); break;
    case TOUCH_POLYGON_OFFSET_ENABLED:
      polygon_offset_enabled ? glEnable(GL_POLYGON_OFFSET_FILL) : glDisable(GL_POLYGON_OFFSET_FILL);
      break;
    case TOUCH_POLYGON_MODE: glPolygonMode(GL_FRONT_AND_BACK, polygon_mode); break;
    case TOUCH_SHADE_MODEL: glShadeModel(shade_model); break;
    case TOUCH_LINE_WIDTH:
      glLineWidth(line_width);
      glPassThrough(line_width);
      break;
    case TOUCH_LINE_ANTI_ALIAS: line_anti_alias ? glEnable(GL_LINE_SMOOTH) : glDisable(GL_LINE_SMOOTH); break;
    case TOUCH_LINE_STIPPLING: line_stippling ? glEnable(GL_LINE_STIPPLE) : glDisable(GL_LINE_STIPPLE); break;
    case TOUCH_STIPPLE_PATTERN: glLineStipple(1, STIPPLE_PATTERNS[stipple_pattern]); break;
    case TOUCH_POLYGON_OFFSET: glPolygonOffset(float(polygon_offset_factor), float(polygon_offset_units)); break;
    case TOUCH_TEXTURE_LIGHTING:
      if (gl_version_at_least(1, 2))
        glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, texture_lighting ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
      break;
    case TOUCH_DITHERING: dithering ? glEnable(GL_DITHER) : glDisable(GL_DITHER); break;
    case TOUCH_BOUND_TEXTURE: glBindTexture(GL_TEXTURE_2D, bound_texture); break;
    case TOUCH_TEXTURE_WRAP:
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, texture_wrap_s);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, texture_wrap_t);
      break;
    case TOUCH_MATRIX_MODE: glMatrixMode(matrix_mode); break;
    case TOUCH_STENCIL_TEST: stencil_test ? glEnable(GL_STENCIL_TEST) : glDisable(GL_STENCIL_TEST); break;
    case TOUCH_FRONT_FACE: glFrontFace(front_face); break;
    case TOUCH_POLYGON_STIPPLE: polygon_stipple ? glEnable(GL_POLYGON_STIPPLE) : glDisable(GL_POLYGON_STIPPLE); break;
    case TOUCH_SCISSOR_TEST: scissor_test ? glEnable(GL_SCISSOR_TEST) : glDisable(GL_SCISSOR_TEST); break;
    case TOUCH_LOGIC_OP: {
      GLenum cap = color_index_mode ? GL_INDEX_LOGIC_OP : GL_COLOR_LOGIC_OP;
      logic_op ? glEnable(cap) : glDisable(cap);
      break;
    }
    case TOUCH_LOGIC_OP_MODE: glLogicOp(logic_op_mode); break;
    case TOUCH_OWNER: break;
  }
}

void XGLContext::call_list(display_list* list) {
  require_current();
  ++gl_call_count;
  glCallList(list->name);
  static const TouchedState ORDER[] = {
      TOUCH_COLOR,         TOUCH_COLOR_INDEX,     TOUCH_CLEAR_COLOR,      TOUCH_CLEAR_INDEX,
      TOUCH_BLENDING,      TOUCH_BLEND_FUNC,      TOUCH_DEPTH_TEST,       TOUCH_LIGHTING,
      TOUCH_POLYGON_OFFSET_ENABLED, TOUCH_POLYGON_MODE, TOUCH_SHADE_MODEL, TOUCH_LINE_WIDTH,
      TOUCH_LINE_ANTI_ALIAS, TOUCH_LINE_STIPPLING, TOUCH_STIPPLE_PATTERN, TOUCH_POLYGON_OFFSET,
      TOUCH_TEXTURE_LIGHTING, TOUCH_DITHERING,    TOUCH_BOUND_TEXTURE,    TOUCH_TEXTURE_WRAP,
      TOUCH_MATRIX_MODE,   TOUCH_STENCIL_TEST,    TOUCH_FRONT_FACE,       TOUCH_POLYGON_STIPPLE,
      TOUCH_SCISSOR_TEST,  TOUCH_LOGIC_OP,        TOUCH_LOGIC_OP_MODE,
  };
  for (TouchedState s : ORDER) {
    if (!list_touched(*list, s)) continue;
    resend(s);
    touch(s);
  }
  for (int i = 0; i < 3; ++i) stack_depths[i] = uint8_t(stack_depths[i] + list->push_counts[i]);
}

void XGLContext::delete_list(display_list* list) {
  require_current();
  if (list->name == 0) return;
  if (recording && recorded_list == list) internal_error(ERR_END_LIST, MODULE);
  ++gl_call_count;
  glDeleteLists(list->name, 1);
  list->name = 0;
}

void XGLContext::reset() {
  require_current();
  enable_blending(false);
  enable_lighting(false);
  enable_polygon_offset(false);
  set_blend_func(GL_ONE, GL_ONE);
  set_polygon_mode(GL_FILL);
  set_shade_model(GL_SMOOTH);
  enable_depth_testing(false);
  set_line_width(1.0f);
  enable_line_anti_alias(false);
  enable_line_stippling(false);
  set_line_stipple_pattern(0);
  set_polygon_offset(0, 0);
  if (color_index_mode) {
    set_gl_color_index(1);
    set_gl_clear_color_index(0);
  } else {
    set_gl_color(1, 1, 1, 1);
    static const float black[3] = {0, 0, 0};
    set_gl_clear_color(black);
  }
  enable_texture_lighting(false);
  enable_dithering(true);
  set_texture2d_wrap(GL_REPEAT, GL_REPEAT);
  bind_texture_2d(0);
  static const GLenum STACKS[3] = {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW};
  for (GLenum mode : STACKS) {
    set_matrix_mode(mode);
    while (stack_depths[matrix_mode_index] > 1) pop_matrix();
    ++gl_call_count;
    glLoadIdentity();
  }
  enable_stencil_test(false);
  set_front_face(GL_CCW);
  enable_polygon_stipple(false);
  enable_scissor(false);
  enable_logic_op(false);
}
