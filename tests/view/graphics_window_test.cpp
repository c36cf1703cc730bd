// The visual table on Mesa, display modes and the offscreen probe.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "gl/gl_context.h"
#include "runtime/predefined.h"
#include "tests/support/dump_files.h"
#include "tests/support/runner.h"
#include "view/graphics_display.h"
#include "view/graphics_window.h"

namespace {

int config(XVisualInfo* vi, int attribute) {
  int v = -1;
  glXGetConfig(graphics_display(), vi, attribute, &v);
  return v;
}

TEST(GraphicsWindow, VisualTableHoldsOnlyWhatMesaReallyOffers) {
  // Mesa under Xvfb: RGBA only, no stereo.
  EXPECT_NE(get_visual_slot(0), nullptr);
  for (int slot : {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 13, 14, 15, 16, 17})
    EXPECT_EQ(get_visual_slot(slot), nullptr) << "slot " << slot;
  XVisualInfo* multisample = get_visual_slot(6);
  ASSERT_NE(multisample, nullptr) << "the multisample slot";
  EXPECT_EQ(config(multisample, GLX_SAMPLE_BUFFERS), 1);
  EXPECT_GE(config(multisample, GLX_SAMPLES), 2);
  XVisualInfo* accumulation = get_visual_slot(12);
  ASSERT_NE(accumulation, nullptr);
  EXPECT_GE(config(accumulation, GLX_ACCUM_RED_SIZE), 3);
  EXPECT_EQ(config(get_visual_slot(0), GLX_RGBA), 1);
}

TEST(GraphicsWindow, AvailableDisplayModes) {
  EXPECT_TRUE(available_display_mode(0, 0, 0, 0));
  EXPECT_TRUE(available_display_mode(1, 0, 0, 0));
  EXPECT_TRUE(available_display_mode(2, 0, 0, 0));
  EXPECT_FALSE(available_display_mode(0, 0, 0, 1)) << "no stereo";
  EXPECT_FALSE(available_display_mode(0, 1, 0, 0)) << "no colour index";
  EXPECT_FALSE(available_display_mode(3, 0, 0, 0));
  EXPECT_FALSE(available_display_mode(0, 3, 0, 0));
  EXPECT_FALSE(available_display_mode(0, 0, 3, 0));
  EXPECT_FALSE(available_display_mode(0, 0, 0, 2));
  EXPECT_FALSE(available_display_mode(0xFFFFFFFF, 0, 0, 0));
}

TEST(GraphicsWindow, EveryChosenModeMakesAWindowWithoutXError) {
  // Any X error would end the test program through the error handler.
  for (uint32_t aa : {1u, 2u, 0u}) {
    if (!available_display_mode(aa, 0, 0, 0)) continue;
    EXPECT_TRUE(set_display_mode(aa, 0, 0, 0));
    EXPECT_FALSE(set_display_mode(aa, 0, 0, 0)) << "unchanged";
    XSync(graphics_display(), False);
    EXPECT_NE(XGLContext::current_context, nullptr);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }
  EXPECT_EXIT(set_display_mode(0, 0, 0, 1), testing::ExitedWithCode(1),
              removing_dump("line number in that module: 683"));
}

TEST(GraphicsWindow, PresetResults) {
  EXPECT_EQ(get_predef(106), 1) << "Mesa draws offscreen";
  EXPECT_GT(get_gl_max_texture_size(), 0);
  EXPECT_LE(get_gl_max_texture_size(), 2048);
  EXPECT_NE(get_graphics_window(), None);
  EXPECT_TRUE(get_stencil_buffer_present());
  EXPECT_TRUE(get_gl_version(1, 1));
  EXPECT_FALSE(get_gl_version(99, 0));
  EXPECT_TRUE(get_glx_version(graphics_display(), 1, 3));
  EXPECT_TRUE(get_gl_extension("GL_ARB_multisampl")) << "a prefix of a longer name counts";
}

TEST(GraphicsWindow, RubberBandInvertsAndRestores) {
  begin_rubber_drawing(false);
  GLint blend_dst = 0;
  glGetIntegerv(GL_BLEND_DST, &blend_dst);
  EXPECT_EQ(blend_dst, GL_ZERO);
  draw_rubber_box(10, 10, 100, 100);
  clear_rubber_box(10, 10, 100, 100);
  EXPECT_EXIT(begin_rubber_drawing(false), testing::ExitedWithCode(1),
              removing_dump("line number in that module: 779"));
  end_rubber_drawing();
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_EXIT(end_rubber_drawing(), testing::ExitedWithCode(1), removing_dump("line number in that module: 861"));
}

// Runs the preset probe on a display; its exit status and standard error.
int run_probe(const std::string& display, std::string* err, const char* option = nullptr) {
  RunOptions o;
  o.program = PRESET_PROBE;
  if (option != nullptr) o.args = {option};
  o.env = {"DISPLAY=" + display};
  RunResult r = run_program(o);
  *err = r.err;
  return r.exit_code;
}

TEST(GraphicsWindow, PresetAndCleanupOnTheTestDisplay) {
  std::string err;
  EXPECT_EQ(run_probe(getenv("DISPLAY"), &err), 0) << err;
  EXPECT_EQ(err, "");
}

TEST(GraphicsWindow, KeepsItsOwnContextBesideTheDialogVisuals) {
  std::string err;
  EXPECT_EQ(run_probe(getenv("DISPLAY"), &err, "--with-app-context"), 0) << err;
  EXPECT_EQ(err, "graphics context of its own\n");
}

}  // namespace
