#include "tests/support/own_x_server.h"

#include <X11/Xutil.h>

#include <cmath>
#include <cstdlib>

namespace {
constexpr uint8_t START_PROCESS = 150;
}

static int ignore_vanished_window(Display*, XErrorEvent* e) {
  if (e->error_code == BadWindow || e->error_code == BadDrawable) return 0;
  ADD_FAILURE() << "X error " << int(e->error_code) << " of request " << int(e->request_code);
  return 0;
}

std::vector<TopLevel> viewable_top_levels(Display* d) {
  std::vector<TopLevel> shown;
  XSync(d, False);
  XErrorHandler previous = XSetErrorHandler(ignore_vanished_window);
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n; ++i) {
      XWindowAttributes a;
      if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
      XClassHint hint{};
      std::string name;
      if (XGetClassHint(d, children[i], &hint)) {
        name = hint.res_name != nullptr ? hint.res_name : "";
        XFree(hint.res_name);
        XFree(hint.res_class);
      }
      shown.push_back({children[i], a, name});
    }
    if (children != nullptr) XFree(children);
  }
  XSync(d, False);
  XSetErrorHandler(previous);
  return shown;
}

Display* open_own_display(const std::string& name) {
  Display* d = nullptr;
  for (int k = 0; k < 50 && d == nullptr; ++k) {
    d = XOpenDisplay(name.c_str());
    if (d == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return d;
}

std::string to_string(const Rgb& c) {
  return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

Screenshot::Screenshot(Display* d)
    : width_(DisplayWidth(d, DefaultScreen(d))), height_(DisplayHeight(d, DefaultScreen(d))) {
  image_ = XGetImage(d, DefaultRootWindow(d), 0, 0, unsigned(width_), unsigned(height_), AllPlanes, ZPixmap);
}

Screenshot::~Screenshot() {
  if (image_ != nullptr) XDestroyImage(image_);
}

Rgb Screenshot::at(int x, int row) const {
  unsigned long p = XGetPixel(image_, x, row);
  return {int(p >> 16 & 255), int(p >> 8 & 255), int(p & 255)};
}

bool Screenshot::lit_near(double x, double row, Rgb background) const {
  for (int dy = -2; dy <= 2; ++dy)
    for (int dx = -2; dx <= 2; ++dx) {
      int px = int(std::lround(x)) + dx, py = int(std::lround(row)) + dy;
      if (px >= 0 && px < width_ && py >= 0 && py < height_ && !(at(px, py) == background)) return true;
    }
  return false;
}

bool poll_screen(Display* d, std::chrono::steady_clock::duration deadline,
                 const std::function<bool(const Screenshot&)>& done) {
  auto until = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    Screenshot s(d);
    bool accepted = s.valid() && done(s);
    if (accepted || std::chrono::steady_clock::now() >= until) return accepted;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

std::string write_app_script(const TempDir& dir, const std::string& body) {
  write_file(dir.file("app.sh"),
             "cd " + dir.path() + "\n" + body + "\nexec 2>/dev/null\nwhile kill -0 $PPID; do sleep 0.2; done\n");
  return "sh " + dir.file("app.sh");
}

yarl::YarlProgram program_starting(const std::string& command) {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  uint16_t pid = p.add(yarl::GLOBAL, yarl::make_ident(K_INTEGER), "pid");
  p.initial_code().push_string(command).push(0).op(START_PROCESS).assign(yarl::GLOBAL, pid);
  return p;
}

bool ServerOnOwnDisplay::start(const std::string& program, const TempDir& home, double timeout_seconds,
                               const std::vector<std::string>& args) {
  RunOptions options;
  options.args = {"-r", "-e", "", "-m", "", "-u", program};
  options.args.insert(options.args.end(), args.begin(), args.end());
  const char* path = getenv("PATH");
  options.env = {"DISPLAY=" + x_.name(), "LIBGL_ALWAYS_SOFTWARE=1", "HOME=" + home.path(),
                 std::string("PATH=") + (path != nullptr ? path : "/usr/bin:/bin")};
  options.timeout_seconds = timeout_seconds;
  watch(options);
  thread_ = std::thread([this, options] { result_ = run_program(options); });
  display_ = open_own_display(x_.name());
  return display_ != nullptr;
}

const RunResult& ServerOnOwnDisplay::wait() {
  if (thread_.joinable()) thread_.join();
  return result_;
}

