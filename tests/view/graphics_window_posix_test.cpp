// The refusal of a display without GLX: an 8-bit Xvfb of the test's own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

#include <X11/Xlib.h>

#include "tests/support/runner.h"

namespace {

// A display number that no X server uses.
int free_display_number() {
  for (int n = 150; n < 250; ++n) {
    std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
    std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
    if (access(lock.c_str(), F_OK) != 0 && access(socket.c_str(), F_OK) != 0) return n;
  }
  return -1;
}

// The preset probe's exit status and standard error on a display.
int run_probe_on(const std::string& display, std::string* err) {
  RunOptions o;
  o.program = PRESET_PROBE;
  o.env = {"DISPLAY=" + display};
  RunResult r = run_program(o);
  *err = r.err;
  return r.exit_code;
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
  EXPECT_EQ(run_probe_on(name, &err), 1);
  EXPECT_NE(err.find("qob terminated - OpenGL X extension (GLX) not available.\n"), std::string::npos) << err;
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
}

}  // namespace
