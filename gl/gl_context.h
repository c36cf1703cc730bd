// The GL context wrapper: one GLX context with a shadow copy of the GL state
// that the server changes often. Every change of that state goes through the
// current context, which skips calls that would not change anything.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>  // GL 1.2 and later names, which not every gl.h holds
#include <GL/glx.h>

#include <cstdint>

// A GL display list with the cached states that its compilation touched.
// Byte 0 bit 0 of `flags` belongs to the owner.
struct display_list {
  uint32_t name = 0;  // 0 until generated
  float owner_value = 0.0f;
  uint8_t flags[4] = {0, 0, 0, 0};
  int32_t push_counts[3] = {0, 0, 0};  // net pushes per matrix stack
};

// Touched bits of `display_list::flags`: byte × 8 + bit.
enum TouchedState : uint8_t {
  TOUCH_OWNER = 0,
  TOUCH_COLOR = 1,
  TOUCH_COLOR_INDEX = 2,
  TOUCH_CLEAR_COLOR = 3,
  TOUCH_CLEAR_INDEX = 4,
  TOUCH_BLENDING = 5,
  TOUCH_BLEND_FUNC = 6,
  TOUCH_DEPTH_TEST = 7,
  TOUCH_LIGHTING = 8,
  TOUCH_POLYGON_OFFSET_ENABLED = 9,
  TOUCH_POLYGON_MODE = 10,
  TOUCH_SHADE_MODEL = 11,
  TOUCH_LINE_WIDTH = 12,
  TOUCH_LINE_ANTI_ALIAS = 13,
  TOUCH_LINE_STIPPLING = 14,
  TOUCH_STIPPLE_PATTERN = 15,
  TOUCH_POLYGON_OFFSET = 16,
  TOUCH_TEXTURE_LIGHTING = 17,
  TOUCH_DITHERING = 18,
  TOUCH_TEXTURE_WRAP = 19,
  TOUCH_BOUND_TEXTURE = 20,
  TOUCH_MATRIX_MODE = 21,
  TOUCH_STENCIL_TEST = 22,
  TOUCH_FRONT_FACE = 23,
  TOUCH_POLYGON_STIPPLE = 24,
  TOUCH_SCISSOR_TEST = 25,
  TOUCH_LOGIC_OP = 26,
  TOUCH_LOGIC_OP_MODE = 27,
};

inline bool list_touched(const display_list& list, TouchedState s) { return (list.flags[s / 8] >> (s % 8)) & 1; }

class XGLContext {
 public:
  static constexpr int MAX_CONTEXTS = 10;

  XGLContext(Display* display, XVisualInfo* visual, bool direct, bool color_index_mode, int cube_size,
             int cube_base, Colormap colormap, float r1, float g1, float b1, float r2, float g2, float b2);
  XGLContext(Display* display, GLXFBConfig* configs);
  ~XGLContext();
  XGLContext(const XGLContext&) = delete;
  XGLContext& operator=(const XGLContext&) = delete;

  // Registry.
  static XGLContext* current_context;
  static GLXDrawable current_drawable;
  static uint32_t highest_id;
  void check_existence() const;
  static XGLContext* get_context(uint32_t id);
  uint32_t get_id() const { return id; }
  bool has_glx_context() const { return context != nullptr; }
  GLXContext get_glx_context() const { return context; }

  bool make_current(GLXDrawable drawable);
  bool test_context(GLXDrawable drawable, bool keep);
  static void release();
  void reset();

  // Cached setters; each requires this context to be the current one.
  bool enable_blending(bool on);
  bool enable_lighting(bool on);
  bool enable_polygon_offset(bool on);
  void set_blend_func(GLenum source, GLenum destination);
  void set_polygon_mode(GLenum mode);
  void set_shade_model(GLenum model);
  void enable_depth_testing(bool on);
  void set_line_width(float width);
  void enable_line_anti_alias(bool on);
  void enable_line_stippling(bool on);
  void set_line_stipple_pattern(unsigned index);
  void set_polygon_offset(int factor, int units);
  void set_gl_color(const float rgb[3]);
  void set_gl_color(float r, float g, float b);
  void set_gl_color(float r, float g, float b, float a);
  void set_gl_color_to_transparent();
  void set_gl_clear_color(const float rgb[3]);
  void set_gl_clear_color_to_transparent();
  void set_gl_color_index(int index);
  void set_gl_clear_color_index(int index);
  void set_gl_color_index_material(const float rgb[3]);
  void enable_texture_lighting(bool on);
  void enable_dithering(bool on);
  void set_texture2d_wrap(int s, int t);
  void bind_texture_2d(GLuint name);
  GLuint delete_texture(GLuint* name);
  void set_matrix_mode(GLenum mode);
  void push_matrix();
  void pop_matrix();
  void enable_stencil_test(bool on);
  void set_front_face(GLenum mode);
  void flip_front_face();
  void enable_polygon_stipple(bool on);
  // With `on`, also sets the scissor box (GL window coordinates, origin bottom left).
  void enable_scissor(bool on, int x = 0, int y = 0, int width = 0, int height = 0);
  // Combines drawn colours with the window's by `op`; the colour or index logic op by the mode.
  void enable_logic_op(bool on, GLenum op = GL_COPY);

  void begin_list(display_list* list);
  void end_list();
  void call_list(display_list* list);
  // Frees the list's GL name; the record keeps its owner bit.
  void delete_list(display_list* list);

  // Readers of the cache.
  bool get_color_index_mode() const { return color_index_mode; }
  const float* get_color() const { return color; }
  float get_line_width() const { return line_width; }
  bool get_line_smooth_on() const { return line_smooth_on; }
  unsigned get_stack_depth(unsigned stack) const { return stack_depths[stack]; }
  GLenum get_matrix_mode() const { return matrix_mode; }
  bool is_recording() const { return recording; }
  // The colour index that a colour maps to in index mode.
  int color_to_index(float r, float g, float b) const;
  // The transparent RGB key as fractions (-1 when none) and the blue used instead.
  float get_transparent_blue() const { return transparent_rgb[2]; }
  float get_nudged_blue() const { return nudged_blue; }
  // Sets the visual's transparent RGB key from channel values and sizes.
  void set_transparent_key(int red, int green, int blue, int red_bits, int green_bits, int blue_bits);

  // GL calls issued by all contexts' setters; the measure of what the cache saves.
  static uint64_t gl_calls() { return gl_call_count; }

 private:
  void construct_common(Display* d);
  void require_current() const;
  bool skip(bool same, TouchedState s) const;
  void touch(TouchedState s);
  void apply_color(float r, float g, float b, float a);
  void apply_clear_color(float r, float g, float b);
  void apply_line_smooth();
  void resend(TouchedState s);
  static void enable(GLenum cap, bool on);

  static uint64_t gl_call_count;

  uint32_t id = 0;
  Display* display = nullptr;
  GLXContext context = nullptr;
  bool uses_fbconfig = false;
  bool color_index_mode = false;
  int cube_size = 0;
  int cube_base = 0;
  display_list* recorded_list = nullptr;
  bool recording = false;
  float color[4] = {1, 1, 1, 1};
  int color_index = 1;
  float clear_color[3] = {0, 0, 0};
  int clear_index = 0;
  bool blending = false;
  GLenum blend_source = GL_ONE, blend_destination = GL_ZERO;  // GL's own initial state
  bool depth_testing = false;
  bool lighting = false;
  bool polygon_offset_enabled = false;
  GLenum polygon_mode = GL_FILL;
  GLenum shade_model = GL_SMOOTH;
  float line_width = 1.0f;
  float smooth_line_min = -1.0f, smooth_line_max = -1.0f;
  bool line_anti_alias = false;
  bool line_smooth_on = false;
  bool line_stippling = false;
  uint8_t stipple_pattern = 0;
  int polygon_offset_factor = 0, polygon_offset_units = 0;
  bool texture_lighting = false;
  bool dithering = true;
  int texture_wrap_s = GL_REPEAT, texture_wrap_t = GL_REPEAT;
  GLuint bound_texture = 0;
  GLenum matrix_mode = GL_MODELVIEW;
  uint8_t matrix_mode_index = 0;
  uint8_t stack_depths[3] = {1, 1, 1};
  uint8_t stack_limits[3] = {32, 2, 2};
  bool stencil_test = false;
  GLenum front_face = GL_CCW;
  bool polygon_stipple = false;
  bool scissor_test = false;
  bool logic_op = false;
  GLenum logic_op_mode = GL_COPY;
  uint16_t* pixel_table = nullptr;
  float transparent_rgb[3] = {-1, -1, -1};
  float nudged_blue = -1.0f;
  float first_reserved[3] = {0, 0, 0};
  float second_reserved[3] = {0, 0, 0};
};

// Allocates a colour in the colormap; the low 16 bits of its pixel, 0 on failure.
uint16_t allocate_x_pixel(Display* display, Colormap colormap, unsigned red, unsigned green, unsigned blue);

// True when GL's version is at least major.minor; the version is read once.
bool gl_version_at_least(unsigned short major, unsigned short minor);
// True when `name` is a whole name of GL's extension list ("GL_EXT_shadow" is
// not "GL_EXT_shadow_funcs").
bool gl_extension_listed(const char* name);
