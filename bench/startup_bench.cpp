// Start-up time: from the exec of `qob` on a program of one window with one
// button to the first MapNotify of a top-level window, against `wish8.6`
// showing one button. An X client of the bench's own watches the root window
// (SubstructureNotify); subject and anchor alternate, median of the pairs.
// A second line times a minimal GL program the same way: the floor that
// loading the GL driver before the first window sets.
#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/paired.h"
#include "runtime/tables.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

extern char** environ;

namespace {

// A visible MENU_WINDOW whose one MENU shows the button "Go".
yarl::YarlProgram one_button_program() {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  menu_item button = yarl::make_item(ITEM_BUTTON);
  button.value_kind = K_STRING;
  button.code_offset = p.code().offset();
  p.code().push_string("Go").release();
  yarl::add_shown_window(p, "main", button);
  return p;
}

Display* watcher = nullptr;

// Seconds from the spawn of `argv` to the first window mapped on the root;
// negative when it did not start or nothing was mapped within 20 s.
double time_to_first_map(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  XSync(watcher, True);  // events of earlier runs are dropped
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return -1;
  double seconds = -1;
  while (seconds < 0 && paired::seconds_since(start) < 20) {
    if (XPending(watcher) == 0) {
      pollfd p = {ConnectionNumber(watcher), POLLIN, 0};
      poll(&p, 1, 100);
      continue;
    }
    XEvent event;
    XNextEvent(watcher, &event);
    if (event.type == MapNotify && event.xmap.event == DefaultRootWindow(watcher)) seconds = paired::seconds_since(start);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  int pairs = argc > 1 ? atoi(argv[1]) : 7;
  watcher = XOpenDisplay(nullptr);
  if (watcher == nullptr) {
    fprintf(stderr, "startup_bench: no X display\n");
    return 1;
  }
  XSelectInput(watcher, DefaultRootWindow(watcher), SubstructureNotifyMask);
  TempDir dir;
  if (!one_button_program().write(dir.file("one.b"))) return 1;
  write_file(dir.file("one.tcl"), "button .b -text Go\npack .b\n");
  std::vector<std::string> qob = {QOB_PROGRAM, "-e", "", "-m", "", "-u", dir.file("one.b")};
  std::vector<std::string> wish = {"/usr/bin/wish8.6", dir.file("one.tcl")};
  // One run of each first, so both start from warm file caches.
  time_to_first_map(qob);
  time_to_first_map(wish);
  paired::Result r = paired::measure(pairs, [&] { return time_to_first_map(qob); },
                                     [&] { return time_to_first_map(wish); });
  paired::report("start-up: exec to first MapNotify", r, "wish8.6, one button", 1.1);
  // What any program pays that needs GL before its first window shows.
  std::vector<std::string> minimal_gl = {MINIMAL_GL_PROGRAM};
  time_to_first_map(minimal_gl);
  paired::Result floor = paired::measure(pairs, [&] { return time_to_first_map(minimal_gl); },
                                         [&] { return time_to_first_map(wish); });
  paired::report("  floor: a minimal GL program, one window", floor, "wish8.6, one button");
  XCloseDisplay(watcher);
  return 0;
}
