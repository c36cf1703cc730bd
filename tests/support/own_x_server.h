// End-to-end runs on an X server of the test's own: the real server runs a
// YARL program whose initial code starts an application script, and the test
// reads the screen with XGetImage.
#pragma once

#include <gtest/gtest.h>  // before X11, whose macros clash with its names
#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

// An Xvfb of 1280 x 1024 on a free display number (-displayfd): a full-screen
// graphics window covers nothing of the other tests. Stopping it ends a
// server that draws on it; it also ends when the thread that started it ends.
// Under Windows the X connection is wine's, opened as the program starts: the
// program runs on an Xvfb that tests/support/on_own_xvfb.sh started, which
// QOB_OWN_SERVER tells, and this names it (empty without the script).
class OwnXServer {
 public:
  OwnXServer();
  ~OwnXServer() { stop(); }
  OwnXServer(const OwnXServer&) = delete;
  OwnXServer& operator=(const OwnXServer&) = delete;
  void stop();
  const std::string& name() const { return name_; }  // empty when Xvfb did not start
  void use() const;  // names this server in DISPLAY for what opens the display later

 private:
  void start();
  void start_locked();
  pid_t pid_ = 0;
  std::string name_;
};

// Points DISPLAY at an X server of the test program's own, for suites whose
// windows go where they please over other tests' screen areas. Registered
// before the environment that opens the display.
class OwnDisplayEnvironment : public testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;

 private:
  OwnXServer* x_ = nullptr;
};

// One viewable top-level window of a display.
struct TopLevel {
  Window window;
  XWindowAttributes attributes;
  std::string name;  // WM_CLASS instance, "" without one
};
// The viewable top-level windows, in stacking order. A window of another
// client that goes while they are read is left out, not an X error (Xlib's
// default handler would end the test and leave its servers holding CTest's
// output); any other X error fails the test.
std::vector<TopLevel> viewable_top_levels(Display* d);

// A connection to the display, retried for a few seconds; nullptr if none.
Display* open_own_display(const std::string& name);

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
std::string to_string(const Rgb& c);

// The root window's pixels at one moment.
class Screenshot {
 public:
  explicit Screenshot(Display* d);
  ~Screenshot();
  Screenshot(const Screenshot&) = delete;
  Screenshot& operator=(const Screenshot&) = delete;
  bool valid() const { return image_ != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }
  Rgb at(int x, int row) const;  // row 0 at the top
  // Some pixel within two of (x, row) differs from the background.
  bool lit_near(double x, double row, Rgb background) const;

 private:
  XImage* image_;
  int width_, height_;
};

// Takes screenshots until `done` accepts one or the deadline passes; true when
// accepted. `done` sees the last screenshot either way.
bool poll_screen(Display* d, std::chrono::steady_clock::duration deadline,
                 const std::function<bool(const Screenshot&)>& done);

// Writes <dir>/app.sh: `body` run in `dir`, then the script lets go of the
// server's standard error (so the runner sees the server's end at once) and
// stays until the server has gone. Returns the command that starts it.
std::string write_app_script(const TempDir& dir, const std::string& body);

// The standard program whose initial code starts `command` as an application
// process; more initial code may follow.
yarl::YarlProgram program_starting(const std::string& command);

// The real server running a YARL program on an X server of its own, in a
// thread, and a connection of the test to that display.
class ServerOnOwnDisplay {
 public:
  ServerOnOwnDisplay() = default;  // starts Xvfb
  ~ServerOnOwnDisplay() { finish(); }
  ServerOnOwnDisplay(const ServerOnOwnDisplay&) = delete;
  ServerOnOwnDisplay& operator=(const ServerOnOwnDisplay&) = delete;
  bool x_started() const { return !x_.name().empty(); }
  // Starts qob on the program (HOME in `home`, further options in `args`)
  // and connects to the display; false when the connection fails.
  bool start(const std::string& program, const TempDir& home, double timeout_seconds = 40,
             const std::vector<std::string>& args = {});
  Display* display() const { return display_; }
  // The screen position of the client area of the server's largest shown
  // top-level window (the graphics window), false while there is none: the
  // window's corner under X, which no window manager moves; under Windows
  // the corner below the frame that the layer gives a top-level window.
  bool graphics_origin(int* x, int* row) const;
  // Waits for the server to end on its own (at most its time-out).
  const RunResult& wait();
  // Closes the connection and stops the X server, so that the server ends,
  // and waits for it. Under Windows, where the X server is the whole
  // program's, the server is ended in its place.
  const RunResult& finish();

 private:
  void watch(RunOptions& options);  // lets finish() end the server (Windows)
  OwnXServer x_;
  std::atomic<bool> ending_{false};
  std::atomic<long> pid_{0};  // the server's, while it runs (Windows)
  Display* display_ = nullptr;
  RunResult result_;
  std::thread thread_;
};
