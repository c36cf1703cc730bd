// Recording and replay on the real server: a dialog worked by xdotool (a
// click, typing, a pick from an option pop-up, a slider drag) is recorded
// with -o; the file replayed with -i in a fresh server on a fresh X server,
// one key remapped by xmodmap, gives the application the same reports. A
// server killed right after a click has that click on file. Each run has an
// X server of its own.
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "runtime/tables.h"
#include "tests/support/own_x_server.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

namespace {

using namespace std::chrono_literals;
using yarl::GLOBAL;

constexpr uint8_t REPORT_ASCII = 141, ASSIGN_ARRAY = 9;

constexpr int DIALOG_X = 300, DIALOG_Y = 300, DIALOG_W = 260, DIALOG_H = 180;
constexpr int BUTTON_Y = 5, FIELD_Y = 40, OPTION_Y = 75, SLIDER_Y = 115, ITEM_X = 10;

// A dialog of a button, a text field, an option pop-up of three colours and
// a slider from 0 to 100, each reporting to the application; the graphics
// window small in the corner.
yarl::YarlProgram dialog_program(const std::string& app) {
  yarl::YarlProgram p = program_starting(app);
  uint16_t typed = p.add(GLOBAL, yarl::make_ident(K_STRING), "typed");
  uint16_t choice = p.add(GLOBAL, yarl::make_ident(K_INTEGER), "choice");
  uint16_t level = p.add(GLOBAL, yarl::make_ident(K_INTEGER), "level");
  ident_info texts = yarl::make_ident(K_ARRAY + K_STRING);
  texts.word2 = 8;
  uint16_t colours = p.add(GLOBAL, texts, "colours");
  p.initial_code().push_string("").assign(GLOBAL, typed).push(1).assign(GLOBAL, choice);
  p.initial_code().push_string("red").push_string("green").push_string("blue").op(ASSIGN_ARRAY).ref(GLOBAL, colours);

  p.ident(GLOBAL, 1).code_offset = yarl::add_window_geometry(p, 0, 0, 120, 120);

  yarl::Code& code = p.code();
  auto item = [&](uint8_t kind, uint8_t value_kind, int y) { return yarl::placed_item(p, kind, value_kind, ITEM_X, y); };
  auto report = [&](uint16_t variable, uint8_t kind) {
    code.push(0).push_var(GLOBAL, variable).push(kind).push_string("\n").push(K_STRING).op(REPORT_ASCII).release();
  };
  menu_item go = item(ITEM_BUTTON, K_STRING, BUTTON_Y);
  code.push_string("Go").release();
  go.action_offset = code.offset();
  code.push(0).push_string("clicked\n").push(K_STRING).op(REPORT_ASCII).release();

  menu_item field = item(ITEM_TEXT_FIELD, K_STRING, FIELD_Y);
  field.flags |= ITEM_SIZE_X;
  field.width = 200;
  field.head4 = yarl::ref16(GLOBAL, typed);
  code.push_var(GLOBAL, typed).release();
  field.action_offset = code.offset();  // on Return
  report(typed, K_STRING);

  menu_item option = item(ITEM_OPTION_POP_UP, K_INTEGER, OPTION_Y);
  option.head1 = 1;  // the first entry selects 1
  option.head4 = yarl::ref16(GLOBAL, choice);
  option.head10 = yarl::ref16(GLOBAL, colours);
  code.push_var(GLOBAL, choice).release();
  option.action_offset = code.offset();
  report(choice, K_INTEGER);

  menu_item slider = item(ITEM_SLIDER, K_INTEGER, SLIDER_Y);
  slider.head4 = yarl::ref16(GLOBAL, level);
  code.push_var(GLOBAL, level).push(0).push(100).release();
  slider.action_offset = code.offset();  // on the release
  report(level, K_INTEGER);

  yarl::add_menu_window(p, "dialog", {go, field, option, slider},
                        {yarl::ref16(GLOBAL, typed), yarl::ref16(GLOBAL, choice), yarl::ref16(GLOBAL, level),
                         yarl::ref16(GLOBAL, colours)},
                        yarl::add_window_geometry(p, DIALOG_X, DIALOG_Y, DIALOG_W, DIALOG_H));
  return p;
}

int run(const std::string& command) { return system((command + " >/dev/null 2>&1").c_str()); }

// The viewable top-level windows that are neither the dialog nor the
// graphics window: the option pop-up while it is open.
std::optional<XWindowAttributes> pop_up(Display* d) {
  std::optional<XWindowAttributes> found;
  for (const TopLevel& t : viewable_top_levels(d))
    if (t.attributes.override_redirect && t.attributes.height > 30) found = t.attributes;
  return found;
}

// One server run on an X server of its own, with the dialog's reports.
class ServerRun {
 public:
  explicit ServerRun(std::vector<std::string> options) : options_(std::move(options)) {}
  ~ServerRun() { finish(); }
  bool x_started() const { return !x_.name().empty(); }
  std::string display_name() const { return x_.name(); }
  bool start() {
    std::string app = write_app_script(dir_, "echo $PPID > server.pid; exec 2>/dev/null; cat > reports");
    if (!dialog_program(app).write(dir_.file("dialog.b"))) return false;
    RunOptions o;
    o.args = {"-r", "-e", "", "-m", "", "-u", dir_.file("dialog.b")};
    o.args.insert(o.args.end(), options_.begin(), options_.end());
    o.env = {"DISPLAY=" + x_.name(), "LIBGL_ALWAYS_SOFTWARE=1", "HOME=" + dir_.path(), "PATH=/usr/bin:/bin"};
    o.timeout_seconds = 90;
    thread_ = std::thread([this, o] { result_ = run_program(o); });
    d_ = open_own_display(x_.name());
    return d_ != nullptr;
  }
  const RunResult& wait() {
    if (thread_.joinable()) thread_.join();
    return result_;
  }
  const RunResult& finish() {
    if (d_ != nullptr) XCloseDisplay(d_);
    d_ = nullptr;
    x_.stop();
    return wait();
  }
  Display* display() const { return d_; }
  std::string reports() const { return read_file(dir_.file("reports")); }
  bool reports_become(const std::string& expected, std::chrono::steady_clock::duration limit = 30s) const {
    auto until = std::chrono::steady_clock::now() + limit;
    while (reports() != expected && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(50ms);
    return reports() == expected;
  }
  pid_t server_pid() const { return pid_t(atoi(read_file(dir_.file("server.pid")).c_str())); }
  bool dialog_shown() const {
    auto until = std::chrono::steady_clock::now() + 60s;
    while (std::chrono::steady_clock::now() < until) {
      Window root, parent, *children = nullptr;
      unsigned n = 0;
      bool shown = false;
      if (XQueryTree(d_, DefaultRootWindow(d_), &root, &parent, &children, &n)) {
        for (unsigned i = 0; i < n; ++i) {
          XWindowAttributes a;
          shown = shown || (XGetWindowAttributes(d_, children[i], &a) && a.map_state == IsViewable &&
                            a.x == DIALOG_X && a.y == DIALOG_Y && a.width == DIALOG_W);
        }
        if (children != nullptr) XFree(children);
      }
      if (shown) return true;
      std::this_thread::sleep_for(50ms);
    }
    return false;
  }
  void xdotool(const std::string& arguments) const {
    ASSERT_EQ(run("DISPLAY=" + x_.name() + " xdotool " + arguments), 0) << arguments;
  }
  void move_to(int x, int y) const { xdotool("mousemove " + std::to_string(DIALOG_X + x) + " " + std::to_string(DIALOG_Y + y)); }
  void click(int x, int y) const {
    move_to(x, y);
    xdotool("click 1");
  }

 private:
  std::vector<std::string> options_;
  OwnXServer x_;
  TempDir dir_;
  Display* d_ = nullptr;
  RunResult result_;
  std::thread thread_;
};

std::string trace_lines(const std::string& text, const std::string& what) {
  std::string found;
  size_t at = 0;
  while ((at = text.find(what, at)) != std::string::npos) {
    size_t start = text.rfind('\n', at) + 1, end = text.find('\n', at);
    found += text.substr(start, end - start) + "\n";
    at = end;
  }
  return found;
}

TEST(TraceReplay, ARecordedSessionReplaysToTheSameReportsOnAnotherKeyboard) {
  TempDir files;
  std::string trace = files.file("session.trace");
  const std::string expected = "clicked\nhey\n3\n50\nclicked\n";
  {
    ServerRun record({"-o", trace});
    ASSERT_TRUE(record.x_started());
    ASSERT_TRUE(record.start());
    ASSERT_TRUE(record.dialog_shown());
    record.click(ITEM_X + 8, BUTTON_Y + 8);
    ASSERT_TRUE(record.reports_become("clicked\n")) << record.reports();
    record.click(ITEM_X + 20, FIELD_Y + 10);
    record.xdotool("type --delay 30 hey");
    record.xdotool("key Return");
    ASSERT_TRUE(record.reports_become("clicked\nhey\n")) << record.reports();
    // The option pop-up opens on the press; the release picks the third entry.
    record.move_to(ITEM_X + 10, OPTION_Y + 8);
    record.xdotool("mousedown 1");
    std::optional<XWindowAttributes> list;
    for (int i = 0; i < 200 && !(list = pop_up(record.display())); ++i) std::this_thread::sleep_for(20ms);
    ASSERT_TRUE(list.has_value()) << "the option pop-up did not open";
    int entry = list->height / 3;
    for (int y = list->y + entry / 2; y <= list->y + entry * 5 / 2; y += entry / 2)
      record.xdotool("mousemove " + std::to_string(list->x + list->width / 2) + " " + std::to_string(y));
    record.xdotool("mouseup 1");
    ASSERT_TRUE(record.reports_become("clicked\nhey\n3\n")) << record.reports();
    // Half the slider's track from the knob at 0 is 50.
    record.move_to(ITEM_X + 13, SLIDER_Y + 13);
    record.xdotool("mousedown 1");
    for (int dx = 10; dx < 83; dx += 10) record.move_to(ITEM_X + 13 + dx, SLIDER_Y + 13);
    record.move_to(ITEM_X + 13 + 83, SLIDER_Y + 13);
    record.xdotool("mouseup 1");
    ASSERT_TRUE(record.reports_become("clicked\nhey\n3\n50\n")) << record.reports();
    // Killed right after its action ran, the click is on file.
    std::string before = read_file(trace);
    record.click(ITEM_X + 8, BUTTON_Y + 8);
    ASSERT_TRUE(record.reports_become(expected)) << record.reports();
    ASSERT_EQ(kill(record.server_pid(), SIGKILL), 0);
    EXPECT_EQ(record.wait().signal, SIGKILL);
    std::string after = read_file(trace);
    ASSERT_GT(after.size(), before.size());
    std::string presses = trace_lines(after.substr(before.size()), "ButtonRelease");
    EXPECT_NE(presses.find("dialog ButtonRelease 1"), std::string::npos) << after.substr(before.size());
  }
  ASSERT_EQ(read_file(trace).rfind("# Vorq QOBS trace file", 0), 0u);

  // The replay: the key of 'h' now gives another keysym, and the file's
  // stored keysyms still type "hey".
  ServerRun replay({"-i", trace});
  ASSERT_TRUE(replay.x_started());
  ASSERT_EQ(run("DISPLAY=" + replay.display_name() + " xmodmap -e 'keysym h = z'"), 0);
  ASSERT_TRUE(replay.start());
  EXPECT_TRUE(replay.reports_become(expected, 60s)) << replay.reports();
  const RunResult& result = replay.finish();
  EXPECT_EQ(result.err.find("rror"), std::string::npos) << result.err;
}

}  // namespace
