// An outside client end to end: gnuplot's vector terminal writes a plot into
// a segment of a small application, and the real server, on an X server of
// this test's own, draws its vectors where the plot's addresses say.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/protocol.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

extern char** environ;

namespace {

using yarl::GLOBAL;
using yarl::make_ident;
constexpr uint8_t START_PROCESS = 150;

std::string i(long v) { return tek::int_param(v); }

// An Xvfb of 1280 x 1024 on a free display number: the full-screen graphics
// window covers nothing of the other tests.
class OwnXServer {
 public:
  OwnXServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                          nullptr};
    if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = 0;
    close(fds[1]);
    std::string number;
    pollfd p = {fds[0], POLLIN, 0};
    char c;
    while (pid_ != 0 && poll(&p, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) name_ = ":" + number;
  }
  ~OwnXServer() { stop(); }
  void stop() {
    if (pid_ == 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }
  const std::string& name() const { return name_; }

 private:
  pid_t pid_ = 0;
  std::string name_;
};

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

class Screen {
 public:
  explicit Screen(Display* d) : image_(XGetImage(d, DefaultRootWindow(d), 0, 0, 1280, 1024, AllPlanes, ZPixmap)) {}
  ~Screen() {
    if (image_ != nullptr) XDestroyImage(image_);
  }
  bool valid() const { return image_ != nullptr; }
  Rgb at(int x, int row) const {
    unsigned long p = XGetPixel(image_, x, row);
    return {int(p >> 16 & 255), int(p >> 8 & 255), int(p & 255)};
  }
  // Some pixel within two of (x, row) differs from the background.
  bool lit_near(double x, double row, Rgb background) const {
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) {
        int px = int(std::lround(x)) + dx, py = int(std::lround(row)) + dy;
        if (px >= 0 && px < 1280 && py >= 0 && py < 1024 && !(at(px, py) == background)) return true;
      }
    return false;
  }

 private:
  XImage* image_;
};

TEST(GnuplotPlot, CurveVectorsLightThePixelsOfTheirAddresses) {
  OwnXServer x;
  ASSERT_FALSE(x.name().empty()) << "Xvfb did not start";
  TempDir dir;
  // The camera shows the 4096 x 3120 address space (0.001 model units each)
  // in view 1 from +z: reference point at the centre, normal (0, 0, -1), up
  // (0, 1, 0) (the vectors of UV are sums), parallel projection.
  std::string head = tek::set_coor_mode(2, 6) + tek::command("UV") + i(3);
  for (long v : {2048, 1560, 0, -2048, -1560, -1, 0, 1, 1}) head += i(v);
  head += i(2) + i(4096) + i(3120) + tek::point(2, {0, 0, -1000}) + i(1) + i(0);
  head += tek::set_coor_mode(0, 6) + tek::command("SO") + i(1);
  std::string tail = tek::command("SC") + tek::command("SU");
  write_file(dir.file("head.bin"), head);
  write_file(dir.file("tail.bin"), tail);
  write_file(dir.file("plot.gp"),
             "set terminal tek40xx\nunset title\nunset key\nunset tics\nset samples 20\n"
             "set xrange [0:3]\nset yrange [0:9]\nplot x*x with lines\n"
             "set print '" + dir.file("bounds.txt") + "'\n"
             "print GPVAL_TERM_XMIN, GPVAL_TERM_XMAX, GPVAL_TERM_YMIN, GPVAL_TERM_YMAX\n");
  // The application stays until the server has gone; it lets go of the
  // server's standard error first, so that the server's end is seen at once.
  write_file(dir.file("app.sh"), "cd " + dir.path() + "\ncat head.bin\ngnuplot plot.gp\ncat tail.bin\n"
             "exec 2>/dev/null\nwhile kill -0 $PPID; do sleep 0.2; done\n");
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  uint16_t pid = p.add(GLOBAL, make_ident(K_INTEGER), "pid");
  p.initial_code().push_string("sh " + dir.file("app.sh")).push(0).op(START_PROCESS).assign(GLOBAL, pid);
  ASSERT_TRUE(p.write(dir.file("app.b")));

  RunOptions options;
  options.args = {"-r", "-e", "", "-m", "", "-u", dir.file("app.b")};
  const char* path = getenv("PATH");
  options.env = {"DISPLAY=" + x.name(), "LIBGL_ALWAYS_SOFTWARE=1", "HOME=" + dir.path(),
                 std::string("PATH=") + (path != nullptr ? path : "/usr/bin:/bin")};
  options.timeout_seconds = 40;
  RunResult result;
  std::thread server([&] { result = run_program(options); });

  Display* d = nullptr;
  for (int k = 0; k < 50 && d == nullptr; ++k) {
    d = XOpenDisplay(x.name().c_str());
    if (d == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_NE(d, nullptr);
  double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  // Terminal units (10-bit) to screen pixels: x 4 × 1280 / 4096, y 4 × 1024 / 3120 from the bottom.
  auto px = [](double t) { return t * 4 * 1280 / 4096; };
  auto row = [](double t) { return 1023 - t * 4 * 1024 / 3120; };
  auto curve = [&](int k, double* cx, double* cy) {
    double u = 3.0 * k / 19;
    *cx = px(xmin + u / 3 * (xmax - xmin));
    *cy = row(ymin + u * u / 9 * (ymax - ymin));
  };
  int lit = 0, off_curve_lit = 0;
  Rgb background{-1, -1, -1};
  for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(25);
       std::chrono::steady_clock::now() < until && lit < 20;
       std::this_thread::sleep_for(std::chrono::milliseconds(300))) {
    std::ifstream bounds(dir.file("bounds.txt"));
    if (!(bounds >> xmin >> xmax >> ymin >> ymax)) continue;
    Screen s(d);
    if (!s.valid()) continue;
    // Inside the plot's frame, far above the curve's start.
    background = s.at(int(px(xmin + 0.1 * (xmax - xmin))), int(row(ymin + 0.8 * (ymax - ymin))));
    lit = 0;
    for (int k = 0; k < 20; ++k) {
      double cx, cy;
      curve(k, &cx, &cy);
      lit += s.lit_near(cx, cy, background);
    }
    // Points half way between the curve and the frame's top-left corner.
    off_curve_lit = 0;
    for (double u : {0.5, 1.0, 1.5, 2.0})
      off_curve_lit += s.lit_near(px(xmin + u / 3 * (xmax - xmin)),
                                  row(ymin + (u * u / 9 + 1) / 2 * (ymax - ymin)), background);
  }
  XCloseDisplay(d);
  x.stop();  // the server loses its display and ends
  server.join();
  EXPECT_FALSE(result.timed_out) << "the server ends with its display";
  EXPECT_EQ(lit, 20) << "curve points drawn; background " << background.r << "," << background.g << ","
                     << background.b << "\n" << result.err;
  EXPECT_EQ(off_curve_lit, 0);
  EXPECT_GT(xmax, xmin);
  // The server's repaint timings (-r).
  std::istringstream err(result.err);
  for (std::string line; std::getline(err, line);)
    if (line.find("Repaint time") != std::string::npos) std::cout << line << "\n";
}

}  // namespace
