// The GL state cache against Mesa: skipped and issued calls, display lists,
// matrix stacks and the registry.
// GoogleTest comes before the X headers, whose None macro it would not survive.
#include <gtest/gtest.h>

#include "gl/gl_context.h"
#include "tests/support/dump_files.h"

#include <functional>

namespace {

class GlContextTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    int attributes[] = {GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
    visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    ASSERT_NE(visual, nullptr);
    XSetWindowAttributes wa{};
    wa.colormap = XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
    window = XCreateWindow(display, RootWindow(display, visual->screen), 0, 0, 64, 64, 0, visual->depth, InputOutput,
                           visual->visual, CWColormap, &wa);
  }
  static void TearDownTestSuite() {
    XGLContext::release();
    XDestroyWindow(display, window);
    XFree(visual);
    XCloseDisplay(display);
  }
  void SetUp() override {
    gl = new XGLContext(display, visual, true, false, 0, 0, 0, 0.75f, 0.75f, 0.75f, 0.86f, 0.86f, 0.86f);
    ASSERT_TRUE(gl->has_glx_context());
    gl->make_current(window);
  }
  void TearDown() override { delete gl; }

  static Display* display;
  static XVisualInfo* visual;
  static Window window;
  XGLContext* gl = nullptr;
};
Display* GlContextTest::display = nullptr;
XVisualInfo* GlContextTest::visual = nullptr;
Window GlContextTest::window = None;

GLint get_int(GLenum e) {
  GLint v = 0;
  glGetIntegerv(e, &v);
  return v;
}
GLfloat get_float(GLenum e) {
  GLfloat v = 0;
  glGetFloatv(e, &v);
  return v;
}

// One cached setter: a change of it and a check that GL holds the new value.
struct SetterCase {
  const char* name;
  std::function<void(XGLContext*)> change;
  std::function<bool()> gl_holds_it;
};

TEST_F(GlContextTest, RedundantSetterIssuesNoGlCallAndAChangedOneDoes) {
  const SetterCase cases[] = {
      {"blending", [](XGLContext* c) { c->enable_blending(true); }, [] { return glIsEnabled(GL_BLEND) == GL_TRUE; }},
      {"lighting", [](XGLContext* c) { c->enable_lighting(true); }, [] { return glIsEnabled(GL_LIGHTING) == GL_TRUE; }},
      {"polygon offset", [](XGLContext* c) { c->enable_polygon_offset(true); },
       [] { return glIsEnabled(GL_POLYGON_OFFSET_FILL) == GL_TRUE; }},
      {"blend func", [](XGLContext* c) { c->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); },
       [] { return get_int(GL_BLEND_SRC) == GL_SRC_ALPHA && get_int(GL_BLEND_DST) == GL_ONE_MINUS_SRC_ALPHA; }},
      {"polygon mode", [](XGLContext* c) { c->set_polygon_mode(GL_LINE); },
       [] { GLint m[2]; glGetIntegerv(GL_POLYGON_MODE, m); return m[0] == GL_LINE && m[1] == GL_LINE; }},
      {"shade model", [](XGLContext* c) { c->set_shade_model(GL_FLAT); }, [] { return get_int(GL_SHADE_MODEL) == GL_FLAT; }},
      {"depth test", [](XGLContext* c) { c->enable_depth_testing(true); },
       [] { return glIsEnabled(GL_DEPTH_TEST) == GL_TRUE; }},
      {"line width", [](XGLContext* c) { c->set_line_width(3.0f); }, [] { return get_float(GL_LINE_WIDTH) == 3.0f; }},
      {"stippling", [](XGLContext* c) { c->enable_line_stippling(true); },
       [] { return glIsEnabled(GL_LINE_STIPPLE) == GL_TRUE; }},
      {"stipple pattern", [](XGLContext* c) { c->set_line_stipple_pattern(9); },
       [] { return get_int(GL_LINE_STIPPLE_PATTERN) == 0x5555; }},
      {"polygon offset values", [](XGLContext* c) { c->set_polygon_offset(2, 3); },
       [] { return get_float(GL_POLYGON_OFFSET_FACTOR) == 2.0f && get_float(GL_POLYGON_OFFSET_UNITS) == 3.0f; }},
      {"colour", [](XGLContext* c) { c->set_gl_color(0.5f, 0.25f, 0.0f); },
       [] { GLfloat v[4]; glGetFloatv(GL_CURRENT_COLOR, v); return v[0] == 0.5f && v[1] == 0.25f && v[2] == 0.0f; }},
      {"clear colour", [](XGLContext* c) { const float rgb[3] = {0.5f, 0.5f, 0.5f}; c->set_gl_clear_color(rgb); },
       [] { GLfloat v[4]; glGetFloatv(GL_COLOR_CLEAR_VALUE, v); return v[0] == 0.5f && v[3] == 0.0f; }},
      {"texture lighting", [](XGLContext* c) { c->enable_texture_lighting(true); },
       [] { return get_int(GL_LIGHT_MODEL_COLOR_CONTROL) == GL_SEPARATE_SPECULAR_COLOR; }},
      {"dithering", [](XGLContext* c) { c->enable_dithering(false); }, [] { return glIsEnabled(GL_DITHER) == GL_FALSE; }},
      {"matrix mode", [](XGLContext* c) { c->set_matrix_mode(GL_PROJECTION); },
       [] { return get_int(GL_MATRIX_MODE) == GL_PROJECTION; }},
      {"stencil", [](XGLContext* c) { c->enable_stencil_test(true); },
       [] { return glIsEnabled(GL_STENCIL_TEST) == GL_TRUE; }},
      {"front face", [](XGLContext* c) { c->set_front_face(GL_CW); }, [] { return get_int(GL_FRONT_FACE) == GL_CW; }},
      {"polygon stipple", [](XGLContext* c) { c->enable_polygon_stipple(true); },
       [] { return glIsEnabled(GL_POLYGON_STIPPLE) == GL_TRUE; }},
      {"logic op", [](XGLContext* c) { c->enable_logic_op(true); },
       [] { return glIsEnabled(GL_COLOR_LOGIC_OP) == GL_TRUE && get_int(GL_LOGIC_OP_MODE) == GL_COPY; }},
  };
  for (const SetterCase& c : cases) {
    SCOPED_TRACE(c.name);
    uint64_t before = XGLContext::gl_calls();
    c.change(gl);
    EXPECT_EQ(XGLContext::gl_calls(), before + 1);
    EXPECT_TRUE(c.gl_holds_it());
    c.change(gl);
    EXPECT_EQ(XGLContext::gl_calls(), before + 1) << "a redundant call reached GL";
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// The scissor box is sent with every enabling; the logic op mode only when it changes.
TEST_F(GlContextTest, ScissorAndLogicOpSendOnlyWhatChanged) {
  uint64_t before = XGLContext::gl_calls();
  gl->enable_scissor(true, 1, 2, 3, 4);
  EXPECT_EQ(XGLContext::gl_calls(), before + 2);
  GLint box[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_SCISSOR_BOX, box);
  EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
  EXPECT_EQ(box[0] * 1000 + box[1] * 100 + box[2] * 10 + box[3], 1234);
  gl->enable_scissor(true, 5, 6, 7, 8);
  EXPECT_EQ(XGLContext::gl_calls(), before + 3);
  gl->enable_scissor(false);
  gl->enable_scissor(false);
  EXPECT_EQ(XGLContext::gl_calls(), before + 4);
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));

  gl->enable_logic_op(true, GL_COPY_INVERTED);
  EXPECT_EQ(XGLContext::gl_calls(), before + 6);
  EXPECT_EQ(get_int(GL_LOGIC_OP_MODE), GL_COPY_INVERTED);
  gl->enable_logic_op(true, GL_COPY_INVERTED);
  gl->enable_logic_op(false);
  gl->enable_logic_op(false, GL_XOR);
  EXPECT_EQ(XGLContext::gl_calls(), before + 7);
  EXPECT_FALSE(glIsEnabled(GL_COLOR_LOGIC_OP));
  EXPECT_EQ(get_int(GL_LOGIC_OP_MODE), GL_COPY_INVERTED);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GlContextTest, ResetPutsGlBackInTheStartState) {
  gl->enable_blending(true);
  gl->set_line_width(4);
  gl->set_matrix_mode(GL_PROJECTION);
  gl->push_matrix();
  gl->set_front_face(GL_CW);
  gl->enable_polygon_stipple(true);
  gl->enable_scissor(true, 0, 0, 8, 8);
  gl->enable_logic_op(true, GL_XOR);
  gl->reset();
  EXPECT_FALSE(glIsEnabled(GL_POLYGON_STIPPLE));
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  EXPECT_FALSE(glIsEnabled(GL_COLOR_LOGIC_OP));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EQ(get_float(GL_LINE_WIDTH), 1.0f);
  EXPECT_EQ(get_int(GL_PROJECTION_STACK_DEPTH), 1);
  EXPECT_EQ(gl->get_stack_depth(1), 1u);
  EXPECT_EQ(get_int(GL_MATRIX_MODE), GL_MODELVIEW);
  EXPECT_EQ(get_int(GL_FRONT_FACE), GL_CCW);
  EXPECT_TRUE(glIsEnabled(GL_DITHER));
}

TEST_F(GlContextTest, AFreshListCompilesTheFirstChangeOfEachStateOnce) {
  gl->set_blend_func(GL_SRC_ALPHA, GL_ONE);
  display_list list;
  list.flags[0] = 1;  // the owner's bit survives begin_list
  gl->begin_list(&list);
  uint64_t before = XGLContext::gl_calls();
  gl->set_blend_func(GL_SRC_ALPHA, GL_ONE);  // already in GL, still compiled
  gl->set_blend_func(GL_SRC_ALPHA, GL_ONE);
  EXPECT_EQ(XGLContext::gl_calls(), before + 1);
  EXPECT_TRUE(list_touched(list, TOUCH_BLEND_FUNC));
  EXPECT_TRUE(list_touched(list, TOUCH_OWNER));
  gl->end_list();
  EXPECT_FALSE(list_touched(list, TOUCH_OWNER));
  EXPECT_FALSE(list_touched(list, TOUCH_LINE_WIDTH));
  glDeleteLists(list.name, 1);
}

TEST_F(GlContextTest, CallingAListPutsTheCacheBackIntoGl) {
  display_list list;
  gl->begin_list(&list);
  gl->set_line_width(5.0f);
  gl->enable_lighting(true);
  gl->enable_polygon_stipple(true);
  gl->enable_logic_op(true, GL_XOR);
  gl->set_matrix_mode(GL_MODELVIEW);
  gl->push_matrix();
  gl->end_list();
  EXPECT_TRUE(list_touched(list, TOUCH_LINE_WIDTH));
  EXPECT_TRUE(list_touched(list, TOUCH_LIGHTING));
  EXPECT_TRUE(list_touched(list, TOUCH_POLYGON_STIPPLE));
  EXPECT_TRUE(list_touched(list, TOUCH_LOGIC_OP_MODE));
  EXPECT_EQ(list.push_counts[0], 1);
  EXPECT_EQ(list.push_counts[1], 0);
  gl->pop_matrix();

  gl->set_line_width(2.0f);
  gl->enable_lighting(false);
  gl->enable_polygon_stipple(false);
  gl->enable_logic_op(true, GL_COPY);
  gl->enable_logic_op(false);
  gl->call_list(&list);  // GL now has width 5 and lighting on from the list...
  // ...and the cache's values are sent again.
  EXPECT_EQ(get_float(GL_LINE_WIDTH), 2.0f);
  EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
  EXPECT_FALSE(glIsEnabled(GL_POLYGON_STIPPLE));
  EXPECT_FALSE(glIsEnabled(GL_COLOR_LOGIC_OP));
  EXPECT_EQ(get_int(GL_LOGIC_OP_MODE), GL_COPY);
  EXPECT_EQ(gl->get_stack_depth(0), 2u);
  EXPECT_EQ(get_int(GL_MODELVIEW_STACK_DEPTH), 2);
  gl->pop_matrix();
  glDeleteLists(list.name, 1);
}

TEST_F(GlContextTest, SmoothLinesFollowTheWidthRange) {
  GLfloat range[2];
  glGetFloatv(GL_LINE_WIDTH_RANGE, range);
  gl->enable_line_anti_alias(true);
  EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
  gl->set_line_width(range[1] + 1);
  EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
  gl->set_line_width(1.0f);
  EXPECT_TRUE(glIsEnabled(GL_LINE_SMOOTH));
  gl->enable_line_anti_alias(false);
  EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
}

TEST_F(GlContextTest, BindingATextureReappliesTheCachedWrap) {
  GLuint names[2];
  glGenTextures(2, names);
  gl->bind_texture_2d(names[0]);
  gl->set_texture2d_wrap(GL_CLAMP, GL_CLAMP);
  gl->bind_texture_2d(names[1]);
  GLint s = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
  EXPECT_EQ(s, GL_CLAMP);
  GLuint name = names[1];
  EXPECT_EQ(gl->delete_texture(&name), names[1]);
  EXPECT_EQ(name, 0u);
  EXPECT_EQ(gl->delete_texture(&name), 0u);
  glDeleteTextures(1, &names[0]);
}

TEST_F(GlContextTest, TransparentKeyColourIsDrawnWithTheNudgedBlue) {
  gl->set_transparent_key(0, 0, 255, 8, 8, 8);
  EXPECT_FLOAT_EQ(gl->get_nudged_blue(), 254.0f / 255.0f);
  gl->set_gl_color(0, 0, 1);
  GLfloat v[4];
  glGetFloatv(GL_CURRENT_COLOR, v);
  EXPECT_NEAR(v[2], 254.0f / 255.0f, 1e-6);
  gl->set_gl_color_to_transparent();
  glGetFloatv(GL_CURRENT_COLOR, v);
  EXPECT_EQ(v[2], 1.0f);
  gl->set_transparent_key(0, 0, 0, 8, 8, 8);
  EXPECT_FLOAT_EQ(gl->get_nudged_blue(), 1.0f / 255.0f);
}

TEST_F(GlContextTest, IndexModeWithoutColormapMapsIntoTheCube) {
  XGLContext index(display, visual, true, true, 4, 4, 0, 0.75f, 0.75f, 0.75f, 0.86f, 0.86f, 0.86f);
  EXPECT_EQ(index.color_to_index(1, 0, 0), 52);
  EXPECT_EQ(index.color_to_index(1, 1, 1), 4 + 63);
  gl->make_current(window);
}

TEST_F(GlContextTest, RegistryAndCurrentContext) {
  EXPECT_FALSE(gl->make_current(window)) << "already current on this window";
  XGLContext* other = new XGLContext(display, visual, true, false, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  uint32_t id = other->get_id();
  EXPECT_EQ(XGLContext::get_context(id), other);
  EXPECT_TRUE(other->test_context(window, false));
  EXPECT_EQ(XGLContext::current_context, gl) << "the previous context is current again";
  delete other;
  EXPECT_EQ(XGLContext::get_context(id), nullptr);
  EXPECT_EQ(XGLContext::current_context, nullptr) << "destruction releases";
  gl->make_current(window);
}

TEST_F(GlContextTest, MisuseIsAnInternalError) {
  EXPECT_EXIT(gl->pop_matrix(), testing::ExitedWithCode(1), removing_dump("XGLContext"));
  EXPECT_EXIT(
      {
        gl->set_matrix_mode(GL_PROJECTION);
        gl->push_matrix();
        gl->push_matrix();
      },
      testing::ExitedWithCode(1), removing_dump("line number in that module: 111"));
  EXPECT_EXIT(gl->set_gl_color_index(3), testing::ExitedWithCode(1),
              removing_dump("line number in that module: 108"));
  EXPECT_EXIT(XGLContext::get_context(0), testing::ExitedWithCode(1),
              removing_dump("line number in that module: 104"));
  EXPECT_EXIT(
      {
        XGLContext::release();
        gl->enable_blending(true);
      },
      testing::ExitedWithCode(1), removing_dump("line number in that module: 101"));
}

}  // namespace
