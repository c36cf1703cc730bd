// The visual table on Mesa, display modes, the offscreen probe and the
// refusal of a display without GLX.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "gl/gl_context.h"
#include "runtime/predefined.h"
#include "tests/support/dump_files.h"
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

// A display number that no X server uses.
int free_display_number() {
  for (int n = 150; n < 250; ++n) {
    std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
    std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
    if (access(lock.c_str(), F_OK) != 0 && access(socket.c_str(), F_OK) != 0) return n;
  }
  return -1;
}

// Runs the preset probe on a display; its exit status and standard error.
int run_probe(const std::string& display, std::string* err, const char* option = nullptr) {
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    dup2(pipe_fds[1], 2);
    close(pipe_fds[0]);
    setenv("DISPLAY", display.c_str(), 1);
    execl(PRESET_PROBE, PRESET_PROBE, option, (char*)nullptr);
    _exit(127);
  }
  close(pipe_fds[1]);
  char buffer[512];
  ssize_t got;
  while ((got = read(pipe_fds[0], buffer, sizeof buffer)) > 0) err->append(buffer, size_t(got));
  close(pipe_fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

TEST(GraphicsWindow, DisplayWithoutGlxIsRefused) {
  int n = free_display_number();
  ASSERT_GT(n, 0);
  std::string name(":");
  name += std::to_string(n);
  pid_t server = fork();
  ASSERT_GE(server, 0);
  if (server == 0) {
    int null_fd = open("/dev/null", O_WRONLY);
    dup2(null_fd, 1), dup2(null_fd, 2);
    execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", "640x480x8", "-nolisten", "tcp", (char*)nullptr);
    _exit(127);
  }
  Display* probe = nullptr;
  for (int i = 0; i < 100 && probe == nullptr; ++i) {
    usleep(50000);
    probe = XOpenDisplay(name.c_str());
  }
  ASSERT_NE(probe, nullptr) << "the 8-bit server did not start";
  XCloseDisplay(probe);
  std::string err;
  EXPECT_EQ(run_probe(name, &err), 1);
  EXPECT_NE(err.find("qob terminated - OpenGL X extension (GLX) not available.\n"), std::string::npos) << err;
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
}

}  // namespace
